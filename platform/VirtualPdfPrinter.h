#pragma once

// "Quillmark PDF": a printer that writes each page as a PDF file.

#include "platform/Printers.h"

#include <QSizeF>
#include <QString>

#include <functional>

// The virtual printer's fixed device: 600 dpi, a printable area of 4760 × 6779 device
// pixels 100 pixels from the left and top edges of an A4 sheet.
PrinterMetrics VirtualPrinterMetrics();
QSizeF VirtualPrinterPaperPoints();

// Writes one page as a PDF of the paper's exact size whose only image is the printable
// area, white where draw paints nothing, at the printer's resolution and without loss.
// Rows are built and compressed one at a time. Throws PrinterError.
void WritePdfPage(const QString& path, const PrinterMetrics& metrics, const QSizeF& paperPoints,
                  const std::function<void(IPageCanvas&)>& draw);

// A file name in folder that no page was written to yet: "Quillmark page N.pdf".
QString NextPdfPageName(const QString& folder);
