// The main window's printing side: printer selection, the copies slider and Print Now.
#include "U_MainDlg.h"

#include "U_PictureView.h"
#include "U_PreviewDlg.h"
#include "U_TrackBar.h"

#include <QLabel>

bool TMainDlg::PrinterStartUp() {
    IPrinterSystem& printers = *m_platform.printers;
    const QStringList names = printers.printerNames();
    LogInfo(QStringLiteral("%1 printer(s) found").arg(names.size()));
    if (names.isEmpty()) {
        CloseAtStartUp();
        return false;
    }
    for (qsizetype i = 0; i < names.size(); ++i)
        LogInfo(QStringLiteral("Printer %1 : %2").arg(i + 1).arg(names.at(i)));
    ShowSelectedPrinter();
    try {
        m_engine = std::make_unique<TIDPrinter>(printers);
    } catch (const std::exception&) {
        m_engine.reset();
        CloseAtStartUp();
        return false;
    }
    return true;
}

void TMainDlg::ShowSelectedPrinter() {
    IPrinterSystem& printers = *m_platform.printers;
    const QString name = printers.selectedName();
    m_printerPanel->setText(name);
    LogInfo(
        QStringLiteral("Selected printer : (%1) %2").arg(printers.selectedIndex() + 1).arg(name));
}

void TMainDlg::ApplySliderMax(int capacity) {
    num_trk->SetMax(capacity);
}

void TMainDlg::UpdateCopiesRange() {
    m_engine->Refresh();
    num_trk->SetMax(m_engine->Capacity());
    num_trk->SetMin(0);
    if (num_trk->Max() > 1)
        num_trk->SetMin(1);
    num_trk->SetPosition(num_trk->Max());
}

void TMainDlg::num_trkChange() {
    dynnum_lbl->setText(QString::number(num_trk->Position()));
}

void TMainDlg::opt_btnClick() {
    if (m_platform.printers->showPrintDialog(this))
        UpdateCopiesRange();
    ShowSelectedPrinter();
}

void TMainDlg::print_btnClick() {
    if (!m_engine || img->picture().width() == 0)
        return;
    m_engine->Copies = num_trk->Position();
}
