#pragma once

// Scaling pictures into photo cells: the linear resampler and nearest-pixel scaling.

#include <QImage>
#include <QRect>

#include <cstdint>
#include <vector>

// The picture's linear resampler, shared by the display and the print path. Per axis, a
// triangle (tent) filter whose reach is max(1, source size / destination size) source
// pixels: plain bilinear interpolation when enlarging, an average of the covered source
// pixels weighted by distance when reducing.
//
// Draws the whole of source into target's rectangle dest (clipped to target), replacing
// those pixels; the rest of target is untouched. Both images are 32-bit (RGB32/ARGB32).
// An opaque (RGB32) source gives opaque pixels; otherwise alpha is filtered like a colour.
void ResampleInto(const QImage& source, QImage& target, const QRect& dest);

// Convenience: the source scaled to size, in a new image of the source's format.
QImage Resampled(const QImage& source, const QSize& size);

// The fixed-point arithmetic, so that other implementations can be checked against it.
// Weights are in units of 1/2^14 and sum to exactly 2^14 for every destination pixel. The
// vertical pass runs first and keeps 7 fraction bits: mid = (sum(src * wy) + 2^6) >> 7;
// then out = (sum(mid * wx) + 2^20) >> 21, clamped to 0..255.
namespace resample {
constexpr int kWeightBits = 14;
constexpr int kMidShift = 7;
constexpr int kOutShift = 2 * kWeightBits - kMidShift;

struct Taps {
    std::vector<int> first;  // first source index of each destination index
    std::vector<int> count;  // number of source pixels it reads
    std::vector<int> offset; // into weights
    std::vector<int16_t> weights;
};
Taps MakeTaps(int sourceSize, int destSize);
} // namespace resample
