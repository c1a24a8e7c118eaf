#include "app/U_FrameGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

// Where the norm says nothing of the room above the head, peers leave about a tenth of the
// photo's height.
constexpr double kUsualTopShare = 0.10;
// The eyes lie about halfway between crown and chin.
constexpr double kEyeShareOfHead = 0.5;
// The zoomed view is this many frame heights tall: a head of three quarters of the frame
// then fills half of it.
constexpr double kZoomFrames = 1.5;

GuideBand cut(GuideBand band, double height) {
    band.Top = std::clamp(band.Top, 0.0, height);
    band.Bottom = std::clamp(band.Bottom, band.Top, height);
    return band;
}

} // namespace

double FormatAspect(const PhotoFormat& format) {
    return double(format.LabelWidth) / double(format.LabelHeight);
}

double FitScale(const QSizeF& picture, const QSizeF& area) {
    if (picture.isEmpty() || area.isEmpty())
        return 1.0;
    return std::min({1.0, area.width() / picture.width(), area.height() / picture.height()});
}

QRectF LargestFrame(double aspect, const QSizeF& picture) {
    QSizeF size(picture.height() * aspect, picture.height());
    if (size.width() > picture.width())
        size = QSizeF(picture.width(), picture.width() / aspect);
    return QRectF(
        QPointF((picture.width() - size.width()) / 2, (picture.height() - size.height()) / 2),
        size);
}

QRectF KeepInside(const QRectF& frame, const QSizeF& picture) {
    QRectF result = frame;
    if (frame.width() > picture.width() || frame.height() > picture.height()) {
        const QRectF largest = LargestFrame(frame.width() / frame.height(), picture);
        result.setSize(largest.size());
        result.moveCenter(frame.center());
    }
    result.moveLeft(std::clamp(result.left(), 0.0, picture.width() - result.width()));
    result.moveTop(std::clamp(result.top(), 0.0, picture.height() - result.height()));
    return result;
}

QRectF MovedFrame(const QRectF& frame, const QPointF& delta, const QSizeF& picture) {
    return KeepInside(frame.translated(delta), picture);
}

QRectF ResizedFrame(const QRectF& frame, double factor, const QSizeF& picture) {
    const double aspect = frame.width() / frame.height();
    const QRectF largest = LargestFrame(aspect, picture);
    const double height = std::clamp(frame.height() * factor,
                                     std::min(kMinFrameHeight, largest.height()), largest.height());
    QRectF result(0, 0, height * aspect, height);
    result.moveCenter(frame.center());
    return KeepInside(result, picture);
}

QRectF PrintedFrame(const QSizeF& picture, const QSizeF& photoMm, bool stretch) {
    if (stretch || picture.isEmpty() || photoMm.isEmpty())
        return QRectF(QPointF(0, 0), picture);
    // Millimetres per picture pixel of the fitted picture; the photo spans photoMm / that.
    const double mmPerPixel =
        std::min(photoMm.width() / picture.width(), photoMm.height() / picture.height());
    return QRectF(0, 0, photoMm.width() / mmPerPixel, photoMm.height() / mmPerPixel);
}

FrameGuides GuidesFor(const PhotoNorm& norm) {
    const double height = norm.SizeMm.height();
    const double spread = norm.Head.Max - norm.Head.Min;
    FrameGuides guides;
    if (norm.EyeLine)
        guides.Eyes = cut({height - norm.EyeLine->Max, height - norm.EyeLine->Min}, height);
    double crown;
    if (norm.Top) {
        guides.Crown = cut({norm.Top->Min, norm.Top->Max}, height);
        crown = norm.Top->Middle();
    } else {
        crown = norm.EyeLine
                    ? height - norm.EyeLine->Middle() - kEyeShareOfHead * norm.Head.Middle()
                    : kUsualTopShare * height;
        crown = std::max(crown, 0.0);
        guides.Crown = cut({crown - spread / 2, crown + spread / 2}, height);
    }
    guides.Chin = cut({crown + norm.Head.Min, crown + norm.Head.Max}, height);
    return guides;
}

QRect FrameWindowRect(const QRect& available, const QMargins& decoration) {
    const QSize room = available.size().shrunkBy(decoration);
    const QSize size(std::max(1, std::min(room.width(), kMaxFrameWindow.width())),
                     std::max(1, std::min(room.height(), kMaxFrameWindow.height())));
    const QPoint corner(available.left() + decoration.left() + (room.width() - size.width()) / 2,
                        available.top() + decoration.top() + (room.height() - size.height()) / 2);
    return QRect(corner, size);
}

QRectF ZoomRegion(const QRectF& frame, const QSizeF& view) {
    if (frame.isEmpty() || view.isEmpty())
        return frame;
    QSizeF size(0, frame.height() * kZoomFrames);
    size.setWidth(size.height() * view.width() / view.height());
    if (size.width() < frame.width() * kZoomFrames) // a wide frame in a tall view
        size = QSizeF(frame.width() * kZoomFrames,
                      frame.width() * kZoomFrames * view.height() / view.width());
    QRectF region(QPointF(), size);
    region.moveCenter(frame.center());
    return region;
}

double ArrowStep(double scale) {
    return scale > 0 ? std::max(1.0, 1.0 / scale) : 1.0;
}

FrameProposal ProposeFrameForFormat(const HeadPoints& head, const PhotoNorm& norm, double aspect,
                                    const QSizeF& picture) {
    FrameProposal proposal = ProposeFrame(head, norm, picture);
    QRectF frame(0, 0, proposal.Frame.height() * aspect, proposal.Frame.height());
    frame.moveCenter(proposal.Frame.center());
    proposal.Frame = KeepInside(frame, picture);
    return proposal;
}

TurnedFrame ProposeLevelFrameForFormat(const HeadPoints& head, const PhotoNorm& norm, double aspect,
                                       const QSizeF& picture, FrameProposal* proposal,
                                       std::optional<double> degrees) {
    FrameProposal fitted;
    const TurnedFrame level = ProposeLevelFrame(head, norm, picture, &fitted, degrees);
    QRectF frame(0, 0, level.Rect.height() * aspect, level.Rect.height());
    frame.moveCenter(level.Rect.center());
    fitted.Frame = KeepTurnedInside({frame, level.Degrees}, picture).Rect;
    if (proposal)
        *proposal = fitted;
    return {fitted.Frame, level.Degrees};
}
