#pragma once

// Local file names as the bytes the system uses, and folders only this user can write.

#include <QByteArray>
#include <QString>

// File names are bytes. One that is not valid UTF-8 keeps each stray byte as a lone
// surrogate (U+DC80 to U+DCFF), so that LocalName gives the very bytes back and the file
// can be opened; the toolkit's own conversion would replace them.
QString PathFromLocal8Bit(const QByteArray& name);
QByteArray LocalName(const QString& path);

// Whether the folder is a real folder (not a link) of this user that nobody else may write
// to, so that what lies in it was put there by this user.
bool IsPrivateFolder(const QString& folder);

// The user's runtime folder when it is private; else a folder of the user's own under the
// cache home, made with permissions 0700 when missing. Empty when neither can be had.
QString PrivateRuntimeFolder();
