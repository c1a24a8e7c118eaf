#include "picture/U_Framing.h"

#include <QLineF>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Peers leave about a tenth of the photo's height above the head when the norm is silent.
constexpr double kUsualTopShare = 0.10;
// Less than half of that above the head, or as little below the chin, looks cut off.
constexpr double kMinRoomShare = 0.05;

double headPixels(const HeadPoints& head) {
    return QLineF(head.Chin, head.Crown).length();
}

// Where the frame's top edge goes for a head whose printed scale is mmPerPixel.
double frameTop(const HeadPoints& head, const PhotoNorm& norm, double mmPerPixel) {
    const double photoH = norm.SizeMm.height();
    if (norm.EyeLine)
        return head.EyeCentre().y() - (photoH - norm.EyeLine->Middle()) / mmPerPixel;
    const double top = norm.Top ? norm.Top->Middle() : kUsualTopShare * photoH;
    return head.Crown.y() - top / mmPerPixel;
}

} // namespace

HeadMeasure MeasureHead(const HeadPoints& head, const QRectF& frame, const QSizeF& photoMm) {
    const double mmPerPixel = photoMm.height() / frame.height();
    HeadMeasure m;
    m.HeadMm = headPixels(head) * mmPerPixel;
    m.EyeLineMm = (frame.bottom() - head.EyeCentre().y()) * mmPerPixel;
    m.TopMm = (head.Crown.y() - frame.top()) * mmPerPixel;
    m.BottomMm = (frame.bottom() - head.Chin.y()) * mmPerPixel;
    return m;
}

double HeadTilt(const HeadPoints& head) {
    QPointF d = head.RightEye - head.LeftEye;
    if (d.x() < 0) // eyes given in the other order
        d = -d;
    return std::atan2(d.y(), d.x()) * 180.0 / std::numbers::pi;
}

FrameProposal ProposeFrame(const HeadPoints& head, const PhotoNorm& norm, const QSizeF& picture) {
    const QSizeF photo = norm.SizeMm;
    const double mmPerPixel = norm.Head.Middle() / std::max(headPixels(head), 1.0);
    const QSizeF size = photo / mmPerPixel;
    const double centreX = (head.EyeCentre().x() + head.Chin.x()) / 2;
    const QRectF ideal(centreX - size.width() / 2, frameTop(head, norm, mmPerPixel), size.width(),
                       size.height());

    FrameProposal p;
    p.LittleRoomAbove = ideal.top() < 0;
    p.LittleRoomBelow = ideal.bottom() > picture.height();
    p.LittleRoomSides = ideal.left() < 0 || ideal.right() > picture.width();
    // Too large a frame shrinks about the eye centre, so the face keeps its place in it.
    const double shrink =
        std::min({1.0, picture.width() / size.width(), picture.height() / size.height()});
    p.Shrunk = shrink < 1.0;
    const QPointF anchor(centreX, head.EyeCentre().y());
    QRectF frame(anchor + (ideal.topLeft() - anchor) * shrink, size * shrink);
    frame.moveLeft(std::clamp(frame.left(), 0.0, picture.width() - frame.width()));
    frame.moveTop(std::clamp(frame.top(), 0.0, picture.height() - frame.height()));
    p.Frame = frame;
    return p;
}

bool FrameVerdict::Has(FrameWarning w) const {
    return std::find(Warnings.begin(), Warnings.end(), w) != Warnings.end();
}

FrameVerdict JudgeFrame(const HeadPoints& head, const QRectF& frame, const PhotoNorm& norm) {
    FrameVerdict v;
    v.Measure = MeasureHead(head, frame, norm.SizeMm);
    v.HeadInside = norm.Head.Contains(v.Measure.HeadMm);
    v.EyeLineInside = !norm.EyeLine || norm.EyeLine->Contains(v.Measure.EyeLineMm);
    v.TiltDegrees = HeadTilt(head);

    const double minRoom = kMinRoomShare * norm.SizeMm.height();
    if (std::abs(v.TiltDegrees) > kMaxTiltDegrees)
        v.Warnings.push_back(FrameWarning::Tilted);
    if (v.Measure.TopMm < (norm.Top ? norm.Top->Min : minRoom))
        v.Warnings.push_back(FrameWarning::LittleRoomAbove);
    if (v.Measure.BottomMm < minRoom)
        v.Warnings.push_back(FrameWarning::LittleRoomBelow);
    if (head.CrownUncertain)
        v.Warnings.push_back(FrameWarning::CrownUncertain);
    if (head.HeadCovered)
        v.Warnings.push_back(FrameWarning::HeadCovering);
    if (norm.Kind == NormKind::Fallback)
        v.Warnings.push_back(FrameWarning::FallbackNorm);
    return v;
}
