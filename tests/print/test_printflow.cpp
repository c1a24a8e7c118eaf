// The main window's printing side: printer start-up, the copies slider, the print dialog
// and Print Now through the preview.
#include "Artwork.h"
#include "Fakes.h"
#include "U_MainDlg.h"
#include "U_PictureView.h"
#include "U_PreviewDlg.h"
#include "U_PrintJob.h"
#include "U_TrackBar.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class PrintFlow : public ::testing::Test {
protected:
    void start() {
        main = std::make_unique<TMainDlg>(platform.services);
        preview = new Tpreviewdlg(platform.services, main.get());
        preview->Bind(main->MainTexts());
        main->SetWindows(nullptr, preview, nullptr);
        main->FirstActivation();
    }
    // The log's messages, oldest first.
    QStringList logged() const {
        QStringList messages;
        for (const QByteArray& line : main->Log()->Lines())
            messages.prepend(QString::fromUtf8(line).section(QLatin1Char('\t'), 2).trimmed());
        return messages;
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
    platform.printers.printers[0].metrics = PrinterMetrics{600, 600, 1000, 1300, 0, 0};
    start();
    EXPECT_EQ(slider()->Min(), 0);
    EXPECT_EQ(slider()->Max(), 1);
    EXPECT_EQ(slider()->Position(), 1);
}

TEST_F(PrintFlow, ConfirmedPrintDialogFollowsTheNewPrinter) {
    platform.printers.printers.push_back(
        {QStringLiteral("Small"), PrinterMetrics{600, 600, 2000, 2400, 50, 50}});
    start();
    slider()->SetPosition(12);
    platform.printers.dialogChoice = 1;
    platform.printers.dialogConfirms = true;
    main->opt_btnClick();
    EXPECT_EQ(slider()->Max(), 4); // 2 × 2 cells of 826 × 1062
    EXPECT_EQ(slider()->Position(), 4);
    EXPECT_EQ(statusText(), QStringLiteral("Small"));
    EXPECT_EQ(logged().last(), QStringLiteral("Selected printer : (2) Small"));
}

TEST_F(PrintFlow, CancelledPrintDialogKeepsTheSliderButRefreshesTheStatus) {
    start();
    slider()->SetPosition(12);
    const qsizetype before = logged().size();
    platform.printers.dialogConfirms = false;
    main->opt_btnClick();
    EXPECT_EQ(slider()->Position(), 12);
    EXPECT_EQ(copiesLabel(), QStringLiteral("12"));
    EXPECT_EQ(logged().size(), before + 1);
    EXPECT_EQ(logged().last(), QStringLiteral("Selected printer : (1) Office Laser"));
}

TEST_F(PrintFlow, PrintNowPrintsThePreviewedPage) {
    start();
    slider()->SetPosition(7);
    printNow("print_btn");
    EXPECT_TRUE(previewShown);
    ASSERT_EQ(platform.printers.pages.size(), 1u);
    EXPECT_TRUE(platform.printers.pages[0] == shownPage);
    EXPECT_EQ(shownPage.size(), QSize(4760, 6779));
    EXPECT_EQ(platform.printers.documentNames, QStringList({"Quillmark - 35 x 45 mm (Finland)"}));
    EXPECT_EQ(main->Engine()->Copies, 7);
    const QStringList log = logged();
    EXPECT_EQ(
        log.mid(log.size() - 3),
        QStringList({"Printing : Preview", "Printing : Operation in progress", "Printing : Done"}));
    // Before any picture is loaded the page carries the placeholder, stretched (Auto Resize
    // is on after start-up) into the cell; the eighth grid position stays white.
    QImage cell(826, 1062, QImage::Format_RGB32);
    ComposeCell(cell, PlaceholderPicture(), true);
    EXPECT_EQ(main->Engine()->Photo, cell);
    const QImage& page = shownPage;
    EXPECT_EQ(page.copy(1033, 1203, 826, 1062), cell);
    EXPECT_EQ(page.copy(1966, 1203, 826, 1062).pixel(400, 500), qRgb(255, 255, 255));
}

TEST_F(PrintFlow, TheNormMaskNeverReachesThePage) {
    start();
    auto* mask = main->findChild<QCheckBox*>("normmask_chk");
    mask->setChecked(true);
    main->normmask_chkClick();
    auto* view = main->findChild<TPictureView*>("img");
    ASSERT_TRUE(view->maskVisible());
    printNow("print_btn");
    QImage cell(826, 1062, QImage::Format_RGB32);
    ComposeCell(cell, PlaceholderPicture(), true);
    EXPECT_EQ(main->Engine()->Photo, cell);
    ASSERT_EQ(platform.printers.pages.size(), 1u);
    EXPECT_EQ(platform.printers.pages[0].copy(100, 100, 826, 1062), cell);
    EXPECT_TRUE(view->maskVisible()) << "the mask stays on screen";
}

TEST_F(PrintFlow, AutoResizeOffFitsThePicture) {
    start();
    main->AutoResize1Click(); // off
    printNow("");
    QImage cell(826, 1062, QImage::Format_RGB32);
    ComposeCell(cell, PlaceholderPicture(), false);
    EXPECT_EQ(main->Engine()->Photo, cell);
    // 119 × 157 fitted into 826 × 1062 is 805 wide: the strip at the right stays white.
    for (int y = 0; y < 1062; y += 50)
        EXPECT_EQ(main->Engine()->Photo.pixel(810, y), qRgb(255, 255, 255));
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
    EXPECT_EQ(logged().last(), QStringLiteral("Printing : Operation in progress"));
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
