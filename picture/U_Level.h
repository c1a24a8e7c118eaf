#pragma once

// Levelling the eyes: the roll that makes the eye line horizontal, and the turned crop.

#include "picture/U_Framing.h"

#include <QImage>
#include <QPolygonF>
#include <QRectF>
#include <QSize>

#include <optional>

// Heads leaning further than this are left as they are: the landmarks are less sure there,
// and no portrait for a document is taken that way on purpose.
inline constexpr double kMaxLevelDegrees = 15.0;

// The angle to turn the frame by so that the eye line prints level: the eye line's tilt
// (positive when the right eye sits lower, as HeadTilt), or 0 beyond kMaxLevelDegrees.
double LevelAngle(const HeadPoints& head);

// A frame turned about its centre. Rect is the frame before turning, in picture pixels;
// Degrees turns it clockwise as seen on the screen (y down), the sense of HeadTilt.
struct TurnedFrame {
    QRectF Rect;
    double Degrees = 0;

    // The corners, top-left first, clockwise, in picture pixels.
    QPolygonF Corners() const;
    // A picture point in the crop's pixels (the crop's top-left at 0, 0) and back.
    QPointF ToCrop(const QPointF& picturePoint) const;
    QPointF ToPicture(const QPointF& cropPoint) const;
    // The smallest upright rectangle holding the turned frame.
    QRectF Bounds() const { return Corners().boundingRect(); }
};

// The pixels of the turned frame, size pixels (by default the frame's own size, rounded),
// read along its turned axes: bilinear at the frame's own scale or larger, then reduced with
// the picture's resampler when size is smaller. Points outside the picture take the nearest
// edge pixel. The result is RGB32.
QImage CutTurned(const QImage& picture, const TurnedFrame& frame, QSize size = {});

// The head's points as they lie in the crop.
HeadPoints HeadInCrop(const HeadPoints& head, const TurnedFrame& frame);

// The frame the norm asks for, turned so that the eye line prints level: proposed on the head
// as it lies once levelled about the picture's centre, then turned back with it.
// proposal, when given, receives how the frame fitted the picture.
// degrees, when given, is the angle to keep (one the user chose) instead of the eye line's.
TurnedFrame ProposeLevelFrame(const HeadPoints& head, const PhotoNorm& norm, const QSizeF& picture,
                              FrameProposal* proposal = nullptr,
                              std::optional<double> degrees = std::nullopt);

// The turned frame moved by the least amount that puts every corner inside the picture; one
// whose turned bounds are larger than the picture is first shrunk about its centre. A crop
// past the picture's edge would be filled with made-up pixels.
TurnedFrame KeepTurnedInside(const TurnedFrame& frame, const QSizeF& picture);

// The frame on whole pixels, as applying cuts it: each edge rounded to the nearest pixel, then
// moved by whole pixels, or shrunk by one on each side, until every corner is in the picture.
TurnedFrame WholeTurned(const TurnedFrame& frame, const QSize& picture);

// "X, Y, W x H, A°": the frame before turning, in whole pixels, and its angle with one decimal.
QString FrameText(const TurnedFrame& frame);
