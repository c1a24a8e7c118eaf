#include "print/U_WPrint.h"

#include "picture/U_PageWrite.h"

#include <cmath>
#include <cstring>
#include <utility>

TIDPrinter::TIDPrinter(IPrinterSystem& printers) : m_printers(printers) {
    Refresh();
}

void TIDPrinter::SetPhotoSize(int widthMM, int heightMM) {
    PhotoWidthMM = widthMM;
    PhotoHeightMM = heightMM;
    m_tenthsWidth = 0;
    m_tenthsHeight = 0;
    Refresh();
}

void TIDPrinter::SetPhotoSizeInches(float widthIn, float heightIn) {
    m_tenthsWidth = int(std::lround(double(widthIn) * 10.0));
    m_tenthsHeight = int(std::lround(double(heightIn) * 10.0));
    PhotoWidthMM = m_tenthsWidth * 254 / 100;
    PhotoHeightMM = m_tenthsHeight * 254 / 100;
    Refresh();
}

void TIDPrinter::Refresh() {
    m_metrics = m_printers.selectedMetrics();
    DpiX = m_metrics.dpiX;
    DpiY = m_metrics.dpiY;
    AreaWidth = m_metrics.pageWidth - 2 * m_metrics.offsetX;
    AreaHeight = m_metrics.pageHeight - 2 * m_metrics.offsetY;
    const bool inches = m_tenthsWidth > 0 && m_tenthsHeight > 0;
    const int w = inches ? InchTenthsToPixels(m_tenthsWidth, DpiX) : MmToPixels(PhotoWidthMM, DpiX);
    const int h =
        inches ? InchTenthsToPixels(m_tenthsHeight, DpiY) : MmToPixels(PhotoHeightMM, DpiY);
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

int TIDPrinter::InchTenthsToPixels(int tenths, int dpi) {
    if (dpi <= 0 || tenths <= 0)
        return 0;
    return int(qint64(tenths) * dpi / 10);
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
    PageDrawer()(canvas);
}

std::function<void(IPageCanvas&)> TIDPrinter::PageDrawer() {
    Refresh();
    std::vector<QPoint> positions = Positions();
    // One opaque conversion (none when the cell is already RGB32), then unscaled copies.
    // The image is shared, not copied: a later write to Photo detaches the engine's side.
    QImage rgb = positions.empty() ? QImage() : Photo.convertToFormat(QImage::Format_RGB32);
    return [positions = std::move(positions), rgb = std::move(rgb)](IPageCanvas& canvas) {
        for (const QPoint& p : positions)
            canvas.drawImage(p.x(), p.y(), rgb);
    };
}

void TIDPrinter::PrintPage(const QString& documentName) {
    m_printers.printOnePage(documentName, PageDrawer());
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
