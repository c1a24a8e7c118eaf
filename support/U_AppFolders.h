#pragma once

// Where the program's own files lie: beside it in the build tree, or under share/.

#include <QString>
#include <QStringList>

// The program's own files (help page, language packs) are looked up in the program's folder
// first (the build tree), then in ../share/quillmark/ beside it (an installed program).

// The first of those folders that holds name; the program's folder + name when none
// does, so that opening it fails as a missing file would.
QString FindProgramFile(const QString& programFile, const QString& name);

// The language folder: the first of those folders that holds the help page or a
// language pack, else the program's folder.
QString LanguageFolder(const QString& programFile);
