#pragma once

// File and folder helpers: the data folder, file versions, paths, short texts.

#include <QString>

class ISettingsStore;
class IUserFolders;

// The per-user data folder: the application data folder + "Brindlewood/" + name + "/",
// created with every missing parent when missing; the program's own folder when it cannot
// be made. Always ends in a
// path separator.
QString DataFolder(const QString& programFile, const QString& name, IUserFolders& folders);

// Creates one folder level (the parent must exist).
bool CreateFolderLong(const QString& path);
bool FolderExists(const QString& path);
bool WideFileExists(const QString& path);

// The file's four-part version "a.b.c.d"; empty text for a file without one, "File not
// found" when the path names no file.
QString FileVersionString(const QString& path);

// Records where the program lives under "SOFTWARE\Brindlewood", value named after the title.
void RegisterProgramPath(ISettingsStore& settings, const QString& name, const QString& programFile);

QString YesNo(bool value);
QString LeftChars(const QString& text, int count);

// The folder of a file path, ending in a path separator.
QString FolderOf(const QString& filePath);
