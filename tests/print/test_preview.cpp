// The preview window: its layout, the page display, the drive caption, saving and USB.
#include "localization/C_TextStorage.h"
#include "support/C_WideDialogs.h"
#include "tests/common/Fakes.h"
#include "tests/common/PrintTestUtil.h"
#include "print/U_PreviewDlg.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct PreviewCase {
    QSize page;
    QSize shown;
};
class PreviewSizeTest : public ::testing::TestWithParam<PreviewCase> {};

TEST_P(PreviewSizeTest, ProportionalIntoTheView) {
    EXPECT_EQ(PreviewSize(GetParam().page, QSize(420, 594)), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Values, PreviewSizeTest,
                         ::testing::Values(PreviewCase{{4760, 6779}, {417, 594}}, // A4 portrait
                                           PreviewCase{{6779, 4760}, {420, 295}}, // landscape
                                           PreviewCase{{210, 297}, {420, 594}},   // enlarged
                                           PreviewCase{{100, 100}, {420, 420}},
                                           PreviewCase{{0, 0}, {}}));

TEST(ScaleNearest, TakesThePixelUnderEachCentre) {
    QImage page(4, 2, QImage::Format_RGB32);
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 2; ++y)
            page.setPixel(x, y, qRgb(x * 60, y * 100, 0));
    const QImage half = ScaleNearest(page, QSize(2, 1));
    EXPECT_EQ(half.pixel(0, 0), page.pixel(1, 1)); // centre (0.5) of 2 → source 1
    EXPECT_EQ(half.pixel(1, 0), page.pixel(3, 1));
    const QImage doubled = ScaleNearest(page, QSize(8, 4));
    EXPECT_EQ(doubled.pixel(0, 0), page.pixel(0, 0));
    EXPECT_EQ(doubled.pixel(3, 3), page.pixel(1, 1));
    EXPECT_EQ(doubled.pixel(7, 0), page.pixel(3, 0));
}

struct NameCase {
    const char* chosen;
    const char* saved;
};
class SaveNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(SaveNameTest, AppendsJpgUnlessAlreadyJpeg) {
    EXPECT_EQ(SaveName(QString::fromUtf8(GetParam().chosen)), QString::fromUtf8(GetParam().saved));
}

INSTANTIATE_TEST_SUITE_P(Values, SaveNameTest,
                         ::testing::Values(NameCase{"scan", "scan.jpg"},
                                           NameCase{"Scan.Jpeg", "Scan.Jpeg"},
                                           NameCase{"photo.JPG", "photo.JPG"},
                                           NameCase{"a.b.png", "a.b.png.jpg"},
                                           NameCase{"photo.png", "photo.png.jpg"},
                                           NameCase{"/home/é/fête", "/home/é/fête.jpg"}));

RemovableDrive drive(const char* name, const char* label, bool readable = true) {
    return RemovableDrive{QStringLiteral("/media/") + QLatin1String(name) + QLatin1Char('/'),
                          QLatin1String(name), QString::fromUtf8(label), readable};
}

TEST(DriveChoice, LastReadableDriveByShortNameWins) {
    const auto picked = PickDrive({drive("sdg1", ""), drive("sde1", "  PHOTOS ")});
    ASSERT_TRUE(picked);
    EXPECT_EQ(picked->rootPath, QStringLiteral("/media/sdg1/"));
    EXPECT_EQ(UsbCaption(*picked), QStringLiteral("USB\n\r(sdg1)"));

    const auto only = PickDrive({drive("sde1", "  PHOTOS ")});
    EXPECT_EQ(UsbCaption(*only), QStringLiteral("USB\n\r(PHOTOS [sde1])"));
    // A card reader slot without a medium is not a candidate.
    const auto slot = PickDrive({drive("sde1", "PHOTOS"), drive("sdz", "", false)});
    EXPECT_EQ(slot->shortName, QStringLiteral("sde1"));
    EXPECT_FALSE(PickDrive({drive("sdf", "", false)}));
    EXPECT_FALSE(PickDrive({}));
    // A drive letter reads as on Windows.
    EXPECT_EQ(UsbCaption(RemovableDrive{"E:\\", "E", " PHOTOS ", true}),
              QStringLiteral("USB\n\r(PHOTOS [E:])"));
}

class Preview : public ::testing::Test {
protected:
    Preview()
        : texts(QStringLiteral("main_ts"), {QStringLiteral("Done !")}), dialog(platform.services) {
        dialog.Bind(&texts);
        dialog.PageImage() = BlockPage(600, 800);
    }
    QPushButton* button(const char* name) { return dialog.findChild<QPushButton*>(name); }
    // Runs Execute and clicks name once the window is shown.
    bool executeClicking(const char* name) {
        QTimer::singleShot(0, &dialog, [this, name] {
            shownCaption = button("usb_btn")->text();
            usbEnabled = button("usb_btn")->isEnabled();
            button(name)->click();
            if (dialog.isVisible())
                QTimer::singleShot(0, &dialog, [this] {
                    stayedOpen = true;
                    dialog.reject();
                });
        });
        return dialog.Execute();
    }
    FakePlatform platform;
    TTextStorage texts;
    Tpreviewdlg dialog;
    QString shownCaption;
    bool usbEnabled = false;
    bool stayedOpen = false;
};

TEST_F(Preview, LayoutAndComponentsInTabOrder) {
    EXPECT_EQ(dialog.objectName(), QStringLiteral("previewdlg"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Preview"));
    EXPECT_EQ(dialog.size(), QSize(427, 656));
    QStringList names;
    for (QObject* c : dialog.Components())
        names << c->objectName();
    EXPECT_EQ(names, QStringList({"print_btn", "img", "saveimg_btn", "usb_btn", "preview_ts"}));
    EXPECT_EQ(button("print_btn")->geometry(), QRect(8, 8, 130, 43));
    EXPECT_TRUE(button("print_btn")->font().bold());
    EXPECT_EQ(button("print_btn")->text(), QStringLiteral("Print Now"));
    EXPECT_EQ(button("saveimg_btn")->geometry(), QRect(148, 8, 129, 43));
    EXPECT_EQ(button("usb_btn")->geometry(), QRect(284, 8, 129, 43));
    EXPECT_EQ(button("usb_btn")->text(), QStringLiteral("USB Key"));
    EXPECT_EQ(dialog.findChild<QWidget*>("img")->geometry(), QRect(3, 56, 420, 594));
}

TEST_F(Preview, PrintNowReturnsTrueAndTheCloseBoxFalse) {
    EXPECT_TRUE(executeClicking("print_btn"));
    QTimer::singleShot(0, &dialog, [this] { dialog.reject(); });
    EXPECT_FALSE(dialog.Execute());
}

TEST_F(Preview, ShowsThePageScaledFromTheTopLeftAndReleasesIt) {
    auto* view = dialog.findChild<TPageView*>("img");
    QImage shown;
    QTimer::singleShot(0, &dialog, [&] {
        shown = view->shown();
        dialog.reject();
    });
    dialog.Execute();
    // The 600 × 800 page fills the width of the view (420 × 594, or shorter and as much
    // narrower on a small screen), or its height when that is the shorter side.
    const int w = view->width(), h = view->height();
    EXPECT_EQ(shown.size(), w * 800 <= h * 600 ? QSize(w, int(std::lround(w * 4.0 / 3)))
                                               : QSize(int(std::lround(h * 0.75)), h));
    EXPECT_EQ(shown.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_TRUE(dialog.PageImage().isNull());
    EXPECT_TRUE(view->shown().isNull());
}

TEST_F(Preview, ReturnPrintsEachTimeItOpensEvenAfterASave) {
    const QString name = platform.root.filePath(QStringLiteral("a.jpg"));
    platform.files.answers.push_back(FileChooserAnswer{name, {name}, 0});
    EXPECT_FALSE(executeClicking("saveimg_btn"));
    QTimer::singleShot(0, &dialog, [this] {
        EXPECT_EQ(dialog.focusWidget(), button("print_btn"));
        EXPECT_TRUE(button("print_btn")->isDefault());
        QTest::keyClick(&dialog, Qt::Key_Return);
    });
    EXPECT_TRUE(dialog.Execute());
}

TEST_F(Preview, DriveScanSetsTheUsbButton) {
    executeClicking("print_btn");
    EXPECT_FALSE(usbEnabled);
    EXPECT_EQ(shownCaption, QStringLiteral("USB Key"));
    EXPECT_TRUE(dialog.UsbPath().isEmpty());

    platform.drives.drives = {drive("sde1", " PHOTOS "), drive("sdg1", "")};
    executeClicking("print_btn");
    EXPECT_TRUE(usbEnabled);
    EXPECT_EQ(shownCaption, QStringLiteral("USB\n\r(sdg1)"));
    EXPECT_EQ(dialog.UsbPath(), QStringLiteral("/media/sdg1/"));

    // No drive any more: disabled, the previous caption stays.
    platform.drives.drives.clear();
    executeClicking("print_btn");
    EXPECT_FALSE(usbEnabled);
    EXPECT_EQ(shownCaption, QStringLiteral("USB\n\r(sdg1)"));
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An existing file is replaced only after the user said Yes; No keeps it byte for byte and
// the preview open. A new name is written without a question.
struct ReplaceCase {
    bool exists;
    int answer;
    bool written;
};
class SaveAsImage : public Preview, public ::testing::WithParamInterface<ReplaceCase> {};

TEST_P(SaveAsImage, AsksBeforeReplacingAFile) {
    const ReplaceCase c = GetParam();
    const QString name = platform.root.filePath(QStringLiteral("sheet"));
    const QString saved = name + QStringLiteral(".jpg");
    if (c.exists) {
        QFile old(saved);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old content");
    }
    dialog.PageImage() = QuadrantPicture(600, 800);
    platform.files.answers.push_back(FileChooserAnswer{name, {name}, 0});
    platform.messages.answers = {c.answer};
    EXPECT_FALSE(executeClicking("saveimg_btn"));
    EXPECT_EQ(stayedOpen, !c.written);

    ASSERT_EQ(platform.files.requests.size(), 1u);
    EXPECT_TRUE(platform.files.requests[0].save);
    EXPECT_EQ(platform.files.requests[0].title, QStringLiteral("Save as image"));
    QStringList expected;
    if (c.exists)
        expected << QStringLiteral("\u2068%1\u2069 already exists.\nDo you want to replace it?")
                        .arg(saved);
    if (c.written)
        expected << QStringLiteral("Done !");
    EXPECT_EQ(platform.messages.texts(), expected);
    if (c.exists) {
        EXPECT_EQ(platform.messages.requests[0].buttons, MsgButtonSet::YesNo);
        EXPECT_EQ(platform.messages.requests[0].defaultButton, MsgNo);
    }
    EXPECT_EQ(dialog.SaveDialog()->FileName(), saved);
    if (!c.written) {
        EXPECT_EQ(contentOf(saved), c.exists ? QByteArray("old content") : QByteArray());
        EXPECT_TRUE(platform.shell.opened.isEmpty());
        return;
    }
    EXPECT_EQ(platform.shell.opened, QStringList{saved});
    // The whole page, colours in place: quadrants red, green, blue, yellow.
    const QImage page(saved);
    ASSERT_EQ(page.size(), QSize(600, 800));
    const struct {
        QPoint at;
        QRgb colour;
    } probes[] = {{{150, 200}, qRgb(200, 30, 30)},
                  {{450, 200}, qRgb(30, 160, 40)},
                  {{150, 600}, qRgb(20, 40, 190)},
                  {{450, 600}, qRgb(230, 200, 20)}};
    for (const auto& p : probes) {
        const QRgb got = page.pixel(p.at);
        EXPECT_NEAR(qRed(got), qRed(p.colour), 8) << p.at.x() << "," << p.at.y();
        EXPECT_NEAR(qGreen(got), qGreen(p.colour), 8) << p.at.x() << "," << p.at.y();
        EXPECT_NEAR(qBlue(got), qBlue(p.colour), 8) << p.at.x() << "," << p.at.y();
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SaveAsImage,
                         ::testing::Values(ReplaceCase{false, MsgOk, true},
                                           ReplaceCase{true, MsgYes, true},
                                           ReplaceCase{true, MsgNo, false}));

// The question and the closing word are the window's own texts, so a language pack
// translates them like its buttons.
TEST_F(Preview, ItsMessagesFollowTheLanguage) {
    const QString saved = platform.root.filePath(QStringLiteral("sheet.jpg"));
    QFile old(saved);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.close();
    auto* texts = dialog.findChild<TTextStorage*>(QStringLiteral("preview_ts"));
    ASSERT_NE(texts, nullptr);
    texts->setProperty("Items", QStringList{QStringLiteral("%1 existe déjà."),
                                            QStringLiteral("Voulez-vous le remplacer ?"),
                                            QStringLiteral("Terminé !")});
    platform.files.answers.push_back(FileChooserAnswer{saved, {saved}, 0});
    platform.messages.answers = {MsgYes};
    executeClicking("saveimg_btn");
    const QString question =
        QStringLiteral("\u2068%1\u2069 existe déjà.\nVoulez-vous le remplacer ?");
    EXPECT_EQ(platform.messages.texts(),
              QStringList({question.arg(saved), QStringLiteral("Terminé !")}));
}

TEST_F(Preview, TheSaveDialogStartsFromTheLastSheetSaved) {
    const QString first = platform.root.filePath(QStringLiteral("first"));
    platform.files.answers.push_back(FileChooserAnswer{first, {first}, 0});
    executeClicking("saveimg_btn");
    executeClicking("saveimg_btn"); // cancelled
    ASSERT_EQ(platform.files.requests.size(), 2u);
    EXPECT_TRUE(platform.files.requests[0].fileName.isEmpty());
    EXPECT_EQ(platform.files.requests[1].fileName, first + QStringLiteral(".jpg"));
    EXPECT_FALSE(platform.files.requests[1].mustExist);
}

TEST_F(Preview, TheWorkingCopyIsNeverReplacedByASheet) {
    const QString work =
        platform.root.filePath(QStringLiteral("data/Brindlewood/Quillmark/Quillmark.jpg"));
    QDir().mkpath(QFileInfo(work).absolutePath());
    QFile(work).open(QIODevice::WriteOnly);
    platform.files.answers.push_back(FileChooserAnswer{work, {work}, 0});
    executeClicking("saveimg_btn");
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(platform.messages.texts(),
              QStringList{QStringLiteral(
                              "\"\u2068%1\u2069\" is a file the program keeps for itself. Please "
                              "choose another name.")
                              .arg(work)});
    EXPECT_EQ(QFileInfo(work).size(), 0);
}

TEST_F(Preview, CancelledSaveKeepsThePreviewOpen) {
    executeClicking("saveimg_btn");
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(platform.messages.requests.empty());
}

TEST_F(Preview, AFailedSaveIsReportedAndNothingElseHappens) {
    // The chosen name is a folder: the copy cannot replace it.
    const QString folder = platform.root.filePath(QStringLiteral("taken.jpg"));
    QDir().mkpath(folder);
    platform.files.answers.push_back(FileChooserAnswer{folder, {folder}, 0});
    executeClicking("saveimg_btn");
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(platform.messages.requests.size(), 1u);
    EXPECT_EQ(platform.messages.requests[0].icon, MsgIcon::Error);
    EXPECT_EQ(platform.messages.requests[0].text,
              QStringLiteral("Could not write \"\u2068%1\u2069\": Is a directory").arg(folder));
    EXPECT_TRUE(platform.shell.opened.isEmpty());
    EXPECT_TRUE(QFileInfo(folder).isDir());

    // A folder that does not exist.
    platform.messages.requests.clear();
    stayedOpen = false;
    const QString missing = platform.root.filePath(QStringLiteral("missing/sheet.jpg"));
    platform.files.answers.push_back(FileChooserAnswer{missing, {missing}, 0});
    executeClicking("saveimg_btn");
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(platform.messages.requests.size(), 1u);
    EXPECT_EQ(platform.messages.requests[0].text,
              QStringLiteral("Could not write \"\u2068%1\u2069\": No such file or directory")
                  .arg(missing));
}

TEST_F(Preview, UsbKeyWritesQuillmarkJpgAtTheRoot) {
    const QString root = platform.root.filePath(QStringLiteral("stick")) + QLatin1Char('/');
    QDir().mkpath(root);
    platform.drives.drives = {RemovableDrive{root, QStringLiteral("sdb1"), QString(), true}};
    EXPECT_FALSE(executeClicking("usb_btn"));
    EXPECT_FALSE(stayedOpen);
    const QImage written(root + QStringLiteral("Quillmark.jpg"));
    EXPECT_EQ(written.size(), QSize(600, 800));
    QString why;
    EXPECT_TRUE(HasBlocks(written, &why)) << why.toStdString();
    EXPECT_EQ(QDir(root).entryList(QDir::Files), QStringList{QStringLiteral("Quillmark.jpg")});
    ASSERT_EQ(platform.messages.requests.size(), 1u);
    EXPECT_EQ(platform.messages.requests[0].text, QStringLiteral("Done !"));
    EXPECT_EQ(platform.shell.opened, QStringList{root});
}

TEST_F(Preview, AUsbDriveGoneBeforeWritingIsReported) {
    const QString root = platform.root.filePath(QStringLiteral("pulled")) + QLatin1Char('/');
    platform.drives.drives = {RemovableDrive{root, QStringLiteral("sdb1"), QString(), true}};
    executeClicking("usb_btn");
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(platform.messages.requests.size(), 1u);
    EXPECT_EQ(platform.messages.requests[0].icon, MsgIcon::Error);
    EXPECT_FALSE(QFile::exists(root + QStringLiteral("Quillmark.jpg")));
    EXPECT_TRUE(platform.shell.opened.isEmpty());
}

} // namespace
