// The main window's picture side: loading, the transforms, the norm mask and dropped files.
#include "U_MainDlg.h"

#include "U_MsgDlg.h"
#include "U_PictureView.h"

#include <QAction>
#include <QCheckBox>

void TMainDlg::open_btnClick() {
    if (WOD->Execute())
        LoadPicture(WOD->FileName());
}

void TMainDlg::LoadPicture(const QString& path) {
    Q_UNUSED(path);
}

void TMainDlg::CheckAspect() {
    if (m_workFile.isEmpty())
        return;
}

void TMainDlg::rot_btnClick() {}

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

void TMainDlg::Greyscale1Click() {}

void TMainDlg::Sepia1Click() {}

void TMainDlg::Restoreoriginalpicture1Click() {}

void TMainDlg::normmask_chkClick() {
    img->setMaskVisible(normmask_chk->isChecked() && normmask_chk->isEnabled());
}

void TMainDlg::FilesDropped() {
    m_droppedFiles.clear();
}
