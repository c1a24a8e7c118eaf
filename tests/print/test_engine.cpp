// The page layout engine, the cell composition and the page buffer.
#include "tests/common/Fakes.h"
#include "print/U_PageCompose.h"
#include "print/U_WPrint.h"

#include <gtest/gtest.h>

namespace {

// A length in millimetres, or in tenths of an inch, to pixels at a resolution.
struct MmCase {
    int mm;
    int dpi;
    int pixels;
    bool tenthsOfInch = false;
};
class MmToPixelsTest : public ::testing::TestWithParam<MmCase> {};

TEST_P(MmToPixelsTest, TruncatesInExtendedPrecision) {
    const MmCase& c = GetParam();
    EXPECT_EQ(c.tenthsOfInch ? TIDPrinter::InchTenthsToPixels(c.mm, c.dpi)
                             : TIDPrinter::MmToPixels(c.mm, c.dpi),
              c.pixels);
}

INSTANTIATE_TEST_SUITE_P(Values, MmToPixelsTest,
                         ::testing::Values(MmCase{35, 600, 826},
                                           MmCase{45, 600, 1062}, // 826.77, 1062.99
                                           MmCase{35, 254, 350},  // whole in exact arithmetic
                                           MmCase{127, 254, 1270}, MmCase{50, 300, 590},
                                           MmCase{1, 1200, 47}, MmCase{45, 1200, 2125},
                                           MmCase{0, 600, 0}, MmCase{35, 0, 0},
                                           MmCase{45, 203, 359},       // 359.65
                                           MmCase{45, 360, 637},       // 637.80
                                           MmCase{63, 720, 1785},      // 1785.83
                                           MmCase{15, 203, 304, true}, // 304.5
                                           MmCase{25, 203, 507, true}, // 507.5
                                           MmCase{20, 203, 406, true}, MmCase{15, 360, 540, true},
                                           MmCase{15, 720, 1080, true}, MmCase{0, 203, 0, true},
                                           MmCase{15, 0, 0, true}));

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
                                           FitCase{1652, 826, 1, 0}, // two would touch
                                           FitCase{1653, 826, 2, 1}, FitCase{2000, 826, 2, 348},
                                           FitCase{2478, 826, 2, 826}, // three would touch
                                           FitCase{700, 826, 0, 0},    // cell wider than area
                                           FitCase{1200, 700, 1, 0}, FitCase{500, 500, 1, 0},
                                           FitCase{-1000, 250, 0, 0}, FitCase{0, 250, 0, 0}));

// Where DrawPage puts each photo, found on the page by two markers of the cell: its top-left
// pixel red and its bottom-right pixel blue.
struct Drawn {
    std::vector<QPoint> topLeft;
    std::vector<QPoint> bottomRight;
};

Drawn drawOnPage(TIDPrinter& engine, const QSize& page) {
    engine.Photo.fill(Qt::white);
    engine.Photo.setPixel(0, 0, qRgb(255, 0, 0));
    engine.Photo.setPixel(engine.Photo.width() - 1, engine.Photo.height() - 1, qRgb(0, 0, 255));
    QImage image(page, QImage::Format_RGB32);
    image.fill(Qt::black);
    ImageCanvas canvas(image);
    engine.DrawPage(canvas);
    Drawn drawn;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] == qRgb(255, 0, 0))
                drawn.topLeft.emplace_back(x, y);
            else if (line[x] == qRgb(0, 0, 255))
                drawn.bottomRight.emplace_back(x, y);
        }
    }
    return drawn;
}

// Every position and size below is worked out by hand from the layout rules: cell size
// MmToPixels per axis, count by integer division less any count that leaves no gap, gap
// (area - count * cell) div (count - 1), first photo at the printer's offset.
struct LayoutCase {
    const char* name;
    PrinterMetrics printer; // dpi x, dpi y, printable width, height, offset x, y
    int widthMM, heightMM, copies;
    QSize cell;
    std::vector<int> xs, ys;         // column and row starts
    float widthIn = 0, heightIn = 0; // an inch format; the whole millimetres above, truncated
};

class Layout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(Layout, DrawsEachPhotoWhereTheRulesPutIt) {
    const LayoutCase& c = GetParam();
    SimulatedPrinters printers;
    printers.printers.push_back({QStringLiteral("P"), c.printer});
    TIDPrinter engine(printers);
    if (c.widthIn > 0)
        engine.SetPhotoSizeInches(c.widthIn, c.heightIn);
    else
        engine.SetPhotoSize(c.widthMM, c.heightMM);
    EXPECT_EQ(engine.PhotoWidthMM, c.widthMM);
    EXPECT_EQ(engine.PhotoHeightMM, c.heightMM);
    EXPECT_EQ(engine.Photo.size(), c.cell);
    EXPECT_EQ(engine.AreaWidth, c.printer.pageWidth - 2 * c.printer.offsetX);
    EXPECT_EQ(engine.AreaHeight, c.printer.pageHeight - 2 * c.printer.offsetY);
    EXPECT_EQ(engine.Columns(), int(c.xs.size()));
    EXPECT_EQ(engine.Rows(), int(c.ys.size()));
    EXPECT_EQ(engine.Capacity(), int(c.xs.size() * c.ys.size()));
    std::vector<QPoint> expected;
    for (int y : c.ys)
        for (int x : c.xs)
            if (int(expected.size()) < c.copies)
                expected.emplace_back(x, y);
    engine.Copies = c.copies;
    EXPECT_EQ(engine.Positions(), expected);
    const Drawn drawn = drawOnPage(engine, QSize(c.printer.pageWidth, c.printer.pageHeight));
    EXPECT_EQ(drawn.topLeft, expected);
    std::vector<QPoint> ends;
    for (const QPoint& p : expected)
        ends.push_back(p + QPoint(c.cell.width() - 1, c.cell.height() - 1));
    EXPECT_EQ(drawn.bottomRight, ends);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Pages, Layout, ::testing::Values(
    LayoutCase{"WorkedExample", {600, 600, 4760, 6779, 100, 100}, 35, 45, 30, {826, 1062},
               {100, 1033, 1966, 2899, 3832}, {100, 1203, 2306, 3409, 4512, 5615}},
    // 826 x 531 cells (826.77, 531.50) on 2000 x 1200: gaps 348 and 138.
    LayoutCase{"TwoByTwoAt600x300", {600, 300, 2120, 1250, 60, 25}, 35, 45, 3, {826, 531}, {60, 1234}, {25, 694}},
    // 413 x 1062 cells on exactly twice that: two of each would touch.
    LayoutCase{"OneByOneAt300x600", {300, 600, 886, 2264, 30, 70}, 35, 45, 5, {413, 1062}, {30}, {70}},
    // 250 pixels on 1003 x 1000: 4 columns with gaps of 1, 3 rows with gaps of 125; the
    // seventh photo starts the second row at the left.
    LayoutCase{"PartialLastRow", {254, 254, 1023, 1034, 10, 17}, 25, 25, 7, {250, 250}, {10, 261, 512, 763}, {17, 392, 767}},
    // The same with margins one pixel wider: 1001 wide, 3 columns with gaps of 125.
    LayoutCase{"MarginsOneWiderLoseAColumn", {254, 254, 1023, 1034, 11, 17}, 25, 25, 7, {250, 250}, {11, 386, 761}, {17, 392, 767}},
    // 700 pixels on 1200 x 2200: one column, three rows with gaps of 50.
    LayoutCase{"OneColumnThreeRows", {254, 254, 1210, 2218, 5, 9}, 70, 70, 3, {700, 700}, {5}, {9, 759, 1509}},
    // 800 pixels on 700 x 4920: no column (six rows with gaps of 24), nothing drawn.
    LayoutCase{"CellWiderThanTheArea", {254, 254, 800, 5000, 50, 40}, 80, 80, 5, {800, 800}, {}, {40, 864, 1688, 2512, 3336, 4160}},
    // 496 x 359 cells (496.06, 359.65) on 1000 x 1079: 2 columns with a gap of 8, three
    // rows with gaps of 1 (cells of 360 would fit only two).
    LayoutCase{"MillimetresAt360x203", {360, 203, 1024, 1087, 12, 4}, 35, 45, 6, {496, 359}, {12, 516}, {4, 364, 724}},
    // 1.5 x 2.5 in: 304 x 900 cells (304.5 truncated; 38.1 x 63.5 mm) on 914 x 2000:
    // 3 columns with gaps of 1 (305 would fit two), 2 rows with a gap of 200.
    LayoutCase{"InchesAt203x360", {203, 360, 928, 2022, 7, 11}, 38, 63, 5, {304, 900}, {7, 312, 617}, {11, 1111}, 1.5f, 2.5f},
    // 1.5 x 1.5 in: 1080 x 1080 cells (38 mm would make 1077) on 2161 x 3400: 2 columns
    // with a gap of 1, 3 rows with gaps of 80.
    LayoutCase{"InchesAt720", {720, 720, 2201, 3460, 20, 30}, 38, 38, 6, {1080, 1080}, {20, 1101}, {30, 1190, 2350}, 1.5f, 1.5f}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

class Engine : public ::testing::Test {
protected:
    Engine() { printers.printers.push_back({QStringLiteral("Office"), A4At600()}); }
    SimulatedPrinters printers;
};

TEST_F(Engine, ANewEngineHoldsA35By45MillimetreCell) {
    printers.printers[0].metrics = PrinterMetrics{600, 300, 4760, 3390, 100, 55};
    TIDPrinter engine(printers);
    EXPECT_EQ(engine.PhotoWidthMM, 35);
    EXPECT_EQ(engine.PhotoHeightMM, 45);
    EXPECT_EQ(engine.Copies, 0);
    EXPECT_EQ(engine.Photo.size(), QSize(826, 531));
    EXPECT_EQ(engine.OffsetX(), 100);
    EXPECT_EQ(engine.OffsetY(), 55);
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
        {QStringLiteral("Photo"), PrinterMetrics{300, 600, 2400, 3300, 50, 80}});
    TIDPrinter engine(printers);
    printers.selected = 1;
    engine.Refresh();
    EXPECT_EQ(engine.DpiX, 300);
    EXPECT_EQ(engine.DpiY, 600);
    EXPECT_EQ(engine.Photo.size(), QSize(413, 1062));
    EXPECT_EQ(engine.AreaWidth, 2300);
    EXPECT_EQ(engine.AreaHeight, 3140);
    EXPECT_EQ(engine.OffsetX(), 50);
    EXPECT_EQ(engine.OffsetY(), 80);
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
                      RectCase{{826, 1062}, {826, 1062}, false, {0, 0, 826, 1062}},
                      // The display: 600 × 194 / 800 = 145.5, to the even 146.
                      RectCase{{151, 194}, {600, 800}, false, {0, 0, 146, 194}},
                      RectCase{{151, 194}, {800, 600}, false, {0, 0, 151, 113}},
                      RectCase{{151, 194}, {10, 10}, false, {0, 0, 151, 151}}));

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
