#include "support/U_OrrinUtils.h"

#include "platform/SettingsStore.h"
#include "platform/U_LocalFiles.h"
#include "platform/U_SafeWrite.h"
#include "platform/UserFolders.h"
#include "platform/VersionResource.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString withSeparator(const QString& path) {
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

} // namespace

QString FolderOf(const QString& filePath) {
    return withSeparator(QFileInfo(filePath).absolutePath());
}

bool CreateFolderLong(const QString& path) {
    return QDir().mkdir(path);
}

bool FolderExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && info.isDir();
}

bool WideFileExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

QString DataFolder(const QString& programFile, const QString& name, IUserFolders& folders) {
    const QString fallback = FolderOf(programFile);
    const QString base = folders.appDataFolder();
    if (base.isEmpty())
        return fallback;
    const QString folder = withSeparator(base) + QStringLiteral("Brindlewood/") + name;
    if (!MakeFolderPath(folder))
        return fallback;
    // Not this user's own, or open to others: anything kept there could be swapped.
    const QString own = OwnFolder(folder, QStringLiteral("data"));
    return own.isEmpty() ? fallback : withSeparator(own);
}

QString FileVersionString(const QString& path) {
    if (!WideFileExists(path))
        return QStringLiteral("File not found");
    const auto version = readFileVersion(path);
    if (!version)
        return {};
    return QStringLiteral("%1.%2.%3.%4")
        .arg((*version)[0])
        .arg((*version)[1])
        .arg((*version)[2])
        .arg((*version)[3]);
}

void RegisterProgramPath(ISettingsStore& settings, const QString& name,
                         const QString& programFile) {
    settings.writeString(QStringLiteral("SOFTWARE\\Brindlewood"), name, programFile);
}

QString YesNo(bool value) {
    return value ? QStringLiteral("Yes") : QStringLiteral("No");
}

QString LeftChars(const QString& text, int count) {
    return text.left(count < 0 ? 0 : count);
}
