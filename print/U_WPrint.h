#pragma once

// The layout engine: how many photos fit the printer's page, and where.

#include "platform/Printers.h"

#include <QImage>
#include <QPoint>
#include <QRect>

#include <functional>
#include <vector>

// Turns one photo size in millimetres into a page of identical photos for the selected
// printer: converts the size into printer pixels, fits columns and rows with at least one
// pixel between neighbours, and draws up to Capacity() copies onto a canvas.
class TIDPrinter {
public:
    // Reads the selected printer at once; throws PrinterError when none is usable.
    explicit TIDPrinter(IPrinterSystem& printers);

    int AreaWidth = 0;
    int AreaHeight = 0;
    int PhotoWidthMM = 35;
    int PhotoHeightMM = 45;
    int DpiX = 0;
    int DpiY = 0;
    int Copies = 0;
    // Thin marks to cut along, in the gaps and margins around the photos.
    bool CutMarks = false;
    // The photo cell; callers fill its pixels after the last size change, never replace it.
    QImage Photo;

    void SetPhotoSize(int widthMM, int heightMM);
    // An inch format at its exact size: the cell is inches × resolution pixels on each axis
    // (2 in at 600 dpi is 1200, where 50 mm would be 1181). Sizes count to a tenth of an
    // inch, as the catalogue writes them. PhotoWidthMM and PhotoHeightMM then hold the size
    // in whole millimetres, truncated, for callers that only need its proportions.
    void SetPhotoSizeInches(float widthIn, float heightIn);
    void Refresh();
    static int MmToPixels(int mm, int dpi);
    // Tenths of an inch to device pixels, truncating; exact in integers.
    static int InchTenthsToPixels(int tenths, int dpi);
    int OffsetX();
    int OffsetY();
    int Columns() const;
    int Rows() const;
    int Capacity() const;
    void DrawPage(IPageCanvas& canvas);
    // Prints one page, a job named documentName, on the selected printer.
    void PrintPage(const QString& documentName = QString());
    // What DrawPage would draw now (after a Refresh), holding its own copies of the cell
    // and the positions: it may draw later, on another thread, while the engine changes.
    std::function<void(IPageCanvas&)> PageDrawer();

    // Top-left corners, in canvas coordinates, of the photos that DrawPage draws with the
    // metrics of the last Refresh and the current Copies: row by row, at most Capacity.
    std::vector<QPoint> Positions() const;
    // The cut marks of those photos when CutMarks is on, else none.
    std::vector<QRect> Marks() const;

    // The printable area of the selected printer, as the page image must be sized.
    int PageWidth() const { return m_metrics.pageWidth; }
    int PageHeight() const { return m_metrics.pageHeight; }

private:
    IPrinterSystem& m_printers;
    PrinterMetrics m_metrics;
    // The inch format's size in tenths of an inch; zero while the size is in millimetres.
    int m_tenthsWidth = 0;
    int m_tenthsHeight = 0;
};

// Columns (or rows) that fit an area with at least one pixel between neighbours.
int FitCount(int area, int cell);
// The gap between neighbours for count cells in the area.
int GapFor(int area, int cell, int count);

// Marks along every edge of the photos at positions (each of size cell) on a page of the
// given size, all in device pixels: in the margins around the grid, and in the gaps between
// rows or columns at least a millimetre wide; never on a photo. Marks are black.
std::vector<QRect> CutMarkRects(const std::vector<QPoint>& positions, const QSize& cell,
                                const QSize& page, const QSize& dpi);

// Draws the marks in black on the canvas.
void DrawMarks(IPageCanvas& canvas, const std::vector<QRect>& marks);

// A canvas over an in-memory page image.
class ImageCanvas final : public IPageCanvas {
public:
    explicit ImageCanvas(QImage& page) : m_page(page) {}
    void drawImage(int x, int y, const QImage& image) override;

private:
    QImage& m_page;
};
