// The complete-or-nothing writer: modes kept, links, a write over the file-size limit, each
// step failing alone, and the leftovers of a killed write.
#include "platform/AppError.h"
#include "platform/U_SafeWrite.h"
#include "tests/common/FileBytes.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

TEST(SafeFile, ReplacesKeepingPermissionsAndWritesThroughLinks) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("a.jpg"));
    WriteBytes(target, "old");
    ::chmod(QFile::encodeName(target).constData(), 0640);
    WriteFileSafely(target, "new content");
    EXPECT_EQ(ReadBytes(target), QByteArray("new content"));
    EXPECT_EQ(QFile::permissions(target), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                              QFile::WriteUser | QFile::ReadGroup);

    const QString link = dir.filePath(QStringLiteral("link.jpg"));
    ASSERT_TRUE(QFile::link(target, link));
    WriteFileSafely(link, "through the link");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadBytes(target), QByteArray("through the link"));
    EXPECT_EQ(entries(dir.path()), QStringList({"a.jpg", "link.jpg"}));
}

TEST(FileSizeLimitDeathTest, AWriteOverTheLimitFailsInsteadOfEndingTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("big.jpg"));
    EXPECT_EXIT(
        {
            std::signal(SIGXFSZ, SIG_DFL);
            IgnoreFileSizeSignal();
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 1000;
            setrlimit(RLIMIT_FSIZE, &limit);
            try {
                WriteFileSafely(target, QByteArray(5000, 'x'));
            } catch (const AppError& e) {
                std::fputs(e.what(), stderr);
                std::_Exit(3);
            }
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(3), reason(EFBIG).toStdString());
}

// ---- each step failing alone -------------------------------------------------------------

namespace {

struct Injection {
    const char* call; // the system call that fails
    int nth;          // on its nth use in one write
    int error;
    bool renamed; // the new data is in place (only the folder's sync came after)
};
const Injection* g_injected = nullptr;
std::map<std::string, int> g_uses;

bool failsNow(const char* call) {
    if (!g_injected || ++g_uses[call] != g_injected->nth || std::strcmp(call, g_injected->call))
        return false;
    errno = g_injected->error;
    return true;
}

class FailingSteps : public ::testing::TestWithParam<Injection> {
protected:
    void SetUp() override {
        saved = SafeWriteSystem();
        SafeWriteSystem() = {
            [](const char* p, int f, mode_t m) { return failsNow("open") ? -1 : ::open(p, f, m); },
            [](int fd, const void* d, size_t n) {
                return failsNow("write") ? -1 : ::write(fd, d, n);
            },
            [](int fd) { return failsNow("fsync") ? -1 : ::fsync(fd); },
            [](int fd) { return failsNow("close") ? (::close(fd), -1) : ::close(fd); },
            [](const char* a, const char* b) { return failsNow("rename") ? -1 : ::rename(a, b); }};
        g_uses.clear();
        g_injected = &GetParam();
    }
    void TearDown() override {
        g_injected = nullptr;
        SafeWriteSystem() = saved;
    }
    SafeWriteCalls saved{};
};

} // namespace

TEST_P(FailingSteps, KeepTheOldFileLeaveNoTemporaryAndNameTheError) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("sheet.jpg"));
    WriteBytes(target, "old bytes");
    TSafeFile file(target);
    const bool written = file.open(QIODevice::WriteOnly) && file.write("new ") == 4 &&
                         file.write("content") == 7 && file.Commit();
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadBytes(target), GetParam().renamed ? QByteArray("new content") : "old bytes");
    EXPECT_EQ(entries(dir.path()), QStringList{"sheet.jpg"});
    EXPECT_EQ(file.errorString(),
              QStringLiteral("Could not write \"%1\": %2").arg(target, reason(GetParam().error)));
}

// Calls in order: open (the temporary), write, write, fsync, close, rename, open (the
// folder), fsync (the folder), close.
INSTANTIATE_TEST_SUITE_P(
    EachStep, FailingSteps,
    ::testing::Values(Injection{"open", 1, EACCES, false}, Injection{"write", 1, ENOSPC, false},
                      Injection{"write", 2, EFBIG, false}, Injection{"fsync", 1, EIO, false},
                      Injection{"close", 1, EDQUOT, false}, Injection{"rename", 1, EXDEV, false},
                      Injection{"fsync", 2, EROFS, true}));

// ---- leftovers of a killed program -----------------------------------------------------

TEST(Leftovers, OnlyTheWritersOwnStaleTemporariesGo) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to plant another user's file";
    QTemporaryDir dir;
    const auto at = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    // A real leftover: a write killed half-way.
    const pid_t child = ::fork();
    if (child == 0) {
        TSafeFile file(at("Quillmark.jpg"));
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(100000, 'p'));
        ::raise(SIGKILL);
    }
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    ASSERT_EQ(entries(dir.path()).size(), 1); // the killed write's temporary file
    const QDateTime start = QDateTime::currentDateTime().addSecs(1);
    const struct {
        const char* name;
        bool stays;
        qint64 age; // seconds before the start; negative: written after it
        const char* linkTo = nullptr;
        bool otherUser = false;
    } files[] = {
        {"Quillmark.jpg", true, 60},
        {".Quillmark.log.k3j9.tmp", false, 3600},
        {".Quillmark.log.k3j9x.tmp", true, -60},  // a write of the program now running
        {".Quillmark.jpeg.k3j9.tmp", true, 3600}, // another file's
        {".Quillmark.jpg.K3J9.tmp", true, 3600},  // not the writer's digits
        {".Quillmark.jpg.z1.tmp", true, 3600, "Quillmark.jpg"},
        {".Quillmark.jpg.z2.tmp", true, 3600, nullptr, true},
    };
    for (const auto& f : files) {
        if (f.linkTo)
            ASSERT_TRUE(QFile::link(at(f.linkTo), at(f.name)));
        else if (!QFileInfo::exists(at(f.name)))
            WriteBytes(at(f.name), "x");
        if (f.otherUser) {
            ASSERT_EQ(::lchown(QFile::encodeName(at(f.name)).constData(), 65534, 65534), 0);
        }
        const timespec when[2] = {{start.toSecsSinceEpoch() - f.age, 0},
                                  {start.toSecsSinceEpoch() - f.age, 0}};
        ::utimensat(AT_FDCWD, QFile::encodeName(at(f.name)).constData(), when, AT_SYMLINK_NOFOLLOW);
    }
    RemoveStaleTemporaries(dir.path(), {"Quillmark.jpg", "Quillmark.log"}, start);
    QStringList expected;
    for (const auto& f : files)
        if (f.stays)
            expected << QString::fromLatin1(f.name);
    expected.sort();
    EXPECT_EQ(entries(dir.path()), expected);
}
