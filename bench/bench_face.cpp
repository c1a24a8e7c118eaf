// The face search on a 24-megapixel portrait (face, landmarks, crown) against loading that
// portrait, both on one core in the same run; the counter's checks on it; the memory of the
// face model, loaded once; the model ready from its cache; and the command line's --check
// as whole processes, against djpeg and against itself.
#include "bench/BenchPortrait.h"
#include "bench/BenchUtil.h"
#include "picture/U_Checks.h"
#include "picture/U_Crown.h"
#include "picture/U_FaceFinder.h"
#include "picture/U_ModelCache.h"
#include "picture/U_PictureFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    PinToOneCore();

    // A cache of the bench's own, made by the first load; the command line's below as well.
    QTemporaryDir dir;
    const QString cache = dir.filePath(QStringLiteral("cache"));
    qputenv("XDG_CACHE_HOME", cache.toLocal8Bit());
    const double before = OwnPeakBytes();
    FaceModel model;
    model.setCacheFolder(DefaultCacheFolder());
    if (!LoadBenchModel(model))
        return 1;
    const double modelFile = double(QFileInfo(FaceModel::DefaultPredictorFile()).size());
    Report(QStringLiteral("Face model in memory, loaded once"), OwnPeakBytes() - before, modelFile,
           QStringLiteral("bytes"), QStringLiteral("the model file's size"));

    const QString file = dir.filePath(QStringLiteral("portrait24.jpg"));
    if (!SaveBenchPicture(BenchPortrait(11), file))
        return 1;
    QImage picture;
    const double load = BestSeconds([&] {
        picture = QImage();
        picture = DecodePicture(ReadPictureFile(file), file);
    });

    FaceResult face;
    const double find = BestSeconds([&] { face = FindFace(model, picture); });
    if (!face.found()) {
        std::fprintf(stderr, "no face in the benchmark portrait: %s\n", qPrintable(face.reason));
        return 1;
    }
    // The model as the first framing after a start waits for it (the files in the page
    // cache): from the cache the first load made, and from the model file alone.
    const auto ready = [](const QString& folder) {
        return BestSeconds([&] {
            FaceModel fresh;
            fresh.setCacheFolder(folder);
            fresh.startLoading();
            fresh.waitUntilLoaded();
        });
    };
    Report(QStringLiteral("Face model ready, from its cache"), ready(DefaultCacheFolder()), load,
           QStringLiteral("s"), QStringLiteral("loading that JPEG; target ratio <= 1.0"));
    Report(QStringLiteral("Face model ready, from its file (no cache)"), ready(QString()), load,
           QStringLiteral("s"), QStringLiteral("loading that JPEG"));
    Report(QStringLiteral("Face and landmarks on a 24 MP portrait"), find, load,
           QStringLiteral("s"), QStringLiteral("loading that JPEG"));
    // The whole face search: the crown, which is no landmark, is estimated after them.
    const double search = BestSeconds([&] {
        const FaceResult found = FindFace(model, picture);
        EstimateCrown(picture, HeadPoints{found.eyeLeft, found.eyeRight, found.chin, {}, false});
    });
    Report(QStringLiteral("Face, landmarks and crown on a 24 MP portrait"), search, load,
           QStringLiteral("s"), QStringLiteral("loading that JPEG; target ratio <= 1.5"));
    // The counter's checks on the portrait framed whole as a 35 x 45 mm photo.
    const CheckInput framed{picture, face.landmarks, {}, 0, QSizeF(35, 45), {}};
    const double checks = BestSeconds([&] { RunChecks(framed); });
    Report(QStringLiteral("All checks on a framed 24 MP portrait"), checks, load,
           QStringLiteral("s"), QStringLiteral("loading that JPEG; target ratio <= 0.5"));

    // --check as a user runs it, the model's cache made: on a 12-megapixel picture, and on ten.
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/quillmark");
    const QString twelve = dir.filePath(QStringLiteral("portrait12.jpg"));
    if (!SaveBenchPicture(BenchPortrait(12, QSize(3000, 4000)), twelve))
        return 1;
    QStringList ten;
    for (int i = 0; i < 10; ++i) {
        ten << dir.filePath(QStringLiteral("copy%1.jpg").arg(i));
        QFile::copy(twelve, ten.back());
    }
    const auto check = [&](const QStringList& pictures) {
        // Within or outside the norm are both answers; a missing face or file is not.
        return QStringLiteral("'%1' --check '%2' --format 21 >/dev/null; [ $? -le 1 ]")
            .arg(program, pictures.join(QStringLiteral("' '")));
    };
    const double one = CommandSeconds(check({twelve}));
    Report(QStringLiteral("--check on a 12 MP picture, whole process"), one,
           CommandSeconds(QStringLiteral("djpeg '%1' >/dev/null").arg(twelve)), QStringLiteral("s"),
           QStringLiteral("djpeg of that picture; target ratio <= 2"));
    Report(QStringLiteral("--check on ten 12 MP pictures in one call"),
           CommandSeconds(check(ten), 1), one, QStringLiteral("s"),
           QStringLiteral("one picture; target ratio <= 4"));
    return 0;
}
