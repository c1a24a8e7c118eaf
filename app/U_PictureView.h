#pragma once

#include <QImage>
#include <QWidget>

// The picture display: the working picture drawn from the top-left corner, stretched to the
// whole display or fitted inside it, with the norm-mask layer blended above.
class TPictureView : public QWidget {
    Q_OBJECT

public:
    explicit TPictureView(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }

    // Stretch: both axes scaled to fill the display; otherwise one factor, fitting inside.
    void setStretch(bool stretch);
    bool stretch() const { return m_stretch; }

    // The overlay: the bitmap drawn stretched to location, blended with masterAlpha.
    void setMaskLayer(const QImage& bitmap, const QRect& location, int masterAlpha);
    void setMaskVisible(bool visible);
    bool maskVisible() const { return m_maskVisible; }
    bool hasMaskLayer() const { return !m_mask.isNull(); }
    QRect maskLocation() const { return m_maskLocation; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void rescale();

    QImage m_picture;
    QImage m_scaled; // the picture at display size, made once per change
    bool m_stretch = false;
    QImage m_mask;
    QRect m_maskLocation;
    int m_maskAlpha = 0;
    bool m_maskVisible = false;
};
