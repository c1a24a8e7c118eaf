#pragma once

// The working picture's pixel operations: rotation, greyscale, sepia.

#include <QImage>
#include <QRect>
#include <QRgb>
#include <QString>

// Pixel work on the working picture: plain values in, plain values out.

// Grey of one pixel: (61 R + 174 G + 21 B) / 256, remainder dropped; alpha 255.
constexpr QRgb GreyPixel(QRgb p) {
    const unsigned i =
        (61u * unsigned(qRed(p)) + 174u * unsigned(qGreen(p)) + 21u * unsigned(qBlue(p))) >> 8;
    return 0xff000000u | (i << 16) | (i << 8) | i;
}

// Sepia of one pixel, in double precision, each channel rounded to nearest (halves to
// even) and capped at 255; alpha 255.
QRgb SepiaPixel(QRgb p);

// The same pixel functions over rows of n pixels; in and out may be the same row.
void GreyRow(const QRgb* in, QRgb* out, int n);
void SepiaRow(const QRgb* in, QRgb* out, int n);

// The picture with every pixel replaced by GreyPixel / SepiaPixel of it. Pass the picture
// by move to transform it without a copy. A 32-bit picture keeps its format; any other is
// first converted to Format_RGB32.
QImage Greyscale(QImage picture);
QImage Sepia(QImage picture);

// Turned a quarter clockwise: the pixel at (x, y) goes to (old height - 1 - y, x).
QImage Rotated90Clockwise(const QImage& picture);

// Whether the picture's proportions (actual = width / height) are more than 10 % away
// from the target's; exactly 10 % passes.
bool AspectDiffers(double actual, double target);

// Blends layer over target with its top-left corner at `at` (parts outside target are cut
// off): each channel becomes target × (255 - a) / 255 + layer × a / 255, rounded, where a is
// masterAlpha scaled by the layer pixel's own alpha.
void BlendLayer(QImage& target, const QImage& layer, const QPoint& at, int masterAlpha);

// Whether a dropped file's extension (from its last ".") is ".jpg" or ".jpeg" in any case.
bool IsJpegName(const QString& path);
