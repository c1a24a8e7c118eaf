#pragma once

// Test pictures made at test time: JPEG variants written with libjpeg, bitmaps, patterns.
#include <QByteArray>
#include <QImage>
#include <QString>

enum class JpegKind { Colour, Grey, CmykAdobe, CmykPlain, Ycck };

struct JpegOptions {
    JpegKind kind = JpegKind::Colour;
    bool progressive = false;
    int hSample = 2; // luma sampling factors: 1,1 = 4:4:4; 2,1 = 4:2:2; 2,2 = 4:2:0
    int vSample = 2;
    int quality = 95;
};

QByteArray EncodeJpeg(const QImage& picture, const JpegOptions& options = {});

// Four flat quadrants (red, green, blue, white from the top-left, clockwise), so that
// orientation and colour both show.
QImage Quadrants(int width, int height);

// Distinct opaque pixels: (x, y) and the picture's size can be read back from each.
QImage Numbered(int width, int height);

QByteArray BmpBytes(const QImage& picture);

// The JPEG with its frame header's size replaced (the pixel data stays as it was).
QByteArray WithClaimedSize(QByteArray jpeg, int width, int height);

// The JPEG with an Exif segment holding the orientation tag (1 to 8, or any other value),
// in little- or big-endian byte order, right after its start marker.
QByteArray WithExifOrientation(const QByteArray& jpeg, int orientation, bool bigEndian = false);

// The brightness JPEG encoders give a colour in greyscale: 0.299 R + 0.587 G + 0.114 B.
int Luma(QRgb colour);

// Whether two colours differ by at most tolerance in every channel.
bool Near(QRgb a, QRgb b, int tolerance);
