// The main window's printing side: printer start-up, the copies slider, the print dialog
// and Print Now through the preview.
#include "tests/common/Fakes.h"
#include "tests/common/LogMessages.h"
#include "tests/common/PrintTestUtil.h"
#include "app/U_MainDlg.h"
#include "app/U_PictureView.h"
#include "print/U_PreviewDlg.h"
#include "app/U_TrackBar.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// The quadrant colours of QuadrantPicture, from the top-left clockwise: red, green, yellow,
// blue (bottom-left).
const QRgb kTopLeft = qRgb(200, 30, 30), kTopRight = qRgb(30, 160, 40),
           kBottomRight = qRgb(230, 200, 20), kBottomLeft = qRgb(20, 40, 190);
const QRgb kWhite = qRgb(255, 255, 255);

// A printer whose axes differ: 600 x 300 dpi, left margin 60, top margin 25. A 35 x 45 mm
// cell is 826 x 531 pixels and the 2000 x 1200 area holds exactly two of them each way,
// with gaps of 348 and 138: photos at x 60 and 1234, y 25 and 694.
const PrinterMetrics kUneven{600, 300, 2120, 1250, 60, 25};
const QPoint kCells[] = {{60, 25}, {1234, 25}, {60, 694}, {1234, 694}};

class PrintFlow : public ::testing::Test {
protected:
    PrintFlow() { platform.printers.printers[0].metrics = kUneven; }
    void start() {
        main = std::make_unique<TMainDlg>(platform.services);
        preview = new Tpreviewdlg(platform.services, main.get());
        preview->Bind(main->MainTexts());
        main->SetWindows(nullptr, preview, nullptr);
        main->FirstActivation();
    }
    QStringList logged() const { return LogMessages(*main->Log()); }
    // Shows a 400 x 200 picture of four flat quadrants, as a loaded photo would be.
    void showQuadrants() {
        main->findChild<TPictureView*>("img")->setPicture(QuadrantPicture(400, 200));
    }
    TTrackBar* slider() const { return main->findChild<TTrackBar*>("num_trk"); }
    QString copiesLabel() const { return main->findChild<QLabel*>("dynnum_lbl")->text(); }
    QString statusText() const {
        const auto labels = main->findChild<QStatusBar*>("StatusBar")->findChildren<QLabel*>();
        return labels.isEmpty() ? QString() : labels.first()->text();
    }
    // Print Now, answering the preview with its button name (empty: close box).
    void printNow(const char* answer) {
        previewShown = false;
        QTimer::singleShot(0, preview, [this, answer] {
            previewShown = preview->isVisible();
            shownPage = preview->PageImage();
            if (*answer)
                preview->findChild<QPushButton*>(answer)->click();
            else
                preview->reject();
        });
        main->Guard([this] { main->print_btnClick(); });
    }
    FakePlatform platform;
    std::unique_ptr<TMainDlg> main;
    Tpreviewdlg* preview = nullptr;
    bool previewShown = false;
    QImage shownPage;
};

TEST_F(PrintFlow, CapacityOneAllowsZero) {
    platform.printers.printers[0].metrics = PrinterMetrics{600, 300, 1040, 1010, 20, 5};
    start();
    EXPECT_EQ(slider()->Min(), 0);
    EXPECT_EQ(slider()->Max(), 1);
    EXPECT_EQ(slider()->Position(), 1);
}

TEST_F(PrintFlow, ConfirmedPrintDialogFollowsTheNewPrinter) {
    platform.printers.printers.push_back(
        {QStringLiteral("Small"), PrinterMetrics{300, 600, 1800, 2400, 40, 90}});
    start();
    slider()->SetPosition(2);
    platform.printers.dialogChoice = 1;
    platform.printers.dialogConfirms = true;
    main->opt_btnClick();
    EXPECT_EQ(slider()->Max(), 8); // 4 × 2 cells of 413 × 1062 on 1720 × 2220
    EXPECT_EQ(slider()->Position(), 8);
    EXPECT_EQ(statusText(), QStringLiteral("Small"));
    EXPECT_EQ(logged().last(), QStringLiteral("Selected printer : (2) Small"));
}

TEST_F(PrintFlow, CancelledPrintDialogKeepsTheSliderButRefreshesTheStatus) {
    start();
    slider()->SetPosition(3);
    const qsizetype before = logged().size();
    platform.printers.dialogConfirms = false;
    main->opt_btnClick();
    EXPECT_EQ(slider()->Position(), 3);
    EXPECT_EQ(copiesLabel(), QStringLiteral("3"));
    EXPECT_EQ(logged().size(), before + 1);
    EXPECT_EQ(logged().last(), QStringLiteral("Selected printer : (1) Office Laser"));
}

// The centres of the stretched picture's quadrants in a cell, and their colours.
void expectStretchedCell(const QImage& page, QPoint at, const char* where) {
    EXPECT_EQ(page.pixel(at + QPoint(206, 132)), kTopLeft) << where;
    EXPECT_EQ(page.pixel(at + QPoint(619, 132)), kTopRight) << where;
    EXPECT_EQ(page.pixel(at + QPoint(619, 398)), kBottomRight) << where;
    EXPECT_EQ(page.pixel(at + QPoint(206, 398)), kBottomLeft) << where;
}

TEST_F(PrintFlow, PrintNowPrintsThePreviewedPage) {
    start();
    EXPECT_EQ(slider()->Max(), 4);
    slider()->SetPosition(3);
    showQuadrants();
    printNow("print_btn");
    EXPECT_TRUE(previewShown);
    ASSERT_EQ(platform.printers.pages.size(), 1u);
    const QImage& page = shownPage;
    EXPECT_TRUE(platform.printers.pages[0] == page);
    EXPECT_EQ(page.size(), QSize(2120, 1250));
    EXPECT_EQ(platform.printers.documentNames, QStringList({"Quillmark - 35 x 45 mm (Finland)"}));
    EXPECT_EQ(main->Engine()->Copies, 3);
    const QStringList log = logged();
    EXPECT_EQ(
        log.mid(log.size() - 3),
        QStringList({"Printing : Preview", "Printing : Operation in progress", "Printing : Done"}));
    // Auto Resize is on after start-up: the picture is stretched over each 826 x 531 cell.
    expectStretchedCell(page, kCells[0], "first");
    expectStretchedCell(page, kCells[1], "second");
    expectStretchedCell(page, kCells[2], "third");
    EXPECT_EQ(page.pixel(kCells[3] + QPoint(413, 265)), kWhite) << "fourth position empty";
    EXPECT_EQ(page.pixel(59, 100), kWhite) << "left margin";
    EXPECT_EQ(page.pixel(300, 24), kWhite) << "top margin";
    EXPECT_EQ(page.pixel(886, 100), kWhite) << "gap between columns";
    EXPECT_EQ(page.pixel(300, 556), kWhite) << "gap between rows";
    EXPECT_EQ(page.pixel(1233, 100), kWhite);
    EXPECT_EQ(page.pixel(1234, 25), qRgb(0, 0, 0)) << "the frame's corner starts the cell";
}

TEST_F(PrintFlow, TheNormMaskNeverReachesThePage) {
    start();
    slider()->SetPosition(1);
    showQuadrants();
    auto* mask = main->findChild<QCheckBox*>("normmask_chk");
    mask->setChecked(true);
    main->normmask_chkClick();
    auto* view = main->findChild<TPictureView*>("img");
    ASSERT_TRUE(view->maskVisible());
    printNow("print_btn");
    ASSERT_EQ(platform.printers.pages.size(), 1u);
    expectStretchedCell(platform.printers.pages[0], kCells[0], "masked");
    EXPECT_TRUE(view->maskVisible()) << "the mask stays on screen";
}

TEST_F(PrintFlow, AutoResizeOffFitsThePicture) {
    start();
    showQuadrants();
    main->AutoResize1Click(); // off
    printNow("");
    // 400 x 200 fitted into 826 x 531 is 826 x 413 at the top; the strip below stays white.
    const QImage& cell = main->Engine()->Photo;
    EXPECT_EQ(cell.pixel(206, 103), kTopLeft);
    EXPECT_EQ(cell.pixel(619, 103), kTopRight);
    EXPECT_EQ(cell.pixel(619, 310), kBottomRight);
    EXPECT_EQ(cell.pixel(206, 310), kBottomLeft);
    for (int x = 0; x < 826; x += 25) {
        EXPECT_EQ(cell.pixel(x, 413), kWhite) << x;
        EXPECT_EQ(cell.pixel(x, 530), kWhite) << x;
    }
    EXPECT_EQ(shownPage.pixel(kCells[3] + QPoint(206, 103)), kTopLeft);
}

TEST_F(PrintFlow, ClosingThePreviewPrintsNothingAndReleasesThePage) {
    start();
    printNow("");
    EXPECT_TRUE(platform.printers.pages.empty());
    EXPECT_EQ(logged().last(), QStringLiteral("Printing : Preview"));
    EXPECT_TRUE(preview->PageImage().isNull());
}

TEST_F(PrintFlow, AFailedPrintJobIsReportedWithoutDone) {
    start();
    platform.printers.failPrint = true;
    printNow("print_btn");
    // The log ends with the error in full.
    const QStringList log = logged();
    ASSERT_GE(log.size(), 2);
    EXPECT_EQ(log.at(log.size() - 2), QStringLiteral("Printing : Operation in progress"));
    EXPECT_TRUE(log.last().startsWith(QStringLiteral("Error : "))) << log.last().toStdString();
    ASSERT_FALSE(platform.messages.requests.empty());
    EXPECT_EQ(platform.messages.requests.back().icon, MsgIcon::Error);
    EXPECT_TRUE(platform.messages.requests.back().text.contains(QStringLiteral("stopped")));
}

TEST_F(PrintFlow, APrinterGoneBeforePrintNowIsReportedBeforeThePreview) {
    start();
    platform.printers.failMetrics = true;
    printNow("print_btn");
    EXPECT_FALSE(previewShown);
    EXPECT_FALSE(logged().contains(QStringLiteral("Printing : Preview")));
    ASSERT_FALSE(platform.messages.requests.empty());
    EXPECT_EQ(platform.messages.requests.back().icon, MsgIcon::Error);
}

} // namespace
