#pragma once

// The one check of a Windows bitmap's header, made before any decoder sees the bytes: for
// pictures the user loads and for the flags inside language packs.

#include <QByteArray>
#include <QString>

// What a bitmap's header says about its pixels.
struct BmpHeader {
    qint64 Width = 0;
    qint64 Height = 0; // rows, whichever way they are stored
    int BitCount = 0;
    quint32 Compression = 0;
};

// Reads the header of data (which starts with "BM"). Returns why the bitmap cannot be decoded
// safely, or an empty text: a header that is cut short or of unknown size, no pixels, more than
// maxPixels, pixels said to start outside the data, an unknown depth or compression, or rows
// that the data is too short to hold. header receives what was read, also on failure, so
// that a caller may word a refused size its own way.
QString BmpHeaderProblem(const QByteArray& data, qint64 maxPixels, BmpHeader* header = nullptr);
