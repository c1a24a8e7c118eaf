#include "U_AppFolders.h"

#include "U_OrrinUtils.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace {

QString withSeparator(const QString& path) {
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

bool holdsProgramFiles(const QString& folder) {
    if (QFileInfo::exists(folder + QStringLiteral("help.htm")))
        return true;
    return !QDir(folder)
                .entryList({QStringLiteral("QKS_*.SPK")}, QDir::Files | QDir::Readable)
                .isEmpty();
}

// access() rather than the permission bits: it also sees read-only mounts and ACLs.
bool writableFolder(const QString& folder) {
    return QFileInfo(folder).isDir() && ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
}

} // namespace

QStringList ProgramFileFolders(const QString& programFile) {
    const QString own = FolderOf(programFile);
    const QString shared =
        withSeparator(QDir::cleanPath(own + QStringLiteral("../share/quillmark")));
    return own == shared ? QStringList{own} : QStringList{own, shared};
}

QString FindProgramFile(const QString& programFile, const QString& name) {
    const QStringList folders = ProgramFileFolders(programFile);
    for (const QString& folder : folders) {
        if (QFileInfo(folder + name).isFile())
            return folder + name;
    }
    return folders.constFirst() + name;
}

QStringList LanguageFolders(const QString& programFile, const QString& dataFolder) {
    QStringList folders = ProgramFileFolders(programFile);
    if (!dataFolder.isEmpty() && !folders.contains(withSeparator(dataFolder)))
        folders << withSeparator(dataFolder);
    return folders;
}

QString LanguageFolder(const QString& programFile) {
    const QStringList folders = ProgramFileFolders(programFile);
    for (const QString& folder : folders) {
        if (holdsProgramFiles(folder))
            return folder;
    }
    return folders.constFirst();
}

QString WritableLanguageFolder(const QString& programFile, const QString& dataFolder) {
    const QString folder = LanguageFolder(programFile);
    return writableFolder(folder) ? folder : withSeparator(dataFolder);
}
