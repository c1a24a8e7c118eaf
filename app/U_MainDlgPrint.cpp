// The main window's printing side: printer selection, the copies slider and Print Now.
#include "app/U_MainDlg.h"

#include "support/U_BackgroundWork.h"
#include "support/U_MsgDlg.h"
#include "support/U_QMKSUtils.h"
#include "platform/SettingsStore.h"
#include "platform/VirtualPdfPrinter.h"
#include "app/U_PictureView.h"
#include "print/U_PreviewDlg.h"
#include "print/U_PageCompose.h"
#include "app/U_TrackBar.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QScopeGuard>

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

void TMainDlg::UpdateCopiesRange() {
    if (!m_engine)
        return;
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

namespace {

const QString kPaperValue = QStringLiteral("Paper");
const QString kLandscapeValue = QStringLiteral("Landscape");
const QString kCutMarksValue = QStringLiteral("CutMarks");

} // namespace

// The program's own printer settings: the virtual printer's paper (by default the one of
// the user's country) and cut marks (off by default, so the page stays as it was).
void TMainDlg::LoadPrintOptions() {
    ISettingsStore& settings = *m_platform.settings;
    PrintOptions options;
    const QString paper = ReadSetting(settings, kPaperValue);
    options.paper = paper.isEmpty() ? DefaultPaperFor(QLocale().territory()) : PaperFromKey(paper);
    options.landscape = ReadSetting(settings, kLandscapeValue) == QLatin1String("1");
    options.cutMarks = ReadSetting(settings, kCutMarksValue) == QLatin1String("1");
    m_platform.printers->setOptions(options);
    GivePrintOptionTexts();
}

void TMainDlg::SavePrintOptions() {
    ISettingsStore& settings = *m_platform.settings;
    const PrintOptions options = m_platform.printers->options();
    WriteSetting(settings, kPaperValue, PaperKey(options.paper));
    WriteSettingInt(settings, kLandscapeValue, options.landscape ? 1 : 0);
    WriteSettingInt(settings, kCutMarksValue, options.cutMarks ? 1 : 0);
}

void TMainDlg::GivePrintOptionTexts() {
    QStringList words;
    for (const QString& word : PrintOptionWords())
        words << options_ts->Translate(word);
    m_platform.printers->setOptionTexts(PrintOptionTextsFrom(words));
}

void TMainDlg::opt_btnClick() {
    if (m_platform.printers->showPrintDialog(this)) {
        SavePrintOptions();
        UpdateCopiesRange();
    }
    ShowSelectedPrinter();
}

void TMainDlg::print_btnClick() {
    if (m_printing || !m_engine || !m_previewDlg || img->picture().width() == 0)
        return;
    {
        BusyCursor busy;
        // Read the printer again first: one that has gone away stops the command here with
        // its error, and the cell is sized for the printer that will print it.
        m_engine->Refresh();
        m_engine->Copies = num_trk->Position();
        m_engine->CutMarks = m_platform.printers->options().cutMarks;
        // The picture view keeps the norm mask in a layer of its own, so the picture drawn
        // into the cell never carries it.
        ComposeCell(m_engine->Photo, img->picture(), AutoResize1->isChecked());

        // The preview shows the page from its layout and makes the page image only when
        // it is saved: the same pixels, without filling a page of hundreds of megabytes
        // for a glance.
        m_previewDlg->SetPageLayout(
            PageLayout{QSize(m_engine->PageWidth(), m_engine->PageHeight()),
                       m_engine->Photo.convertToFormat(QImage::Format_RGB32), m_engine->Positions(),
                       m_engine->Marks()});
        m_previewDlg->SetPageResolution(QSize(m_engine->DpiX, m_engine->DpiY));
    }
    LogInfo(QStringLiteral("Printing : Preview"));
    if (!m_previewDlg->Execute())
        return;
    LogInfo(QStringLiteral("Printing : Operation in progress"));
    SendPrintJob();
    LogInfo(QStringLiteral("Printing : Done"));
}

// A print server may take a minute to take a page, or never answer: the job goes to a
// worker while this window waits, disabled but painted, with the busy cursor. The worker
// gets its own copies of the page's drawing and the job's name.
void TMainDlg::SendPrintJob() {
    IPrinterSystem* printers = m_platform.printers;
    const QString name = kAppTitle + QStringLiteral(" - ") + FormatLabel();
    auto draw = m_engine->PageDrawer();
    m_printing = true;
    setEnabled(false);
    const auto waited = qScopeGuard([this] {
        m_printing = false;
        setEnabled(true);
    });
    BusyCursor busy;
    try {
        RunInBackground([printers, name, draw] { printers->printOnePage(name, draw); },
                        m_printTimeLimit);
    } catch (const TimeLimitError&) {
        const auto seconds = std::chrono::ceil<std::chrono::seconds>(m_printTimeLimit).count();
        throw AppError(QStringLiteral("The print system did not take the page in time (%1 s). "
                                      "It may still print it: look at the printer's queue "
                                      "before printing again.")
                           .arg(seconds));
    }
}

void TMainDlg::closeEvent(QCloseEvent* event) {
    // The nested wait of SendPrintJob still runs inside this window's command.
    if (m_printing) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
