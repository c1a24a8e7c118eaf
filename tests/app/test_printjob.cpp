// Print Now as the user meets it: the page goes to the printer without freezing the
// window, each job is named after the format, inch formats keep their size, and the saved
// sheet carries the printer's resolution.
#include "tests/common/Fakes.h"
#include "tests/common/LogMessages.h"
#include "app/U_MainDlg.h"
#include "print/U_PreviewDlg.h"
#include "print/U_PageCompose.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QFile>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace {

// x and y resolutions differ, so do the offsets: A4-like at 600 × 300 dpi.
const PrinterMetrics kUneven{600, 300, 5000, 3400, 100, 50};

class PrintJob : public ::testing::Test {
protected:
    void start() {
        platform.printers.printers[0].metrics = kUneven;
        main = std::make_unique<TMainDlg>(platform.services);
        preview = new Tpreviewdlg(platform.services, main.get());
        preview->Bind(main->MainTexts());
        main->SetWindows(nullptr, preview, nullptr);
        main->FirstActivation();
    }
    bool logContains(const QString& message) const {
        return LogMessages(*main->Log()).contains(message);
    }
    void selectFormat(int index) {
        main->findChild<QComboBox*>("format_cmb")->setCurrentIndex(index);
        main->format_cmbChange();
    }
    // Print Now, pressing the preview's button.
    void printNow(const char* button) {
        QTimer::singleShot(0, preview,
                           [this, button] { preview->findChild<QPushButton*>(button)->click(); });
        main->Guard([this] { main->print_btnClick(); });
    }
    FakePlatform platform;
    std::unique_ptr<TMainDlg> main;
    Tpreviewdlg* preview = nullptr;
};

TEST_F(PrintJob, AStalledPrintServerGivesAnErrorAndNoDone) {
    start();
    main->SetPrintTimeLimit(std::chrono::milliseconds(300));
    auto released = std::make_shared<std::atomic<bool>>(false);
    auto ended = std::make_shared<std::atomic<bool>>(false);
    platform.printers.whilePrinting = [released, ended] {
        // Bounded, so that a window that waits without its event loop fails instead of
        // hanging.
        for (int i = 0; i < 2000 && !released->load(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ended->store(true);
        throw PrinterError(QStringLiteral("gave up"));
    };
    // Ticks while the job stalls: the window's event loop runs, the window is disabled (no
    // second command may start) and shows the busy cursor.
    int ticks = 0;
    bool disabled = true;
    bool busy = true;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (!logContains(QStringLiteral("Printing : Operation in progress")))
            return;
        ++ticks;
        disabled = disabled && !main->isEnabled();
        const QCursor* cursor = QApplication::overrideCursor();
        busy = busy && cursor && cursor->shape() == Qt::WaitCursor;
    });
    ticker.start(20);
    printNow("print_btn");
    ticker.stop();
    released->store(true);

    EXPECT_GE(ticks, 3) << "the event loop ran while the job stalled";
    EXPECT_TRUE(disabled);
    EXPECT_TRUE(busy);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(logContains(QStringLiteral("Printing : Operation in progress")));
    EXPECT_FALSE(logContains(QStringLiteral("Printing : Done")));
    ASSERT_EQ(platform.messages.requests.size(), 1u);
    EXPECT_EQ(platform.messages.requests[0].icon, MsgIcon::Error);
    EXPECT_TRUE(platform.messages.requests[0].text.contains(QStringLiteral("in time (1 s)")))
        << platform.messages.requests[0].text.toStdString();
    EXPECT_TRUE(main->isEnabled());
    while (!ended->load())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

struct InchCase {
    int index;    // catalogue entry
    QSize cell;   // hand-computed at 600 × 300 dpi
    int capacity; // on a usable area of 4800 × 3300
};

class InchFormats : public PrintJob, public ::testing::WithParamInterface<InchCase> {};

// 2 in is 1200 × 600 pixels where 50 mm was 1181 × 590: four columns no longer fit across
// 4800 pixels (no gap would be left), three do, with gaps of 480.
TEST_P(InchFormats, PrintAtTheirExactSize) {
    start();
    selectFormat(GetParam().index);
    EXPECT_EQ(main->Engine()->Photo.size(), GetParam().cell);
    EXPECT_EQ(main->Engine()->Capacity(), GetParam().capacity);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, InchFormats,
                         ::testing::Values(InchCase{4, {1200, 600}, 15},  // 2 x 2 in: 3 × 5
                                           InchCase{1, {900, 450}, 35},   // 1,5 x 1,5 in: 5 × 7
                                           InchCase{14, {900, 750}, 20},  // 1,5 x 2,5 in: 5 × 4
                                           InchCase{20, {826, 531}, 30}), // 35 x 45 mm: 5 × 6
                         [](const auto& info) { return std::to_string(info.param.index); });

// The sheet written to the drive says 600 × 300 dots per inch in its JFIF header.
TEST_F(PrintJob, TheSavedSheetCarriesThePrinterResolution) {
    const QString root = platform.root.filePath(QStringLiteral("usb/"));
    QDir().mkpath(root);
    platform.drives.drives = {RemovableDrive{root, QStringLiteral("sdb1"), QString(), true}};
    start();
    printNow("usb_btn");
    QFile file(root + QStringLiteral("Quillmark.jpg"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray head = file.read(18);
    ASSERT_EQ(head.size(), 18);
    EXPECT_EQ(head.left(4), QByteArray("\xff\xd8\xff\xe0", 4));
    EXPECT_EQ(head.mid(6, 5), QByteArray("JFIF\0", 5));
    EXPECT_EQ(head.at(13), 1) << "density in dots per inch";
    EXPECT_EQ(head.mid(14, 4), QByteArray("\x02\x58\x01\x2c", 4)) << "600 and 300";
}

struct LayoutCase {
    QSize page;
    QSize cell;
    std::vector<QPoint> positions;
    QSize shown;
};

class PreviewOfLayout : public ::testing::TestWithParam<LayoutCase> {};

// The preview drawn from the layout shows what scaling the finished page shows, pixel for
// pixel: reduced, enlarged, with photos cut by the page edge and lying over each other.
TEST_P(PreviewOfLayout, MatchesTheScaledPage) {
    const LayoutCase& c = GetParam();
    QImage cell(c.cell, QImage::Format_RGB32);
    for (int y = 0; y < cell.height(); ++y)
        for (int x = 0; x < cell.width(); ++x)
            cell.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x ^ y) % 256));
    const PageLayout layout{c.page, cell, c.positions};
    QImage page;
    BuildPage(page, layout);
    ASSERT_EQ(page.size(), c.page);
    EXPECT_EQ(ScaleNearestLayout(layout, c.shown), ScaleNearest(page, c.shown));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PreviewOfLayout,
    ::testing::Values(LayoutCase{{4760, 6779}, {826, 1062}, {{100, 100}, {1033, 100}}, {417, 594}},
                      LayoutCase{{300, 200}, {70, 50}, {{5, 9}, {80, 9}, {5, 70}}, {613, 411}},
                      LayoutCase{{500, 700}, {120, 90}, {{450, 650}, {-30, 3}}, {170, 238}},
                      LayoutCase{{400, 400}, {100, 100}, {{10, 10}, {60, 60}}, {400, 400}},
                      LayoutCase{{640, 480}, {50, 50}, {}, {320, 240}}));

} // namespace
