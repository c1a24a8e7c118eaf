#include "picture/U_Resample.h"

#include "picture/U_PixelPath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QM_HAVE_AVX2_PATH 1
#endif

using namespace resample;

resample::Taps resample::MakeTaps(int sourceSize, int destSize) {
    Taps taps;
    taps.first.resize(size_t(destSize));
    taps.count.resize(size_t(destSize));
    taps.offset.resize(size_t(destSize));
    const double scale = double(destSize) / double(sourceSize);
    const double reach = std::max(1.0, 1.0 / scale);
    std::vector<double> w;
    for (int d = 0; d < destSize; ++d) {
        const double centre = (d + 0.5) / scale - 0.5;
        int lo = std::max(int(std::floor(centre - reach)) + 1, 0);
        int hi = std::min(int(std::ceil(centre + reach)) - 1, sourceSize - 1);
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
        // The rounding error goes on the largest weight so that they sum exactly.
        int total = 0;
        size_t largest = 0;
        for (size_t i = 0; i < w.size(); ++i) {
            const int q = int(std::lround(w[i] / sum * (1 << kWeightBits)));
            taps.weights.push_back(int16_t(q));
            total += q;
            if (w[i] > w[largest])
                largest = i;
        }
        taps.weights[size_t(taps.offset[size_t(d)]) + largest] +=
            int16_t((1 << kWeightBits) - total);
    }
    return taps;
}

namespace {

// Weights of one axis regrouped in pairs (low half: tap k, high half: tap k + 1), padded
// with zero weights to the same number of pairs (stride) for every destination index, as
// the SIMD multiply-add wants them.
struct PairedTaps {
    std::vector<int> first;
    std::vector<int> pairs;
    std::vector<int> offset;
    std::vector<int32_t> weights;
    int stride = 0;
};

PairedTaps pairUp(const Taps& taps) {
    PairedTaps p;
    const size_t n = taps.first.size();
    p.first = taps.first;
    p.pairs.resize(n);
    p.offset.resize(n);
    for (size_t d = 0; d < n; ++d)
        p.stride = std::max(p.stride, (taps.count[d] + 1) / 2);
    p.weights.assign(n * size_t(p.stride), 0);
    for (size_t d = 0; d < n; ++d) {
        const int16_t* w = taps.weights.data() + taps.offset[d];
        const int count = taps.count[d];
        p.pairs[d] = (count + 1) / 2;
        p.offset[d] = int(d) * p.stride;
        for (int k = 0; k < count; k += 2) {
            const uint16_t lo = uint16_t(w[k]);
            const uint16_t hi = k + 1 < count ? uint16_t(w[k + 1]) : 0;
            p.weights[size_t(p.offset[d] + k / 2)] = int32_t(uint32_t(lo) | (uint32_t(hi) << 16));
        }
    }
    return p;
}

inline int16_t lowWeight(int32_t pair) {
    return int16_t(uint16_t(uint32_t(pair) & 0xffffu));
}
inline int16_t highWeight(int32_t pair) {
    return int16_t(uint16_t(uint32_t(pair) >> 16));
}

#if defined(QM_HAVE_AVX2_PATH)
// The vertical pass 32 bytes at a time, for processors that have AVX2; the same arithmetic
// as the plain pass below. Returns how many bytes it did.
__attribute__((target("avx2"))) int verticalPassAvx2(const uchar* const* rows, const int32_t* pairs,
                                                     int pairCount, int bytes, int16_t* mid) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i round = _mm256_set1_epi32(1 << (kMidShift - 1));
    int i = 0;
    for (; i + 32 <= bytes; i += 32) {
        __m256i acc0 = round, acc1 = round, acc2 = round, acc3 = round;
        for (int p = 0; p < pairCount; ++p) {
            const __m256i w = _mm256_set1_epi32(pairs[p]);
            const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[2 * p] + i));
            const __m256i b =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[2 * p + 1] + i));
            const __m256i alo = _mm256_unpacklo_epi8(a, zero);
            const __m256i blo = _mm256_unpacklo_epi8(b, zero);
            const __m256i ahi = _mm256_unpackhi_epi8(a, zero);
            const __m256i bhi = _mm256_unpackhi_epi8(b, zero);
            acc0 = _mm256_add_epi32(acc0, _mm256_madd_epi16(_mm256_unpacklo_epi16(alo, blo), w));
            acc1 = _mm256_add_epi32(acc1, _mm256_madd_epi16(_mm256_unpackhi_epi16(alo, blo), w));
            acc2 = _mm256_add_epi32(acc2, _mm256_madd_epi16(_mm256_unpacklo_epi16(ahi, bhi), w));
            acc3 = _mm256_add_epi32(acc3, _mm256_madd_epi16(_mm256_unpackhi_epi16(ahi, bhi), w));
        }
        // Unpacking works within 128-bit lanes: lo holds bytes 0-7 and 16-23, hi 8-15 and 24-31.
        const __m256i lo = _mm256_packs_epi32(_mm256_srai_epi32(acc0, kMidShift),
                                              _mm256_srai_epi32(acc1, kMidShift));
        const __m256i hi = _mm256_packs_epi32(_mm256_srai_epi32(acc2, kMidShift),
                                              _mm256_srai_epi32(acc3, kMidShift));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(mid + i),
                            _mm256_permute2x128_si256(lo, hi, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(mid + i + 16),
                            _mm256_permute2x128_si256(lo, hi, 0x31));
    }
    return i;
}

bool hasAvx2() {
    return ActivePixelPath() == PixelPath::Avx2;
}
#endif

// mid[i] = (sum over taps of rows[k][i] * w[k] + 2^6) >> 7, for bytes i in [0, bytes).
// rows has an even count (the padding row repeats the last one with a zero weight).
void verticalPass(const uchar* const* rows, const int32_t* pairs, int pairCount, int bytes,
                  int16_t* mid) {
    int i = 0;
#if defined(QM_HAVE_AVX2_PATH)
    if (hasAvx2())
        i = verticalPassAvx2(rows, pairs, pairCount, bytes, mid);
#endif
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i round = _mm_set1_epi32(1 << (kMidShift - 1));
    const int vectorEnd = ActivePixelPath() >= PixelPath::Sse2 ? bytes : 0;
    for (; i + 16 <= vectorEnd; i += 16) {
        __m128i acc0 = round, acc1 = round, acc2 = round, acc3 = round;
        for (int p = 0; p < pairCount; ++p) {
            const __m128i w = _mm_set1_epi32(pairs[p]);
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[2 * p] + i));
            const __m128i b =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[2 * p + 1] + i));
            const __m128i alo = _mm_unpacklo_epi8(a, zero);
            const __m128i blo = _mm_unpacklo_epi8(b, zero);
            const __m128i ahi = _mm_unpackhi_epi8(a, zero);
            const __m128i bhi = _mm_unpackhi_epi8(b, zero);
            acc0 = _mm_add_epi32(acc0, _mm_madd_epi16(_mm_unpacklo_epi16(alo, blo), w));
            acc1 = _mm_add_epi32(acc1, _mm_madd_epi16(_mm_unpackhi_epi16(alo, blo), w));
            acc2 = _mm_add_epi32(acc2, _mm_madd_epi16(_mm_unpacklo_epi16(ahi, bhi), w));
            acc3 = _mm_add_epi32(acc3, _mm_madd_epi16(_mm_unpackhi_epi16(ahi, bhi), w));
        }
        const __m128i lo =
            _mm_packs_epi32(_mm_srai_epi32(acc0, kMidShift), _mm_srai_epi32(acc1, kMidShift));
        const __m128i hi =
            _mm_packs_epi32(_mm_srai_epi32(acc2, kMidShift), _mm_srai_epi32(acc3, kMidShift));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(mid + i), lo);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(mid + i + 8), hi);
    }
#endif
    for (; i < bytes; ++i) {
        int32_t acc = 1 << (kMidShift - 1);
        for (int p = 0; p < pairCount; ++p)
            acc += rows[2 * p][i] * lowWeight(pairs[p]) + rows[2 * p + 1][i] * highWeight(pairs[p]);
        mid[i] = int16_t(acc >> kMidShift);
    }
}

inline uint32_t toChannel(int32_t acc) {
    return uint32_t(std::clamp(acc >> kOutShift, 0, 255));
}

// Destination pixels [from, to) of one row, written from out[0], from the vertically
// filtered row mid (4 values per source pixel from source column base, zero-padded).
#if defined(QM_HAVE_AVX2_PATH)
// Two destination pixels at a time over the full (zero-padded) stride of pairs; returns the
// first pixel it did not do.
__attribute__((target("avx2"))) int horizontalPassAvx2(const int16_t* mid, int base,
                                                       const PairedTaps& tx, int from, int to,
                                                       uint32_t alphaMask, uint32_t* out) {
    int x = from;
    for (; x + 1 < to; x += 2) {
        const int16_t* p0 = mid + size_t(tx.first[size_t(x)] - base) * 4;
        const int16_t* p1 = mid + size_t(tx.first[size_t(x) + 1] - base) * 4;
        const int32_t* w0 = tx.weights.data() + tx.offset[size_t(x)];
        const int32_t* w1 = tx.weights.data() + tx.offset[size_t(x) + 1];
        __m256i acc = _mm256_set1_epi32(1 << (kOutShift - 1));
        for (int p = 0; p < tx.stride; ++p) {
            const __m256i two = _mm256_inserti128_si256(
                _mm256_castsi128_si256(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(p0 + 8 * p))),
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(p1 + 8 * p)), 1);
            const __m256i w = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_set1_epi32(w0[p])),
                                                      _mm_set1_epi32(w1[p]), 1);
            const __m256i interleaved = _mm256_unpacklo_epi16(two, _mm256_unpackhi_epi64(two, two));
            acc = _mm256_add_epi32(acc, _mm256_madd_epi16(interleaved, w));
        }
        acc = _mm256_srai_epi32(acc, kOutShift);
        const __m256i words = _mm256_packs_epi32(acc, acc);
        const __m256i bytes = _mm256_packus_epi16(words, words);
        out[x - from] = uint32_t(_mm256_extract_epi32(bytes, 0)) | alphaMask;
        out[x + 1 - from] = uint32_t(_mm256_extract_epi32(bytes, 4)) | alphaMask;
    }
    return x;
}
#endif

void horizontalPass(const int16_t* mid, int base, const PairedTaps& tx, int from, int to,
                    uint32_t alphaMask, uint32_t* out) {
    int start = from;
#if defined(QM_HAVE_AVX2_PATH)
    if (hasAvx2())
        start = horizontalPassAvx2(mid, base, tx, from, to, alphaMask, out);
#endif
    [[maybe_unused]] const bool sse2 = ActivePixelPath() >= PixelPath::Sse2;
    for (int x = start; x < to; ++x) {
        const int16_t* px = mid + size_t(tx.first[size_t(x)] - base) * 4;
        const int32_t* w = tx.weights.data() + tx.offset[size_t(x)];
        const int pairs = tx.pairs[size_t(x)];
#if defined(__SSE2__)
        if (sse2) {
            __m128i acc = _mm_set1_epi32(1 << (kOutShift - 1));
            for (int p = 0; p < pairs; ++p) {
                const __m128i two = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px + 8 * p));
                const __m128i interleaved = _mm_unpacklo_epi16(two, _mm_unpackhi_epi64(two, two));
                acc = _mm_add_epi32(acc, _mm_madd_epi16(interleaved, _mm_set1_epi32(w[p])));
            }
            acc = _mm_srai_epi32(acc, kOutShift);
            const __m128i words = _mm_packs_epi32(acc, acc);
            const __m128i bytes = _mm_packus_epi16(words, words);
            out[x - from] = uint32_t(_mm_cvtsi128_si32(bytes)) | alphaMask;
            continue;
        }
#endif
        int32_t acc[4] = {};
        for (int c = 0; c < 4; ++c)
            acc[c] = 1 << (kOutShift - 1);
        for (int p = 0; p < pairs; ++p)
            for (int c = 0; c < 4; ++c)
                acc[c] += px[8 * p + c] * lowWeight(w[p]) + px[8 * p + 4 + c] * highWeight(w[p]);
        uint8_t bytes[4];
        for (int c = 0; c < 4; ++c)
            bytes[c] = uint8_t(toChannel(acc[c]));
        uint32_t value;
        std::memcpy(&value, bytes, 4);
        out[x - from] = value | alphaMask;
    }
}

} // namespace

void ResampleInto(const QImage& sourceImage, QImage& target, const QRect& dest) {
    if (sourceImage.isNull() || dest.isEmpty() || target.isNull())
        return;
    const QRect visible = dest & target.rect();
    if (visible.isEmpty())
        return;
    const bool direct = sourceImage.format() == QImage::Format_RGB32 ||
                        sourceImage.format() == QImage::Format_ARGB32;
    const QImage source = direct ? sourceImage : sourceImage.convertToFormat(QImage::Format_ARGB32);
    const uint32_t alphaMask = source.format() == QImage::Format_RGB32 ? 0xff000000u : 0u;

    const Taps ty = MakeTaps(source.height(), dest.height());
    const PairedTaps tx = pairUp(MakeTaps(source.width(), dest.width()));
    const PairedTaps py = pairUp(ty);

    // Only the source columns that the visible destination columns read.
    const int fromX = visible.left() - dest.left();
    const int toX = visible.right() - dest.left() + 1;
    const int base = tx.first[size_t(fromX)];
    int last = base;
    for (int x = fromX; x < toX; ++x)
        last = std::max(last, tx.first[size_t(x)] + 2 * tx.stride - 1);
    const int columns = std::min(last, source.width() - 1) - base + 1;
    // Room for the zero-weight padding pixel that a pair may read past the last column.
    std::vector<int16_t> mid(size_t(last - base + 2) * 4, 0);
    std::vector<const uchar*> rows;

    for (int y = visible.top(); y <= visible.bottom(); ++y) {
        const size_t d = size_t(y - dest.top());
        const int count = ty.count[d];
        rows.clear();
        for (int k = 0; k < count; ++k)
            rows.push_back(source.constScanLine(ty.first[d] + k) + size_t(base) * 4);
        if (count % 2)
            rows.push_back(rows.back());
        verticalPass(rows.data(), py.weights.data() + py.offset[d], py.pairs[d], columns * 4,
                     mid.data());
        auto* out = reinterpret_cast<uint32_t*>(target.scanLine(y)) + visible.left();
        horizontalPass(mid.data(), base, tx, fromX, toX, alphaMask, out);
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
