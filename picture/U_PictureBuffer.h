#pragma once

// The picture buffer: the size limit and the allocation of large pictures.

#include <QImage>
#include <QSize>

// The largest picture the program loads or makes: 100 megapixels, 400 MB as 32-bit pixels.
// Cameras and phones stay well below; anything larger is refused before memory is taken.
inline constexpr qint64 kMaxPicturePixels = 100'000'000;

// Throws AppError naming the size when width × height is not a picture the program takes.
void CheckPictureSize(qint64 width, qint64 height);

// A new 32-bit picture (Format_RGB32 or Format_ARGB32) with undefined pixels. Large ones
// get huge pages made resident in one call: written for the first time page by page, a
// picture of many megapixels otherwise pays one page fault per 4 KiB, which on virtual
// machines costs as much as decoding it. Throws AppError when the size is refused or the
// memory cannot be had.
QImage NewPicture(int width, int height, QImage::Format format);
