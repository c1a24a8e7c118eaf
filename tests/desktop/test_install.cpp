// The install tree: cmake --install into a scratch prefix, its file list, the desktop
// validators, and the installed program started from there.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

const QString kId = QStringLiteral("org.brindlewood.Quillmark");

class Installed : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        prefix = root.filePath("prefix");
        QProcess install;
        install.start(QM_CMAKE_COMMAND, {"--install", QM_BUILD_DIR, "--prefix", prefix});
        ASSERT_TRUE(install.waitForFinished(120000));
        ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();
    }
    QStringList installedFiles() const {
        QStringList files;
        QDirIterator it(prefix, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next().mid(prefix.size() + 1);
        files.sort();
        return files;
    }
    QProcessEnvironment userEnvironment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* folder : {"home", "data", "config", "pdf"})
            QDir().mkpath(root.filePath(folder));
        QDir().mkpath(root.filePath("run"));
        QFile::setPermissions(root.filePath("run"), QFileDevice::ReadOwner |
                                                        QFileDevice::WriteOwner |
                                                        QFileDevice::ExeOwner);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HOME", root.filePath("home"));
        env.insert("XDG_DATA_HOME", root.filePath("data"));
        env.insert("XDG_CONFIG_HOME", root.filePath("config"));
        env.insert("XDG_RUNTIME_DIR", root.filePath("run"));
        env.insert("QUILLMARK_VIRTUAL_PRINTER", root.filePath("pdf"));
        env.insert("CUPS_SERVER", root.filePath("no-cups.sock"));
        return env;
    }
    QString program() const { return prefix + "/bin/quillmark"; }
    QString log() const {
        QFile file(root.filePath("data/Brindlewood/Quillmark/Quillmark.log"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    // The log's messages, without level and time stamp.
    QStringList messages() const {
        QStringList result;
        for (const QString& line : log().split('\n', Qt::SkipEmptyParts))
            result << line.section('\t', 2).trimmed();
        return result;
    }
    // Generous: this waits for a program to get somewhere, it does not time it.
    bool waitForLog(const QString& text) const {
        for (int i = 0; i < 1200; ++i) {
            if (log().contains(text))
                return true;
            QThread::msleep(50);
        }
        return false;
    }
    QString picture(const char* name) const {
        QImage image(300, 400, QImage::Format_RGB32);
        image.fill(Qt::darkYellow);
        image.save(root.filePath(name), "JPEG");
        return root.filePath(name);
    }
    QTemporaryDir root;
    QString prefix;
};

} // namespace

TEST_F(Installed, TreeHoldsTheDesktopFilesAndEveryLanguagePack) {
    QStringList expected = {
        "bin/quillmark",
        "share/applications/" + kId + ".desktop",
        "share/doc/quillmark/changelog.gz",
        "share/doc/quillmark/copyright",
        "share/icons/hicolor/scalable/apps/" + kId + ".svg",
        "share/licenses/quillmark/COPYING",
        "share/man/man1/quillmark.1.gz",
        "share/metainfo/" + kId + ".metainfo.xml",
        "share/quillmark/help.htm",
        "share/quillmark/help_de.htm",
        "share/quillmark/help_es.htm",
        "share/quillmark/help_fr.htm",
    };
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        expected << QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(kId);
    // Whatever packs the build made, but not the translators' base file.
    for (const QString& pack : QDir(QM_BUILD_DIR "/bin").entryList({"QKS_*.SPK"}, QDir::Files)) {
        if (pack != "QKS_ORIGINAL.SPK")
            expected << "share/quillmark/" + pack;
    }
    expected.sort();
    EXPECT_EQ(installedFiles(), expected);
    for (int size : {16, 48, 256}) {
        const QImage icon(QStringLiteral("%1/share/icons/hicolor/%2x%2/apps/%3.png")
                              .arg(prefix)
                              .arg(size)
                              .arg(kId));
        EXPECT_EQ(icon.size(), QSize(size, size));
    }
}

TEST_F(Installed, DesktopEntryAndMetainfoPassTheValidators) {
    const struct {
        const char* tool;
        QStringList arguments;
    } checks[] = {
        {"desktop-file-validate", {prefix + "/share/applications/" + kId + ".desktop"}},
        {"appstreamcli",
         {"validate", "--no-net", prefix + "/share/metainfo/" + kId + ".metainfo.xml"}},
    };
    for (const auto& check : checks) {
        const QString tool = QStandardPaths::findExecutable(check.tool);
        if (tool.isEmpty())
            GTEST_SKIP() << check.tool << " is not installed (make test installs it)";
        QProcess run;
        run.start(tool, check.arguments);
        ASSERT_TRUE(run.waitForFinished(60000));
        EXPECT_EQ(run.exitCode(), 0) << check.tool << ": " << run.readAll().toStdString();
    }
}

TEST_F(Installed, VersionAndHelpPrintWithoutADisplay) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    for (const char* option : {"--version", "--help"}) {
        QProcess run;
        run.setProcessEnvironment(env);
        run.start(program(), {option});
        ASSERT_TRUE(run.waitForFinished(30000));
        EXPECT_EQ(run.exitCode(), 0);
        const QString out = QString::fromUtf8(run.readAllStandardOutput());
        if (std::strcmp(option, "--version") == 0)
            EXPECT_EQ(out, "Quillmark " QM_TEST_VERSION "\n");
        else
            EXPECT_TRUE(out.startsWith("Usage: quillmark [PICTURE]")) << out.toStdString();
    }
}

TEST_F(Installed, StartsOverADeadSocketLoadsItsPictureAndTakesASecondStartsPicture) {
    const QProcessEnvironment env = userEnvironment();
    // What a crashed program leaves behind.
    const QByteArray socketPath = QFile::encodeName(root.filePath("run/quillmark.socket"));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);

    const QString first = picture("first one.jpg");
    const QString second = picture("second.jpg");
    QProcess running;
    running.setProcessEnvironment(env);
    running.setWorkingDirectory(root.path());
    running.start(program(), {"first one.jpg"}); // relative to the working folder
    ASSERT_TRUE(running.waitForStarted());
    EXPECT_TRUE(waitForLog("Loading : " + first)) << log().toStdString();
    EXPECT_TRUE(messages().contains(program())) << log().toStdString();

    QProcess later;
    later.setProcessEnvironment(env);
    later.start(program(), {second});
    ASSERT_TRUE(later.waitForFinished(60000));
    EXPECT_EQ(later.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(later.exitCode(), 0);
    EXPECT_TRUE(waitForLog("Loading : " + second)) << log().toStdString();
    EXPECT_EQ(messages().count("Starting"), 1); // the second start wrote nothing
    EXPECT_EQ(running.state(), QProcess::Running);

    running.terminate();
    running.waitForFinished(30000);
}
