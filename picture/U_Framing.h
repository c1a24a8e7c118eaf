#pragma once

// Head framing: printed head measures, the frame a norm asks for, and a frame's verdict.

#include "picture/U_Norms.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <vector>

// Points of a face in the pixels of the picture as shown, y down. The eyes are named as seen
// on the picture: the left eye has the smaller x.
struct HeadPoints {
    QPointF LeftEye;
    QPointF RightEye;
    QPointF Chin;
    QPointF Crown;
    bool CrownUncertain = false;
    bool HeadCovered = false; // a hat or cap over the crown

    QPointF EyeCentre() const { return (LeftEye + RightEye) / 2; }
};

// A head as it prints in a frame that becomes a photo of the given size.
struct HeadMeasure {
    double HeadMm = 0;    // chin to crown
    double EyeLineMm = 0; // from the photo's bottom edge up to the eye centres
    double TopMm = 0;     // from the crown up to the photo's top edge
    double BottomMm = 0;  // from the chin down to the photo's bottom edge
};
HeadMeasure MeasureHead(const HeadPoints& head, const QRectF& frame, const QSizeF& photoMm);

// The angle of the eye line against the horizontal, in degrees, positive when the right eye
// sits lower.
double HeadTilt(const HeadPoints& head);
inline constexpr double kMaxTiltDegrees = 8.0;

// The frame that puts the head where the norm asks, or the closest one the picture allows.
struct FrameProposal {
    QRectF Frame;
    bool LittleRoomAbove = false; // the ideal frame reaches above the picture
    bool LittleRoomBelow = false; // ... below it
    bool LittleRoomSides = false; // ... beside it
    bool Shrunk = false;          // the ideal frame was larger than the picture
};
FrameProposal ProposeFrame(const HeadPoints& head, const PhotoNorm& norm, const QSizeF& picture);

enum class FrameWarning {
    Tilted,
    LittleRoomAbove,
    LittleRoomBelow,
    CrownUncertain,
    FallbackNorm,
    HeadCovering
};

// How a frame (proposed or moved by the user) measures against the norm.
struct FrameVerdict {
    HeadMeasure Measure;
    bool HeadInside = false;
    bool EyeLineInside = true; // true as well when the norm gives no eye band
    double TiltDegrees = 0;
    std::vector<FrameWarning> Warnings;

    bool Within() const { return HeadInside && EyeLineInside; }
    bool Has(FrameWarning w) const;
};
FrameVerdict JudgeFrame(const HeadPoints& head, const QRectF& frame, const PhotoNorm& norm);
