#pragma once

// The public-domain test portrait (tests/data/astronaut.jpg, 512 x 512) and the points marked
// on it by hand on zoomed crops (astronaut.txt), in continuous coordinates (pixel i spans
// [i, i+1)): iris centres, the lowest point of the chin, the top of the hair.

#include <QImage>
#include <QPointF>

inline const QPointF kEyeLeft(203.0, 100.5), kEyeRight(246.7, 102.9), kChin(225, 178),
    kCrown(231, 15.5);

// As decoded, RGB32.
QImage Astronaut();
