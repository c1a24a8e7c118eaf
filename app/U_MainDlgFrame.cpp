// The main window's framing side: the framing window, applying a frame, and the head size
// of the picture as it will print.
#include "app/U_MainDlg.h"

#include "app/U_FrameApply.h"
#include "app/U_FrameDlg.h"
#include "app/U_PictureView.h"
#include "picture/U_JpegEncode.h"
#include "picture/U_Picture.h"
#include "picture/U_PictureFile.h"
#include "platform/U_SafeWrite.h"
#include "support/U_BackgroundWork.h"
#include "support/U_QMKSUtils.h"

#include <QBuffer>
#include <QComboBox>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <memory>
#include <QThreadPool>

namespace {

constexpr int kInformation = 4;
// Replacing the background of a large picture takes seconds; far longer means a fault.
constexpr std::chrono::minutes kApplyTimeLimit(5);

} // namespace

void TMainDlg::SetFaceModel(std::unique_ptr<FaceModel> model) {
    m_workers->waitForDone(); // detections may still read the old one
    m_faceModel = std::move(model);
    if (m_faceModel)
        m_faceModel->startLoading();
    RequestHead(); // a picture loaded before the model came
}

const PhotoNorm* TMainDlg::CurrentNorm() const {
    const std::vector<PhotoNorm>& norms = PhotoNorms();
    const int index = format_cmb->currentIndex();
    return index >= 0 && size_t(index) < norms.size() ? &norms[size_t(index)] : nullptr;
}

void TMainDlg::FramePhoto1Click() {
    if (m_workFile.isEmpty()) {
        Translated(QStringLiteral("Load a picture first"), kInformation);
        return;
    }
    const PhotoNorm* norm = CurrentNorm();
    PhotoFormat format;
    if (!norm || !ParseFormatLabel(format_cmb->currentText(), format))
        return;
    TFrameDlg::Request request;
    request.Picture = img->picture();
    request.Aspect = FormatAspect(format);
    request.Norm = *norm;
    request.Model = m_faceModel.get();
    request.Workers = m_workers.get();
    if (m_head)
        request.Known = m_head;
    m_frameDlg->SetBackdrop(
        BackdropFromKey(ReadSetting(*m_platform.settings, kBackdropSetting))
            .value_or(kDefaultBackdrop));
    switch (m_frameDlg->Execute(request)) {
    case TFrameDlg::Outcome::Apply: {
        const TurnedFrame frame = m_frameDlg->Turned();
        const Backdrop backdrop = m_frameDlg->ChosenBackdrop();
        WriteSetting(*m_platform.settings, kBackdropSetting, BackdropKey(backdrop));
        std::optional<HeadDetection> head = m_frameDlg->Detection();
        const bool found = head && head->Found();
        ApplyFrame(frame, backdrop,
                   found ? std::optional(SeedsOf(head->Face.landmarks, head->Head.Crown))
                         : std::nullopt);
        // The head the user saw (crown and chin perhaps placed by hand) is the one measured,
        // not a fresh guess on the framed picture.
        if (found) {
            ++m_headGeneration;
            head->Head = HeadInCrop(head->Head, frame);
            m_head = head;
            LogHead();
        }
        break;
    }
    case TFrameDlg::Outcome::Original:
        LoadPicture(m_lastOpened.isEmpty() ? m_workFile : m_lastOpened);
        break;
    case TFrameDlg::Outcome::Cancelled:
        break;
    }
}

void TMainDlg::ApplyFrame(const QRect& crop) {
    ApplyFrame(TurnedFrame{QRectF(crop), 0}, Backdrop::AsShot, std::nullopt);
}

void TMainDlg::ApplyFrame(const TurnedFrame& frame, Backdrop backdrop,
                          const std::optional<PersonSeeds>& person) {
    if (m_workFile.isEmpty() || frame.Rect.isEmpty())
        return;
    LogInfo(FramingLogLine(frame));
    {
        BusyCursor busy;
        QProgressDialog progress(m_frameDlg->ReplacingText(), QString(), 0, 100, this);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(backdrop == Backdrop::AsShot ? 1000 : 0);
        const QString path = m_workFile;
        const int turns = m_quarterTurns;
        // The worker leaves its share where the bar reads it; it may outlive the bar.
        const auto share = std::make_shared<std::atomic<int>>(0);
        const Progress report = [share](int done) { *share = done; };
        QTimer poll;
        connect(&poll, &QTimer::timeout, &progress, [&progress, share] { progress.setValue(*share); });
        poll.start(100);
        RunInBackground(
            [path, turns, frame, backdrop, person, report] {
                // The working copy as loaded, turned as it is shown; the colour comes back
                // on loading.
                QImage picture = DecodePicture(ReadPictureFile(path), path);
                for (int turn = 0; turn < turns; ++turn)
                    picture = Rotated90Clockwise(picture);
                WriteFramed(FramedPicture(std::move(picture), frame, backdrop, person, report),
                            path);
            },
            kApplyTimeLimit);
    }
    LoadTransformed(m_workFile, m_colourTransform);
}

void TMainDlg::RequestHead() {
    m_head.reset();
    const int generation = ++m_headGeneration;
    if (!m_faceModel || m_workFile.isEmpty())
        return;
    const QImage shown = img->picture();
    const FaceModel* model = m_faceModel.get();
    m_workers->start([this, generation, shown, model] {
        const HeadDetection found = DetectHead(*model, shown);
        QMetaObject::invokeMethod(
            this,
            [this, generation, found] {
                if (generation != m_headGeneration)
                    return;
                m_head = found;
                LogHead();
            },
            Qt::QueuedConnection);
    });
}

void TMainDlg::LogHead() {
    const PhotoNorm* norm = CurrentNorm();
    if (!m_head || !m_head->Found() || !norm)
        return;
    LogInfo(HeadLogLine(m_head->Head, *norm, img->picture().size(), img->stretch()));
}
