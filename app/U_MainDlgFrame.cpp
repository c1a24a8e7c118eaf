// The main window's framing side: the framing window, applying a frame, and the head size
// of the picture as it will print, the checks of a framing and their report.
#include "app/U_MainDlg.h"

#include "app/U_CheckList.h"
#include "app/U_CheckReport.h"
#include "app/U_FrameDlg.h"
#include "app/U_PictureView.h"
#include "picture/U_JpegEncode.h"
#include "picture/U_Picture.h"
#include "picture/U_PictureFile.h"
#include "platform/AppError.h"
#include "platform/U_SafeWrite.h"
#include "support/U_BackgroundWork.h"
#include "support/U_MsgDlg.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QStandardPaths>
#include <QThreadPool>

namespace {

constexpr int kInformation = 4;
// The framed working copy is written once per framing; a high quality keeps the loss small.
constexpr int kFramedQuality = 95;

QImage Turned(QImage picture, int quarterTurns) {
    for (int turn = 0; turn < quarterTurns; ++turn)
        picture = Rotated90Clockwise(picture);
    return picture;
}

HeadPoints Shifted(HeadPoints head, const QPointF& by) {
    for (QPointF* point : {&head.LeftEye, &head.RightEye, &head.Chin, &head.Crown})
        *point += by;
    return head;
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
    if (!norm || !ParseFormatLabel(format_cmb->currentText(), format))
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
    switch (m_frameDlg->Execute(request)) {
    case TFrameDlg::Outcome::Apply: {
        const QRect crop = m_frameDlg->Crop();
        const std::vector<CheckResult> checks = m_frameDlg->CheckList()->Results();
        const QString verdict = m_frameDlg->Verdict();
        ApplyFrame(crop, fromOpened);
        // The head the user saw (crown and chin perhaps placed by hand) is the one measured,
        // not a fresh guess on the framed picture.
        if (std::optional<HeadDetection> head = m_frameDlg->Detection(); head && head->Found()) {
            ++m_headGeneration;
            head->Head = Shifted(head->Head, -QPointF(crop.topLeft()));
            m_head = head;
            LogHead();
        }
        if (!checks.empty()) {
            m_checks = checks;
            m_checksVerdict = verdict;
            m_checksFormat = format_cmb->currentText();
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
    if (m_workFile.isEmpty() || crop.isEmpty())
        return;
    LogInfo(QStringLiteral("Framing : %1, %2, %3 x %4")
                .arg(crop.x())
                .arg(crop.y())
                .arg(crop.width())
                .arg(crop.height()));
    {
        BusyCursor busy;
        // The source as loaded, turned as it is shown; the colour comes back on loading.
        const QString& source = fromOpened ? m_lastOpened : m_workFile;
        const int turns = fromOpened ? (m_workTurns + m_quarterTurns) % 4 : m_quarterTurns;
        QImage picture = Turned(DecodePicture(ReadPictureFile(source), source), turns);
        const QImage framed = picture.copy(crop.intersected(picture.rect()));
        picture = QImage();
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        EncodeJpeg(framed, buffer, kFramedQuality);
        WriteFileSafely(m_workFile, buffer.data(), TSafeFile::Sync::ToDisk,
                        TSafeFile::Links::Replace);
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
