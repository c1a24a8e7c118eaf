#pragma once

// "Quillmark PDF": a printer that writes each page as a PDF file.

#include "platform/Printers.h"

#include <QLocale>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <functional>

// The paper's size in tenths of a millimetre, portrait (width below height).
QSize PaperTenthsMM(Paper paper);
// Letter for the United States and Canada, A4 elsewhere.
Paper DefaultPaperFor(QLocale::Territory territory);
// The names under which the choice is kept in the settings, and back (A4 for an unknown one).
QString PaperKey(Paper paper);
Paper PaperFromKey(const QString& key);

// The virtual printer's device: 600 dpi, the sheet less 100 pixels at the left, the right
// and the top and 136 at the bottom (on A4 portrait a printable area of 4760 × 6779).
PrinterMetrics VirtualPrinterMetrics(const PrintOptions& options = {});
QSizeF VirtualPrinterPaperPoints(const PrintOptions& options = {});

// Writes one page as a PDF of the paper's exact size whose only image is the printable
// area, white where draw paints nothing, at the printer's resolution and without loss.
// Rows are built and compressed one at a time. Throws PrinterError.
void WritePdfPage(const QString& path, const PrinterMetrics& metrics, const QSizeF& paperPoints,
                  const std::function<void(IPageCanvas&)>& draw);

// A file name in folder that no page was written to yet: "Quillmark page N.pdf".
QString NextPdfPageName(const QString& folder);
