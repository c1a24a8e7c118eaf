// The complete-or-nothing writer: modes kept, links, a write over the file-size limit.
#include "platform/AppError.h"
#include "platform/U_SafeWrite.h"
#include "tests/common/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <sys/resource.h>
#include <sys/stat.h>

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
