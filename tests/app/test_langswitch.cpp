// The chooser bound to a real language component over packs on disk, and a switch on the
// program's own windows.
#include "localization/C_LangPack.h"
#include "tests/common/Fakes.h"
#include "localization/Lang_File.h"
#include "localization/Lang_langChoice.h"
#include "app/U_MainDlg.h"
#include "print/U_PreviewDlg.h"
#include "localization/U_SettingsDlg.h"
#include "about/U_about.h"
#include "support/U_Log.h"
#include "localization/Lang_Reading.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

LangPack Pack(uint16_t id, const QString& name, const QImage& picture = {}) {
    LangPack pack;
    pack.header.languageId = id;
    pack.header.listTitle = pack.header.languageName = name;
    pack.header.picture = picture;
    return pack;
}

LangEntry Caption(const char* key, const QString& caption) {
    LangEntry entry;
    entry.key = QLatin1String(key);
    entry.captionTag = kCaptionTag | kTranslatedBit;
    entry.caption = caption;
    return entry;
}

class ChooserTest : public ::testing::Test {
protected:
    ChooserTest() {
        folder = dir.path() + QLatin1Char('/');
        QImage flag(20, 28, QImage::Format_RGB32);
        flag.fill(QColor(0, 85, 164));
        WriteLanguageFile(folder + QStringLiteral("QKS_0000040C.SPK"),
                          Pack(0x040C, QStringLiteral("Français"), flag));
        WriteLanguageFile(folder + QStringLiteral("QKS_00000407.SPK"),
                          Pack(0x0407, QStringLiteral("Deutsch")));
        LangPlatform platform;
        platform.programFolder = folder;
        languages.SetPlatform(platform);
        languages.setFilePrefix(QStringLiteral("QKS_"));
        languages.setRegKey(QString());
        QObject::connect(&languages, &TLangList::languageSwitched, [this] { ++kept; });
        chooser = std::make_unique<TLanguageChoice>();
        chooser->resize(300, 200);
        QObject::connect(chooser.get(), &TLanguageChoice::clicked, [this] { ++clicks; });
        QObject::connect(chooser.get(), &TLanguageChoice::switchFailed,
                         [this](const QString& message) { errors << message; });
        chooser->setLanguageList(&languages);
    }
    void click(int row) {
        chooser->List()->setCurrentRow(row);
        chooser->ListClick();
    }

    QTemporaryDir dir;
    QString folder;
    TLangList languages;
    std::unique_ptr<TLanguageChoice> chooser;
    int kept = 0;
    int clicks = 0;
    QStringList errors;
};

TEST_F(ChooserTest, OwnerAndChooserAreBothToldOfEverySwitch) {
    ASSERT_EQ(chooser->List()->count(), 2);
    EXPECT_TRUE(chooser->List()->item(0)->text().startsWith(QStringLiteral("Français")));
    EXPECT_TRUE(chooser->Header()->text().isEmpty());

    click(1);
    EXPECT_EQ(languages.LanguageIndex(), 1);
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(chooser->Header()->text(), QStringLiteral("Deutsch"));

    click(1); // the selected line again applies its pack again
    EXPECT_EQ(kept, 2);
    EXPECT_EQ(clicks, 2);

    languages.SetLanguageIndex(0); // a switch started elsewhere
    EXPECT_EQ(chooser->List()->currentRow(), 0);
    EXPECT_EQ(chooser->Header()->text(), QStringLiteral("  Français"));
    EXPECT_EQ(kept, 3);
    EXPECT_EQ(clicks, 2);

    chooser->setLanguageList(&languages); // binding again must not follow the list twice
    languages.SetLanguageIndex(1);
    EXPECT_EQ(kept, 4);

    chooser->setLanguageList(nullptr); // the owner is still told
    EXPECT_EQ(chooser->List()->count(), 0);
    languages.SetLanguageIndex(0);
    EXPECT_EQ(kept, 5);
    chooser->setLanguageList(&languages);
    chooser.reset(); // and again when the chooser goes first
    languages.SetLanguageIndex(1);
    EXPECT_EQ(kept, 6);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(ChooserTest, FailedSwitchesLeaveTheChooserUsable) {
    QFile::remove(folder + QStringLiteral("QKS_00000407.SPK"));
    click(1);
    EXPECT_EQ(kept, 0);
    EXPECT_EQ(chooser->List()->currentRow(), 1);
    EXPECT_TRUE(chooser->Header()->text().isEmpty());
    EXPECT_EQ(clicks, 1);

    // A revision the reader does not know: record 0 holds revision << 16 | identifier.
    QFile french(folder + QStringLiteral("QKS_0000040C.SPK"));
    ASSERT_TRUE(french.open(QIODevice::ReadWrite));
    french.seek(21 + 8 + 2);
    french.write(QByteArray("\x05\x00", 2));
    french.close();
    click(0);
    EXPECT_EQ(errors, QStringList{QStringLiteral("Format not supported in this revision")});
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ChooserTest, ItemsDrawThePictureInItsFrame) {
    chooser->show();
    const QImage shot = chooser->List()->viewport()->grab().toImage();
    const QColor frame(255, 251, 240);
    // First line: a 20 x 28 picture at 4,2 inside a 22 x 30 frame from 3,1.
    EXPECT_EQ(shot.pixelColor(3, 1), frame);
    EXPECT_EQ(shot.pixelColor(24, 30), frame);
    EXPECT_EQ(shot.pixelColor(4, 2), QColor(0, 85, 164));
    EXPECT_EQ(shot.pixelColor(23, 29), QColor(0, 85, 164));
    EXPECT_NE(shot.pixelColor(25, 15), frame);
    // Second line has no picture: a 2 x 2 frame.
    EXPECT_EQ(shot.pixelColor(3, 33), frame);
    EXPECT_NE(shot.pixelColor(5, 35), frame);
}

class MainWindowSwitch : public ::testing::Test {
protected:
    void start(const QStringList& arguments = {}) {
        fake.services.programFile = QCoreApplication::applicationFilePath();
        fake.services.arguments = arguments;
        main = std::make_unique<TMainDlg>(fake.services);
        LangPlatform platform = main->Languages()->Platform();
        platform.programFolder = dir.path() + QLatin1Char('/');
        platform.userLanguage = [] { return uint16_t(0x040C); };
        main->Languages()->SetPlatform(platform);
        settings = new TSettingsDlg(main.get());
        auto* preview = new Tpreviewdlg(fake.services, main.get());
        about = new TAboutDlg(fake.shell, fake.services.programFile, main.get());
        main->SetWindows(settings, preview, about);
        main->FirstActivation();
    }
    template <typename T> T* child(QObject* window, const char* name) {
        return window->findChild<T*>(QLatin1String(name));
    }

    QTemporaryDir dir;
    FakePlatform fake;
    std::unique_ptr<TMainDlg> main;
    TSettingsDlg* settings = nullptr;
    TAboutDlg* about = nullptr;
};

TEST_F(MainWindowSwitch, UserLanguageTranslatesEveryWindowAndTheFormatList) {
    TTextStorage storage(QStringLiteral("main_ts"), ::MainTexts());
    QStringList countries = storage.Items();
    countries[countries.indexOf(QStringLiteral("Finland"))] = QStringLiteral("Finlande");
    LangEntry list;
    list.key = QStringLiteral("MainDlg.main_ts");
    list.listTag = kListTag | kTranslatedBit;
    list.lines = countries;
    LangPack pack = Pack(0x040C, QStringLiteral("Français"));
    pack.entries = {Caption("MainDlg", QStringLiteral("Photo d'identité")),
                    Caption("MainDlg.print_btn", QStringLiteral("Imprimer")),
                    Caption("MainDlg.ransform1", QStringLiteral("Transformer")),
                    Caption("SettingsDlg", QStringLiteral("Paramètres")),
                    Caption("AboutDlg.ok_btn", QStringLiteral("D'accord")),
                    list};
    WriteLanguageFile(dir.filePath(QStringLiteral("QKS_0000040C.SPK")), pack);

    start();
    EXPECT_EQ(child<QPushButton>(main.get(), "print_btn")->text(), QStringLiteral("Imprimer"));
    EXPECT_EQ(child<QMenu>(main.get(), "ransform1")->title(), QStringLiteral("Transformer"));
    EXPECT_EQ(settings->windowTitle(), QStringLiteral("Paramètres"));
    EXPECT_EQ(child<QPushButton>(about, "ok_btn")->text(), QStringLiteral("D'accord"));
    // The caption is the program's own again, and the list is rebuilt in French before
    // the saved format is chosen.
    EXPECT_TRUE(main->windowTitle().startsWith(QStringLiteral("Quillmark v")));
    auto* formats = child<QComboBox>(main.get(), "format_cmb");
    ASSERT_EQ(formats->count(), 66);
    EXPECT_EQ(formats->currentIndex(), 19);
    EXPECT_EQ(formats->itemText(19), QStringLiteral("35 x 45 mm (Finlande)"));
    EXPECT_EQ(settings->Chooser()->List()->currentRow(), 0);
    EXPECT_EQ(settings->Chooser()->Header()->text(), QStringLiteral("  Français"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annuler"));
    EXPECT_TRUE(fake.messages.requests.empty());
}

// Two names of one pack differing only in case: the program starts in it and logs one aside.
TEST_F(MainWindowSwitch, PacksNamedAlikeInAnotherCaseStartAndLogOneDuplicate) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QString pack = dir.filePath(QStringLiteral("QKS_0000040C.SPK"));
    WriteLanguageFile(pack, Pack(0x040C, QStringLiteral("Français")));
    QFile::copy(pack, dir.filePath(QStringLiteral("qks_0000040c.spk")));
    EXPECT_EXIT(
        {
            start();
            const QList<QByteArray>& log = main->Log()->Lines();
            const auto aside = std::count_if(log.begin(), log.end(), [](const QByteArray& line) {
                return line.contains("qks_0000040c.spk (the same name");
            });
            std::_Exit(int(aside) + (main->Languages()->CurrentLanguageName().isEmpty() ? 10 : 0));
        },
        ::testing::ExitedWithCode(1), "");
}

// A Hebrew pack mirrors what each window places itself, draws the list's flags on the right,
// keeps English captions and file names whole; French puts everything back.
TEST_F(MainWindowSwitch, RightToLeftPackMirrorsTheWindowsAndFrenchRestoresThem) {
    QImage flag(20, 28, QImage::Format_RGB32);
    flag.fill(Qt::blue);
    LangPack hebrew = Pack(0x040D, QStringLiteral("עברית"));
    hebrew.header.charset = 177;
    WriteLanguageFile(dir.filePath(QStringLiteral("QKS_0000040D.SPK")), hebrew);
    WriteLanguageFile(dir.filePath("QKS_0000040C.SPK"), Pack(0x040C, "Français", flag));
    start();
    QList<QWidget*> placed;
    for (const char* name : {"preview_grp", "opt_grp", "JvBitBtn1", "rot_btn", "dynnum_lbl"})
        placed << child<QWidget>(main.get(), name);
    placed << child<QWidget>(settings, "LanguageChoice1") << child<QWidget>(about, "ok_btn")
           << child<QWidget>(main->findChild<Tpreviewdlg*>(), "usb_btn");
    QList<QRect> designed; // in each control's parent
    for (QWidget* control : placed)
        designed << control->geometry();

    main->Languages()->SetLanguageIndex(1);
    for (qsizetype i = 0; i < placed.size(); ++i)
        EXPECT_EQ(placed[i]->x(), placed[i]->parentWidget()->width() - designed[i].right() - 1);
    auto* load = child<QAction>(main.get(), "LoadPicture1");
    EXPECT_EQ(load->text(), QStringLiteral("\u200F\u2066Load Picture...\u2069"));
    EXPECT_FALSE(child<QLabel>(main.get(), "dynnum_lbl")->text().startsWith(QChar(0x200F)));
    // A format's row keeps its own order; choosing it reads the label, not the row.
    auto* formats = child<QComboBox>(main.get(), "format_cmb");
    EXPECT_EQ(formats->itemText(22), QStringLiteral("\u200F\u206640 x 60 mm (Greece)\u2069"));
    formats->setCurrentIndex(22);
    main->format_cmbChange();
    EXPECT_EQ(main->Engine()->PhotoWidthMM * 100 + main->Engine()->PhotoHeightMM, 4060);
    EXPECT_TRUE(main->Log()->Lines().first().endsWith("Selecting format : 40 x 60 mm (Greece)"));
    main->move(300, 50); // the popup, wider than the box, opens leftwards from its right edge
    main->show();
    formats->showPopup();
    EXPECT_EQ(formats->view()->window()->geometry().right(),
              formats->mapToGlobal(QPoint(formats->width() - 1, 0)).x());
    formats->hidePopup();
    settings->show(); // the French flag at the right end of its line
    QWidget* list = settings->Chooser()->List()->viewport();
    EXPECT_EQ(list->grab().toImage().pixelColor(list->width() - 5, 2), QColor(Qt::blue));
    // The Hebrew name whole beside the version, in a list of either direction.
    EXPECT_TRUE(settings->Chooser()->List()->item(1)->text().startsWith("\u2068עברית\u2069 ["));
    const QString empty = dir.filePath(QStringLiteral("empty.jpg"));
    QFile(empty).open(QIODevice::WriteOnly);
    main->OpenPicture(empty);
    EXPECT_EQ(fake.messages.texts().value(0), QString("\"\u2068%1\u2069\" is empty.").arg(empty));

    main->Languages()->SetLanguageIndex(0);
    EXPECT_EQ(LocalNumber(34, 1), QStringLiteral("34,0"));
    EXPECT_EQ(load->text(), QStringLiteral("Load Picture..."));
    EXPECT_EQ(formats->itemText(22), QStringLiteral("40 x 60 mm (Greece)"));
    formats->showPopup(); // and rightwards from its left edge again
    EXPECT_EQ(formats->view()->window()->x(), formats->mapToGlobal(QPoint(0, 0)).x());
    formats->hidePopup();
    for (qsizetype i = 0; i < placed.size(); ++i)
        EXPECT_EQ(placed[i]->geometry(), designed[i]);
}

TEST_F(MainWindowSwitch, BaseFileHoldsEveryWindowUntranslated) {
    start({QStringLiteral("/CO")});
    const auto base = ReadLanguageFile(dir.filePath(QStringLiteral("QKS_ORIGINAL.SPK")));
    ASSERT_TRUE(base.has_value());
    QStringList keys;
    for (const LangEntry& entry : base->entries)
        keys << entry.key;
    for (const char* key :
         {"MainDlg", "MainDlg.print_btn", "MainDlg.ransform1", "MainDlg.OpenLogFile1",
          "MainDlg.main_ts", "SettingsDlg", "previewdlg", "previewdlg.saveimg_btn",
          "AboutDlg.brindlewood_grp", "AboutDlg.TS_about"})
        EXPECT_TRUE(keys.contains(QLatin1String(key))) << key;
    EXPECT_FALSE(keys.contains(QStringLiteral("MainDlg.img")));
    EXPECT_TRUE(main->Started());
}

} // namespace
