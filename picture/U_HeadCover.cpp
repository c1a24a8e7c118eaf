#include "picture/U_HeadCover.h"

#include "picture/U_Checks.h"

#include <QLineF>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

namespace {

using Colour = std::array<double, 3>;

double Distance(const Colour& a, const Colour& b) {
    return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

// Per channel, the median of the picture's colours at the points inside it.
std::optional<Colour> MedianAt(const QImage& picture, const std::vector<QPointF>& points) {
    std::array<std::vector<double>, 3> channels;
    for (const QPointF& p : points) {
        const QPoint at(int(std::floor(p.x())), int(std::floor(p.y())));
        if (!picture.rect().contains(at))
            continue;
        const QRgb c = picture.pixel(at);
        channels[0].push_back(qRed(c));
        channels[1].push_back(qGreen(c));
        channels[2].push_back(qBlue(c));
    }
    if (channels[0].size() < points.size() / 2 || channels[0].empty())
        return std::nullopt;
    Colour out;
    for (int i = 0; i < 3; ++i) {
        auto mid = channels[i].begin() + channels[i].size() / 2;
        std::nth_element(channels[i].begin(), mid, channels[i].end());
        out[i] = *mid;
    }
    return out;
}

// Hair runs from black through browns, reds and blonds to grey and white: little colour, or
// a warm hue short of the fiercest.
bool HairLike(const Colour& c) {
    const double high = std::max({c[0], c[1], c[2]});
    const double chroma = high - std::min({c[0], c[1], c[2]});
    if (chroma < Param("cover_hair_chroma"))
        return true;
    if (chroma > Param("cover_hair_chroma_max") || high != c[0])
        return false; // hair's hues lie between red and yellow, where red is the highest
    const double hue = 60 * (c[1] - c[2]) / chroma;
    return hue >= Param("cover_hair_hue_min") && hue <= Param("cover_hair_hue_max");
}

// How rough the picture is between two heights and sides (in the face's axes, through at):
// the median change of grey to the next point across and up, the points a fiftieth of the
// eye-to-chin distance apart, so that it reads the same at every size of picture.
template <typename At>
double Roughness(const QImage& picture, At at, double low, double high, double from, double to) {
    const auto grey = [&picture](QPointF p) {
        const QPoint q(int(std::floor(p.x())), int(std::floor(p.y())));
        return picture.rect().contains(q) ? qGray(picture.pixel(q)) : -1;
    };
    constexpr double d = 1.0 / 50;
    std::vector<int> changes;
    for (double h = low; h <= high; h += d)
        for (double s = from; s <= to; s += d) {
            const int here = grey(at(h, s)), across = grey(at(h, s + d)), up = grey(at(h + d, s));
            if (here >= 0 && across >= 0 && up >= 0)
                changes.push_back(std::abs(here - across) + std::abs(here - up));
        }
    if (changes.empty())
        return 0;
    std::nth_element(changes.begin(), changes.begin() + changes.size() / 2, changes.end());
    return changes[changes.size() / 2];
}

} // namespace

bool HeadCovered(const QImage& picture, const HeadPoints& face) {
    const QPointF eyes = face.EyeCentre();
    const double eyeChin = QLineF(eyes, face.Chin).length();
    if (picture.isNull() || eyeChin < 8)
        return false;
    const QPointF up = (eyes - face.Chin) / eyeChin;
    const QPointF across(-up.y(), up.x());
    const auto at = [&](double height, double side) {
        return eyes + (up * height + across * side) * eyeChin;
    };
    const auto median = [&](double height, double from, double to, int count) {
        std::vector<QPointF> points;
        for (int i = 0; i < count; ++i)
            points.push_back(at(height, from + (to - from) * (i + 0.5) / count));
        return MedianAt(picture, points);
    };

    // The skin of both cheeks, below the eyes; the wall beside the head, above the eyes.
    std::vector<QPointF> cheeks, wall;
    for (double h = -0.3; h >= -0.5; h -= 0.05)
        for (double s : {-0.45, -0.35, 0.35, 0.45})
            cheeks.push_back(at(h, s));
    for (double h = 1.0; h <= 1.5; h += 0.1)
        for (double s : {-1.6, -1.45, -1.3, 1.3, 1.45, 1.6})
            wall.push_back(at(h, s));
    const std::optional<Colour> skin = MedianAt(picture, cheeks);
    const std::optional<Colour> wallColour = MedianAt(picture, wall);
    if (!skin)
        return false;
    const double skinRoughness = std::min(Roughness(picture, at, -0.5, -0.3, -0.45, -0.3),
                                          Roughness(picture, at, -0.5, -0.3, 0.3, 0.45));

    // Rows across the face from the brows up, each as its left, middle and right thirds.
    const double half = Param("cover_half_width");
    const double step = 1.0 / 40;
    const double lowest = 0.25, highest = Param("cover_edge_highest");
    const int bandRows = int(Param("cover_band") / step);
    std::vector<std::array<std::optional<Colour>, 4>> rows;
    for (double h = lowest - step; h <= highest + (bandRows + 1) * step; h += step)
        rows.push_back({median(h, -half, -half / 3, 5), median(h, -half / 3, half / 3, 5),
                        median(h, half / 3, half, 5), median(h, -half, half, 15)});
    const double edge = Param("cover_edge");
    const double apart = Param("cover_distance");
    const double even = Param("cover_uniform");
    for (size_t k = 1; k + bandRows + 1 < rows.size() && lowest + (k - 1) * step <= highest; ++k) {
        // A hard edge straight across: every third changes between the rows beside it.
        bool straight = true;
        for (int third = 0; third < 3 && straight; ++third) {
            const auto& below = rows[k - 1][third];
            const auto& above = rows[k + 1][third];
            straight = below && above && Distance(*below, *above) > edge;
        }
        if (!straight)
            continue;
        // Above it, a band of one colour that is none of skin and wall, and no hair: of a
        // colour no hair has, or smoother than hair's locks ever are (cloth of hair's colour).
        const std::optional<Colour> band = rows[k + 1 + bandRows / 2][3];
        const double edgeHeight = lowest + (k - 1) * step;
        const auto smooth = [&] {
            return Roughness(picture, at, edgeHeight + 2 * step, edgeHeight + bandRows * step,
                             -half, half) < Param("cover_smooth") * skinRoughness;
        };
        bool covered = band && Distance(*band, *skin) > apart &&
                       (!wallColour || Distance(*band, *wallColour) > apart) &&
                       (!HairLike(*band) || smooth());
        for (int r = 1; r <= bandRows && covered; ++r)
            covered = rows[k + r][3] && Distance(*rows[k + r][3], *band) < even;
        if (covered)
            return true;
    }
    return false;
}
