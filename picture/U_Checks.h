#pragma once

// The checks a passport counter makes on a framed photo beyond the head's size: pose, eyes,
// mouth, light, sharpness, background, resolution and glare. Each is a measured value, the
// limits read from the thresholds table built into the program, and a mark.

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <array>
#include <optional>
#include <vector>

// In the order the checks are listed to the user.
enum class CheckId {
    Roll,
    Yaw,
    Pitch,
    EyesOpen,
    MouthClosed,
    Light,
    LightBalance,
    Sharpness,
    BackgroundEven,
    BackgroundShadow,
    BackgroundLight,
    Resolution,
    Glare,
};
inline constexpr int kCheckCount = int(CheckId::Glare) + 1;

// The name used on the command line and in the log ("mouth_closed").
const char* CheckKey(CheckId id);

enum class CheckMark { Passes, LookAtIt, Fails };

// Where a measured value must stay: Max checks fail above their limits, Min checks below.
enum class LimitKind { Max, Min };

// One row of the thresholds table: "look at it" beyond Look, "fails" beyond Fail.
struct CheckLimit {
    QString Key;
    LimitKind Kind = LimitKind::Max;
    double Look = 0;
    double Fail = 0;
    QString Unit;
    QString Source;

    CheckMark Mark(double value) const;
};

// The rows in file order; the checks' own rows and the settings of their measuring (kind
// "param", kept in Look). A key missing from the table is a fault of the build.
const std::vector<CheckLimit>& CheckLimits();
const CheckLimit& Limit(const char* key);
double Param(const char* key);

struct CheckResult {
    CheckId Id = CheckId::Roll;
    double Value = 0;  // in the unit of its limit
    double Second = 0; // eyes: the other eye; light: the clipped share (%)
    CheckMark Mark = CheckMark::Passes;
    // Which way the value strays: -1 below what passes (too dark, turned to the picture's
    // left, chin down), +1 above it, 0 passing.
    int Side = 0;
    const CheckLimit* Limit = nullptr; // the row that decided the mark
    bool Measured = true; // false: nothing to measure in the frame (no wall in view); passes
};

// What the checks look at: the picture as shown, the face's 68 landmarks in its pixels, and
// the frame that becomes the printed photo.
struct CheckInput {
    QImage Picture;
    std::array<QPointF, 68> Landmarks{};
    QRectF Frame;          // in picture pixels; empty: the whole picture
    double FrameAngle = 0; // degrees the frame is turned, counter-clockwise as shown
    QSizeF PhotoMm;        // the printed photo
    // The top of the hair; when unknown, where the face's proportions put it.
    std::optional<QPointF> Crown;
    double PixelScale = 1; // pixels of the picture at full size per pixel of Picture, when reduced
};

// All checks, in CheckId order. The picture is read, never changed.
std::vector<CheckResult> RunChecks(const CheckInput& input);

// The results with their background rows taken from a run on the picture whose wall a plain
// colour replaced: the background is judged as it will print, the person as shot.
std::vector<CheckResult> WithBackgroundOf(std::vector<CheckResult> results,
                                          const std::vector<CheckResult>& replaced);

// The generic face the pose is measured against: millimetres, x to the person's left (the
// picture's right), y up, z towards the camera, the nose tip at the origin; with the landmark
// number each point stands for.
struct ModelPoint {
    int Landmark;
    double X, Y, Z;
};
const std::vector<ModelPoint>& GenericFaceModel();

// Yaw and pitch in degrees from the landmarks of a picture of the given size, through the
// generic face model: yaw > 0 when the nose points to the picture's right, pitch > 0 when the
// chin is raised. Empty when the landmarks give no pose.
struct HeadPose {
    double Yaw = 0;
    double Pitch = 0;
};
std::optional<HeadPose> EstimatePose(const std::array<QPointF, 68>& landmarks,
                                     const QSizeF& picture);

// The names of the failed checks, comma-separated (empty when none failed).
QString FailedChecks(const std::vector<CheckResult>& results);
bool AnyFailed(const std::vector<CheckResult>& results);
// One "key: value" line per check, then "checks_failed: a,b", each ending in a newline:
// "roll_degrees: 1.2 (max 8)", "eyes_open: yes (0.28, 0.30)", "sharpness: 412 (min 150)".
QString CheckLines(const std::vector<CheckResult>& results);
// The key of a check's line: its name, with the unit of its value when it has one
// ("yaw_degrees", "resolution_ppi").
QString CheckLineKey(CheckId id);
// The log's line after a framing: "Checks : failed mouth_closed, resolution; look at glare".
QString ChecksLogLine(const std::vector<CheckResult>& results);
// The value as --check prints it, with the limit it fails at: "412 (min 150)",
// "yes (0.28, 0.30)"; ", look at it" follows when it is near that limit.
QString CheckValueText(const CheckResult& result);
// The decimals a measure in the limit's unit is shown with.
int CheckDecimals(const CheckLimit& limit);
