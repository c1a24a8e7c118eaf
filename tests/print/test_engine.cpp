// The page layout engine, the cell composition and the page buffer.
#include "Fakes.h"
#include "U_PrintJob.h"
#include "U_WPrint.h"

#include <gtest/gtest.h>

namespace {

struct MmCase {
    int mm;
    int dpi;
    int pixels;
};
class MmToPixelsTest : public ::testing::TestWithParam<MmCase> {};

TEST_P(MmToPixelsTest, TruncatesInExtendedPrecision) {
    EXPECT_EQ(TIDPrinter::MmToPixels(GetParam().mm, GetParam().dpi), GetParam().pixels);
}

INSTANTIATE_TEST_SUITE_P(Values, MmToPixelsTest,
                         ::testing::Values(MmCase{35, 600, 826},
                                           MmCase{45, 600, 1062}, // 826.77, 1062.99
                                           MmCase{35, 254, 350},  // whole in exact arithmetic
                                           MmCase{127, 254, 1270}, MmCase{50, 300, 590},
                                           MmCase{1, 1200, 47}, MmCase{45, 1200, 2125},
                                           MmCase{0, 600, 0}, MmCase{35, 0, 0}));

struct FitCase {
    int area;
    int cell;
    int count;
    int gap;
};
class FitCountTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitCountTest, LeavesAtLeastOnePixelBetweenNeighbours) {
    const FitCase& c = GetParam();
    EXPECT_EQ(FitCount(c.area, c.cell), c.count);
    EXPECT_EQ(GapFor(c.area, c.cell, c.count), c.gap);
}

INSTANTIATE_TEST_SUITE_P(Values, FitCountTest,
                         ::testing::Values(FitCase{4560, 826, 5, 107}, FitCase{6579, 1062, 6, 41},
                                           FitCase{1000, 250, 3, 125}, // 4 would touch
                                           FitCase{1003, 250, 4, 1}, FitCase{1002, 250, 3, 126},
                                           FitCase{700, 826, 0, 0}, // cell wider than area
                                           FitCase{1200, 700, 1, 0}, FitCase{500, 500, 1, 0},
                                           FitCase{-1000, 250, 0, 0}, FitCase{0, 250, 0, 0}));

class Engine : public ::testing::Test {
protected:
    Engine() { printers.printers.push_back({QStringLiteral("Office"), A4At600()}); }
    SimulatedPrinters printers;
};

TEST_F(Engine, WorkedExampleAtSixHundredDpi) {
    TIDPrinter engine(printers);
    EXPECT_EQ(engine.PhotoWidthMM, 35);
    EXPECT_EQ(engine.PhotoHeightMM, 45);
    EXPECT_EQ(engine.Copies, 0);
    EXPECT_EQ(engine.Photo.size(), QSize(826, 1062));
    EXPECT_EQ(engine.AreaWidth, 4560);
    EXPECT_EQ(engine.AreaHeight, 6579);
    EXPECT_EQ(engine.OffsetX(), 100);
    EXPECT_EQ(engine.OffsetY(), 100);
    EXPECT_EQ(engine.Columns(), 5);
    EXPECT_EQ(engine.Rows(), 6);
    EXPECT_EQ(engine.Capacity(), 30);

    engine.Copies = 30;
    std::vector<QPoint> expected;
    for (int y : {100, 1203, 2306, 3409, 4512, 5615})
        for (int x : {100, 1033, 1966, 2899, 3832})
            expected.emplace_back(x, y);
    EXPECT_EQ(engine.Positions(), expected);
}

// Draws onto an image through the engine and returns where the photo's corner pixel landed.
std::vector<QPoint> drawnCorners(TIDPrinter& engine, const QSize& page) {
    engine.Photo.fill(Qt::white);
    engine.Photo.setPixel(0, 0, qRgb(255, 0, 0));
    QImage image(page, QImage::Format_RGB32);
    image.fill(Qt::black);
    ImageCanvas canvas(image);
    engine.DrawPage(canvas);
    std::vector<QPoint> corners;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == qRgb(255, 0, 0))
                corners.emplace_back(x, y);
    return corners;
}

TEST_F(Engine, PartialLastRowIsLeftAligned) {
    printers.printers[0].metrics = PrinterMetrics{254, 254, 1003 + 20, 1000 + 20, 10, 10};
    TIDPrinter engine(printers);
    engine.SetPhotoSize(25, 25); // 250 pixels: 4 columns with gaps of 1, 3 rows of gap 125
    ASSERT_EQ(engine.Photo.size(), QSize(250, 250));
    ASSERT_EQ(engine.Columns(), 4);
    ASSERT_EQ(engine.Rows(), 3);
    engine.Copies = 7;
    const std::vector<QPoint> expected{{10, 10},  {261, 10},  {512, 10}, {763, 10},
                                       {10, 385}, {261, 385}, {512, 385}};
    EXPECT_EQ(drawnCorners(engine, QSize(1023, 1020)), expected);
}

TEST_F(Engine, OneColumnThreeRows) {
    printers.printers[0].metrics = PrinterMetrics{254, 254, 1200 + 10, 2200 + 10, 5, 5};
    TIDPrinter engine(printers);
    engine.SetPhotoSize(70, 70);
    ASSERT_EQ(engine.Capacity(), 3);
    engine.Copies = 3;
    const std::vector<QPoint> expected{{5, 5}, {5, 755}, {5, 1505}};
    EXPECT_EQ(drawnCorners(engine, QSize(1210, 2210)), expected);
}

TEST_F(Engine, CopiesBeyondCapacityAreDropped) {
    TIDPrinter engine(printers);
    engine.Copies = 40;
    EXPECT_EQ(engine.Positions().size(), 30u);
    engine.Copies = 0;
    EXPECT_TRUE(engine.Positions().empty());
    engine.Copies = -3;
    EXPECT_TRUE(engine.Positions().empty());
}

TEST_F(Engine, CellWiderThanTheAreaDrawsNothing) {
    printers.printers[0].metrics = PrinterMetrics{254, 254, 800, 5000, 50, 50};
    TIDPrinter engine(printers);
    engine.SetPhotoSize(80, 80);
    EXPECT_EQ(engine.Columns(), 0);
    EXPECT_EQ(engine.Capacity(), 0);
    engine.Copies = 5;
    EXPECT_TRUE(drawnCorners(engine, QSize(800, 5000)).empty());
}

TEST_F(Engine, SameSizeKeepsTheCellAndANewSizeDiscardsIt) {
    TIDPrinter engine(printers);
    engine.Photo.fill(qRgb(1, 2, 3));
    engine.SetPhotoSize(35, 45);
    EXPECT_EQ(engine.Photo.pixel(10, 10), qRgb(1, 2, 3));
    engine.Refresh();
    EXPECT_EQ(engine.Photo.pixel(10, 10), qRgb(1, 2, 3));
    engine.SetPhotoSize(40, 50);
    EXPECT_EQ(engine.Photo.size(), QSize(944, 1181));
}

TEST_F(Engine, RefreshFollowsAPrinterChange) {
    printers.printers.push_back(
        {QStringLiteral("Photo"), PrinterMetrics{300, 300, 2400, 3300, 50, 50}});
    TIDPrinter engine(printers);
    printers.selected = 1;
    engine.Refresh();
    EXPECT_EQ(engine.Photo.size(), QSize(413, 531));
    EXPECT_EQ(engine.AreaWidth, 2300);
    EXPECT_EQ(engine.OffsetX(), 50);
}

TEST_F(Engine, PrintPagePrintsExactlyOnePageLikeThePreview) {
    TIDPrinter engine(printers);
    engine.Photo.fill(qRgb(10, 120, 200));
    engine.Copies = 7;
    engine.PrintPage();
    ASSERT_EQ(printers.pages.size(), 1u);
    QImage page(4760, 6779, QImage::Format_RGB32);
    page.fill(Qt::white);
    ImageCanvas canvas(page);
    engine.DrawPage(canvas);
    EXPECT_EQ(printers.pages[0], page);

    engine.Copies = 0; // still one (blank) page
    engine.PrintPage();
    ASSERT_EQ(printers.pages.size(), 2u);
    EXPECT_EQ(printers.pages[1].pixel(500, 500), qRgb(255, 255, 255));
}

TEST_F(Engine, NoUsablePrinterRaisesAnError) {
    printers.failMetrics = true;
    EXPECT_THROW(TIDPrinter engine(printers), PrinterError);
}

struct RectCase {
    QSize cell;
    QSize picture;
    bool stretch;
    QRect expected;
};
class FitRectTest : public ::testing::TestWithParam<RectCase> {};

TEST_P(FitRectTest, FitsTopLeftWithHalvesToEven) {
    EXPECT_EQ(FitRect(GetParam().cell, GetParam().picture, GetParam().stretch),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FitRectTest,
    ::testing::Values(RectCase{{826, 1062}, {1000, 1000}, false, {0, 0, 826, 826}},
                      RectCase{{826, 1062}, {1000, 1000}, true, {0, 0, 826, 1062}},
                      RectCase{{826, 1062}, {400, 1000}, false, {0, 0, 425, 1062}},
                      RectCase{{826, 1062}, {119, 157}, false, {0, 0, 805, 1062}},
                      RectCase{{10, 10}, {4, 1}, false, {0, 0, 10, 2}},  // 2.5 rounds to 2
                      RectCase{{10, 10}, {20, 7}, false, {0, 0, 10, 4}}, // 3.5 rounds to 4
                      RectCase{{826, 1062}, {826, 1062}, false, {0, 0, 826, 1062}}));

TEST(ComposeCell, FittedSquareLeavesTheBottomWhite) {
    QImage cell(826, 1062, QImage::Format_RGB32);
    cell.fill(Qt::black);
    QImage picture(1000, 1000, QImage::Format_RGB32);
    picture.fill(qRgb(40, 80, 120));
    ComposeCell(cell, picture, false);
    EXPECT_EQ(cell.size(), QSize(826, 1062));
    EXPECT_EQ(cell.pixel(0, 0), qRgb(40, 80, 120));
    EXPECT_EQ(cell.pixel(825, 825), qRgb(40, 80, 120));
    for (int y = 826; y < 1062; ++y)
        ASSERT_EQ(cell.pixel(413, y), qRgb(255, 255, 255)) << y;

    ComposeCell(cell, picture, true);
    EXPECT_EQ(cell.pixel(413, 1061), qRgb(40, 80, 120));
}

TEST(PreparePage, WhiteOutsideThePhotosAndTheBufferIsReused) {
    QImage page;
    const std::vector<QRect> covered{QRect(10, 10, 20, 20), QRect(40, 10, 20, 20)};
    PreparePage(page, QSize(100, 50), covered);
    ASSERT_EQ(page.size(), QSize(100, 50));
    EXPECT_EQ(page.format(), QImage::Format_RGB32);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x) {
            const bool inside = covered[0].contains(x, y) || covered[1].contains(x, y);
            if (!inside) {
                ASSERT_EQ(page.pixel(x, y), 0xffffffffu) << x << "," << y;
            }
        }
    const uchar* buffer = page.constBits();
    page.fill(Qt::black);
    PreparePage(page, QSize(100, 50), {});
    EXPECT_EQ(page.constBits(), buffer);
    EXPECT_EQ(page.pixel(15, 15), 0xffffffffu);
    PreparePage(page, QSize(60, 40), {});
    EXPECT_EQ(page.size(), QSize(60, 40));
}

} // namespace
