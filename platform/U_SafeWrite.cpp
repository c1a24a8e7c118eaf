#include "platform/U_SafeWrite.h"

#include "platform/AppError.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

// Syncing is not offered by every file system (some FUSE and network mounts); that is not
// a failed write.
bool syncFailed(int fd) {
    while (::fsync(fd) != 0) {
        if (errno == EINTR)
            continue;
        return errno != EINVAL && errno != ENOTSUP;
    }
    return false;
}

// So that the rename itself survives a crash; failures here lose nothing already written.
void syncFolder(const QString& folder) {
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

QString WriteErrorText(const QString& path, int error) {
    return QStringLiteral("Could not write \"%1\": %2")
        .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(error)));
}

TSafeFile::TSafeFile(const QString& path, Sync sync) : m_path(path), m_target(path), m_sync(sync) {
    const QFileInfo info(path);
    if (info.isSymLink()) {
        const QString real = info.symLinkTarget();
        if (!real.isEmpty())
            m_target = real;
    }
}

TSafeFile::~TSafeFile() {
    Discard();
}

void TSafeFile::Fail(int error) {
    if (m_error == 0)
        m_error = error;
    setErrorString(WriteErrorText(m_path, m_error));
}

void TSafeFile::Discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        ::unlink(encoded(m_temp).constData());
        m_temp.clear();
    }
    QIODevice::close();
}

bool TSafeFile::open(OpenMode mode) {
    if (isOpen() || (mode & ReadOnly) || !(mode & WriteOnly))
        return false;
    m_error = 0;
    const QFileInfo target(m_target);
    if (target.isDir()) {
        Fail(EISDIR);
        return false;
    }
    // A name of our own beside the target; O_EXCL never takes over an existing file.
    const QString prefix =
        target.absolutePath() + QStringLiteral("/.") + target.fileName() + QLatin1Char('.');
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = prefix +
                                  QString::number(QRandomGenerator::global()->generate(), 36) +
                                  QStringLiteral(".tmp");
        const int fd =
            ::open(encoded(candidate).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temp = candidate;
            break;
        }
        if (errno != EEXIST) {
            Fail(errno);
            return false;
        }
    }
    if (m_fd < 0) {
        Fail(EEXIST);
        return false;
    }
    // A replaced file keeps its permissions.
    struct stat old;
    if (::stat(encoded(m_target).constData(), &old) == 0)
        ::fchmod(m_fd, old.st_mode & 07777);
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
        const ssize_t n = ::write(m_fd, data + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            Fail(n < 0 ? errno : ENOSPC);
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
    if (m_error == 0 && m_sync == Sync::ToDisk && syncFailed(m_fd))
        Fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && m_error == 0)
        Fail(errno);
    if (m_error == 0 && ::rename(encoded(m_temp).constData(), encoded(m_target).constData()) != 0)
        Fail(errno);
    if (m_error != 0) {
        Discard();
        return false;
    }
    m_temp.clear();
    QIODevice::close();
    if (m_sync == Sync::ToDisk)
        syncFolder(QFileInfo(m_target).absolutePath());
    return true;
}

void WriteFileSafely(const QString& path, const QByteArray& data, TSafeFile::Sync sync) {
    TSafeFile file(path, sync);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.Commit())
        throw AppError(file.errorString());
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
