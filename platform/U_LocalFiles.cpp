#include "platform/U_LocalFiles.h"

#include "platform/U_SafeWrite.h"

#include <QDir>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char16_t kEscape = 0xDC00;

// The length of the valid UTF-8 sequence at i, or 0.
int sequenceAt(const QByteArray& s, qsizetype i) {
    const auto b = [&](qsizetype k) { return k < s.size() ? uchar(s[k]) : 0u; };
    const auto cont = [&](qsizetype k) { return (b(k) & 0xC0) == 0x80; };
    const uint c = b(i);
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        return cont(i + 1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        const uint n = b(i + 1);
        const bool ok = (c == 0xE0 ? n >= 0xA0 : c == 0xED ? n < 0xA0 : true) && cont(i + 1);
        return ok && cont(i + 2) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        const uint n = b(i + 1);
        const bool ok = (c == 0xF0 ? n >= 0x90 : c == 0xF4 ? n < 0x90 : true) && cont(i + 1);
        return ok && cont(i + 2) && cont(i + 3) ? 4 : 0;
    }
    return 0;
}

} // namespace

QString PathFromLocal8Bit(const QByteArray& name) {
    QString path;
    for (qsizetype i = 0; i < name.size();) {
        const int n = sequenceAt(name, i);
        if (n == 0) {
            path += QChar(char16_t(kEscape + uchar(name[i])));
            ++i;
        } else {
            path += QString::fromUtf8(name.constData() + i, n);
            i += n;
        }
    }
    return path;
}

QByteArray LocalName(const QString& path) {
    QByteArray name;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QChar c = path[i];
        if (c.isHighSurrogate() && i + 1 < path.size() && path[i + 1].isLowSurrogate()) {
            name += QStringView(path).mid(i, 2).toUtf8();
            ++i;
        } else if (c.unicode() >= kEscape + 0x80 && c.unicode() <= kEscape + 0xFF) {
            name += char(c.unicode() - kEscape);
        } else {
            name += QStringView(path).mid(i, 1).toUtf8();
        }
    }
    return name;
}

bool IsPrivateFolder(const QString& folder) {
    struct stat info {};
    return !folder.isEmpty() && ::lstat(LocalName(folder).constData(), &info) == 0 &&
           S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 022) == 0;
}

QString PrivateRuntimeFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && IsPrivateFolder(runtime))
        return QDir::cleanPath(runtime);
    QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty())
        cache = QDir::homePath() + QStringLiteral("/.cache");
    const QString own = cache + QStringLiteral("/quillmark");
    return MakeFolderPath(own) && IsPrivateFolder(own) ? own : QString();
}
