#include "picture/U_JpegEncode.h"

#include "platform/AppError.h"
#include "platform/U_SafeWrite.h"

#include <QIODevice>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace {

constexpr size_t kBufferSize = 256 * 1024;

// libjpeg reports errors by calling error_exit, which by default ends the process; ours
// jumps back to the encoding call with the library's message instead.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void errorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void silentMessage(j_common_ptr) {}

// Compressed bytes go through a buffer to the device.
struct DeviceDestination {
    jpeg_destination_mgr pub;
    QIODevice* device;
    std::vector<JOCTET> buffer;
    bool failed;
};

void initDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<DeviceDestination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->buffer.data();
    dest->pub.free_in_buffer = dest->buffer.size();
}

bool flush(DeviceDestination* dest, size_t bytes) {
    const auto written =
        dest->device->write(reinterpret_cast<const char*>(dest->buffer.data()), qint64(bytes));
    dest->failed = written != qint64(bytes);
    return !dest->failed;
}

boolean emptyOutputBuffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<DeviceDestination*>(cinfo->dest);
    if (!flush(dest, dest->buffer.size()))
        ERREXIT(cinfo, JERR_FILE_WRITE);
    initDestination(cinfo);
    return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<DeviceDestination*>(cinfo->dest);
    const size_t bytes = dest->buffer.size() - dest->pub.free_in_buffer;
    if (bytes > 0 && !flush(dest, bytes))
        ERREXIT(cinfo, JERR_FILE_WRITE);
}

// The raw encoding; returns false with the library's message on failure. Nothing with a
// destructor may live in this frame, as an error leaves it by longjmp.
bool encode(const QImage& image, DeviceDestination& dest, int quality, const QSize& density,
            ErrorManager& err, std::vector<JSAMPLE>& rowBuffer) {
    jpeg_compress_struct cinfo;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.output_message = silentMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    cinfo.dest = &dest.pub;
    cinfo.image_width = JDIMENSION(image.width());
    cinfo.image_height = JDIMENSION(image.height());
#if defined(JCS_EXTENSIONS)
    // libjpeg-turbo reads the 32-bit rows itself and drops the fourth byte row by row.
    cinfo.input_components = 4;
    cinfo.in_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    const bool direct = true;
#else
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    const bool direct = false;
#endif
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (!density.isEmpty() && density.width() <= 65535 && density.height() <= 65535) {
        cinfo.density_unit = 1;
        cinfo.X_density = UINT16(density.width());
        cinfo.Y_density = UINT16(density.height());
    }
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        const auto* line =
            reinterpret_cast<const QRgb*>(image.constScanLine(int(cinfo.next_scanline)));
        JSAMPROW row;
        if (direct) {
            row = const_cast<JSAMPLE*>(reinterpret_cast<const JSAMPLE*>(line));
        } else {
            for (int x = 0; x < image.width(); ++x) {
                rowBuffer[size_t(x) * 3] = JSAMPLE(qRed(line[x]));
                rowBuffer[size_t(x) * 3 + 1] = JSAMPLE(qGreen(line[x]));
                rowBuffer[size_t(x) * 3 + 2] = JSAMPLE(qBlue(line[x]));
            }
            row = rowBuffer.data();
        }
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

void EncodeJpeg(const QImage& image, QIODevice& out, int quality, const QSize& dotsPerInch) {
    if (image.isNull())
        throw AppError(QStringLiteral("There is no picture to save."));
    // Pages are RGB32 already; anything else is converted once, as a 32-bit source.
    const QImage source =
        (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32)
            ? image
            : image.convertToFormat(QImage::Format_RGB32);
    DeviceDestination dest{};
    dest.pub.init_destination = initDestination;
    dest.pub.empty_output_buffer = emptyOutputBuffer;
    dest.pub.term_destination = termDestination;
    dest.device = &out;
    dest.buffer.resize(kBufferSize);
    std::vector<JSAMPLE> rowBuffer(size_t(source.width()) * 3);
    ErrorManager err{};
    if (!encode(source, dest, quality, dotsPerInch, err, rowBuffer)) {
        if (dest.failed)
            throw AppError(
                QStringLiteral("Could not write the picture: %1").arg(out.errorString()));
        throw AppError(QStringLiteral("Could not encode the picture as JPEG: %1")
                           .arg(QString::fromLocal8Bit(err.message)));
    }
}

void SaveJpeg(const QImage& image, const QString& path, int quality, const QSize& dotsPerInch,
              TSafeFile::Links links) {
    TSafeFile file(path, TSafeFile::Sync::ToDisk, links);
    if (!file.open(QIODevice::WriteOnly))
        throw AppError(file.errorString());
    try {
        EncodeJpeg(image, file, quality, dotsPerInch);
    } catch (const AppError&) {
        // The file's own message names it and the system's reason.
        if (file.Failed())
            throw AppError(file.errorString());
        throw;
    }
    if (!file.Commit())
        throw AppError(file.errorString());
}
