// Faces in a real photograph whose eyes and chin were marked by hand, under the changes a
// user's picture goes through; and the pictures in which no face must be reported.
#include "picture/U_FaceFinder.h"
#include "picture/U_ModelCache.h"
#include "picture/U_ModelFile.h"
#include "tests/common/Astronaut.h"
#include "tests/common/FaceModelSuite.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTransform>

#include <gtest/gtest.h>

#include <dlib/image_processing/frontal_face_detector.h>

#include <cstring>
#include <functional>
#include <future>

#include <unistd.h>

namespace {

const QColor kWall(198, 196, 200); // the backdrop beside the head

QImage Recompressed(const QImage& image, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.save(&buffer, "JPG", quality);
    return QImage::fromData(bytes, "JPG");
}

struct Case {
    const char* name;
    double scale, degrees, padding; // applied in this order about the picture's origin
    bool mirror;
    int quality; // 0: no recompression
    bool dark;
};

const Case kCases[] = {
    {"as_is", 1, 0, 0, false, 0, false},           {"half", 0.5, 0, 0, false, 0, false},
    {"double", 2, 0, 0, false, 0, false},          {"eightfold", 8, 0, 0, false, 0, false},
    {"padded", 1, 0, 200, false, 0, false},        {"tilted_left", 1.5, -5, 60, false, 0, false},
    {"tilted_right", 3, 5, 0, false, 0, false},    {"mirrored", 1, 0, 0, true, 0, false},
    {"recompressed", 1.3, 0, 0, false, 25, false}, {"darkened", 1, 0, 0, false, 0, true},
    {"all_at_once", 2.5, 5, 100, true, 40, true},  {"leaning", 2, 34, 0, false, 0, false},
    {"leaning_back", 1, -36, 30, true, 0, false},  {"far_away", 4, 0, 1000, false, 0, false},
};

using RealFace = WithFaceModel;

TEST_F(RealFace, EyesAndChinWithinAMillimetreOrSo) {
    const QImage source = Astronaut();
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        QTransform t = QTransform::fromScale(c.mirror ? -c.scale : c.scale, c.scale);
        if (c.mirror)
            t *= QTransform::fromTranslate(source.width() * c.scale, 0);
        const QRectF turned = (t * QTransform().rotate(c.degrees)).mapRect(QRectF(source.rect()));
        t *= QTransform().rotate(c.degrees) *
             QTransform::fromTranslate(c.padding - turned.x(), c.padding - turned.y());
        const QSize size = (turned.size() + QSizeF(2 * c.padding, 2 * c.padding)).toSize();
        QImage picture = Drawn(source, size, t, kWall);
        if (c.quality)
            picture = Recompressed(picture, c.quality);
        if (c.dark)
            picture = Scaled(picture, 0.4);

        const FaceResult face = FindFace(*model, picture);
        EXPECT_TRUE(face.found()) << face.reason.toStdString();
        EXPECT_EQ(face.faceCount, 1);
        // A head of 34 mm on a 35 x 45 mm photo: eyes within 1 mm, chin within 1.5 mm.
        const double mm = QLineF(t.map(kChin), t.map(kCrown)).length() / 34;
        // Mirroring swaps which eye is on the picture's left.
        const QPointF eyes[] = {t.map(c.mirror ? kEyeRight : kEyeLeft),
                                t.map(c.mirror ? kEyeLeft : kEyeRight)};
        const QPointF centre(0.5, 0.5); // continuous coordinates against pixel centres
        EXPECT_LT(QLineF(face.eyeLeft + centre, eyes[0]).length(), 1.0 * mm) << face.eyeLeft.x();
        EXPECT_LT(QLineF(face.eyeRight + centre, eyes[1]).length(), 1.0 * mm) << face.eyeRight.x();
        EXPECT_LT(QLineF(face.chin + centre, t.map(kChin)).length(), 1.5 * mm) << face.chin.y();
        EXPECT_FALSE(face.turned) << face.turn;
    }
}

// Pictures that hold no single face: nothing, or the larger of two, or too few pixels.
// Without the finest level of the detector's pyramid the search must report the box that the
// library finds on the whole search copy, whichever level the face lies on. The copy is made
// here on its own: a 1600 px picture averaged two by two, in the same luma.
TEST_F(RealFace, BoxAsTheWholePyramidFindsIt) {
    dlib::frontal_face_detector detector = dlib::get_frontal_face_detector();
    // The face filling about half of the square drawn, or nearly all of it.
    const QImage half = Astronaut().copy(115, 15, 220, 220),
                 tight = Astronaut().copy(170, 70, 110, 110);
    for (const auto& [face, side] : {std::pair{half, 380},
                                     {half, 460},
                                     {half, 560},
                                     {half, 680},
                                     {half, 820},
                                     {half, 1000},
                                     {half, 1200},
                                     {half, 1450},
                                     {half, 1600},
                                     {tight, 1200},
                                     {tight, 1400},
                                     {tight, 1600}}) {
        QImage picture(1600, 1600, QImage::Format_RGB32);
        picture.fill(qRgb(200, 197, 192));
        QPainter(&picture).drawImage(QRect(1600 - side, 1600 - side, side, side), face);
        dlib::array2d<unsigned char> copy(800, 800);
        for (int y = 0; y < 800; ++y)
            for (int x = 0; x < 800; ++x) {
                int sum = 0;
                for (const QPoint d : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)}) {
                    const QRgb p = picture.pixel(2 * x + d.x(), 2 * y + d.y());
                    sum += (77 * qRed(p) + 150 * qGreen(p) + 29 * qBlue(p)) >> 8;
                }
                copy[y][x] = static_cast<unsigned char>((sum + 2) / 4);
            }
        std::vector<dlib::rect_detection> seen;
        detector(copy, seen);
        std::erase_if(seen, [](const auto& s) { return s.detection_confidence < 0.5; });
        ASSERT_FALSE(seen.empty()) << side;
        const dlib::rectangle box =
            std::max_element(seen.begin(), seen.end(), [](const auto& a, const auto& b) {
                return a.rect.area() < b.rect.area();
            })->rect;
        const FaceResult found = FindFace(*model, picture);
        ASSERT_TRUE(found.found()) << side;
        ASSERT_EQ(found.retryAngle, 0) << side;
        const auto up = [](long v) { return (v + 0.5) * 2 - 0.5; };
        EXPECT_EQ(found.box, QRectF(QPointF(up(box.left()), up(box.top())),
                                    QPointF(up(box.right()), up(box.bottom()))))
            << side << ": " << box.width();
    }
}

TEST_F(RealFace, BadPicturesAreToldApart) {
    const QImage source = Astronaut();
    QImage wall(800, 600, QImage::Format_RGB32);
    wall.fill(kWall);
    // Two head-and-shoulders crops side by side, the second smaller.
    const QImage bust = source.copy(112, 0, 240, 260);
    QImage twice =
        Drawn(bust, QSize(430, 260),
              QTransform::fromScale(0.75, 0.75) * QTransform::fromTranslate(250, 30), kWall);
    QPainter(&twice).drawImage(0, 0, bust);
    const struct {
        QImage picture;
        FaceMiss miss;
        int count;
        QPointF eyeLeft; // where the face described has it, if any: the larger's drawn as is
    } cases[] = {{wall, FaceMiss::NoFace, 0, {}},
                 {twice, FaceMiss::None, 2, kEyeLeft - QPointF(112, 0)},
                 {source.scaled(99, 99), FaceMiss::TooSmall, 0, {}}};
    // All at once, as from worker threads sharing the one model.
    std::vector<std::future<FaceResult>> faces;
    for (const auto& c : cases)
        faces.push_back(std::async(std::launch::async, FindFace, std::cref(*model), c.picture));
    for (size_t i = 0; i < faces.size(); ++i) {
        const FaceResult face = faces[i].get();
        EXPECT_EQ(face.miss, cases[i].miss) << face.reason.toStdString();
        EXPECT_EQ(face.faceCount, cases[i].count);
        EXPECT_EQ(face.reason.isEmpty(), cases[i].miss == FaceMiss::None);
        if (!cases[i].eyeLeft.isNull()) {
            EXPECT_LT(QLineF(face.eyeLeft + QPointF(0.5, 0.5), cases[i].eyeLeft).length(),
                      QLineF(kChin, kCrown).length() / 34);
        }
    }
}

// A missing or damaged model file leaves a message naming the package, never a crash.
TEST(FaceModelFile, BadFilesNameThePackage) {
    QTemporaryDir dir;
    QFile broken(dir.filePath(QStringLiteral("broken.dat")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write(QByteArray(5000, '\x7f'));
    broken.close();
    for (const QString& file : {dir.filePath(QStringLiteral("absent.dat")), broken.fileName()}) {
        FaceModel model(file);
        QSignalSpy loaded(&model, &FaceModel::loaded);
        EXPECT_EQ(FindFace(model, Astronaut()).miss, FaceMiss::NoModel);
        model.startLoading();
        EXPECT_FALSE(model.waitUntilLoaded());
        ASSERT_TRUE(loaded.count() == 1 || loaded.wait(5000));
        EXPECT_FALSE(loaded.at(0).at(0).toBool());
        EXPECT_TRUE(model.status().contains(QStringLiteral("libdlib-data")))
            << model.status().toStdString();
        EXPECT_EQ(FindFace(model, Astronaut()).miss, FaceMiss::NoModel);
    }
}

// Both readers bound every length by the bytes left: small model files that claim huge lists
// are refused at once, and so are caches whose checksum is sound but whose counts do not add
// up, or with bytes after the end; a cache of empty stages only, filling its bytes exactly,
// is sound. The real file reads, but not cut short or with bytes after it.
TEST(LandmarkModelBytes, LengthsAreBoundedAndCountsAddUp) {
    const auto integer = [](std::uint64_t v, bool negative = false) {
        QByteArray bytes(1, char(negative ? 0x80 : 0));
        do {
            bytes.append(char(v & 0xFF));
            v >>= 8;
        } while (v != 0);
        bytes[0] = char(bytes[0] | (bytes.size() - 1));
        return bytes;
    };
    const QByteArray version = integer(1);
    const QByteArray shape = integer(2, true) + integer(1, true) + integer(3) + integer(0) +
                             integer(5) + integer(1, true); // two reals: 3 and 5 / 2
    const ModelStamp stamp{"model.dat", 4321, 987654321};
    // A cache of two points and one stage of two trees, spoilt so, with extra bytes after it.
    const auto cache = [&](const std::function<void(LandmarkModel&)>& spoil, int extra = 0) {
        auto model =
            std::make_shared<LandmarkModel>(LandmarkModel{2, {0.25f, 0.5f, 0.75f, 0.5f}, {}});
        model->stages.push_back({{0, 1},
                                 {0.5f, -0.5f, 0.125f, 1},
                                 2,
                                 1,
                                 {0, 1, 1, 0},
                                 {3, -3},
                                 std::vector<float>(2 * 2 * 4, 0.0625f)});
        spoil(*model);
        return EncodeModelCache(stamp, ViewOf(model), "detector") + QByteArray(extra, 0);
    };
    const struct {
        QByteArray bytes;
        bool isCache;
        size_t stages; // as read; none when refused
    } rows[] = {
        {version + integer(1ULL << 60, true) + integer(1, true), false, 0},
        {version + shape + integer(1ULL << 40), false, 0},
        {version + shape + integer(1) + integer(1ULL << 33), false, 0},
        {cache([](LandmarkModel&) {}), true, 1},
        {cache([](LandmarkModel& m) { m.stages.assign(3, {}); }), true, 3},
        {cache([](LandmarkModel&) {}, 8), true, 0},
        {cache([](LandmarkModel& m) { m.points = 0; }), true, 0},
        {cache([](LandmarkModel& m) { m.stages[0].trees = 3; }), true, 0},
        {cache([](LandmarkModel& m) { m.meanShape.pop_back(); }), true, 0},
        {cache([](LandmarkModel& m) { m.stages[0].anchors[1] = 2; }), true, 0},
        {cache([](LandmarkModel& m) { m.stages[0].pixels[3] = 2; }), true, 0},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        const QByteArray& bytes = rows[i].bytes;
        std::vector<std::uint64_t> aligned(size_t(bytes.size() + 7) / 8); // as mapped
        std::memcpy(aligned.data(), bytes.constData(), size_t(bytes.size()));
        const char* data = reinterpret_cast<const char*>(aligned.data());
        LandmarkView view;
        QByteArray detector;
        LandmarkModel model;
        EXPECT_EQ(rows[i].isCache
                      ? DecodeModelCache(data, size_t(bytes.size()), stamp, view, detector)
                      : ReadLandmarkModel(data, size_t(bytes.size()), model),
                  rows[i].stages > 0)
            << "row " << i;
        EXPECT_EQ(view.stages.size(), rows[i].stages) << "row " << i;
        EXPECT_TRUE(rows[i].isCache || bytes.size() < 30) << "row " << i; // a small file
    }
    QFile file(FaceModel::DefaultPredictorFile());
    if (!file.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "no face model installed";
    const QByteArray real = file.readAll();
    LandmarkModel model;
    for (const QByteArray& bytes : {real.left(real.size() - 1), real + '\x01'})
        EXPECT_FALSE(ReadLandmarkModel(bytes.constData(), size_t(bytes.size()), model));
    ASSERT_TRUE(ReadLandmarkModel(real.constData(), size_t(real.size()), model));
    EXPECT_EQ(model.points, 68);
}

} // namespace

// The model's cached copy: made on the first load, used on the next, made again when the
// model file changes or the copy is cut, damaged or replaced by a link (which is not
// followed); the landmarks are the same whichever way the model was read.
TEST(LandmarkModelCache, RebuiltUnlessWholeAndCurrent) {
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("model.dat"));
    const QString folder = dir.filePath(QStringLiteral("cache"));
    const QString victim = dir.filePath(QStringLiteral("victim"));
    if (!QFile::copy(FaceModel::DefaultPredictorFile(), source))
        GTEST_SKIP() << "no face model installed";
    const QString cache = ModelCachePath(folder, source);
    const auto load = [&](bool fromCache) {
        FaceModel model(source);
        model.setCacheFolder(folder);
        model.startLoading();
        EXPECT_TRUE(model.waitUntilLoaded()) << model.status().toStdString();
        EXPECT_EQ(model.fromCache(), fromCache);
        return FindFace(model, Astronaut()).landmarks;
    };
    const auto landmarks = load(false);
    EXPECT_TRUE(QFileInfo(cache).isFile());
    EXPECT_EQ(load(true), landmarks);
    const auto damage = [&](qint64 at, const QByteArray& bytes, qint64 size) {
        QFile f(cache);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek(at < 0 ? f.size() + at : at);
        f.write(bytes);
        if (size >= 0)
            f.resize(size);
    };
    struct Step {
        const char* name;
        std::function<void()> spoil;
    } const steps[] = {
        {"source touched",
         [&] {
             QFile f(source);
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             f.setFileTime(QDateTime::currentDateTime().addSecs(-5),
                           QFileDevice::FileModificationTime);
         }},
        {"cut short", [&] { damage(0, {}, QFileInfo(cache).size() / 2); }},
        {"one byte changed", [&] { damage(-1000, "\x55", -1); }},
        {"header changed", [&] { damage(8, "\x02", -1); }},
        {"link planted",
         [&] {
             // A sound cache at the link's end: read only through the link, it would be used.
             ASSERT_TRUE(QFile::rename(cache, victim) && QFile::link(victim, cache));
             QFile f(victim);
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             f.setFileTime(QDateTime::currentDateTime().addDays(-1),
                           QFileDevice::FileModificationTime);
         }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.spoil();
        EXPECT_EQ(load(false), landmarks);
        EXPECT_FALSE(QFileInfo(cache).isSymLink());
        EXPECT_EQ(load(true), landmarks);
    }
    EXPECT_LT(QFileInfo(victim).lastModified(), QDateTime::currentDateTime().addSecs(-3600));
    // A sound cache that another user owns is not trusted (only root can make one here).
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(cache).constData(), 65534, 65534), 0);
        EXPECT_EQ(load(false), landmarks);
    }
}
