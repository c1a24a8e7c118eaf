// The system's printers through Qt PrintSupport over CUPS, followed by the virtual PDF
// printer.
#include "platform/HostPrinters.h"

#include "platform/FileChooser.h"
#include "platform/TimeLimit.h"
#include "platform/VirtualPdfPrinter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <atomic>

#include <cups/cups.h>

namespace {

const QString kVirtualName = QStringLiteral("Quillmark PDF");
const QString kStillSending = QStringLiteral(
    "The last page is still on its way to the printer. Please try again in a moment.");

class PainterCanvas final : public IPageCanvas {
public:
    explicit PainterCanvas(QPainter& painter) : m_painter(painter) {}
    void drawImage(int x, int y, const QImage& image) override {
        m_painter.drawImage(QPoint(x, y), image);
    }

private:
    QPainter& m_painter;
};

class HostPrinters final : public IPrinterSystem {
public:
    HostPrinters(const VirtualPrinterSetup& virtualPrinter, std::chrono::milliseconds limit)
        : m_virtual(virtualPrinter), m_limit(limit) {}

    QStringList printerNames() override {
        listOnce();
        QStringList names = m_system;
        if (hasVirtual())
            names << kVirtualName;
        return names;
    }

    // The system's default; else its first printer, so that a system with printers but no
    // default still has one of them selected; the virtual printer only on a system without.
    int defaultPrinterIndex() override {
        listOnce();
        const int system = int(m_system.indexOf(m_systemDefault));
        if (!m_systemDefault.isEmpty() && system >= 0)
            return system;
        if (!m_system.isEmpty())
            return 0;
        return hasVirtual() ? 0 : -1;
    }

    int selectedIndex() override {
        listOnce();
        if (m_selectedName.isEmpty()) {
            const int index = defaultPrinterIndex();
            if (index >= 0)
                m_selectedName = printerNames().at(index);
        }
        return int(printerNames().indexOf(m_selectedName));
    }

    QString selectedName() override {
        selectedIndex();
        return m_selectedName;
    }

    PrinterMetrics selectedMetrics() override {
        ensureIdle();
        const QString name = selectedName();
        if (name.isEmpty())
            throw PrinterError(QStringLiteral("No printer is installed."));
        if (virtualSelected())
            return VirtualPrinterMetrics(m_options);
        QPrinter& printer = systemPrinter();
        const QRect paint = printer.pageLayout().paintRectPixels(printer.resolution());
        PrinterMetrics m;
        m.dpiX = printer.logicalDpiX();
        m.dpiY = printer.logicalDpiY();
        m.pageWidth = printer.width();
        m.pageHeight = printer.height();
        m.offsetX = paint.left();
        m.offsetY = paint.top();
        return m;
    }

    bool showPrintDialog(QWidget* parent) override {
        ensureIdle();
        if (!cupsAnswers())
            throw PrinterError(QStringLiteral("The print system does not answer."));
        relist();
        if (m_system.isEmpty())
            return hasVirtual() && showVirtualDialog(parent);
        // For the virtual printer the dialog offers the system's printers.
        std::unique_ptr<QPrinter> other;
        QPrinter* printer = nullptr;
        if (virtualSelected() || !m_system.contains(m_selectedName)) {
            const QString start =
                m_system.contains(m_systemDefault) ? m_systemDefault : m_system.constFirst();
            other = makePrinter(start);
            printer = other.get();
        } else {
            printer = &systemPrinter();
        }
        QPrintDialog dialog(printer, parent);
        // The program's own choices on a tab of their own, the virtual printer among them:
        // the toolkit's dialog lists only the system's printers.
        auto* own = new QWidget;
        own->setWindowTitle(QStringLiteral("Quillmark"));
        auto* ownForm = new QFormLayout(own);
        QCheckBox* toPdf = nullptr;
        if (hasVirtual()) {
            toPdf = new QCheckBox(kVirtualName, own);
            toPdf->setChecked(virtualSelected());
            ownForm->addRow(toPdf);
        }
        const OwnChoices choices = addOwnChoices(*ownForm, own);
        dialog.setOptionTabs({own});
        dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
        dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
        dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        takeOwnChoices(choices);
        if (toPdf && toPdf->isChecked()) {
            m_selectedName = kVirtualName;
            return true;
        }
        if (other)
            m_printer = std::move(other);
        // The dialog may have changed the printer or the paper: take that printer's own
        // resolution and its smallest margins again.
        m_selectedName = m_printer->printerName();
        fitToDevice(*m_printer);
        return true;
    }

    void printOnePage(const QString& documentName,
                      const std::function<void(IPageCanvas&)>& draw) override {
        if (m_sending->exchange(true))
            throw PrinterError(kStillSending);
        const auto idle = qScopeGuard([sending = m_sending] { sending->store(false); });
        const QString name = selectedName();
        if (name.isEmpty())
            throw PrinterError(QStringLiteral("No printer is installed."));
        if (virtualSelected()) {
            WritePdfPage(virtualPageName(), VirtualPrinterMetrics(m_options),
                         VirtualPrinterPaperPoints(m_options), draw);
            return;
        }
        if (!cupsAnswers())
            throw PrinterError(
                QStringLiteral("The print system does not answer: the page was not printed."));
        if (QPrinterInfo::printerInfo(name).isNull())
            throw PrinterError(
                QStringLiteral("The printer \"%1\" is no longer available.").arg(name));
        // A job that outlives its wait keeps its printer, whatever becomes of this object.
        systemPrinter();
        const std::shared_ptr<QPrinter> job = m_printer;
        QPrinter& printer = *job;
        // The name under which the job shows in the desktop's print queue.
        printer.setDocName(documentName);
        QPainter painter;
        if (!painter.begin(&printer))
            throw PrinterError(QStringLiteral("Could not start printing on \"%1\".").arg(name));
        // Without this Qt's PDF engine stores images as JPEG: the printer would not get the
        // exact pixels of the preview.
        painter.setRenderHint(QPainter::LosslessImageRendering);
        PainterCanvas canvas(painter);
        try {
            draw(canvas);
        } catch (...) {
            printer.abort();
            painter.end();
            throw;
        }
        if (!painter.end() || printer.printerState() == QPrinter::Error)
            throw PrinterError(QStringLiteral("Printing on \"%1\" failed.").arg(name));
        // Qt hands the page to CUPS inside end() and ignores the answer; CUPS keeps the
        // status of this thread's last request, which is that one.
        if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
            throw PrinterError(QStringLiteral("The printer \"%1\" did not take the page: %2")
                                   .arg(name, QString::fromUtf8(cupsLastErrorString())));
    }

private:
    bool hasVirtual() const { return m_virtual.listed; }

    QString virtualPageName() {
        if (!m_virtual.folder.isEmpty()) {
            if (!QDir().mkpath(m_virtual.folder))
                throw PrinterError(
                    QStringLiteral("Could not create the folder %1.").arg(m_virtual.folder));
            return NextPdfPageName(m_virtual.folder);
        }
        QString name;
        if (m_virtual.askFileName) {
            // The page may be on its way from a worker thread; the question is a window, so it
            // is asked on the window's thread, whose event loop runs while the caller waits.
            if (QThread::currentThread() == qApp->thread())
                name = m_virtual.askFileName();
            else
                QMetaObject::invokeMethod(
                    qApp, [&] { name = m_virtual.askFileName(); }, Qt::BlockingQueuedConnection);
        }
        if (name.isEmpty())
            throw CommandCancelled();
        return name;
    }

    // A page that is still on its way (its caller stopped waiting for it) holds the printer.
    void ensureIdle() const {
        if (m_sending->load())
            throw PrinterError(kStillSending);
    }
    bool virtualSelected() { return hasVirtual() && selectedName() == kVirtualName; }

    // The print server may accept the connection and never answer; Qt's printer queries
    // would then block for good, so the server is asked first, off this thread.
    bool cupsAnswers() {
        return RunWithTimeLimit<bool>(
                   [] {
                       cups_dest_t* dests = nullptr;
                       const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
                       cupsFreeDests(count, dests);
                       return true;
                   },
                   m_limit)
            .has_value();
    }

    void listOnce() {
        if (m_listed)
            return;
        m_listed = true;
        if (cupsAnswers())
            relist();
    }

    void relist() {
        m_listed = true;
        m_system = QPrinterInfo::availablePrinterNames();
        m_systemDefault = QPrinterInfo::defaultPrinterName();
    }

    QPrinter& systemPrinter() {
        if (!m_printer || m_printer->printerName() != m_selectedName)
            m_printer = makePrinter(m_selectedName);
        return *m_printer;
    }

    std::unique_ptr<QPrinter> makePrinter(const QString& name) {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setPrinterName(name);
        if (!printer->isValid())
            throw PrinterError(QStringLiteral("The printer \"%1\" is not available.").arg(name));
        // Qt starts every printer on A4, whatever paper the queue uses by default.
        const QPageSize paper = QPrinterInfo::printerInfo(name).defaultPageSize();
        if (paper.isValid())
            printer->setPageSize(paper);
        fitToDevice(*printer);
        return printer;
    }

    // Qt reports 1200 dpi for every CUPS queue and uses 10 pt margins: set the queue's own
    // resolution and the paper's hardware margins, so that device (0, 0) is the corner of
    // the printable area and the paint rectangle is that area.
    void fitToDevice(QPrinter& printer) {
        const int dpi = CupsResolution(printer.printerName());
        if (dpi > 0)
            printer.setResolution(dpi);
        printer.setFullPage(false);
        const QPageLayout layout = printer.pageLayout();
        printer.setPageMargins(layout.minimumMargins(), layout.units());
    }

    VirtualPrinterSetup m_virtual;
    std::chrono::milliseconds m_limit;
    bool m_listed = false;
    QStringList m_system;
    QString m_systemDefault;
    QString m_selectedName;
    std::shared_ptr<QPrinter> m_printer;
    std::shared_ptr<std::atomic<bool>> m_sending = std::make_shared<std::atomic<bool>>(false);

    // The virtual printer's paper and orientation, and cut marks.
    struct OwnChoices {
        QComboBox* paper;
        QComboBox* orientation;
        QCheckBox* marks;
    };
    OwnChoices addOwnChoices(QFormLayout& form, QWidget* owner) const {
        OwnChoices c{new QComboBox(owner), new QComboBox(owner),
                     new QCheckBox(m_texts.cutMarks, owner)};
        c.paper->addItems(m_texts.paperNames);
        c.paper->setCurrentIndex(int(m_options.paper));
        form.addRow(m_texts.paper, c.paper);
        c.orientation->addItems({m_texts.portrait, m_texts.landscape});
        c.orientation->setCurrentIndex(m_options.landscape ? 1 : 0);
        form.addRow(m_texts.orientation, c.orientation);
        c.marks->setChecked(m_options.cutMarks);
        form.addRow(c.marks);
        return c;
    }
    void takeOwnChoices(const OwnChoices& c) {
        m_options.paper = Paper(std::max(0, c.paper->currentIndex()));
        m_options.landscape = c.orientation->currentIndex() == 1;
        m_options.cutMarks = c.marks->isChecked();
    }

    bool showVirtualDialog(QWidget* parent) {
        // Worded with the toolkit's own print dialog texts, so its translations apply.
        auto tr = [](const char* context, const char* text) {
            return QCoreApplication::translate(context, text);
        };
        QDialog dialog(parent);
        dialog.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowCloseButtonHint);
        dialog.setWindowTitle(tr("QPrintDialog", "Print"));
        auto* form = new QFormLayout(&dialog);
        form->setSizeConstraint(QLayout::SetFixedSize);
        auto* printers = new QComboBox(&dialog);
        printers->addItem(kVirtualName);
        form->addRow(tr("QPrintWidget", "&Name:"), printers);
        form->addRow(tr("QPrintWidget", "Type:"),
                     new QLabel(tr("QPrintDialog", "Print to File (PDF)"), &dialog));
        if (!m_virtual.folder.isEmpty())
            form->addRow(tr("QPrintWidget", "Location:"),
                         new QLabel(QDir::toNativeSeparators(m_virtual.folder), &dialog));
        const OwnChoices choices = addOwnChoices(*form, &dialog);
        auto* buttons =
            new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        form->addRow(buttons);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        m_selectedName = kVirtualName;
        takeOwnChoices(choices);
        return true;
    }
};

} // namespace

int CupsResolution(const QString& printer) {
    const QByteArray full = printer.toUtf8();
    const qsizetype slash = full.indexOf('/');
    const QByteArray name = slash < 0 ? full : full.left(slash);
    const QByteArray instance = slash < 0 ? QByteArray() : full.mid(slash + 1);
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(),
                                         instance.isEmpty() ? nullptr : instance.constData());
    if (!dest)
        return 0;
    int dpi = 0;
    if (cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest)) {
        if (ipp_attribute_t* attr =
                cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "printer-resolution")) {
            int y = 0;
            ipp_res_t units = IPP_RES_PER_INCH;
            const int x = ippGetResolution(attr, 0, &y, &units);
            dpi = units == IPP_RES_PER_CM ? int(x * 2.54 + 0.5) : x;
        }
        cupsFreeDestInfo(info);
    }
    cupsFreeDests(1, dest);
    return dpi;
}

std::unique_ptr<IPrinterSystem> createPrinterSystem(const VirtualPrinterSetup& virtualPrinter,
                                                    std::chrono::milliseconds answerLimit) {
    return std::make_unique<HostPrinters>(virtualPrinter, answerLimit);
}

std::unique_ptr<IPrinterSystem> createHostPrinterSystem(IFileChooser& files) {
    auto ask = [&files] {
        return AskPdfFileName(files, QApplication::activeWindow(),
                              QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                              QDir::homePath());
    };
    return createPrinterSystem(VirtualPrinterFromEnvironment(ask), std::chrono::seconds(5));
}

std::unique_ptr<IPrinterSystem> createPrinterSystem(const QString& virtualFolder,
                                                    std::chrono::milliseconds answerLimit) {
    VirtualPrinterSetup setup;
    setup.listed = !virtualFolder.isEmpty();
    setup.folder = virtualFolder;
    return createPrinterSystem(setup, answerLimit);
}

VirtualPrinterSetup VirtualPrinterFromEnvironment(std::function<QString()> askFileName) {
    VirtualPrinterSetup setup;
    setup.listed = qEnvironmentVariable("QUILLMARK_NO_VIRTUAL_PRINTER") != QLatin1String("1");
    setup.folder = qEnvironmentVariable("QUILLMARK_VIRTUAL_PRINTER");
    setup.askFileName = std::move(askFileName);
    return setup;
}
