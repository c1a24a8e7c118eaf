#include "picture/U_Level.h"

#include "picture/U_Resample.h"

#include <QTransform>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Interpolation weights in 1/2^kFractionBits per axis; the product of both fits 2^14 units,
// the resampler's own weight precision.
constexpr int kFractionBits = 7;
constexpr int kOne = 1 << kFractionBits;

QTransform cropToPicture(const TurnedFrame& frame) {
    QTransform t;
    t.translate(frame.Rect.center().x(), frame.Rect.center().y());
    t.rotate(frame.Degrees);
    t.translate(-frame.Rect.width() / 2, -frame.Rect.height() / 2);
    return t;
}

} // namespace

double LevelAngle(const HeadPoints& head) {
    const double tilt = HeadTilt(head);
    return std::abs(tilt) <= kMaxLevelDegrees ? tilt : 0.0;
}

QPolygonF TurnedFrame::Corners() const {
    const QTransform t = cropToPicture(*this);
    const QSizeF s = Rect.size();
    return QPolygonF{t.map(QPointF(0, 0)), t.map(QPointF(s.width(), 0)),
                     t.map(QPointF(s.width(), s.height())), t.map(QPointF(0, s.height()))};
}

QPointF TurnedFrame::ToCrop(const QPointF& picturePoint) const {
    return cropToPicture(*this).inverted().map(picturePoint);
}

QPointF TurnedFrame::ToPicture(const QPointF& cropPoint) const {
    return cropToPicture(*this).map(cropPoint);
}

HeadPoints HeadInCrop(const HeadPoints& head, const TurnedFrame& frame) {
    HeadPoints moved = head;
    for (QPointF* p : {&moved.LeftEye, &moved.RightEye, &moved.Chin, &moved.Crown})
        *p = frame.ToCrop(*p);
    return moved;
}

QImage CutTurned(const QImage& picture, const TurnedFrame& frame, QSize size) {
    const QSize own(std::max(1, int(std::lround(frame.Rect.width()))),
                    std::max(1, int(std::lround(frame.Rect.height()))));
    if (size.isEmpty())
        size = own;
    if (picture.isNull())
        return {};
    const QImage source =
        picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
            ? picture
            : picture.convertToFormat(QImage::Format_RGB32);
    // Reductions read every source pixel through the resampler's tent filter, after a cut at
    // the frame's own scale.
    const bool reduce = size.width() < own.width() || size.height() < own.height();
    const QSize cut = reduce ? own : size;
    QImage out(cut, QImage::Format_RGB32);
    const double sx = frame.Rect.width() / cut.width();
    const double sy = frame.Rect.height() / cut.height();
    const double rad = frame.Degrees * std::numbers::pi / 180;
    const double c = std::cos(rad), s = std::sin(rad);
    const QPointF centre = frame.Rect.center();
    const int maxX = source.width() - 1, maxY = source.height() - 1;
    // Picture position of a pixel centre: centre + R (u - w/2, v - h/2), less half a pixel to
    // address the picture's pixel centres.
    for (int v = 0; v < cut.height(); ++v) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(v));
        const double dy = ((v + 0.5) * sy - frame.Rect.height() / 2);
        for (int u = 0; u < cut.width(); ++u) {
            const double dx = ((u + 0.5) * sx - frame.Rect.width() / 2);
            const double px = centre.x() + c * dx - s * dy - 0.5;
            const double py = centre.y() + s * dx + c * dy - 0.5;
            const double fx = std::floor(px), fy = std::floor(py);
            const int wx = int((px - fx) * kOne + 0.5), wy = int((py - fy) * kOne + 0.5);
            const int x0 = std::clamp(int(fx), 0, maxX), x1 = std::clamp(int(fx) + 1, 0, maxX);
            const int y0 = std::clamp(int(fy), 0, maxY), y1 = std::clamp(int(fy) + 1, 0, maxY);
            const auto* r0 = reinterpret_cast<const QRgb*>(source.constScanLine(y0));
            const auto* r1 = reinterpret_cast<const QRgb*>(source.constScanLine(y1));
            const QRgb p00 = r0[x0], p01 = r0[x1], p10 = r1[x0], p11 = r1[x1];
            const int w00 = (kOne - wx) * (kOne - wy), w01 = wx * (kOne - wy);
            const int w10 = (kOne - wx) * wy, w11 = wx * wy;
            const auto mix = [&](int shift) {
                const auto at = [shift](QRgb p) { return int((p >> shift) & 0xff); };
                return (at(p00) * w00 + at(p01) * w01 + at(p10) * w10 + at(p11) * w11 +
                        (1 << (2 * kFractionBits - 1))) >>
                       (2 * kFractionBits);
            };
            line[u] = qRgb(mix(16), mix(8), mix(0));
        }
    }
    return reduce ? Resampled(out, size) : out;
}

TurnedFrame ProposeLevelFrame(const HeadPoints& head, const PhotoNorm& norm, const QSizeF& picture,
                              FrameProposal* proposal, std::optional<double> kept) {
    const double degrees = kept.value_or(LevelAngle(head));
    const QPointF centre(picture.width() / 2, picture.height() / 2);
    QTransform level;
    level.translate(centre.x(), centre.y()).rotate(-degrees).translate(-centre.x(), -centre.y());
    HeadPoints levelled = head;
    for (QPointF* p : {&levelled.LeftEye, &levelled.RightEye, &levelled.Chin, &levelled.Crown})
        *p = level.map(*p);
    const FrameProposal fitted = ProposeFrame(levelled, norm, picture);
    if (proposal)
        *proposal = fitted;
    QRectF rect = fitted.Frame;
    rect.moveCenter(level.inverted().map(rect.center()));
    return {rect, degrees};
}

TurnedFrame KeepTurnedInside(const TurnedFrame& frame, const QSizeF& picture) {
    TurnedFrame kept = frame;
    QRectF bounds = frame.Bounds();
    // Turned about its centre, the frame lies inside exactly when its upright bounds do.
    const double fit =
        std::min({1.0, picture.width() / bounds.width(), picture.height() / bounds.height()});
    if (fit < 1) {
        kept.Rect.setSize(frame.Rect.size() * fit);
        kept.Rect.moveCenter(frame.Rect.center());
        bounds = kept.Bounds();
    }
    kept.Rect.translate(
        std::max(0.0, -bounds.left()) - std::max(0.0, bounds.right() - picture.width()),
        std::max(0.0, -bounds.top()) - std::max(0.0, bounds.bottom() - picture.height()));
    return kept;
}

TurnedFrame WholeTurned(const TurnedFrame& frame, const QSize& picture) {
    // What floating point leaves over on a frame that touches the edge.
    constexpr double kSlack = 1e-6;
    const auto round = [](double v) { return double(std::lround(v)); };
    TurnedFrame whole{QRectF(QPointF(round(frame.Rect.left()), round(frame.Rect.top())),
                             QPointF(round(frame.Rect.right()), round(frame.Rect.bottom()))),
                      frame.Degrees};
    while (whole.Rect.width() > 2 && whole.Rect.height() > 2) {
        const QRectF b = whole.Bounds();
        const auto over = [](double by) { return std::ceil(std::max(0.0, by - kSlack)); };
        const QRectF moved =
            whole.Rect.translated(over(-b.left()) - over(b.right() - picture.width()),
                                  over(-b.top()) - over(b.bottom() - picture.height()));
        const QRectF mb = TurnedFrame{moved, whole.Degrees}.Bounds();
        if (mb.left() > -kSlack && mb.top() > -kSlack && mb.right() < picture.width() + kSlack &&
            mb.bottom() < picture.height() + kSlack) {
            whole.Rect = moved;
            break;
        }
        whole.Rect.adjust(1, 1, -1, -1);
    }
    return whole;
}

QString FrameText(const TurnedFrame& frame) {
    const QRect r = frame.Rect.toRect();
    // One decimal, and never "-0.0" for a frame that is level.
    const double degrees = std::round(frame.Degrees * 10) / 10;
    return QStringLiteral("%1, %2, %3 x %4, %5°")
        .arg(r.x())
        .arg(r.y())
        .arg(r.width())
        .arg(r.height())
        .arg(degrees == 0 ? 0.0 : degrees, 0, 'f', 1);
}
