#include "picture/U_FaceFinder.h"

#include <dlib/image_processing.h>
#include <dlib/image_processing/frontal_face_detector.h>
#include <dlib/image_transforms/interpolation.h>
#include <dlib/revision.h>

#include "picture/U_ModelCache.h"
#include "picture/U_ModelFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <future>
#include <mutex>
#include <numbers>
#include <optional>
#include <sstream>
#include <thread>
#include <vector>

namespace {

using GreyImage = dlib::array2d<unsigned char>;

// The detector's window: the side of the boxes it reports on the level they were found on.
// Its pyramid makes each level 5/6 of the one before. Without the finest level it finds the
// faces from 73 * (6/5)^2 px (a face on the first level searched may be better seen on the
// one left out), about 105 px of the search copy, an eighth of a portrait's long side, with
// 30 % less work.
constexpr long kWindowSide = 73;
constexpr long kWindowSlack = 2;
constexpr unsigned kSkippedLevels = 1;
// Upright faces are far more common than heads leaning past the detector's own reach (about
// 30 degrees), so the larger copy comes before the turned copies.
constexpr double kRetryAngles[] = {15.0, -15.0};
// The predictor was trained on faces of a few hundred pixels; far larger ones gain nothing
// but the noise of single sensor pixels, and tiny ones place points between pixels better
// once enlarged. Face box sides for the landmark pass are kept within these.
constexpr double kLandmarkFaceMin = 160;
constexpr double kLandmarkFaceMax = 600;
// The predictor starts from an upright face: a face leaning further than this from the angle
// it was placed at has its points placed again with the face turned upright.
constexpr double kLevelTilt = 8;
// The detector's own threshold (0) lets through round badges and patterned cloth as faces
// with scores up to about 0.35; faces that the landmarks can be trusted on score well above.
constexpr double kMinConfidence = 0.5;
// Below this the box may sit askew on a leaning face: the turned copies are searched as well
// and the surest sighting kept.
constexpr double kSureConfidence = 0.75;
// Room around the face box kept for the landmark pass, as a share of the box side: enough
// for the box turned by any angle (half its diagonal) and for a chin below it.
constexpr double kLandmarkMargin = 0.5;

// The 68-point layout's indices.
constexpr int kRightJaw = 0; // picture-left side of the face
constexpr int kLeftJaw = 16;
constexpr int kChin = 8;
constexpr int kNoseTip = 30;
constexpr int kEyeLeftFirst = 36; // six points each
constexpr int kEyeRightFirst = 42;

unsigned char Luma(QRgb pixel) {
    return static_cast<unsigned char>(
        (77 * qRed(pixel) + 150 * qGreen(pixel) + 29 * qBlue(pixel)) >> 8);
}

// The grey of picture's area rect averaged into a size-pixel image (size no larger than rect),
// in one pass over the source rows.
GreyImage GreyAveraged(const QImage& picture, const QRect& rect, QSize size) {
    const int w = rect.width();
    const int h = rect.height();
    // Source columns first[c] .. first[c + 1] - 1 make up column c.
    std::vector<int> first(static_cast<size_t>(size.width()) + 1, w);
    for (int x = w - 1; x >= 0; --x)
        first[size_t(int64_t(x) * size.width() / w)] = x;
    GreyImage grey(size.height(), size.width());
    std::vector<uint32_t> sum(static_cast<size_t>(size.width()));
    int y = 0;
    for (int row = 0; row < size.height(); ++row) {
        std::fill(sum.begin(), sum.end(), 0u);
        int rows = 0;
        for (; y < h && int(int64_t(y) * size.height() / h) == row; ++y, ++rows) {
            const auto* line =
                reinterpret_cast<const QRgb*>(picture.constScanLine(rect.y() + y)) + rect.x();
            for (size_t c = 0; c < sum.size(); ++c) {
                uint32_t run = 0;
                for (int x = first[c]; x < first[c + 1]; ++x)
                    run += Luma(line[x]);
                sum[c] += run;
            }
        }
        for (int x = 0; x < size.width(); ++x) {
            const uint32_t n =
                uint32_t(std::max(1, rows * (first[size_t(x) + 1] - first[size_t(x)])));
            grey[row][x] = static_cast<unsigned char>((sum[size_t(x)] + n / 2) / n);
        }
    }
    return grey;
}

// The whole picture at longSide pixels on its long side: averaged down, or smoothly enlarged.
GreyImage GreyCopy(const QImage& picture, int longSide, double& scale) {
    scale = double(longSide) / std::max(picture.width(), picture.height());
    const QSize size(std::max(1, int(std::lround(picture.width() * scale))),
                     std::max(1, int(std::lround(picture.height() * scale))));
    if (scale <= 1)
        return GreyAveraged(picture, picture.rect(), size);
    const QImage larger = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_RGB32);
    return GreyAveraged(larger, larger.rect(), size);
}

// Turned copies are interpolated linearly: the library's default (quadratic) overshoots below
// 0 and above 255 at sharp edges and converts that out of range into its 8-bit pixels.
const dlib::interpolate_bilinear kInterpolation;

double Radians(double degrees) {
    return degrees * std::numbers::pi / 180;
}

QPointF ToQt(const dlib::dpoint& p) {
    return {p.x(), p.y()};
}

// A point of a copy scaled by scale back in the picture, pixel centres matched.
QPointF Unscaled(const QPointF& p, double scale) {
    return {(p.x() + 0.5) / scale - 0.5, (p.y() + 0.5) / scale - 0.5};
}

// A face the detector saw, in the picture's pixels: the middle and side of its box, and the
// angle the copy was turned by to see it (about the face's own tilt).
struct Sighting {
    QPointF centre;
    double side = 0;
    QRectF box;
    double confidence = 0;
    int count = 0;
    double angle = 0;
};

using Pyramid = dlib::pyramid_down<6>;

// The levels of the detector's pyramid on an image of this size, counted as the library
// counts them.
unsigned PyramidLevels(const dlib::frontal_face_detector& detector, dlib::rectangle rect) {
    const auto& scanner = detector.get_scanner();
    unsigned levels = 0;
    do {
        rect = Pyramid().rect_down(rect);
        ++levels;
    } while (rect.width() >= long(scanner.get_min_pyramid_layer_width()) &&
             rect.height() >= long(scanner.get_min_pyramid_layer_height()) &&
             levels < scanner.get_max_pyramid_levels());
    return levels;
}

// A box found on an image `skipped` levels down the pyramid, as the search of the whole
// pyramid reports it: the library rounds a box to whole pixels once, on its way up from the
// level it was found on. That level and its box are recovered from the detector's window
// size; none when they cannot be told for sure.
std::optional<std::pair<dlib::rectangle, unsigned>> WholePyramidBox(const dlib::rectangle& box,
                                                                    unsigned skipped) {
    const Pyramid pyramid;
    for (unsigned level = 0; level < 64; ++level) {
        const dlib::rectangle found(pyramid.rect_down(dlib::drectangle(box), level));
        if (found.width() < kWindowSide - kWindowSlack)
            break;
        if (found.width() <= kWindowSide + kWindowSlack &&
            dlib::rectangle(pyramid.rect_up(dlib::drectangle(found), level)) == box)
            return std::pair{
                dlib::rectangle(pyramid.rect_up(dlib::drectangle(found), level + skipped)),
                level + skipped};
    }
    return std::nullopt;
}

// Looks for faces on the detection copy turned by angle degrees; describes the largest.
// skipped: the finest levels of the detector's pyramid left out, which hold the small faces
// and most of the work. The rest are the same pixels as in the whole pyramid, with the same
// boxes and scores; a face found there is taken only when the levels either side of its own
// were searched too (the finest left and the coarsest may differ by rounding), else none.
bool Search(dlib::frontal_face_detector& detector, const GreyImage& copy, double scale,
            double angle, Sighting& sighting, unsigned skipped = 0) {
    GreyImage turned;
    dlib::point_transform_affine toCopy;
    if (angle != 0)
        toCopy = dlib::inv(dlib::rotate_image(copy, turned, Radians(angle), kInterpolation));
    const GreyImage* searched = angle != 0 ? &turned : &copy;
    const unsigned levels = skipped > 0 ? PyramidLevels(detector, dlib::get_rect(*searched)) : 0;
    GreyImage level;
    for (unsigned i = 0; i < skipped; ++i) {
        GreyImage down;
        Pyramid()(*searched, down);
        level.swap(down);
        searched = &level;
    }
    std::vector<dlib::rect_detection> found;
    detector(*searched, found);
    std::erase_if(found, [](const auto& f) { return f.detection_confidence < kMinConfidence; });
    if (found.empty())
        return false;
    auto largest = *std::max_element(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.rect.area() < b.rect.area();
    });
    if (skipped > 0) {
        const auto whole = WholePyramidBox(largest.rect, skipped);
        if (!whole || whole->second < skipped + 1 || whole->second + 2 >= levels)
            return false;
        largest.rect = whole->first;
    }
    const auto toPicture = [&](const dlib::dpoint& p) { return Unscaled(ToQt(toCopy(p)), scale); };
    sighting.centre = toPicture(dlib::dcenter(largest.rect));
    sighting.side = largest.rect.width() / scale;
    sighting.box = QRectF(toPicture(dlib::dpoint(largest.rect.tl_corner())),
                          toPicture(dlib::dpoint(largest.rect.br_corner())))
                       .normalized();
    sighting.confidence = largest.detection_confidence;
    sighting.count = int(found.size());
    sighting.angle = angle;
    return true;
}

// The landmark model with the parts the library's helpers take in its own types.
struct Predictor {
    LandmarkView model;
    dlib::matrix<float, 0, 1> mean;
    std::vector<std::vector<unsigned long>> anchors;
    std::vector<std::vector<dlib::vector<float, 2>>> deltas;

    void prepare() {
        mean.set_size(long(model.meanShape.size()));
        for (size_t i = 0; i < model.meanShape.size(); ++i)
            mean(long(i)) = model.meanShape[i];
        anchors.clear();
        deltas.clear();
        for (const LandmarkView::Stage& stage : model.stages) {
            anchors.emplace_back(stage.anchors.begin(), stage.anchors.end());
            auto& d = deltas.emplace_back(stage.anchors.size());
            for (size_t i = 0; i < d.size(); ++i)
                d[i] = dlib::vector<float, 2>(stage.deltas[2 * i], stage.deltas[2 * i + 1]);
        }
    }

    // The cascade run on the face in box, as the library's predictor runs it, but with the
    // points kept to a fraction of a pixel.
    std::vector<dlib::dpoint> operator()(const GreyImage& image, const dlib::rectangle& box) const {
        dlib::matrix<float, 0, 1> shape = mean;
        const size_t width = size_t(mean.size());
        std::vector<float> features;
        for (size_t s = 0; s < model.stages.size(); ++s) {
            const LandmarkView::Stage& stage = model.stages[s];
            dlib::impl::extract_feature_pixel_values(image, box, shape, mean, anchors[s], deltas[s],
                                                     features);
            const size_t splits = size_t(stage.splits);
            for (size_t t = 0; t < size_t(stage.trees); ++t) {
                const std::uint32_t* pixels = stage.pixels.data() + 2 * t * splits;
                const float* thresholds = stage.thresholds.data() + t * splits;
                size_t i = 0;
                while (i < splits)
                    i = features[pixels[2 * i]] - features[pixels[2 * i + 1]] > thresholds[i]
                            ? 2 * i + 1
                            : 2 * i + 2;
                const float* leaf = stage.leaves.data() + (t * (splits + 1) + i - splits) * width;
                for (size_t k = 0; k < width; ++k)
                    shape(long(k)) += leaf[k];
            }
        }
        const dlib::point_transform_affine toImage = dlib::impl::unnormalizing_tform(box);
        std::vector<dlib::dpoint> points(width / 2);
        for (size_t i = 0; i < points.size(); ++i)
            points[i] = toImage(dlib::impl::location(shape, unsigned(i)));
        return points;
    }
};

// The 68 points of the sighted face, placed on the picture's own pixels around it turned
// upright by angle degrees. Far larger faces are averaged down and small ones enlarged
// smoothly to sizes the predictor was trained on.
std::array<QPointF, 68> Landmarks(const Predictor& predictor, const QImage& picture,
                                  const Sighting& s, double angle) {
    const double reach = s.side * (0.5 + kLandmarkMargin);
    const QRect area = QRectF(s.centre.x() - reach, s.centre.y() - reach, 2 * reach, 2 * reach)
                           .toAlignedRect()
                           .intersected(picture.rect());
    const double factor = std::clamp(1.0, kLandmarkFaceMin / s.side, kLandmarkFaceMax / s.side);
    const QSize size(std::max(1, int(std::lround(area.width() * factor))),
                     std::max(1, int(std::lround(area.height() * factor))));
    GreyImage crop;
    if (factor <= 1) {
        crop = GreyAveraged(picture, area, size);
    } else {
        const QImage larger =
            picture.copy(area).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        crop = GreyAveraged(larger, larger.rect(), size);
    }
    const double sx = double(size.width()) / area.width();
    const double sy = double(size.height()) / area.height();
    GreyImage image;
    dlib::point_transform_affine turn;
    if (angle != 0)
        turn = dlib::rotate_image(crop, image, Radians(angle), kInterpolation);
    else
        image.swap(crop);
    const dlib::dpoint c((s.centre.x() - area.x() + 0.5) * sx - 0.5,
                         (s.centre.y() - area.y() + 0.5) * sy - 0.5);
    const dlib::rectangle box = dlib::centered_rect(
        dlib::point(turn(c)), long(std::lround(s.side * sx)), long(std::lround(s.side * sy)));
    const std::vector<dlib::dpoint> shape = predictor(image, box);
    const dlib::point_transform_affine back = dlib::inv(turn);
    std::array<QPointF, 68> points;
    for (size_t i = 0; i < points.size() && i < shape.size(); ++i) {
        const dlib::dpoint q = back(shape[i]);
        points[i] =
            QPointF(area.x() + (q.x() + 0.5) / sx - 0.5, area.y() + (q.y() + 0.5) / sy - 0.5);
    }
    return points;
}

QPointF Mean(const std::array<QPointF, 68>& points, int first, int count) {
    QPointF sum;
    for (int i = first; i < first + count; ++i)
        sum += points[size_t(i)];
    return sum / count;
}

void Describe(FaceResult& r) {
    r.eyeLeft = Mean(r.landmarks, kEyeLeftFirst, 6);
    r.eyeRight = Mean(r.landmarks, kEyeRightFirst, 6);
    r.chin = r.landmarks[kChin];
    const QPointF eyeLine = r.eyeRight - r.eyeLeft;
    r.tilt = std::atan2(eyeLine.y(), eyeLine.x()) * 180 / std::numbers::pi;
    // Turned faces show the nose tip nearer one side of the face, measured along the eye line.
    const double length = std::hypot(eyeLine.x(), eyeLine.y());
    if (length > 0) {
        const QPointF u = eyeLine / length;
        const QPointF nose = r.landmarks[kNoseTip];
        const double toLeft = QPointF::dotProduct(nose - r.landmarks[kRightJaw], u);
        const double toRight = QPointF::dotProduct(r.landmarks[kLeftJaw] - nose, u);
        if (toLeft + toRight > 0)
            r.turn = (toLeft - toRight) / (toLeft + toRight);
    }
    r.turned = std::abs(r.turn) > kTurnedLimit;
}

// The detector in the library's serial form, after a tag naming the library's version: a
// cached detector of another version is unpacked again from the library.
const QByteArray kDetectorTag = QByteArrayLiteral("dlib frontal face detector ") +
                                QByteArray::number(DLIB_MAJOR_VERSION) + '.' +
                                QByteArray::number(DLIB_MINOR_VERSION) + '.' +
                                QByteArray::number(DLIB_PATCH_VERSION) + '\n';

QByteArray PackDetector(const dlib::frontal_face_detector& detector) {
    std::ostringstream out;
    out.write(kDetectorTag.constData(), kDetectorTag.size());
    dlib::serialize(detector, out);
    return QByteArray::fromStdString(out.str());
}

bool UnpackDetector(const QByteArray& bytes, dlib::frontal_face_detector& detector) {
    if (!bytes.startsWith(kDetectorTag))
        return false;
    std::istringstream in(bytes.mid(kDetectorTag.size()).toStdString());
    try {
        dlib::deserialize(detector, in);
    } catch (...) {
        return false;
    }
    return in.peek() == std::char_traits<char>::eof();
}

FaceResult Missed(FaceMiss miss, QString reason) {
    FaceResult r;
    r.miss = miss;
    r.reason = std::move(reason);
    return r;
}

} // namespace

struct FaceModel::Impl {
    enum class State { Idle, Loading, Ready, Failed };

    QString file;
    dlib::frontal_face_detector detector;
    Predictor predictor;
    std::thread loader;
    mutable std::mutex lock;
    mutable std::condition_variable ended;
    State state = State::Idle;
    QString status;
    std::atomic<double> progress{0};
    QString cacheFolder = DefaultCacheFolder();
    bool cached = false;
    QString cacheTo; // where to cache the model read from its file, once loading has ended
    ModelStamp cacheStamp;
    bool abandonOnClose = false;
    std::atomic<bool> closing{false}; // a cache still being written is abandoned

    // Reads the models; returns what went wrong, empty when all went well. Each message is
    // one sentence with the advice in it, so that it is translated whole.
#define QM_INSTALL_MODEL "install the Debian package libdlib-data."
    QString load() {
        const auto unreadable = [this](const QString& reason) {
            return QStringLiteral(
                       "The face landmark model %1 cannot be read (%2): " QM_INSTALL_MODEL)
                .arg(file, reason);
        };
        const QFileInfo info(file);
        if (!info.isFile())
            return QStringLiteral("The face landmark model %1 is missing: " QM_INSTALL_MODEL)
                .arg(file);
        // The size first, then every declared length against the bytes behind it, so that a
        // broken file is refused before the library allocates what it claims.
        if (info.size() < kMinModelBytes || info.size() > kMaxModelBytes)
            return QStringLiteral(
                       "The face landmark model %1 is not a model file: " QM_INSTALL_MODEL)
                .arg(file);
        try {
            // The compact copies when they are the model file's as it is now; otherwise the
            // file, whose model is then cached for the next start.
            const ModelStamp stamp = StampOf(file);
            const QString cache =
                cacheFolder.isEmpty() ? QString() : ModelCachePath(cacheFolder, file);
            QByteArray packed;
            cached = !cache.isEmpty() && ReadModelCache(cache, stamp, predictor.model, packed) &&
                     UnpackDetector(packed, detector);
            if (!cached) {
                // The detector unpacks on the other core while the landmark model is read.
                std::future<void> detectorReady = std::async(
                    std::launch::async, [this] { detector = dlib::get_frontal_face_detector(); });
                QFile in(file);
                if (!in.open(QIODevice::ReadOnly))
                    return unreadable(in.errorString());
                // Exactly the size checked above, in one read.
                QByteArray bytes(qsizetype(info.size()), Qt::Uninitialized);
                auto read = std::make_shared<LandmarkModel>();
                if (in.read(bytes.data(), bytes.size()) != bytes.size() ||
                    !ReadLandmarkModel(bytes.constData(), size_t(bytes.size()), *read, &progress))
                    return QStringLiteral(
                               "The face landmark model %1 is damaged: " QM_INSTALL_MODEL)
                        .arg(file);
                predictor.model = ViewOf(std::move(read));
                detectorReady.get();
                cacheTo = cache;
                cacheStamp = stamp;
            }
            progress = 1;
            if (predictor.model.points != 68)
                return QStringLiteral("The face landmark model %1 has %2 points instead of "
                                      "68: " QM_INSTALL_MODEL)
                    .arg(file, QString::number(predictor.model.points));
            predictor.prepare();
        } catch (const std::exception& e) {
            return unreadable(QString::fromLocal8Bit(e.what()).simplified().left(200));
        } catch (...) {
            return unreadable(QStringLiteral("unknown failure"));
        }
        return {};
    }
#undef QM_INSTALL_MODEL
};

FaceModel::FaceModel(QString predictorFile, QObject* parent)
    : QObject(parent), d(std::make_unique<Impl>()) {
    d->file = std::move(predictorFile);
}

FaceModel::~FaceModel() {
    // Loading itself is always waited for; writing the cache afterwards maybe not.
    d->closing = d->abandonOnClose;
    if (d->loader.joinable())
        d->loader.join();
}

QString FaceModel::DefaultPredictorFile() {
    return QStringLiteral("/usr/share/dlib/shape_predictor_68_face_landmarks.dat");
}

void FaceModel::setCacheFolder(const QString& folder) {
    std::lock_guard guard(d->lock);
    if (d->state == Impl::State::Idle)
        d->cacheFolder = folder;
}

void FaceModel::abandonCacheWriteOnClose() {
    d->abandonOnClose = true;
}

bool FaceModel::fromCache() const {
    std::lock_guard guard(d->lock);
    return d->cached;
}

void FaceModel::startLoading() {
    std::lock_guard guard(d->lock);
    if (d->state != Impl::State::Idle)
        return;
    d->state = Impl::State::Loading;
    d->loader = std::thread([this] {
        QString problem = d->load();
        const bool ok = problem.isEmpty();
        {
            std::lock_guard done(d->lock);
            d->status = std::move(problem);
            d->state = ok ? Impl::State::Ready : Impl::State::Failed;
        }
        d->ended.notify_all();
        emit loaded(ok);
        // Only the model as read from its file, and only when the file did not change
        // meanwhile; faces are found from the model while this writes it.
        if (ok && !d->cacheTo.isEmpty() && StampOf(d->file) == d->cacheStamp)
            WriteModelCache(d->cacheTo, d->cacheStamp, d->predictor.model,
                            PackDetector(d->detector), &d->closing);
    });
}

bool FaceModel::waitUntilLoaded() const {
    std::unique_lock guard(d->lock);
    d->ended.wait(guard, [&] { return d->state != Impl::State::Loading; });
    return d->state == Impl::State::Ready;
}

bool FaceModel::ready() const {
    std::lock_guard guard(d->lock);
    return d->state == Impl::State::Ready;
}

double FaceModel::progress() const {
    return d->progress;
}

QString FaceModel::status() const {
    std::lock_guard guard(d->lock);
    return d->status;
}

FaceResult FindFace(const FaceModel& model, const QImage& picture) {
    if (!model.ready()) {
        const QString status = model.status();
        return Missed(FaceMiss::NoModel, status.isEmpty()
                                             ? QStringLiteral("The face model is not loaded yet.")
                                             : status);
    }
    if (std::min(picture.width(), picture.height()) < kMinFacePictureSide)
        return Missed(FaceMiss::TooSmall,
                      QStringLiteral("The picture is too small to find a face in (under %1 px).")
                          .arg(kMinFacePictureSide));
    const bool direct = picture.format() == QImage::Format_RGB32 ||
                        picture.format() == QImage::Format_ARGB32 ||
                        picture.format() == QImage::Format_ARGB32_Premultiplied;
    const QImage pixels = direct ? picture : picture.convertToFormat(QImage::Format_RGB32);

    // The detector keeps working state in itself, so each search has its own copy.
    dlib::frontal_face_detector detector = model.d->detector;
    Sighting sighting;
    double scale = 1;
    const GreyImage copy = GreyCopy(pixels, kFaceSearchSide, scale);
    // A portrait's face is large: sought first without the finest levels.
    bool seen = Search(detector, copy, scale, 0, sighting, kSkippedLevels) ||
                Search(detector, copy, scale, 0, sighting);
    if (!seen && std::max(pixels.width(), pixels.height()) > kFaceSearchSide) {
        double largeScale = 1;
        seen = Search(detector, GreyCopy(pixels, kLargeFaceSearchSide, largeScale), largeScale, 0,
                      sighting);
    }
    for (double angle : kRetryAngles) {
        Sighting turned;
        if ((!seen || sighting.confidence < kSureConfidence) &&
            Search(detector, copy, scale, angle, turned) &&
            (!seen || turned.confidence > sighting.confidence)) {
            sighting = turned;
            seen = true;
        }
    }
    if (!seen)
        return Missed(FaceMiss::NoFace, QStringLiteral("No face was found in the picture."));

    FaceResult r;
    r.miss = FaceMiss::None;
    r.faceCount = sighting.count;
    r.retryAngle = sighting.angle;
    r.confidence = sighting.confidence;
    r.box = sighting.box;
    double upright = sighting.angle;
    r.landmarks = Landmarks(model.d->predictor, pixels, sighting, upright);
    Describe(r);
    for (int again = 0; again < 2 && std::abs(r.tilt - upright) > kLevelTilt; ++again) {
        upright = r.tilt;
        r.landmarks = Landmarks(model.d->predictor, pixels, sighting, upright);
        Describe(r);
    }
    return r;
}
