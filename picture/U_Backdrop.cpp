#include "picture/U_Backdrop.h"

#include <opencv2/imgproc.hpp>

#include <QLineF>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// GrabCut's cost grows faster than the pixel count, and its graph holds about 200 bytes a
// pixel, the most memory of all the steps; the person's outline needs no more than this many
// pixels on the long side (360 took 1.4 times the memory for the same outline, within a
// thousandth of the hand-made ones). The soft edge is worked out on a finer copy.
constexpr int kCutSide = 300;
constexpr int kEdgeSide = 800;
constexpr int kEdgeStrip = 64; // rows of the finer copy filtered at a time
constexpr int kCutIterations = 4;
// Seeds, in eye-to-chin distances, along the face's axis ("up") and across it.
constexpr double kHeadHalfWidth = 1.2;     // the probable head: an ellipse this wide ...
constexpr double kHeadStretch = 1.15;      // ... and this much taller than crown to chin
constexpr double kWallAboveCrown = 0.15;   // sure wall above the crown by this much
constexpr double kWallBeside = 1.45;       // and beside the head, above the shoulders' line
constexpr double kShoulderLine = -0.3;     // height of that line from the eyes (down < 0)
constexpr double kNeckHalfWidth = 0.35;    // sure person: the neck below the chin ...
constexpr double kChestHalfWidth = 0.9;    // ... widening to the chest
constexpr double kChestDepth = 0.8;        // at this depth below the chin
constexpr double kShoulderHalfWidth = 2.6; // probable person: the shoulders
constexpr double kForehead = 0.35;         // the brows lifted by this much bound the sure face
constexpr double kContextBeside = 2.4;     // the outline is sought this far beside the eyes ...
constexpr double kContextAbove = 0.6;      // ... and this far above the crown at least
// The soft edge: guided filter radius (share of the edge copy's long side) and smoothing.
constexpr double kEdgeRadiusShare = 0.005;
constexpr double kEdgeEps = 1e-2;
// Under this share of sure wall in view the picture's edge seeds it, from a ring this many
// pixels wide whose colours lie within this distance (8-bit RGB) of the edge's median: a wall's
// shading varies less, hair and clothes differ more.
constexpr double kSureWallShare = 0.01;
constexpr int kEdgeRing = 2;
constexpr double kEdgeWallDistance = 40;
// The outline for measuring reads this many pixels across (and down) each pixel of its copy.
constexpr int kOutlineSamples = 4;
// Matte values this close to 0 or 1 are taken as wholly background or person.
constexpr float kSnap = 0.1f;

// The guided filter with a grey guide: p smoothed by local linear fits to the guide I over
// (2 radius + 1)-pixel boxes, so that an edge of the mask follows the guide's edges. Our own,
// a few box filters: the contributed module that holds one pulls some hundred libraries into
// every start of the program, the command line's checks included.
cv::Mat GuidedFilter(const cv::Mat& I, const cv::Mat& p, int radius, double eps) {
    const auto mean = [radius](const cv::Mat& m) {
        cv::Mat out;
        cv::boxFilter(m, out, CV_32F, cv::Size(2 * radius + 1, 2 * radius + 1), cv::Point(-1, -1),
                      true, cv::BORDER_REFLECT);
        return out;
    };
    const cv::Mat meanI = mean(I), meanP = mean(p);
    const cv::Mat varI = mean(I.mul(I)) - meanI.mul(meanI);
    const cv::Mat covIP = mean(I.mul(p)) - meanI.mul(meanP);
    const cv::Mat a = covIP / (varI + eps);
    const cv::Mat b = meanP - a.mul(meanI);
    return mean(a).mul(I) + mean(b);
}

const QRgb kColours[] = {qRgb(255, 255, 255), qRgb(255, 255, 255), qRgb(224, 224, 224),
                         qRgb(204, 228, 247)};
const char* const kKeys[] = {"as-shot", "white", "light-grey", "light-blue"};

// The area of the picture reduced by scale (at most 1), as 8-bit BGR. A 32-bit picture is read
// in place: no full-size copy is made. With samples, each pixel of the copy averages that many
// squared pixels picked evenly, not all it covers: far quicker on a large picture.
cv::Mat reducedBgr(const QImage& picture, const QRect& area, double scale, int samples = 0) {
    const bool direct =
        picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32;
    const QImage converted =
        direct ? QImage() : picture.copy(area).convertToFormat(QImage::Format_RGB32);
    const QImage& source = direct ? picture : converted;
    const QPoint at = direct ? area.topLeft() : QPoint(0, 0);
    const cv::Mat view(area.height(), area.width(), CV_8UC4,
                       const_cast<uchar*>(source.constScanLine(at.y())) + 4 * at.x(),
                       size_t(source.bytesPerLine()));
    cv::Mat reduced;
    if (samples > 0 && scale * samples < 1) {
        cv::Mat picked;
        cv::resize(view, picked, cv::Size(), scale * samples, scale * samples, cv::INTER_NEAREST);
        cv::resize(picked, reduced,
                   cv::Size(cvRound(area.width() * scale), cvRound(area.height() * scale)), 0, 0,
                   cv::INTER_AREA);
    } else if (scale < 1)
        cv::resize(view, reduced, cv::Size(), scale, scale, cv::INTER_AREA);
    else
        reduced = view;
    cv::Mat bgr;
    cv::cvtColor(reduced, bgr, cv::COLOR_BGRA2BGR);
    return bgr;
}

// The face's frame of reference, in the pixels of a copy scaled by scale from area.
struct HeadAxes {
    cv::Point2d eyes, chin, crown, up, across;
    double eyeChin = 1;
    double height(cv::Point2d p) const { return (p - eyes).dot(up); }
    double side(cv::Point2d p) const { return (p - eyes).dot(across); }
    cv::Point2d at(double sideUnits, double heightUnits) const {
        return eyes + across * (sideUnits * eyeChin) + up * (heightUnits * eyeChin);
    }
};

cv::Point2d scaled(const QPointF& p, const QRect& area, double scale) {
    return {(p.x() - area.x()) * scale, (p.y() - area.y()) * scale};
}

HeadAxes axesOf(const PersonSeeds& seeds, const QRect& area, double scale) {
    const auto mean = [&](int first, int count) {
        cv::Point2d sum;
        for (int i = first; i < first + count; ++i)
            sum += scaled(seeds.Landmarks[size_t(i)], area, scale);
        return sum / count;
    };
    HeadAxes a;
    a.eyes = (mean(36, 6) + mean(42, 6)) / 2;
    a.chin = scaled(seeds.Landmarks[8], area, scale);
    a.crown = scaled(seeds.Crown, area, scale);
    a.eyeChin = std::max(1.0, cv::norm(a.eyes - a.chin));
    a.up = (a.eyes - a.chin) / a.eyeChin;
    a.across = {-a.up.y, a.up.x};
    return a;
}

std::vector<cv::Point> polygon(std::initializer_list<cv::Point2d> points) {
    std::vector<cv::Point> out;
    for (const cv::Point2d& p : points)
        out.emplace_back(cvRound(p.x), cvRound(p.y));
    return out;
}

// GrabCut's starting labels from the landmarks and the head's proportions.
cv::Mat seedMask(const cv::Size& size, const PersonSeeds& seeds, const QRect& area, double scale) {
    const HeadAxes a = axesOf(seeds, area, scale);
    cv::Mat mask(size, CV_8UC1, cv::Scalar(cv::GC_PR_BGD));
    const double crownHeight = a.height(a.crown);
    const double low = -(a.eyeChin + size.height + size.width); // past the area's bottom

    // Probable person: the head as an ellipse from chin to crown, and the shoulders.
    const cv::Point2d headCentre = (a.crown + a.chin) / 2;
    const double angle = std::atan2(a.across.y, a.across.x) * 180 / CV_PI;
    cv::ellipse(mask,
                cv::RotatedRect(headCentre,
                                cv::Size2d(2 * kHeadHalfWidth * a.eyeChin,
                                           kHeadStretch * cv::norm(a.crown - a.chin)),
                                angle),
                cv::Scalar(cv::GC_PR_FGD), cv::FILLED);
    const double chinUnits = a.height(a.chin) / a.eyeChin;
    cv::fillConvexPoly(mask,
                       polygon({a.at(-kHeadHalfWidth, 0), a.at(kHeadHalfWidth, 0),
                                a.at(kShoulderHalfWidth, chinUnits - kChestDepth),
                                a.at(kShoulderHalfWidth, low / a.eyeChin),
                                a.at(-kShoulderHalfWidth, low / a.eyeChin),
                                a.at(-kShoulderHalfWidth, chinUnits - kChestDepth)}),
                       cv::Scalar(cv::GC_PR_FGD));

    // Sure wall: above the crown, and beside the head above the shoulders.
    for (int y = 0; y < size.height; ++y) {
        auto* row = mask.ptr<uchar>(y);
        for (int x = 0; x < size.width; ++x) {
            const cv::Point2d p(x + 0.5, y + 0.5);
            const double h = a.height(p);
            if (h > crownHeight + kWallAboveCrown * a.eyeChin ||
                (std::abs(a.side(p)) > kWallBeside * a.eyeChin && h > kShoulderLine * a.eyeChin))
                row[x] = cv::GC_BGD;
        }
    }

    // Sure person: the face inside the jaw and the lifted brows, the neck and the chest.
    std::vector<cv::Point> face;
    for (int i = 0; i <= 16; ++i)
        face.push_back(polygon({scaled(seeds.Landmarks[size_t(i)], area, scale)})[0]);
    for (int i = 26; i >= 17; --i)
        face.push_back(polygon(
            {scaled(seeds.Landmarks[size_t(i)], area, scale) + a.up * (kForehead * a.eyeChin)})[0]);
    std::vector<cv::Point> hull;
    cv::convexHull(face, hull);
    cv::fillConvexPoly(mask, hull, cv::Scalar(cv::GC_FGD));
    cv::fillConvexPoly(
        mask,
        polygon({a.at(-kNeckHalfWidth, chinUnits + 0.3), a.at(kNeckHalfWidth, chinUnits + 0.3),
                 a.at(kChestHalfWidth, chinUnits - kChestDepth),
                 a.at(kChestHalfWidth, low / a.eyeChin), a.at(-kChestHalfWidth, low / a.eyeChin),
                 a.at(-kChestHalfWidth, chinUnits - kChestDepth)}),
        cv::Scalar(cv::GC_FGD));
    return mask;
}

// A picture framed tightly shows none of the sure wall above: the wall is then seeded from
// the picture's edge above the shoulders, where the edge has its most usual colour (hair or a
// shoulder reaching the edge differs from it).
void seedWallFromEdge(const cv::Mat& small, cv::Mat& labels, const HeadAxes& a) {
    if (cv::countNonZero(labels == cv::GC_BGD) >= kSureWallShare * double(labels.total()))
        return;
    std::vector<cv::Point> edge;
    for (int y = 0; y < small.rows; ++y)
        for (int x = 0; x < small.cols; ++x) {
            const bool border = x < kEdgeRing || y < kEdgeRing || x >= small.cols - kEdgeRing;
            if (border && labels.at<uchar>(y, x) != cv::GC_FGD &&
                a.height({x + 0.5, y + 0.5}) > kShoulderLine * a.eyeChin)
                edge.emplace_back(x, y);
        }
    if (edge.empty())
        return;
    cv::Vec3b usual;
    for (int c = 0; c < 3; ++c) {
        std::vector<uchar> values;
        for (const cv::Point& p : edge)
            values.push_back(small.at<cv::Vec3b>(p)[c]);
        std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(values.size() / 2),
                         values.end());
        usual[c] = values[values.size() / 2];
    }
    for (const cv::Point& p : edge)
        if (cv::norm(cv::Vec3d(small.at<cv::Vec3b>(p)) - cv::Vec3d(usual)) < kEdgeWallDistance)
            labels.at<uchar>(p) = cv::GC_BGD;
}

// The person as one piece: the part joined to the face, with its holes filled (a dark
// jacket's folds are no window onto the wall).
cv::Mat onePiece(const cv::Mat& person, cv::Point inside) {
    cv::Mat labels;
    cv::connectedComponents(person, labels, 8, CV_32S);
    const int keep = labels.at<int>(inside);
    cv::Mat piece = keep > 0 ? (labels == keep) : person.clone();
    // Fill from a one-pixel border: what the flood does not reach is a hole.
    cv::Mat padded;
    cv::copyMakeBorder(piece, padded, 1, 1, 1, 1, cv::BORDER_CONSTANT, cv::Scalar(0));
    cv::floodFill(padded, cv::Point(0, 0), cv::Scalar(128));
    cv::Mat filled = padded(cv::Rect(1, 1, piece.cols, piece.rows)) != 128;
    return filled;
}

} // namespace

QString BackdropKey(Backdrop backdrop) {
    return QString::fromLatin1(kKeys[int(backdrop)]);
}

std::optional<Backdrop> BackdropFromKey(const QString& key) {
    for (Backdrop b : kBackdrops)
        if (key == QLatin1String(kKeys[int(b)]))
            return b;
    return std::nullopt;
}

QRgb BackdropColour(Backdrop backdrop) {
    return kColours[int(backdrop)];
}

namespace {

// The area the outline is sought in: the wanted one with the wall on both sides of the head
// and above it in view, however tight the frame, since a frame's margin alone may hold no
// sure wall at all.
QRect contextArea(const QImage& picture, const QRect& painted, const PersonSeeds& seeds) {
    const HeadAxes head = axesOf(seeds, QRect(), 1);
    const double reach = kContextBeside * head.eyeChin;
    return painted
        .united(QRectF(QPointF(head.eyes.x - reach, head.crown.y - kContextAbove * head.eyeChin),
                       QPointF(head.eyes.x + reach, painted.bottom()))
                    .toAlignedRect())
        .intersected(picture.rect());
}

// The person, hard (255) on the wall (0), in small, a copy of area reduced by scale.
cv::Mat cutPerson(const cv::Mat& small, const PersonSeeds& seeds, const QRect& area, double scale,
                  int iterations) {
    cv::Mat labels = seedMask(small.size(), seeds, area, scale);
    seedWallFromEdge(small, labels, axesOf(seeds, area, scale));
    cv::Mat bgdModel, fgdModel;
    cv::grabCut(small, labels, cv::Rect(), bgdModel, fgdModel, iterations, cv::GC_INIT_WITH_MASK);
    const HeadAxes axes = axesOf(seeds, area, scale);
    const cv::Point2d nose = (axes.eyes + axes.chin) / 2;
    const cv::Point inside(std::clamp(cvRound(nose.x), 0, small.cols - 1),
                           std::clamp(cvRound(nose.y), 0, small.rows - 1));
    cv::Mat person = onePiece((labels == cv::GC_FGD) | (labels == cv::GC_PR_FGD), inside);
    // A lit rim a pixel wide (a suit's piping) is nearer a light wall's colours than the
    // person's, and the cut runs round it: close such slits.
    cv::morphologyEx(person, person, cv::MORPH_CLOSE,
                     cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(3, 3)));
    return person;
}

} // namespace

PersonOutline OutlineOfPerson(const QImage& picture, const QRect& wanted, const PersonSeeds& seeds,
                              int side, int iterations) {
    const QRect painted = wanted.intersected(picture.rect());
    if (painted.isEmpty() || side < 1 || iterations < 1)
        return {};
    const QRect area = contextArea(picture, painted, seeds);
    const double scale = std::min(1.0, double(side) / std::max(area.width(), area.height()));
    const cv::Mat small = reducedBgr(picture, area, scale, kOutlineSamples);
    PersonOutline out;
    try {
        const cv::Mat person = cutPerson(small, seeds, area, scale, iterations);
        out.Person = QImage(person.cols, person.rows, QImage::Format_Grayscale8);
        out.Picture = QImage(small.cols, small.rows, QImage::Format_RGB32);
        for (int y = 0; y < small.rows; ++y) {
            std::copy_n(person.ptr<uchar>(y), person.cols, out.Person.scanLine(y));
            cv::Mat line(1, small.cols, CV_8UC4, out.Picture.scanLine(y));
            cv::cvtColor(small.row(y), line, cv::COLOR_BGR2BGRA);
        }
    } catch (const cv::Exception&) {
        return {}; // no wall or no person in the seeds' reach: no outline to give
    }
    out.Area = area;
    out.Scale = scale;
    return out;
}

QImage PersonMatte(const QImage& picture, const QRect& wanted, const PersonSeeds& seeds,
                   const Progress& progress) {
    const QRect painted = wanted.intersected(picture.rect());
    if (painted.isEmpty())
        return {};
    const QRect area = contextArea(picture, painted, seeds);
    const auto report = [&](int share) {
        if (progress)
            progress(share);
    };
    const double edgeScale =
        std::min(1.0, double(kEdgeSide) / std::max(area.width(), area.height()));
    cv::Mat guide = reducedBgr(picture, area, edgeScale);
    report(5);

    // The outline, on a small copy.
    const double cutScale = std::min(1.0, double(kCutSide) / std::max(area.width(), area.height()));
    cv::Mat small;
    cv::resize(guide, small, cv::Size(), cutScale / edgeScale, cutScale / edgeScale,
               cv::INTER_AREA);
    // A grey guide for the soft edge: hair stands out from a wall by its lightness, and the
    // filter's colour form holds nine planes of covariance where the grey one holds two. The
    // colour copy is let go before the cut, the step that needs the most memory.
    cv::Mat grey;
    cv::cvtColor(guide, grey, cv::COLOR_BGR2GRAY);
    guide.release();
    const cv::Mat person = cutPerson(small, seeds, area, cutScale, kCutIterations);
    report(60);

    // The soft edge, on a finer copy guided by its lightness.
    cv::Mat hard;
    cv::resize(person, hard, grey.size(), 0, 0, cv::INTER_LINEAR);
    hard = hard > 127;
    const int radius =
        std::max(2, int(std::lround(kEdgeRadiusShare * std::max(grey.cols, grey.rows))));
    // Away from the outline the cut decides alone; near it the filter's matte, snapped.
    cv::Mat band;
    const cv::Mat kernel =
        cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(4 * radius + 1, 4 * radius + 1));
    cv::dilate(hard, band, kernel);
    {
        cv::Mat shrunk;
        cv::erode(hard, shrunk, kernel);
        band &= ~shrunk;
    }
    // The filter reaches twice its radius: worked strip by strip, each read with that much
    // above and below, it gives the same matte and holds its working planes (about ten floats
    // a pixel) for a strip only.
    const int filterReach = 2 * radius;
    cv::Mat matte8(grey.size(), CV_8UC1);
    for (int top = 0; top < grey.rows; top += kEdgeStrip) {
        const int first = std::max(0, top - filterReach);
        const int end = std::min(grey.rows, top + kEdgeStrip + filterReach);
        const int rows = std::min(kEdgeStrip, grey.rows - top);
        cv::Mat guideF, hardF;
        grey.rowRange(first, end).convertTo(guideF, CV_32F, 1.0 / 255);
        hard.rowRange(first, end).convertTo(hardF, CV_32F, 1.0 / 255);
        const cv::Mat soft = GuidedFilter(guideF, hardF, radius, kEdgeEps);
        for (int y = 0; y < rows; ++y) {
            const auto* s = soft.ptr<float>(top - first + y);
            const auto* h = hard.ptr<uchar>(top + y);
            const auto* b = band.ptr<uchar>(top + y);
            auto* m = matte8.ptr<uchar>(top + y);
            for (int x = 0; x < soft.cols; ++x) {
                const float v = b[x] ? std::clamp(s[x], 0.0f, 1.0f) : h[x] / 255.0f;
                const float snapped = v < kSnap       ? 0.0f
                                      : v > 1 - kSnap ? 1.0f
                                                      : (v - kSnap) / (1 - 2 * kSnap);
                m[x] = cv::saturate_cast<uchar>(snapped * 255);
            }
        }
    }
    report(85);
    // Enlarged straight into the painted part: no full-size matte of the wider area is made.
    QImage matte(painted.size(), QImage::Format_Grayscale8);
    const cv::Mat out(matte.height(), matte.width(), CV_8UC1, matte.bits(),
                      size_t(matte.bytesPerLine()));
    const double sx = double(matte8.cols) / area.width(), sy = double(matte8.rows) / area.height();
    const QPoint at = painted.topLeft() - area.topLeft();
    // Pixel centres to pixel centres, as a linear resize of the whole area would map them.
    const cv::Mat toEdge = (cv::Mat_<double>(2, 3) << sx, 0, (at.x() + 0.5) * sx - 0.5, 0, sy,
                            (at.y() + 0.5) * sy - 0.5);
    cv::warpAffine(matte8, out, toEdge, out.size(), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP,
                   cv::BORDER_REPLICATE);
    report(95);
    return matte;
}

void PaintBehind(QImage& picture, const QRect& wanted, const QImage& matte, QRgb colour) {
    const QRect area = wanted.intersected(picture.rect());
    if (area.isEmpty() || matte.size() != area.size())
        return;
    // The old background near the soft edge: the colours of the wall around each point,
    // averaged on a small copy over the pixels the matte gives to the wall.
    const double scale = std::min(1.0, double(kCutSide) / std::max(area.width(), area.height()));
    const cv::Mat matteMat(matte.height(), matte.width(), CV_8UC1,
                           const_cast<uchar*>(matte.constBits()), size_t(matte.bytesPerLine()));
    cv::Mat smallPicture, smallMatte;
    smallPicture = reducedBgr(picture, area, scale);
    cv::resize(matteMat, smallMatte, smallPicture.size(), 0, 0, cv::INTER_AREA);
    cv::Mat wallWeight;
    cv::Mat(smallMatte == 0).convertTo(wallWeight, CV_32F, 1.0 / 255);
    cv::Mat pictureF;
    smallPicture.convertTo(pictureF, CV_32FC3);
    cv::Mat weighted;
    cv::cvtColor(wallWeight, weighted, cv::COLOR_GRAY2BGR);
    weighted = weighted.mul(pictureF);
    const int reach = std::max(3, smallPicture.cols / 25) * 2 + 1;
    cv::Mat sum, weight;
    cv::boxFilter(weighted, sum, -1, cv::Size(reach, reach), cv::Point(-1, -1), false);
    cv::boxFilter(wallWeight, weight, -1, cv::Size(reach, reach), cv::Point(-1, -1), false);
    cv::Mat weight3;
    cv::cvtColor(cv::max(weight, 1e-3), weight3, cv::COLOR_GRAY2BGR);
    // Read at the small scale: the wall's colour changes slowly, and a full-size copy would
    // cost three bytes a pixel of the area.
    cv::Mat wall;
    cv::Mat(sum / weight3).convertTo(wall, CV_8UC3);

    const float newColour[3] = {float(qBlue(colour)), float(qGreen(colour)), float(qRed(colour))};
    for (int y = 0; y < area.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(area.y() + y)) + area.x();
        const uchar* m = matte.constScanLine(y);
        const auto* w = wall.ptr<cv::Vec3b>(std::min(wall.rows - 1, int(y * scale)));
        for (int x = 0; x < area.width(); ++x) {
            if (m[x] == 255)
                continue;
            if (m[x] == 0) {
                line[x] = (line[x] & 0xff000000u) | (colour & 0x00ffffffu);
                continue;
            }
            const float a = m[x] / 255.0f;
            const cv::Vec3b& old = w[std::min(wall.cols - 1, int(x * scale))];
            const QRgb p = line[x];
            const float seen[3] = {float(qBlue(p)), float(qGreen(p)), float(qRed(p))};
            int out[3];
            for (int c = 0; c < 3; ++c) {
                // The person's own colour at the edge, with the old wall's share taken out.
                const float own = std::clamp((seen[c] - (1 - a) * old[c]) / a, 0.0f, 255.0f);
                out[c] = int(std::lround(a * own + (1 - a) * newColour[c]));
            }
            line[x] = qRgba(out[2], out[1], out[0], qAlpha(p));
        }
    }
}

void PlainBackground(QImage& picture, const QRect& area, const PersonSeeds& seeds,
                     Backdrop backdrop, const Progress& progress) {
    if (backdrop == Backdrop::AsShot)
        return;
    if (picture.format() != QImage::Format_RGB32 && picture.format() != QImage::Format_ARGB32)
        picture = picture.convertToFormat(QImage::Format_RGB32);
    const QImage matte = PersonMatte(picture, area, seeds, progress);
    PaintBehind(picture, area, matte, BackdropColour(backdrop));
    if (progress)
        progress(100);
}
