#include "U_PictureView.h"

#include <QPainter>

#include <cmath>

TPictureView::TPictureView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPictureView::setPicture(const QImage& picture) {
    m_picture = picture;
    rescale();
}

void TPictureView::setStretch(bool stretch) {
    if (m_stretch == stretch)
        return;
    m_stretch = stretch;
    rescale();
}

void TPictureView::setMaskLayer(const QImage& bitmap, const QRect& location, int masterAlpha) {
    m_mask = bitmap.convertToFormat(QImage::Format_ARGB32).scaled(location.size());
    m_maskLocation = location;
    m_maskAlpha = masterAlpha;
    update();
}

void TPictureView::setMaskVisible(bool visible) {
    if (m_maskVisible == visible)
        return;
    m_maskVisible = visible;
    update();
}

void TPictureView::resizeEvent(QResizeEvent*) {
    rescale();
}

void TPictureView::rescale() {
    if (m_picture.isNull() || width() <= 0 || height() <= 0) {
        m_scaled = QImage();
    } else if (m_stretch) {
        m_scaled = m_picture.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    } else {
        const double f =
            std::min(double(width()) / m_picture.width(), double(height()) / m_picture.height());
        const QSize s(std::max(1, int(std::lround(m_picture.width() * f))),
                      std::max(1, int(std::lround(m_picture.height() * f))));
        m_scaled = m_picture.scaled(s, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    update();
}

void TPictureView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    if (!m_scaled.isNull())
        p.drawImage(0, 0, m_scaled);
    if (m_maskVisible && !m_mask.isNull()) {
        p.setOpacity(m_maskAlpha / 255.0);
        p.drawImage(m_maskLocation.topLeft(), m_mask);
    }
}
