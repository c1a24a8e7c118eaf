// The shared resampler against a plain floating-point tent filter, on every pixel path: each
// must keep channels apart, use every tap and average when reducing.
#include "tests/common/PixelPaths.h"
#include "picture/U_Resample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

// Per axis: reach max(1, source / destination), centre (d + 0.5) × source / destination
// − 0.5, weights 1 − distance / reach over the source pixels inside the picture.
std::vector<std::vector<std::pair<int, double>>> tent(int source, int destination) {
    std::vector<std::vector<std::pair<int, double>>> result(static_cast<size_t>(destination));
    const double scale = double(destination) / source;
    const double reach = std::max(1.0, 1.0 / scale);
    for (int d = 0; d < destination; ++d) {
        const double centre = (d + 0.5) / scale - 0.5;
        double sum = 0;
        for (int s = 0; s < source; ++s) {
            const double w = 1.0 - std::abs(s - centre) / reach;
            if (w > 0) {
                result[size_t(d)].push_back({s, w});
                sum += w;
            }
        }
        if (sum == 0)
            result[size_t(d)] = {{std::clamp(int(std::lround(centre)), 0, source - 1), 1.0}};
        else
            for (auto& tap : result[size_t(d)])
                tap.second /= sum;
    }
    return result;
}

QImage reference(const QImage& source, QSize size) {
    const auto tx = tent(source.width(), size.width());
    const auto ty = tent(source.height(), size.height());
    QImage result(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            double c[4] = {0, 0, 0, 0};
            for (const auto& [sy, wy] : ty[size_t(y)])
                for (const auto& [sx, wx] : tx[size_t(x)]) {
                    const QRgb p = source.pixel(sx, sy);
                    c[0] += wx * wy * qRed(p);
                    c[1] += wx * wy * qGreen(p);
                    c[2] += wx * wy * qBlue(p);
                    c[3] += wx * wy * qAlpha(p);
                }
            result.setPixel(x, y,
                            qRgba(int(std::lround(c[0])), int(std::lround(c[1])),
                                  int(std::lround(c[2])), int(std::lround(c[3]))));
        }
    return result;
}

int worstDifference(const QImage& a, const QImage& b) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return worst;
}

// Random colours, then the hard values: full channels (the largest sums), empty ones, and
// the sharpest edges, in every channel and in alpha.
QImage sample(QSize size, QImage::Format format, int kind, std::mt19937& random) {
    QImage source(size, format);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            QRgb p = random();
            if (kind == 1)
                p = (x + y) % 2 ? 0xffffffffu : 0x00000000u;
            else if (kind == 2)
                p = x % 3 == 0 ? qRgba(255, 0, 255, 0) : qRgba(0, 255, 0, 255);
            source.setPixel(x, y, p);
        }
    return source;
}

class ResamplerPath : public OnEveryPixelPath {};

TEST_P(ResamplerPath, MatchesAFloatingPointTentFilter) {
    std::mt19937 random(11);
    // Enlarging, reducing by small and large factors (a tenth both ways: on the checkerboard,
    // averaging gives grey where skipping would give black or white), odd and even tap counts,
    // one pixel, rows shorter and longer than the vector widths.
    const QSize cases[][2] = {
        {{7, 5}, {20, 13}},   {{40, 30}, {13, 11}}, {{97, 61}, {10, 9}},  {{300, 20}, {7, 20}},
        {{1, 1}, {5, 3}},     {{64, 64}, {1, 1}},   {{33, 17}, {33, 17}}, {{250, 180}, {151, 194}},
        {{40, 30}, {90, 11}}, {{97, 3}, {4, 29}},   {{3, 2}, {37, 5}},    {{300, 300}, {30, 30}}};
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32})
        for (int kind = 0; kind < 3; ++kind)
            for (const auto& c : cases) {
                const QImage source = sample(c[0], format, kind, random);
                const QImage ours = Resampled(source, c[1]);
                ASSERT_EQ(ours.size(), c[1]);
                const QImage expected =
                    reference(source, c[1]).convertToFormat(QImage::Format_ARGB32);
                EXPECT_LE(worstDifference(ours.convertToFormat(QImage::Format_ARGB32), expected), 1)
                    << c[0].width() << "x" << c[0].height() << " -> " << c[1].width() << "x"
                    << c[1].height() << " format " << format << " kind " << kind;
            }
}

TEST_P(ResamplerPath, EnlargingIsBilinear) {
    QImage two(2, 1, QImage::Format_RGB32);
    two.setPixel(0, 0, qRgb(0, 0, 0));
    two.setPixel(1, 0, qRgb(200, 80, 40));
    const QImage wide = Resampled(two, QSize(8, 1));
    // Centres at (d + 0.5) / 4 - 0.5: the ends take the edge pixel, linear in between.
    EXPECT_EQ(wide.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(wide.pixel(3, 0), qRgb(75, 30, 15));  // 0.375 of the way
    EXPECT_EQ(wide.pixel(4, 0), qRgb(125, 50, 25)); // 0.625 of the way
    EXPECT_EQ(wide.pixel(7, 0), qRgb(200, 80, 40));
}

QM_ON_EVERY_PIXEL_PATH(ResamplerPath);

// The paths compute the same fixed-point sums in a different order: within the model's
// tolerance each, and bit for bit the same as one another.
TEST(Resampler, EveryPathGivesTheSamePixels) {
    std::mt19937 random(5);
    const QImage source = sample(QSize(203, 77), QImage::Format_ARGB32, 0, random);
    std::vector<QImage> results;
    for (PixelPath path : {PixelPath::Scalar, PixelPath::Sse2, PixelPath::Avx2})
        if (ForcePixelPath(path) == path)
            for (const QSize size : {QSize(61, 45), QSize(419, 130), QSize(203, 77)})
                results.push_back(Resampled(source, size));
    ResetPixelPath();
    const size_t perPath = 3;
    for (size_t i = perPath; i < results.size(); ++i)
        EXPECT_TRUE(results[i] == results[i % perPath])
            << "path " << i / perPath << " size " << i % perPath;
}

TEST(Resampler, DrawsOnlyTheVisiblePartOfTheDestination) {
    std::mt19937 random(3);
    const QImage source = sample(QSize(30, 20), QImage::Format_RGB32, 0, random);
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
