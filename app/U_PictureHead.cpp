#include "app/U_PictureHead.h"

#include "app/U_CommandLine.h"
#include "picture/U_PictureFile.h"
#include "platform/AppError.h"

#include <QTextStream>

PictureHead ReadPictureHead(const QString& path, const FaceModel& model, QTextStream& out,
                            bool describe) {
    const auto line = [&out](const char* key, const QString& value) {
        out << key << ": " << value << '\n';
    };
    PictureHead r;
    try {
        r.Picture = DecodePicture(ReadPictureFile(path), path);
    } catch (const AppError& e) {
        line("error", e.message());
        r.Status = kCheckUnreadable;
        return r;
    }
    if (describe)
        line("size", QStringLiteral("%1 x %2").arg(r.Picture.width()).arg(r.Picture.height()));
    if (!model.waitUntilLoaded()) {
        line("error", model.status());
        r.Status = kCheckNoFace;
        return r;
    }
    r.Found = DetectHead(model, r.Picture);
    if (describe)
        line("faces", QString::number(r.Found.Face.faceCount));
    if (!r.Found.Found()) {
        line("error", r.Found.Face.reason);
        r.Status = kCheckNoFace;
        return r;
    }
    r.Status = kCheckWithin;
    return r;
}
