#pragma once

// The public-domain test portrait (tests/data/astronaut.jpg, 512 x 512) and the points marked
// on it by hand on zoomed crops (astronaut.txt), in continuous coordinates (pixel i spans
// [i, i+1)): iris centres, the lowest point of the chin, the top of the hair. Beside it, the
// ways the tests change a portrait: drawn through a transform onto a wall, lights dimmed.

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QTransform>

inline const QPointF kEyeLeft(203.0, 100.5), kEyeRight(246.7, 102.9), kChin(225, 178),
    kCrown(231, 15.5);

// As decoded, RGB32.
QImage Astronaut();

// source drawn through t by the toolkit's own smooth transform onto a canvas of size and wall.
QImage Drawn(const QImage& source, QSize size, const QTransform& t, QColor wall);
// A turn by degrees about the centre of a picture of size.
QTransform TurnAbout(QSize size, double degrees);
// Every channel of the pixels in area (all of them when empty) times factor.
QImage Scaled(QImage image, double factor, QRect area = {});
