// Faces in a real photograph whose eyes and chin were marked by hand, under the changes a
// user's picture goes through; and the pictures in which no face must be reported.
#include "picture/U_FaceFinder.h"
#include "picture/U_ModelCache.h"
#include "picture/U_ModelFile.h"
#include "tests/common/Astronaut.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTransform>

#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <span>

#include <unistd.h>

namespace {

const QColor kWall(198, 196, 200); // the backdrop beside the head

// The picture drawn through t onto a wall-coloured canvas of the given size.
QImage Drawn(const QImage& source, QSize size, const QTransform& t) {
    QImage out(size, QImage::Format_RGB32);
    out.fill(kWall);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setTransform(t);
    p.drawImage(0, 0, source);
    return out;
}

QImage Recompressed(const QImage& image, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.save(&buffer, "JPG", quality);
    return QImage::fromData(bytes, "JPG");
}

QImage Darkened(QImage image) {
    for (int y = 0; y < image.height(); ++y)
        for (QRgb& px : std::span(reinterpret_cast<QRgb*>(image.scanLine(y)), image.width()))
            px = qRgb(qRed(px) * 2 / 5, qGreen(px) * 2 / 5, qBlue(px) * 2 / 5);
    return image;
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

// One test program run for the whole table: the model takes a second or more to load.
class RealFace : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        model = new FaceModel;
        model->startLoading();
        ASSERT_TRUE(model->waitUntilLoaded()) << model->status().toStdString();
    }
    static void TearDownTestSuite() { delete model; }
    static FaceModel* model;
};
FaceModel* RealFace::model = nullptr;

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
        QImage picture = Drawn(source, size, t);
        if (c.quality)
            picture = Recompressed(picture, c.quality);
        if (c.dark)
            picture = Darkened(picture);

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
TEST_F(RealFace, BadPicturesAreToldApart) {
    const QImage source = Astronaut();
    QImage wall(800, 600, QImage::Format_RGB32);
    wall.fill(kWall);
    // Two head-and-shoulders crops side by side, the second smaller.
    const QImage bust = source.copy(112, 0, 240, 260);
    QImage twice = Drawn(bust, QSize(430, 260),
                         QTransform::fromScale(0.75, 0.75) * QTransform::fromTranslate(250, 30));
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

// The reader bounds every length by the bytes left: small files that claim huge lists are
// refused at once; the real file reads, but not cut short or with bytes after it.
TEST(LandmarkModelFile, LengthsAreBoundedByTheBytesLeft) {
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
    for (const QByteArray& bytes : {version + integer(1ULL << 60, true) + integer(1, true),
                                    version + shape + integer(1ULL << 40),
                                    version + shape + integer(1) + integer(1ULL << 33)}) {
        LandmarkModel model;
        EXPECT_LT(bytes.size(), 30);
        EXPECT_FALSE(ReadLandmarkModel(bytes.constData(), size_t(bytes.size()), model));
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
