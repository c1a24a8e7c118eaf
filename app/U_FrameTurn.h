#pragma once

// Turning the frame by hand in the framing window: keys and the handle, over plain values.

#include "picture/U_Level.h"

#include <QPointF>

#include <optional>

// [ turns the frame anticlockwise, ] clockwise, by this much; with Shift by the larger step.
inline constexpr double kTurnStep = 0.5;
inline constexpr double kTurnLargeStep = 2.0;

// The angle after the key (a Qt::Key), kept within ±kMaxLevelDegrees; none for other keys.
// Shift turns [ and ] into { and } on most layouts: those take the larger step too.
std::optional<double> TurnedByKey(double degrees, int key, bool shift);

// The turning handle: above the middle of the frame's top edge by distance picture pixels.
QPointF TurnHandle(const TurnedFrame& frame, double distance);

// The frame's angle once its handle is dragged to at, kept within ±kMaxLevelDegrees.
double AngleFromHandle(const TurnedFrame& frame, const QPointF& at);

// The angle nearest wanted, on the way from the frame's own, at which the frame still fits in
// the picture once moved: turning a frame by hand never shrinks it.
double FittingAngle(const TurnedFrame& frame, double wanted, const QSizeF& picture);
