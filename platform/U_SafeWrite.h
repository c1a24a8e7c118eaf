#pragma once

// Complete-or-nothing writing of files, on every file system the program writes to.

#include <QByteArray>
#include <QDateTime>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// A file that is written completely or not at all. The bytes go to a new temporary file in
// the target's folder (so on its file system); every write is checked, and only Commit(),
// once the data is flushed (and synced, unless told otherwise) and the file closed, renames
// it over the target. Until then the target keeps its old content; without a successful
// Commit the temporary file is removed.
class TSafeFile : public QIODevice {
public:
    enum class Sync { ToDisk, NoSync };
    // What a symbolic link at the target means. Follow: the file it leads to is replaced,
    // found by the kernel (a chain to its end; a dangling link creates its final target).
    // Replace: the link itself is replaced by the new file and nothing it points to is
    // touched, for names the user did not choose (a link planted on a stick).
    enum class Links { Follow, Replace };

    explicit TSafeFile(const QString& path, Sync sync = Sync::ToDisk, Links links = Links::Follow);
    ~TSafeFile() override;

    // Creates the temporary file; only WriteOnly is supported.
    bool open(OpenMode mode) override;
    // Puts the written data in place of the target. False, with errorString() naming the
    // file and the system's reason, when any write, the sync, the close, the rename or the
    // folder's sync failed (after the last, the new data is in place but maybe not on disk).
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
    void RemoveTemporary();
    bool FindTarget(mode_t& mode);

    QString m_path;   // as given, for messages
    QString m_target; // the file actually replaced (a followed link's final target)
    QString m_temp;
    QString m_created; // a followed dangling link's target, made here and removed on failure
    Sync m_sync;
    Links m_links;
    int m_fd = -1;
    int m_error = 0; // the first failure's errno
};

// The few system calls of the writer, replaceable so that each step can be made to fail.
struct SafeWriteCalls {
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*write)(int fd, const void* data, size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
};
SafeWriteCalls& SafeWriteSystem();

// Writes data to path with TSafeFile. Throws AppError naming the file and the reason.
void WriteFileSafely(const QString& path, const QByteArray& data,
                     TSafeFile::Sync sync = TSafeFile::Sync::ToDisk,
                     TSafeFile::Links links = TSafeFile::Links::Follow);

// The message for a failed write of path: "Could not write "path": reason".
QString WriteErrorText(const QString& path, int error);

// Whether anything, a dangling link included, has the name.
bool NameTaken(const QString& path);

// Removes the temporary files a writer killed half-way left in folder for the files named
// (plain files of this user, matching the writer's own pattern, changed before `before`).
// Returns how many went.
int RemoveStaleTemporaries(const QString& folder, const QStringList& names,
                           const QDateTime& before);

// Creates the folder and every missing parent, each new one with permissions 0700 as the
// XDG base-directory rules ask (folders that exist keep theirs). True when the folder exists
// afterwards.
bool MakeFolderPath(const QString& path);

// A file-size limit (ulimit -f) then makes writes fail with an error like a full disk,
// instead of ending the program.
void IgnoreFileSizeSignal();
