// Every file the program writes meeting a full disk.
#include "app/U_MainDlg.h"
#include "localization/C_TextStorage.h"
#include "platform/U_SafeWrite.h"
#include "platform/VirtualPdfPrinter.h"
#include "print/U_PreviewDlg.h"
#include "support/U_Log.h"
#include "tests/common/Fakes.h"
#include "tests/common/FileBytes.h"
#include "tests/common/FullDisk.h"
#include "tests/common/PrintTestUtil.h"

#include <QFile>
#include <QPushButton>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <functional>
#include <optional>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

// Every writer of the program on a full disk: the file that was there stays byte for byte,
// no temporary file is left, and the user is told (the log alone fails silently).
struct Writers {
    FakePlatform platform;
    FullDisk disk;
    TTextStorage texts{QStringLiteral("main_ts"), {QStringLiteral("Done !")}};
    std::unique_ptr<TMainDlg> main;
    Tpreviewdlg* preview = nullptr;
    bool settingsWritten = false;

    void startMainWindow() {
        platform.folders.appData = disk.path();
        main = std::make_unique<TMainDlg>(platform.services);
        preview = new Tpreviewdlg(platform.services, main.get());
        preview->Bind(&texts);
        preview->PageImage() = QuadrantPicture(600, 800);
        main->SetWindows(nullptr, preview, nullptr);
        main->FirstActivation();
    }
    // A settings file of some 5000 bytes, more than the cases below leave free.
    void writeLongSetting() {
        auto store = createIniSettingsStore(disk.path("registry.ini"));
        store->writeString(QStringLiteral("SOFTWARE\\Brindlewood"), QStringLiteral("Quillmark"),
                           QStringLiteral("/opt/") + QString(5000, u'q'));
    }
    bool writePicFormat() {
        auto store = createIniSettingsStore(disk.path("registry.ini"));
        return store->writeString(QStringLiteral("SOFTWARE\\Brindlewood\\Quillmark"),
                                  QStringLiteral("PicFormatIdx"), QStringLiteral("19"));
    }
    void click(const char* button) {
        QTimer::singleShot(0, preview, [this, button] {
            preview->findChild<QPushButton*>(button)->click();
            if (preview->isVisible())
                preview->reject();
        });
        preview->Execute();
    }
};

struct WriterCase {
    const char* name;
    const char* file; // in the disk's folder
    std::function<void(Writers&)> prepare;
    std::function<void(Writers&)> write; // runs on the full disk
    bool reported;
    long room = 0; // left free on the disk
};
class FullDiskWriters : public ::testing::TestWithParam<WriterCase> {};

TEST_P(FullDiskWriters, KeepTheOldFileAndShowNoDone) {
    const WriterCase& c = GetParam();
    Writers w;
    const QString file = w.disk.path(QString::fromUtf8(c.file));
    c.prepare(w);
    QDir().mkpath(QFileInfo(file).absolutePath());
    const QByteArray old = ReadBytes(file).isEmpty() ? QByteArray("old content") : ReadBytes(file);
    EXPECT_TRUE(WriteBytes(file, old));
    const QStringList before = FilesIn(QFileInfo(file).absolutePath());
    w.platform.messages.requests.clear();

    w.disk.Fill(c.room);
    c.write(w);
    w.disk.Free();

    EXPECT_EQ(ReadBytes(file), old);
    EXPECT_FALSE(w.settingsWritten);
    EXPECT_EQ(FilesIn(QFileInfo(file).absolutePath()), before);
    const QStringList shown = w.platform.messages.texts();
    EXPECT_FALSE(shown.contains(QStringLiteral("Done !")));
    EXPECT_TRUE(w.platform.shell.opened.isEmpty());
    const QString error = QStringLiteral("Could not write \"\u2068%1\u2069\": %2")
                              .arg(file, ErrorText(w.disk.Error()));
    EXPECT_EQ(shown.contains(error), c.reported) << shown.join(QLatin1Char('|')).toStdString();
}

const WriterCase kWriterCases[] = {
        WriterCase{"Sheet", "sheet.jpg", [](Writers& w) { w.startMainWindow(); },
                   [](Writers& w) {
                       const QString name = w.disk.path(QStringLiteral("sheet.jpg"));
                       w.platform.files.answers.push_back(FileChooserAnswer{name, {name}, 0});
                       w.platform.messages.answers = {MsgYes};
                       w.click("saveimg_btn");
                   },
                   true},
        WriterCase{"UsbCopy", "Quillmark.jpg",
                   [](Writers& w) {
                       w.startMainWindow();
                       w.platform.drives.drives = {RemovableDrive{w.disk.path() + QLatin1Char('/'),
                                                                  QStringLiteral("sdb1"), QString(),
                                                                  true}};
                   },
                   [](Writers& w) { w.click("usb_btn"); }, true},
        WriterCase{"WorkingCopy", "Brindlewood/Quillmark/Quillmark.jpg",
                   [](Writers& w) {
                       w.startMainWindow();
                       QuadrantPicture(600, 800).save(w.platform.root.filePath("p.jpg"));
                   },
                   [](Writers& w) {
                       const QString picture = w.platform.root.filePath(QStringLiteral("p.jpg"));
                       w.main->Guard([&] { w.main->LoadPicture(picture); });
                   },
                   true},
        // Room for the settings' lock file but not for the whole new file, which stays in
        // the toolkit's write buffer until it is closed.
        WriterCase{"Settings", "registry.ini", [](Writers& w) { w.writeLongSetting(); },
                   [](Writers& w) { w.settingsWritten = w.writePicFormat(); }, false, 4096},
        // Under a file-size limit the toolkit's part is cut short, and what is left would fit.
        WriterCase{"SettingsUnderSizeLimit", "registry.ini",
                   [](Writers& w) { w.writeLongSetting(); },
                   [](Writers& w) {
                       w.disk.Free();
                       FileSizeLimit limit(4096);
                       w.settingsWritten = w.writePicFormat();
                   },
                   false, 1 << 20},
        WriterCase{"Log", "Quillmark.log",
                   [](Writers& w) {
                       TWLog log(w.disk.path("Quillmark.log"), false, 10000);
                       log.Log(QStringLiteral("Starting"), TWLog::Info);
                   },
                   [](Writers& w) {
                       TWLog log(w.disk.path("Quillmark.log"), false, 10000);
                       log.Log(QStringLiteral("Loading : x"), TWLog::Info);
                   },
                   false},
        WriterCase{"PdfPrinter", "page.pdf", [](Writers&) {},
                   [](Writers& w) {
                       try {
                           WritePdfPage(w.disk.path("page.pdf"), {600, 600, 60, 60, 10, 10},
                                        {100, 100}, [](IPageCanvas&) {});
                       } catch (const PrinterError&) {
                       }
                   },
                   false}};
INSTANTIATE_TEST_SUITE_P(Cases, FullDiskWriters, ::testing::ValuesIn(kWriterCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The data folder removed while the program runs is made again before the next write.
TEST(DataFolderGone, IsMadeAgainBeforeTheWorkingCopyAndTheLog) {
    Writers w;
    w.startMainWindow();
    const QString data = w.disk.path(QStringLiteral("Brindlewood/Quillmark"));
    ASSERT_TRUE(QFileInfo(data + QStringLiteral("/Quillmark.log")).isFile());
    ASSERT_TRUE(QDir(w.disk.path(QStringLiteral("Brindlewood"))).removeRecursively());
    const QString picture = w.platform.root.filePath(QStringLiteral("p.jpg"));
    QuadrantPicture(60, 80).save(picture);
    w.main->Guard([&] { w.main->LoadPicture(picture); });
    EXPECT_TRUE(w.platform.messages.requests.empty());
    EXPECT_EQ(QImage(data + QStringLiteral("/Quillmark.jpg")).size(), QSize(60, 80));
    EXPECT_TRUE(ReadBytes(data + QStringLiteral("/Quillmark.log")).contains("Loading : "));
}

} // namespace

// Every writer through the same planted cases: a link of another user at its name (leading to
// a file, or nowhere), the name swapped for such a link between the check and the write, and a
// kill during the write. The file the link names never changes, nothing is left beside the
// target, and the chosen name alone is refused with the link message (no question asked).
enum class Plant { ForeignLink, DanglingLink, SwapAfterCheck, KillDuringWrite };
// The seams act only on the writer's own target, not on the log lines written on the way.
QByteArray g_target, g_victim;
bool g_armed = false;

// Shown messages wrap file names in direction isolates; the names are compared without them.
static QStringList withoutIsolates(QStringList texts) {
    for (QString& text : texts)
        text.remove(QChar(0x2068)).remove(QChar(0x2069));
    return texts;
}

TEST(WriterRule, NoWriterFollowsAnotherUsersLinkOrLeavesAnythingBehind) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to plant another user's links";
    for (const WriterCase& c : kWriterCases)
        for (const Plant plant : {Plant::ForeignLink, Plant::DanglingLink, Plant::SwapAfterCheck,
                                  Plant::KillDuringWrite}) {
            if (c.name == std::string("SettingsUnderSizeLimit")) // the same writer as Settings
                continue;
            SCOPED_TRACE(std::string(c.name) + " " + std::to_string(int(plant)));
            Writers w;
            c.prepare(w);
            const QString target = w.disk.path(QString::fromUtf8(c.file));
            const QString victim = w.platform.root.filePath("victim");
            g_target = QFile::encodeName(target);
            g_victim = QFile::encodeName(victim);
            QDir().mkpath(QFileInfo(target).absolutePath());
            const QByteArray old = ReadBytes(target).isEmpty() ? "old content" : ReadBytes(target);
            ::unlink(g_target);
            if (plant != Plant::DanglingLink)
                EXPECT_TRUE(WriteBytes(victim, "the user's own file"));
            if (plant >= Plant::SwapAfterCheck)
                EXPECT_TRUE(WriteBytes(target, old));
            else
                ::symlink(g_victim, g_target), ::lchown(g_target, 65534, 65534);
            w.platform.messages.requests.clear();
            const SafeWriteCalls system = SafeWriteSystem();
            SafeWriteSystem().resolved = [](const char* path) { g_armed = g_target == path; };
            if (plant == Plant::SwapAfterCheck)
                SafeWriteSystem().resolved = [](const char* path) {
                    if (g_target == path)
                        ::unlink(path), ::symlink(g_victim, path), ::lchown(path, 65534, 65534);
                };
            if (plant == Plant::KillDuringWrite)
                SafeWriteSystem().write = [](int fd, const void* data, size_t size) {
                    return g_armed ? (::raise(SIGKILL), ssize_t(-1)) : ::write(fd, data, size);
                };
            const pid_t child = plant == Plant::KillDuringWrite ? ::fork() : 0;
            if (child == 0)
                c.write(w), plant == Plant::KillDuringWrite ? std::_Exit(0) : void();
            int status = 0;
            EXPECT_TRUE(!child || (::waitpid(child, &status, 0) == child && WIFSIGNALED(status)));
            SafeWriteSystem() = system;
            EXPECT_EQ(QFile::exists(victim) ? ReadBytes(victim) : "gone",
                      plant == Plant::DanglingLink ? "gone" : "the user's own file");
            EXPECT_TRUE(plant != Plant::KillDuringWrite || ReadBytes(target) == old);
            EXPECT_EQ(FilesIn(QFileInfo(target).absolutePath()).filter(".quillmark-").join(' '),
                      "");
            const QStringList shown = withoutIsolates(w.platform.messages.texts());
            EXPECT_EQ(shown.contains(ForeignLinkText(target)),
                      plant <= Plant::DanglingLink && c.name == std::string("Sheet"));
            EXPECT_FALSE(plant <= Plant::DanglingLink && shown.join('|').contains("already exists"));
        }
}

// A link of the user's own at a chosen name is asked about, saying where it leads; Yes writes
// at the end of the chain, keeping its mode.
TEST(WriterRule, OwnLinkIsNamedInTheQuestionAndWrittenThrough) {
    Writers w;
    w.startMainWindow();
    const QString end = w.platform.root.filePath("end.jpg");
    EXPECT_TRUE(WriteBytes(end, "old"));
    ::chmod(QFile::encodeName(end), 0604);
    ::symlink(QFile::encodeName(end), QFile::encodeName(w.disk.path("sheet.jpg")));
    kWriterCases[0].write(w);
    EXPECT_TRUE(withoutIsolates(w.platform.messages.texts()).join('|').contains(
        QStringLiteral("It is a link to %1.").arg(end)));
    EXPECT_TRUE(ReadBytes(end).startsWith("\xff\xd8\xff"));
    struct stat info {};
    EXPECT_TRUE(::stat(QFile::encodeName(end), &info) == 0 && (info.st_mode & 0777) == 0604);
}
