#include "U_WPrint.h"

#include "U_PageWrite.h"

#include <cstring>

TIDPrinter::TIDPrinter(IPrinterSystem& printers) : m_printers(printers) {
    Refresh();
}

void TIDPrinter::SetPhotoSize(int widthMM, int heightMM) {
    PhotoWidthMM = widthMM;
    PhotoHeightMM = heightMM;
    Refresh();
}

void TIDPrinter::Refresh() {
    m_metrics = m_printers.selectedMetrics();
    DpiX = m_metrics.dpiX;
    DpiY = m_metrics.dpiY;
    AreaWidth = m_metrics.pageWidth - 2 * m_metrics.offsetX;
    AreaHeight = m_metrics.pageHeight - 2 * m_metrics.offsetY;
    const int w = MmToPixels(PhotoWidthMM, DpiX);
    const int h = MmToPixels(PhotoHeightMM, DpiY);
    // Same size: the content is kept; another size discards it.
    if (Photo.width() != w || Photo.height() != h)
        Photo = (w > 0 && h > 0) ? QImage(w, h, QImage::Format_RGB32) : QImage();
}

int TIDPrinter::MmToPixels(int mm, int dpi) {
    if (dpi <= 0)
        return 0;
    const long double q = 25.4L / static_cast<long double>(dpi);
    return static_cast<int>(static_cast<long double>(mm) / q);
}

int TIDPrinter::OffsetX() {
    return m_printers.selectedMetrics().offsetX;
}

int TIDPrinter::OffsetY() {
    return m_printers.selectedMetrics().offsetY;
}

int FitCount(int area, int cell) {
    // A negative area (offsets wider than the page) fits nothing; plain division would give
    // a negative count whose product with another could look like a capacity.
    if (cell <= 0 || area <= 0)
        return 0;
    int n = area / cell;
    while (n >= 2 && (area - n * cell) / (n - 1) == 0)
        --n;
    return n;
}

int GapFor(int area, int cell, int count) {
    return count >= 2 ? (area - count * cell) / (count - 1) : 0;
}

int TIDPrinter::Columns() const {
    return FitCount(AreaWidth, Photo.width());
}

int TIDPrinter::Rows() const {
    return FitCount(AreaHeight, Photo.height());
}

int TIDPrinter::Capacity() const {
    return Columns() * Rows();
}

std::vector<QPoint> TIDPrinter::Positions() const {
    std::vector<QPoint> positions;
    if (Photo.isNull())
        return positions;
    const int cols = Columns();
    const int rows = Rows();
    const int w = Photo.width();
    const int h = Photo.height();
    const int gx = GapFor(AreaWidth, w, cols);
    const int gy = GapFor(AreaHeight, h, rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            if (r * cols + c >= Copies)
                return positions;
            positions.emplace_back(m_metrics.offsetX + c * (w + gx),
                                   m_metrics.offsetY + r * (h + gy));
        }
    return positions;
}

void TIDPrinter::DrawPage(IPageCanvas& canvas) {
    Refresh();
    const std::vector<QPoint> positions = Positions();
    if (positions.empty())
        return;
    // One opaque conversion (none when the cell is already RGB32), then unscaled copies.
    const QImage rgb = Photo.convertToFormat(QImage::Format_RGB32);
    for (const QPoint& p : positions)
        canvas.drawImage(p.x(), p.y(), rgb);
}

void TIDPrinter::PrintPage() {
    Refresh();
    m_printers.printOnePage([this](IPageCanvas& canvas) { DrawPage(canvas); });
}

void ImageCanvas::drawImage(int x, int y, const QImage& image) {
    // Clip to the page; a plain row copy replaces the destination.
    const QRect target = QRect(x, y, image.width(), image.height()) & m_page.rect();
    if (target.isEmpty())
        return;
    const QImage source =
        image.format() == m_page.format() ? image : image.convertToFormat(m_page.format());
    const int bytes = target.width() * 4;
    for (int row = target.top(); row <= target.bottom(); ++row) {
        const uchar* from = source.constScanLine(row - y) + (target.left() - x) * 4;
        PageCopy(m_page.scanLine(row) + target.left() * 4, from, static_cast<size_t>(bytes));
    }
    PageWritesDone();
}
