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
        ::testing::ExitedWithCode(3), ErrorText(EFBIG).toStdString());
}

namespace {

// The writer's system calls, failing at the nth use of one of them.
struct Injection {
    const char* call;
    int nth, error;
    bool renamed; // only the folder's sync came after the new data was in place
};
const Injection* g_fail = nullptr;
std::map<std::string, int> g_uses;

bool failsNow(const char* call) {
    if (!g_fail || std::strcmp(call, g_fail->call) || ++g_uses[call] != g_fail->nth)
        return false;
    errno = g_fail->error;
    return true;
}

} // namespace

// Calls in order: openat (the temporary), write, write, fsync, close, renameat, fsync (the
// folder).
TEST(SafeFile, EachFailingStepKeepsTheOldFileLeavesNoTemporaryAndNamesTheError) {
    const SafeWriteCalls system = SafeWriteSystem();
    SafeWriteSystem() = {
        [](int d, const char* p, int f, mode_t m) {
            return failsNow("open") ? -1 : ::openat(d, p, f, m);
        },
        [](int fd, const void* d, size_t n) { return failsNow("write") ? -1 : ::write(fd, d, n); },
        [](int fd) { return failsNow("fsync") ? -1 : ::fsync(fd); },
        [](int fd) { return failsNow("close") ? (::close(fd), -1) : ::close(fd); },
        [](int d, const char* a, int e, const char* b) {
            return failsNow("rename") ? -1 : ::renameat(d, a, e, b);
        },
        system.resolved};
    const Injection cases[] = {{"open", 1, EACCES, false},  {"write", 1, ENOSPC, false},
                               {"write", 2, EFBIG, false},  {"fsync", 1, EIO, false},
                               {"close", 1, EDQUOT, false}, {"rename", 1, EXDEV, false},
                               {"fsync", 2, EROFS, true}};
    for (const Injection& c : cases) {
        g_fail = &c;
        g_uses.clear();
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("sheet.jpg"));
        WriteBytes(target, "old bytes");
        TSafeFile file(target);
        EXPECT_FALSE(file.open(QIODevice::WriteOnly) && file.write("new ") == 4 &&
                     file.write("content") == 7 && file.Commit());
        EXPECT_EQ(ReadBytes(target), c.renamed ? QByteArray("new content") : "old bytes");
        EXPECT_EQ(FilesIn(dir.path()), QStringList{"sheet.jpg"}) << c.call << c.nth;
        EXPECT_EQ(file.errorString(),
                  QString("Could not write \"%1\": %2").arg(target, ErrorText(c.error)));
    }
    g_fail = nullptr;
    SafeWriteSystem() = system;
}

// The start-up clean-up: only the writer's exact temporary names, of this user, plain files,
// older than the start. Near misses of the shape and other users' files stay.
TEST(SafeFile, StaleTemporariesOfTheProgramGoAtStartAndLookAlikesStay) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to plant another user's file";
    QTemporaryDir dir;
    const auto at = [&](const char* name) { return QFile::encodeName(dir.filePath(name)); };
    const qint64 start = QDateTime::currentSecsSinceEpoch() + 1;
    const struct {
        const char* name;
        bool stays;
        int age; // seconds before the start
        bool link = false, otherUser = false;
    } files[] = {{"Quillmark.jpg", true, 60},
                 {".quillmark-0123456789abcdef.tmp", false, 3600},
                 {".quillmark-zzzzzzzzzzzzzzz9.tmp", false, 2},
                 {".quillmark-0123456789abcdeg.tmp", true, -60}, // the running program's
                 {".quillmark-0123456789abcde.tmp", true, 3600}, // one character short
                 {".quillmark-0123456789abcdefg.tmp", true, 3600},
                 {".quillmark-0123456789aBcdef.tmp", true, 3600},
                 {".quillmark-0123456789abcdef.tmp.mine", true, 3600},
                 {"x.quillmark-0123456789abcdef.tmp", true, 3600},
                 {".quillmark-backup-of-mine.tmp", true, 3600},
                 {".Quillmark.jpg.mine.tmp", true, 3600},
                 {".registry.ini.keep.tmp", true, 3600},
                 {".quillmark-0123456789abcdez.tmp", true, 3600, true},
                 {".quillmark-0123456789abcdey.tmp", true, 3600, false, true}};
    for (const auto& f : files) {
        f.link ? ::symlink("Quillmark.jpg", at(f.name))
               : (WriteBytes(dir.filePath(f.name), "x"), 0);
        ::lchown(at(f.name), f.otherUser ? 65534 : 0, 0);
        const timespec when[2] = {{start - f.age, 0}, {start - f.age, 0}};
        ::utimensat(AT_FDCWD, at(f.name), when, AT_SYMLINK_NOFOLLOW);
    }
    RemoveStaleTemporaries(dir.path(), QDateTime::fromSecsSinceEpoch(start));
    QStringList expected;
    for (const auto& f : files)
        if (f.stays)
            expected << f.name;
    QStringList left = FilesIn(dir.path());
    left.sort();
    expected.sort();
    EXPECT_EQ(left.join(' ').toStdString(), expected.join(' ').toStdString());
}
