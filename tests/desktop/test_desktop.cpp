// The desktop side: command line, program files beside or under share, the single running
// program, the open dialog's places and the always-present PDF printer.
#include "tests/common/Fakes.h"
#include "platform/HostPrinters.h"
#include "tests/common/LogMessages.h"
#include "platform/SingleInstance.h"
#include "support/U_AppFolders.h"
#include "app/U_CommandLine.h"
#include "app/U_MainDlg.h"
#include "print/U_PreviewDlg.h"
#include "localization/U_SettingsDlg.h"
#include "about/U_about.h"
#include "platform/Shell.h"
#include "platform/U_LocalFiles.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <atomic>
#include <csignal>
#include <cstring>
#include <random>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace {

void writeFile(const QString& path, const QByteArray& bytes = "x") {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(CommandLine, OptionsAndThePicture) {
    // status: what the program ends with before any window, -1 for none.
    const struct {
        QStringList arguments;
        bool help, version;
        QString picture;
        int status;
        const char* stdErr;
    } cases[] = {
        {{}, false, false, "", -1, ""},
        {{"me.jpg"}, false, false, "me.jpg", -1, ""},
        {{"-co", "b.jpg", "c.jpg"}, false, false, "b.jpg", -1, ""},
        {{"/CO"}, false, false, "", -1, ""},
        {{"-Cox"}, false, false, "", -1, ""},
        {{"/code/me.jpg"}, false, false, "", -1, ""}, // no such file: read as the switch
        {{"--version"}, false, true, "", 0, ""},
        {{"a.jpg", "-h"}, true, false, "a.jpg", 0, ""},
        {{"--unknown", "--help", "--version"}, true, true, "", 0, ""},
        {{"-platform", "offscreen", "-reverse", "--style=fusion", "x.jpg"},
         false,
         false,
         "x.jpg",
         -1,
         ""},
        {{"x.jpg", "--bogus"}, false, false, "x.jpg", 2, "unknown option '--bogus'\nUsage:"},
        {{"-x"}, false, false, "", 2, "unknown option '-x'\nUsage:"},
    };
    for (const auto& c : cases) {
        const std::string shown = c.arguments.join(' ').toStdString();
        const CommandLine line = ParseCommandLine(c.arguments);
        EXPECT_EQ(line.help, c.help) << shown;
        EXPECT_EQ(line.version, c.version) << shown;
        EXPECT_EQ(line.picture, c.picture) << shown;
        const auto answer = AnswerEarly(line, QStringLiteral("1.2.3"));
        EXPECT_EQ(answer ? answer->status : -1, c.status) << shown;
        if (answer && c.status == 2) {
            EXPECT_TRUE(answer->out.isEmpty()) << shown;
            EXPECT_TRUE(answer->err.contains(QString::fromUtf8(c.stdErr))) << shown;
        }
    }
}

// The program's folder, then share/quillmark beside it, then the program's folder again as
// the name of a missing file. Each row is decided by one step; both folders hold the file in
// the first, so that asking share first fails it.
TEST(ProgramFiles, ProgramFolderFirstThenShare) {
    struct Case {
        QStringList files; // below the prefix
        const char* help;  // where help.htm is found
        const char* packs; // the language folder
    };
    const Case cases[] = {
        {{"bin/help.htm", "share/quillmark/help.htm"}, "bin/", "bin/"},
        {{"share/quillmark/help.htm"}, "share/quillmark/", "share/quillmark/"},
        {{"bin/QKS_0000040C.SPK", "share/quillmark/help.htm"}, "share/quillmark/", "bin/"},
        {{"bin/old.SPK", "share/quillmark/QKS_00000407.SPK"}, "bin/", "share/quillmark/"},
        {{"share/help.htm", "share/QKS_00000407.SPK"}, "bin/", "bin/"},
        {{}, "bin/", "bin/"},
    };
    for (const Case& c : cases) {
        QTemporaryDir root;
        const QString prefix = root.filePath("usr/");
        writeFile(prefix + "bin/quillmark");
        for (const QString& file : c.files)
            writeFile(prefix + file);
        const QString program = prefix + "bin/quillmark";
        EXPECT_EQ(FindProgramFile(program, "help.htm"), prefix + c.help + "help.htm") << &c - cases;
        EXPECT_EQ(LanguageFolder(program), prefix + c.packs) << &c - cases;
    }
}

TEST(OpenDialog, SideBarListsExistingPlacesOnceEach) {
    QTemporaryDir root;
    const QString home = root.filePath("home");
    for (const char* sub : {"home/Pictures", "home/Desktop", "media/STICK"})
        QDir().mkpath(root.filePath(sub));
    EXPECT_EQ(
        SideBarPlaces(home, {home + "/Pictures/", home + "/Documents", home + "/Desktop", home},
                      {root.filePath("media/STICK/"), root.filePath("media/gone/")}),
        (QStringList{home, home + "/Pictures", home + "/Desktop", root.filePath("media/STICK")}));
}

TEST(PdfPrinter, AsksForANameInDocumentsWithASaveDialog) {
    QTemporaryDir root;
    const QString documents = root.filePath("Documents");
    const struct {
        bool documentsExist;
        std::optional<QString> answer;
        QString expected;
        QString startFolder;
    } cases[] = {
        {true, root.filePath("Documents/sheet"), root.filePath("Documents/sheet.pdf"), documents},
        {true, root.filePath("a.PDF"), root.filePath("a.PDF"), documents},
        {false, std::nullopt, "", root.path()},
    };
    for (const auto& c : cases) {
        if (c.documentsExist)
            QDir().mkpath(documents);
        else
            QDir(documents).removeRecursively();
        ScriptedFileChooser chooser;
        chooser.answers.push_back(c.answer ? std::optional(FileChooserAnswer{*c.answer, {}, 0})
                                           : std::nullopt);
        EXPECT_EQ(AskPdfFileName(chooser, nullptr, documents, root.path()), c.expected);
        ASSERT_EQ(chooser.requests.size(), 1u);
        EXPECT_TRUE(chooser.requests[0].save);
        EXPECT_TRUE(chooser.requests[0].confirmOverwrite);
        EXPECT_EQ(chooser.requests[0].initialDir, c.startFolder);
        EXPECT_EQ(chooser.requests[0].nameFilters, QStringList{"PDF (*.pdf)"});
    }
}

// ---- one running program -------------------------------------------------------------

namespace {

sockaddr_un AddressOf(const QString& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    return address;
}

// A raw connection to the socket at path, as any program could make; -1 when refused.
int connectTo(const QString& path, int flags = 0) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | flags, 0);
    const sockaddr_un address = AddressOf(path);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return fd;
    ::close(fd);
    return -1;
}

class SingleInstanceTest : public ::testing::Test {
protected:
    SingleInstanceTest() { path = dir.filePath("run/quillmark.socket"); }
    // A later start, in a thread of its own: it blocks until the first one answers.
    SingleInstance::Role secondStart(const QString& request, int limitMs = 5000) {
        SingleInstance::Role role = SingleInstance::Role::First;
        std::atomic<bool> done = false;
        std::thread later([&] {
            SingleInstance second(path);
            role = second.Claim(request, limitMs);
            done = true;
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 30000));
        later.join();
        return role;
    }
    // What a crashed program leaves: the socket it listened on, which it never removed.
    void leaveDeadSocket() {
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (::fork() == 0) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            const sockaddr_un address = AddressOf(path);
            ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
            std::_Exit(::listen(fd, 1));
        }
        ::wait(nullptr);
        ASSERT_TRUE(QFileInfo::exists(path));
    }
    QTemporaryDir dir;
    QString path;
};

} // namespace

TEST_F(SingleInstanceTest, SecondStartHandsItsPictureToTheFirst) {
    SingleInstance first(path);
    QStringList received;
    QObject::connect(&first, &SingleInstance::Received,
                     [&](const QString& request) { received << request; });
    ASSERT_EQ(first.Claim("/pictures/first.jpg"), SingleInstance::Role::First);
    // Paths are bytes: a newline in one, or a name that is not UTF-8, comes across whole.
    const QStringList sent{"/pictures/é b.jpg", "", "/pictures/two\nlines.jpg",
                           PathFromLocal8Bit("/pictures/\xe9t\xe9.jpg")};
    for (const QString& request : sent)
        EXPECT_EQ(secondStart(request), SingleInstance::Role::HandedOver);
    // The same requests once more, each arriving in pieces of one to five bytes, a little
    // apart, the length among them.
    std::mt19937 random(3);
    for (const QString& request : sent) {
        QByteArray message(4, '\0');
        qToBigEndian<quint32>(quint32(LocalName(request).size()), message.data());
        message += LocalName(request);
        std::atomic<char> answer = 0;
        std::thread later([&] {
            const int fd = connectTo(path);
            for (ssize_t at = 0, n = 0; at < message.size() && n >= 0; at += n) {
                n = std::min<ssize_t>(1 + random() % 5, message.size() - at);
                std::this_thread::sleep_for(std::chrono::milliseconds(random() % 30));
                n = ::send(fd, message.constData() + at, size_t(n), MSG_NOSIGNAL);
            }
            char c = 0;
            answer = ::read(fd, &c, 1) == 1 ? c : 'x';
            ::close(fd);
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return answer.load() != 0; }, 10000));
        later.join();
        EXPECT_EQ(answer.load(), '1');
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() == 2 * sent.size(); }, 10000));
    EXPECT_EQ(received, sent + sent);
    EXPECT_EQ(LocalName(received.value(3)), QByteArray("/pictures/\xe9t\xe9.jpg"));
}

TEST_F(SingleInstanceTest, LeftoversOfACrashedProgramAreReplaced) {
    for (bool socketFile : {true, false}) {
        if (socketFile)
            leaveDeadSocket();
        else
            writeFile(path, "not a socket");
        auto first = std::make_unique<SingleInstance>(path);
        EXPECT_EQ(first->Claim(""), SingleInstance::Role::First);
        EXPECT_TRUE(first->Listening());
        EXPECT_EQ(secondStart("a.jpg"), SingleInstance::Role::HandedOver);
        first.reset();
    }
}

// Nothing another user planted is talked to, and nothing is put where they can write.
TEST_F(SingleInstanceTest, AnotherUsersFilesAreNeverUsed) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to plant another user's files";
    const QString folder = QFileInfo(path).absolutePath();
    const auto name = [](const QString& p) { return QFile::encodeName(p); };
    using R = SingleInstance::Role;
    const struct {
        std::string plant;
        R role;
    } cases[] = {{"open folder", R::Alone},
                 {"their folder", R::Alone},
                 {"their socket", R::First},
                 {"their lock", R::First}};
    for (const auto& c : cases) {
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        QLocalServer impostor; // would answer as the running program does
        if (c.plant == "open folder")
            ::chmod(name(folder), 0777);
        if (c.plant == "their socket") {
            ASSERT_TRUE(impostor.listen(path));
        }
        if (c.plant == "their lock")
            writeFile(path + ".lock", "1\nquillmark\nelsewhere\n");
        const QString theirs = c.plant == "their folder" ? folder
                               : c.plant == "their lock" ? path + ".lock"
                                                         : path;
        ::lchown(name(theirs), 65534, 65534);
        SingleInstance first(path);
        EXPECT_EQ(first.Claim("/secret.jpg", 2000, 2000), c.role) << c.plant;
        QTest::qWait(50);
        EXPECT_FALSE(impostor.hasPendingConnections()) << c.plant;
        struct stat info {};
        EXPECT_EQ(::lstat(name(path), &info) == 0 && info.st_uid == 0 && S_ISSOCK(info.st_mode),
                  c.role == R::First)
            << c.plant;
    }
}

TEST_F(SingleInstanceTest, AProgramThatNeverAnswersIsNotTakenForTheFirst) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QLocalServer silent; // accepts, reads nothing, answers nothing
    ASSERT_TRUE(silent.listen(path));
    EXPECT_EQ(secondStart("a.jpg", 300), SingleInstance::Role::NotAnswering);
    // Too busy even to take the connection (its queue full): the live socket stays.
    silent.close();
    const int busy = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = AddressOf(path);
    ASSERT_EQ(::bind(busy, (const sockaddr*)&address, sizeof address) | ::listen(busy, 0), 0);
    const int queued[] = {connectTo(path, SOCK_NONBLOCK), connectTo(path, SOCK_NONBLOCK)};
    struct stat before {}, after {};
    ::lstat(QFile::encodeName(path), &before);
    EXPECT_EQ(secondStart("a.jpg", 300), SingleInstance::Role::NotAnswering);
    ::lstat(QFile::encodeName(path), &after);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the socket was taken over";
    for (const int fd : {queued[0], queued[1], busy})
        ::close(fd);
}

// Starts that send a length and stall: only a few are held, and a real start still reaches
// the running program at once, not behind them.
TEST_F(SingleInstanceTest, StalledConnectionsDoNotShutOutTheNextStart) {
    SingleInstance first(path);
    QStringList received;
    QObject::connect(&first, &SingleInstance::Received, [&](const QString& r) { received << r; });
    ASSERT_EQ(first.Claim(""), SingleInstance::Role::First);
    std::vector<int> stalled;
    for (int i = 0; i < 40; ++i) {
        stalled.push_back(connectTo(path));
        EXPECT_EQ(::write(stalled.back(), "\0\0\0\x10", 4), 4);
    }
    QTest::qWait(200);
    EXPECT_LE(first.findChildren<QLocalSocket*>().size(), 8);
    EXPECT_EQ(secondStart("/b.jpg", 3000), SingleInstance::Role::HandedOver);
    EXPECT_TRUE(QTest::qWaitFor([&] { return received == QStringList{"/b.jpg"}; }, 5000));
    for (const int fd : stalled)
        ::close(fd);
}

// The peer check, from both sides: a child that drops to another user is not served, one of
// the same user is. The socket is opened to all so that the other user reaches it at all.
TEST_F(SingleInstanceTest, OnlyAPeerOfTheSameUserIsServed) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run a child as another user";
    SingleInstance first(path);
    QStringList received;
    QObject::connect(&first, &SingleInstance::Received, [&](const QString& r) { received << r; });
    ASSERT_EQ(first.Claim(""), SingleInstance::Role::First);
    for (const QString& open : {dir.path(), dir.path() + "/run", path})
        ::chmod(QFile::encodeName(open), 0777);
    for (const uid_t uid : {65534u, 0u}) {
        const pid_t child = ::fork();
        char answer = 0;
        // A refused peer may be dropped before it writes: its write must fail, not kill it.
        if (child == 0)
            ::signal(SIGPIPE, SIG_IGN);
        const int fd = child == 0 && ::setuid(uid) == 0 ? connectTo(path) : -1;
        if (child == 0)
            std::_Exit(fd < 0 ? 2 : ::write(fd, "\0\0\0\x06/x.jpg", 10) + ::read(fd, &answer, 1) != 11);
        int status = 0;
        EXPECT_TRUE(QTest::qWaitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }));
        EXPECT_TRUE(WIFEXITED(status)) << uid;
        EXPECT_EQ(WEXITSTATUS(status), uid == 0 ? 0 : 1) << uid;
    }
    EXPECT_EQ(received, QStringList{"/x.jpg"});
}

// A socket's address holds 107 bytes of path: one byte more and it goes to the cache.
TEST(SingleInstancePath, ARuntimeFolderTooLongForASocketGivesWayToTheCache) {
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME"), oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("HOME", QFile::encodeName(home.path()));
    const QString tail = "/quillmark.socket", cached = home.path() + "/.cache/quillmark" + tail;
    for (const int length : {107, 108}) {
        const QString runtime = home.filePath(QString(length - home.path().size() - 18, 'r'));
        QDir().mkdir(runtime), qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        EXPECT_EQ(SingleInstance::DefaultSocketPath(), length == 107 ? runtime + tail : cached);
    }
    qputenv("HOME", oldHome), qputenv("XDG_RUNTIME_DIR", oldRuntime);
}

// ---- the main window's side -------------------------------------------------------------

namespace {

class DesktopWindow : public ::testing::Test {
protected:
    void create() {
        window = std::make_unique<TMainDlg>(fake.services);
        preview = new Tpreviewdlg(fake.services, window.get());
        preview->Bind(window->MainTexts());
        window->SetWindows(nullptr, preview, nullptr);
    }
    QStringList logged() const { return LogMessages(*window->Log()); }
    FakePlatform fake;
    std::unique_ptr<TMainDlg> window;
    Tpreviewdlg* preview = nullptr;
};

} // namespace

// Fixed-size windows offer no maximise box; each minimises and closes.
TEST_F(DesktopWindow, FramesOfferTheirOwnBoxesOnly) {
    create();
    auto* settings = new TSettingsDlg(window.get(), window->Languages());
    auto* about = new TAboutDlg(fake.shell, fake.services.programFile, window.get());
    const struct {
        QWidget* window;
        bool minimise;
    } cases[] = {{window.get(), true}, {about, true}, {settings, true}, {preview, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.window->objectName().toStdString());
        const Qt::WindowFlags flags = c.window->windowFlags();
        EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
        EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
        EXPECT_EQ(bool(flags & Qt::WindowMinimizeButtonHint), c.minimise);
        EXPECT_EQ(c.window->minimumSize(), c.window->maximumSize());
    }
}

TEST_F(DesktopWindow, PictureArgumentLoadsAfterStartUpOrFailsAsTheDialogWould) {
    QTemporaryDir dir;
    QImage picture(350, 450, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(dir.filePath("good.jpg"), "JPEG"));
    ASSERT_TRUE(picture.save(dir.filePath("drawing.png"), "PNG"));
    writeFile(dir.filePath("text.jpg"), "hello, not a picture");
    const struct {
        QString file;
        bool loads;
    } cases[] = {
        {"good.jpg", true}, {"drawing.png", false}, {"text.jpg", false}, {"missing.jpg", false}};
    for (const auto& c : cases) {
        const QString path = dir.filePath(c.file);
        // Through the open dialog first, for the message to expect.
        create();
        window->FirstActivation();
        fake.files.answers.push_back(FileChooserAnswer{path, {path}, 0});
        window->Guard([&] { window->open_btnClick(); });
        const QStringList fromDialog = fake.messages.texts();
        fake.messages.requests.clear();

        create();
        window->OpenPicture(path);
        EXPECT_TRUE(fake.messages.requests.empty()) << "before start-up: " << c.file.toStdString();
        window->FirstActivation();
        EXPECT_EQ(logged().contains("Loading : " + path), true) << c.file.toStdString();
        EXPECT_EQ(window->WorkFile().isEmpty(), !c.loads) << c.file.toStdString();
        EXPECT_EQ(fake.messages.texts(), fromDialog) << c.file.toStdString();
        EXPECT_EQ(fromDialog.isEmpty(), c.loads) << c.file.toStdString();
        fake.messages.requests.clear();
    }
}

TEST_F(DesktopWindow, PdfPrinterWritesTheNamedFileOrReportsWhyNot) {
    QTemporaryDir dir;
    writeFile(dir.filePath("plain-file"));
    // No print server: the PDF printer is the only one, and the default.
    qputenv("CUPS_SERVER", QFile::encodeName(dir.filePath("no-cups.sock")));
    QString answer;
    VirtualPrinterSetup setup;
    setup.askFileName = [&answer] { return answer; };
    auto printers = createPrinterSystem(setup, std::chrono::seconds(10));
    ASSERT_EQ(printers->printerNames(), QStringList{"Quillmark PDF"});
    fake.services.printers = printers.get();

    const struct {
        QString answer;
        bool written;
        bool error;
    } cases[] = {
        {dir.filePath("sheet.pdf"), true, false},
        {dir.filePath("plain-file/sheet.pdf"), false, true}, // its folder cannot be written
        {"", false, false},                                  // the question was cancelled
    };
    for (const auto& c : cases) {
        answer = c.answer;
        create();
        window->FirstActivation();
        QTimer::singleShot(0, preview,
                           [this] { preview->findChild<QPushButton*>("print_btn")->click(); });
        window->Guard([this] { window->print_btnClick(); });
        EXPECT_EQ(logged().contains("Printing : Done"), c.written) << c.answer.toStdString();
        EXPECT_EQ(fake.messages.requests.size(), c.error ? 1u : 0u) << c.answer.toStdString();
        if (c.error) {
            EXPECT_TRUE(fake.messages.texts().constFirst().contains(c.answer));
        }
        QFile pdf(c.answer);
        EXPECT_EQ(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-", c.written);
        fake.messages.requests.clear();
    }
    qunsetenv("CUPS_SERVER");
}

TEST(PdfPrinter, EnvironmentNamesItsFolderOrSwitchesItOff) {
    const struct {
        const char* off;
        const char* folder;
        bool listed;
    } cases[] = {{nullptr, nullptr, true}, {"1", nullptr, false}, {"0", "/srv/pdf", true}};
    for (const auto& c : cases) {
        c.off ? qputenv("QUILLMARK_NO_VIRTUAL_PRINTER", c.off)
              : qunsetenv("QUILLMARK_NO_VIRTUAL_PRINTER");
        c.folder ? qputenv("QUILLMARK_VIRTUAL_PRINTER", c.folder)
                 : qunsetenv("QUILLMARK_VIRTUAL_PRINTER");
        const VirtualPrinterSetup setup = VirtualPrinterFromEnvironment([] { return QString(); });
        EXPECT_EQ(setup.listed, c.listed);
        EXPECT_EQ(setup.folder, QString::fromLatin1(c.folder));
        EXPECT_TRUE(bool(setup.askFileName));
    }
    qunsetenv("QUILLMARK_NO_VIRTUAL_PRINTER");
    qunsetenv("QUILLMARK_VIRTUAL_PRINTER");

    // Switched off on a system without printers, the list is empty: "No printer found !".
    QTemporaryDir dir;
    qputenv("CUPS_SERVER", QFile::encodeName(dir.filePath("no-cups.sock")));
    VirtualPrinterSetup off;
    off.listed = false;
    EXPECT_TRUE(createPrinterSystem(off, std::chrono::seconds(10))->printerNames().isEmpty());
    qunsetenv("CUPS_SERVER");
}

// The desktop's opener is asked, and its exit status tells whether a program took the page:
// with no browser installed, it fails, and the help is shown in the program's own window.
TEST(DesktopShell, OpenerExitStatusCounts) {
    QTemporaryDir bin;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
    for (const auto& [status, opened] : {std::pair(0, true), std::pair(3, false)}) {
        QFile opener(bin.filePath(QStringLiteral("xdg-open")));
        ASSERT_TRUE(opener.open(QIODevice::WriteOnly | QIODevice::Truncate));
        opener.write(QByteArray("#!/bin/sh\nexit ") + QByteArray::number(status) + '\n');
        opener.close();
        opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(createDesktopShell()->openLocalPath(bin.filePath(QStringLiteral("help.htm"))),
                  opened);
    }
    qputenv("PATH", path);
}
