#pragma once

#include "app/U_FrameGeometry.h"
#include "app/U_HeadDetect.h"
#include "picture/U_Backdrop.h"
#include "picture/U_Level.h"
#include "localization/ComponentList.h"

#include <QDialog>
#include <QImage>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class TCheckList;
class QThreadPool;
class QTimer;
class TTextStorage;

// The picture with the frame over it: the outside dimmed, the norm's guides inside, the
// face's marks. It shows either the region around the frame, zoomed, or the whole picture.
// Frame and marks are kept in the pixels of the full picture.
class TFrameView : public QWidget {
    Q_OBJECT

public:
    explicit TFrameView(QWidget* parent = nullptr);

    // Shows picture (shared, not copied); a copy scaled by overviewScale (at most 1) is kept
    // for showing it whole.
    void setPicture(const QImage& picture, double overviewScale);
    QSizeF pictureSize() const { return m_picture.size(); }
    // View pixels per picture pixel, as now shown.
    double scale() const { return m_scale; }
    void setFrame(const QRectF& frame);
    const QRectF& frame() const { return m_frame; }
    // The frame's angle, clockwise in degrees; the frame turns about its centre. byHand marks
    // an angle the user chose, which a new proposal keeps.
    void setAngle(double degrees, bool byHand = false);
    bool turnedByHand() const { return m_byHand; }
    TurnedFrame turned() const { return {m_frame, m_degrees}; }
    // The scaled copy and its scale, and the same copy with the background replaced (null:
    // as shot).
    const QImage& overview() const { return m_overview; }
    double overviewScale() const { return m_overviewScale; }
    void setBackdropShown(const QImage& shown);
    void setGuides(const FrameGuides& guides, double photoHeightMm);
    void setHead(const std::optional<HeadPoints>& head);
    const std::optional<HeadPoints>& head() const { return m_head; }

    // Whole picture, or the region around the frame (zoomed again on the frame as it is).
    void setWhole(bool whole);
    bool whole() const { return m_whole; }
    // The part of the picture the view shows, in picture pixels.
    QRectF visibleRegion() const {
        return QRectF(toPicture(QPointF()), toPicture(QPointF(width(), height())));
    }

    // Where a picture point is drawn.
    QPointF toView(const QPointF& p) const { return m_offset + p * m_scale; }
    QPointF toPicture(const QPointF& v) const { return (v - m_offset) / m_scale; }

signals:
    void frameMoved();
    void headMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Drag { None, Frame, Crown, Chin, Turn };
    void changeFrame(const QRectF& frame);
    // The user's turn: only as far as the frame fits, moved to stay inside the picture.
    void turnTo(double degrees);
    void zoomOnFrame();
    void layOut();
    // Zooms again when the frame has left the view or shrunk to a small part of it.
    void keepFrameInView();

    QImage m_picture;
    QImage m_overview;
    double m_overviewScale = 1;
    QImage m_backdropShown;
    double m_degrees = 0;
    bool m_byHand = false;
    QRectF m_region; // the zoomed region, picture pixels
    bool m_whole = false;
    double m_scale = 1;
    QPointF m_offset;
    QRectF m_frame;
    FrameGuides m_guides;
    double m_photoHeightMm = 0;
    std::optional<HeadPoints> m_head;
    Drag m_drag = Drag::None;
    QPointF m_dragFrom; // picture pixels
    QRectF m_frameFrom;
};

// The framing window: shows the picture as it is shown, proposes a frame from the face it
// finds (off this thread), and lets the user move and size the frame and correct crown and
// chin. OK waits for the face search to end, so that no frame is applied before the face
// could place it. Its texts pass through frame_ts.
class TFrameDlg : public QDialog, public IComponentOwner {
    Q_OBJECT

public:
    enum class Outcome { Cancelled, Apply };

    struct Request {
        QImage Picture; // as shown, rotations and colour included
        double Aspect = 1;
        PhotoNorm Norm;
        const FaceModel* Model = nullptr; // none: the automatic part says what to install
        QThreadPool* Workers = nullptr;
        std::optional<HeadDetection> Known; // a detection already made on this picture
        // Finds the head on a worker instead of the model (which then only reports loading).
        std::function<HeadDetection(const QImage&)> Finder;
    };

    explicit TFrameDlg(QWidget* parent = nullptr);

    // Opens the window modally and returns what the user chose.
    Outcome Execute(const Request& request);
    // The frame as a crop in the pixels of the picture as shown (after Execute: as it closed).
    QRect Crop() const;
    TurnedFrame Turned() const;
    // The background chosen under the picture.
    void SetBackdrop(Backdrop backdrop);
    Backdrop ChosenBackdrop() const;
    // The progress text while the background is replaced, in the window's language.
    QString ReplacingText() const;
    QString Verdict() const;
    TFrameView* View() const { return m_view; }
    // The face as last shown (with crown and chin as the user left them); empty until the
    // detection started by Execute has come back.
    const std::optional<HeadDetection>& Detection() const { return m_detection; }
    TCheckList* CheckList() const { return m_checkList; }

    QList<QObject*> Components() const override { return m_components.components(); }

private:
    void Prepare(const Request& request);
    void FitToScreen();
    void DetectionDone(int generation, const HeadDetection& detection);
    // keepAngle: the angle the user turned the frame to stays (the crown or chin moved).
    void Propose(bool keepAngle = false);
    void Reset();
    void UpdateVerdict();
    void ShowWaiting();
    void PreviewBackdrop();
    QString Text(const char* english) const;

    TComponentList m_components;
    TFrameView* m_view = nullptr;
    QLabel* verdict_lbl = nullptr;
    TCheckList* m_checkList = nullptr;
    QImage m_picture; // as shown, for the checks
    QProgressBar* m_progress = nullptr;
    QTimer* m_progressTimer = nullptr;
    QPushButton* reset_btn = nullptr;
    QPushButton* whole_btn = nullptr;
    QLabel* background_lbl = nullptr;
    QComboBox* background_cmb = nullptr;
    QTimer* m_previewTimer = nullptr;
    int m_previewGeneration = 0;
    QThreadPool* m_workers = nullptr;
    QPushButton* ok_btn = nullptr;
    QPushButton* cancel_btn = nullptr;
    TTextStorage* frame_ts = nullptr;

    Outcome m_outcome = Outcome::Cancelled;
    int m_generation = 0;
    PhotoNorm m_norm;
    double m_aspect = 1;
    const FaceModel* m_model = nullptr;
    std::optional<HeadDetection> m_detection;
    // The frame last proposed and what kept it from the ideal; its warnings hold only while
    // the frame is that one.
    std::optional<FrameProposal> m_proposal;
    TurnedFrame m_turned;
};

// The framing window's translatable texts, in their fixed order.
const QStringList& FrameTexts();
