#pragma once

// Writing 32-bit pictures as JPEG files with the printer's density.

#include "platform/U_SafeWrite.h"

#include <QImage>
#include <QString>

class QIODevice;

// Encodes a 32-bit image as a baseline colour JPEG with libjpeg: the library defaults,
// then quality 90 with baseline forced. A valid dotsPerInch is written as the JFIF density
// (unit 1, dots per inch), so that a viewer or kiosk prints the pixels at their true size;
// without it the density stays the library's default (no unit, 1:1). Rows are converted to 24-bit
// one at a time, never as a second whole image. Throws AppError with a readable message when the
// library or the device fails; a library error never ends the program.
void EncodeJpeg(const QImage& image, QIODevice& out, int quality = 90,
                const QSize& dotsPerInch = QSize());

// The same, written to a file completely or not at all (TSafeFile): a failure leaves a file
// that was there as it was, and the error names the file and the system's reason. links says
// whether a symbolic link at path is written through or replaced.
void SaveJpeg(const QImage& image, const QString& path, int quality = 90,
              const QSize& dotsPerInch = QSize(),
              TSafeFile::Links links = TSafeFile::Links::Follow);
