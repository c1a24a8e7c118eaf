// Levelling and the plain background on a 24-megapixel portrait, against loading that
// portrait in the same run; and the memory the background replacement adds.
#include "app/U_FrameApply.h"
#include "bench/BenchPortrait.h"
#include "bench/BenchUtil.h"
#include "picture/U_Crown.h"
#include "picture/U_FaceFinder.h"
#include "picture/U_Norms.h"
#include "picture/U_PictureFile.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    FaceModel model;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("portrait24.jpg"));
    if (!LoadBenchModel(model) || !SaveBenchPicture(BenchPortrait(7), file))
        return 1;
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
