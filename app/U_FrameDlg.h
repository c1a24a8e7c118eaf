#pragma once

#include "app/U_FrameGeometry.h"
#include "app/U_HeadDetect.h"
#include "picture/U_Backdrop.h"
#include "picture/U_Level.h"
#include "localization/ComponentList.h"

#include <QDialog>
#include <QImage>

#include <optional>

class QComboBox;
class QLabel;
class QTimer;
class QPushButton;
class QThreadPool;
class TTextStorage;

// The picture with the frame over it: the outside dimmed, the norm's guides inside, the
// face's marks. The picture is scaled once, when it is set; frame and marks are kept in the
// pixels of the full picture.
class TFrameView : public QWidget {
    Q_OBJECT

public:
    explicit TFrameView(QWidget* parent = nullptr);

    // Shows picture scaled by scale (at most 1); the picture itself is not kept.
    void setPicture(const QImage& picture, double scale);
    QSizeF pictureSize() const { return m_pictureSize; }
    double scale() const { return m_scale; }
    void setFrame(const QRectF& frame);
    const QRectF& frame() const { return m_frame; }
    // The frame's angle, clockwise in degrees; the frame turns about its centre.
    void setAngle(double degrees);
    TurnedFrame turned() const { return {m_frame, m_degrees}; }
    // The shown picture, and the same with the background replaced (null: as shot).
    const QImage& shownPicture() const { return m_scaled; }
    void setBackdropShown(const QImage& shown);
    void setGuides(const FrameGuides& guides, double photoHeightMm);
    void setHead(const std::optional<HeadPoints>& head);
    const std::optional<HeadPoints>& head() const { return m_head; }

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

    QImage m_scaled;
    QImage m_backdropShown;
    double m_degrees = 0;
    QSizeF m_pictureSize;
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

// The framing window: shows the working picture as it is shown, proposes a frame from the
// face it finds (off this thread), and lets the user move and size the frame and correct
// crown and chin. Its texts pass through frame_ts.
class TFrameDlg : public QDialog, public IComponentOwner {
    Q_OBJECT

public:
    enum class Outcome { Cancelled, Apply, Original };

    struct Request {
        QImage Picture; // as shown, rotations and colour included
        double Aspect = 1;
        PhotoNorm Norm;
        const FaceModel* Model = nullptr; // none: the automatic part says what to install
        QThreadPool* Workers = nullptr;
        std::optional<HeadDetection> Known; // a detection already made on this picture
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

    QList<QObject*> Components() const override { return m_components.components(); }

private:
    void Prepare(const Request& request);
    void DetectionDone(int generation, const HeadDetection& detection);
    void Propose();
    void UpdateVerdict();
    void PreviewBackdrop();
    QString Text(const char* english) const;

    TComponentList m_components;
    TFrameView* m_view = nullptr;
    QLabel* verdict_lbl = nullptr;
    QLabel* background_lbl = nullptr;
    QComboBox* background_cmb = nullptr;
    QTimer* m_previewTimer = nullptr;
    int m_previewGeneration = 0;
    QThreadPool* m_workers = nullptr;
    QPushButton* original_btn = nullptr;
    QPushButton* ok_btn = nullptr;
    QPushButton* cancel_btn = nullptr;
    TTextStorage* frame_ts = nullptr;

    Outcome m_outcome = Outcome::Cancelled;
    int m_generation = 0;
    PhotoNorm m_norm;
    bool m_hasModel = false;
    std::optional<HeadDetection> m_detection;
    bool m_littleRoomAbove = false;
    bool m_littleRoomBelow = false;
    QRect m_crop;
    TurnedFrame m_turned;
};

// The framing window's translatable texts, in their fixed order.
const QStringList& FrameTexts();
