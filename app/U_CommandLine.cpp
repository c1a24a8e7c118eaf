#include "app/U_CommandLine.h"

#include "app/U_Formats.h"
#include "app/U_FrameGeometry.h"
#include "app/U_HeadDetect.h"
#include "app/U_PictureHead.h"
#include "localization/C_LangPack.h"
#include "picture/U_Backdrop.h"
#include "picture/U_Checks.h"

#include <QFileInfo>
#include <QTextStream>

namespace {

// The toolkit's own options, taken out of the list when the application starts; those of
// the first list take a value.
const QStringList kToolkitWithValue = {"platform",
                                       "platformpluginpath",
                                       "platformtheme",
                                       "plugin",
                                       "qwindowgeometry",
                                       "qwindowicon",
                                       "qwindowtitle",
                                       "session",
                                       "display",
                                       "geometry",
                                       "style",
                                       "stylesheet",
                                       "name",
                                       "title",
                                       "im",
                                       "qmljsdebugger",
                                       "fn",
                                       "font",
                                       "bg",
                                       "background",
                                       "fg",
                                       "foreground",
                                       "btn",
                                       "button",
                                       "inputstyle",
                                       "qwindowgroup"};
const QStringList kToolkitAlone = {"reverse", "widgetcount", "nograb", "dograb",     "sync",
                                   "visual",  "ncols",       "cmap",   "testability"};

QString toolkitName(const QString& argument) {
    QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    const qsizetype equals = name.indexOf(QLatin1Char('='));
    return equals < 0 ? name : name.left(equals);
}

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
    CommandLine line;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--check")) {
            line.check = true;
        } else if (argument == QLatin1String("--frame")) {
            line.frame = true;
        } else if (argument == QLatin1String("--background")) {
            line.background = i + 1 < arguments.size() ? arguments.at(++i) : QString();
            if (!BackdropFromKey(line.background))
                line.error = QStringLiteral(
                    "--background needs one of as-shot, white, light-grey, light-blue");
        } else if (argument == QLatin1String("--format")) {
            bool ok = false;
            line.checkFormat = i + 1 < arguments.size() ? arguments.at(++i).toInt(&ok) : -1;
            if (!ok || line.checkFormat < 0 || line.checkFormat >= kFormatCount)
                line.error = QStringLiteral("--format needs a catalogue index from 0 to %1")
                                 .arg(kFormatCount - 1);
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            line.help = true;
        else if (argument == QLatin1String("--version"))
            line.version = true;
        else if (argument.size() > 1 && argument.startsWith(QLatin1Char('-')) &&
                 !IsLanguageSwitch(argument)) {
            const QString name = toolkitName(argument);
            if (kToolkitWithValue.contains(name)) {
                if (!argument.contains(QLatin1Char('=')))
                    ++i;
            } else if (!kToolkitAlone.contains(name) && line.unknown.isEmpty()) {
                line.unknown = argument;
            }
        } else if (!argument.isEmpty() && !argument.startsWith(QLatin1Char('-')) &&
                   !IsLanguageSwitch(argument)) {
            // --frame takes one picture and then its output; --check takes many pictures.
            if (line.frame && !line.picture.isEmpty()) {
                if (line.output.isEmpty())
                    line.output = argument;
            } else {
                if (line.picture.isEmpty())
                    line.picture = argument;
                line.pictures << argument;
            }
        }
    }
    if (line.frame && line.output.isEmpty() && line.error.isEmpty())
        line.error = QStringLiteral("--frame needs a picture and an output file");
    if (line.check && line.picture.isEmpty() && line.error.isEmpty())
        line.error = QStringLiteral("--check needs a picture");
    return line;
}

bool IsLanguageSwitch(const QString& argument) {
    return IsBaseFileSwitch(argument);
}

QString UsageText() {
    return QStringLiteral(
        "Usage: quillmark [PICTURE]\n"
        "       quillmark --check PICTURE... [--format INDEX]\n"
        "       quillmark --frame PICTURE [--format INDEX] [--background COLOUR] OUT.jpg\n"
        "       quillmark -co\n"
        "\n"
        "Prints identity photos in the official format of a country.\n"
        "\n"
        "  PICTURE     a JPEG picture to load once the window is up; when Quillmark is\n"
        "              already running, it loads the picture and raises its window\n"
        "  --check PICTURE...\n"
        "              without a window: find the face, print its points in picture\n"
        "              pixels, the head height and eye line in mm as the picture prints\n"
        "              stretched to the format, the format's norm and the verdict, then\n"
        "              the counter's checks (pose, eyes, mouth, light, sharpness, wall,\n"
        "              resolution; \"yaw_degrees: 3.1\", \"sharpness: 172 (min 20)\")\n"
        "              and \"checks_failed:\", one \"key: value\" a line,\n"
        "              one block per picture with a blank line between them. Exit\n"
        "              status (the worst of all pictures) 0 within the norm, 1 outside\n"
        "              it or a check failed, 2 no face found or no face model (package\n"
        "              libdlib-data), 3 picture unreadable, 4 wrong arguments\n"
        "  --frame PICTURE OUT.jpg\n"
        "              without a window: find the face and write to OUT.jpg the framed\n"
        "              picture that the framing window's OK would make, the eyes levelled;\n"
        "              exit status as for --check, 3 also when OUT.jpg cannot be written\n"
        "  --background as-shot|white|light-grey|light-blue\n"
        "              the background for --frame; default the one chosen last in the\n"
        "              framing window\n"
        "  --format INDEX\n"
        "              the catalogue entry for --check and --frame, from 0; default the\n"
        "              one chosen last in the window\n"
        "  -co         write the base language file QKS_ORIGINAL.SPK for translators\n"
        "  -h, --help  print this text and exit\n"
        "  --version   print the version and exit\n");
}

std::optional<EarlyAnswer> AnswerEarly(const CommandLine& line, const QString& version) {
    if (line.help)
        return EarlyAnswer{0, UsageText(), {}};
    if (line.version)
        return EarlyAnswer{0, VersionText(version), {}};
    if (!line.error.isEmpty())
        return EarlyAnswer{kCheckUsage, {}, QStringLiteral("quillmark: %1\n").arg(line.error)};
    if (!line.unknown.isEmpty())
        return EarlyAnswer{2,
                           {},
                           QStringLiteral("quillmark: unknown option '%1'\n").arg(line.unknown) +
                               UsageText()};
    return std::nullopt;
}

QString VersionText(const QString& version) {
    return QStringLiteral("Quillmark %1\n").arg(version);
}

namespace {

QString point(const QPointF& p) {
    return QStringLiteral("%1, %2").arg(p.x(), 0, 'f', 1).arg(p.y(), 0, 'f', 1);
}

QString yesNo(bool value) {
    return value ? QStringLiteral("yes") : QStringLiteral("no");
}

QString mmRange(const MmRange& r) {
    return MmText(r.Min) + QStringLiteral(" - ") + MmText(r.Max);
}

} // namespace

bool WriteChecks(QTextStream& out, const QImage& picture, const std::array<QPointF, 68>& landmarks,
                 const QRectF& frame, const QSizeF& photoMm, const QPointF& crown,
                 double pixelScale) {
    CheckInput input{picture, landmarks, frame, 0, photoMm, crown};
    input.PixelScale = pixelScale;
    const std::vector<CheckResult> results = RunChecks(input);
    out << CheckLines(results);
    return !AnyFailed(results);
}

namespace {

// One picture's block. The model loads meanwhile: the first picture is decoded while it does,
// reduced, as neither the search nor the checks need every pixel of a large picture.
int CheckOne(const QString& path, const PhotoNorm& norm, const FaceModel& model, QTextStream& out) {
    const auto line = [&out](const char* key, const QString& value) {
        out << key << ": " << value << '\n';
    };
    const FormatEntry& entry = FormatCatalogue()[size_t(norm.Index)];
    line("picture", path);
    line("format", QStringLiteral("%1 %2%3)")
                       .arg(norm.Index)
                       .arg(QString::fromUtf8(entry.prefix), QString::fromUtf8(entry.country)));
    const PictureHead read = ReadPictureHead(path, model, out, true, true);
    if (read.Status != kCheckWithin)
        return read.Status;
    const HeadDetection& found = read.Found;
    const HeadPoints& head = found.Head;
    line("left_eye", point(head.LeftEye));
    line("right_eye", point(head.RightEye));
    line("chin", point(head.Chin));
    line("crown", point(head.Crown));
    line("crown_uncertain", yesNo(head.CrownUncertain));
    line("turned", yesNo(found.Face.turned));

    const QRectF frame = PrintedFrame(read.FullSize, norm.SizeMm, true);
    const FrameVerdict verdict = JudgeFrame(head, frame, norm);
    line("tilt_degrees", QString::number(verdict.TiltDegrees, 'f', 1));
    line("head_mm", QString::number(verdict.Measure.HeadMm, 'f', 1));
    line("eye_line_mm", QString::number(verdict.Measure.EyeLineMm, 'f', 1));
    line("norm_head_mm", mmRange(norm.Head));
    line("norm_eye_line_mm", norm.EyeLine ? mmRange(*norm.EyeLine) : QStringLiteral("none"));
    line("norm_kind", norm.Kind == NormKind::Official ? QStringLiteral("official")
                      : norm.Kind == NormKind::Secondary
                          ? QStringLiteral("secondary")
                          : QStringLiteral("fallback (usual range)"));
    line("norm_source", norm.Source);
    QStringList warnings;
    const std::pair<FrameWarning, const char*> names[] = {
        {FrameWarning::Tilted, "tilted"},
        {FrameWarning::LittleRoomAbove, "little room above the head"},
        {FrameWarning::LittleRoomBelow, "little room below the chin"},
        {FrameWarning::CrownUncertain, "crown uncertain"},
        {FrameWarning::HeadCovering, "head covering"}};
    for (const auto& [warning, name] : names)
        if (verdict.Has(warning))
            warnings << QLatin1String(name);
    if (found.Face.turned)
        warnings << QStringLiteral("face turned");
    if (found.Face.faceCount > 1)
        warnings << QStringLiteral("more than one face, the largest taken");
    line("warnings",
         warnings.isEmpty() ? QStringLiteral("none") : warnings.join(QStringLiteral(", ")));
    line("verdict", verdict.Within() ? QStringLiteral("within") : QStringLiteral("outside"));
    // The checks on the picture as decoded.
    std::array<QPointF, 68> landmarks = found.Face.landmarks;
    for (QPointF& p : landmarks)
        p = read.InPicture(p);
    const QRectF inPicture(frame.x() / read.ScaleX, frame.y() / read.ScaleY,
                           frame.width() / read.ScaleX, frame.height() / read.ScaleY);
    const bool checksPassed = WriteChecks(out, read.Picture, landmarks, inPicture, norm.SizeMm,
                                          read.InPicture(head.Crown), read.ScaleX);
    return verdict.Within() && checksPassed ? kCheckWithin : kCheckOutside;
}

} // namespace

int RunCheck(const QStringList& pictures, int formatIndex, const QString& predictorFile,
             QTextStream& out) {
    const std::vector<PhotoNorm>& norms = PhotoNorms();
    if (formatIndex < 0 || size_t(formatIndex) >= norms.size()) {
        out << "error: " << QStringLiteral("no format %1").arg(formatIndex) << '\n';
        return kCheckUsage;
    }
    FaceModel model(predictorFile);
    model.startLoading();
    int worst = kCheckWithin;
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        if (i > 0)
            out << '\n';
        worst = std::max(worst, CheckOne(pictures[i], norms[size_t(formatIndex)], model, out));
        out.flush();
    }
    return worst;
}
