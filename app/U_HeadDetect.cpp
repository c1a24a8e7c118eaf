#include "app/U_HeadDetect.h"

#include "app/U_FrameGeometry.h"
#include "picture/U_Crown.h"

#include <cmath>

HeadDetection DetectHead(const FaceModel& model, const QImage& picture) {
    HeadDetection detection;
    model.waitUntilLoaded();
    detection.Face = FindFace(model, picture);
    if (!detection.Found())
        return detection;
    HeadPoints& head = detection.Head;
    head.LeftEye = detection.Face.eyeLeft;
    head.RightEye = detection.Face.eyeRight;
    head.Chin = detection.Face.chin;
    const CrownEstimate crown = EstimateCrown(picture, head);
    head.Crown = crown.Crown;
    head.CrownUncertain = crown.Uncertain;
    head.HeadCovered = crown.Covered;
    return detection;
}

QString MmText(double mm) {
    const double tenths = std::round(mm * 10) / 10;
    return QString::number(tenths, 'f', tenths == std::round(tenths) ? 0 : 1);
}

QString HeadLogLine(const HeadPoints& head, const PhotoNorm& norm, const QSizeF& picture,
                    bool stretch) {
    const QRectF frame = PrintedFrame(picture, norm.SizeMm, stretch);
    const HeadMeasure measure = MeasureHead(head, frame, norm.SizeMm);
    return QStringLiteral("Head : %1 mm (%2 - %3 mm)")
        .arg(QString::number(measure.HeadMm, 'f', 1), MmText(norm.Head.Min), MmText(norm.Head.Max));
}
