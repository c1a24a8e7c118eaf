#pragma once

// Complete-or-nothing writing of files, on every file system the program writes to.

#include <QByteArray>
#include <QDateTime>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// A file that is written completely or not at all. The name is resolved once, one step at
// a time, and its folder kept open: the bytes go to an unnamed file in that folder (or, where
// the file system has none, to a temporary name only this program makes), every write is
// checked, and only Commit(), once the data is flushed (and synced, unless told otherwise),
// renames it over the target inside the same folder. A name swapped meanwhile for a link is
// replaced, never followed. Until then the target keeps its old content; without a successful
// Commit nothing is left behind.
class TSafeFile : public QIODevice {
public:
    enum class Sync { ToDisk, NoSync };
    // What a symbolic link at the target means. Follow: the file it leads to is replaced (a
    // dangling link's end is created), but only when every link on the way belongs to this
    // user or to root; another user's link is refused. Replace: the link itself is replaced by
    // the new file and nothing it points to is touched, for names the user did not choose (a
    // link planted on a stick) and the program's own files.
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
    bool CreateTemporary(mode_t kept);

    QString m_path;    // as given, for messages
    int m_dir = -1;    // the target's folder
    QByteArray m_name; // the target's name in it
    QByteArray m_temp; // the temporary's name in it, once it has one
    Sync m_sync;
    Links m_links;
    int m_fd = -1;
    int m_error = 0; // the first failure's errno
};

// The few system calls of the writer, replaceable so that each step can be made to fail,
// and a seam between resolving the name and creating the new file.
struct SafeWriteCalls {
    int (*openat)(int dir, const char* name, int flags, mode_t mode);
    ssize_t (*write)(int fd, const void* data, size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*renameat)(int fromDir, const char* from, int toDir, const char* to);
    void (*resolved)(const char* path);
};
SafeWriteCalls& SafeWriteSystem();

// Writes data to path with TSafeFile. Throws AppError naming the file and the reason.
void WriteFileSafely(const QString& path, const QByteArray& data,
                     TSafeFile::Sync sync = TSafeFile::Sync::ToDisk,
                     TSafeFile::Links links = TSafeFile::Links::Follow);

// The message for a failed write of path: "Could not write "path": reason".
QString WriteErrorText(const QString& path, int error);
// The message for a name that is, or leads through, another user's link.
QString ForeignLinkText(const QString& path);

// Whether anything, a dangling link included, has the name.
bool NameTaken(const QString& path);

// What a link at path leads to, link by link.
struct LinkChain {
    bool link = false;    // the name is a symbolic link
    bool foreign = false; // a link on the way belongs to neither this user nor root
    QString end;          // where the chain ends (it may not exist)
};
LinkChain FollowLinks(const QString& path);

// The temporary names this program makes: a fixed prefix, 16 random characters of [0-9a-z]
// and a fixed ending.
QByteArray NewTemporaryName();
bool IsTemporaryName(const QString& name);

// Creates a new file under a fresh temporary name in folder (never through a link, never
// over an existing name), holding content. Its path, or empty on failure.
QString WriteTemporaryCopy(const QString& folder, const QByteArray& content);

// Removes the temporary files a writer killed half-way left in folder (plain files of this
// user with a temporary name, changed before `before`). Returns how many went.
int RemoveStaleTemporaries(const QString& folder, const QDateTime& before);

// Creates the folder and every missing parent, each new one with permissions 0700 as the
// XDG base-directory rules ask (folders that exist keep theirs). True when the folder exists
// afterwards.
bool MakeFolderPath(const QString& path);

// A file-size limit (ulimit -f) then makes writes fail with an error like a full disk,
// instead of ending the program.
void IgnoreFileSizeSignal();
