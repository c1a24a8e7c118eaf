#include "U_Resample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

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

// The horizontal weights again as 16-bit pairs (w0 | w1 << 16, w2 | w3 << 16, ...), the
// form the multiply-add instructions take; an odd last weight pairs with 0.
struct WeightPairs {
    std::vector<uint32_t> pairs;
    std::vector<int> offset;
};

WeightPairs pairUp(const Taps& taps) {
    WeightPairs result;
    result.offset.resize(taps.count.size());
    for (size_t d = 0; d < taps.count.size(); ++d) {
        result.offset[d] = int(result.pairs.size());
        const int32_t* w = taps.weights.data() + taps.offset[d];
        for (int k = 0; k < taps.count[d]; k += 2) {
            const uint32_t high = k + 1 < taps.count[d] ? uint32_t(w[k + 1]) : 0u;
            result.pairs.push_back((high << 16) | (uint32_t(w[k]) & 0xffffu));
        }
    }
    return result;
}

// One source row through the horizontal taps: four int32 sums per destination pixel, in
// the byte order of the pixel (blue, green, red, alpha). The sums are exact integers, so
// the order of the additions does not change them.
void horizontalRowPlain(const uint32_t* line, const Taps& tx, const WeightPairs& pairs, int dw,
                        int32_t* out) {
#if defined(__SSE2__)
    // Two taps per multiply-add: the channels of two neighbouring pixels interleaved as
    // 16-bit pairs, times their two weights.
    const __m128i zero = _mm_setzero_si128();
    for (int x = 0; x < dw; ++x) {
        const uint32_t* w = pairs.pairs.data() + pairs.offset[size_t(x)];
        const uint32_t* px = line + tx.first[size_t(x)];
        const int count = tx.count[size_t(x)];
        __m128i acc = zero;
        int k = 0;
        for (; k + 2 <= count; k += 2) {
            const __m128i pair =
                _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(px[k])), _mm_cvtsi32_si128(int(px[k + 1])));
            acc = _mm_add_epi32(
                acc, _mm_madd_epi16(_mm_unpacklo_epi8(pair, zero), _mm_set1_epi32(int(w[k / 2]))));
        }
        if (k < count) {
            const __m128i single = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(px[k])), zero);
            acc = _mm_add_epi32(acc, _mm_madd_epi16(_mm_unpacklo_epi8(single, zero),
                                                    _mm_set1_epi32(int(w[k / 2]))));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + size_t(x) * 4), acc);
    }
#else
    (void)pairs;
    for (int x = 0; x < dw; ++x) {
        const int32_t* w = tx.weights.data() + tx.offset[size_t(x)];
        const uint32_t* px = line + tx.first[size_t(x)];
        int32_t b = 0, g = 0, r = 0, a = 0;
        for (int k = 0; k < tx.count[size_t(x)]; ++k) {
            const uint32_t p = px[k];
            b += int32_t(p & 0xff) * w[k];
            g += int32_t((p >> 8) & 0xff) * w[k];
            r += int32_t((p >> 16) & 0xff) * w[k];
            a += int32_t(p >> 24) * w[k];
        }
        int32_t* o = out + size_t(x) * 4;
        o[0] = b;
        o[1] = g;
        o[2] = r;
        o[3] = a;
    }
#endif
}

#if defined(__x86_64__) || defined(__i386__)
#define QM_RESAMPLE_AVX2 1
// Four taps per multiply-add: pixels 0 and 1 interleaved in the low half, 2 and 3 in the
// high half, each half times its weight pair.
__attribute__((target("avx2"))) void horizontalRowAvx2(const uint32_t* line, const Taps& tx,
                                                       const WeightPairs& pairs, int dw,
                                                       int32_t* out) {
    const __m128i interleave = _mm_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
    const __m256i spread = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
    for (int x = 0; x < dw; ++x) {
        const uint32_t* w = pairs.pairs.data() + pairs.offset[size_t(x)];
        const uint32_t* px = line + tx.first[size_t(x)];
        const int count = tx.count[size_t(x)];
        __m256i acc = _mm256_setzero_si256();
        int k = 0;
        for (; k + 4 <= count; k += 4) {
            const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px + k));
            const __m256i channels = _mm256_cvtepu8_epi16(_mm_shuffle_epi8(four, interleave));
            const __m256i weights =
                _mm256_permutevar8x32_epi32(_mm256_castsi128_si256(_mm_loadl_epi64(
                                                reinterpret_cast<const __m128i*>(w + k / 2))),
                                            spread);
            acc = _mm256_add_epi32(acc, _mm256_madd_epi16(channels, weights));
        }
        __m128i sum = _mm_add_epi32(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
        for (; k < count; k += 2) {
            const int next = k + 1 < count ? int(px[k + 1]) : 0;
            const __m128i pair = _mm_cvtepu8_epi16(
                _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(px[k])), _mm_cvtsi32_si128(next)));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(pair, _mm_set1_epi32(int(w[k / 2]))));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + size_t(x) * 4), sum);
    }
}
#endif

void horizontalRow(const uint32_t* line, const Taps& tx, const WeightPairs& pairs, int dw,
                   int32_t* out) {
#if defined(QM_RESAMPLE_AVX2)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) {
        horizontalRowAvx2(line, tx, pairs, dw, out);
        return;
    }
#endif
    horizontalRowPlain(line, tx, pairs, dw, out);
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
    const QRect visible = dest & target.rect();
    if (visible.isEmpty())
        return;
    const Taps tx = makeTaps(sw, dw);
    const Taps ty = makeTaps(sh, dh);
    const WeightPairs pairs = pairUp(tx);

    // Horizontally filtered source rows, kept in a small ring: the rows a destination row
    // needs are consecutive and move down with it, so each is filtered once.
    int ring = 1;
    for (int d = visible.top() - dest.top(); d <= visible.bottom() - dest.top(); ++d)
        ring = std::max(ring, ty.count[size_t(d)]);
    const size_t rowInts = size_t(dw) * 4;
    std::vector<int32_t> filtered(size_t(ring) * rowInts);
    std::vector<int> slotRow(size_t(ring), -1);
    auto filteredRow = [&](int s) {
        const size_t slot = size_t(s % ring);
        int32_t* row = filtered.data() + slot * rowInts;
        if (slotRow[slot] != s) {
            horizontalRow(reinterpret_cast<const uint32_t*>(source.constScanLine(s)), tx, pairs, dw,
                          row);
            slotRow[slot] = s;
        }
        return static_cast<const int32_t*>(row);
    };

    // Vertical pass into the visible part of the destination, one weighted row at a time.
    const bool opaque = source.format() == QImage::Format_RGB32;
    const size_t left = size_t(visible.left() - dest.left()) * 4;
    const int span = visible.width();
    std::vector<int64_t> sums(size_t(span) * 4);
    for (int y = visible.top(); y <= visible.bottom(); ++y) {
        const int d = y - dest.top();
        const int32_t* w = ty.weights.data() + ty.offset[size_t(d)];
        std::fill(sums.begin(), sums.end(), 0);
        for (int k = 0; k < ty.count[size_t(d)]; ++k) {
            const int32_t* m = filteredRow(ty.first[size_t(d)] + k) + left;
            const int64_t weight = w[k];
            for (size_t i = 0; i < sums.size(); ++i)
                sums[i] += int64_t(m[i]) * weight;
        }
        auto* line = reinterpret_cast<uint32_t*>(target.scanLine(y)) + visible.left();
        for (int x = 0; x < span; ++x) {
            const int64_t* s = sums.data() + size_t(x) * 4;
            const uint32_t alpha = opaque ? 255u : clampChannel(s[3]);
            line[x] = (alpha << 24) | (clampChannel(s[2]) << 16) | (clampChannel(s[1]) << 8) |
                      clampChannel(s[0]);
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
