// The pixel functions and whole-picture passes: exact values, mappings, shapes.
#include "tests/common/JpegSamples.h"
#include "tests/common/PixelPaths.h"
#include "picture/U_Picture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct ColourCase {
    const char* name;
    QRgb in;
    QRgb grey;
    QRgb sepia;
};

class PixelValues : public ::testing::TestWithParam<ColourCase> {};

TEST_P(PixelValues, GreyAndSepia) {
    const ColourCase& c = GetParam();
    EXPECT_EQ(GreyPixel(c.in), c.grey) << c.name;
    EXPECT_EQ(SepiaPixel(c.in), c.sepia) << c.name;
}

// Sepia values by hand: red = 0.393 R + 0.769 G + 0.189 B (and so on), halves to even,
// capped; grey = (61 R + 174 G + 21 B) >> 8.
INSTANTIATE_TEST_SUITE_P(
    Colours, PixelValues,
    ::testing::Values(
        ColourCase{"white", qRgb(255, 255, 255), qRgb(255, 255, 255), qRgb(255, 255, 239)},
        ColourCase{"black", qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(0, 0, 0)},
        ColourCase{"red", qRgb(255, 0, 0), qRgb(60, 60, 60), qRgb(100, 89, 69)},
        ColourCase{"green", qRgb(0, 255, 0), qRgb(173, 173, 173), qRgb(196, 175, 136)},
        ColourCase{"blue", qRgb(0, 0, 255), qRgb(20, 20, 20), qRgb(48, 43, 33)},
        ColourCase{"transparent red keeps no alpha", qRgba(255, 0, 0, 0), qRgb(60, 60, 60),
                   qRgb(100, 89, 69)},
        ColourCase{"mid", qRgb(100, 50, 0), qRgb(57, 57, 57), qRgb(78, 69, 54)},
        // Red is 94.5 exactly in double: the half goes to the even 94.
        ColourCase{"half to even", qRgb(35, 105, 0), qRgb(79, 79, 79), qRgb(94, 84, 66)},
        // Red is 40.5 on paper but 40.50000000000001 in double: 41.
        ColourCase{"double decides", qRgb(15, 45, 0), qRgb(34, 34, 34), qRgb(41, 36, 28)}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& ch : name)
            if (!isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

// The row passes take shortcuts (vector lanes, integer sepia with a double fallback at the
// halfway points); on every path and over every colour they must give exactly the per-pixel
// functions, whose values are checked by hand above.
class PixelPathRows : public OnEveryPixelPath {};

TEST_P(PixelPathRows, EveryColourMatchesThePixelFunctions) {
    std::vector<QRgb> all(size_t(1) << 24);
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = 0xff000000u | QRgb(i);
    std::vector<QRgb> grey(all.size()), sepia(all.size());
    GreyRow(all.data(), grey.data(), int(all.size()));
    SepiaRow(all.data(), sepia.data(), int(all.size()));
    size_t greyWrong = 0, sepiaWrong = 0;
    for (size_t i = 0; i < all.size(); ++i) {
        greyWrong += grey[i] != GreyPixel(all[i]);
        sepiaWrong += sepia[i] != SepiaPixel(all[i]);
    }
    EXPECT_EQ(greyWrong, 0u);
    EXPECT_EQ(sepiaWrong, 0u);
}

TEST_P(PixelPathRows, InPlaceAndOddLengths) {
    for (int n : {0, 1, 7, 8, 9, 33}) {
        std::vector<QRgb> row(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            row[size_t(i)] = qRgb(i * 37 % 256, i * 91 % 256, i * 13 % 256);
        std::vector<QRgb> expected(row.size());
        for (size_t i = 0; i < row.size(); ++i)
            expected[i] = SepiaPixel(row[i]);
        SepiaRow(row.data(), row.data(), n);
        EXPECT_EQ(row, expected) << n;
    }
}

TEST_P(PixelPathRows, RotationMapsEveryPixelClockwise) {
    // Smaller than a vector block, within one cache tile, and larger than one and not a
    // multiple of it, either way up.
    for (const QSize size :
         {QSize(7, 4), QSize(3, 2), QSize(101, 67), QSize(133, 130), QSize(600, 800)}) {
        const QImage source = Numbered(size.width(), size.height());
        const QImage turned = Rotated90Clockwise(source);
        ASSERT_EQ(turned.size(), size.transposed());
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                ASSERT_EQ(turned.pixel(source.height() - 1 - y, x), source.pixel(x, y))
                    << x << "," << y;
        // The top-left corner goes to the top-right corner.
        EXPECT_EQ(turned.pixel(size.height() - 1, 0), source.pixel(0, 0));
    }
}

QM_ON_EVERY_PIXEL_PATH(PixelPathRows);

TEST(PicturePasses, KeepSizeAndFormatAndMakeOpaque) {
    QImage argb(5, 3, QImage::Format_ARGB32);
    argb.fill(qRgba(10, 200, 30, 100));
    const QImage grey = Greyscale(argb);
    EXPECT_EQ(grey.size(), argb.size());
    EXPECT_EQ(grey.format(), QImage::Format_ARGB32);
    EXPECT_EQ(grey.pixel(4, 2), GreyPixel(qRgba(10, 200, 30, 100)));
    EXPECT_EQ(argb.pixel(0, 0), qRgba(10, 200, 30, 100)) << "the argument was a copy";

    QImage indexed = Quadrants(8, 6).convertToFormat(QImage::Format_Indexed8);
    const QImage sepia = Sepia(indexed);
    EXPECT_EQ(sepia.format(), QImage::Format_RGB32);
    EXPECT_EQ(sepia.pixel(7, 5), SepiaPixel(indexed.pixel(7, 5)));
}

TEST(Rotation, KeepsAlpha) {
    QImage argb(3, 2, QImage::Format_ARGB32);
    argb.fill(qRgba(1, 2, 3, 4));
    const QImage turned = Rotated90Clockwise(argb);
    EXPECT_EQ(turned.format(), QImage::Format_ARGB32);
    EXPECT_EQ(turned.pixel(1, 2), qRgba(1, 2, 3, 4));
    EXPECT_TRUE(Rotated90Clockwise(QImage()).isNull());
}

struct AspectCase {
    int width, height, formatW, formatH;
    bool warns;
};

class Aspect : public ::testing::TestWithParam<AspectCase> {};

TEST_P(Aspect, TenPercentRule) {
    const AspectCase& c = GetParam();
    EXPECT_EQ(AspectDiffers(double(c.width) / c.height, double(c.formatW) / c.formatH), c.warns);
}

INSTANTIATE_TEST_SUITE_P(Cases, Aspect,
                         ::testing::Values(AspectCase{600, 800, 35, 45, false}, // 3.6 %
                                           AspectCase{800, 600, 35, 45, true},
                                           AspectCase{1100, 1000, 50, 50, false}, // exactly 10 %
                                           AspectCase{900, 1000, 50, 50, false},  // exactly 10 %
                                           AspectCase{1101, 1000, 50, 50, true},
                                           AspectCase{899, 1000, 50, 50, true}));

TEST(Blend, MixesWithMasterAlphaAndCutsOff) {
    QImage target(4, 4, QImage::Format_RGB32);
    target.fill(qRgb(0, 100, 255));
    QImage layer(3, 3, QImage::Format_RGB32);
    layer.fill(qRgb(255, 255, 255));
    BlendLayer(target, layer, QPoint(2, 2), 120);
    // 0 × 135 / 255 + 255 × 120 / 255 = 120; 100 × 135 / 255 + 120 = 172.9 → 173;
    // 255 stays 255.
    EXPECT_EQ(target.pixel(2, 2), qRgb(120, 173, 255));
    EXPECT_EQ(target.pixel(3, 3), qRgb(120, 173, 255));
    EXPECT_EQ(target.pixel(1, 1), qRgb(0, 100, 255));
    EXPECT_EQ(target.pixel(1, 3), qRgb(0, 100, 255));
}

struct NameCase {
    const char* path;
    bool jpeg;
};

class JpegNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(JpegNames, ExtensionFromTheLastDot) {
    EXPECT_EQ(IsJpegName(QString::fromUtf8(GetParam().path)), GetParam().jpeg) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JpegNames,
    ::testing::Values(NameCase{"/tmp/a.jpg", true}, NameCase{"/tmp/a.JPEG", true},
                      NameCase{"/tmp/a.JpG", true}, NameCase{"C:\\Photos\\b.jpeg", true},
                      NameCase{"/tmp/a.png", false}, NameCase{"/tmp/a.jpg.png", false},
                      NameCase{"/tmp/a.jpgx", false}, NameCase{"/tmp/jpg", false},
                      NameCase{"/tmp/x.jpg/file", false}, NameCase{"/tmp/été ü.jpg", true}));

} // namespace
