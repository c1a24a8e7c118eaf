#include "platform/U_LocalFiles.h"

#include "platform/U_SafeWrite.h"

#include <QDir>
#include <QFileInfo>

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

bool IsPrivateFolderPath(const QString& folder) {
    if (!QDir::isAbsolutePath(folder) || !IsPrivateFolder(folder))
        return false;
    QString above = QDir::cleanPath(folder);
    while (above != QStringLiteral("/")) {
        above = QFileInfo(above).absolutePath();
        struct stat link {};
        struct stat info {};
        const QByteArray name = LocalName(above);
        if (::lstat(name.constData(), &link) != 0 || ::stat(name.constData(), &info) != 0)
            return false;
        const auto trusted = [](uid_t owner) { return owner == ::geteuid() || owner == 0; };
        if (!trusted(link.st_uid) || !trusted(info.st_uid) ||
            ((info.st_mode & 022) != 0 && (info.st_mode & S_ISVTX) == 0))
            return false;
    }
    return true;
}

namespace {

QStringList& notes() {
    static QStringList list;
    return list;
}

} // namespace

QString OwnFolder(const QString& wanted, const QString& fallbackName, QString* note) {
    const QString clean = QDir::cleanPath(wanted);
    if (MakeFolderPath(clean) && IsPrivateFolderPath(clean))
        return clean;
    const QString cache = PrivateCacheFolder();
    const QString own = cache + QLatin1Char('/') + fallbackName;
    if (cache.isEmpty() || !MakeFolderPath(own) || !IsPrivateFolderPath(own))
        return QString();
    const QString text = QStringLiteral("The folder \"%1\" is not this user's own, or others may "
                                        "write to it; Quillmark keeps its files in \"%2\" instead.")
                             .arg(clean, own);
    if (!notes().contains(text))
        notes() << text;
    if (note)
        *note = text;
    return own;
}

QStringList OwnFolderNotes() {
    return notes();
}

QString PrivateCacheFolder() {
    const QString own = QDir::homePath() + QStringLiteral("/.cache/quillmark");
    return MakeFolderPath(own) && IsPrivateFolderPath(own) ? own : QString();
}

QString PrivateRuntimeFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (IsPrivateFolderPath(runtime))
        return QDir::cleanPath(runtime);
    return PrivateCacheFolder();
}
