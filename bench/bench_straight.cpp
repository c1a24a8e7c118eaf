// Levelling and the plain background on a 24-megapixel portrait, against loading that
// portrait in the same run; and the memory the background replacement adds.
#include "app/U_FrameApply.h"
#include "bench/BenchUtil.h"
#include "picture/U_Crown.h"
#include "picture/U_FaceFinder.h"
#include "picture/U_JpegEncode.h"
#include "picture/U_Norms.h"
#include "picture/U_PictureFile.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

namespace {

// A 4000 x 6000 portrait: the test photograph enlarged onto a wall, with a camera's grain.
QImage Portrait() {
    const QImage face(QStringLiteral(QM_BENCH_DATA_DIR "/astronaut.jpg"));
    QImage image(4000, 6000, QImage::Format_RGB32);
    image.fill(QColor(198, 196, 200));
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRect(0, 1200, 4000, 4000), face);
    }
    std::mt19937 noise(7);
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
    FaceModel model;
    model.startLoading();
    if (!model.waitUntilLoaded()) {
        std::fprintf(stderr, "%s\n", qPrintable(model.status()));
        return 1;
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("portrait24.jpg"));
    try {
        SaveJpeg(Portrait(), file);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(file), e.what());
        return 1;
    }
    QImage picture;
    const auto load = [&] {
        return BestSeconds([&] {
            picture = QImage();
            picture = DecodePicture(ReadPictureFile(file), file);
        });
    };
    const double loadTwoCores = load();
    const FaceResult face = FindFace(model, picture);
    if (!face.found()) {
        std::fprintf(stderr, "no face in the benchmark portrait: %s\n", qPrintable(face.reason));
        return 1;
    }
    HeadPoints head{face.eyeLeft, face.eyeRight, face.chin, {}, false};
    head.Crown = EstimateCrown(picture, head).Crown;
    const PhotoNorm& norm = PhotoNorms().front();
    TurnedFrame frame = ProposeLevelFrame(head, norm, picture.size());
    frame.Degrees = 5; // a leaning head: the crop is read along turned axes
    const PersonSeeds person{face.landmarks, head.Crown};

    // Applying owns the decoded picture and paints it in place: the copy made here for the
    // measure is no part of the time.
    const double before = OwnPeakBytes();
    QImage copy = picture;
    copy.detach();
    const double plain = BestSeconds(
        [&] { PlainBackground(copy, BackdropArea(frame, copy.size()), person, Backdrop::White); },
        1);
    copy = QImage();
    const double added = OwnPeakBytes() - before - double(picture.sizeInBytes());
    Report(QStringLiteral("Plain background on a 24 MP portrait's frame area, two cores"), plain,
           loadTwoCores, QStringLiteral("s"),
           QStringLiteral("loading that JPEG on two cores; target ratio <= 10"));
    const double frameBytes = frame.Rect.width() * frame.Rect.height() * 4;
    Report(QStringLiteral("Memory the plain background adds (beyond the picture's copy)"), added,
           2 * frameBytes, QStringLiteral("bytes"),
           QStringLiteral("two copies of the frame's area; target ratio <= 1"));

    PinToOneCore();
    const double loadOneCore = load();
    const double cut = BestSeconds([&] { CutTurned(picture, frame); });
    Report(QStringLiteral("Levelled crop of a 24 MP portrait, one core"), cut, loadOneCore,
           QStringLiteral("s"), QStringLiteral("loading that JPEG; target ratio <= 1"));
    return 0;
}
