#include "app/U_FrameDlg.h"

#include "app/U_CheckList.h"
#include "app/U_FrameApply.h"
#include "app/U_FrameTurn.h"
#include "localization/C_TextStorage.h"
#include "localization/Lang_Reading.h"
#include "picture/U_Resample.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace {

// Keys and the wheel size the frame by these factors; Shift+arrow moves it by this share.
constexpr double kWheelFactor = 1.1;
constexpr double kKeyFactor = 1.05;
constexpr double kLargeStepShare = 0.1;
// A mark is taken by the mouse within this many shown pixels.
constexpr double kGrabRadius = 10;
// The frame counts as small in the view below this share of the view's height.
constexpr double kSmallInView = 0.25;
// Title bar and borders assumed until the window manager has framed the window once.
constexpr QMargins kAssumedDecoration(4, 32, 4, 4);
// The shown copy of a whole picture is at most this large on its long side.
constexpr int kOverviewSide = 2400;
constexpr int kProgressMillis = 100;
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
const char* const kLoadingModel = "Loading the face model...";
const char* const kMovedAbove = "Too little room above the head";
const char* const kMovedBelow = "Too little room below the chin";
const char* const kBackground = "Background:";
// In the order of kBackdrops.
const char* const kBackdropNames[] = {"as shot", "white", "light grey", "light blue"};
const char* const kReplacing = "Replacing the background...";
const char* const kHeadCovering =
    "Head covering: most norms accept one only when worn for religious reasons";

QString number(double value) {
    return LocalNumber(value, 1);
}

QString range(double value) {
    const double tenths = std::round(value * 10) / 10;
    return LocalNumber(tenths, tenths == std::round(tenths) ? 0 : 1);
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
             {kLooking,          kHeadNorm,         kHeadUsual,        kEyeNorm,
              kEyeUsual,         kEyeOnly,          kTilted,           kTurned,
              kRoomAbove,        kRoomBelow,        kNoFace,           kCrownUncertain,
              kTwoFaces,         kNoModel,          kTooSmall,         kLoadingModel,
              kMovedAbove,       kMovedBelow,       kBackground,       kBackdropNames[0],
              kBackdropNames[1], kBackdropNames[2], kBackdropNames[3], kReplacing})
            list << QString::fromUtf8(text);
        list << QString::fromUtf8(kHeadCovering);
        return list;
    }();
    return texts;
}

TFrameView::TFrameView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TFrameView::setPicture(const QImage& picture, double overviewScale) {
    m_picture = picture;
    m_overviewScale = overviewScale;
    const QSize shown(std::max(1, int(std::lround(picture.width() * overviewScale))),
                      std::max(1, int(std::lround(picture.height() * overviewScale))));
    m_overview = picture.isNull() ? QImage() : Resampled(picture, shown);
    m_backdropShown = QImage();
    m_degrees = 0;
    m_byHand = false;
    m_head.reset();
    m_frame = QRectF();
    m_region = QRectF(QPointF(), picture.size());
    layOut();
}

void TFrameView::setWhole(bool whole) {
    m_whole = whole;
    zoomOnFrame();
}

void TFrameView::zoomOnFrame() {
    m_region = ZoomRegion(m_frame, size());
    layOut();
}

void TFrameView::layOut() {
    const QRectF region =
        m_whole || m_region.isEmpty() ? QRectF(QPointF(), m_picture.size()) : m_region;
    if (region.isEmpty() || width() < 1 || height() < 1)
        return;
    m_scale = std::min(width() / region.width(), height() / region.height());
    m_offset = QPointF(width() / 2.0, height() / 2.0) - region.center() * m_scale;
    update();
}

void TFrameView::keepFrameInView() {
    if (m_whole || m_frame.isEmpty())
        return;
    if (!visibleRegion().contains(m_frame) || m_frame.height() * m_scale < kSmallInView * height())
        zoomOnFrame();
}

void TFrameView::setFrame(const QRectF& frame) {
    m_frame = frame;
    zoomOnFrame();
}

void TFrameView::setAngle(double degrees, bool byHand) {
    m_degrees = degrees;
    m_byHand = byHand;
    update();
}

void TFrameView::turnTo(double degrees) {
    setAngle(FittingAngle(turned(), degrees, pictureSize()), true);
    m_frame = KeepTurnedInside(turned(), pictureSize()).Rect;
    emit frameMoved();
}

void TFrameView::setBackdropShown(const QImage& shown) {
    m_backdropShown = shown.size() == m_overview.size() ? shown : QImage();
    update();
}

void TFrameView::changeFrame(const QRectF& wanted) {
    const QRectF frame = KeepTurnedInside({wanted, m_degrees}, pictureSize()).Rect;
    if (frame == m_frame)
        return;
    m_frame = frame;
    if (m_drag == Drag::None)
        keepFrameInView();
    update();
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
    zoomOnFrame();
}

void TFrameView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().dark());
    if (m_picture.isNull())
        return;
    // The part of the picture in view, drawn from the scaled copy when that is fine enough.
    const QRectF shown = QRectF(toView(QPointF()), m_picture.size() * m_scale).intersected(rect());
    const QRectF source(toPicture(shown.topLeft()), shown.size() / m_scale);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    // The background preview is worked out on the scaled copy only.
    if (!m_backdropShown.isNull())
        p.drawImage(shown, m_backdropShown,
                    QRectF(source.topLeft() * m_overviewScale, source.size() * m_overviewScale));
    else if (m_scale <= m_overviewScale)
        p.drawImage(shown, m_overview,
                    QRectF(source.topLeft() * m_overviewScale, source.size() * m_overviewScale));
    else
        p.drawImage(shown, m_picture, source);
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
    if (event->button() != Qt::LeftButton || m_picture.isNull())
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
        changeFrame(MovedFrame(m_frameFrom, at - m_dragFrom, pictureSize()));
        return;
    case Drag::Turn:
        turnTo(AngleFromHandle(turned(), at));
        return;
    case Drag::Crown:
    case Drag::Chin: {
        const QPointF inside(std::clamp(at.x(), 0.0, pictureSize().width()),
                             std::clamp(at.y(), 0.0, pictureSize().height()));
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
    keepFrameInView();
}

// As in picture viewers: wheel up (with or without Ctrl) and "+" make the head larger, which
// here means a smaller frame around it.
void TFrameView::wheelEvent(QWheelEvent* event) {
    const double steps = event->angleDelta().y() / 120.0;
    if (steps != 0 && !m_frame.isEmpty())
        changeFrame(ResizedFrame(m_frame, std::pow(kWheelFactor, -steps), pictureSize()));
    event->accept();
}

void TFrameView::keyPressEvent(QKeyEvent* event) {
    if (const std::optional<double> degrees =
            TurnedByKey(m_degrees, event->key(), event->modifiers() & Qt::ShiftModifier)) {
        turnTo(*degrees);
        return;
    }
    const bool large = event->modifiers() & Qt::ShiftModifier;
    const double across = large ? kLargeStepShare * m_frame.width() : ArrowStep(m_scale);
    const double down = large ? kLargeStepShare * m_frame.height() : ArrowStep(m_scale);
    QPointF delta;
    switch (event->key()) {
    case Qt::Key_Left:
        delta = {-across, 0};
        break;
    case Qt::Key_Right:
        delta = {across, 0};
        break;
    case Qt::Key_Up:
        delta = {0, -down};
        break;
    case Qt::Key_Down:
        delta = {0, down};
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        changeFrame(ResizedFrame(m_frame, 1 / kKeyFactor, pictureSize()));
        return;
    case Qt::Key_Minus:
        changeFrame(ResizedFrame(m_frame, kKeyFactor, pictureSize()));
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    changeFrame(MovedFrame(m_frame, delta, pictureSize()));
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
    m_checkList = new TCheckList(this);
    m_components.add(m_checkList->Texts(), "checks_ts");
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(false);
    m_progress->setMaximumWidth(200);
    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(kProgressMillis);
    reset_btn = m_components.add(new QPushButton(QStringLiteral("Reset"), this), "reset_btn");
    whole_btn =
        m_components.add(new QPushButton(QStringLiteral("Whole picture"), this), "whole_btn");
    whole_btn->setCheckable(true);
    ok_btn = m_components.add(new QPushButton(QStringLiteral("OK"), this), "ok_btn");
    cancel_btn = m_components.add(new QPushButton(QStringLiteral("Cancel"), this), "cancel_btn");
    frame_ts = m_components.add(new TTextStorage(QStringLiteral("frame_ts"), FrameTexts(), this),
                                "frame_ts");
    ok_btn->setDefault(true);
    for (QPushButton* button : {reset_btn, whole_btn, cancel_btn})
        button->setAutoDefault(false);
    background_lbl = new QLabel(this);
    background_cmb = new QComboBox(this);
    background_cmb->setObjectName(QStringLiteral("background_cmb"));
    // Sized to its texts in the language shown, not the one of the first showing.
    background_cmb->setSizeAdjustPolicy(QComboBox::AdjustToContents);
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
    buttons->addWidget(reset_btn);
    buttons->addWidget(whole_btn);
    buttons->addWidget(m_progress);
    buttons->addSpacing(12);
    buttons->addWidget(background_lbl);
    buttons->addWidget(background_cmb);
    buttons->addStretch(1);
    buttons->addWidget(ok_btn);
    buttons->addWidget(cancel_btn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addWidget(verdict_lbl);
    layout->addWidget(m_checkList);
    layout->addLayout(buttons);

    connect(ok_btn, &QPushButton::clicked, this, [this] {
        m_outcome = Outcome::Apply;
        accept();
    });
    connect(reset_btn, &QPushButton::clicked, this, &TFrameDlg::Reset);
    connect(whole_btn, &QPushButton::toggled, m_view, &TFrameView::setWhole);
    connect(cancel_btn, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_progressTimer, &QTimer::timeout, this, &TFrameDlg::ShowWaiting);
    connect(m_view, &TFrameView::frameMoved, this, [this] {
        ++m_previewGeneration; // a preview of the frame before is dropped when it comes back
        UpdateVerdict();
        m_previewTimer->start();
    });
    connect(m_view, &TFrameView::headMoved, this, [this] {
        if (m_detection)
            m_detection->Head = *m_view->head();
        Propose(true);
    });
}

QString TFrameDlg::Text(const char* english) const {
    return frame_ts->Translate(QString::fromUtf8(english));
}

TFrameDlg::Outcome TFrameDlg::Execute(const Request& request) {
    Prepare(request);
    m_view->setFocus();
    // Once the window manager has framed the window, its real borders are known.
    QTimer::singleShot(0, this, &TFrameDlg::FitToScreen);
    exec();
    m_progressTimer->stop();
    m_turned = WholeTurned(m_view->turned(), m_view->pictureSize().toSize());
    m_previewTimer->stop();
    ++m_previewGeneration;
    ++m_generation; // a detection still under way is dropped when it comes back
    m_view->setPicture(QImage(), 1);
    m_checkList->Results(); // checks still waiting are made now, for the caller
    m_picture = QImage();
    return m_outcome;
}

void TFrameDlg::FitToScreen() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    QMargins decoration(inner.left() - outer.left(), inner.top() - outer.top(),
                        outer.right() - inner.right(), outer.bottom() - inner.bottom());
    if (!isVisible() || decoration.isNull())
        decoration = kAssumedDecoration;
    setGeometry(FrameWindowRect(screen->availableGeometry(), decoration));
}

void TFrameDlg::Prepare(const Request& request) {
    m_outcome = Outcome::Cancelled;
    m_norm = request.Norm;
    m_aspect = request.Aspect;
    m_model = request.Model;
    m_workers = request.Workers;
    background_lbl->setText(Text(kBackground));
    for (int i = 0; i < background_cmb->count(); ++i)
        background_cmb->setItemText(i, Text(kBackdropNames[i]));
    m_detection.reset();
    m_picture = request.Picture;
    m_checkList->setResults({});
    m_proposal.reset();
    FitToScreen();
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QSize overview = screen ? screen->size() * screen->devicePixelRatio() : QSize();
    const QSizeF picture = request.Picture.size();
    m_view->setPicture(request.Picture,
                       FitScale(picture, overview.isEmpty() ? QSizeF(kOverviewSide, kOverviewSide)
                                                            : QSizeF(overview)));
    m_view->setGuides(GuidesFor(m_norm), m_norm.SizeMm.height());
    whole_btn->setChecked(false);
    m_view->setFrame(LargestFrame(request.Aspect, picture));

    const int generation = ++m_generation;
    if (request.Known) {
        DetectionDone(generation, *request.Known);
    } else if ((request.Model || request.Finder) && request.Workers) {
        // The worker owns what it reads; its answer is dropped if the window has moved on.
        const QImage shown = request.Picture;
        const FaceModel* model = request.Model;
        auto finder = request.Finder;
        request.Workers->start([this, generation, shown, model, finder] {
            const HeadDetection found = finder ? finder(shown) : DetectHead(*model, shown);
            QMetaObject::invokeMethod(
                this, [this, generation, found] { DetectionDone(generation, found); },
                Qt::QueuedConnection);
        });
        ShowWaiting();
        m_progressTimer->start();
    } else {
        DetectionDone(generation, HeadDetection{});
    }
}

void TFrameDlg::ShowWaiting() {
    const bool loading = m_model && !m_model->ready() && m_model->status().isEmpty();
    m_progress->setVisible(loading);
    if (loading)
        m_progress->setValue(int(std::lround(100 * m_model->progress())));
    UpdateVerdict();
}

void TFrameDlg::DetectionDone(int generation, const HeadDetection& detection) {
    if (generation != m_generation)
        return;
    m_progressTimer->stop();
    m_progress->hide();
    m_detection = detection;
    if (detection.Found())
        m_view->setHead(detection.Head);
    Reset();
}

void TFrameDlg::Reset() {
    if (m_detection && m_detection->Found()) {
        m_view->setHead(m_detection->Head);
        Propose();
    } else {
        m_proposal.reset();
        m_view->setFrame(LargestFrame(m_aspect, m_view->pictureSize()));
        UpdateVerdict();
    }
}

void TFrameDlg::Propose(bool keepAngle) {
    if (!m_detection || !m_detection->Found())
        return;
    FrameProposal proposal;
    const bool byHand = keepAngle && m_view->turnedByHand();
    const TurnedFrame level = ProposeLevelFrameForFormat(
        m_detection->Head, m_norm, m_aspect, m_view->pictureSize(), &proposal,
        byHand ? std::optional(m_view->turned().Degrees) : std::nullopt);
    m_proposal = proposal;
    m_view->setFrame(m_proposal->Frame);
    m_view->setAngle(level.Degrees, byHand);
    PreviewBackdrop();
    UpdateVerdict();
}

void TFrameDlg::UpdateVerdict() {
    ok_btn->setEnabled(m_detection.has_value());
    reset_btn->setEnabled(m_detection.has_value());
    if (!m_detection) {
        const bool loading = m_model && !m_model->ready() && m_model->status().isEmpty();
        verdict_lbl->setText(Text(loading ? kLoadingModel : kLooking));
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
    const FrameVerdict verdict =
        JudgeFrame(HeadInCrop(head, turned), QRectF(QPointF(0, 0), turned.Rect.size()), m_norm);
    // The checks count the frame's angle counter-clockwise.
    m_checkList->Check(
        {m_picture, face.landmarks, turned.Rect, -turned.Degrees, m_norm.SizeMm, head.Crown});
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
    // What the proposal could not reach is told only while its frame is the one shown.
    const bool proposed = m_proposal && m_proposal->Frame == m_view->frame();
    QStringList warnings;
    if (verdict.Has(FrameWarning::Tilted))
        warnings << Text(kTilted).arg(number(std::abs(verdict.TiltDegrees)));
    if (face.turned)
        warnings << Text(kTurned);
    if (proposed && m_proposal->LittleRoomAbove)
        warnings << Text(kRoomAbove);
    else if (verdict.Has(FrameWarning::LittleRoomAbove))
        warnings << Text(kMovedAbove);
    if (proposed && m_proposal->LittleRoomBelow)
        warnings << Text(kRoomBelow);
    else if (verdict.Has(FrameWarning::LittleRoomBelow))
        warnings << Text(kMovedBelow);
    if (head.HeadCovered)
        warnings << Text(kHeadCovering);
    if (head.CrownUncertain)
        warnings << Text(kCrownUncertain);
    if (face.faceCount > 1)
        warnings << Text(kTwoFaces);
    verdict_lbl->setText(
        measures.join(QStringLiteral("; ")) +
        (warnings.isEmpty() ? QString() : QLatin1Char('\n') + warnings.join(QStringLiteral("; "))));
}

QRect TFrameDlg::Crop() const {
    return Turned().Rect.toRect();
}

TurnedFrame TFrameDlg::Turned() const {
    return isVisible() ? WholeTurned(m_view->turned(), m_view->pictureSize().toSize()) : m_turned;
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

// The chosen background on the shown (scaled) copy, worked out off this thread on the frame's
// area as applying will; shown when it comes back, unless the window has moved on.
void TFrameDlg::PreviewBackdrop() {
    const int generation = ++m_previewGeneration;
    const Backdrop backdrop = ChosenBackdrop();
    if (backdrop == Backdrop::AsShot || !m_detection || !m_detection->Found() || !m_workers ||
        !m_view->head()) {
        m_view->setBackdropShown({});
        m_checkList->setBackdropResults({});
        return;
    }
    const double scale = m_view->overviewScale();
    const QImage shown = m_view->overview();
    std::array<QPointF, 68> landmarks = m_detection->Face.landmarks;
    for (QPointF& point : landmarks)
        point *= scale;
    const PersonSeeds seeds{landmarks, m_view->head()->Crown * scale};
    TurnedFrame frame = m_view->turned();
    frame.Rect = QRectF(frame.Rect.topLeft() * scale, frame.Rect.size() * scale);
    const QSizeF photoMm = m_norm.SizeMm;
    m_workers->start([this, generation, shown, seeds, frame, backdrop, photoMm] {
        QImage preview = shown.convertToFormat(QImage::Format_RGB32);
        PlainBackground(preview, BackdropArea(frame, preview.size()), seeds, backdrop);
        // The background as it will print; the checks count the angle counter-clockwise.
        const std::vector<CheckResult> replaced =
            RunChecks({preview, seeds.Landmarks, frame.Rect, -frame.Degrees, photoMm, seeds.Crown});
        QMetaObject::invokeMethod(
            this,
            [this, generation, preview, replaced] {
                if (generation != m_previewGeneration)
                    return;
                m_view->setBackdropShown(preview);
                m_checkList->setBackdropResults(replaced);
            },
            Qt::QueuedConnection);
    });
}

QString TFrameDlg::Verdict() const {
    return verdict_lbl->text();
}
