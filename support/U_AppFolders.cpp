#include "support/U_AppFolders.h"

#include "support/U_OrrinUtils.h"

#include <QDir>
#include <QFileInfo>

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

QStringList ProgramFileFolders(const QString& programFile) {
    const QString own = FolderOf(programFile);
    const QString shared =
        withSeparator(QDir::cleanPath(own + QStringLiteral("../share/quillmark")));
    return own == shared ? QStringList{own} : QStringList{own, shared};
}

} // namespace

QString FindProgramFile(const QString& programFile, const QString& name) {
    const QStringList folders = ProgramFileFolders(programFile);
    for (const QString& folder : folders) {
        if (QFileInfo(folder + name).isFile())
            return folder + name;
    }
    return folders.constFirst() + name;
}

QString LanguageFolder(const QString& programFile) {
    const QStringList folders = ProgramFileFolders(programFile);
    for (const QString& folder : folders) {
        if (holdsProgramFiles(folder))
            return folder;
    }
    return folders.constFirst();
}
