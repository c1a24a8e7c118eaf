#include "picture/U_Picture.h"

#include "picture/U_PictureBuffer.h"
#include "picture/U_PixelPath.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QM_HAVE_AVX2_PATH 1
#endif

namespace {

inline unsigned sepiaChannel(double v) {
    return unsigned(std::min(255.0, std::nearbyint(v)));
}

// Sepia in integers: a channel is S / 1000 with S = 393 R + 769 G + 189 B (and so on),
// which the double computation rounds the same way unless S / 1000 lies exactly halfway
// between two integers; there its own rounding error decides, so those pixels take the
// double path. Every one of the 2^24 colours gives the same result both ways.
inline bool sepiaIntegers(QRgb p, QRgb& out) {
    const unsigned r = qRed(p), g = qGreen(p), b = qBlue(p);
    const unsigned sr = 393 * r + 769 * g + 189 * b + 500;
    const unsigned sg = 349 * r + 686 * g + 168 * b + 500;
    const unsigned sb = 272 * r + 534 * g + 131 * b + 500;
    if (sr % 1000 == 0 || sg % 1000 == 0 || sb % 1000 == 0)
        return false;
    out = 0xff000000u | (std::min(255u, sr / 1000) << 16) | (std::min(255u, sg / 1000) << 8) |
          std::min(255u, sb / 1000);
    return true;
}

void sepiaRowPlain(const QRgb* in, QRgb* out, int n) {
    for (int i = 0; i < n; ++i) {
        const QRgb p = in[i];
        if (!sepiaIntegers(p, out[i]))
            out[i] = SepiaPixel(p);
    }
}

#if defined(QM_HAVE_AVX2_PATH)
// Eight pixels at a time. The integer sums come from 16-bit multiply-adds; S / 1000 is
// taken in single precision, exact here since S < 2^19 is never closer than 0.001 to the
// next integer except in the halfway case, which is detected and redone in double.
__attribute__((target("avx2"))) inline __m256i sepiaChannel8(__m256i rg, __m256i b, __m256i krg,
                                                             __m256i kb, __m256i& halfway) {
    const __m256i s =
        _mm256_add_epi32(_mm256_add_epi32(_mm256_madd_epi16(rg, krg), _mm256_madd_epi16(b, kb)),
                         _mm256_set1_epi32(500));
    const __m256i q =
        _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(s), _mm256_set1_ps(0.001f)));
    halfway = _mm256_or_si256(halfway,
                              _mm256_cmpeq_epi32(_mm256_madd_epi16(q, _mm256_set1_epi32(1000)), s));
    return _mm256_min_epi16(q, _mm256_set1_epi32(255));
}

__attribute__((target("avx2"))) void sepiaRowAvx2(const QRgb* in, QRgb* out, int n) {
    const __m256i low = _mm256_set1_epi32(0xff);
    const __m256i third = _mm256_set1_epi32(0xff0000);
    const __m256i opaque = _mm256_set1_epi32(int(0xff000000u));
    // Red and green weights as one 16-bit pair per lane, blue alone.
    const __m256i kr = _mm256_set1_epi32(393 | 769 << 16), kr2 = _mm256_set1_epi32(189);
    const __m256i kg = _mm256_set1_epi32(349 | 686 << 16), kg2 = _mm256_set1_epi32(168);
    const __m256i kb = _mm256_set1_epi32(272 | 534 << 16), kb2 = _mm256_set1_epi32(131);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
        const __m256i rg = _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi32(p, 16), low),
                                           _mm256_and_si256(_mm256_slli_epi32(p, 8), third));
        const __m256i b = _mm256_and_si256(p, low);
        __m256i halfway = _mm256_setzero_si256();
        const __m256i R = sepiaChannel8(rg, b, kr, kr2, halfway);
        const __m256i G = sepiaChannel8(rg, b, kg, kg2, halfway);
        const __m256i B = sepiaChannel8(rg, b, kb, kb2, halfway);
        const __m256i result =
            _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(R, 16), _mm256_slli_epi32(G, 8)),
                            _mm256_or_si256(B, opaque));
        if (_mm256_movemask_epi8(halfway) != 0) {
            alignas(32) QRgb source[8];
            alignas(32) int32_t redo[8];
            _mm256_store_si256(reinterpret_cast<__m256i*>(source), p);
            _mm256_store_si256(reinterpret_cast<__m256i*>(redo), halfway);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), result);
            for (int k = 0; k < 8; ++k)
                if (redo[k] != 0)
                    out[i + k] = SepiaPixel(source[k]);
        } else {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), result);
        }
    }
    sepiaRowPlain(in + i, out + i, n - i);
}
#endif

template <typename Row> QImage eachRow(QImage picture, Row row) {
    if (picture.format() != QImage::Format_RGB32 && picture.format() != QImage::Format_ARGB32)
        picture = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        row(line, line, picture.width());
    }
    return picture;
}

} // namespace

QRgb SepiaPixel(QRgb p) {
    const double r = qRed(p), g = qGreen(p), b = qBlue(p);
    return 0xff000000u | (sepiaChannel(0.393 * r + 0.769 * g + 0.189 * b) << 16) |
           (sepiaChannel(0.349 * r + 0.686 * g + 0.168 * b) << 8) |
           sepiaChannel(0.272 * r + 0.534 * g + 0.131 * b);
}

void GreyRow(const QRgb* in, QRgb* out, int n) {
    // Four pixels per step in the compiler's vector type; the arithmetic is GreyPixel's.
    using v4u = uint32_t __attribute__((vector_size(16)));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        v4u p;
        std::memcpy(&p, in + i, sizeof p);
        const v4u level =
            (((p >> 16) & 0xff) * 61u + ((p >> 8) & 0xff) * 174u + (p & 0xff) * 21u) >> 8;
        const v4u result = level * 0x010101u | 0xff000000u;
        std::memcpy(out + i, &result, sizeof result);
    }
    for (; i < n; ++i)
        out[i] = GreyPixel(in[i]);
}

void SepiaRow(const QRgb* in, QRgb* out, int n) {
#if defined(QM_HAVE_AVX2_PATH)
    if (ActivePixelPath() == PixelPath::Avx2) {
        sepiaRowAvx2(in, out, n);
        return;
    }
#endif
    sepiaRowPlain(in, out, n);
}

QImage Greyscale(QImage picture) {
    return eachRow(std::move(picture), GreyRow);
}

QImage Sepia(QImage picture) {
    return eachRow(std::move(picture), SepiaRow);
}

QImage Rotated90Clockwise(const QImage& picture) {
    if (picture.isNull())
        return {};
    const QImage source =
        (picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32)
            ? picture
            : picture.convertToFormat(QImage::Format_ARGB32);
    const int w = source.width();
    const int h = source.height();
    QImage turned = NewPicture(h, w, source.format());
    const auto* from = reinterpret_cast<const QRgb*>(source.constBits());
    const qsizetype fromStride = source.bytesPerLine() / 4;
    auto* to = reinterpret_cast<QRgb*>(turned.bits());
    const qsizetype toStride = turned.bytesPerLine() / 4;
    auto one = [&](int x, int y) { to[x * toStride + (h - 1 - y)] = from[y * fromStride + x]; };
    // Square tiles, so that both the rows read and the columns written stay in the cache;
    // inside them 4 x 4 blocks, transposed in registers.
    constexpr int kTile = 128;
    for (int y0 = 0; y0 < h; y0 += kTile) {
        const int y1 = std::min(h, y0 + kTile);
        for (int x0 = 0; x0 < w; x0 += kTile) {
            const int x1 = std::min(w, x0 + kTile);
            int y = y0;
#if defined(__SSE2__)
            const int blocksEnd = ActivePixelPath() >= PixelPath::Sse2 ? y1 : y0;
            for (; y + 4 <= blocksEnd; y += 4) {
                // Rows taken bottom-up, so that each transposed row is already in the order
                // of the new columns (h - 1 - y falls as y rises).
                const QRgb* r0 = from + (y + 3) * fromStride;
                const QRgb* r1 = from + (y + 2) * fromStride;
                const QRgb* r2 = from + (y + 1) * fromStride;
                const QRgb* r3 = from + y * fromStride;
                QRgb* column = to + (h - 4 - y);
                int x = x0;
                for (; x + 4 <= x1; x += 4) {
                    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + x));
                    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + x));
                    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r2 + x));
                    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r3 + x));
                    const __m128i ab0 = _mm_unpacklo_epi32(a, b), cd0 = _mm_unpacklo_epi32(c, d);
                    const __m128i ab1 = _mm_unpackhi_epi32(a, b), cd1 = _mm_unpackhi_epi32(c, d);
                    auto* out = reinterpret_cast<__m128i*>(column + x * toStride);
                    _mm_storeu_si128(out, _mm_unpacklo_epi64(ab0, cd0));
                    out = reinterpret_cast<__m128i*>(column + (x + 1) * toStride);
                    _mm_storeu_si128(out, _mm_unpackhi_epi64(ab0, cd0));
                    out = reinterpret_cast<__m128i*>(column + (x + 2) * toStride);
                    _mm_storeu_si128(out, _mm_unpacklo_epi64(ab1, cd1));
                    out = reinterpret_cast<__m128i*>(column + (x + 3) * toStride);
                    _mm_storeu_si128(out, _mm_unpackhi_epi64(ab1, cd1));
                }
                for (; x < x1; ++x)
                    for (int k = 0; k < 4; ++k)
                        one(x, y + k);
            }
#endif
            for (; y < y1; ++y)
                for (int x = x0; x < x1; ++x)
                    one(x, y);
        }
    }
    return turned;
}

bool AspectDiffers(double actual, double target) {
    // A difference of exactly 10 % passes, also when the division lands a hair above 0.1
    // (1.1 / 1.0 gives 0.10000000000000009).
    return std::abs(actual - target) / target > 0.1 + 1e-12;
}

void BlendLayer(QImage& target, const QImage& layer, const QPoint& at, int masterAlpha) {
    const QRect area = QRect(at, layer.size()) & target.rect();
    if (area.isEmpty() || masterAlpha <= 0)
        return;
    const QImage source =
        layer.format() == QImage::Format_RGB32 || layer.format() == QImage::Format_ARGB32
            ? layer
            : layer.convertToFormat(QImage::Format_ARGB32);
    const unsigned master = unsigned(std::min(masterAlpha, 255));
    auto mix = [](unsigned below, unsigned above, unsigned a) {
        return (below * (255 - a) + above * a + 127) / 255;
    };
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(target.scanLine(y));
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y - at.y()));
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb m = in[x - at.x()];
            const QRgb p = out[x];
            const unsigned a = (master * unsigned(qAlpha(m)) + 127) / 255;
            out[x] = qRgba(int(mix(qRed(p), qRed(m), a)), int(mix(qGreen(p), qGreen(m), a)),
                           int(mix(qBlue(p), qBlue(m), a)), qAlpha(p));
        }
    }
}

bool IsJpegName(const QString& path) {
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype separator =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    if (dot < 0 || dot < separator)
        return false;
    const QString extension = path.mid(dot);
    return extension.compare(QLatin1String(".jpg"), Qt::CaseInsensitive) == 0 ||
           extension.compare(QLatin1String(".jpeg"), Qt::CaseInsensitive) == 0;
}
