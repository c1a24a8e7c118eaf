#include "print/U_WPrint.h"

#include "picture/U_PageWrite.h"

#include <algorithm>
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

std::vector<QRect> TIDPrinter::Marks() const {
    if (!CutMarks)
        return {};
    return CutMarkRects(Positions(), Photo.size(), QSize(PageWidth(), PageHeight()),
                        QSize(DpiX, DpiY));
}

namespace {

// A band free of photos across the whole page: a margin around the grid (outer) or a gap
// between two of its lines.
struct Band {
    int from;
    int to;
    bool outer;
};

std::vector<int> distinct(std::vector<int> values) {
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

// Where marks lie along one axis, across cells starting at starts, each size long, on a page
// length long: next to the cells, a clearance away, at most cap long; none in a gap narrower
// than minGap.
std::vector<Band> markSpans(const std::vector<int>& starts, int size, int length, int minGap,
                            int clearance, int cap) {
    std::vector<Band> spans;
    auto add = [&](int from, int to, bool outer) {
        from = std::max(from, 0);
        to = std::min(to, length);
        if (to > from)
            spans.push_back({from, to, outer});
    };
    if (starts.empty())
        return spans;
    const int first = starts.front();
    add(std::max(0, first - clearance - cap), first - clearance, true);
    for (size_t i = 0; i + 1 < starts.size(); ++i) {
        const int from = starts[i] + size;
        const int to = starts[i + 1];
        if (to - from < minGap)
            continue;
        // Near each neighbour; one mark when they meet. A narrow gap keeps half for the mark.
        const int clear = std::min(clearance, (to - from) / 4);
        add(from + clear, std::min(to - clear, from + clear + cap), false);
        if (to - from - 2 * clear > 2 * cap)
            add(to - clear - cap, to - clear, false);
    }
    const int end = starts.back() + size;
    add(end + clearance, end + clearance + cap, true);
    return spans;
}

// The edges of the cells along one axis, each as the line of pixels just outside the cell,
// and whether it borders a gap narrower than minGap: such an edge is marked in the margins
// only, so that nothing is drawn inside the grid.
struct Edge {
    int at;
    bool narrow;
};

std::vector<Edge> edges(const std::vector<int>& starts, int size, int thickness, int minGap) {
    std::vector<Edge> out;
    for (size_t i = 0; i < starts.size(); ++i) {
        const bool narrowBefore = i > 0 && starts[i] - (starts[i - 1] + size) < minGap;
        const bool narrowAfter =
            i + 1 < starts.size() && starts[i + 1] - (starts[i] + size) < minGap;
        out.push_back({starts[i] - thickness, narrowBefore});
        out.push_back({starts[i] + size, narrowAfter});
    }
    return out;
}

} // namespace

std::vector<QRect> CutMarkRects(const std::vector<QPoint>& positions, const QSize& cell,
                                const QSize& page, const QSize& dpi) {
    std::vector<QRect> marks;
    if (positions.empty() || cell.isEmpty() || dpi.width() <= 0 || dpi.height() <= 0)
        return marks;
    std::vector<int> xs, ys;
    for (const QPoint& p : positions) {
        xs.push_back(p.x());
        ys.push_back(p.y());
    }
    xs = distinct(std::move(xs));
    ys = distinct(std::move(ys));
    // A fifth of a millimetre thick, half a millimetre from the photo, at most 5 mm long;
    // nothing inside the grid where photos are less than a millimetre apart.
    const int thickX = std::max(1, dpi.width() / 127);
    const int thickY = std::max(1, dpi.height() / 127);
    const int minGapX = TIDPrinter::MmToPixels(1, dpi.width());
    const int minGapY = TIDPrinter::MmToPixels(1, dpi.height());
    const QRect pageRect(QPoint(0, 0), page);
    auto add = [&](const QRect& r) {
        const QRect clipped = r & pageRect;
        if (!clipped.isEmpty())
            marks.push_back(clipped);
    };
    // Vertical marks on the column edges, in the bands between and around the rows.
    for (const Band& band :
         markSpans(ys, cell.height(), page.height(), minGapY, std::max(1, dpi.height() / 50),
                   TIDPrinter::MmToPixels(5, dpi.height())))
        for (const Edge& e : edges(xs, cell.width(), thickX, minGapX))
            if (band.outer || !e.narrow)
                add(QRect(e.at, band.from, thickX, band.to - band.from));
    // Horizontal marks on the row edges, in the bands between and around the columns.
    for (const Band& band :
         markSpans(xs, cell.width(), page.width(), minGapX, std::max(1, dpi.width() / 50),
                   TIDPrinter::MmToPixels(5, dpi.width())))
        for (const Edge& e : edges(ys, cell.height(), thickY, minGapY))
            if (band.outer || !e.narrow)
                add(QRect(band.from, e.at, band.to - band.from, thickY));
    return marks;
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
    std::vector<QRect> marks = Marks();
    return [positions = std::move(positions), rgb = std::move(rgb),
            marks = std::move(marks)](IPageCanvas& canvas) {
        for (const QPoint& p : positions)
            canvas.drawImage(p.x(), p.y(), rgb);
        DrawMarks(canvas, marks);
    };
}

void TIDPrinter::PrintPage(const QString& documentName) {
    m_printers.printOnePage(documentName, PageDrawer());
}

void DrawMarks(IPageCanvas& canvas, const std::vector<QRect>& marks) {
    QImage ink;
    for (const QRect& m : marks) {
        if (ink.size() != m.size()) {
            ink = QImage(m.size(), QImage::Format_RGB32);
            ink.fill(Qt::black);
        }
        canvas.drawImage(m.x(), m.y(), ink);
    }
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
