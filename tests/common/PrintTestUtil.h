#pragma once

// Helpers shared by the print tests: external tools and small pictures.
#include <QImage>
#include <QString>
#include <QStringList>

#include <vector>

// Runs a program and returns its standard output; empty with ok false when it fails.
QByteArray RunTool(const QString& program, const QStringList& arguments, bool* ok = nullptr);

// The folder of the private CUPS server the print tests use (scripts/cups-test-server.sh);
// empty when none runs.
QString CupsTestDir();
// Adds a queue there that takes A4 pages at 600 dpi and discards them; whether that worked.
bool AddDiscardingQueue(const QString& queue);

// One line of "pdfimages -list": the image's pixel size, resolution and encoding.
struct PdfImageInfo {
    int width = 0;
    int height = 0;
    int xppi = 0;
    int yppi = 0;
    QString encoding;
};
std::vector<PdfImageInfo> ListPdfImages(const QString& pdf);
int PdfPageCount(const QString& pdf);

// The PDF's first page rendered by Ghostscript at dpi, as an RGB32 image.
QImage RenderPdf(const QString& pdf, int dpi);

// A picture with four coloured quadrants and a black frame, easy to find on a page.
QImage QuadrantPicture(int width, int height);

// A white page with three flat 80-pixel blocks at places that differ on each axis, on JPEG
// block boundaries: red at (0, 0), blue at (400, 32), green at (128, 608).
QImage BlockPage(int width, int height);
// Whether a decoded page shows BlockPage's colours at the blocks' centres and white where
// they are not (also where an x/y mix-up would put them), within a JPEG's error.
bool HasBlocks(const QImage& decoded, QString* why);
