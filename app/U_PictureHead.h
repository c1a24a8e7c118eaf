#pragma once

// The start that --check and --frame share: a picture file decoded and its head found.

#include "app/U_HeadDetect.h"

#include <QImage>
#include <QString>

class QTextStream;

struct PictureHead {
    int Status = 0; // a CheckStatus: kCheckWithin when the head was found
    QImage Picture;
    HeadDetection Found;
};

// Decodes path and finds the head in it, waiting for model (loading already started). On
// failure writes one "error: ..." line to out and returns kCheckUnreadable (the picture) or
// kCheckNoFace (no model, no face). describe adds the "size" and "faces" lines of --check.
PictureHead ReadPictureHead(const QString& path, const FaceModel& model, QTextStream& out,
                            bool describe);
