#include "U_Resample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int kWeightBits = 14;

// For each destination index, the first source index and its fixed-point weights.
struct Taps {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<int> offset; // into weights
    std::vector<int32_t> weights;
};

Taps makeTaps(int sourceSize, int destSize) {
    Taps taps;
    taps.first.resize(size_t(destSize));
    taps.count.resize(size_t(destSize));
    taps.offset.resize(size_t(destSize));
    const double scale = double(destSize) / double(sourceSize);
    const double reach = std::max(1.0, 1.0 / scale);
    std::vector<double> w;
    for (int d = 0; d < destSize; ++d) {
        const double centre = (d + 0.5) / scale - 0.5;
        int lo = int(std::floor(centre - reach)) + 1;
        int hi = int(std::ceil(centre + reach)) - 1;
        lo = std::max(lo, 0);
        hi = std::min(hi, sourceSize - 1);
        if (hi < lo) // the centre lies outside the picture: take the nearest edge pixel
            lo = hi = std::clamp(int(std::lround(centre)), 0, sourceSize - 1);
        w.clear();
        double sum = 0;
        for (int s = lo; s <= hi; ++s) {
            const double v = std::max(0.0, 1.0 - std::abs(s - centre) / reach);
            w.push_back(v);
            sum += v;
        }
        if (sum <= 0) {
            std::fill(w.begin(), w.end(), 0.0);
            w[size_t(std::clamp(int(std::lround(centre)) - lo, 0, int(w.size()) - 1))] = 1.0;
            sum = 1.0;
        }
        taps.first[size_t(d)] = lo;
        taps.count[size_t(d)] = int(w.size());
        taps.offset[size_t(d)] = int(taps.weights.size());
        // Fixed point, with the rounding error put on the largest weight so they sum exactly.
        int32_t total = 0;
        size_t largest = 0;
        for (size_t i = 0; i < w.size(); ++i) {
            const int32_t q = int32_t(std::lround(w[i] / sum * (1 << kWeightBits)));
            taps.weights.push_back(q);
            total += q;
            if (w[i] > w[largest])
                largest = i;
        }
        taps.weights[size_t(taps.offset[size_t(d)]) + largest] += (1 << kWeightBits) - total;
    }
    return taps;
}

inline uint32_t clampChannel(int64_t v) {
    v = (v + (int64_t(1) << (2 * kWeightBits - 1))) >> (2 * kWeightBits);
    return uint32_t(std::clamp<int64_t>(v, 0, 255));
}

} // namespace

void ResampleInto(const QImage& sourceImage, QImage& target, const QRect& dest) {
    if (sourceImage.isNull() || dest.isEmpty() || target.isNull())
        return;
    const QImage source = (sourceImage.format() == QImage::Format_RGB32 ||
                           sourceImage.format() == QImage::Format_ARGB32)
                              ? sourceImage
                              : sourceImage.convertToFormat(QImage::Format_ARGB32);
    const int sw = source.width();
    const int sh = source.height();
    const int dw = dest.width();
    const int dh = dest.height();
    const Taps tx = makeTaps(sw, dw);
    const Taps ty = makeTaps(sh, dh);
    const QRect visible = dest & target.rect();
    if (visible.isEmpty())
        return;

    // Horizontal pass over the source rows the visible destination rows need.
    const int needFirst = ty.first[size_t(visible.top() - dest.top())];
    const int lastRow = visible.bottom() - dest.top();
    const int needLast = ty.first[size_t(lastRow)] + ty.count[size_t(lastRow)] - 1;
    const int rows = needLast - needFirst + 1;
    std::vector<int32_t> mid(size_t(rows) * size_t(dw) * 4);
    for (int y = 0; y < rows; ++y) {
        const auto* line = reinterpret_cast<const uint32_t*>(source.constScanLine(needFirst + y));
        int32_t* out = mid.data() + size_t(y) * size_t(dw) * 4;
        for (int x = 0; x < dw; ++x) {
            const int32_t* w = tx.weights.data() + tx.offset[size_t(x)];
            const uint32_t* px = line + tx.first[size_t(x)];
            int32_t a = 0, r = 0, g = 0, b = 0;
            for (int k = 0; k < tx.count[size_t(x)]; ++k) {
                const uint32_t p = px[k];
                a += int32_t(p >> 24) * w[k];
                r += int32_t((p >> 16) & 0xff) * w[k];
                g += int32_t((p >> 8) & 0xff) * w[k];
                b += int32_t(p & 0xff) * w[k];
            }
            out[x * 4 + 0] = a;
            out[x * 4 + 1] = r;
            out[x * 4 + 2] = g;
            out[x * 4 + 3] = b;
        }
    }

    // Vertical pass into the visible part of the destination.
    const bool opaque = source.format() == QImage::Format_RGB32;
    for (int y = visible.top(); y <= visible.bottom(); ++y) {
        const int d = y - dest.top();
        const int32_t* w = ty.weights.data() + ty.offset[size_t(d)];
        const int first = ty.first[size_t(d)] - needFirst;
        auto* line = reinterpret_cast<uint32_t*>(target.scanLine(y));
        for (int x = visible.left(); x <= visible.right(); ++x) {
            const int sx = x - dest.left();
            int64_t a = 0, r = 0, g = 0, b = 0;
            for (int k = 0; k < ty.count[size_t(d)]; ++k) {
                const int32_t* m = mid.data() + (size_t(first + k) * size_t(dw) + size_t(sx)) * 4;
                a += int64_t(m[0]) * w[k];
                r += int64_t(m[1]) * w[k];
                g += int64_t(m[2]) * w[k];
                b += int64_t(m[3]) * w[k];
            }
            const uint32_t alpha = opaque ? 255u : clampChannel(a);
            line[x] =
                (alpha << 24) | (clampChannel(r) << 16) | (clampChannel(g) << 8) | clampChannel(b);
        }
    }
}

QImage Resampled(const QImage& source, const QSize& size) {
    if (source.isNull() || size.isEmpty())
        return {};
    QImage result(size, source.format() == QImage::Format_RGB32 ? QImage::Format_RGB32
                                                                : QImage::Format_ARGB32);
    ResampleInto(source, result, QRect(QPoint(0, 0), size));
    return result;
}
