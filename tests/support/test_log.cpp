#include "support/U_Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QDateTime fixedTime() {
    return QDateTime(QDate(2026, 12, 8), QTime(5, 5, 40));
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class LogTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("Quillmark.log")); }
    TWLog make(bool verbose = false, int maxLines = 10000) {
        TWLog log(path(), verbose, maxLines);
        log.setClock(fixedTime);
        return log;
    }
};

} // namespace

TEST_F(LogTest, LineHasLevelTimestampAndMessageSeparatedByTabs) {
    EXPECT_EQ(TWLog::FormatLine(QStringLiteral("Starting"), 1, fixedTime()),
              QByteArray("Info\t[26-12-08 05:05:40]\tStarting"));
    EXPECT_EQ(TWLog::FormatLine(QStringLiteral("x"), 0, fixedTime()).left(8), "Verbose\t");
    EXPECT_EQ(TWLog::FormatLine(QStringLiteral("x"), 2, fixedTime()).left(6), "Error\t");
    // Levels above the known ones are written as errors.
    EXPECT_EQ(TWLog::FormatLine(QStringLiteral("x"), 5, fixedTime()).left(6), "Error\t");
    // A TAB inside the message is kept as it is.
    EXPECT_EQ(TWLog::FormatLine(QStringLiteral("a\tb"), 1, fixedTime()),
              QByteArray("Info\t[26-12-08 05:05:40]\ta\tb"));
}

TEST_F(LogTest, NewestLineComesFirstAndEveryLineEndsWithCrLf) {
    TWLog log = make();
    log.Log(QStringLiteral("Starting"), 1);
    log.Log(QStringLiteral("second"), 1);
    EXPECT_EQ(readAll(path()), QByteArray("Info\t[26-12-08 05:05:40]\tsecond\r\n"
                                          "Info\t[26-12-08 05:05:40]\tStarting\r\n"));
}

TEST_F(LogTest, FirstEntryReplacesAnEarlierRunsFile) {
    {
        QFile old(path());
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old run\r\nmore\r\n");
    }
    TWLog log = make();
    EXPECT_EQ(readAll(path()), QByteArray("old run\r\nmore\r\n")) << "creating touches nothing";
    log.Log(QStringLiteral("Starting"), 1);
    EXPECT_EQ(readAll(path()), QByteArray("Info\t[26-12-08 05:05:40]\tStarting\r\n"));
}

TEST_F(LogTest, KeepsAtMostMaxLinesDroppingTheOldest) {
    TWLog log = make(false, 10000);
    log.Log(QStringLiteral("Starting"), 1);
    for (int i = 1; i <= 10000; ++i)
        log.Log(QString::number(i), 1);
    ASSERT_EQ(log.Lines().size(), 10000);
    EXPECT_TRUE(log.Lines().first().endsWith("\t10000"));
    EXPECT_TRUE(log.Lines().last().endsWith("\t1"));
    const QByteArray file = readAll(path());
    EXPECT_EQ(file.count("\r\n"), 10000);
    EXPECT_FALSE(file.contains("Starting"));
}

TEST_F(LogTest, VerboseEntriesNeedTheVerboseFlag) {
    TWLog quiet = make(false);
    quiet.Log(QStringLiteral("detail"), 0);
    EXPECT_TRUE(quiet.Lines().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path()));

    TWLog chatty = make(true);
    chatty.Log(QStringLiteral("detail"), 0);
    EXPECT_EQ(chatty.Lines().size(), 1);
}

TEST_F(LogTest, UnwritableFileKeepsLinesInMemoryUntilItCanBeWritten) {
    const QString folder = dir.filePath(QStringLiteral("missing"));
    TWLog log(folder + QStringLiteral("/Quillmark.log"), false, 10000);
    log.Log(QStringLiteral("first"), 1);
    log.Log(QStringLiteral("second"), 1);
    EXPECT_EQ(log.Lines().size(), 2);
    ASSERT_TRUE(QDir().mkpath(folder));
    log.Log(QStringLiteral("third"), 1);
    EXPECT_EQ(readAll(log.FileName()).count("\r\n"), 3);
}

TEST_F(LogTest, MessagesAreWrittenAsUtf8) {
    TWLog log = make();
    log.Log(QStringLiteral("Loading : /home/zoë/Фото.jpg"), 1);
    EXPECT_TRUE(readAll(path()).contains(QStringLiteral("/home/zoë/Фото.jpg").toUtf8()));
}
