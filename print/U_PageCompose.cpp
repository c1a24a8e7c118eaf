#include "print/U_PageCompose.h"

#include "picture/U_PageWrite.h"
#include "picture/U_Resample.h"
#include "print/U_WPrint.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

QRect FitRect(const QSize& cell, const QSize& picture, bool stretch) {
    const QRect whole(QPoint(0, 0), cell);
    if (stretch || picture.isEmpty() || cell.isEmpty())
        return whole;
    const double sx = double(picture.width()) / cell.width();
    const double sy = double(picture.height()) / cell.height();
    // std::nearbyint rounds halves to even in the default rounding mode.
    if (sx >= sy)
        return QRect(0, 0, cell.width(), int(std::nearbyint(cell.height() * sy / sx)));
    return QRect(0, 0, int(std::nearbyint(cell.width() * sx / sy)), cell.height());
}

void ComposeCell(QImage& cell, const QImage& picture, bool stretch) {
    if (cell.isNull())
        return;
    const QRect covered = FitRect(cell.size(), picture.size(), stretch);
    if (picture.isNull() || covered != cell.rect())
        cell.fill(Qt::white);
    if (!picture.isNull())
        ResampleInto(picture, cell, covered);
}

namespace {

// A new page image. Its first touch costs one fault per memory page, which for a page of
// several hundred megabytes is far more than filling it; on Linux it is asked for in huge
// pages, with a thousandth of the faults.
QImage newPage(const QSize& size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    const qsizetype line = qsizetype(size.width()) * 4;
    const size_t bytes = size_t(line) * size_t(size.height());
    if (bytes >= (size_t(32) << 20)) {
        void* memory =
            mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory != MAP_FAILED) {
            madvise(memory, bytes, MADV_HUGEPAGE);
            struct Mapping {
                void* memory;
                size_t bytes;
            };
            auto* mapping = new Mapping{memory, bytes};
            return QImage(
                static_cast<uchar*>(memory), size.width(), size.height(), line,
                QImage::Format_RGB32,
                [](void* info) {
                    auto* m = static_cast<Mapping*>(info);
                    munmap(m->memory, m->bytes);
                    delete m;
                },
                mapping);
        }
    }
#endif
    return QImage(size, QImage::Format_RGB32);
}

} // namespace

void PreparePage(QImage& page, const QSize& size, const std::vector<QRect>& covered) {
    if (page.size() != size || page.format() != QImage::Format_RGB32) {
        page = QImage();
        if (!size.isEmpty())
            page = newPage(size);
    }
    if (page.isNull())
        return;
    const int width = page.width();
    std::vector<std::pair<int, int>> spans; // covered [left, right) of one row
    for (int y = 0; y < page.height(); ++y) {
        spans.clear();
        for (const QRect& r : covered)
            if (y >= r.top() && y <= r.bottom())
                spans.emplace_back(std::clamp(r.left(), 0, width),
                                   std::clamp(r.right() + 1, 0, width));
        std::sort(spans.begin(), spans.end());
        auto* line = reinterpret_cast<uint32_t*>(page.scanLine(y));
        int x = 0;
        for (const auto& [left, right] : spans) {
            if (left > x)
                PageFill(line + x, 0xffffffffu, size_t(left - x));
            x = std::max(x, right);
        }
        if (x < width)
            PageFill(line + x, 0xffffffffu, size_t(width - x));
    }
    PageWritesDone();
}

void BuildPage(QImage& page, const PageLayout& layout) {
    std::vector<QRect> covered;
    for (const QPoint& p : layout.positions)
        covered.emplace_back(p, layout.cell.size());
    PreparePage(page, layout.size, covered);
    if (page.isNull() || layout.cell.isNull())
        return;
    ImageCanvas canvas(page);
    for (const QPoint& p : layout.positions)
        canvas.drawImage(p.x(), p.y(), layout.cell);
    DrawMarks(canvas, layout.marks);
}

QImage ScaleNearestLayout(const PageLayout& layout, const QSize& shown) {
    if (layout.size.isEmpty() || shown.isEmpty())
        return {};
    const QImage cell = layout.cell.format() == QImage::Format_RGB32
                            ? layout.cell
                            : layout.cell.convertToFormat(QImage::Format_RGB32);
    QImage image(shown, QImage::Format_RGB32);
    const qint64 pw = layout.size.width();
    const qint64 ph = layout.size.height();
    const int cw = cell.width();
    const int ch = cell.height();
    std::vector<int> columns(size_t(shown.width()));
    for (int x = 0; x < shown.width(); ++x)
        columns[size_t(x)] = int(std::min(pw - 1, (2 * x + 1) * pw / (2 * qint64(shown.width()))));
    std::vector<QPoint> row; // the photos that the current page row crosses
    std::vector<QRect> rowMarks;
    for (int y = 0; y < shown.height(); ++y) {
        const int sy = int(std::min(ph - 1, (2 * y + 1) * ph / (2 * qint64(shown.height()))));
        row.clear();
        for (const QPoint& p : layout.positions)
            if (sy >= p.y() && sy < p.y() + ch)
                row.push_back(p);
        rowMarks.clear();
        for (const QRect& m : layout.marks)
            if (sy >= m.top() && sy <= m.bottom())
                rowMarks.push_back(m);
        auto* to = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < shown.width(); ++x) {
            const int sx = columns[size_t(x)];
            QRgb pixel = 0xffffffffu;
            // Later photos lie over earlier ones, as when they are drawn.
            for (auto p = row.rbegin(); p != row.rend(); ++p)
                if (sx >= p->x() && sx < p->x() + cw) {
                    pixel =
                        reinterpret_cast<const QRgb*>(cell.constScanLine(sy - p->y()))[sx - p->x()];
                    break;
                }
            // Marks are drawn last and never lie on a photo.
            for (const QRect& m : rowMarks)
                if (sx >= m.left() && sx <= m.right())
                    pixel = 0xff000000u;
            to[x] = pixel;
        }
    }
    return image;
}
