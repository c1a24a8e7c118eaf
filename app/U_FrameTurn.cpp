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

double FittingAngle(const TurnedFrame& frame, double wanted, const QSizeF& picture) {
    const auto fits = [&](double degrees) {
        const QSizeF bounds = TurnedFrame{frame.Rect, degrees}.Bounds().size();
        return bounds.width() <= picture.width() && bounds.height() <= picture.height();
    };
    if (fits(wanted) || !fits(frame.Degrees))
        return wanted;
    // The bounds grow steadily with the angle this close to level: halve the way.
    double good = frame.Degrees, bad = wanted;
    for (int i = 0; i < 40; ++i) {
        const double mid = (good + bad) / 2;
        (fits(mid) ? good : bad) = mid;
    }
    return good;
}
