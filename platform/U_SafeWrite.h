#pragma once

// Complete-or-nothing writing of files, on every file system the program writes to.

#include <QByteArray>
#include <QIODevice>
#include <QString>

// A file that is written completely or not at all. The bytes go to a new temporary file in
// the target's folder (so on its file system); every write is checked, and only Commit(),
// once the data is flushed (and synced, unless told otherwise) and the file closed, renames
// it over the target. Until then the target keeps its old content; without a successful
// Commit the temporary file is removed. A target that is a symbolic link is written through
// the link.
class TSafeFile : public QIODevice {
public:
    enum class Sync { ToDisk, NoSync };

    explicit TSafeFile(const QString& path, Sync sync = Sync::ToDisk);
    ~TSafeFile() override;

    // Creates the temporary file; only WriteOnly is supported.
    bool open(OpenMode mode) override;
    // Puts the written data in place of the target. False, with errorString() naming the
    // file and the system's reason, when any write, the sync, the close or the rename failed.
    bool Commit();
    const QString& FileName() const { return m_path; }
    // Whether a write has failed; errorString() then says why.
    bool Failed() const { return m_error != 0; }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    void Fail(int error);
    void Discard();

    QString m_path;   // as given, for messages
    QString m_target; // the file actually replaced (a link's target)
    QString m_temp;
    Sync m_sync;
    int m_fd = -1;
    int m_error = 0; // the first failure's errno
};

// Writes data to path with TSafeFile. Throws AppError naming the file and the reason.
void WriteFileSafely(const QString& path, const QByteArray& data,
                     TSafeFile::Sync sync = TSafeFile::Sync::ToDisk);

// The message for a failed write of path: "Could not write "path": reason".
QString WriteErrorText(const QString& path, int error);

// Creates the folder and every missing parent, each new one with permissions 0700 as the
// XDG base-directory rules ask (folders that exist keep theirs). True when the folder exists
// afterwards.
bool MakeFolderPath(const QString& path);

// A file-size limit (ulimit -f) then makes writes fail with an error like a full disk,
// instead of ending the program.
void IgnoreFileSizeSignal();
