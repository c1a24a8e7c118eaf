#include "app/U_FrameTurn.h"

#include <QLineF>

#include <algorithm>
#include <cmath>
#include <numbers>

std::optional<double> TurnedByKey(double degrees, int key, bool shift) {
    double by = 0;
    switch (key) {
    case Qt::Key_BracketLeft:
        by = -(shift ? kTurnLargeStep : kTurnStep);
        break;
    case Qt::Key_BracketRight:
        by = shift ? kTurnLargeStep : kTurnStep;
        break;
    case Qt::Key_BraceLeft:
        by = -kTurnLargeStep;
        break;
    case Qt::Key_BraceRight:
        by = kTurnLargeStep;
        break;
    default:
        return std::nullopt;
    }
    return std::clamp(degrees + by, -kMaxLevelDegrees, kMaxLevelDegrees);
}

QPointF TurnHandle(const TurnedFrame& frame, double distance) {
    return frame.ToPicture(QPointF(frame.Rect.width() / 2, -distance));
}

double AngleFromHandle(const TurnedFrame& frame, const QPointF& at) {
    const QPointF d = at - frame.Rect.center();
    // Straight above the centre is level; the angle grows clockwise, as the frame's.
    const double degrees = std::atan2(d.x(), -d.y()) * 180 / std::numbers::pi;
    return std::clamp(degrees, -kMaxLevelDegrees, kMaxLevelDegrees);
}
