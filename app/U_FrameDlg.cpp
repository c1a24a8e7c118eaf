#include "app/U_FrameDlg.h"

#include "app/U_FrameApply.h"
#include "app/U_FrameTurn.h"
#include "localization/C_TextStorage.h"
#include "picture/U_Resample.h"

#include <QGuiApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace {

// The window fills the screen's work area up to this height, counted at pixel ratio 1.
constexpr int kMaxWindowHeight = 1000;
constexpr int kMaxWindowWidth = 1400;
// Room the verdict line and the buttons take below the picture.
constexpr QSize kChrome(24, 120);
// Keys move the frame by one shown pixel, ten with Shift; the wheel and + / - size it.
constexpr double kSmallStep = 1;
constexpr double kLargeStep = 10;
constexpr double kWheelFactor = 1.1;
constexpr double kKeyFactor = 1.05;
// A mark is taken by the mouse within this many shown pixels.
constexpr double kGrabRadius = 10;
// The turning handle sits this many shown pixels above the frame's top edge.
constexpr double kHandleDistance = 18;
// The background preview waits until the frame has stopped moving this long.
constexpr int kPreviewDelayMs = 300;

const char* const kLooking = "Looking for the face...";
const char* const kHeadNorm = "Head %1 mm — norm %2–%3 mm";
const char* const kHeadUsual = "Head %1 mm — usual range %2–%3 mm";
const char* const kEyeNorm = "Eye line %1 mm — norm %2–%3 mm";
const char* const kEyeUsual = "Eye line %1 mm — usual range %2–%3 mm";
const char* const kEyeOnly = "Eye line %1 mm";
const char* const kTilted = "Head tilted by %1°";
const char* const kTurned = "Face turned away from the camera";
const char* const kRoomAbove =
    "Too little room above the head: the closest frame that fits is proposed";
const char* const kRoomBelow =
    "Too little room below the chin: the closest frame that fits is proposed";
const char* const kNoFace = "No face found: frame by hand";
const char* const kCrownUncertain = "Crown uncertain: check it and drag it into place";
const char* const kTwoFaces = "More than one face: the largest is taken";
const char* const kNoModel = "Finding the face needs the package libdlib-data: frame by hand";
const char* const kTooSmall = "Picture too small to find a face: frame by hand";
const char* const kBackground = "Background:";
// In the order of kBackdrops.
const char* const kBackdropNames[] = {"as shot", "white", "light grey", "light blue"};
const char* const kReplacing = "Replacing the background...";

QString number(double value) {
    return QLocale().toString(value, 'f', 1);
}

QString range(double value) {
    const double tenths = std::round(value * 10) / 10;
    return QLocale().toString(tenths, 'f', tenths == std::round(tenths) ? 0 : 1);
}

void drawBand(QPainter& p, const QRectF& frame, const GuideBand& band, double photoHeight,
              const QColor& colour) {
    const double top = frame.top() + band.Top / photoHeight * frame.height();
    const double bottom = frame.top() + band.Bottom / photoHeight * frame.height();
    QColor fill = colour;
    fill.setAlpha(60);
    p.fillRect(QRectF(frame.left(), top, frame.width(), bottom - top), fill);
    p.setPen(QPen(colour, 1, Qt::DashLine));
    p.drawLine(QPointF(frame.left(), top), QPointF(frame.right(), top));
    p.drawLine(QPointF(frame.left(), bottom), QPointF(frame.right(), bottom));
}

} // namespace

const QStringList& FrameTexts() {
    static const QStringList texts = [] {
        QStringList list;
        for (const char* text :
             {kLooking, kHeadNorm, kHeadUsual, kEyeNorm, kEyeUsual, kEyeOnly, kTilted, kTurned,
              kRoomAbove, kRoomBelow, kNoFace, kCrownUncertain, kTwoFaces, kNoModel, kTooSmall,
              kBackground, kBackdropNames[0], kBackdropNames[1], kBackdropNames[2],
              kBackdropNames[3], kReplacing})
            list << QString::fromUtf8(text);
        return list;
    }();
    return texts;
}

TFrameView::TFrameView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TFrameView::setPicture(const QImage& picture, double scale) {
    m_pictureSize = picture.size();
    m_scale = scale;
    const QSize shown(std::max(1, int(std::lround(picture.width() * scale))),
                      std::max(1, int(std::lround(picture.height() * scale))));
    m_scaled = picture.isNull() ? QImage() : Resampled(picture, shown);
    m_backdropShown = QImage();
    m_degrees = 0;
    m_head.reset();
    resizeEvent(nullptr);
}

void TFrameView::setFrame(const QRectF& frame) {
    m_frame = frame;
    update();
}

void TFrameView::setAngle(double degrees) {
    m_degrees = degrees;
    update();
}

void TFrameView::setBackdropShown(const QImage& shown) {
    m_backdropShown = shown.size() == m_scaled.size() ? shown : QImage();
    update();
}

void TFrameView::changeFrame(const QRectF& frame) {
    if (frame == m_frame)
        return;
    setFrame(frame);
    emit frameMoved();
}

void TFrameView::setGuides(const FrameGuides& guides, double photoHeightMm) {
    m_guides = guides;
    m_photoHeightMm = photoHeightMm;
    update();
}

void TFrameView::setHead(const std::optional<HeadPoints>& head) {
    m_head = head;
    update();
}

void TFrameView::resizeEvent(QResizeEvent*) {
    m_offset = QPointF((width() - m_scaled.width()) / 2.0, (height() - m_scaled.height()) / 2.0);
    m_offset =
        QPointF(std::max(0.0, std::round(m_offset.x())), std::max(0.0, std::round(m_offset.y())));
    update();
}

void TFrameView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().dark());
    if (m_scaled.isNull())
        return;
    p.drawImage(m_offset, m_backdropShown.isNull() ? m_scaled : m_backdropShown);
    const QRectF shown(m_offset, m_scaled.size());
    const QRectF frame(toView(m_frame.topLeft()), m_frame.size() * m_scale);

    // Outside the (turned) frame is dimmed.
    QPolygonF corners;
    for (const QPointF& corner : turned().Corners())
        corners << toView(corner);
    QPainterPath outside, inside;
    outside.addRect(shown);
    inside.addPolygon(corners);
    p.fillPath(outside.subtracted(inside), QColor(0, 0, 0, 150));

    p.setRenderHint(QPainter::Antialiasing);
    // The turning handle, above the middle of the top edge.
    const QPointF handle = toView(TurnHandle(turned(), kHandleDistance / m_scale));
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(toView(turned().ToPicture(QPointF(m_frame.width() / 2, 0))), handle);
    p.setBrush(Qt::white);
    p.drawEllipse(handle, 4, 4);
    p.setBrush(Qt::NoBrush);
    // Guides and the frame's edge are drawn in the frame's own, turned, axes.
    p.save();
    p.translate(frame.center());
    p.rotate(m_degrees);
    p.translate(-frame.center());
    if (m_photoHeightMm > 0) {
        drawBand(p, frame, m_guides.Crown, m_photoHeightMm, QColor(70, 130, 255));
        drawBand(p, frame, m_guides.Chin, m_photoHeightMm, QColor(40, 200, 90));
        if (m_guides.Eyes)
            drawBand(p, frame, *m_guides.Eyes, m_photoHeightMm, QColor(255, 160, 0));
    }
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(frame);
    p.restore();

    if (!m_head)
        return;
    const auto cross = [&p](const QPointF& c) {
        p.drawLine(c - QPointF(6, 0), c + QPointF(6, 0));
        p.drawLine(c - QPointF(0, 6), c + QPointF(0, 6));
    };
    p.setPen(QPen(QColor(0, 230, 255), 2));
    cross(toView(m_head->LeftEye));
    cross(toView(m_head->RightEye));
    p.setPen(QPen(QColor(40, 220, 90), 2));
    p.drawEllipse(toView(m_head->Chin), 6, 6);
    const QPointF crown = toView(m_head->Crown);
    if (m_head->CrownUncertain) {
        p.setPen(QPen(QColor(255, 60, 60), 2, Qt::DashLine));
        p.drawEllipse(crown, 8, 8);
        p.drawText(crown + QPointF(11, 5), QStringLiteral("?"));
    } else {
        p.setPen(QPen(QColor(70, 130, 255), 2));
        p.drawEllipse(crown, 6, 6);
    }
}

void TFrameView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_scaled.isNull())
        return;
    const QPointF at = event->position();
    const auto near = [&](const QPointF& point) {
        return QLineF(toView(point), at).length() <= kGrabRadius;
    };
    m_dragFrom = toPicture(at);
    m_frameFrom = m_frame;
    if (near(TurnHandle(turned(), kHandleDistance / m_scale)))
        m_drag = Drag::Turn;
    else if (m_head && near(m_head->Crown))
        m_drag = Drag::Crown;
    else if (m_head && near(m_head->Chin))
        m_drag = Drag::Chin;
    else if (turned().Corners().containsPoint(m_dragFrom, Qt::OddEvenFill))
        m_drag = Drag::Frame;
    else
        m_drag = Drag::None;
}

void TFrameView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = toPicture(event->position());
    switch (m_drag) {
    case Drag::None:
        return;
    case Drag::Frame:
        changeFrame(MovedFrame(m_frameFrom, at - m_dragFrom, m_pictureSize));
        return;
    case Drag::Turn:
        setAngle(AngleFromHandle(turned(), at));
        emit frameMoved();
        return;
    case Drag::Crown:
    case Drag::Chin: {
        const QPointF inside(std::clamp(at.x(), 0.0, m_pictureSize.width()),
                             std::clamp(at.y(), 0.0, m_pictureSize.height()));
        if (m_drag == Drag::Crown) {
            m_head->Crown = inside;
            m_head->CrownUncertain = false; // the user has placed it
        } else {
            m_head->Chin = inside;
        }
        update();
        emit headMoved();
        return;
    }
    }
}

void TFrameView::mouseReleaseEvent(QMouseEvent*) {
    m_drag = Drag::None;
}

void TFrameView::wheelEvent(QWheelEvent* event) {
    const double steps = event->angleDelta().y() / 120.0;
    if (steps != 0 && !m_frame.isEmpty())
        changeFrame(ResizedFrame(m_frame, std::pow(kWheelFactor, -steps), m_pictureSize));
    event->accept();
}

void TFrameView::keyPressEvent(QKeyEvent* event) {
    if (const std::optional<double> degrees = TurnedByKey(
            m_degrees, event->key(), event->modifiers() & Qt::ShiftModifier)) {
        setAngle(*degrees);
        emit frameMoved();
        return;
    }
    const double step =
        (event->modifiers() & Qt::ShiftModifier ? kLargeStep : kSmallStep) / m_scale;
    QPointF delta;
    switch (event->key()) {
    case Qt::Key_Left:
        delta = {-step, 0};
        break;
    case Qt::Key_Right:
        delta = {step, 0};
        break;
    case Qt::Key_Up:
        delta = {0, -step};
        break;
    case Qt::Key_Down:
        delta = {0, step};
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        changeFrame(ResizedFrame(m_frame, kKeyFactor, m_pictureSize));
        return;
    case Qt::Key_Minus:
        changeFrame(ResizedFrame(m_frame, 1 / kKeyFactor, m_pictureSize));
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    changeFrame(MovedFrame(m_frame, delta, m_pictureSize));
}

TFrameDlg::TFrameDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FrameDlg"));
    setWindowTitle(QStringLiteral("Frame Photo"));
    setModal(true);
    m_view = new TFrameView(this);
    verdict_lbl = new QLabel(this);
    verdict_lbl->setWordWrap(true);
    verdict_lbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    verdict_lbl->setMinimumHeight(3 * verdict_lbl->fontMetrics().lineSpacing());
    original_btn =
        m_components.add(new QPushButton(QStringLiteral("Original"), this), "original_btn");
    ok_btn = m_components.add(new QPushButton(QStringLiteral("OK"), this), "ok_btn");
    cancel_btn = m_components.add(new QPushButton(QStringLiteral("Cancel"), this), "cancel_btn");
    frame_ts = m_components.add(new TTextStorage(QStringLiteral("frame_ts"), FrameTexts(), this),
                                "frame_ts");
    ok_btn->setDefault(true);
    original_btn->setAutoDefault(false);
    cancel_btn->setAutoDefault(false);
    background_lbl = new QLabel(this);
    background_cmb = new QComboBox(this);
    background_cmb->setObjectName(QStringLiteral("background_cmb"));
    for (Backdrop b : kBackdrops)
        background_cmb->addItem(QString::fromUtf8(kBackdropNames[int(b)]), int(b));
    background_lbl->setBuddy(background_cmb);
    m_previewTimer = new QTimer(this);
    m_previewTimer->setSingleShot(true);
    m_previewTimer->setInterval(kPreviewDelayMs);
    connect(m_previewTimer, &QTimer::timeout, this, &TFrameDlg::PreviewBackdrop);
    connect(background_cmb, &QComboBox::currentIndexChanged, this, [this] {
        m_view->setBackdropShown({});
        PreviewBackdrop();
    });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(original_btn);
    buttons->addSpacing(12);
    buttons->addWidget(background_lbl);
    buttons->addWidget(background_cmb);
    buttons->addStretch(1);
    buttons->addWidget(ok_btn);
    buttons->addWidget(cancel_btn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addWidget(verdict_lbl);
    layout->addLayout(buttons);

    connect(ok_btn, &QPushButton::clicked, this, [this] {
        m_outcome = Outcome::Apply;
        accept();
    });
    connect(original_btn, &QPushButton::clicked, this, [this] {
        m_outcome = Outcome::Original;
        accept();
    });
    connect(cancel_btn, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_view, &TFrameView::frameMoved, this, [this] {
        m_littleRoomAbove = m_littleRoomBelow = false;
        UpdateVerdict();
        m_previewTimer->start();
    });
    connect(m_view, &TFrameView::headMoved, this, [this] {
        if (m_detection)
            m_detection->Head = *m_view->head();
        Propose();
    });
}

QString TFrameDlg::Text(const char* english) const {
    return frame_ts->Translate(QString::fromUtf8(english));
}

TFrameDlg::Outcome TFrameDlg::Execute(const Request& request) {
    Prepare(request);
    m_view->setFocus();
    exec();
    m_crop = CropRect(m_view->frame(), m_view->pictureSize().toSize());
    m_turned = m_view->turned();
    m_previewTimer->stop();
    ++m_previewGeneration;
    ++m_generation; // a detection still under way is dropped when it comes back
    m_view->setPicture(QImage(), 1);
    return m_outcome;
}

void TFrameDlg::Prepare(const Request& request) {
    m_outcome = Outcome::Cancelled;
    m_norm = request.Norm;
    m_workers = request.Workers;
    background_lbl->setText(Text(kBackground));
    for (int i = 0; i < background_cmb->count(); ++i)
        background_cmb->setItemText(i, Text(kBackdropNames[i]));
    m_detection.reset();
    m_littleRoomAbove = m_littleRoomBelow = false;
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QSize size(std::min(work.width(), kMaxWindowWidth),
                     std::min(work.height(), kMaxWindowHeight));
    resize(size);
    move(work.center() - QPoint(size.width() / 2, size.height() / 2));
    const QSizeF picture = request.Picture.size();
    m_view->setPicture(request.Picture, FitScale(picture, QSizeF(size - kChrome)));
    m_view->setGuides(GuidesFor(m_norm), m_norm.SizeMm.height());
    m_view->setFrame(LargestFrame(request.Aspect, picture));

    const int generation = ++m_generation;
    if (request.Known) {
        DetectionDone(generation, *request.Known);
    } else if (request.Model && request.Workers) {
        // The worker owns what it reads; its answer is dropped if the window has moved on.
        const QImage shown = request.Picture;
        const FaceModel* model = request.Model;
        request.Workers->start([this, generation, shown, model] {
            const HeadDetection found = DetectHead(*model, shown);
            QMetaObject::invokeMethod(
                this, [this, generation, found] { DetectionDone(generation, found); },
                Qt::QueuedConnection);
        });
        UpdateVerdict();
    } else {
        DetectionDone(generation, HeadDetection{});
    }
}

void TFrameDlg::DetectionDone(int generation, const HeadDetection& detection) {
    if (generation != m_generation)
        return;
    m_detection = detection;
    if (detection.Found()) {
        m_view->setHead(detection.Head);
        Propose();
    } else {
        UpdateVerdict();
    }
}

void TFrameDlg::Propose() {
    if (!m_detection || !m_detection->Found())
        return;
    const QSizeF picture = m_view->pictureSize();
    FrameProposal proposal;
    const TurnedFrame level = ProposeLevelFrame(m_detection->Head, m_norm, picture, &proposal);
    // The frame keeps the format's own aspect, which the norm's millimetres may round.
    const double aspect = m_view->frame().width() / m_view->frame().height();
    QRectF frame(0, 0, level.Rect.height() * aspect, level.Rect.height());
    frame.moveCenter(level.Rect.center());
    m_view->setFrame(KeepInside(frame, picture));
    m_view->setAngle(level.Degrees);
    PreviewBackdrop();
    m_littleRoomAbove = proposal.LittleRoomAbove;
    m_littleRoomBelow = proposal.LittleRoomBelow;
    UpdateVerdict();
}

void TFrameDlg::UpdateVerdict() {
    if (!m_detection) {
        verdict_lbl->setText(Text(kLooking));
        return;
    }
    const FaceResult& face = m_detection->Face;
    if (!m_detection->Found()) {
        const char* text = face.miss == FaceMiss::TooSmall ? kTooSmall
                           : face.miss == FaceMiss::NoFace ? kNoFace
                                                           : kNoModel;
        verdict_lbl->setText(Text(text));
        return;
    }
    const HeadPoints& head = *m_view->head();
    // Measured in the frame's own axes: the tilt left is the head's against the turned frame.
    const TurnedFrame turned = m_view->turned();
    const FrameVerdict verdict = JudgeFrame(HeadInCrop(head, turned),
                                            QRectF(QPointF(0, 0), turned.Rect.size()), m_norm);
    const bool usual = m_norm.Kind == NormKind::Fallback;
    QStringList measures;
    measures << Text(usual ? kHeadUsual : kHeadNorm)
                    .arg(number(verdict.Measure.HeadMm), range(m_norm.Head.Min),
                         range(m_norm.Head.Max));
    if (m_norm.EyeLine)
        measures << Text(usual ? kEyeUsual : kEyeNorm)
                        .arg(number(verdict.Measure.EyeLineMm), range(m_norm.EyeLine->Min),
                             range(m_norm.EyeLine->Max));
    else
        measures << Text(kEyeOnly).arg(number(verdict.Measure.EyeLineMm));
    QStringList warnings;
    if (verdict.Has(FrameWarning::Tilted))
        warnings << Text(kTilted).arg(number(std::abs(verdict.TiltDegrees)));
    if (face.turned)
        warnings << Text(kTurned);
    if (m_littleRoomAbove || verdict.Has(FrameWarning::LittleRoomAbove))
        warnings << Text(kRoomAbove);
    if (m_littleRoomBelow || verdict.Has(FrameWarning::LittleRoomBelow))
        warnings << Text(kRoomBelow);
    if (head.CrownUncertain)
        warnings << Text(kCrownUncertain);
    if (face.faceCount > 1)
        warnings << Text(kTwoFaces);
    verdict_lbl->setText(
        measures.join(QStringLiteral("; ")) +
        (warnings.isEmpty() ? QString() : QLatin1Char('\n') + warnings.join(QStringLiteral("; "))));
}

QRect TFrameDlg::Crop() const {
    return isVisible() ? CropRect(m_view->frame(), m_view->pictureSize().toSize()) : m_crop;
}

TurnedFrame TFrameDlg::Turned() const {
    return isVisible() ? m_view->turned() : m_turned;
}

void TFrameDlg::SetBackdrop(Backdrop backdrop) {
    background_cmb->setCurrentIndex(background_cmb->findData(int(backdrop)));
}

Backdrop TFrameDlg::ChosenBackdrop() const {
    return Backdrop(background_cmb->currentData().toInt());
}

QString TFrameDlg::ReplacingText() const {
    return Text(kReplacing);
}

// The chosen background on the shown (scaled) picture, worked out off this thread on the
// frame's area as applying will; shown when it comes back, unless the window has moved on.
void TFrameDlg::PreviewBackdrop() {
    const int generation = ++m_previewGeneration;
    const Backdrop backdrop = ChosenBackdrop();
    if (backdrop == Backdrop::AsShot || !m_detection || !m_detection->Found() || !m_workers) {
        m_view->setBackdropShown({});
        return;
    }
    const double scale = m_view->scale();
    const QImage shown = m_view->shownPicture();
    std::array<QPointF, 68> landmarks = m_detection->Face.landmarks;
    for (QPointF& point : landmarks)
        point *= scale;
    const PersonSeeds seeds{landmarks, m_view->head()->Crown * scale};
    TurnedFrame frame = m_view->turned();
    frame.Rect = QRectF(frame.Rect.topLeft() * scale, frame.Rect.size() * scale);
    m_workers->start([this, generation, shown, seeds, frame, backdrop] {
        QImage preview = shown.convertToFormat(QImage::Format_RGB32);
        PlainBackground(preview, BackdropArea(frame, preview.size()), seeds, backdrop);
        QMetaObject::invokeMethod(
            this,
            [this, generation, preview] {
                if (generation == m_previewGeneration)
                    m_view->setBackdropShown(preview);
            },
            Qt::QueuedConnection);
    });
}

QString TFrameDlg::Verdict() const {
    return verdict_lbl->text();
}
