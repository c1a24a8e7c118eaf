#include "picture/U_Crown.h"

#include <QLineF>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

// The eyes sit at about half the head's height (the artists' canon); measured adults have
// them slightly lower, so the skull's top lies about 1.05 eye-to-chin distances above them.
constexpr double kCrownPerEyeChin = 1.05;
// Sampling: cells per eye-to-chin distance, the area searched around the face (in such
// distances), and where the wall is sampled beside the head.
constexpr double kCellsPerEyeChin = 60;
constexpr double kSearchAbove = 2.5;
constexpr double kSearchSide = 2.5;
constexpr double kWallBeside = 1.3;
constexpr int kWallTopRows = 3;
// Half the face's width, where the crown is searched for.
constexpr double kHalfFaceWidth = 0.65;
// A wall is even when its cells stray little from a smooth (planar) colour; in 8-bit RGB.
constexpr double kMinWallThreshold = 14;
constexpr double kBusyWallNoise = 24;
// Hair and skin end between these heights above the eyes, in eye-to-chin distances.
constexpr double kLowestCrown = 0.8;
constexpr double kHighestCrown = 1.6;

using Colour = std::array<double, 3>;

struct Grid {
    QPointF origin;
    double step = 1;
    int width = 0;
    int height = 0;
    std::vector<Colour> cells;

    QPointF centre(int x, int y) const { return origin + QPointF(x + 0.5, y + 0.5) * step; }
};

// The picture's mean colour over square cells, from 3 x 3 samples in each.
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
    const auto at = [&](int x, int y) {
        x = std::clamp(x, 0, picture.width() - 1);
        y = std::clamp(y, 0, picture.height() - 1);
        return direct ? reinterpret_cast<const QRgb*>(picture.constScanLine(y))[x]
                      : picture.pixel(x, y);
    };
    for (int gy = 0; gy < g.height; ++gy)
        for (int gx = 0; gx < g.width; ++gx) {
            Colour sum{};
            for (int sy = 0; sy < 3; ++sy)
                for (int sx = 0; sx < 3; ++sx) {
                    const QPointF p = g.origin + QPointF(gx + (sx + 0.5) / 3, gy + (sy + 0.5) / 3) * step;
                    const QRgb c = at(int(p.x()), int(p.y()));
                    sum[0] += qRed(c);
                    sum[1] += qGreen(c);
                    sum[2] += qBlue(c);
                }
            g.cells[size_t(gy) * g.width + gx] = {sum[0] / 9, sum[1] / 9, sum[2] / 9};
        }
    return g;
}

// The wall's colour as a plane over the picture per channel (so an even light gradient is
// still wall), fitted to sample cells by least squares, once more without the outliers.
struct WallModel {
    std::array<Colour, 3> plane{}; // per channel: constant, x, y coefficients
    double noise = 0;              // median distance of the wall samples from the plane

    double distance(const Colour& c, const QPointF& p) const {
        double sum = 0;
        for (int ch = 0; ch < 3; ++ch) {
            const double d = c[ch] - (plane[ch][0] + plane[ch][1] * p.x() + plane[ch][2] * p.y());
            sum += d * d;
        }
        return std::sqrt(sum);
    }
};

struct Sample {
    QPointF at; // relative to the grid's centre, for a well-conditioned fit
    Colour colour;
};

std::array<Colour, 3> fitPlanes(const std::vector<Sample>& samples) {
    // Normal equations of c = a + b x + c y, solved by Cramer's rule.
    double m[3][3] = {};
    Colour rhs[3] = {};
    for (const Sample& s : samples) {
        const double v[3] = {1, s.at.x(), s.at.y()};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j)
                m[i][j] += v[i] * v[j];
            for (int ch = 0; ch < 3; ++ch)
                rhs[i][ch] += v[i] * s.colour[ch];
        }
    }
    const auto det = [](const double a[3][3]) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
               a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    const double d = det(m);
    std::array<Colour, 3> planes{};
    for (int ch = 0; ch < 3; ++ch)
        for (int k = 0; k < 3; ++k) {
            if (std::abs(d) < 1e-9) { // all samples on a line: a flat colour
                planes[ch][k] = k == 0 ? rhs[0][ch] / std::max(m[0][0], 1.0) : 0;
                continue;
            }
            double mk[3][3];
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j)
                    mk[i][j] = j == k ? rhs[i][ch] : m[i][j];
            planes[ch][k] = det(mk) / d;
        }
    return planes;
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    auto mid = values.begin() + values.size() / 2;
    std::nth_element(values.begin(), mid, values.end());
    return *mid;
}

WallModel fitWall(std::vector<Sample> samples) {
    WallModel model;
    for (int pass = 0; pass < 2 && !samples.empty(); ++pass) {
        model.plane = fitPlanes(samples);
        std::vector<double> d;
        for (const Sample& s : samples)
            d.push_back(model.distance(s.colour, s.at));
        model.noise = median(d);
        std::erase_if(samples, [&](const Sample& s) {
            return model.distance(s.colour, s.at) > 3 * model.noise + 2;
        });
    }
    return model;
}

} // namespace

QPointF ProportionalCrown(const HeadPoints& face) {
    const QPointF eyes = face.EyeCentre();
    return eyes + (eyes - face.Chin) * kCrownPerEyeChin;
}

CrownEstimate EstimateCrown(const QImage& picture, const HeadPoints& face) {
    CrownEstimate result{ProportionalCrown(face), 0, true};
    const QPointF eyes = face.EyeCentre();
    const double eyeChin = QLineF(eyes, face.Chin).length();
    if (picture.isNull() || eyeChin < 4)
        return result;
    const QPointF up = (eyes - face.Chin) / eyeChin;
    if (up.y() > -0.5)
        return result; // a face on its side: the picture is not turned upright

    const QRectF area = QRectF(eyes.x() - kSearchSide * eyeChin, eyes.y() - kSearchAbove * eyeChin,
                               2 * kSearchSide * eyeChin, kSearchAbove * eyeChin)
                            .intersected(QRectF(0, 0, picture.width(), picture.height()));
    if (area.height() < 2)
        return result; // eyes at the top edge
    const Grid grid = sampleGrid(picture, area, std::max(1.0, eyeChin / kCellsPerEyeChin));
    const QPointF middle = area.center();

    // Wall samples: the strip along the top of the searched area and the sides of the head.
    std::vector<Sample> wall;
    for (int y = 0; y < grid.height; ++y)
        for (int x = 0; x < grid.width; ++x) {
            const QPointF p = grid.centre(x, y);
            if (y < kWallTopRows || std::abs(p.x() - eyes.x()) > kWallBeside * eyeChin)
                wall.push_back({p - middle, grid.cells[size_t(y) * grid.width + x]});
        }
    const WallModel model = fitWall(std::move(wall));
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
        if (filled[i] || !inBand(p) || model.distance(grid.cells[i], p - middle) <= threshold)
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
        if (std::count(filled.begin() + y * grid.width, filled.begin() + (y + 1) * grid.width, 1) >= minWidth)
            top = y;
    if (top < 0)
        return result;

    // How clearly the top rows of the region stand out from the wall.
    std::vector<double> contrast;
    for (int y = top; y < std::min(grid.height, top + 3); ++y)
        for (int x = 0; x < grid.width; ++x)
            if (filled[size_t(y) * grid.width + x])
                contrast.push_back(model.distance(grid.cells[size_t(y) * grid.width + x],
                                                  grid.centre(x, y) - middle));
    const double topY = grid.origin.y() + top * grid.step;
    const QPointF crown = eyes + up * ((topY - eyes.y()) / up.y());
    const double rise = height(crown) / eyeChin;
    const bool plausible = rise >= kLowestCrown && rise <= kHighestCrown;
    const bool touchesTop = top == 0 && area.top() < grid.step;
    if (!plausible || touchesTop)
        return result;

    const double evenness = std::clamp(1 - model.noise / kBusyWallNoise, 0.0, 1.0);
    const double clarity = std::clamp((median(contrast) / threshold - 1) / 2, 0.0, 1.0);
    result.Confidence = std::min(evenness, clarity);
    result.Uncertain = result.Confidence < 0.5;
    if (!result.Uncertain)
        result.Crown = crown;
    return result;
}
