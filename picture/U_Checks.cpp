#include "picture/U_Checks.h"

#include "picture/U_Backdrop.h"
#include "picture/U_Crown.h"
#include "picture/U_CsvTable.h"
#include "picture/U_Resample.h"

#include <QPainter>
#include <QPolygonF>
#include <QStringList>

#include <opencv2/calib3d.hpp>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <stdexcept>

// The thresholds table as text, generated at build time from check-thresholds.csv.
extern const char* const kCheckThresholdsCsv;

namespace {

constexpr const char* kKeys[kCheckCount] = {"roll",
                                            "yaw",
                                            "pitch",
                                            "eyes_open",
                                            "mouth_closed",
                                            "light",
                                            "light_balance",
                                            "sharpness",
                                            "background_even",
                                            "background_shadow",
                                            "background_light",
                                            "resolution",
                                            "glare"};

constexpr double kMmPerInch = 25.4;
constexpr int kFullScale = 255; // an 8-bit channel at its limits is clipped

// Landmark numbers of the usual 68-point layout.
constexpr int kJawFirst = 0, kJawLast = 16, kBrowFirst = 17, kBrowLast = 26;
constexpr int kNoseMiddle = 29, kNoseBase = 33, kNoseLeft = 31, kNoseRight = 35;
constexpr int kCheekLeft = 1, kCheekRight = 15;
constexpr int kEyeLeft = 36, kEyeRight = 42; // first of six points each
constexpr int kChin = 8;
constexpr int kLowerLip = 57;

std::vector<CheckLimit> parseLimits() {
    std::vector<CheckLimit> rows;
    for (const QStringList& f : CsvRows(kCheckThresholdsCsv, 6))
        rows.push_back({f[0], f[1] == QLatin1String("min") ? LimitKind::Min : LimitKind::Max,
                        f[2].toDouble(), f[3].toDouble(), f[4], f[5]});
    return rows;
}

double luma(QRgb px) {
    // Rec. 601 weights, as JPEG's own luma.
    return 0.299 * qRed(px) + 0.587 * qGreen(px) + 0.114 * qBlue(px);
}

double distance(const QPointF& a, const QPointF& b) {
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

// Running mean and variance.
struct Stats {
    double n = 0, sum = 0, squares = 0;
    void add(double v) {
        n += 1;
        sum += v;
        squares += v * v;
    }
    double mean() const { return n > 0 ? sum / n : 0; }
    double variance() const { return n > 1 ? std::max(0.0, squares / n - mean() * mean()) : 0; }
    Stats& operator+=(const Stats& o) {
        n += o.n;
        sum += o.sum;
        squares += o.squares;
        return *this;
    }
};

// Sets the mark from one limit row when it is worse than the mark already there.
void judge(CheckResult& r, const CheckLimit& limit, double value) {
    const CheckMark mark = limit.Mark(value);
    if (r.Limit && mark <= r.Mark)
        return;
    r.Mark = mark;
    r.Limit = &limit;
    if (mark != CheckMark::Passes)
        r.Side = limit.Kind == LimitKind::Min ? -1 : (value < 0 ? -1 : 1);
}

CheckResult result(CheckId id, double value, const char* key) {
    CheckResult r;
    r.Id = id;
    r.Value = value;
    judge(r, Limit(key), value);
    return r;
}

// The eye aspect ratio of the six points of one eye: the lids' gap over the corners' span.
double eyeAspect(const std::array<QPointF, 68>& lm, int first) {
    const QPointF* p = &lm[size_t(first)];
    return (distance(p[1], p[5]) + distance(p[2], p[4])) / (2 * distance(p[0], p[3]));
}

QRectF bounds(const std::array<QPointF, 68>& lm, int first, int last) {
    QPolygonF points;
    for (int i = first; i <= last; ++i)
        points << lm[size_t(i)];
    return points.boundingRect();
}

// The face resampled to sharpness_face_width, with the map from picture pixels to it.
struct FaceCrop {
    QImage Image; // RGB32
    QPointF Origin;
    double Scale = 1;
    QPointF map(const QPointF& p) const { return (p - Origin) * Scale; }
    QRectF map(const QRectF& r) const { return {map(r.topLeft()), map(r.bottomRight())}; }
};

FaceCrop faceCrop(const QImage& picture, const std::array<QPointF, 68>& lm) {
    QRectF box = bounds(lm, kJawFirst, 67);
    const QRect area = box.toAlignedRect().intersected(picture.rect());
    FaceCrop crop;
    crop.Origin = area.topLeft();
    crop.Image = picture.copy(area).convertToFormat(QImage::Format_RGB32);
    // Always to the same width, larger or smaller: a picture enlarged (or reduced) keeps the
    // sharpness it had.
    const double width = Param("sharpness_face_width");
    if (area.width() > 0 && area.width() != width) {
        crop.Scale = width / area.width();
        crop.Image =
            Resampled(crop.Image,
                      QSize(int(width), std::max(1, int(std::lround(area.height() * crop.Scale)))));
    }
    return crop;
}

// Luma statistics over the pixels of image inside rect (or inside the mask, when given).
Stats lumaStats(const QImage& image, const QRectF& rect, const QImage* mask = nullptr) {
    Stats s;
    const QRect r = rect.toAlignedRect().intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        const uchar* m = mask ? mask->constScanLine(y) : nullptr;
        for (int x = r.left(); x <= r.right(); ++x)
            if (!m || m[x])
                s.add(luma(line[x]));
    }
    return s;
}

// The light on the face: mean luma, clipped share and the cheeks' balance.
void lightChecks(const FaceCrop& crop, const std::array<QPointF, 68>& lm,
                 std::vector<CheckResult>& out) {
    QPolygonF outline;
    for (int i = kJawFirst; i <= kJawLast; ++i)
        outline << crop.map(lm[size_t(i)]);
    for (int i = kBrowLast; i >= kBrowFirst; --i)
        outline << crop.map(lm[size_t(i)]);
    QImage mask(crop.Image.size(), QImage::Format_Grayscale8);
    mask.fill(0);
    {
        QPainter p(&mask);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPolygon(outline);
    }
    Stats face;
    std::array<double, 3> clipped{};
    for (int y = 0; y < crop.Image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(crop.Image.constScanLine(y));
        const uchar* m = mask.constScanLine(y);
        for (int x = 0; x < crop.Image.width(); ++x) {
            if (!m[x])
                continue;
            face.add(luma(line[x]));
            const int channels[3] = {qRed(line[x]), qGreen(line[x]), qBlue(line[x])};
            for (int c = 0; c < 3; ++c)
                clipped[size_t(c)] += channels[c] == 0 || channels[c] == kFullScale;
        }
    }
    const double clippedShare =
        face.n > 0 ? 100 * *std::max_element(clipped.begin(), clipped.end()) / face.n : 0;
    CheckResult light = result(CheckId::Light, face.mean(), "light_dark");
    light.Second = clippedShare;
    judge(light, Limit("light_bright"), face.mean());
    judge(light, Limit("light_clipped"), clippedShare);
    out.push_back(light);

    const double inset = Param("cheek_inset");
    const auto cheek = [&](int outer, int inner) {
        const double x0 = lm[size_t(outer)].x(), x1 = lm[size_t(inner)].x();
        const QRectF r(QPointF(x0 + (x1 - x0) * inset, lm[kNoseMiddle].y()),
                       QPointF(x1 - (x1 - x0) * inset, lm[kNoseBase].y()));
        return lumaStats(crop.Image, crop.map(r.normalized())).mean();
    };
    const double left = cheek(kCheekLeft, kNoseLeft), right = cheek(kCheekRight, kNoseRight);
    const double brighter = std::max(left, right);
    CheckResult balance =
        result(CheckId::LightBalance, brighter > 0 ? std::min(left, right) / brighter : 1,
               "light_balance");
    if (balance.Mark != CheckMark::Passes)
        balance.Side = left < right ? -1 : 1; // the darker side as seen
    out.push_back(balance);
}

// Laplacian variance over luma variance of the inner face (eyes to lower lip), x1000: blur
// lowers the first, not the second; light and contrast change both alike.
double sharpness(const FaceCrop& crop, const std::array<QPointF, 68>& lm) {
    const QRectF inner(QPointF(lm[kEyeLeft].x(), bounds(lm, kBrowFirst, kBrowLast).top()),
                       QPointF(lm[kEyeRight + 3].x(), lm[kLowerLip].y()));
    const QRect r = crop.map(inner.normalized())
                        .toAlignedRect()
                        .intersected(crop.Image.rect().adjusted(1, 1, -1, -1));
    Stats lap, value;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const auto* up = reinterpret_cast<const QRgb*>(crop.Image.constScanLine(y - 1));
        const auto* line = reinterpret_cast<const QRgb*>(crop.Image.constScanLine(y));
        const auto* down = reinterpret_cast<const QRgb*>(crop.Image.constScanLine(y + 1));
        for (int x = r.left(); x <= r.right(); ++x) {
            const double c = luma(line[x]);
            value.add(c);
            lap.add(luma(up[x]) + luma(down[x]) + luma(line[x - 1]) + luma(line[x + 1]) - 4 * c);
        }
    }
    constexpr double kScore = 1000;
    return value.variance() > 0 ? kScore * lap.variance() / value.variance() : 0;
}

// Saturated pixels around each eye, as a share of the region; the larger of the two.
double glare(const FaceCrop& crop, const std::array<QPointF, 68>& lm) {
    double worst = 0;
    for (const int first : {kEyeLeft, kEyeRight}) {
        const QRectF eye = bounds(lm, first, first + 5);
        const double margin = Param("eye_margin") * eye.width();
        const QRect r = crop.map(eye.adjusted(-margin, -margin, margin, margin))
                            .toAlignedRect()
                            .intersected(crop.Image.rect());
        double bright = 0, all = 0;
        for (int y = r.top(); y <= r.bottom(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(crop.Image.constScanLine(y));
            for (int x = r.left(); x <= r.right(); ++x) {
                bright += luma(line[x]) >= Param("glare_level");
                all += 1;
            }
        }
        worst = std::max(worst, all > 0 ? 100 * bright / all : 0.0);
    }
    return worst;
}

// The value below which the given share of values lies (values reordered); not empty.
double share(std::vector<double>& values, double part) {
    const auto at = values.begin() + std::ptrdiff_t(double(values.size() - 1) * part);
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

// The wall: what the frame shows outside the person's outline, and the strips just outside
// that outline beside the head from the eyes to the chin, where the person's shadow falls.
// Worked out on a small copy, since a spread and a mean need no more.
struct Wall {
    double Spread = 0; // the largest of the three channels' standard deviations
    double Light = 0;  // mean luma
    double Shadow = 0; // % a strip beside the head is darker than the wall, the worse one
    bool Seen = false; // the frame shows enough wall to judge
};

Wall wall(const QImage& picture, const QRectF& frame, const std::array<QPointF, 68>& lm,
          const QPointF& crown) {
    const PersonOutline outline =
        OutlineOfPerson(picture, frame.toAlignedRect(), {lm, crown},
                        int(Param("wall_outline_side")), int(Param("wall_outline_rounds")));
    Wall w;
    if (outline.Person.isNull())
        return w;
    const auto toCopy = [&](const QPointF& p) {
        return (p - outline.Area.topLeft()) * outline.Scale;
    };
    const QRect inFrame = QRectF(toCopy(frame.topLeft()), toCopy(frame.bottomRight()))
                              .toAlignedRect()
                              .intersected(outline.Picture.rect());
    // Distances from the outline, in face widths: the strands and the cut's error next to it
    // are skipped; the shadow strip lies beyond them, the wall judged for its evenness beyond
    // that.
    const QRectF face = bounds(lm, kJawFirst, kJawLast);
    const double faceWidth = face.width() * outline.Scale;
    const cv::Mat person(outline.Person.height(), outline.Person.width(), CV_8UC1,
                         const_cast<uchar*>(outline.Person.constBits()),
                         size_t(outline.Person.bytesPerLine()));
    const auto grown = [&](double faceWidths) {
        const int r = std::max(1, int(std::lround(faceWidths * faceWidth)));
        cv::Mat out;
        cv::dilate(person, out,
                   cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(2 * r + 1, 2 * r + 1)));
        return out;
    };
    const cv::Mat near = grown(Param("wall_margin"));
    const cv::Mat far = grown(Param("wall_margin") + Param("wall_band"));
    const double top = toCopy((lm[kEyeLeft] + lm[kEyeRight + 3]) / 2).y();
    const double bottom = toCopy(lm[kChin]).y();
    const double middle = toCopy(face.center()).x();
    // Red, green, blue and luma, beyond the strips and within them.
    std::array<Stats, 4> beyond, within;
    std::array<std::vector<double>, 2> lumas; // beyond, within
    std::array<std::vector<double>, 2> strips;
    // Down to the chin: below it clothes meet the wall in shapes the cut knows least (its
    // sure wall lies beside the head), and the wall there is behind the shoulders anyway.
    const int last = std::min(inFrame.bottom(), int(bottom));
    for (int y = inFrame.top(); y <= last; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(outline.Picture.constScanLine(y));
        const uchar* n = near.ptr<uchar>(y);
        const uchar* f = far.ptr<uchar>(y);
        for (int x = inFrame.left(); x <= inFrame.right(); ++x) {
            if (n[x])
                continue;
            const QRgb px = line[x];
            std::array<Stats, 4>& s = f[x] ? within : beyond;
            s[0].add(qRed(px));
            s[1].add(qGreen(px));
            s[2].add(qBlue(px));
            s[3].add(luma(px));
            lumas[f[x] ? 1 : 0].push_back(luma(px));
            if (f[x] && y >= top)
                strips[x < middle ? 0 : 1].push_back(luma(px));
        }
    }
    // A frame too tight to show the wall beyond the strips is judged on what it shows.
    const double enough = Param("wall_min_pixels");
    std::array<Stats, 4> seen = beyond;
    if (beyond[3].n < enough) {
        for (size_t i = 0; i < seen.size(); ++i)
            seen[i] += within[i];
        lumas[0].insert(lumas[0].end(), lumas[1].begin(), lumas[1].end());
    }
    if (seen[3].n < enough)
        return w;
    w.Seen = true;
    for (size_t i = 0; i < 3; ++i)
        w.Spread = std::max(w.Spread, std::sqrt(seen[i].variance()));
    w.Light = seen[3].mean();
    // The strips against the wall's median: a shadow reaching beyond them darkens the wall's
    // mean, not its middle.
    const double wallMiddle = share(lumas[0], 0.5);
    for (std::vector<double>& strip : strips) {
        if (double(strip.size()) < enough || !(wallMiddle > 0))
            continue;
        // A low share, not the darkest pixel: a strand the cut left outside the outline is no
        // shadow, while a shadow darkens a long stretch of the strip, if not all of it.
        const double dark = share(strip, Param("wall_shadow_share"));
        w.Shadow = std::max(w.Shadow, 100 * (wallMiddle - dark) / wallMiddle);
    }
    return w;
}

double degrees(double radians) {
    return radians * 180 / std::numbers::pi;
}

} // namespace

const char* CheckKey(CheckId id) {
    return kKeys[int(id)];
}

CheckMark CheckLimit::Mark(double value) const {
    const double v = Kind == LimitKind::Max ? std::abs(value) : value;
    const auto beyond = [this, v](double limit) {
        return Kind == LimitKind::Max ? v > limit : v < limit;
    };
    return beyond(Fail) ? CheckMark::Fails : beyond(Look) ? CheckMark::LookAtIt : CheckMark::Passes;
}

const std::vector<CheckLimit>& CheckLimits() {
    static const std::vector<CheckLimit> rows = parseLimits();
    return rows;
}

const CheckLimit& Limit(const char* key) {
    for (const CheckLimit& row : CheckLimits())
        if (row.Key == QLatin1String(key))
            return row;
    throw std::logic_error(std::string("no threshold row ") + key);
}

double Param(const char* key) {
    return Limit(key).Look;
}

const std::vector<ModelPoint>& GenericFaceModel() {
    // Rounded measures of an average adult face (eye corners, nose and chin heights, widths
    // and depths): the pose only needs the shape to be about right. The mouth is left out, as
    // a smile moves its corners.
    static const std::vector<ModelPoint> model = {
        {30, 0, 0, 0},      {27, 0, 38, -22},   {33, 0, -9, -14},  {8, 0, -74, -24},
        {36, -45, 34, -38}, {39, -17, 34, -30}, {42, 17, 34, -30}, {45, 45, 34, -38},
        {31, -15, -5, -16}, {35, 15, -5, -16},
    };
    return model;
}

std::optional<HeadPose> EstimatePose(const std::array<QPointF, 68>& landmarks,
                                     const QSizeF& picture) {
    std::vector<cv::Point3d> object;
    std::vector<cv::Point2d> image;
    for (const ModelPoint& m : GenericFaceModel()) {
        // Camera axes: x right, y down, z away from the camera.
        object.emplace_back(m.X, -m.Y, -m.Z);
        image.emplace_back(landmarks[size_t(m.Landmark)].x(), landmarks[size_t(m.Landmark)].y());
    }
    const double focal = Param("pose_focal") * std::max(picture.width(), picture.height());
    const cv::Matx33d camera(focal, 0, picture.width() / 2, 0, focal, picture.height() / 2, 0, 0,
                             1);
    // Start from a frontal face at the distance its eye span gives.
    const double span = distance(landmarks[kEyeLeft], landmarks[kEyeRight + 3]);
    if (!(span > 0))
        return std::nullopt;
    const double eyeSpanMm = GenericFaceModel()[7].X - GenericFaceModel()[4].X;
    const double z = focal * eyeSpanMm / span;
    const QPointF nose = landmarks[30];
    cv::Vec3d rvec(0, 0, 0);
    cv::Vec3d tvec((nose.x() - picture.width() / 2) * z / focal,
                   (nose.y() - picture.height() / 2) * z / focal, z);
    try {
        if (!cv::solvePnP(object, image, camera, cv::noArray(), rvec, tvec, true,
                          cv::SOLVEPNP_ITERATIVE))
            return std::nullopt;
    } catch (const cv::Exception&) {
        return std::nullopt;
    }
    cv::Matx33d rotation;
    cv::Rodrigues(rvec, rotation);
    // Where the face looks, against the line from the face to the camera: a face looking
    // into the lens from off the picture's centre is frontal, though turned to the axis.
    const cv::Vec3d forward = rotation * cv::Vec3d(0, 0, -1);
    const cv::Vec3d sight = -tvec;
    const auto yaw = [](const cv::Vec3d& v) { return std::atan2(v[0], -v[2]); };
    const auto pitch = [](const cv::Vec3d& v) { return std::atan2(-v[1], std::hypot(v[0], v[2])); };
    return HeadPose{degrees(yaw(forward) - yaw(sight)), degrees(pitch(forward) - pitch(sight))};
}

std::vector<CheckResult> WithBackgroundOf(std::vector<CheckResult> results,
                                          const std::vector<CheckResult>& replaced) {
    for (CheckResult& r : results)
        if (r.Id == CheckId::BackgroundEven || r.Id == CheckId::BackgroundShadow ||
            r.Id == CheckId::BackgroundLight)
            for (const CheckResult& b : replaced)
                if (b.Id == r.Id)
                    r = b;
    return results;
}

std::vector<CheckResult> RunChecks(const CheckInput& input) {
    const std::array<QPointF, 68>& lm = input.Landmarks;
    const QImage& picture = input.Picture;
    const QRectF frame = input.Frame.isEmpty() ? QRectF(picture.rect()) : input.Frame;
    std::vector<CheckResult> out;

    const QPointF eyeLeft = bounds(lm, kEyeLeft, kEyeLeft + 5).center();
    const QPointF eyeRight = bounds(lm, kEyeRight, kEyeRight + 5).center();
    const QPointF eyeLine = eyeRight - eyeLeft;
    out.push_back(result(CheckId::Roll,
                         degrees(std::atan2(eyeLine.y(), eyeLine.x())) + input.FrameAngle, "roll"));
    const std::optional<HeadPose> pose = EstimatePose(lm, picture.size());
    out.push_back(result(CheckId::Yaw, pose ? pose->Yaw : 0, "yaw"));
    out.push_back(result(CheckId::Pitch, pose ? pose->Pitch : 0, "pitch"));

    const double left = eyeAspect(lm, kEyeLeft), right = eyeAspect(lm, kEyeRight);
    CheckResult eyes = result(CheckId::EyesOpen, std::min(left, right), "eyes_open");
    eyes.Value = left;
    eyes.Second = right;
    out.push_back(eyes);

    const double faceHeight = distance((eyeLeft + eyeRight) / 2, lm[kChin]);
    const double gap =
        (distance(lm[61], lm[67]) + distance(lm[62], lm[66]) + distance(lm[63], lm[65])) / 3;
    out.push_back(
        result(CheckId::MouthClosed, faceHeight > 0 ? gap / faceHeight : 0, "mouth_closed"));

    const FaceCrop crop = faceCrop(picture, lm);
    lightChecks(crop, lm, out);
    out.push_back(result(CheckId::Sharpness, sharpness(crop, lm), "sharpness"));

    const Wall w = wall(picture, frame, lm,
                        input.Crown.value_or(ProportionalCrown(
                            HeadPoints{eyeLeft, eyeRight, lm[kChin], {}, false, false})));
    // No wall in the frame: nothing to find uneven, shadowed or too dark, and nothing to show.
    for (const auto& [id, value, key] :
         {std::tuple{CheckId::BackgroundEven, w.Spread, "background_even"},
          {CheckId::BackgroundShadow, w.Shadow, "background_shadow"},
          {CheckId::BackgroundLight, w.Light, "background_light"}})
        out.push_back(w.Seen ? result(id, value, key)
                             : CheckResult{id, 0, 0, CheckMark::Passes, 0, &Limit(key), false});

    const double ppi = input.PhotoMm.width() > 0
                           ? frame.width() * input.PixelScale / (input.PhotoMm.width() / kMmPerInch)
                           : 0;
    out.push_back(result(CheckId::Resolution, ppi, "resolution"));
    out.push_back(result(CheckId::Glare, glare(crop, lm), "glare"));
    return out;
}

QString FailedChecks(const std::vector<CheckResult>& results) {
    QStringList names;
    for (const CheckResult& r : results)
        if (r.Mark == CheckMark::Fails)
            names << QLatin1String(CheckKey(r.Id));
    return names.join(QLatin1Char(','));
}

bool AnyFailed(const std::vector<CheckResult>& results) {
    return std::any_of(results.begin(), results.end(),
                       [](const CheckResult& r) { return r.Mark == CheckMark::Fails; });
}

QString CheckLines(const std::vector<CheckResult>& results) {
    QString text;
    const auto line = [&text](const QString& key, const QString& value) {
        text += key + QStringLiteral(": ") + value + QLatin1Char('\n');
    };
    for (const CheckResult& r : results) {
        line(CheckLineKey(r.Id), CheckValueText(r));
        if (r.Id == CheckId::Light) {
            const CheckLimit& clipped = Limit("light_clipped");
            line(QStringLiteral("light_clipped_percent"),
                 QStringLiteral("%1 (max %2)")
                     .arg(QString::number(r.Second, 'f', CheckDecimals(clipped)),
                          QString::number(clipped.Fail)));
        }
    }
    line(QStringLiteral("checks_failed"), FailedChecks(results));
    return text;
}

QString ChecksLogLine(const std::vector<CheckResult>& results) {
    QStringList failed, look;
    for (const CheckResult& r : results)
        if (r.Mark != CheckMark::Passes)
            (r.Mark == CheckMark::Fails ? failed : look) << QLatin1String(CheckKey(r.Id));
    QStringList parts;
    if (!failed.isEmpty())
        parts << QStringLiteral("failed ") + failed.join(QStringLiteral(", "));
    if (!look.isEmpty())
        parts << QStringLiteral("look at ") + look.join(QStringLiteral(", "));
    return QStringLiteral("Checks : ") +
           (parts.isEmpty() ? QStringLiteral("all pass") : parts.join(QStringLiteral("; ")));
}

QString CheckLineKey(CheckId id) {
    const QString key = QLatin1String(CheckKey(id));
    // Measures in a unit of their own carry it in the key; scores, ratios and yes or no do not.
    switch (id) {
    case CheckId::Roll:
    case CheckId::Yaw:
    case CheckId::Pitch:
        return key + QStringLiteral("_degrees");
    case CheckId::BackgroundShadow:
    case CheckId::Glare:
        return key + QStringLiteral("_percent");
    case CheckId::Resolution:
        return key + QStringLiteral("_ppi");
    default:
        return key;
    }
}

int CheckDecimals(const CheckLimit& limit) {
    return limit.Unit == QLatin1String("degrees") || limit.Unit == QLatin1String("%") ? 1
           : limit.Unit == QLatin1String("ratio")                                     ? 2
                                                                                      : 0;
}

QString CheckValueText(const CheckResult& r) {
    const CheckLimit& limit = *r.Limit;
    const auto number = [&limit](double v) {
        return QString::number(v, 'f', CheckDecimals(limit));
    };
    const QString yes = r.Mark == CheckMark::Fails ? QStringLiteral("no") : QStringLiteral("yes");
    if (!r.Measured)
        return QStringLiteral("not measured (no wall in view)");
    QString text;
    switch (r.Id) {
    case CheckId::EyesOpen:
        text = QStringLiteral("%1 (%2, %3)").arg(yes, number(r.Value), number(r.Second));
        break;
    case CheckId::MouthClosed:
        text = QStringLiteral("%1 (%2)").arg(yes, number(r.Value));
        break;
    case CheckId::Light:
        text = QStringLiteral("%1 (min %2, max %3)")
                   .arg(number(r.Value), QString::number(Limit("light_dark").Fail),
                        QString::number(Limit("light_bright").Fail));
        break;
    default:
        text =
            QStringLiteral("%1 (%2 %3)")
                .arg(number(r.Value),
                     limit.Kind == LimitKind::Min ? QStringLiteral("min") : QStringLiteral("max"),
                     QString::number(limit.Fail));
    }
    if (r.Mark == CheckMark::LookAtIt)
        text += QStringLiteral(", look at it");
    return text;
}
