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

// The papers the virtual printer offers.
enum class Paper { A4, Letter, A5, Photo10x15, Photo4x6, Photo13x18 };

// Choices of the printer settings window that are the program's own and kept in the
// settings: the virtual printer's paper, and cut marks on every printer.
struct PrintOptions {
    Paper paper = Paper::A4;
    bool landscape = false;
    bool cutMarks = false;
};

// The words of those choices in the user's language, given by the program's windows.
struct PrintOptionTexts {
    QString paper = QStringLiteral("Paper :");
    QString orientation = QStringLiteral("Orientation :");
    QString portrait = QStringLiteral("Portrait");
    QString landscape = QStringLiteral("Landscape");
    QString cutMarks = QStringLiteral("Cut marks");
    // In the order of Paper.
    QStringList paperNames = {QStringLiteral("A4"),
                              QStringLiteral("Letter"),
                              QStringLiteral("A5"),
                              QStringLiteral("10 x 15 cm photo paper"),
                              QStringLiteral("4 x 6 in photo paper"),
                              QStringLiteral("13 x 18 cm photo paper")};
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
    // The program's own choices; the dialog shows them and a confirmed dialog changes them.
    PrintOptions options() const { return m_options; }
    void setOptions(const PrintOptions& options) { m_options = options; }
    void setOptionTexts(const PrintOptionTexts& texts) { m_texts = texts; }
    // Prints exactly one page on the selected printer as a job named documentName; draw
    // paints it. Returns only when the print system has accepted the job; throws
    // PrinterError when it refuses or fails. May run on a worker thread while the caller
    // keeps every other use of the printer system waiting; draw then runs there too.
    virtual void printOnePage(const QString& documentName,
                              const std::function<void(IPageCanvas&)>& draw) = 0;

protected:
    PrintOptions m_options;
    PrintOptionTexts m_texts;
};

class IFileChooser;

// The system's printers (Qt over CUPS), followed by the virtual PDF printer "Quillmark PDF",
// which asks through files for each PDF's name (see VirtualPrinterFromEnvironment).
std::unique_ptr<IPrinterSystem> createHostPrinterSystem(IFileChooser& files);
