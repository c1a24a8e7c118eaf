// The face search on a 24-megapixel portrait (face, landmarks, crown) against loading that
// portrait, both on one core in the same run; the counter's checks on it; and the memory of
// the face model, loaded once.
#include "bench/BenchUtil.h"
#include "picture/U_Checks.h"
#include "picture/U_Crown.h"
#include "picture/U_FaceFinder.h"
#include "picture/U_JpegEncode.h"
#include "picture/U_PictureFile.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

namespace {

// A 4000 x 6000 portrait: the test photograph enlarged onto a wall, with the fine grain of a
// camera sensor so that the JPEG has a photo's size and detail.
QImage Portrait() {
    const QImage face(QStringLiteral(QM_BENCH_DATA_DIR "/astronaut.jpg"));
    QImage image(4000, 6000, QImage::Format_RGB32);
    image.fill(QColor(198, 196, 200));
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRect(0, 1200, 4000, 4000), face);
    }
    std::mt19937 noise(11);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int g = int(noise() % 13) - 6;
            const QRgb px = line[x];
            line[x] = qRgb(std::clamp(qRed(px) + g, 0, 255), std::clamp(qGreen(px) + g, 0, 255),
                           std::clamp(qBlue(px) + g, 0, 255));
        }
    }
    return image;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    PinToOneCore();

    const double before = OwnPeakBytes();
    FaceModel model;
    model.startLoading();
    if (!model.waitUntilLoaded()) {
        std::fprintf(stderr, "%s\n", qPrintable(model.status()));
        return 1;
    }
    const double modelFile = double(QFileInfo(FaceModel::DefaultPredictorFile()).size());
    Report(QStringLiteral("Face model in memory, loaded once"), OwnPeakBytes() - before, modelFile,
           QStringLiteral("bytes"), QStringLiteral("the model file's size"));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("portrait24.jpg"));
    try {
        SaveJpeg(Portrait(), file);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(file), e.what());
        return 1;
    }
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
    // The model as the first framing after a start waits for it (the file in the page cache).
    const double ready = BestSeconds([] {
        FaceModel fresh;
        fresh.startLoading();
        fresh.waitUntilLoaded();
    });
    Report(QStringLiteral("Face model ready, from its file"), ready, load, QStringLiteral("s"),
           QStringLiteral("loading that JPEG; target ratio <= 1.0"));
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
    const CheckInput framed{picture, face.landmarks, {}, 0, QSizeF(35, 45)};
    const double checks = BestSeconds([&] { RunChecks(framed); });
    Report(QStringLiteral("All checks on a framed 24 MP portrait"), checks, load,
           QStringLiteral("s"), QStringLiteral("loading that JPEG; target ratio <= 0.5"));
    return 0;
}
