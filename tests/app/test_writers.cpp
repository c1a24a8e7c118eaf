// Every file the program writes meeting a full disk.
#include "localization/C_TextStorage.h"
#include "tests/common/Fakes.h"
#include "tests/common/FullDisk.h"
#include "tests/common/PrintTestUtil.h"
#include "support/U_Log.h"
#include "app/U_MainDlg.h"
#include "print/U_PreviewDlg.h"
#include "platform/U_SafeWrite.h"

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
        QStringLiteral("Could not write \"\u2068%1\u2069\": %2").arg(file, reason(w.disk.Error()));
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

// Links another user planted where a sheet goes. On the stick nobody chose the name: the link
// is replaced and what it points to stays. A name chosen in the save dialog is asked about
// even when its link leads nowhere, and Yes writes at the end of the chain, keeping its mode.
TEST(PlantedLinks, NeverRedirectAWriteNobodyAskedFor) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to plant another user's links";
    const struct {
        QStringList names;  // the name written, then the links' targets in turn
        bool victimExists;  // the chain's end is a file
        int answer;         // to the replace question; 0: the stick, not asked
        const char* result; // per name: Link, Sheet, Old content, - absent
    } cases[] = {{{"Quillmark.jpg", "victim"}, true, 0, "SO"},
                 {{"Quillmark.jpg", "b", "victim"}, true, 0, "SLO"},
                 {{"Quillmark.jpg", "victim"}, false, 0, "S-"},
                 {{"sheet.jpg", "victim"}, false, MsgNo, "L-"},
                 {{"sheet.jpg", "victim"}, false, MsgYes, "LS"},
                 {{"sheet.jpg", "b", "victim"}, true, MsgYes, "LLS"}};
    for (const auto& c : cases) {
        Writers w;
        w.startMainWindow();
        const auto at = [&](const QString& name) { return QFile::encodeName(w.disk.path(name)); };
        if (c.victimExists) {
            writeFile(w.disk.path("victim"), "the user's own file");
            ::chmod(at("victim"), 0604);
        }
        for (qsizetype i = 0; i + 1 < c.names.size(); ++i) {
            ASSERT_EQ(::symlink(c.names[i + 1].toUtf8(), at(c.names[i])), 0);
            ::lchown(at(c.names[i]), 65534, 65534);
        }
        w.platform.drives.drives = {RemovableDrive{w.disk.path() + '/', "sdb1", "", true}};
        const QString chosen = w.disk.path(c.names[0]);
        w.platform.files.answers.push_back(FileChooserAnswer{chosen, {chosen}, 0});
        w.platform.messages.answers = {c.answer};
        w.click(c.answer ? "saveimg_btn" : "usb_btn");
        QString result;
        for (const QString& name : c.names) {
            struct stat info {};
            const QByteArray bytes = contentOf(w.disk.path(name));
            result += ::lstat(at(name), &info) != 0      ? '-'
                      : S_ISLNK(info.st_mode)            ? 'L'
                      : bytes.startsWith("\xff\xd8\xff") ? 'S'
                      : bytes == "the user's own file"   ? 'O'
                                                         : '?';
            if (c.victimExists && name == "victim" && result.endsWith('S')) {
                EXPECT_EQ(info.st_mode & 07777, 0604u);
            }
        }
        EXPECT_EQ(result, c.result) << c.names.join(" > ").toStdString();
        EXPECT_EQ(w.platform.messages.texts().join('|').contains("already exists"), c.answer != 0);
        EXPECT_EQ(entries(w.disk.path()).filter(".tmp"), QStringList());
    }
}
