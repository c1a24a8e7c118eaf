#include "platform/U_SafeWrite.h"

#include "platform/AppError.h"
#include "platform/U_LocalFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Not an errno: a link on the way belongs to another user.
constexpr int kForeignLink = 0x10000;
constexpr int kMostLinks = 40;
constexpr char kTempPrefix[] = ".quillmark-";
constexpr char kTempEnding[] = ".tmp";
constexpr int kTempRandom = 16;

QByteArray encoded(const QString& path) {
    return LocalName(path);
}

bool trustedOwner(uid_t owner) {
    return owner == ::geteuid() || owner == 0;
}

// Syncing is not offered by every file system (some FUSE and network mounts); that is not
// a failed write.
bool syncFailed(int fd) {
    while (SafeWriteSystem().fsync(fd) != 0) {
        if (errno == EINTR)
            continue;
        return errno != EINVAL && errno != ENOTSUP && errno != EBADF;
    }
    return false;
}

bool isLast(const QList<QByteArray>& rest) {
    for (const QByteArray& step : rest)
        if (!step.isEmpty() && step != ".")
            return false;
    return true;
}

// Walks an absolute path from the root one name at a time; the kernel never follows a link
// on its own. A link met on the way (and at the end when followLast) is read here and
// followed only when it belongs to this user or root. On success dir is the final folder
// (O_PATH) and name the last step, which may not exist. Returns 0, an errno or kForeignLink;
// ends, when given, collects where the chain went.
int resolve(const QByteArray& path, bool followLast, int& dir, QByteArray& name,
            QByteArray* ends = nullptr) {
    QList<QByteArray> rest = path.split('/');
    dir = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return errno;
    const auto fail = [&](int error) {
        ::close(dir);
        dir = -1;
        return error;
    };
    int links = 0;
    while (!rest.isEmpty()) {
        const QByteArray step = rest.takeFirst();
        if (step.isEmpty() || step == ".")
            continue;
        const bool last = isLast(rest);
        struct stat info {};
        if (::fstatat(dir, step.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT || !last)
                return fail(errno);
            name = step;
            return 0;
        }
        if (S_ISLNK(info.st_mode) && (!last || followLast)) {
            if (!trustedOwner(info.st_uid))
                return fail(kForeignLink);
            if (++links > kMostLinks)
                return fail(ELOOP);
            char target[PATH_MAX];
            const ssize_t n = ::readlinkat(dir, step.constData(), target, sizeof target);
            if (n <= 0 || size_t(n) >= sizeof target)
                return fail(n < 0 ? errno : ENAMETOOLONG);
            if (ends)
                *ends = QByteArray(target, n);
            if (target[0] == '/') {
                ::close(dir);
                dir = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
                if (dir < 0)
                    return errno;
            }
            rest = QByteArray(target, n).split('/') + rest;
            continue;
        }
        if (last) {
            name = step;
            return 0;
        }
        // O_NOFOLLOW: a folder swapped for a link since the look is not entered.
        const int next =
            ::openat(dir, step.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0)
            return fail(errno);
        ::close(dir);
        dir = next;
    }
    return fail(EISDIR);
}

QString kernelPath(int fd) {
    char buffer[PATH_MAX];
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd);
    const ssize_t n = ::readlink(link.constData(), buffer, sizeof buffer);
    return n > 0 && size_t(n) < sizeof buffer ? PathFromLocal8Bit(QByteArray(buffer, n))
                                              : QString();
}

int systemOpenAt(int dir, const char* name, int flags, mode_t mode) {
    return ::openat(dir, name, flags, mode);
}

void nothing(const char*) {}

} // namespace

SafeWriteCalls& SafeWriteSystem() {
    static SafeWriteCalls calls{systemOpenAt, ::write, ::fsync, ::close, ::renameat, nothing};
    return calls;
}

QString WriteErrorText(const QString& path, int error) {
    if (error == kForeignLink)
        return ForeignLinkText(path);
    return QStringLiteral("Could not write \"%1\": %2")
        .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(error)));
}

QString ForeignLinkText(const QString& path) {
    return QStringLiteral("\"%1\" is a link owned by another user; not written.")
        .arg(QDir::toNativeSeparators(path));
}

bool NameTaken(const QString& path) {
    struct stat info {};
    return ::lstat(encoded(path).constData(), &info) == 0;
}

LinkChain FollowLinks(const QString& path) {
    LinkChain chain;
    const QByteArray name = encoded(QFileInfo(path).absoluteFilePath());
    struct stat info {};
    chain.link = ::lstat(name.constData(), &info) == 0 && S_ISLNK(info.st_mode);
    if (!chain.link)
        return chain;
    int dir = -1;
    QByteArray last, ends;
    const int error = resolve(name, true, dir, last, &ends);
    chain.foreign = error == kForeignLink;
    if (dir >= 0) {
        const QString folder = kernelPath(dir);
        chain.end = folder.endsWith(QLatin1Char('/'))
                        ? folder + PathFromLocal8Bit(last)
                        : folder + QLatin1Char('/') + PathFromLocal8Bit(last);
        ::close(dir);
    } else {
        chain.end = PathFromLocal8Bit(ends);
    }
    return chain;
}

QByteArray NewTemporaryName() {
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    QByteArray name(kTempPrefix);
    for (int i = 0; i < kTempRandom; ++i)
        name += digits[QRandomGenerator::system()->bounded(36)];
    return name + kTempEnding;
}

bool IsTemporaryName(const QString& name) {
    const qsizetype prefix = qsizetype(sizeof kTempPrefix) - 1;
    const qsizetype ending = qsizetype(sizeof kTempEnding) - 1;
    if (name.size() != prefix + kTempRandom + ending ||
        !name.startsWith(QLatin1String(kTempPrefix)) || !name.endsWith(QLatin1String(kTempEnding)))
        return false;
    for (qsizetype i = prefix; i < prefix + kTempRandom; ++i) {
        const char16_t c = name[i].unicode();
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z')))
            return false;
    }
    return true;
}

QString WriteTemporaryCopy(const QString& folder, const QByteArray& content) {
    const int dir = ::open(encoded(folder).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return {};
    QByteArray name;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        name = NewTemporaryName();
        fd = ::openat(dir, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      0600);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    bool written = fd >= 0;
    for (qsizetype done = 0; written && done < content.size();) {
        const ssize_t n = ::write(fd, content.constData() + done, size_t(content.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        written = n > 0;
        done += n;
    }
    if (fd >= 0 && (::close(fd) != 0 || !written)) {
        ::unlinkat(dir, name.constData(), 0);
        written = false;
    }
    ::close(dir);
    return written ? QDir(folder).filePath(PathFromLocal8Bit(name)) : QString();
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
    if (m_dir >= 0) {
        ::close(m_dir);
        m_dir = -1;
    }
    QIODevice::close();
}

void TSafeFile::RemoveTemporary() {
    if (m_fd >= 0) {
        SafeWriteSystem().close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        ::unlinkat(m_dir, m_temp.constData(), 0);
        m_temp.clear();
    }
}

// An unnamed file where the file system has them, so that a kill leaves nothing; else a
// name only this program makes, never taking over an existing one.
bool TSafeFile::CreateTemporary(mode_t kept) {
    SafeWriteCalls& calls = SafeWriteSystem();
    m_fd = calls.openat(m_dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (m_fd < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        Fail(errno);
        return false;
    }
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        const QByteArray name = NewTemporaryName();
        m_fd = calls.openat(m_dir, name.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_fd >= 0)
            m_temp = name;
        else if (errno != EEXIST) {
            Fail(errno);
            return false;
        }
    }
    if (m_fd < 0) {
        Fail(EEXIST);
        return false;
    }
    // A replaced file keeps its permissions.
    if (kept != 0)
        ::fchmod(m_fd, kept);
    return true;
}

bool TSafeFile::open(OpenMode mode) {
    if (isOpen() || (mode & ReadOnly) || !(mode & WriteOnly))
        return false;
    m_error = 0;
    const QByteArray path = encoded(QFileInfo(m_path).absoluteFilePath());
    int dir = -1;
    if (const int error = resolve(path, m_links == Links::Follow, dir, m_name)) {
        Fail(error);
        Discard();
        return false;
    }
    // A real descriptor, so that the folder can be synced; a folder that cannot be read
    // is written in all the same.
    m_dir = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_dir < 0)
        m_dir = dir;
    else
        ::close(dir);
    mode_t kept = 0;
    struct stat info {};
    if (::fstatat(m_dir, m_name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(info.st_mode)) {
            Fail(EISDIR);
            Discard();
            return false;
        }
        if (S_ISREG(info.st_mode))
            kept = info.st_mode & 07777;
    }
    SafeWriteSystem().resolved(path.constData());
    if (!CreateTemporary(kept)) {
        Discard();
        return false;
    }
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
    // The unnamed file gets a name only now, just before it replaces the target.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
    for (int attempt = 0; m_error == 0 && m_temp.isEmpty() && attempt < 100; ++attempt) {
        const QByteArray name = NewTemporaryName();
        if (::linkat(AT_FDCWD, self.constData(), m_dir, name.constData(), AT_SYMLINK_FOLLOW) == 0 ||
            ::linkat(m_fd, "", m_dir, name.constData(), AT_EMPTY_PATH) == 0)
            m_temp = name;
        else if (errno != EEXIST)
            Fail(errno);
    }
    if (m_error == 0 && m_temp.isEmpty())
        Fail(EEXIST);
    const int fd = m_fd;
    m_fd = -1;
    if (calls.close(fd) != 0 && m_error == 0)
        Fail(errno);
    if (m_error == 0 && calls.renameat(m_dir, m_temp.constData(), m_dir, m_name.constData()) != 0)
        Fail(errno);
    if (m_error != 0) {
        Discard();
        return false;
    }
    m_temp.clear();
    QIODevice::close();
    const bool synced = m_sync == Sync::NoSync || !syncFailed(m_dir);
    const int error = errno;
    ::close(m_dir);
    m_dir = -1;
    if (!synced) {
        Fail(error);
        return false;
    }
    return true;
}

void WriteFileSafely(const QString& path, const QByteArray& data, TSafeFile::Sync sync,
                     TSafeFile::Links links) {
    TSafeFile file(path, sync, links);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.Commit())
        throw AppError(file.errorString());
}

int RemoveStaleTemporaries(const QString& folder, const QDateTime& before) {
    const int dir =
        ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0)
        return 0;
    DIR* list = ::fdopendir(dir);
    if (!list) {
        ::close(dir);
        return 0;
    }
    const qint64 start = before.toMSecsSinceEpoch();
    int removed = 0;
    while (const dirent* entry = ::readdir(list)) {
        if (!IsTemporaryName(PathFromLocal8Bit(entry->d_name)))
            continue;
        struct stat info {};
        if (::fstatat(dir, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() ||
            qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000 >= start)
            continue;
        removed += ::unlinkat(dir, entry->d_name, 0) == 0;
    }
    ::closedir(list);
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
