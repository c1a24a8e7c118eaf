#pragma once

// Reading a picture file the user names: its bytes, bitmaps and JPEGs.

#include <atomic>

#include <QByteArray>
#include <QImage>
#include <QString>

// Files larger than this are not read as pictures: a JPEG of kMaxPicturePixels at the
// highest quality stays well below it.
inline constexpr qint64 kMaxPictureFileBytes = qint64(512) << 20;

// The whole file. Throws AppError naming the file when it cannot be read, is not a plain file
// (a FIFO or a device: opened without blocking, never read), is empty or is larger than
// kMaxPictureFileBytes (never more than that and one byte is read, whatever its size says).
QByteArray ReadPictureFile(const QString& path);

// A Windows bitmap (data starting with "BM"). The header is checked against the pixel limit
// and against the length of the data before the toolkit's reader sees it. Throws AppError
// naming the file (name) and the reason.
QImage DecodeBmp(const QByteArray& data, const QString& name);

// "PNG", "GIF", "TIFF", "WebP", "HEIC", "HEIF" or "AVIF" for a file of that kind, judged by
// its first bytes; empty for any other.
QString ForeignPictureKind(const QByteArray& data);

// The 32-bit picture in a file's bytes: a Windows bitmap when they start with "BM", else a
// JPEG. Throws AppError whose message names the file (name) and the reason.
// progress, when given, follows a JPEG's decoding in per cent.
QImage DecodePicture(const QByteArray& data, const QString& name,
                     std::atomic<int>* progress = nullptr);

// The same, a JPEG reduced while decoding as DecodeJpegReduced does (a bitmap at full size);
// fullSize is the picture's size at full size.
QImage DecodePictureReduced(const QByteArray& data, const QString& name, int minLongSide,
                            QSize& fullSize, int minShortSide = 0);

// Whether two paths name the same file, as the file system resolves them (links followed).
bool SameFile(const QString& a, const QString& b);
