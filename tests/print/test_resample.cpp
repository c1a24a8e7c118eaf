// The linear resampler against a plain reference implementation of the same arithmetic.
#include "U_Resample.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// Tent weights: reach max(1, source/dest), centred on (d + 0.5) * source/dest - 0.5, in
// units of 2^-14, the rounding error put on the largest weight.
std::vector<std::pair<int, int>> referenceWeights(int source, int dest, int d) {
    const double scale = double(dest) / source;
    const double reach = std::max(1.0, 1.0 / scale);
    const double centre = (d + 0.5) / scale - 0.5;
    std::vector<std::pair<int, double>> raw;
    double sum = 0;
    for (int s = 0; s < source; ++s) {
        const double w = 1.0 - std::abs(s - centre) / reach;
        if (w > 0 || (std::abs(s - centre) < reach)) {
            raw.emplace_back(s, std::max(0.0, w));
            sum += std::max(0.0, w);
        }
    }
    if (raw.empty() || sum <= 0) // beyond the edge: the nearest edge pixel
        return {{std::clamp(int(std::lround(centre)), 0, source - 1), 1 << 14}};
    std::vector<std::pair<int, int>> result;
    int total = 0;
    size_t largest = 0;
    for (size_t i = 0; i < raw.size(); ++i) {
        const int q = int(std::lround(raw[i].second / sum * (1 << 14)));
        result.emplace_back(raw[i].first, q);
        total += q;
        if (raw[i].second > raw[largest].second)
            largest = i;
    }
    result[largest].second += (1 << 14) - total;
    return result;
}

// Vertical pass with 7 fraction bits kept, then horizontal, channel by channel.
QImage reference(const QImage& source, const QSize& size) {
    QImage out(size, source.format());
    const bool opaque = source.format() == QImage::Format_RGB32;
    std::vector<int> mid(size_t(source.width()) * 4);
    for (int y = 0; y < size.height(); ++y) {
        const auto wy = referenceWeights(source.height(), size.height(), y);
        for (int x = 0; x < source.width(); ++x)
            for (int c = 0; c < 4; ++c) {
                int acc = 64;
                for (const auto& [row, w] : wy)
                    acc += int((source.pixel(x, row) >> (8 * c)) & 0xff) * w;
                mid[size_t(x) * 4 + size_t(c)] = acc >> 7;
            }
        for (int x = 0; x < size.width(); ++x) {
            const auto wx = referenceWeights(source.width(), size.width(), x);
            uint32_t value = 0;
            for (int c = 0; c < 4; ++c) {
                int acc = 1 << 20;
                for (const auto& [column, w] : wx)
                    acc += mid[size_t(column) * 4 + size_t(c)] * w;
                value |= uint32_t(std::clamp(acc >> 21, 0, 255)) << (8 * c);
            }
            out.setPixel(x, y, opaque ? (value | 0xff000000u) : value);
        }
    }
    return out;
}

QImage noise(int width, int height, QImage::Format format, quint32 seed) {
    QImage image(width, height, format);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, random.generate());
    return image;
}

struct SizeCase {
    QSize source;
    QSize dest;
};
class ResampleMatchesReference : public ::testing::TestWithParam<SizeCase> {};

TEST_P(ResampleMatchesReference, BitForBit) {
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32}) {
        const QImage source =
            noise(GetParam().source.width(), GetParam().source.height(), format, 7);
        const QImage ours = Resampled(source, GetParam().dest);
        ASSERT_EQ(ours.size(), GetParam().dest);
        EXPECT_EQ(ours, reference(source, GetParam().dest)) << "format " << format;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ResampleMatchesReference,
                         ::testing::Values(SizeCase{{60, 40}, {60, 40}}, // same size
                                           SizeCase{{60, 40}, {20, 13}}, // reduce
                                           SizeCase{{61, 47}, {7, 5}},   // strong reduction
                                           SizeCase{{13, 9}, {50, 37}},  // enlarge
                                           SizeCase{{40, 30}, {90, 11}}, // mixed
                                           SizeCase{{1, 1}, {5, 3}},     // single pixel
                                           SizeCase{{97, 3}, {4, 29}},   // odd shapes
                                           SizeCase{{300, 200}, {41, 53}}));

TEST(Resample, ReductionAveragesInsteadOfSkipping) {
    // Alternating black and white columns reduced to half: every pixel comes out grey,
    // where skipping pixels would give all black or all white.
    QImage stripes(200, 10, QImage::Format_RGB32);
    for (int x = 0; x < 200; ++x)
        for (int y = 0; y < 10; ++y)
            stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    const QImage half = Resampled(stripes, QSize(100, 10));
    for (int x = 1; x < 99; ++x)
        EXPECT_NEAR(qRed(half.pixel(x, 5)), 128, 2) << x;
    // To a third the reach is three source pixels: still an average.
    const QImage third = Resampled(stripes, QSize(66, 10));
    for (int x = 1; x < 65; ++x)
        EXPECT_NEAR(qGreen(third.pixel(x, 5)), 128, 30) << x;
}

TEST(Resample, EnlargingIsBilinear) {
    QImage two(2, 1, QImage::Format_RGB32);
    two.setPixel(0, 0, qRgb(0, 0, 0));
    two.setPixel(1, 0, qRgb(200, 100, 40));
    const QImage wide = Resampled(two, QSize(8, 1));
    // Centres at (d + 0.5) / 4 - 0.5: the ends take the edge pixel, linear in between.
    EXPECT_EQ(wide.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(qRed(wide.pixel(3, 0)), 75);  // 0.375 of the way
    EXPECT_EQ(qRed(wide.pixel(4, 0)), 125); // 0.625 of the way
    EXPECT_EQ(wide.pixel(7, 0), qRgb(200, 100, 40));
}

TEST(Resample, DrawsOnlyTheVisiblePartOfTheDestination) {
    const QImage source = noise(30, 20, QImage::Format_RGB32, 3);
    const QImage whole = Resampled(source, QSize(16, 12));
    QImage target(10, 8, QImage::Format_RGB32);
    target.fill(Qt::white);
    ResampleInto(source, target, QRect(-4, -2, 16, 12));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(target.pixel(x, y), whole.pixel(x + 4, y + 2)) << x << "," << y;

    target.fill(Qt::white);
    ResampleInto(source, target, QRect(5, 5, 16, 12));
    EXPECT_EQ(target.pixel(4, 4), qRgb(255, 255, 255));
    EXPECT_EQ(target.pixel(9, 7), whole.pixel(4, 2));
}

} // namespace
