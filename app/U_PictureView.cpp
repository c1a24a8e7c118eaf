#include "app/U_PictureView.h"

#include "picture/U_Picture.h"
#include "print/U_PageCompose.h"
#include "picture/U_Resample.h"

#include <QEvent>
#include <QPainter>

TPictureView::TPictureView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPictureView::setPicture(QImage picture) {
    if (!picture.isNull() && picture.format() != QImage::Format_RGB32 &&
        picture.format() != QImage::Format_ARGB32)
        picture = picture.convertToFormat(QImage::Format_ARGB32);
    m_picture = std::move(picture);
    m_scaled = QImage();
    invalidate();
}

void TPictureView::setStretch(bool stretch) {
    if (m_stretch == stretch)
        return;
    m_stretch = stretch;
    m_scaled = QImage();
    invalidate();
}

void TPictureView::setMaskLayer(const QImage& bitmap, const QRect& location, int masterAlpha) {
    QImage opaque = bitmap.convertToFormat(QImage::Format_RGB32);
    m_mask = location.isEmpty() ? QImage() : Resampled(opaque, location.size());
    m_maskLocation = location;
    m_maskAlpha = masterAlpha;
    invalidate();
}

void TPictureView::setMaskVisible(bool visible) {
    if (m_maskVisible == visible)
        return;
    m_maskVisible = visible;
    invalidate();
}

QRect TPictureView::pictureRect() const {
    return FitRect(size(), m_picture.size(), m_stretch);
}

const QImage& TPictureView::displayed() const {
    // A hidden widget gets its resize event only when shown, so the size is checked here too.
    if (m_scaled.size() != size()) {
        m_scaled = QImage();
        m_shown = QImage();
    }
    if (m_scaled.isNull() && width() > 0 && height() > 0) {
        m_scaled = QImage(size(), QImage::Format_RGB32);
        m_scaled.fill(palette().color(QPalette::Window));
        if (!m_picture.isNull())
            ResampleInto(m_picture, m_scaled, pictureRect());
    }
    if (m_shown.isNull()) {
        m_shown = m_scaled;
        if (m_maskVisible && !m_mask.isNull())
            BlendLayer(m_shown, m_mask, m_maskLocation.topLeft(), m_maskAlpha);
    }
    return m_shown;
}

void TPictureView::invalidate() {
    m_shown = QImage();
    update();
}

void TPictureView::resizeEvent(QResizeEvent*) {
    m_scaled = QImage();
    invalidate();
}

void TPictureView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        m_scaled = QImage();
        invalidate();
    }
    QWidget::changeEvent(event);
}

void TPictureView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QImage& shown = displayed();
    if (shown.isNull())
        p.fillRect(rect(), palette().window());
    else
        p.drawImage(0, 0, shown);
}
