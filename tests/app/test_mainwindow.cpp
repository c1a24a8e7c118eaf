#include "about/U_about.h"
#include "app/U_HelpWindow.h"
#include "app/U_MainDlg.h"
#include "app/U_PictureView.h"
#include "app/U_TrackBar.h"
#include "support/U_QMKSUtils.h"
#include "tests/common/Fakes.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <QTextBrowser>

#include <gtest/gtest.h>

namespace {

const QString kNoPrinter = QStringLiteral(
    "No printer found ! Quillmark needs at least a printer to be present. Please install a "
    "printer and reload.");

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() { fake.services.programFile = QCoreApplication::applicationFilePath(); }

    TMainDlg& start() {
        window = std::make_unique<TMainDlg>(fake.services);
        window->FirstActivation();
        return *window;
    }
    template <typename T> T* child(const char* name) {
        return window->findChild<T*>(QLatin1String(name));
    }
    QStringList messages() const {
        QStringList result;
        for (const QByteArray& line : window->Log()->Lines())
            result.prepend(QString::fromUtf8(line.mid(line.indexOf('\t', 5) + 1)));
        return result;
    }
    QString logFile() const {
        return fake.folders.appData + QStringLiteral("/Brindlewood/Quillmark/Quillmark.log");
    }
    void select(int index) {
        child<QComboBox>("format_cmb")->setCurrentIndex(index);
        window->format_cmbChange();
    }
    QString savedIndex() { return ReadSetting(*fake.settings, QStringLiteral("PicFormatIdx")); }

    FakePlatform fake;
    std::unique_ptr<TMainDlg> window;
};

} // namespace

TEST_F(MainWindowTest, StartUpWritesTheFactsPrintersAndFirstFormat) {
    fake.printers.printers = {{QStringLiteral("Alpha"), A4At600()},
                              {QStringLiteral("Beta"), A4At600()},
                              {QStringLiteral("Gamma"), A4At600()}};
    fake.printers.defaultIndex = 1;
    fake.system.admin = true;
    fake.services.arguments = {QStringLiteral("--portrait")};
    start();
    const QString caption = QStringLiteral("Quillmark v") + QStringLiteral(QM_TEST_VERSION);
    EXPECT_EQ(window->windowTitle(), caption);
    const QStringList expected = {
        QStringLiteral("Starting"),
        fake.services.programFile,
        caption,
        QStringLiteral("Windows : Linux 6.1.0 (Debian GNU/Linux 12 (bookworm))"),
        QStringLiteral("64Bits : No"),
        QStringLiteral("Administrator : Yes"),
        QStringLiteral("--portrait"),
        QStringLiteral("3 printer(s) found"),
        QStringLiteral("Printer 1 : Alpha"),
        QStringLiteral("Printer 2 : Beta"),
        QStringLiteral("Printer 3 : Gamma"),
        QStringLiteral("Selected printer : (2) Beta"),
        QStringLiteral("Scale mode : Stretch"),
        QStringLiteral("Selecting format : 35 x 45 mm (Finland)"),
    };
    EXPECT_EQ(messages(), expected);
    EXPECT_TRUE(QFile::exists(logFile()));
    EXPECT_EQ(child<QStatusBar>("StatusBar")->findChild<QLabel*>()->text(), QStringLiteral("Beta"));
    EXPECT_TRUE(fake.messages.requests.empty());

    // The program path is recorded for other tools of the maker.
    QString recorded;
    ASSERT_TRUE(fake.settings->readString(QStringLiteral("SOFTWARE\\Brindlewood"),
                                          QStringLiteral("Quillmark"), recorded));
    EXPECT_EQ(recorded, fake.services.programFile);
}

TEST_F(MainWindowTest, FirstStartSelectsFinlandAndSavesIt) {
    // No country in the locale: the catalogue's default.
    const QLocale before;
    QLocale::setDefault(QLocale::c());
    start();
    QLocale::setDefault(before);
    auto* formats = child<QComboBox>("format_cmb");
    EXPECT_EQ(formats->count(), 66);
    EXPECT_EQ(formats->currentIndex(), 19);
    EXPECT_EQ(savedIndex(), QStringLiteral("19"));
    EXPECT_EQ(window->Engine()->PhotoWidthMM, 35);
    EXPECT_EQ(window->Engine()->PhotoHeightMM, 45);
    EXPECT_EQ(child<TPictureView>("img")->height(), 194);
    EXPECT_TRUE(child<QCheckBox>("normmask_chk")->isEnabled());
    EXPECT_TRUE(child<QAction>("AutoResize1")->isChecked());
    // A later activation runs nothing again.
    const qsizetype lines = window->Log()->Lines().size();
    window->FirstActivation();
    EXPECT_EQ(window->Log()->Lines().size(), lines);
}

TEST_F(MainWindowTest, SavedFormatIsRestoredAndBadValuesGiveTheFirstEntry) {
    const struct {
        const char* stored;
        int expected;
    } cases[] = {{"22", 22},         {"", 19},      {"abc", 0}, {"-3", 0}, {"66", 0},
                 {"99999999999", 0}, {"12junk", 0}, {" 7", 7},  {"7 ", 0}, {"+3", 3}};
    for (const auto& c : cases) {
        WriteSetting(*fake.settings, QStringLiteral("PicFormatIdx"), QString::fromUtf8(c.stored));
        start();
        EXPECT_EQ(child<QComboBox>("format_cmb")->currentIndex(), c.expected) << c.stored;
        EXPECT_EQ(savedIndex(), QString::number(c.expected)) << c.stored;
    }
}

TEST_F(MainWindowTest, NoPrinterShowsTheErrorAndCloses) {
    fake.printers.printers.clear();
    start();
    window->show();
    ASSERT_EQ(fake.messages.requests.size(), 1u);
    EXPECT_EQ(fake.messages.requests[0].text, kNoPrinter);
    EXPECT_EQ(fake.messages.requests[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(messages().last(), QStringLiteral("0 printer(s) found"));
    EXPECT_EQ(window->Engine(), nullptr);
}

TEST_F(MainWindowTest, UnusablePrinterClosesWithTheSameMessage) {
    fake.printers.failMetrics = true;
    start();
    ASSERT_EQ(fake.messages.requests.size(), 1u);
    EXPECT_EQ(fake.messages.requests[0].text, kNoPrinter);
    EXPECT_EQ(window->Engine(), nullptr);
}

TEST_F(MainWindowTest, FormatChangesDriveEngineDisplayAndMask) {
    start();
    auto* mask = child<QCheckBox>("normmask_chk");
    auto* img = child<TPictureView>("img");
    mask->setChecked(true);
    window->normmask_chkClick();
    EXPECT_TRUE(img->maskVisible());

    select(4); // 2 x 2 in (Bahamas)
    EXPECT_EQ(window->Engine()->PhotoWidthMM, 50);
    EXPECT_EQ(window->Engine()->PhotoHeightMM, 50);
    EXPECT_EQ(img->height(), 151);
    EXPECT_FALSE(mask->isEnabled());
    EXPECT_TRUE(mask->isChecked());
    EXPECT_FALSE(img->maskVisible());
    EXPECT_EQ(savedIndex(), QStringLiteral("4"));

    select(14); // 1,5 x 2,5 in (Colombia)
    EXPECT_EQ(window->Engine()->PhotoWidthMM, 38);
    EXPECT_EQ(window->Engine()->PhotoHeightMM, 63);
    EXPECT_EQ(img->height(), 252);

    select(20); // back to a 35 x 45 format: the tick shows the mask again
    EXPECT_TRUE(mask->isEnabled());
    EXPECT_TRUE(img->maskVisible());
    EXPECT_EQ(messages().last(), QStringLiteral("Selecting format : 35 x 45 mm (France)"));
}

TEST_F(MainWindowTest, UnreadableLabelWarnsAndKeepsThePreviousSize) {
    start();
    auto* formats = child<QComboBox>("format_cmb");
    select(22); // 40 x 60 mm
    formats->setItemData(3, QStringLiteral("Passport size (Nowhere)"), kFormatLabelRole);
    select(3);
    ASSERT_EQ(fake.messages.requests.size(), 1u);
    EXPECT_EQ(fake.messages.requests[0].text,
              QStringLiteral("Unable to determine picture format. Please contact tech. support."));
    EXPECT_EQ(fake.messages.requests[0].caption, QStringLiteral("Quillmark"));
    EXPECT_EQ(fake.messages.requests[0].icon, MsgIcon::None);
    EXPECT_EQ(messages().last(), QStringLiteral("Unable to determine picture format."));
    EXPECT_EQ(window->Engine()->PhotoWidthMM, 40);
    EXPECT_EQ(window->Engine()->PhotoHeightMM, 60);
    EXPECT_EQ(child<TPictureView>("img")->height(), 226);
    EXPECT_EQ(savedIndex(), QStringLiteral("3")) << "the index is saved all the same";
    EXPECT_TRUE(child<QCheckBox>("normmask_chk")->isEnabled()) << "start values are 35 x 45";
}

TEST_F(MainWindowTest, ABadNumberInALabelIsReportedOnceAndTheProgramGoesOn) {
    start();
    auto* formats = child<QComboBox>("format_cmb");
    formats->setItemData(5, QStringLiteral("1.5 x 2 in (Dotland)"), kFormatLabelRole);
    formats->setCurrentIndex(5);
    window->Guard([&] { window->format_cmbChange(); });
    ASSERT_EQ(fake.messages.requests.size(), 1u);
    EXPECT_TRUE(fake.messages.requests[0].text.contains(QStringLiteral("1.5")));
    EXPECT_EQ(savedIndex(), QStringLiteral("19")) << "the change stopped before saving";
}

TEST_F(MainWindowTest, CopiesSliderFollowsCapacity) {
    start();
    auto* slider = child<TTrackBar>("num_trk");
    auto* label = child<QLabel>("dynnum_lbl");
    EXPECT_EQ(slider->Min(), 1);
    EXPECT_EQ(slider->Max(), 30);
    EXPECT_EQ(slider->Position(), 30);
    EXPECT_EQ(label->text(), QStringLiteral("30"));

    select(22); // 40 x 60 mm: a smaller page capacity, the full page follows
    const int capacity = window->Engine()->Capacity();
    EXPECT_LT(capacity, 30);
    EXPECT_EQ(slider->Position(), capacity);
    select(20);
    EXPECT_EQ(slider->Position(), 30) << "a full page stays a full page";

    slider->SetPosition(12);
    select(22);
    EXPECT_EQ(slider->Position(), 12) << "a smaller choice is kept while it fits";
}

TEST_F(MainWindowTest, ControlsHaveTheirNamesPlacesAndCaptions) {
    start();
    struct Place {
        const char* name;
        QRect geometry;
    } places[] = {{"preview_grp", {5, 1, 172, 224}},      {"img", {10, 16, 151, 194}},
                  {"opt_grp", {185, 1, 200, 120}},        {"num_trk", {8, 54, 153, 34}},
                  {"translate_btn", {216, 134, 130, 43}}, {"opt_btn", {216, 182, 130, 43}},
                  {"print_btn", {216, 230, 130, 43}},     {"JvBitBtn1", {3, 230, 130, 43}},
                  {"rot_btn", {139, 230, 44, 43}}};
    for (const Place& p : places) {
        auto* w = child<QWidget>(p.name);
        ASSERT_NE(w, nullptr) << p.name;
        EXPECT_EQ(w->geometry(), p.geometry) << p.name;
    }
    EXPECT_EQ(child<QPushButton>("print_btn")->text(), QStringLiteral("Print Now"));
    EXPECT_TRUE(child<QPushButton>("print_btn")->font().bold());
    EXPECT_EQ(child<QPushButton>("JvBitBtn1")->text(), QStringLiteral("Load Picture"));
    EXPECT_EQ(child<QPushButton>("rot_btn")->text(), QString());
    EXPECT_EQ(child<QGroupBox>("preview_grp")->title(), QStringLiteral("Photo"));
    EXPECT_EQ(child<QCheckBox>("normmask_chk")->text(), QStringLiteral("Show norm mask"));
    EXPECT_EQ(window->font().family(), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(window->centralWidget()->height() + window->statusBar()->height(), 299);
    EXPECT_EQ(window->width(), 390);

    // The component walk sees every named component once, in creation order.
    QStringList names;
    for (QObject* c : window->Components())
        names << c->objectName();
    EXPECT_EQ(names.first(), QStringLiteral("preview_grp"));
    for (const char* n : {"main_ts", "langue", "WOD", "AppEvt", "LoadPicture1", "ransform1",
                          "Restoreoriginalpicture1", "OpenLogFile1", "StatusBar"})
        EXPECT_EQ(names.count(QLatin1String(n)), 1) << n;
    EXPECT_LT(names.indexOf(QStringLiteral("img")), names.indexOf(QStringLiteral("opt_grp")));
}

TEST_F(MainWindowTest, PicturesAndButtonsHaveAccessibleNames) {
    start();
    auto name = [](QWidget* w) {
        return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
    };
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (!button->objectName().startsWith(QLatin1String("qt_"))) // the toolkit's own
            EXPECT_FALSE(name(button).trimmed().isEmpty()) << button->objectName().toStdString();
    EXPECT_EQ(name(child<QWidget>("img")), QStringLiteral("Photo"));
    auto* rotate = child<QPushButton>("rot_btn");
    EXPECT_EQ(rotate->toolTip(), QStringLiteral("Rotate"));
    rotate->setToolTip(QStringLiteral("Faire pivoter")); // as a language pack does
    EXPECT_EQ(name(rotate), QStringLiteral("Faire pivoter"));
}

TEST_F(MainWindowTest, FormatListDropsDownSixteenRowsBelowTheBox) {
    start();
    window->show();
    auto* box = child<QComboBox>("format_cmb");
    box->showPopup();
    QAbstractItemView* list = box->view();
    ASSERT_TRUE(list->isVisible());
    const int row = list->visualRect(box->model()->index(0, 0)).height();
    ASSERT_GT(row, 0);
    EXPECT_EQ(list->viewport()->height() / row, 16);
    EXPECT_GE(list->window()->geometry().top(), box->mapToGlobal(QPoint(0, box->height() - 1)).y());
    box->hidePopup();
}

TEST_F(MainWindowTest, MenuCommandsCarryTheirShortcuts) {
    start();
    const struct {
        const char* name;
        const char* caption;
        const char* keys;
    } items[] = {{"LoadPicture1", "Load Picture...", "Ctrl+O"},
                 {"Exit1", "Exit", "Ctrl+Q"},
                 {"Rotate1", "Rotate", "Ctrl+R"},
                 {"AutoResize1", "Auto Resize", "Ctrl+A"},
                 {"PrinterSettings1", "Printer Settings", "Ctrl+P"},
                 {"Language1", "Language", "Ctrl+S"},
                 {"Greyscale1", "Greyscale", "Ctrl+G"},
                 {"Sepia1", "Sepia", "Ctrl+H"},
                 {"Help1", "Help", "F1"},
                 {"OpenLogFile1", "Open &Log File", "Ctrl+L"},
                 {"About1", "About", ""},
                 {"Restoreoriginalpicture1", "Restore original picture", ""}};
    for (const auto& item : items) {
        auto* action = child<QAction>(item.name);
        ASSERT_NE(action, nullptr) << item.name;
        EXPECT_EQ(action->text(), QLatin1String(item.caption));
        EXPECT_EQ(action->shortcut(), QKeySequence(QLatin1String(item.keys))) << item.name;
    }
}

TEST_F(MainWindowTest, HelpAndLogOpenWithTheDesktopsHandler) {
    start();
    child<QAction>("Help1")->trigger();
    child<QAction>("OpenLogFile1")->trigger();
    fake.shell.succeed = false;
    child<QAction>("Help1")->trigger(); // a failure shows nothing
    ASSERT_EQ(fake.shell.opened.size(), 3);
    EXPECT_EQ(fake.shell.opened[0],
              QCoreApplication::applicationDirPath() + QStringLiteral("/help.htm"));
    EXPECT_EQ(fake.shell.opened[1], logFile());
    EXPECT_TRUE(fake.messages.requests.empty());
}

// A page that no program on the desktop opens is shown in a window of the program's own;
// the page is the one of the language shown when there is one.
TEST_F(MainWindowTest, HelpShowsItsOwnWindowWhenTheDesktopCannot) {
    fake.services.programFile = fake.root.filePath(QStringLiteral("bin/quillmark"));
    QDir().mkpath(fake.root.filePath(QStringLiteral("bin")));
    QFile page(fake.root.filePath(QStringLiteral("bin/help.htm")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly) && page.write("<h1>Quillmark Help</h1>") > 0);
    page.close();
    start();
    fake.shell.succeed = false;
    child<QAction>("Help1")->trigger();
    const auto browsers = window->findChildren<QTextBrowser*>();
    ASSERT_EQ(browsers.size(), 1);
    EXPECT_TRUE(browsers[0]->isVisible());
    EXPECT_TRUE(browsers[0]->toPlainText().contains(QStringLiteral("Quillmark Help")));
    EXPECT_EQ(browsers[0]->window()->windowTitle(), QStringLiteral("Help"));
    for (const auto& [id, name] : {std::pair(0x040C, "help_fr.htm"),
                                   {0x0407, "help_de.htm"},
                                   {0x0C0A, "help_es.htm"},
                                   {0x0413, "help.htm"}})
        EXPECT_EQ(HelpPageName(id), QLatin1String(name));
}

// The help window follows links only inside its folder; web addresses go to the desktop.
TEST(HelpLinks, StayInTheHelpFolder) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("help"));
    const QString folder = dir.filePath(QStringLiteral("help"));
    QFile(folder + QStringLiteral("/help_fr.htm")).open(QIODevice::WriteOnly);
    QFile(dir.filePath(QStringLiteral("secret.txt"))).open(QIODevice::WriteOnly);
    QFile::link(dir.filePath(QStringLiteral("secret.txt")), folder + QStringLiteral("/out.htm"));
    const std::pair<QUrl, HelpLink> cases[] = {
        {QUrl::fromLocalFile(folder + QStringLiteral("/help_fr.htm")), HelpLink::Follow},
        {QUrl(QUrl::fromLocalFile(folder).toString() + QStringLiteral("/help_fr.htm#frame")),
         HelpLink::Follow},
        {QUrl::fromLocalFile(folder + QStringLiteral("/out.htm")), HelpLink::Refuse},
        {QUrl::fromLocalFile(folder + QStringLiteral("/../secret.txt")), HelpLink::Refuse},
        {QUrl(QStringLiteral("file:///etc/passwd")), HelpLink::Refuse},
        {QUrl(QStringLiteral("ftp://example.org/x")), HelpLink::Refuse},
        {QUrl(QStringLiteral("https://example.org/photo")), HelpLink::Desktop},
    };
    for (const auto& [link, expected] : cases)
        EXPECT_EQ(ClassifyHelpLink(link, folder), expected) << link.toString().toStdString();
}

TEST_F(MainWindowTest, ShortcutsReachTheirCommands) {
    start();
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_F1);
    EXPECT_EQ(fake.shell.opened.size(), 1);
    QTest::keyClick(window.get(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(fake.shell.opened.size(), 2);
    fake.printers.dialogConfirms = false;
    QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(fake.printers.dialogs, 1);
}

TEST_F(MainWindowTest, AutoResizeTogglesTheScaleMode) {
    start();
    auto* action = child<QAction>("AutoResize1");
    action->trigger();
    EXPECT_FALSE(action->isChecked());
    EXPECT_FALSE(child<TPictureView>("img")->stretch());
    EXPECT_EQ(messages().last(), QStringLiteral("Scale mode : Resize"));
    action->trigger();
    EXPECT_TRUE(action->isChecked());
    EXPECT_EQ(messages().last(), QStringLiteral("Scale mode : Stretch"));
}

TEST(AboutBox, ShowsTranslatedNameAndVersion) {
    RecordingShell shell;
    TAboutDlg about(shell, QCoreApplication::applicationFilePath());
    about.FillTexts();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Quillmark"));
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("appname_lbl"))->text(),
              QStringLiteral("Application Name : Quillmark"));
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("version_lbl"))->text(),
              QStringLiteral("Version : ") + QStringLiteral(QM_TEST_VERSION));

    TAboutDlg unversioned(shell, QStringLiteral("/bin/sh"));
    unversioned.FillTexts();
    EXPECT_EQ(unversioned.findChild<QLabel*>(QStringLiteral("version_lbl"))->text(),
              QStringLiteral("Version : "));
}

// Execute on the offscreen platform: shown modally, centred over its owner, with the texts
// of the moment, and closed by its Ok button.
TEST(AboutBox, ExecuteShowsTheBoxCentredOverItsOwner) {
    RecordingShell shell;
    QWidget owner;
    owner.setGeometry(100, 50, 800, 600); // centre (499, 349)
    owner.show();
    auto* about = new TAboutDlg(shell, QCoreApplication::applicationFilePath(), &owner);
    struct Seen {
        bool shown = false, modal = false;
        QString title, version;
        QPoint at;
        QSize size;
    } seen;
    auto answer = [&] {
        QTimer::singleShot(0, about, [&] {
            seen = {about->isVisible(),
                    about->isModal(),
                    about->windowTitle(),
                    about->findChild<QLabel*>(QStringLiteral("version_lbl"))->text(),
                    about->pos(),
                    about->size()};
            about->findChild<QPushButton*>(QStringLiteral("ok_btn"))->click();
        });
    };
    answer();
    about->Execute();
    EXPECT_TRUE(seen.shown);
    EXPECT_TRUE(seen.modal);
    EXPECT_FALSE(about->isVisible()) << "Ok closes it";
    EXPECT_EQ(seen.size, QSize(389, 285));
    EXPECT_EQ(seen.at, QPoint(499 - 194, 349 - 142));
    EXPECT_EQ(seen.title, QStringLiteral("About Quillmark"));
    EXPECT_EQ(seen.version, QStringLiteral("Version : ") + QStringLiteral(QM_TEST_VERSION));
    EXPECT_EQ(about->result(), QDialog::Accepted);

    // Shown again after a language change, with the new texts.
    about->findChild<TTextStorage*>(QStringLiteral("TS_about"))
        ->setItems({QStringLiteral("Über"), QStringLiteral("Name :"), QStringLiteral("Fassung :"),
                    QStringLiteral("unused")});
    owner.setGeometry(300, 20, 800, 600);
    answer();
    about->Execute();
    EXPECT_EQ(seen.title, QStringLiteral("Über Quillmark"));
    EXPECT_EQ(seen.version, QStringLiteral("Fassung : ") + QStringLiteral(QM_TEST_VERSION));
    EXPECT_EQ(seen.at, QPoint(699 - 194, 319 - 142));
}

TEST(AboutBox, HasAMinimiseBoxAndNoMaximiseBox) {
    RecordingShell shell;
    TAboutDlg about(shell, QCoreApplication::applicationFilePath());
    EXPECT_TRUE(about.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(about.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
}

TEST(AboutBox, LinkButtonsOpenTheMakersAddresses) {
    RecordingShell shell;
    TAboutDlg about(shell, QCoreApplication::applicationFilePath());
    for (const char* name : {"email_btn", "web_btn", "forum_btn"})
        about.findChild<QPushButton*>(QLatin1String(name))->click();
    EXPECT_EQ(shell.opened, (QStringList{QStringLiteral("mailto:contact@example.com"),
                                         QStringLiteral("https://www.example.com/"),
                                         QStringLiteral("https://www.example.com/forum/")}));
}
