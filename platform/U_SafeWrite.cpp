#include "platform/U_SafeWrite.h"

#include "platform/AppError.h"
#include "platform/U_LocalFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray encoded(const QString& path) {
    return LocalName(path);
}

int systemOpen(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

// Syncing is not offered by every file system (some FUSE and network mounts); that is not
// a failed write.
bool syncFailed(int fd) {
    while (SafeWriteSystem().fsync(fd) != 0) {
        if (errno == EINTR)
            continue;
        return errno != EINVAL && errno != ENOTSUP;
    }
    return false;
}

// So that the rename itself survives a crash. A folder that cannot be opened for it is
// not a failure; one whose sync fails is.
int syncFolder(const QString& folder) {
    SafeWriteCalls& calls = SafeWriteSystem();
    const int fd = calls.open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    const int error = syncFailed(fd) ? errno : 0;
    calls.close(fd);
    return error;
}

// The path the kernel reached for an open descriptor, every link on the way followed.
QString kernelPath(int fd) {
    char buffer[4096];
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd);
    const ssize_t n = ::readlink(link.constData(), buffer, sizeof buffer);
    if (n <= 0 || size_t(n) >= sizeof buffer)
        return QString();
    return PathFromLocal8Bit(QByteArray(buffer, n));
}

} // namespace

SafeWriteCalls& SafeWriteSystem() {
    static SafeWriteCalls calls{systemOpen, ::write, ::fsync, ::close, ::rename};
    return calls;
}

QString WriteErrorText(const QString& path, int error) {
    return QStringLiteral("Could not write \"%1\": %2")
        .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(error)));
}

bool NameTaken(const QString& path) {
    struct stat info {};
    return ::lstat(encoded(path).constData(), &info) == 0;
}

TSafeFile::TSafeFile(const QString& path, Sync sync, Links links)
    : m_path(path), m_sync(sync), m_links(links) {}

TSafeFile::~TSafeFile() {
    Discard();
}

void TSafeFile::Fail(int error) {
    if (m_error == 0)
        m_error = error;
    setErrorString(WriteErrorText(m_path, m_error));
}

void TSafeFile::Discard() {
    RemoveTemporary();
    QIODevice::close();
}

void TSafeFile::RemoveTemporary() {
    if (m_fd >= 0) {
        SafeWriteSystem().close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        ::unlink(encoded(m_temp).constData());
        m_temp.clear();
    }
    if (!m_created.isEmpty()) {
        ::unlink(encoded(m_created).constData());
        m_created.clear();
    }
}

// Sets m_target and the mode of the file replaced (0: none to keep). The kernel resolves
// links; nothing here reads them.
bool TSafeFile::FindTarget(mode_t& mode) {
    mode = 0;
    m_target = QFileInfo(m_path).absoluteFilePath();
    const QByteArray name = encoded(m_target);
    struct stat info {};
    if (m_links == Links::Replace) {
        // lstat never follows the last step: a link there is replaced, a file keeps its mode.
        if (::lstat(name.constData(), &info) == 0) {
            if (S_ISDIR(info.st_mode)) {
                Fail(EISDIR);
                return false;
            }
            if (S_ISREG(info.st_mode))
                mode = info.st_mode & 07777;
        }
        return true;
    }
    int fd = ::open(name.constData(), O_PATH | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT && ::lstat(name.constData(), &info) == 0) {
        // A dangling link: as an open would, create the file at its end.
        fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
        if (fd < 0) {
            Fail(errno);
            return false;
        }
        m_created = kernelPath(fd);
    } else if (fd < 0) {
        if (errno == ENOENT)
            return true;
        Fail(errno);
        return false;
    }
    const QString reached = kernelPath(fd);
    const bool known = ::fstat(fd, &info) == 0;
    ::close(fd);
    if (reached.isEmpty() || !known) {
        Fail(ENOENT);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        Fail(EISDIR);
        return false;
    }
    m_target = reached;
    if (m_created.isEmpty())
        mode = info.st_mode & 07777;
    return true;
}

bool TSafeFile::open(OpenMode mode) {
    if (isOpen() || (mode & ReadOnly) || !(mode & WriteOnly))
        return false;
    m_error = 0;
    mode_t kept = 0;
    if (!FindTarget(kept)) {
        Discard();
        return false;
    }
    // A name of our own beside the target; O_EXCL never takes over an existing file.
    const QFileInfo target(m_target);
    const QString prefix =
        target.absolutePath() + QStringLiteral("/.") + target.fileName() + QLatin1Char('.');
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        const QString candidate = prefix +
                                  QString::number(QRandomGenerator::global()->generate(), 36) +
                                  QStringLiteral(".tmp");
        const int fd = SafeWriteSystem().open(encoded(candidate).constData(),
                                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temp = candidate;
        } else if (errno != EEXIST) {
            Fail(errno);
            Discard();
            return false;
        }
    }
    if (m_fd < 0) {
        Fail(EEXIST);
        Discard();
        return false;
    }
    // A replaced file keeps its permissions.
    if (kept != 0)
        ::fchmod(m_fd, kept);
    return QIODevice::open(WriteOnly | Unbuffered);
}

qint64 TSafeFile::readData(char*, qint64) {
    return -1;
}

qint64 TSafeFile::writeData(const char* data, qint64 size) {
    if (m_fd < 0 || m_error != 0)
        return -1;
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = SafeWriteSystem().write(m_fd, data + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // Nothing more can make this write whole: the temporary file goes now.
            Fail(n < 0 ? errno : ENOSPC);
            RemoveTemporary();
            return -1;
        }
        done += n;
    }
    return done;
}

bool TSafeFile::Commit() {
    if (m_fd < 0) {
        if (m_error == 0)
            Fail(EBADF);
        Discard();
        return false;
    }
    SafeWriteCalls& calls = SafeWriteSystem();
    if (m_error == 0 && m_sync == Sync::ToDisk && syncFailed(m_fd))
        Fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (calls.close(fd) != 0 && m_error == 0)
        Fail(errno);
    if (m_error == 0 &&
        calls.rename(encoded(m_temp).constData(), encoded(m_target).constData()) != 0)
        Fail(errno);
    if (m_error != 0) {
        Discard();
        return false;
    }
    m_temp.clear();
    m_created.clear();
    QIODevice::close();
    if (m_sync == Sync::ToDisk) {
        if (const int error = syncFolder(QFileInfo(m_target).absolutePath())) {
            Fail(error);
            return false;
        }
    }
    return true;
}

void WriteFileSafely(const QString& path, const QByteArray& data, TSafeFile::Sync sync,
                     TSafeFile::Links links) {
    TSafeFile file(path, sync, links);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.Commit())
        throw AppError(file.errorString());
}

int RemoveStaleTemporaries(const QString& folder, const QStringList& names,
                           const QDateTime& before) {
    QStringList patterns;
    for (const QString& name : names)
        patterns << QRegularExpression::escape(name);
    const QRegularExpression own(
        QStringLiteral("^\\.(%1)\\.[0-9a-z]+\\.tmp$").arg(patterns.join(QLatin1Char('|'))));
    const QDir dir(folder);
    int removed = 0;
    for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!own.match(entry).hasMatch())
            continue;
        const QByteArray path = encoded(dir.filePath(entry));
        struct stat info {};
        if (::lstat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid() ||
            qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000 >=
                before.toMSecsSinceEpoch())
            continue;
        removed += ::unlink(path.constData()) == 0;
    }
    return removed;
}

bool MakeFolderPath(const QString& path) {
    if (path.isEmpty())
        return false;
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    if (QFileInfo(clean).isDir())
        return true;
    const QString parent = QFileInfo(clean).absolutePath();
    if (parent != clean && !MakeFolderPath(parent))
        return false;
    // A folder made meanwhile by someone else is as good.
    return ::mkdir(encoded(clean).constData(), 0700) == 0 || QFileInfo(clean).isDir();
}

void IgnoreFileSizeSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}
