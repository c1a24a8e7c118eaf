#pragma once

#include "picture/U_FaceFinder.h"
#include "picture/U_Framing.h"

#include <QImage>
#include <QString>

// A face found in the picture as shown, with the crown estimated from the picture's pixels.
struct HeadDetection {
    FaceResult Face;
    HeadPoints Head; // meaningful when Found()
    bool Found() const { return Face.found(); }
};

// Runs on any thread: waits for the model to finish loading, finds the face, then the crown.
HeadDetection DetectHead(const FaceModel& model, const QImage& picture);

// Millimetres with at most one decimal, "32" rather than "32.0"; '.' as decimal point.
QString MmText(double mm);

// The main window's log line for the head as it prints: "Head : 34.1 mm (32 - 36 mm)".
QString HeadLogLine(const HeadPoints& head, const PhotoNorm& norm, const QSizeF& picture,
                    bool stretch);
