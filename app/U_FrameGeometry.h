#pragma once

#include "app/U_Formats.h"
#include "picture/U_Framing.h"
#include "picture/U_Level.h"
#include "picture/U_Norms.h"

#include <QMargins>
#include <QRect>
#include <QRectF>
#include <QSizeF>

// Geometry of the framing window and of the printed head, over plain values. Frames are in
// the pixels of the picture as shown (rotations included), y down.

// Width / height of the format's photo, both sides in the label's unit (so inch formats are
// exact).
double FormatAspect(const PhotoFormat& format);

// The one factor that fits the picture inside area, never enlarging it.
double FitScale(const QSizeF& picture, const QSizeF& area);

// The largest frame of the aspect that fits in the picture, centred on it.
QRectF LargestFrame(double aspect, const QSizeF& picture);

// The frame moved by the least amount that puts it inside the picture; one larger than the
// picture is first shrunk about its centre to the largest frame of its own aspect.
QRectF KeepInside(const QRectF& frame, const QSizeF& picture);

// Moved by delta and kept inside.
QRectF MovedFrame(const QRectF& frame, const QPointF& delta, const QSizeF& picture);

// Scaled by factor about its centre: aspect kept, never larger than the picture allows and
// never below kMinFrameHeight pixels (or the largest frame, when that is smaller).
inline constexpr double kMinFrameHeight = 16.0;
QRectF ResizedFrame(const QRectF& frame, double factor, const QSizeF& picture);

// The part of the picture's plane that fills the printed photo: the whole picture when it is
// stretched; when it is fitted (one factor, top-left anchored) the photo's shape from the
// top-left corner, reaching past the picture on one side.
QRectF PrintedFrame(const QSizeF& picture, const QSizeF& photoMm, bool stretch);

// A band across the photo, in millimetres from its top edge.
struct GuideBand {
    double Top = 0;
    double Bottom = 0;
    bool operator==(const GuideBand&) const = default;
};

// The norm's guides: where the crown may lie, where the chin may lie (with the crown in the
// middle of its band), and the eye band when the norm gives one. Bands are cut to the photo.
struct FrameGuides {
    GuideBand Crown;
    GuideBand Chin;
    std::optional<GuideBand> Eyes;
};
FrameGuides GuidesFor(const PhotoNorm& norm);

// The framing window's place on a screen whose work area is available, its title bar and
// borders given by decoration: as large as useful, never beyond the work area, centred.
inline constexpr QSize kMaxFrameWindow(1400, 1000);
QRect FrameWindowRect(const QRect& available, const QMargins& decoration);

// The part of the picture the view shows around a frame: the frame and a margin around it,
// widened to the view's own shape, so that the head fills a good part of the view.
QRectF ZoomRegion(const QRectF& frame, const QSizeF& view);

// How far an arrow key moves a frame shown at scale (view pixels per picture pixel): one
// screen pixel, and never less than one picture pixel, since crops are whole pixels.
double ArrowStep(double scale);

// The framing window's proposal: the norm's frame for the head, given the format's own aspect
// (which the norm's millimetres may round) and kept inside the picture.
FrameProposal ProposeFrameForFormat(const HeadPoints& head, const PhotoNorm& norm, double aspect,
                                    const QSizeF& picture);
// The same turned to level the eyes: the window's OK and --frame both cut this one.
// The turned frame is kept inside the picture; degrees, when given, replaces the eye line's.
TurnedFrame ProposeLevelFrameForFormat(const HeadPoints& head, const PhotoNorm& norm, double aspect,
                                       const QSizeF& picture, FrameProposal* proposal = nullptr,
                                       std::optional<double> degrees = std::nullopt);
