// The picture display on its own: scale modes, anchoring, the face colour, the mask layer.
#include "tests/common/JpegSamples.h"
#include "picture/U_Picture.h"
#include "app/U_PictureView.h"
#include "picture/U_Resample.h"

#include <gtest/gtest.h>

namespace {

class View : public ::testing::Test {
protected:
    void SetUp() override { view.resize(151, 194); }
    QRgb face() const { return view.palette().color(QPalette::Window).rgb(); }
    TPictureView view;
};

TEST_F(View, StretchFillsTheDisplayWithTheSharedResampler) {
    const QImage picture = Quadrants(600, 800);
    view.setPicture(picture);
    view.setStretch(true);
    const QImage shown = view.displayed();
    ASSERT_EQ(shown.size(), QSize(151, 194));
    EXPECT_EQ(view.pictureRect(), QRect(0, 0, 151, 194));
    EXPECT_EQ(shown.pixel(0, 0), picture.pixel(0, 0));
    EXPECT_EQ(shown.pixel(150, 193), picture.pixel(599, 799));
    EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32),
              Resampled(picture, QSize(151, 194)).convertToFormat(QImage::Format_RGB32));
}

TEST_F(View, ResizeFitsFromTheTopLeftOnTheFaceColour) {
    view.setPicture(Quadrants(800, 600)); // wider than the display's proportions
    view.setStretch(false);
    const QImage shown = view.displayed();
    EXPECT_EQ(view.pictureRect(), QRect(0, 0, 151, 113));
    EXPECT_EQ(shown.pixel(0, 0), Quadrants(800, 600).pixel(0, 0));
    EXPECT_EQ(shown.pixel(75, 113), face());
    EXPECT_EQ(shown.pixel(150, 193), face());

    view.setPicture(Quadrants(600, 800)); // taller
    EXPECT_EQ(view.pictureRect(), QRect(0, 0, 146, 194));
    EXPECT_EQ(view.displayed().pixel(146, 0), face());
    EXPECT_NE(view.displayed().pixel(145, 0), face());
}

TEST_F(View, ScalesOncePerChangeNotPerRepaint) {
    view.setPicture(Quadrants(300, 400));
    view.setStretch(true);
    const qint64 first = view.displayed().cacheKey();
    view.repaint();
    view.repaint();
    EXPECT_EQ(view.displayed().cacheKey(), first);
    view.setStretch(true); // no change
    EXPECT_EQ(view.displayed().cacheKey(), first);
    view.setStretch(false);
    EXPECT_NE(view.displayed().cacheKey(), first);
    const qint64 resized = view.displayed().cacheKey();
    view.resize(151, 201);
    EXPECT_NE(view.displayed().cacheKey(), resized);
    EXPECT_EQ(view.displayed().height(), 201);
}

TEST_F(View, MaskBlendsOnTheDisplayOnly) {
    QImage picture(151, 194, QImage::Format_RGB32);
    picture.fill(qRgb(0, 100, 255));
    view.setPicture(picture);
    view.setStretch(true);
    QImage white(156, 205, QImage::Format_RGB32);
    white.fill(Qt::white);
    view.setMaskLayer(white, QRect(0, 0, 151, 201), 120);
    EXPECT_EQ(view.displayed().pixel(10, 10), qRgb(0, 100, 255)) << "hidden until shown";
    view.setMaskVisible(true);
    EXPECT_EQ(view.displayed().pixel(10, 10), qRgb(120, 173, 255));
    EXPECT_EQ(view.displayed().pixel(150, 193), qRgb(120, 173, 255)) << "cut off, no crash";
    EXPECT_EQ(view.picture(), picture) << "the picture itself never carries the mask";

    // In a taller display the rows below the mask's rectangle stay untouched.
    view.resize(151, 210);
    EXPECT_EQ(view.displayed().pixel(10, 200), qRgb(120, 173, 255));
    EXPECT_EQ(view.displayed().pixel(10, 201), qRgb(0, 100, 255));
    view.setMaskVisible(false);
    EXPECT_EQ(view.displayed().pixel(10, 10), qRgb(0, 100, 255));
}

TEST_F(View, AnyPictureFormatIsTakenAs32Bit) {
    view.setPicture(Quadrants(10, 10).convertToFormat(QImage::Format_Indexed8));
    EXPECT_EQ(view.picture().format(), QImage::Format_ARGB32);
    view.setPicture(QImage());
    EXPECT_EQ(view.displayed().pixel(5, 5), face());
}

} // namespace
