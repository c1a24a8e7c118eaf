#pragma once

// Printers as the layout engine and the print job see them: metrics, canvas, jobs.

#include "platform/AppError.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QWidget;

// What the layout needs of the selected printer, all in device pixels of its page canvas
// except the resolutions (dots per inch).
struct PrinterMetrics {
    int dpiX = 0;
    int dpiY = 0;
    int pageWidth = 0; // printable area
    int pageHeight = 0;
    int offsetX = 0; // paper edge to printable area
    int offsetY = 0;
};

// The page canvas of a print job, origin at the top-left corner of the printable area.
class IPageCanvas {
public:
    virtual ~IPageCanvas() = default;
    // Copies the image pixel for pixel, unscaled, replacing what lies below.
    virtual void drawImage(int x, int y, const QImage& image) = 0;
};

class PrinterError : public AppError {
public:
    using AppError::AppError;
};

// The installed printers and the process-wide selected printer with its settings.
class IPrinterSystem {
public:
    virtual ~IPrinterSystem() = default;
    // Printer names in the platform's order; an empty list when the print system does
    // not answer in time.
    virtual QStringList printerNames() = 0;
    // Index of the system's default printer in printerNames(), or -1.
    virtual int defaultPrinterIndex() = 0;
    // The selected printer starts as the default and changes only through the dialog.
    virtual int selectedIndex() = 0;
    virtual QString selectedName() = 0;
    // Throws PrinterError when no printer is usable.
    virtual PrinterMetrics selectedMetrics() = 0;
    // The print dialog for the selected printer (no print-to-file, no page range, no
    // selection). True when confirmed; the selection and its settings may then differ.
    virtual bool showPrintDialog(QWidget* parent) = 0;
    // Prints exactly one page on the selected printer as a job named documentName; draw
    // paints it. Returns only when the print system has accepted the job; throws
    // PrinterError when it refuses or fails. May run on a worker thread while the caller
    // keeps every other use of the printer system waiting; draw then runs there too.
    virtual void printOnePage(const QString& documentName,
                              const std::function<void(IPageCanvas&)>& draw) = 0;
};

class IFileChooser;

// The system's printers (Qt over CUPS), followed by the virtual PDF printer "Quillmark PDF",
// which asks through files for each PDF's name (see VirtualPrinterFromEnvironment).
std::unique_ptr<IPrinterSystem> createHostPrinterSystem(IFileChooser& files);
