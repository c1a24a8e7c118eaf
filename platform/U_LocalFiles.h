#pragma once

// Local file names as the bytes the system uses, and folders only this user can write.

#include <QByteArray>
#include <QString>
#include <QStringList>

// File names are bytes. One that is not valid UTF-8 keeps each stray byte as a lone
// surrogate (U+DC80 to U+DCFF), so that LocalName gives the very bytes back and the file
// can be opened; the toolkit's own conversion would replace them.
QString PathFromLocal8Bit(const QByteArray& name);
QByteArray LocalName(const QString& path);

// Whether the folder is a real folder (not a link) of this user that nobody else may write
// to, so that what lies in it was put there by this user.
bool IsPrivateFolder(const QString& folder);

// Whether the folder is private and every folder above it belongs to this user or root and
// lets nobody else write to it, or is sticky (like /tmp), so that nobody else can move the
// folder away or put another in its place.
bool IsPrivateFolderPath(const QString& folder);

// A folder of the program's own (data, settings): wanted, made 0700 when missing, when it is
// private along its whole path; else a private folder fallbackName under ~/.cache/quillmark,
// and note (when given) says so. Empty when neither can be had.
QString OwnFolder(const QString& wanted, const QString& fallbackName, QString* note = nullptr);

// The notes OwnFolder gave in this process, each once.
QStringList OwnFolderNotes();

// ~/.cache/quillmark, made 0700 when missing, when it is private along its path; else empty.
QString PrivateCacheFolder();

// The user's runtime folder when it is private along its path; else PrivateCacheFolder().
QString PrivateRuntimeFolder();
