#include "U_PrintJob.h"

#include "U_PageWrite.h"
#include "U_Resample.h"

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
