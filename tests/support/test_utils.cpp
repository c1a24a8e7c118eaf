#include "tests/common/Fakes.h"
#include "tests/common/FileBytes.h"
#include "platform/MessagePresenter.h"
#include "platform/SettingsStore.h"
#include "support/U_MsgDlg.h"
#include "support/U_OrrinUtils.h"
#include "support/U_QMKSUtils.h"
#include "support/U_WinVersion.h"
#include "platform/UserFolders.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <array>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

// ---- settings store -------------------------------------------------------------------

namespace {

class SettingsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file() const { return dir.filePath(QStringLiteral("cfg/registry.ini")); }
};

} // namespace

TEST_F(SettingsTest, ValuesSurviveARestart) {
    {
        auto store = createIniSettingsStore(file());
        EXPECT_TRUE(WriteSettingInt(*store, QStringLiteral("PicFormatIdx"), 20));
        RegisterProgramPath(*store, QStringLiteral("Quillmark"),
                            QStringLiteral("/opt/q/quillmark"));
    }
    auto store = createIniSettingsStore(file());
    EXPECT_EQ(ReadSetting(*store, QStringLiteral("PicFormatIdx")), QStringLiteral("20"));
    QString path;
    ASSERT_TRUE(store->readString(QStringLiteral("SOFTWARE\\Brindlewood"),
                                  QStringLiteral("Quillmark"), path));
    EXPECT_EQ(path, QStringLiteral("/opt/q/quillmark"));
}

// Key paths and value names compare without regard to case when written as when read: a
// write in another spelling updates the one value, under the spelling first written.
struct SpellingCase {
    const char* name;
    std::vector<std::array<const char*, 3>> writes; // key path, value name, data
    QStringList lines; // the values in the file, each as section\key=data
};
class SettingsSpelling : public ::testing::TestWithParam<SpellingCase> {};

TEST_P(SettingsSpelling, OneValueUnderTheFirstSpelling) {
    const SpellingCase& c = GetParam();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("registry.ini"));
    auto store = createIniSettingsStore(file);
    // The value each key holds last, by key path and name folded to lower case.
    const auto folded = [](const char* path, const char* name) {
        QString key = QString::fromLatin1(path).toLower();
        while (key.endsWith(u'\\'))
            key.chop(1);
        return key + u'\\' + QString::fromLatin1(name).toLower();
    };
    QMap<QString, QString> latest;
    for (const auto& [path, name, data] : c.writes) {
        ASSERT_TRUE(store->writeString(QString::fromLatin1(path), QString::fromLatin1(name),
                                       QString::fromLatin1(data)));
        latest[folded(path, name)] = QString::fromLatin1(data);
    }
    for (const auto& [path, name, data] : c.writes) {
        QString value;
        ASSERT_TRUE(store->readString(QString::fromLatin1(path).toUpper(),
                                      QString::fromLatin1(name).toLower(), value));
        EXPECT_EQ(value, latest[folded(path, name)]);
    }
    QStringList lines;
    QString section;
    for (const QString& line : QString::fromUtf8(ReadBytes(file)).split(u'\n')) {
        if (line.startsWith(u'['))
            section = line.mid(1, line.indexOf(u']') - 1);
        else if (line.contains(u'='))
            lines << section + u'\\' + line;
    }
    lines.sort();
    QStringList expected = c.lines;
    expected.sort();
    EXPECT_EQ(lines, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Writes, SettingsSpelling,
    ::testing::Values(SpellingCase{"EveryPart",
                                   {{"SOFTWARE\\Brindlewood\\Quillmark", "PicFormatIdx", "19"},
                                    {"software\\BRINDLEWOOD\\quillmark", "picformatidx", "20"}},
                                   {"SOFTWARE\\Brindlewood\\Quillmark\\PicFormatIdx=20"}},
                      SpellingCase{"FirstPart",
                                   {{"Software\\Brindlewood\\Quillmark", "langue", "1036"},
                                    {"SOFTWARE\\Brindlewood\\Quillmark", "langue", "1031"}},
                                   {"Software\\Brindlewood\\Quillmark\\langue=1031"}},
                      SpellingCase{"MiddlePart",
                                   {{"SOFTWARE\\Brindlewood\\Quillmark", "langue", "1036"},
                                    {"SOFTWARE\\brindlewood\\Quillmark", "langue", "1031"}},
                                   {"SOFTWARE\\Brindlewood\\Quillmark\\langue=1031"}},
                      SpellingCase{"LastPartAndName",
                                   {{"SOFTWARE\\Brindlewood\\Quillmark", "langue", "1036"},
                                    {"SOFTWARE\\Brindlewood\\QUILLMARK", "Langue", "1031"}},
                                   {"SOFTWARE\\Brindlewood\\Quillmark\\langue=1031"}},
                      SpellingCase{"NewValueInAKeySpelledOtherwise",
                                   {{"SOFTWARE\\Brindlewood\\Quillmark", "langue", "1036"},
                                    {"software\\brindlewood\\quillmark\\", "PicFormatIdx", "4"}},
                                   {"SOFTWARE\\Brindlewood\\Quillmark\\langue=1036",
                                    "SOFTWARE\\Brindlewood\\Quillmark\\PicFormatIdx=4"}},
                      SpellingCase{"ValueNamedLikeAKey",
                                   {{"SOFTWARE\\Brindlewood\\Quillmark", "langue", "1036"},
                                    {"software\\BRINDLEWOOD", "Quillmark", "/opt/q"}},
                                   {"SOFTWARE\\Brindlewood\\Quillmark\\langue=1036",
                                    "SOFTWARE\\Brindlewood\\Quillmark=/opt/q"}},
                      SpellingCase{"AnotherKeyStaysApart",
                                   {{"SOFTWARE\\Brindlewood\\Quillmark", "langue", "1036"},
                                    {"software\\brindlewood\\quillmarks", "langue", "1031"}},
                                   {"SOFTWARE\\Brindlewood\\Quillmark\\langue=1036",
                                    "SOFTWARE\\Brindlewood\\quillmarks\\langue=1031"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsTest, MissingValueReadsEmptyAndNegativeNumbersKeepTheirSign) {
    auto store = createIniSettingsStore(file());
    EXPECT_EQ(ReadSetting(*store, QStringLiteral("PicFormatIdx")), QString());
    WriteSettingInt(*store, QStringLiteral("PicFormatIdx"), -3);
    EXPECT_EQ(ReadSetting(*store, QStringLiteral("PicFormatIdx")), QStringLiteral("-3"));
}

TEST_F(SettingsTest, DamagedFileIsSetAsideAndDefaultsApply) {
    QDir().mkpath(QFileInfo(file()).absolutePath());
    {
        QFile f(file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[SOFTWARE\n\x01\x02=\xff\xfe[[[\n");
    }
    auto store = createIniSettingsStore(file());
    EXPECT_EQ(ReadSetting(*store, QStringLiteral("PicFormatIdx")), QString());
    EXPECT_TRUE(WriteSettingInt(*store, QStringLiteral("PicFormatIdx"), 7));
    EXPECT_EQ(ReadSetting(*store, QStringLiteral("PicFormatIdx")), QStringLiteral("7"));
}

// A rewrite may keep the file's size and time (a value of equal length, within the clock's
// granularity, or restored by a backup tool); the new value must still be read.
TEST_F(SettingsTest, RewriteWithEqualSizeAndTimeReadsTheNewValue) {
    QDir().mkpath(QFileInfo(file()).absolutePath());
    const QDateTime stamp = QDateTime::fromSecsSinceEpoch(86400 * 400 + 17);
    const auto put = [&](const char* content) {
        QFile f(file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.flush();
        ASSERT_TRUE(f.setFileTime(stamp, QFileDevice::FileModificationTime));
    };
    auto store = createIniSettingsStore(file());
    put("[SOFTWARE]\nBrindlewood\\Quillmark\\PicFormatIdx=19\n");
    EXPECT_EQ(ReadSetting(*store, QStringLiteral("PicFormatIdx")), QStringLiteral("19"));
    put("[SOFTWARE]\nBrindlewood\\Quillmark\\PicFormatIdx=42\n");
    ASSERT_EQ(QFileInfo(file()).lastModified(), stamp);
    EXPECT_EQ(ReadSetting(*store, QStringLiteral("PicFormatIdx")), QStringLiteral("42"));
    EXPECT_TRUE(WriteSettingInt(*store, QStringLiteral("PicFormatIdx"), 57));
    EXPECT_EQ(ReadSetting(*store, QStringLiteral("PicFormatIdx")), QStringLiteral("57"));
}

TEST_F(SettingsTest, UnwritableStoreFailsQuietly) {
    // A plain file where the settings folder should be: nothing can be written there.
    QFile blocker(dir.filePath(QStringLiteral("cfg")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    auto store = createIniSettingsStore(file());
    EXPECT_FALSE(WriteSettingInt(*store, QStringLiteral("PicFormatIdx"), 1));
    EXPECT_EQ(ReadSetting(*store, QStringLiteral("PicFormatIdx")), QString());
    RegisterProgramPath(*store, QStringLiteral("Quillmark"), QStringLiteral("/x"));
}

// ---- data folder ----------------------------------------------------------------------

// A fresh account: not even ~/.local/share exists. The whole path is made, each new folder
// private to the user, whether the data home is the default or XDG_DATA_HOME; the settings'
// folder likewise.
struct FreshAccountCase {
    const char* name;
    const char* xdgDataHome; // below the fresh home; null: unset
    const char* dataFolder;  // below the fresh home
    QStringList created;     // folders that must be new and 0700
    // The data home made beforehand, with this owner and mode: not the user's own (another
    // uid) or open to others; the program's files then go to a private folder under ~/.cache.
    uid_t owner = 0;
    mode_t mode = 0;
};
class FreshAccount : public ::testing::TestWithParam<FreshAccountCase> {};

TEST_P(FreshAccount, DataFolderIsMadeWithEveryParent) {
    const FreshAccountCase& c = GetParam();
    QTemporaryDir home;
    const QString program = home.filePath(QStringLiteral("bin/quillmark"));
    if (c.mode) {
        const QByteArray made = QFile::encodeName(home.filePath(c.xdgDataHome));
        ASSERT_TRUE(QDir().mkpath(home.filePath(c.xdgDataHome)));
        if (c.owner && ::geteuid() != 0)
            GTEST_SKIP() << "needs root to give a folder to another user";
        ASSERT_EQ((c.owner ? ::chown(made, c.owner, 0) : 0) | ::chmod(made, c.mode), 0);
    }
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldXdg = qgetenv("XDG_DATA_HOME");
    const bool hadXdg = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    const bool hadConfig = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    qunsetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    if (c.xdgDataHome)
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(c.xdgDataHome)));
    else
        qunsetenv("XDG_DATA_HOME");
    const auto folders = createStandardUserFolders();
    const QString folder = DataFolder(program, QStringLiteral("Quillmark"), *folders);
    EXPECT_TRUE(WriteSettingInt(*createUserSettingsStore(), QStringLiteral("PicFormatIdx"), 3));
    qputenv("HOME", oldHome);
    if (hadConfig)
        qputenv("XDG_CONFIG_HOME", oldConfig);
    if (hadXdg)
        qputenv("XDG_DATA_HOME", oldXdg);
    else
        qunsetenv("XDG_DATA_HOME");

    EXPECT_EQ(folder, home.filePath(QString::fromUtf8(c.dataFolder)));
    for (const QString& created : c.created) {
        const QFileInfo info(home.filePath(created));
        EXPECT_TRUE(info.isDir()) << created.toStdString();
        EXPECT_EQ(info.permissions() & 0x7777, QFile::ReadOwner | QFile::WriteOwner |
                                                   QFile::ExeOwner | QFile::ReadUser |
                                                   QFile::WriteUser | QFile::ExeUser)
            << created.toStdString();
    }
}

FreshAccountCase NotOwn(const char* name, uid_t owner, mode_t mode) {
    return {name, "xdg", ".cache/quillmark/data/", {".cache/quillmark/data"}, owner, mode};
}

INSTANTIATE_TEST_SUITE_P(
    Homes, FreshAccount,
    ::testing::Values(FreshAccountCase{"DefaultDataHome",
                                       nullptr,
                                       ".local/share/Brindlewood/Quillmark/",
                                       {".local", ".local/share", ".local/share/Brindlewood",
                                        ".local/share/Brindlewood/Quillmark"}},
                      FreshAccountCase{"XdgDataHome",
                                       "xdg/data",
                                       "xdg/data/Brindlewood/Quillmark/",
                                       {"xdg", "xdg/data", "xdg/data/Brindlewood",
                                        "xdg/data/Brindlewood/Quillmark"}},
                      NotOwn("XdgDataHomeOfAnotherUser", 65534, 0755),
                      NotOwn("XdgDataHomeOpenToOthers", 0, 0777)),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DataFolderTest, FallsBackToTheProgramsFolder) {
    QTemporaryDir dir;
    FakeUserFolders folders;
    const QString program = dir.filePath(QStringLiteral("quillmark"));
    const QString programFolder = dir.path() + QLatin1Char('/');

    folders.appData.clear(); // the desktop has none
    EXPECT_EQ(DataFolder(program, QStringLiteral("Quillmark"), folders), programFolder);

    // A plain file named Brindlewood is in the way.
    folders.appData = dir.filePath(QStringLiteral("appdata"));
    QDir().mkpath(folders.appData);
    QFile blocker(folders.appData + QStringLiteral("/Brindlewood"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_EQ(DataFolder(program, QStringLiteral("Quillmark"), folders), programFolder);
}

// ---- file version ---------------------------------------------------------------------

TEST(FileVersionTest, ReadsTheVersionEmbeddedInTheProgramFile) {
    EXPECT_EQ(FileVersionString(QCoreApplication::applicationFilePath()),
              QStringLiteral(QM_TEST_VERSION));
}

TEST(FileVersionTest, FilesWithoutVersionAndMissingPaths) {
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("notes.txt"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("no version here");
    f.close();
    EXPECT_EQ(FileVersionString(text), QString());
    EXPECT_EQ(FileVersionString(QStringLiteral("/bin/sh")), QString())
        << "an ELF file without our note";
    EXPECT_EQ(FileVersionString(dir.filePath(QStringLiteral("gone"))),
              QStringLiteral("File not found"));
    EXPECT_EQ(FileVersionString(dir.path()), QStringLiteral("File not found")) << "a folder";
}

// ---- small text helpers ---------------------------------------------------------------

TEST(TextHelpers, LeftCharsClampsTheCount) {
    EXPECT_EQ(LeftChars(QStringLiteral("abcde"), 2), QStringLiteral("ab"));
    EXPECT_EQ(LeftChars(QStringLiteral("abcde"), 9), QStringLiteral("abcde"));
    EXPECT_EQ(LeftChars(QStringLiteral("abcde"), -1), QString());
    EXPECT_EQ(YesNo(true), QStringLiteral("Yes"));
    EXPECT_EQ(YesNo(false), QStringLiteral("No"));
}

TEST(TextHelpers, InchesAreTruncatedToWholeMillimetres) {
    EXPECT_EQ(InchesToMm(2.0), 50);
    EXPECT_EQ(InchesToMm(1.5), 38);
    EXPECT_EQ(InchesToMm(2.5), 63);
}

// ---- Windows version description ------------------------------------------------------

namespace {

WindowsVersionRecord nt(int major, int minor) {
    WindowsVersionRecord r;
    r.queried = true;
    r.platformId = 2;
    r.workstationQueried = true;
    r.workstationMajor = major;
    r.workstationMinor = minor;
    return r;
}

WindowsVersionRecord family95(int major, int minor, const QString& sp = {}) {
    WindowsVersionRecord r;
    r.queried = true;
    r.platformId = 1;
    r.major = major;
    r.minor = minor;
    r.servicePack = sp;
    return r;
}

} // namespace

TEST(WindowsVersion, NtFamilyNamesKnownVersionsOnly) {
    EXPECT_EQ(WindowsVersionString(nt(6, 1)), QStringLiteral("6.1 (Seven)"));
    EXPECT_EQ(WindowsVersionString(nt(5, 0)), QStringLiteral("5.0 (Windows 2000)"));
    EXPECT_EQ(WindowsVersionString(nt(5, 1)), QStringLiteral("5.1 (Windows XP)"));
    EXPECT_EQ(WindowsVersionString(nt(6, 0)), QStringLiteral("6.0 (Vista)"));
    EXPECT_EQ(WindowsVersionString(nt(6, 2)), QStringLiteral("6.2 (Windows8)"));
    EXPECT_EQ(WindowsVersionString(nt(6, 3)), QStringLiteral("6.3 (Windows8.1)"));
    EXPECT_EQ(WindowsVersionString(nt(10, 0)), QStringLiteral("10.0"));
    EXPECT_EQ(WindowsVersionString(nt(5, 2)), QStringLiteral("5.2"));
    WindowsVersionRecord failed = nt(6, 1);
    failed.workstationQueried = false;
    EXPECT_EQ(WindowsVersionString(failed), QStringLiteral("Unknown"));
}

TEST(WindowsVersion, Family95AndUnknownPlatforms) {
    EXPECT_EQ(WindowsVersionString(family95(4, 0)), QStringLiteral("4.0 (95)"));
    EXPECT_EQ(WindowsVersionString(family95(4, 10, QStringLiteral(" A "))),
              QStringLiteral("4.10 (98SE)"));
    EXPECT_EQ(WindowsVersionString(family95(4, 10, QStringLiteral(" B"))),
              QStringLiteral("4.10 (98)"));
    EXPECT_EQ(WindowsVersionString(family95(4, 90)), QStringLiteral("4.90 (ME)"));
    EXPECT_EQ(WindowsVersionString(family95(3, 95)), QStringLiteral("3.95 (Unknown)"));
    WindowsVersionRecord other = nt(6, 1);
    other.platformId = 3;
    EXPECT_EQ(WindowsVersionString(other), QStringLiteral("Unknown"));
    EXPECT_EQ(WindowsVersionString(WindowsVersionRecord{}), QStringLiteral("Unknown"));
}

// ---- message boxes --------------------------------------------------------------------

// The real message box on the offscreen platform, read and answered from a timer while it
// is open: caption, icon, buttons, owner, and the code of the button pressed.
struct BoxCase {
    int buttons, kind;
    QMessageBox::StandardButton press; // NoButton: closed with Escape
    const char* caption;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons shown;
    int result;
};

class RealMessageBox : public ::testing::TestWithParam<BoxCase> {};

struct SeenBox {
    bool seen = false;
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QWidget* owner = nullptr;
    bool modal = false;
};

// Reads the box that the next modal run opens, then presses button (Escape for NoButton).
SeenBox* answerNextBox(QMessageBox::StandardButton button) {
    auto* seen = new SeenBox;
    QTimer::singleShot(0, [seen, button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        *seen = {true,          box->windowTitle(),     box->text(),
                 box->icon(),   box->standardButtons(), box->parentWidget(),
                 box->isModal()};
        if (button == QMessageBox::NoButton)
            QTest::keyClick(box, Qt::Key_Escape);
        else if (QAbstractButton* pressed = box->button(button))
            pressed->click();
        else
            box->reject(); // the button is missing; the test fails on the buttons shown
    });
    return seen;
}

TEST_P(RealMessageBox, ShowsWhatTheCodesSayAndAnswersWithThePressedButton) {
    const BoxCase& c = GetParam();
    const auto presenter = createQtMessagePresenter();
    QWidget owner;
    const std::unique_ptr<SeenBox> seen(answerNextBox(c.press));
    EXPECT_EQ(MsgBox(*presenter, &owner, QStringLiteral("Täxt ünder test"), c.buttons, c.kind),
              c.result);
    ASSERT_TRUE(seen->seen) << "no message box was shown";
    EXPECT_EQ(seen->caption, QString::fromUtf8(c.caption));
    EXPECT_EQ(seen->text, QStringLiteral("Täxt ünder test"));
    EXPECT_EQ(seen->icon, c.icon);
    EXPECT_EQ(seen->buttons, c.shown);
    EXPECT_EQ(seen->owner, &owner);
    EXPECT_TRUE(seen->modal);
}

using B = QMessageBox;
INSTANTIATE_TEST_SUITE_P(
    Codes, RealMessageBox,
    ::testing::Values(
        BoxCase{0, 0, B::Ok, "Message", B::NoIcon, B::Ok, 1},
        BoxCase{0, 1, B::Ok, "Warning", B::Warning, B::Ok, 1},
        BoxCase{0, 2, B::Ok, "Error", B::Critical, B::Ok, 1},
        BoxCase{1, 3, B::No, "Question", B::Question, B::Yes | B::No, 7},
        BoxCase{2, 4, B::Yes, "Information", B::Information, B::Yes | B::No | B::Cancel, 6},
        BoxCase{2, 3, B::NoButton, "Question", B::Question, B::Yes | B::No | B::Cancel, 2},
        BoxCase{3, 1, B::Cancel, "Warning", B::Warning, B::Ok | B::Cancel, 2},
        BoxCase{42, 9, B::Ok, "", B::NoIcon, B::Ok, 1},
        BoxCase{0, 2, B::NoButton, "Error", B::Critical, B::Ok, 1}));

TEST(RealMessageBox, PlainMessageHasTheTitleNoIconAndOk) {
    const auto presenter = createQtMessagePresenter();
    const std::unique_ptr<SeenBox> seen(answerNextBox(QMessageBox::Ok));
    ShowPlainMessage(*presenter, nullptr, QStringLiteral("Incorrect aspect ratio."));
    ASSERT_TRUE(seen->seen);
    EXPECT_EQ(seen->caption, QStringLiteral("Quillmark"));
    EXPECT_EQ(seen->icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen->buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}
