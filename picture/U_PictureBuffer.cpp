#include "picture/U_PictureBuffer.h"

#include "platform/AppError.h"

#include <cstdint>
#include <memory>

#if defined(Q_OS_LINUX)
#include <sys/mman.h>
#endif

namespace {

// Below this size the ordinary allocation is as fast.
constexpr qsizetype kMappedFrom = qsizetype(4) << 20;

#if defined(Q_OS_LINUX)
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23 // Linux 5.14; older kernels refuse it and fault page by page
#endif

constexpr size_t kHugePage = size_t(2) << 20;

struct Mapping {
    void* address;
    size_t length;
};

void unmapPicture(void* info) {
    const std::unique_ptr<Mapping> mapping(static_cast<Mapping*>(info));
    munmap(mapping->address, mapping->length);
}

// Anonymous memory on a 2 MiB boundary, asked for as huge pages and made resident at once.
QImage mappedPicture(int width, int height, QImage::Format format) {
    const size_t bytes = size_t(width) * size_t(height) * 4;
    const size_t length = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* raw = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return {};
    const auto start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
    if (aligned > start)
        munmap(raw, aligned - start);
    if (const size_t tail = start + length + kHugePage - (aligned + length); tail > 0)
        munmap(reinterpret_cast<void*>(aligned + length), tail);
    void* address = reinterpret_cast<void*>(aligned);
    madvise(address, length, MADV_HUGEPAGE);
    madvise(address, length, MADV_POPULATE_WRITE);
    auto mapping = std::make_unique<Mapping>(Mapping{address, length});
    QImage image(static_cast<uchar*>(address), width, height, qsizetype(width) * 4, format,
                 unmapPicture, mapping.get());
    if (image.isNull()) {
        munmap(address, length);
        return {};
    }
    mapping.release(); // the image's cleanup function owns it now
    return image;
}
#endif

} // namespace

void CheckPictureSize(qint64 width, qint64 height) {
    if (width <= 0 || height <= 0)
        throw AppError(
            QStringLiteral("The picture has no pixels (%1 x %2).").arg(width).arg(height));
    if (width * height > kMaxPicturePixels)
        throw AppError(QStringLiteral("The picture is %1 x %2 pixels, %3 megapixels; pictures of "
                                      "at most %4 megapixels can be loaded.")
                           .arg(width)
                           .arg(height)
                           .arg(double(width) * double(height) / 1e6, 0, 'f', 1)
                           .arg(kMaxPicturePixels / 1'000'000));
}

QImage NewPicture(int width, int height, QImage::Format format) {
    CheckPictureSize(width, height);
    QImage image;
#if defined(Q_OS_LINUX)
    if (qsizetype(width) * height * 4 >= kMappedFrom)
        image = mappedPicture(width, height, format);
#endif
    if (image.isNull())
        image = QImage(width, height, format);
    if (image.isNull())
        throw AppError(QStringLiteral("There is not enough memory for a picture of %1 x %2 pixels.")
                           .arg(width)
                           .arg(height));
    return image;
}
