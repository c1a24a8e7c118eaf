#pragma once

// A plain background: the person cut out with a soft edge and set on an even colour.

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QString>

#include <array>
#include <functional>
#include <optional>

enum class Backdrop { AsShot, White, LightGrey, LightBlue };
inline constexpr Backdrop kBackdrops[] = {Backdrop::AsShot, Backdrop::White, Backdrop::LightGrey,
                                          Backdrop::LightBlue};

// The name on the command line and in the settings: "as-shot", "white", "light-grey",
// "light-blue".
QString BackdropKey(Backdrop backdrop);
std::optional<Backdrop> BackdropFromKey(const QString& key);
// The colour painted (as shot: none, white).
QRgb BackdropColour(Backdrop backdrop);

// What is known of the person: the face's 68 landmarks (the usual layout: jaw 0-16, brows
// 17-26) and the crown, in picture pixels.
struct PersonSeeds {
    std::array<QPointF, 68> Landmarks{};
    QPointF Crown;
};

// Called with the share done, 0 to 100.
using Progress = std::function<void(int)>;

// The person's matte over area of picture (cut to the picture): 255 the person, 0 the
// background, values between along the hair and other soft edges. Grayscale8, area's size.
QImage PersonMatte(const QImage& picture, const QRect& area, const PersonSeeds& seeds,
                   const Progress& progress = {});

// The person's outline without its soft edge, for measuring the wall around it: the outline
// is sought over area and around the head beyond it, on a copy of the picture whose long side
// is at most side pixels, in so many rounds of the cut. Empty when the seeds give no outline.
struct PersonOutline {
    QImage Person;    // Grayscale8: 255 the person, 0 the wall
    QImage Picture;   // RGB32: the copy it was found on
    QRect Area;       // what both cover, in picture pixels
    double Scale = 1; // from picture pixels to theirs
};
PersonOutline OutlineOfPerson(const QImage& picture, const QRect& area, const PersonSeeds& seeds,
                              int side, int iterations);

// Paints colour behind the person in area of picture (an RGB32 or ARGB32 picture), with the
// matte PersonMatte gave: the person's own colour is kept where the matte is full, and the
// old background's share is taken out of the soft edge, so no halo of it remains.
void PaintBehind(QImage& picture, const QRect& area, const QImage& matte, QRgb colour);

// Both: the background of area replaced by the backdrop's colour (nothing for as shot).
void PlainBackground(QImage& picture, const QRect& area, const PersonSeeds& seeds,
                     Backdrop backdrop, const Progress& progress = {});
