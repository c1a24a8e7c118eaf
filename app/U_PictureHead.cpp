#include "app/U_PictureHead.h"

#include "app/U_CommandLine.h"
#include "picture/U_PictureFile.h"
#include "platform/AppError.h"

#include <QTextStream>

#include <algorithm>

namespace {

// What was found on a reduced picture, in the full-size picture's pixels.
void ToFullSize(HeadDetection& found, double sx, double sy) {
    const auto full = [sx, sy](QPointF& p) {
        p = {(p.x() + 0.5) * sx - 0.5, (p.y() + 0.5) * sy - 0.5};
    };
    FaceResult& face = found.Face;
    for (QPointF& p : face.landmarks)
        full(p);
    for (QPointF* p : {&face.eyeLeft, &face.eyeRight, &face.chin, &found.Head.LeftEye,
                       &found.Head.RightEye, &found.Head.Chin, &found.Head.Crown})
        full(*p);
    face.box =
        QRectF(face.box.x() * sx, face.box.y() * sy, face.box.width() * sx, face.box.height() * sy);
}

} // namespace

PictureHead ReadPictureHead(const QString& path, const FaceModel& model, QTextStream& out,
                            bool describe, bool reduced) {
    const auto line = [&out](const char* key, const QString& value) {
        out << key << ": " << value << '\n';
    };
    PictureHead r;
    QByteArray bytes;
    const auto decode = [&](int longSide) {
        try {
            if (bytes.isNull())
                bytes = ReadPictureFile(path);
            if (reduced) {
                r.Picture =
                    DecodePictureReduced(bytes, path, longSide, r.FullSize, kMinFacePictureSide);
            } else {
                r.Picture = DecodePicture(bytes, path);
                r.FullSize = r.Picture.size();
            }
        } catch (const AppError& e) {
            line("error", e.message());
            r.Status = kCheckUnreadable;
            return false;
        }
        r.ScaleX = double(r.FullSize.width()) / r.Picture.width();
        r.ScaleY = double(r.FullSize.height()) / r.Picture.height();
        return true;
    };
    if (!decode(kFaceSearchSide))
        return r;
    if (describe)
        line("size", QStringLiteral("%1 x %2").arg(r.FullSize.width()).arg(r.FullSize.height()));
    if (!model.waitUntilLoaded()) {
        line("error", model.status());
        r.Status = kCheckNoFace;
        return r;
    }
    r.Found = DetectHead(model, r.Picture);
    // The smaller face of a wide shot is sought again on the larger copy, which this picture
    // reduced too far to give.
    const auto longSide = [](QSize s) { return std::max(s.width(), s.height()); };
    if (r.Found.Face.miss == FaceMiss::NoFace &&
        longSide(r.Picture.size()) < kLargeFaceSearchSide &&
        longSide(r.Picture.size()) < longSide(r.FullSize)) {
        if (!decode(kLargeFaceSearchSide))
            return r;
        r.Found = DetectHead(model, r.Picture);
    }
    if (describe)
        line("faces", QString::number(r.Found.Face.faceCount));
    if (!r.Found.Found()) {
        line("error", r.Found.Face.reason);
        r.Status = kCheckNoFace;
        return r;
    }
    if (r.Picture.size() != r.FullSize)
        ToFullSize(r.Found, r.ScaleX, r.ScaleY);
    r.Status = kCheckWithin;
    return r;
}
