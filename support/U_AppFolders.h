#pragma once

#include <QString>
#include <QStringList>

// Where the program's own files (help page, language packs) are looked up: the program's
// folder first (the build tree), then ../share/quillmark/ beside it (an installed program).
// Every folder ends in a path separator.
QStringList ProgramFileFolders(const QString& programFile);

// The first of ProgramFileFolders that holds name; the program's folder + name when none
// does, so that opening it fails as a missing file would.
QString FindProgramFile(const QString& programFile, const QString& name);

// The folders scanned for language packs, in order: ProgramFileFolders, then the per-user
// data folder (where a base file goes when the program's folders cannot be written).
QStringList LanguageFolders(const QString& programFile, const QString& dataFolder);

// The language folder: the first of ProgramFileFolders that holds the help page or a
// language pack, else the program's folder.
QString LanguageFolder(const QString& programFile);

// Where "-co" writes the base language file: LanguageFolder when this user may write
// there, otherwise dataFolder.
QString WritableLanguageFolder(const QString& programFile, const QString& dataFolder);
