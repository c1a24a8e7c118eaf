// The main window's picture side: loading, the transforms, the norm mask and dropped files.
#include "app/U_MainDlg.h"

#include "resources/Artwork.h"
#include "support/U_BackgroundWork.h"
#include "support/U_MsgDlg.h"
#include "picture/U_Picture.h"
#include "picture/U_PictureFile.h"
#include "app/U_PictureView.h"
#include "platform/U_SafeWrite.h"

#include <QAction>
#include <QCheckBox>
#include <QLocale>
#include <QTimer>

#include <memory>
#include <optional>
#include <utility>

namespace {

// The mask covers the display as laid out in the window, before any format set its height.
const QRect kMaskLocation(0, 0, kDisplayWidth, 201);
constexpr int kMaskAlpha = 120;
constexpr int kInformation = 4;

} // namespace

void TMainDlg::open_btnClick() {
    if (WOD->Execute())
        LoadPicture(WOD->FileName());
}

void TMainDlg::LoadPicture(const QString& path) {
    LoadTransformed(path, nullptr);
}

// The file is read and decoded before anything changes: only a picture that could be
// loaded replaces the working copy (in one step), WorkFile and the display. A failure
// leaves all three as they were.
void TMainDlg::LoadTransformed(const QString& path, QImage (*transform)(QImage)) {
    std::optional<BusyCursor> busy(std::in_place);
    const QString workFile = m_dataFolder + kAppTitle + QStringLiteral(".jpg");
    LogInfo(QStringLiteral("Loading : ") + path);
    // Read and decoded off the window's thread, so that the window keeps painting and
    // answering; its controls wait meanwhile.
    struct Loaded {
        QByteArray bytes;
        QImage picture;
        std::atomic<int> percent{0};
    };
    auto loaded = std::make_shared<Loaded>();
    // The title shows how far decoding has come.
    const QString title = windowTitle();
    const auto done = [this, title] {
        setWindowTitle(title);
        setEnabled(true);
        m_loading = false;
        if (!m_pendingPicture.isEmpty())
            QTimer::singleShot(0, this,
                               [this] { OpenPicture(std::exchange(m_pendingPicture, QString())); });
    };
    setEnabled(false);
    m_loading = true;
    try {
        RunInBackground(
            [loaded, path] {
                loaded->bytes = ReadPictureFile(path);
                loaded->picture = DecodePicture(loaded->bytes, path, &loaded->percent);
            },
            std::chrono::minutes(10),
            [this, title, loaded] {
                setWindowTitle(QStringLiteral("%1 – %2 %").arg(title).arg(loaded->percent.load()));
            });
    } catch (...) {
        done();
        throw;
    }
    done();
    const QByteArray bytes = std::move(loaded->bytes);
    QImage picture = std::move(loaded->picture);
    if (!SameFile(path, workFile)) {
        // The data folder may have been removed while the program runs.
        MakeFolderPath(m_dataFolder);
        WriteFileSafely(workFile, bytes, TSafeFile::Sync::ToDisk, TSafeFile::Links::Replace);
        m_lastOpened = path;
        m_workTurns = 0;
        m_workFramed = false;
    }
    m_workFile = workFile;
    if (transform != nullptr)
        picture = transform(std::move(picture));
    img->setPicture(std::move(picture));
    m_quarterTurns = 0;
    m_colourTransform = transform;
    RequestHead();
    busy.reset(); // the aspect warning is a question for the user, not work
    CheckAspect();
}

void TMainDlg::CheckAspect() {
    if (m_workFile.isEmpty() || !m_engine)
        return;
    const QImage& picture = img->picture();
    if (picture.isNull())
        return;
    const double actual = double(picture.width()) / double(picture.height());
    const double target = double(m_engine->PhotoWidthMM) / double(m_engine->PhotoHeightMM);
    // Two decimals with the user's decimal separator, as printf would write them there.
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    LogInfo(QStringLiteral("Actual aspect ratio : %1, target aspect ratio : %2")
                .arg(locale.toString(actual, 'f', 2), locale.toString(target, 'f', 2)));
    if (AspectDiffers(actual, target))
        ShowPlainMessage(
            *m_platform.messages, this,
            main_ts->Translate(QStringLiteral("Incorrect aspect ratio. Picture may be deformed")) +
                QLatin1Char('\n') +
                main_ts->Translate(QStringLiteral(
                    "Image \u203a Frame Photo (Ctrl+F) cuts the picture to this format.")));
}

void TMainDlg::rot_btnClick() {
    LogInfo(QStringLiteral("Rotating..."));
    img->setPicture(Rotated90Clockwise(img->picture()));
    m_quarterTurns = (m_quarterTurns + 1) % 4;
    RequestHead();
}

void TMainDlg::AutoResize1Click() {
    AutoResize1->setChecked(!AutoResize1->isChecked());
    if (AutoResize1->isChecked()) {
        LogInfo(QStringLiteral("Scale mode : Stretch"));
        img->setStretch(true);
    } else {
        LogInfo(QStringLiteral("Scale mode : Resize"));
        img->setStretch(false);
    }
}

void TMainDlg::Greyscale1Click() {
    ColourTransform(QStringLiteral("Transform : GreyScale"), Greyscale);
}

void TMainDlg::Sepia1Click() {
    ColourTransform(QStringLiteral("Transform : Sepia"), Sepia);
}

// Colour transforms start again from the working copy, so they never stack.
void TMainDlg::ColourTransform(const QString& logText, QImage (*transform)(QImage)) {
    if (m_workFile.isEmpty()) {
        Translated(QStringLiteral("Load a picture first"), kInformation);
        return;
    }
    LogInfo(logText);
    LoadTransformed(m_workFile, transform);
}

void TMainDlg::Restoreoriginalpicture1Click() {
    if (m_workFile.isEmpty())
        return;
    LogInfo(QStringLiteral("Transform : Retoring original picture"));
    LoadPicture(m_workFile);
}

void TMainDlg::SetUpMaskLayer() {
    img->setMaskLayer(NormMaskBitmap(), kMaskLocation, kMaskAlpha);
    img->setMaskVisible(normmask_chk->isChecked());
}

void TMainDlg::normmask_chkClick() {
    img->setMaskVisible(normmask_chk->isChecked() && normmask_chk->isEnabled());
}

void TMainDlg::RegisterDropTarget() {
    m_droppedFiles.clear();
    m_dropTarget = CreateDropTarget(this, m_droppedFiles, nullptr, [this](TMyWideDropTarget&) {
        Guard([this] { FilesDropped(); });
    });
}

void TMainDlg::FilesDropped() {
    if (m_droppedFiles.isEmpty())
        return;
    // Only the first name counts; the list is emptied even when loading it fails.
    const QString first = m_droppedFiles.constFirst();
    m_droppedFiles.clear();
    if (IsJpegName(first))
        LoadPicture(first);
}
