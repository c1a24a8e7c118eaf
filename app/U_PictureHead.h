#pragma once

// The start that --check and --frame share: a picture file decoded and its head found.

#include "app/U_HeadDetect.h"

#include <QImage>
#include <QSize>
#include <QString>

class QTextStream;

struct PictureHead {
    int Status = 0; // a CheckStatus: kCheckWithin when the head was found
    QImage Picture; // as decoded: at full size, or reduced when asked
    QSize FullSize; // the picture's size at full size
    // Full-size pixels per pixel of Picture, across and down.
    double ScaleX = 1;
    double ScaleY = 1;
    HeadDetection Found; // in full-size pixels

    // A point of the full-size picture in Picture's pixels (pixel centres matched).
    QPointF InPicture(const QPointF& full) const {
        return {(full.x() + 0.5) / ScaleX - 0.5, (full.y() + 0.5) / ScaleY - 0.5};
    }
};

// Decodes path and finds the head in it, waiting for model (loading already started). On
// failure writes one "error: ..." line to out and returns kCheckUnreadable (the picture) or
// kCheckNoFace (no model, no face). describe adds the "size" and "faces" lines of --check.
// reduced: a JPEG is decoded at a half, a quarter or an eighth of its size, keeping the face
// search's copy, and searched so (again at the larger copy's size when no face was found);
// what is found is given in full-size pixels.
PictureHead ReadPictureHead(const QString& path, const FaceModel& model, QTextStream& out,
                            bool describe, bool reduced = false);
