#pragma once

#include <QImage>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <array>
#include <memory>

// Finding a face and its 68 landmarks in a picture. The models (a face detector and a
// landmark predictor read from a file of the libdlib-data package) are loaded once, on a
// thread of their own, so that no window waits for them. The library behind them stays
// inside the .cpp file.

// Why FindFace found nothing.
enum class FaceMiss {
    None,     // a face was found
    NoModel,  // the models are not loaded (still loading, or the file is missing or broken)
    TooSmall, // the picture is too small to look for a face in
    NoFace,   // no face was seen, upright nor turned by the retry angles
};

// One face, in the pixels of the picture as given. "Left" and "right" are as seen in the
// picture (the smaller x first), not the person's own.
struct FaceResult {
    FaceMiss miss = FaceMiss::NoModel;
    QString reason;                      // plain English for logs; empty when found
    int faceCount = 0;                   // faces seen; the largest one is described
    QRectF box;                          // the detector's face box (turned when retryAngle != 0)
    double confidence = 0;               // the detector's score for the face, from 0.5 (weak) up
    double retryAngle = 0;               // degrees the copy was turned to find the face
    std::array<QPointF, 68> landmarks{}; // the usual 68-point layout: jaw 0-16, eyes 36-47
    QPointF eyeLeft;                     // mean of the six points of each eye
    QPointF eyeRight;
    QPointF chin;    // bottom of the jaw (landmark 8)
    double tilt = 0; // eye line against the horizontal, degrees, > 0 when the right eye is lower
    double turn = 0; // nose tip off the middle of the face sides, -1..1 (0 = facing the camera)
    bool turned = false; // |turn| above kTurnedLimit

    bool found() const { return miss == FaceMiss::None; }
};

// |turn| beyond which a face counts as turned away from the camera: about 10 degrees of yaw.
inline constexpr double kTurnedLimit = 0.15;
// Pictures whose short side is below this are not searched.
inline constexpr int kMinFacePictureSide = 100;
// The detector looks for faces of about 75 px and up: on a copy this long that is a face box a
// tenth of the picture's long side, which a portrait has. The larger copy catches the smaller
// face of a wide shot (one the user will crop), at four times the cost, only when the first
// found none.
inline constexpr int kFaceSearchSide = 800;
inline constexpr int kLargeFaceSearchSide = 1600;

// The detector and the landmark predictor, loaded once. Detection may run on any thread,
// several at once; loading runs on a thread of its own and announces its end with loaded().
class FaceModel final : public QObject {
    Q_OBJECT
public:
    explicit FaceModel(QString predictorFile = DefaultPredictorFile(), QObject* parent = nullptr);
    ~FaceModel() override; // waits for a loading still under way

    // Where the Debian package libdlib-data installs the 68-point predictor.
    static QString DefaultPredictorFile();

    // The folder for the model's compact cached copy (by default DefaultCacheFolder());
    // empty: no cache. Only before startLoading().
    void setCacheFolder(const QString& folder);
    // The cached copy is written after loading, while faces are already found. By default the
    // destructor lets that write end (a short-lived command line then leaves a cache for the
    // next); after this call it abandons it, leaving no file, so that closing never waits.
    void abandonCacheWriteOnClose();
    // Whether the model was read from its cached copy rather than from the model file.
    bool fromCache() const;

    // Starts loading on a thread of its own and returns at once; later calls do nothing.
    void startLoading();
    // Blocks until loading has ended (for worker threads and the command line); false when
    // it failed or was never started.
    bool waitUntilLoaded() const;
    bool ready() const;
    // How much of the model file has been read while loading, 0..1.
    double progress() const;
    // Empty while loading or when ready; otherwise what went wrong and what to install.
    QString status() const;

signals:
    // Emitted from the loading thread once loading has ended, well or not.
    void loaded(bool ok);

private:
    friend FaceResult FindFace(const FaceModel& model, const QImage& picture);
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Looks for faces in picture (any 32-bit format; others are converted): detection on a copy
// about 800 px on its long side; when nothing is found, on a copy twice as large; when still
// nothing or only a weak face is found, on the first copy turned by +15 and -15 degrees. The
// landmarks of the largest face are then placed on the full picture, again with the face
// turned upright when it leans. Never waits for the model: it answers NoModel until ready().
FaceResult FindFace(const FaceModel& model, const QImage& picture);
