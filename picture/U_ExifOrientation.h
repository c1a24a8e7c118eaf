#pragma once

// Turning a decoded picture upright as its Exif orientation says.

#include <QImage>

// The Exif orientation (1 to 8) recorded in the data of a JPEG APP1 segment ("Exif", two
// zero bytes, then the TIFF structure); 1 (upright) when the segment holds no Exif data, no
// orientation or a value outside 1 to 8. Read with libexif.
int ExifOrientation(const unsigned char* segment, unsigned length);

// The picture as it is meant to be seen: stored rows turned and mirrored as the Exif
// orientation says (6: a quarter turn clockwise, 8: counter-clockwise, 3: a half turn, and
// the mirrored forms 2, 4, 5 and 7). Orientation 1 returns the picture untouched.
QImage Oriented(QImage picture, int orientation);
