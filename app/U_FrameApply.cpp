#include "app/U_FrameApply.h"

#include "app/U_CommandLine.h"
#include "app/U_Formats.h"
#include "app/U_FrameGeometry.h"
#include "app/U_HeadDetect.h"
#include "app/U_PictureHead.h"
#include "picture/U_JpegEncode.h"
#include "picture/U_PictureFile.h"
#include "platform/AppError.h"
#include "platform/U_SafeWrite.h"

#include <QBuffer>
#include <QTextStream>

#include <cmath>

namespace {

// The framed working copy is written once per framing; a high quality keeps the loss small.
constexpr int kFramedQuality = 95;
// The background is replaced a little beyond the frame, so that its edge has the wall's
// context on both sides; a share of the frame's longer side.
constexpr double kBackdropMargin = 0.1;

} // namespace

QRect BackdropArea(const TurnedFrame& frame, const QSize& picture) {
    const double margin = kBackdropMargin * std::max(frame.Rect.width(), frame.Rect.height());
    return frame.Bounds()
        .adjusted(-margin, -margin, margin, margin)
        .toAlignedRect()
        .intersected(QRect(QPoint(0, 0), picture));
}

QImage FramedPicture(QImage picture, const TurnedFrame& frame, Backdrop backdrop,
                     const std::optional<PersonSeeds>& person, const Progress& progress) {
    if (backdrop != Backdrop::AsShot && person)
        PlainBackground(picture, BackdropArea(frame, picture.size()), *person, backdrop, progress);
    return CutTurned(picture, frame);
}

QString FramingLogLine(const TurnedFrame& frame) {
    return QStringLiteral("Framing : ") + FrameText(frame);
}

void WriteFramed(const QImage& framed, const QString& path, TSafeFile::Links links) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EncodeJpeg(framed, buffer, kFramedQuality);
    WriteFileSafely(path, buffer.data(), TSafeFile::Sync::ToDisk, links);
}

PersonSeeds SeedsOf(const std::array<QPointF, 68>& landmarks, const QPointF& crown) {
    return {landmarks, crown};
}

int RunFrame(const QString& path, int formatIndex, Backdrop backdrop, const QString& output,
             const QString& predictorFile, QTextStream& out) {
    const auto line = [&out](const char* key, const QString& value) {
        out << key << ": " << value << '\n';
    };
    const std::vector<PhotoNorm>& norms = PhotoNorms();
    if (formatIndex < 0 || size_t(formatIndex) >= norms.size()) {
        line("error", QStringLiteral("no format %1").arg(formatIndex));
        return kCheckUsage;
    }
    FaceModel model(predictorFile);
    model.startLoading();
    PictureHead read = ReadPictureHead(path, model, out, false);
    if (read.Status != kCheckWithin)
        return read.Status;
    QImage picture = std::move(read.Picture);
    const HeadDetection& found = read.Found;
    // The frame the window proposes: the format's own aspect, turned to level the eyes.
    const FormatEntry& entry = FormatCatalogue()[size_t(formatIndex)];
    PhotoFormat format;
    ParseFormatLabel(QString::fromUtf8(entry.prefix) + QString::fromUtf8(entry.country) +
                         QLatin1Char(')'),
                     format);
    TurnedFrame frame = ProposeLevelFrameForFormat(found.Head, norms[size_t(formatIndex)],
                                                   FormatAspect(format), picture.size());
    // On whole pixels, as the window cuts it.
    frame = WholeTurned(frame, picture.size());
    line("framing", FrameText(frame));
    line("background", BackdropKey(backdrop));
    try {
        WriteFramed(FramedPicture(std::move(picture), frame, backdrop,
                                  SeedsOf(found.Face.landmarks, found.Head.Crown)),
                    output);
    } catch (const AppError& e) {
        line("error", e.message());
        return kCheckUnreadable;
    }
    line("written", output);
    return kCheckWithin;
}
