#include "picture/U_Crown.h"

#include "picture/U_HeadCover.h"

#include <QLineF>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

namespace {

// The eyes sit at about half the head's height (the artists' canon); measured adults have
// them slightly lower, so the skull's top lies about 1.05 eye-to-chin distances above them.
constexpr double kCrownPerEyeChin = 1.05;
// Sampling: cells per eye-to-chin distance, the area searched around the face (in such
// distances), and where the wall is sampled beside the head.
constexpr double kCellsPerEyeChin = 60;
constexpr double kSearchAbove = 2.5;
constexpr double kSearchSide = 2.0;
constexpr double kWallBeside = 1.3;
constexpr int kWallTopRows = 3;
constexpr int kSamples = 2;
// Half the face's width, where the crown is searched for.
constexpr double kHalfFaceWidth = 0.65;
// A wall is even when its cells stray little from a smooth (planar) colour; in 8-bit RGB.
constexpr double kMinWallThreshold = 14;
constexpr double kBusyWallNoise = 24;
// Hair and skin end between these heights above the eyes, in eye-to-chin distances.
constexpr double kLowestCrown = 0.8;
constexpr double kHighestCrown = 1.6;
// A straight edge in the wall: this change of colour (8-bit RGB) between the cells either
// side of it, in this share of the columns searched.
constexpr double kSeamStep = 30;
constexpr double kSeamShare = 0.95;
// When the wall cannot be trusted (busy, or a canvas of nearly its colour), the top of the
// hair is found by its colour instead. The colour is read between these heights above the
// eyes and this far either side of the axis, where hair (or a bald head's skin) is on every
// head; the top is sought in the columns this far either side. A cell is far from the hair
// beyond this many of the hair's own spreads (with this much noise in 8-bit RGB added to
// them), or when it is smoother than this share of the hair (locks are rough; a wall of their
// colour seldom is). Each column's top is smoothed over this many neighbours either side, and
// a top outside these heights is not taken.
constexpr double kHairSampleLow = 0.75;
constexpr double kHairSampleHigh = 0.9;
constexpr double kHairSampleHalf = 0.2;
constexpr double kHairColumnsHalf = 0.3;
constexpr double kHairSpreads = 3;
constexpr double kHairNoise = 6;
constexpr double kSmoothShare = 0.3;
constexpr size_t kTopNeighbours = 6;
constexpr double kLowestHairTop = 0.95;
constexpr double kHighestHairTop = 1.4;

using Colour = std::array<float, 3>;

struct Grid {
    QPointF origin;
    double step = 1;
    int width = 0;
    int height = 0;
    std::vector<Colour> cells;

    QPointF centre(int x, int y) const { return origin + QPointF(x + 0.5, y + 0.5) * step; }
    const Colour& at(int x, int y) const { return cells[size_t(y) * width + x]; }
};

double median(std::vector<float> values) {
    if (values.empty())
        return 0;
    auto mid = values.begin() + values.size() / 2;
    std::nth_element(values.begin(), mid, values.end());
    return *mid;
}

// The picture's mean colour over square cells, from kSamples x kSamples samples in each.
Grid sampleGrid(const QImage& picture, const QRectF& area, double step) {
    Grid g;
    g.origin = area.topLeft();
    g.step = step;
    g.width = std::max(1, int(area.width() / step));
    g.height = std::max(1, int(area.height() / step));
    g.cells.resize(size_t(g.width) * g.height);
    const bool direct = picture.format() == QImage::Format_RGB32 ||
                        picture.format() == QImage::Format_ARGB32 ||
                        picture.format() == QImage::Format_ARGB32_Premultiplied;
    const auto clampedAt = [](double v, int size) { return std::clamp(int(v), 0, size - 1); };
    // Sample rows one after the other, so that the picture is read in memory order.
    std::vector<int> columns(size_t(g.width) * kSamples);
    for (size_t i = 0; i < columns.size(); ++i)
        columns[i] = clampedAt(g.origin.x() + (i + 0.5) * step / kSamples, picture.width());
    constexpr float kShare = 1.0f / (kSamples * kSamples);
    for (int gy = 0; gy < g.height; ++gy)
        for (int sy = 0; sy < kSamples; ++sy) {
            const int y =
                clampedAt(g.origin.y() + (gy + (sy + 0.5) / kSamples) * step, picture.height());
            const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
            for (size_t i = 0; i < columns.size(); ++i) {
                const QRgb c = direct ? line[columns[i]] : picture.pixel(columns[i], y);
                Colour& cell = g.cells[size_t(gy) * g.width + i / kSamples];
                cell[0] += qRed(c) * kShare;
                cell[1] += qGreen(c) * kShare;
                cell[2] += qBlue(c) * kShare;
            }
        }
    return g;
}

// The wall's colour as a plane over the picture per channel (so an even light gradient is
// still wall), fitted to the wall cells by least squares, then once more without outliers.
struct WallModel {
    std::array<std::array<double, 3>, 3> plane{}; // per channel: constant, x and y terms
    double noise = 0;            // median distance of the wall cells from the plane
    std::vector<float> distance; // every cell's distance from the plane
};

double Det3(const double a[3][3]) {
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
           a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
}

// Least-squares plane c = a + b x + c y per channel over the chosen cells, by Cramer's rule.
template <typename Chosen>
std::array<std::array<double, 3>, 3> fitPlanes(const Grid& g, Chosen chosen, bool slopeY) {
    double m[3][3] = {};
    double rhs[3][3] = {};
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
            if (!chosen(x, y))
                continue;
            const double v[3] = {1, x + 0.5, slopeY ? y + 0.5 : 0};
            const Colour& c = g.at(x, y);
            for (int i = 0; i < 3; ++i) {
                for (int j = 0; j < 3; ++j)
                    m[i][j] += v[i] * v[j];
                for (int ch = 0; ch < 3; ++ch)
                    rhs[i][ch] += v[i] * c[ch];
            }
        }
    if (!slopeY)
        m[2][2] = 1; // solves the y term to nothing
    const double d = Det3(m);
    std::array<std::array<double, 3>, 3> planes{};
    for (int ch = 0; ch < 3; ++ch)
        for (int k = 0; k < 3; ++k) {
            if (std::abs(d) < 1e-9) { // cells along one line only: a flat colour
                planes[ch][k] = k == 0 ? rhs[0][ch] / std::max(m[0][0], 1.0) : 0;
                continue;
            }
            double mk[3][3];
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j)
                    mk[i][j] = j == k ? rhs[i][ch] : m[i][j];
            planes[ch][k] = Det3(mk) / d;
        }
    return planes;
}

// Without cells beside the head, the top strip alone is too narrow to tell a vertical slope.
template <typename Chosen> WallModel fitWall(const Grid& g, Chosen isWall, bool slopeY) {
    WallModel model;
    model.distance.resize(g.cells.size());
    const auto measure = [&](auto chosen) {
        model.plane = fitPlanes(g, chosen, slopeY);
        std::vector<float> wall;
        for (int y = 0; y < g.height; ++y)
            for (int x = 0; x < g.width; ++x) {
                double sum = 0;
                for (int ch = 0; ch < 3; ++ch) {
                    const auto& p = model.plane[ch];
                    const double d = g.at(x, y)[ch] - (p[0] + p[1] * (x + 0.5) + p[2] * (y + 0.5));
                    sum += d * d;
                }
                const float distance = float(std::sqrt(sum));
                if (chosen(x, y))
                    wall.push_back(distance);
                model.distance[size_t(y) * g.width + x] = distance;
            }
        model.noise = median(std::move(wall));
    };
    measure(isWall);
    const double outlier = 3 * model.noise + 2;
    const std::vector<float> first = model.distance;
    measure(
        [&](int x, int y) { return isWall(x, y) && first[size_t(y) * g.width + x] <= outlier; });
    return model;
}

// The lowest row of cells on a straight edge across the whole searched width, below the
// strip the wall is first read from; -1 when there is none. The head is narrower than the
// search, so an edge that crosses every column is in the wall, clear of the hair. The edge
// is sharp: the colour changes far less just above and below it, unlike the slopes of a
// busy wall, which change it as much everywhere.
int seamRow(const Grid& g) {
    const auto change = [&g](int x, int from, int to) {
        const Colour& a = g.at(x, from);
        const Colour& b = g.at(x, to);
        return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
    };
    int found = -1;
    for (int y = std::max(kWallTopRows, 3); y + 3 < g.height; ++y) {
        int across = 0;
        for (int x = 0; x < g.width; ++x) {
            const double edge = change(x, y - 1, y + 1);
            if (edge > kSeamStep &&
                2 * std::max(change(x, y - 3, y - 1), change(x, y + 1, y + 3)) < edge)
                ++across;
        }
        if (across >= kSeamShare * g.width)
            found = y;
    }
    return found;
}

// The top of the hair above the face, followed by its colour; none when the hair runs out of
// the picture (or above ceiling), or into something of its colour, or ends where no crown is.
std::optional<QPointF> HairTop(const QImage& picture, const HeadPoints& face, double ceiling) {
    const QPointF eyes = face.EyeCentre();
    const double eyeChin = QLineF(eyes, face.Chin).length();
    const QPointF up = (eyes - face.Chin) / eyeChin;
    if (up.y() > -0.5)
        return std::nullopt; // a face on its side
    const QPointF across(-up.y(), up.x());
    const double reach = kHighestHairTop + 0.1;
    const QRectF area =
        QRectF(eyes.x() - reach * eyeChin, eyes.y() - reach * eyeChin, 2 * reach * eyeChin,
               (reach - kHairSampleLow + 0.1) * eyeChin)
            .intersected(QRectF(0, ceiling, picture.width(), picture.height() - ceiling));
    if (area.height() < 2 || area.width() < 2)
        return std::nullopt;
    const Grid grid = sampleGrid(picture, area, std::max(1.0, eyeChin / kCellsPerEyeChin));
    const double cell = grid.step / eyeChin; // in eye-to-chin distances
    const auto at = [&](double height, double side) -> const Colour* {
        const QPointF p = eyes + (up * height + across * side) * eyeChin - grid.origin;
        const int x = int(std::floor(p.x() / grid.step)), y = int(std::floor(p.y() / grid.step));
        if (x < 0 || y < 0 || x >= grid.width || y >= grid.height)
            return nullptr;
        return &grid.at(x, y);
    };
    // The hair's colour as its median and its spread: hair varies most in lightness (locks
    // in light and in shadow), so a colour off that line is far even when it is as light.
    std::array<std::vector<float>, 3> channels;
    std::vector<const Colour*> sample;
    for (double h = kHairSampleLow; h <= kHairSampleHigh; h += cell)
        for (double s = -kHairSampleHalf; s <= kHairSampleHalf; s += cell)
            if (const Colour* c = at(h, s))
                sample.push_back(c);
    if (sample.size() < 9)
        return std::nullopt;
    for (const Colour* c : sample)
        for (int ch = 0; ch < 3; ++ch)
            channels[ch].push_back((*c)[ch]);
    const std::array<double, 3> hair{median(channels[0]), median(channels[1]), median(channels[2])};
    double cov[3][3] = {};
    for (const Colour* c : sample)
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                cov[i][j] += ((*c)[i] - hair[i]) * ((*c)[j] - hair[j]) / sample.size();
    for (int i = 0; i < 3; ++i)
        cov[i][i] += kHairNoise * kHairNoise;
    double inv[3][3];
    const double det = Det3(cov);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const int a = (j + 1) % 3, b = (j + 2) % 3, c = (i + 1) % 3, d = (i + 2) % 3;
            inv[i][j] = (cov[a][c] * cov[b][d] - cov[a][d] * cov[b][c]) / det;
        }
    const auto farFromHair = [&](const Colour& c) {
        double sum = 0;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                sum += (c[i] - hair[i]) * inv[i][j] * (c[j] - hair[j]);
        return sum > kHairSpreads * kHairSpreads;
    };
    // How rough the picture is about a point: its change of grey to the points a fiftieth of
    // the eye-to-chin distance across and up, at two points of the cell.
    const auto grey = [&picture](QPointF p) {
        const QPoint q(int(std::floor(p.x())), int(std::floor(p.y())));
        return picture.rect().contains(q) ? qGray(picture.pixel(q)) : 0;
    };
    const auto rough = [&](double h, double s) {
        constexpr double d = 1.0 / 50;
        const auto point = [&](double height, double side) {
            return eyes + (up * height + across * side) * eyeChin;
        };
        int sum = 0;
        for (const double offset : {0.0, cell / 2}) {
            const int here = grey(point(h + offset, s + offset));
            sum += std::abs(here - grey(point(h + offset, s + offset + d))) +
                   std::abs(here - grey(point(h + offset + d, s + offset)));
        }
        return sum;
    };
    std::vector<float> roughness;
    for (double h = kHairSampleLow; h <= kHairSampleHigh; h += cell)
        for (double s = -kHairSampleHalf; s <= kHairSampleHalf; s += cell)
            roughness.push_back(float(rough(h, s)));
    const double hairRoughness = median(roughness);

    // Each column's top is where the fewest cells disagree: below it far from the hair's
    // colour, above it near it. A stray lock or a patch of the wall alike to hair is outvoted.
    // Columns whose best top is where they run out of the picture, or out of the heights a
    // crown may have, tell nothing.
    std::vector<float> tops;
    int unended = 0;
    for (double s = -kHairColumnsHalf; s <= kHairColumnsHalf; s += cell) {
        std::vector<char> far;
        for (double h = kHairSampleLow; h <= kHighestHairTop; h += cell) {
            const Colour* here = at(h, s);
            if (!here)
                break;
            far.push_back(farFromHair(*here) || rough(h, s) < kSmoothShare * hairRoughness);
        }
        int wrong = int(std::count(far.begin(), far.end(), 0)); // all above the lowest cell
        int fewest = wrong, best = 0;
        for (size_t i = 0; i < far.size(); ++i) {
            wrong += far[i] ? 1 : -1; // cell i now counts below the top
            if (wrong < fewest) {
                fewest = wrong;
                best = int(i) + 1;
            }
        }
        if (best == 0 || best == int(far.size()))
            ++unended;
        else
            tops.push_back(kHairSampleLow + best * cell);
    }
    if (tops.size() < 2 * kTopNeighbours + 1 || unended * 2 > int(tops.size()) + unended)
        return std::nullopt;
    // The highest of the tops, each the median of its neighbours: a lock standing up, or a
    // patch of wall of the hair's colour beside it, is narrower than that.
    double top = -1;
    for (size_t i = kTopNeighbours; i + kTopNeighbours < tops.size(); ++i) {
        std::vector<float> near(tops.begin() + (i - kTopNeighbours),
                                tops.begin() + (i + kTopNeighbours + 1));
        top = std::max(top, median(near));
    }
    if (top < kLowestHairTop)
        return std::nullopt;
    return eyes + up * (top * eyeChin);
}

} // namespace

CrownEstimate EstimateCrown(const QImage& picture, const HeadPoints& face) {
    if (!HeadCovered(picture, face))
        return EstimateCrownFromWall(picture, face);
    // The top of a hat is not the crown: the proportional one is shown for the user to check.
    CrownEstimate covered{ProportionalCrown(face), 0, true};
    covered.Covered = true;
    return covered;
}

QPointF ProportionalCrown(const HeadPoints& face) {
    const QPointF eyes = face.EyeCentre();
    return eyes + (eyes - face.Chin) * kCrownPerEyeChin;
}

namespace {

// The crown searched for below ceiling (a height in the picture; 0 for its top edge), from
// the wall alone; sets below to the ceiling of the search that gave it.
CrownEstimate WallCrownBelow(const QImage& picture, const HeadPoints& face, double ceiling,
                             double& below) {
    below = ceiling;
    CrownEstimate result{ProportionalCrown(face), 0, true};
    const QPointF eyes = face.EyeCentre();
    const double eyeChin = QLineF(eyes, face.Chin).length();
    if (picture.isNull() || eyeChin < 4)
        return result;
    const QPointF up = (eyes - face.Chin) / eyeChin;
    if (up.y() > -0.5)
        return result; // a face on its side: the picture is not turned upright

    const QRectF area =
        QRectF(eyes.x() - kSearchSide * eyeChin, eyes.y() - kSearchAbove * eyeChin,
               2 * kSearchSide * eyeChin, kSearchAbove * eyeChin)
            .intersected(QRectF(0, ceiling, picture.width(), picture.height() - ceiling));
    if (area.height() < 2)
        return result; // eyes at the top edge
    const Grid grid = sampleGrid(picture, area, std::max(1.0, eyeChin / kCellsPerEyeChin));
    // A picture pasted onto a larger canvas, or a shelf: the wall above such an edge is not
    // the wall around the head, so the search starts below it. Only once, from the top.
    if (ceiling == 0) {
        const int seam = seamRow(grid);
        if (seam >= 0)
            return WallCrownBelow(picture, face, grid.origin.y() + (seam + 1) * grid.step, below);
    }

    // Wall cells: the strip along the top of the searched area and the sides of the head.
    const int besideCells = int(kWallBeside * eyeChin / grid.step);
    const int axisCell = int((eyes.x() - grid.origin.x()) / grid.step);
    const bool beside = axisCell - besideCells > 0 || axisCell + besideCells < grid.width - 1;
    // Beside the head there may be furniture, a flag, a window: only the cells there that
    // look like the strip along the top are taken for wall.
    const WallModel strip = fitWall(
        grid, [](int, int y) { return y < kWallTopRows; }, false);
    const double alike = std::max(kMinWallThreshold, 3 * strip.noise + 2);
    const auto estimate = [&](const WallModel& model) {
        CrownEstimate result{ProportionalCrown(face), 0, true};
        const double threshold = std::max(kMinWallThreshold, 4 * model.noise);

        // The non-wall cells connected to the forehead, within the face's width of its axis and
        // above the eyes; the seeds lie on the axis just above the eyes.
        const auto height = [&](QPointF p) { return QPointF::dotProduct(p - eyes, up); };
        const auto inBand = [&](QPointF p) {
            const QPointF d = p - eyes;
            return std::abs(d.x() * up.y() - d.y() * up.x()) <= kHalfFaceWidth * eyeChin &&
                   height(p) >= 0;
        };
        std::vector<char> filled(grid.cells.size(), 0);
        std::vector<int> stack;
        const auto visit = [&](int x, int y) {
            if (x < 0 || y < 0 || x >= grid.width || y >= grid.height)
                return;
            const int i = y * grid.width + x;
            const QPointF p = grid.centre(x, y);
            if (filled[i] || !inBand(p) || model.distance[i] <= threshold)
                return;
            filled[i] = 1;
            stack.push_back(i);
        };
        for (double t = 0.1; t <= 0.4; t += 0.05) {
            const QPointF seed = eyes + up * (t * eyeChin) - grid.origin;
            visit(int(seed.x() / grid.step), int(seed.y() / grid.step));
        }
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            const int x = i % grid.width, y = i / grid.width;
            visit(x - 1, y);
            visit(x + 1, y);
            visit(x, y - 1);
            visit(x, y + 1);
        }

        // The top: the highest row where the region is more than a stray strand wide.
        const int minWidth = std::max(2, int(0.2 * eyeChin / grid.step));
        int top = -1;
        for (int y = 0; y < grid.height && top < 0; ++y)
            if (std::count(filled.begin() + y * grid.width, filled.begin() + (y + 1) * grid.width,
                           1) >= minWidth)
                top = y;
        if (top < 0)
            return result;

        // How clearly the top rows of the region stand out from the wall.
        std::vector<float> contrast;
        for (int y = top; y < std::min(grid.height, top + 3); ++y)
            for (int x = 0; x < grid.width; ++x)
                if (filled[size_t(y) * grid.width + x])
                    contrast.push_back(model.distance[size_t(y) * grid.width + x]);
        const double topY = grid.origin.y() + top * grid.step;
        const QPointF crown = eyes + up * ((topY - eyes.y()) / up.y());
        const double rise = height(crown) / eyeChin;
        const bool plausible = rise >= kLowestCrown && rise <= kHighestCrown;
        // Hair cut by the picture's top edge, or by the edge of the picture pasted in.
        const bool touchesTop = top < kWallTopRows && (area.top() < grid.step || ceiling > 0);
        if (!plausible || touchesTop)
            return result;

        const double evenness = std::clamp(1 - model.noise / kBusyWallNoise, 0.0, 1.0);
        const double clarity = std::clamp((median(contrast) / threshold - 1) / 2, 0.0, 1.0);
        result.Confidence = std::min(evenness, clarity);
        result.Uncertain = result.Confidence < 0.5;
        if (!result.Uncertain)
            result.Crown = crown;
        return result;
    };

    if (!beside)
        return estimate(strip);
    // The strip alone when the cells beside the head, lit otherwise or cluttered, spoil the
    // wall's slope: the top of a framed photo is a thin strip of wall, and it is enough.
    const CrownEstimate found = estimate(fitWall(
        grid,
        [&](int x, int y) {
            return y < kWallTopRows || (std::abs(x - axisCell) > besideCells &&
                                        strip.distance[size_t(y) * grid.width + x] <= alike);
        },
        beside));
    return found.Uncertain ? estimate(strip) : found;
}

// The wall's crown, or when it is uncertain, the hair's top in place of the proportional one.
CrownEstimate EstimateBelow(const QImage& picture, const HeadPoints& face, double ceiling) {
    CrownEstimate result = WallCrownBelow(picture, face, ceiling, ceiling);
    if (result.Uncertain && QLineF(face.EyeCentre(), face.Chin).length() >= 4)
        result.Crown = HairTop(picture, face, ceiling).value_or(result.Crown);
    return result;
}

} // namespace

CrownEstimate EstimateCrownFromWall(const QImage& picture, const HeadPoints& face) {
    return EstimateBelow(picture, face, 0);
}
