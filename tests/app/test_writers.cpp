// Every file the program writes meeting a full disk.
#include "app/U_MainDlg.h"
#include "localization/C_TextStorage.h"
#include "platform/U_SafeWrite.h"
#include "platform/VirtualPdfPrinter.h"
#include "print/U_PreviewDlg.h"
#include "support/U_Log.h"
#include "tests/common/Fakes.h"
#include "tests/common/FullDisk.h"
#include "tests/common/PrintTestUtil.h"

#include <QFile>
#include <QPushButton>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <optional>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// Every writer of the program on a full disk: the file that was there stays byte for byte,
// no temporary file is left, and the user is told (the log alone fails silently).
struct Writers {
    FakePlatform platform;
    FullDisk disk;
    TTextStorage texts{QStringLiteral("main_ts"), {QStringLiteral("Done !")}};
    std::unique_ptr<TMainDlg> main;
    Tpreviewdlg* preview = nullptr;

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
    const QByteArray old = contentOf(file).isEmpty() ? QByteArray("old content") : contentOf(file);
    writeFile(file, old);
    const QStringList before = entries(QFileInfo(file).absolutePath());
    w.platform.messages.requests.clear();

    w.disk.Fill(c.room);
    c.write(w);
    w.disk.Free();

    EXPECT_EQ(contentOf(file), old);
    EXPECT_EQ(entries(QFileInfo(file).absolutePath()), before);
    const QStringList shown = w.platform.messages.texts();
    EXPECT_FALSE(shown.contains(QStringLiteral("Done !")));
    EXPECT_TRUE(w.platform.shell.opened.isEmpty());
    const QString error =
        QStringLiteral("Could not write \"%1\": %2").arg(file, reason(w.disk.Error()));
    EXPECT_EQ(shown.contains(error), c.reported) << shown.join(QLatin1Char('|')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FullDiskWriters,
    ::testing::Values(
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
                   [](Writers& w) { EXPECT_FALSE(w.writePicFormat()); }, false, 4096},
        // Under a file-size limit the toolkit's part is cut short, and what is left would fit.
        WriterCase{"SettingsUnderSizeLimit", "registry.ini",
                   [](Writers& w) { w.writeLongSetting(); },
                   [](Writers& w) {
                       w.disk.Free();
                       FileSizeLimit limit(4096);
                       EXPECT_FALSE(w.writePicFormat());
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
                   false}),
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
    EXPECT_TRUE(contentOf(data + QStringLiteral("/Quillmark.log")).contains("Loading : "));
}

} // namespace

// Every writer through the same planted cases: a link of another user at its name (leading to
// a file, or nowhere), the name swapped for such a link between the check and the write, and a
// kill during the write. The file the link names never changes, nothing is left beside the
// target, and the chosen name alone is refused with the link message (no question asked).
struct Writer {
    const char* name;
    const char* file; // in the disk's folder
    std::function<void(Writers&)> write;
};
const Writer kWriters[] = {
    {"Sheet", "sheet.jpg",
     [](Writers& w) {
         const QString name = w.disk.path(QStringLiteral("sheet.jpg"));
         w.platform.files.answers.push_back(FileChooserAnswer{name, {name}, 0});
         w.platform.messages.answers = {MsgYes};
         w.click("saveimg_btn");
     }},
    {"UsbCopy", "Quillmark.jpg", [](Writers& w) { w.click("usb_btn"); }},
    {"WorkingCopy", "Brindlewood/Quillmark/Quillmark.jpg",
     [](Writers& w) {
         w.main->Guard([&] { w.main->LoadPicture(w.platform.root.filePath("p.jpg")); });
     }},
    {"Log", "Brindlewood/Quillmark/Quillmark.log",
     [](Writers& w) {
         TWLog log(w.disk.path("Brindlewood/Quillmark/Quillmark.log"), false, 10);
         log.Log(QStringLiteral("Loading : x"), TWLog::Info);
     }},
    {"Settings", "registry.ini", [](Writers& w) { w.writePicFormat(); }},
    {"PdfPrinter", "page.pdf", [](Writers& w) {
         WritePdfPage(w.disk.path("page.pdf"), {600, 600, 60, 60, 10, 10}, {100, 100},
                      [](IPageCanvas&) {});
     }}};
enum class Plant { ForeignLink, DanglingLink, SwapAfterCheck, KillDuringWrite };
// The seams act only on the writer's own target, not on the log lines written on the way.
QByteArray g_target, g_victim;
bool g_armed = false;

TEST(WriterRule, NoWriterFollowsAnotherUsersLinkOrLeavesAnythingBehind) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to plant another user's links";
    for (const Writer& writer : kWriters)
        for (const Plant plant : {Plant::ForeignLink, Plant::DanglingLink, Plant::SwapAfterCheck,
                                  Plant::KillDuringWrite}) {
            SCOPED_TRACE(std::string(writer.name) + " " + std::to_string(int(plant)));
            Writers w;
            w.startMainWindow();
            w.platform.drives.drives = {RemovableDrive{w.disk.path() + '/', "sdb1", "", true}};
            QuadrantPicture(60, 80).save(w.platform.root.filePath("p.jpg"));
            const QString target = w.disk.path(writer.file);
            const QString victim = w.platform.root.filePath("victim");
            const QByteArray name = QFile::encodeName(target);
            if (plant != Plant::DanglingLink)
                writeFile(victim, "the user's own file");
            const QByteArray old = plant == Plant::KillDuringWrite ? "old content" : "";
            ::unlink(name);
            if (!old.isEmpty())
                writeFile(target, old);
            else if (plant != Plant::SwapAfterCheck) {
                ASSERT_EQ(::symlink(QFile::encodeName(victim), name), 0);
                ::lchown(name, 65534, 65534);
            }
            const QStringList before = entries(QFileInfo(target).absolutePath());
            w.platform.messages.requests.clear();
            const SafeWriteCalls system = SafeWriteSystem();
            g_target = name;
            g_victim = QFile::encodeName(victim);
            g_armed = false;
            SafeWriteSystem().resolved = [](const char* path) { g_armed = g_target == path; };
            if (plant == Plant::SwapAfterCheck)
                SafeWriteSystem().resolved = [](const char* path) {
                    if (g_target != path)
                        return;
                    ::unlink(path);
                    ::symlink(g_victim, path);
                    ::lchown(path, 65534, 65534);
                };
            if (plant == Plant::KillDuringWrite) {
                SafeWriteSystem().write = [](int fd, const void* data, size_t size) -> ssize_t {
                    if (g_armed)
                        ::raise(SIGKILL);
                    return ::write(fd, data, size);
                };
                const pid_t child = ::fork();
                if (child == 0) {
                    writer.write(w);
                    std::_Exit(0);
                }
                int status = 0;
                ::waitpid(child, &status, 0);
                EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
            } else {
                writer.write(w);
            }
            SafeWriteSystem() = system;
            EXPECT_EQ(QFile::exists(victim), plant != Plant::DanglingLink);
            if (plant != Plant::DanglingLink)
                EXPECT_EQ(contentOf(victim), "the user's own file");
            if (!old.isEmpty())
                EXPECT_EQ(contentOf(target), old);
            EXPECT_EQ(entries(QFileInfo(target).absolutePath()).filter(".quillmark-"),
                      QStringList());
            const bool refused = w.platform.messages.texts().contains(
                QStringLiteral("\"%1\" is a link owned by another user; not written.").arg(target));
            EXPECT_EQ(refused, plant <= Plant::DanglingLink && &writer == &kWriters[0]);
            EXPECT_FALSE(w.platform.messages.texts().join('|').contains("already exists"));
        }
}

// A link of the user's own at a chosen name is asked about, saying where it leads; Yes writes
// at the end of the chain, keeping its mode.
TEST(WriterRule, OwnLinkIsNamedInTheQuestionAndWrittenThrough) {
    Writers w;
    w.startMainWindow();
    const QString end = w.platform.root.filePath("end.jpg");
    writeFile(end, "old");
    ::chmod(QFile::encodeName(end), 0604);
    ::symlink(QFile::encodeName(end), QFile::encodeName(w.disk.path("sheet.jpg")));
    kWriters[0].write(w);
    EXPECT_TRUE(w.platform.messages.texts().join('|').contains(
        QStringLiteral("It is a link to %1.").arg(end)));
    EXPECT_TRUE(contentOf(end).startsWith("\xff\xd8\xff"));
    EXPECT_EQ(QFileInfo(end).permissions(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                                QFile::WriteUser | QFile::ReadOther);
}
