// The main window's framing side: the framing window, applying a frame, and the head size
// of the picture as it will print, the checks of a framing and their report.
#include "app/U_MainDlg.h"

#include "app/U_CheckList.h"
#include "app/U_CheckReport.h"
#include "app/U_FrameApply.h"
#include "app/U_FrameDlg.h"
#include "app/U_PictureView.h"
#include "picture/U_JpegEncode.h"
#include "picture/U_Picture.h"
#include "picture/U_PictureFile.h"
#include "platform/AppError.h"
#include "platform/U_SafeWrite.h"
#include "support/U_BackgroundWork.h"
#include "support/U_MsgDlg.h"
#include "support/U_QMKSUtils.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QTimer>

#include <QThreadPool>
#include <atomic>
#include <memory>

namespace {

constexpr int kInformation = 4;
// Replacing the background of a large picture takes seconds; far longer means a fault.
constexpr std::chrono::minutes kApplyTimeLimit(5);

QImage Turned(QImage picture, int quarterTurns) {
    for (int turn = 0; turn < quarterTurns; ++turn)
        picture = Rotated90Clockwise(picture);
    return picture;
}

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
    if (!norm || !ParseFormatLabel(FormatLabel(), format))
        return;
    // Framing again starts from the file last opened, turned and coloured as shown, so that
    // it can reach what an earlier framing cut away; the working copy when that file is gone.
    QImage picture = img->picture();
    bool fromOpened = false;
    if (m_workFramed && !m_lastOpened.isEmpty()) {
        try {
            BusyCursor busy;
            picture = Turned(DecodePicture(ReadPictureFile(m_lastOpened), m_lastOpened),
                             (m_workTurns + m_quarterTurns) % 4);
            if (m_colourTransform)
                picture = m_colourTransform(std::move(picture));
            fromOpened = true;
        } catch (const AppError& e) {
            LogInfo(e.message());
            picture = img->picture();
        }
    }
    TFrameDlg::Request request;
    request.Picture = picture;
    request.Aspect = FormatAspect(format);
    request.Norm = *norm;
    request.Model = m_faceModel.get();
    request.Workers = m_workers.get();
    if (m_head && !fromOpened)
        request.Known = m_head;
    m_frameDlg->SetBackdrop(BackdropFromKey(ReadSetting(*m_platform.settings, kBackdropSetting))
                                .value_or(kDefaultBackdrop));
    switch (m_frameDlg->Execute(request)) {
    case TFrameDlg::Outcome::Apply: {
        std::vector<CheckResult> checks = m_frameDlg->CheckList()->Results();
        const QString verdict = m_frameDlg->Verdict();
        // The turned frame on whole pixels: the crop the window shows, turned about its centre.
        const TurnedFrame frame = m_frameDlg->Turned();
        const Backdrop backdrop = m_frameDlg->ChosenBackdrop();
        WriteSetting(*m_platform.settings, kBackdropSetting, BackdropKey(backdrop));
        std::optional<HeadDetection> head = m_frameDlg->Detection();
        const bool found = head && head->Found();
        ApplyFrame(frame, backdrop,
                   found ? std::optional(SeedsOf(head->Face.landmarks, head->Head.Crown))
                         : std::nullopt,
                   fromOpened);
        if (found && backdrop != Backdrop::AsShot && !checks.empty()) {
            // The wall was replaced: its checks are those of the framed picture as written.
            std::array<QPointF, 68> inCrop = head->Face.landmarks;
            for (QPointF& point : inCrop)
                point = frame.ToCrop(point);
            checks =
                WithBackgroundOf(checks, RunChecks({img->picture(), inCrop, QRectF(), 0,
                                                    norm->SizeMm, frame.ToCrop(head->Head.Crown)}));
        }
        // The head the user saw (crown and chin perhaps placed by hand) is the one measured,
        // not a fresh guess on the framed picture.
        if (found) {
            ++m_headGeneration;
            head->Head = HeadInCrop(head->Head, frame);
            m_head = head;
            LogHead();
        }
        if (!checks.empty()) {
            m_checks = checks;
            m_checksVerdict = verdict;
            m_checksFormat = FormatLabel();
            m_checksNormSource = norm->Source;
            LogInfo(ChecksLogLine(checks));
        }
        break;
    }
    case TFrameDlg::Outcome::Cancelled:
        break;
    }
}

void TMainDlg::ApplyFrame(const QRect& crop, bool fromOpened) {
    ApplyFrame(TurnedFrame{QRectF(crop), 0}, Backdrop::AsShot, std::nullopt, fromOpened);
}

void TMainDlg::ApplyFrame(const TurnedFrame& frame, Backdrop backdrop,
                          const std::optional<PersonSeeds>& person, bool fromOpened) {
    if (m_workFile.isEmpty() || frame.Rect.isEmpty())
        return;
    LogInfo(FramingLogLine(frame));
    {
        BusyCursor busy;
        QProgressDialog progress(m_frameDlg->ReplacingText(), QString(), 0, 100, this);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(backdrop == Backdrop::AsShot ? 1000 : 0);
        // The source as loaded, turned as it is shown; the colour comes back on loading.
        const QString source = fromOpened ? m_lastOpened : m_workFile;
        const int turns = fromOpened ? (m_workTurns + m_quarterTurns) % 4 : m_quarterTurns;
        const QString path = m_workFile;
        // The worker leaves its share where the bar reads it; it may outlive the bar.
        const auto share = std::make_shared<std::atomic<int>>(0);
        const Progress report = [share](int done) { *share = done; };
        QTimer poll;
        connect(&poll, &QTimer::timeout, &progress,
                [&progress, share] { progress.setValue(*share); });
        poll.start(100);
        RunInBackground(
            [source, path, turns, frame, backdrop, person, report] {
                QImage picture = Turned(DecodePicture(ReadPictureFile(source), source), turns);
                // The working copy is the program's own file: a link there is replaced.
                WriteFramed(FramedPicture(std::move(picture), frame, backdrop, person, report),
                            path, TSafeFile::Links::Replace);
            },
            kApplyTimeLimit);
        m_workTurns = (m_workTurns + m_quarterTurns) % 4;
        m_workFramed = !m_lastOpened.isEmpty();
    }
    LoadTransformed(m_workFile, m_colourTransform);
}

void TMainDlg::RequestHead() {
    m_head.reset();
    m_checks.clear();
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

void TMainDlg::CheckReport1Click() {
    const TCheckList& list = *m_frameDlg->CheckList();
    if (m_checks.empty()) {
        MsgBox(*m_platform.messages, this,
               list.Text("Frame the photo first: the checks are made when framing"), 0,
               kInformation);
        return;
    }
    FileChooserRequest request;
    request.owner = this;
    request.title = list.Text("Check report");
    request.initialDir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QDir(request.initialDir).exists())
        request.initialDir = QDir::homePath();
    request.fileName = QStringLiteral("Quillmark check.html");
    request.nameFilters = {QStringLiteral("HTML (*.html *.htm)")};
    request.defaultSuffix = QStringLiteral("html");
    request.save = true;
    request.confirmOverwrite = true;
    const std::optional<FileChooserAnswer> answer = m_platform.files->chooseFile(request);
    if (!answer || answer->path.isEmpty())
        return;
    CheckReport report;
    report.Photo = img->picture();
    report.Format = m_checksFormat;
    report.Verdict = m_checksVerdict;
    report.NormSource = m_checksNormSource;
    report.Made = QDateTime::currentDateTime();
    report.Results = m_checks;
    WriteFileSafely(answer->path, CheckReportHtml(report, list));
    LogInfo(QStringLiteral("Check report : ") + answer->path);
}
