#include "tests/common/FullDisk.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <csignal>

#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

FullDisk::FullDisk() {
    m_mount = m_dir.filePath(QStringLiteral("disk"));
    QDir().mkpath(m_mount);
    m_tmpfs = ::geteuid() == 0 && ::mount("tmpfs", QFile::encodeName(m_mount).constData(), "tmpfs",
                                          0, "size=256k,mode=0755") == 0;
}

FullDisk::~FullDisk() {
    Free();
    if (m_tmpfs)
        ::umount2(QFile::encodeName(m_mount).constData(), MNT_DETACH);
}

QString FullDisk::path(const QString& name) const {
    return name.isEmpty() ? m_mount : m_mount + QLatin1Char('/') + name;
}

int FullDisk::Error() const {
    return m_tmpfs ? ENOSPC : EFBIG;
}

void FullDisk::Fill(long room) {
    if (m_full)
        return;
    m_full = true;
    if (m_tmpfs) {
        QFile filler(path(QStringLiteral("filler")));
        filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        filler.resize(std::max<qint64>(0, filler.size() - room));
        return;
    }
    m_limit.emplace(room);
}

void FullDisk::Free() {
    if (!m_full)
        return;
    m_full = false;
    if (m_tmpfs) {
        QFile::remove(path(QStringLiteral("filler")));
        return;
    }
    m_limit.reset();
}

FileSizeLimit::FileSizeLimit(long bytes) {
    // Past the limit a write fails with EFBIG instead of raising SIGXFSZ.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    m_previous = limit.rlim_cur;
    limit.rlim_cur = rlim_t(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = m_previous;
    setrlimit(RLIMIT_FSIZE, &limit);
}
