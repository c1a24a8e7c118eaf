#pragma once

#include <QImage>
#include <QRect>

// The picture's linear resampler, shared by the display and the print path. Per axis, a
// triangle (tent) filter whose reach is max(1, source size / destination size) source
// pixels: plain bilinear interpolation when enlarging, an average of the covered source
// pixels weighted by distance when reducing.
//
// Draws the whole of source into target's rectangle dest (clipped to target), replacing
// those pixels; the rest of target is untouched. Both images are 32-bit (RGB32/ARGB32).
void ResampleInto(const QImage& source, QImage& target, const QRect& dest);

// Convenience: the source scaled to size, in a new image of the source's format.
QImage Resampled(const QImage& source, const QSize& size);
