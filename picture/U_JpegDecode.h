#pragma once

// Reading JPEG pictures into 32-bit pictures.

#include <QByteArray>

#include <QImage>
#include <QString>
#include <atomic>

// Progressive files with more scans than this are refused, counted before decoding: real ones
// have about ten, and a crafted file with endless scans would otherwise keep the decoder busy
// for a long time.
inline constexpr int kMaxJpegScans = 100;
// The most memory one decoding may take, the picture included: a progressive or CMYK file
// needing more is refused before anything is allocated, and libjpeg is held to the rest.
inline constexpr qint64 kMaxDecodeBytes = qint64(1) << 30;

// Decodes a whole JPEG file at full size into a 32-bit picture (Format_RGB32, alpha 255),
// writing each row straight into the picture, then turned upright as its Exif orientation
// tag says. Baseline and progressive, any chroma
// subsampling, greyscale, RGB, and CMYK/YCCK (Adobe's inverted form or plain) are read.
// Throws AppError naming the file (name) and the reason when the data is not a JPEG, is
// damaged or truncated, or describes a picture larger than kMaxPicturePixels (checked
// before any pixel memory is taken). No libjpeg error can end the program.
// progress, when given, is set to the per cent done as decoding goes on.
QImage DecodeJpeg(const QByteArray& data, const QString& name,
                  std::atomic<int>* progress = nullptr);

// The same, reduced while decoding by the largest of 1/2, 1/4 and 1/8 that keeps the long side
// at least minLongSide and the short side at least minShortSide (or at full size): far quicker
// for a search that needs no more. fullSize is set to the picture's upright size at full size.
QImage DecodeJpegReduced(const QByteArray& data, const QString& name, int minLongSide,
                         QSize& fullSize, int minShortSide = 0);
