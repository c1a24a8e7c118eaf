// The norm mask: a guide for where head, eyes and chin fall in a 35 x 45 mm photo, laid
// semi-transparently over the picture display.
#include "resources/Artwork.h"

#include <QPainter>
#include <QPainterPath>

QImage NormMaskBitmap() {
    constexpr int kWidth = 156;
    constexpr int kHeight = 205;
    constexpr int kCentre = 79;
    const QColor line(40, 40, 40);
    const QColor lightLine(150, 150, 150);
    const QColor shoulder(120, 120, 120);

    QImage mask(kWidth, kHeight, QImage::Format_RGB32);
    mask.fill(Qt::white);
    QPainter p(&mask);

    // The band where the eyes belong, under everything else.
    p.fillRect(QRect(QPoint(11, 60), QPoint(145, 100)), QColor(249, 212, 183));

    // Frame: two rows at the top, one at the bottom, two columns left, a lighter one right.
    p.fillRect(QRect(QPoint(0, 1), QPoint(kWidth - 1, 2)), line);
    p.fillRect(QRect(QPoint(0, kHeight - 1), QPoint(kWidth - 1, kHeight - 1)), line);
    p.fillRect(QRect(QPoint(0, 0), QPoint(1, kHeight - 1)), line);
    p.fillRect(QRect(QPoint(kWidth - 1, 0), QPoint(kWidth - 1, kHeight - 1)), lightLine);

    // Guide lines: across the whole width at 58 and 102-103; top of the head (18) and chin
    // (169-170) from the left edge to column 132.
    p.fillRect(QRect(QPoint(0, 58), QPoint(kWidth - 1, 58)), line);
    p.fillRect(QRect(QPoint(0, 102), QPoint(kWidth - 1, 103)), line);
    p.fillRect(QRect(QPoint(0, 18), QPoint(132, 18)), line);
    p.fillRect(QRect(QPoint(0, 169), QPoint(132, 170)), line);

    // The head: an upright oval from the top line to the chin line, widest (28-128) around
    // rows 85-100.
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(line, 1.5));
    p.drawEllipse(QRectF(28.5, 18.5, 100, 151.5));

    // Shoulders: from the lower sides of the oval out and down to the edges near row 183.
    p.setPen(QPen(shoulder, 1.2));
    QPainterPath left;
    left.moveTo(44, 152);
    left.cubicTo(34, 166, 16, 176, 1, 183);
    QPainterPath right;
    right.moveTo(2 * kCentre - 44, 152);
    right.cubicTo(2 * kCentre - 34, 166, 2 * kCentre - 16, 176, kWidth - 2, 183);
    p.drawPath(left);
    p.drawPath(right);

    // The vertical centre line, over the band and the oval.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(QPoint(kCentre, 0), QPoint(kCentre, kHeight - 1)), line);
    p.end();
    return mask;
}
