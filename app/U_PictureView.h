#pragma once

// The photo display of the main window, with the norm mask.

#include <QImage>
#include <QWidget>

// The picture display: the working picture drawn from the top-left corner, stretched to the
// whole display or fitted inside it, with the norm-mask layer blended above. The picture is
// scaled once per change of picture, mode or size, not at every repaint.
class TPictureView : public QWidget {
    Q_OBJECT

public:
    explicit TPictureView(QWidget* parent = nullptr);

    // Any format; kept as 32-bit RGB32/ARGB32. Pass by move to hand over a large picture.
    void setPicture(QImage picture);
    const QImage& picture() const { return m_picture; }

    // Stretch: both axes scaled to fill the display; otherwise one factor, fitting inside.
    void setStretch(bool stretch);
    bool stretch() const { return m_stretch; }

    // The overlay: the bitmap made opaque, stretched to location (display pixels, cut off
    // at the display's edges) and blended with masterAlpha out of 255.
    void setMaskLayer(const QImage& bitmap, const QRect& location, int masterAlpha);
    void setMaskVisible(bool visible);
    bool maskVisible() const { return m_maskVisible; }
    bool hasMaskLayer() const { return !m_mask.isNull(); }
    QRect maskLocation() const { return m_maskLocation; }

    // Where the scaled picture lies in the display.
    QRect pictureRect() const;
    // Exactly what the display paints: the scaled picture on the window's face colour, with
    // the mask blended when it is visible.
    const QImage& displayed() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void invalidate();

    QImage m_picture;
    bool m_stretch = false;
    QImage m_mask; // already at the size of m_maskLocation
    QRect m_maskLocation;
    int m_maskAlpha = 0;
    bool m_maskVisible = false;
    // Made on demand and kept until something they depend on changes.
    mutable QImage m_scaled;
    mutable QImage m_shown;
};
