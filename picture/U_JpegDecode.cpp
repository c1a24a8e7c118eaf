#include "picture/U_JpegDecode.h"

#include "picture/U_ExifOrientation.h"
#include "picture/U_PictureBuffer.h"
#include "platform/AppError.h"

#include <QDir>

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace {

// libjpeg reports errors through error_exit, which by default ends the process. Ours
// leaves the library by longjmp back to guarded() below; only plain C data lives in the
// frames it skips.
struct ErrorManager {
    jpeg_error_mgr pub; // first, so libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

struct Progress {
    jpeg_progress_mgr pub;
    ErrorManager* errors;
    std::atomic<int>* percent;
};

[[noreturn]] void failWith(ErrorManager* errors) {
    std::longjmp(errors->jump, 1);
}

void onError(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    failWith(errors);
}

// Warnings that mean the pixels are damaged or missing end the decoding; harmless ones
// (stray bytes between markers, unknown JFIF revisions, odd progression) are passed over.
void onMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return;
    switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
        onError(cinfo);
        break;
    default:
        break;
    }
}

// Scans are counted beforehand; this catches any the count missed.
void onProgress(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor)
        return;
    const auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    const auto* progress = reinterpret_cast<Progress*>(cinfo->progress);
    const jpeg_progress_mgr& p = progress->pub;
    if (progress->percent && p.total_passes > 0 && p.pass_limit > 0)
        progress->percent->store(
            int((p.completed_passes * 100 + p.pass_counter * 100 / p.pass_limit) / p.total_passes),
            std::memory_order_relaxed);
    if (dinfo->input_scan_number > kMaxJpegScans) {
        ErrorManager* errors = reinterpret_cast<Progress*>(cinfo->progress)->errors;
        std::snprintf(errors->message, sizeof errors->message, "The file has more than %d scans",
                      kMaxJpegScans);
        failWith(errors);
    }
}

// The scans (start-of-scan markers) in the file, found by walking its segments without
// decoding. Inside compressed data a 0xFF byte is followed by 0 or a restart marker only.
int countScans(const QByteArray& data) {
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const qsizetype size = data.size();
    int scans = 0;
    for (qsizetype i = 2; i + 3 < size;) {
        const uchar marker = p[i + 1];
        if (p[i] != 0xFF || marker == 0xFF) {
            ++i;
            continue;
        }
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            i += 2;
            continue;
        }
        if (marker == 0xD9)
            break;
        scans += marker == 0xDA;
        i += 2 + ((p[i + 2] << 8) | p[i + 3]);
    }
    return scans;
}

// What decoding takes beyond libjpeg's small tables: the picture, and for progressive files
// every coefficient of every component (64 of two bytes per block) held until the end.
qint64 decodeBytes(const jpeg_decompress_struct& cinfo) {
    qint64 bytes = qint64(cinfo.image_width) * cinfo.image_height * 4;
    if (!cinfo.progressive_mode)
        return bytes;
    for (int c = 0; c < cinfo.num_components; ++c) {
        const jpeg_component_info& comp = cinfo.comp_info[c];
        const auto roundUp = [](qint64 n, qint64 m) { return (n + m - 1) / m * m; };
        bytes += roundUp(comp.width_in_blocks, comp.h_samp_factor) *
                 roundUp(comp.height_in_blocks, comp.v_samp_factor) * qint64(sizeof(JBLOCK));
    }
    return bytes;
}

// Runs a sequence of libjpeg calls; false when libjpeg reported an error. The step must
// not create objects with destructors: an error leaves it by longjmp.
template <typename Step> bool guarded(ErrorManager& errors, Step&& step) {
    if (setjmp(errors.jump))
        return false;
    step();
    return true;
}

struct Decompressor {
    jpeg_decompress_struct cinfo{};
    ErrorManager errors{};
    Progress progress{};
    bool created = false;
    ~Decompressor() {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

[[noreturn]] void raise(const ErrorManager& errors, const QString& name) {
    throw AppError(
        QStringLiteral("\"%1\" is not a JPEG picture that can be read (%2).")
            .arg(QDir::toNativeSeparators(name), QString::fromLocal8Bit(errors.message)));
}

// Adobe writes CMYK inverted (0 = full ink); other writers store it plain.
void cmykToPixels(const JSAMPLE* cmyk, QRgb* out, int width, bool inverted) {
    for (int x = 0; x < width; ++x, cmyk += 4) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[x] = qRgb((c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255);
    }
}

} // namespace

namespace {

QImage Decode(const QByteArray& data, const QString& name, std::atomic<int>* progress,
              int minLongSide, QSize* fullSize, int minShortSide = 0) {
    if (countScans(data) > kMaxJpegScans)
        throw AppError(QStringLiteral("\"%1\" has too many parts to be a photograph.")
                           .arg(QDir::toNativeSeparators(name)));
    auto d = std::make_unique<Decompressor>();
    jpeg_decompress_struct* cinfo = &d->cinfo;
    cinfo->err = jpeg_std_error(&d->errors.pub);
    d->errors.pub.error_exit = onError;
    d->errors.pub.emit_message = onMessage;
    d->progress.pub.progress_monitor = onProgress;
    d->progress.errors = &d->errors;
    d->progress.percent = progress;

    if (!guarded(d->errors, [&] {
            jpeg_create_decompress(cinfo);
            d->created = true;
            cinfo->progress = &d->progress.pub;
            // Phone pictures say in their Exif segment which way is up.
            jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xFFFF);
            jpeg_mem_src(cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
                         static_cast<unsigned long>(data.size()));
            jpeg_read_header(cinfo, TRUE);
        })) {
        // Beyond libjpeg's own limit its message names no size; ours does.
        if (d->errors.pub.msg_code == JERR_IMAGE_TOO_BIG)
            CheckPictureSize(cinfo->image_width, cinfo->image_height);
        raise(d->errors, name);
    }

    CheckPictureSize(cinfo->image_width, cinfo->image_height);
    const qint64 needed = decodeBytes(*cinfo);
    if (needed > kMaxDecodeBytes)
        throw AppError(QStringLiteral("\"%1\" would need more than %2 MB of memory to be opened.")
                           .arg(QDir::toNativeSeparators(name))
                           .arg(kMaxDecodeBytes >> 20));
    cinfo->mem->max_memory_to_use =
        long(kMaxDecodeBytes - qint64(cinfo->image_width) * cinfo->image_height * 4);
    int orientation = 1;
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m != nullptr && orientation == 1;
         m = m->next)
        orientation = ExifOrientation(m->data, m->data_length);
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    if (fullSize) {
        const bool across = orientation >= 5; // turned by a quarter
        *fullSize = QSize(int(across ? cinfo->image_height : cinfo->image_width),
                          int(across ? cinfo->image_width : cinfo->image_height));
        const unsigned longSide = std::max(cinfo->image_width, cinfo->image_height);
        const unsigned shortSide = std::min(cinfo->image_width, cinfo->image_height);
        cinfo->scale_num = 1;
        cinfo->scale_denom = 1;
        while (cinfo->scale_denom < 8 &&
               longSide / (cinfo->scale_denom * 2) >= unsigned(minLongSide) &&
               shortSide / (cinfo->scale_denom * 2) >= unsigned(minShortSide))
            cinfo->scale_denom *= 2;
        jpeg_calc_output_dimensions(cinfo);
    }
    // QImage's 32-bit rows are B, G, R, A in memory on little-endian machines.
    cinfo->out_color_space =
        cmyk ? JCS_CMYK : (Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB);
    QImage picture =
        fullSize
            ? NewPicture(int(cinfo->output_width), int(cinfo->output_height), QImage::Format_RGB32)
            : NewPicture(int(cinfo->image_width), int(cinfo->image_height), QImage::Format_RGB32);
    std::vector<JSAMPLE> cmykRow(cmyk ? size_t(picture.width()) * 4 : 0);
    uchar* const bits = picture.bits();
    const qsizetype stride = picture.bytesPerLine();
    const int width = picture.width();

    if (!guarded(d->errors, [&] {
            jpeg_start_decompress(cinfo);
            const bool inverted = cinfo->saw_Adobe_marker;
            while (cinfo->output_scanline < cinfo->output_height) {
                const JDIMENSION y = cinfo->output_scanline;
                if (cmyk) {
                    JSAMPROW row = cmykRow.data();
                    jpeg_read_scanlines(cinfo, &row, 1);
                    cmykToPixels(cmykRow.data(), reinterpret_cast<QRgb*>(bits + y * stride), width,
                                 inverted);
                } else {
                    constexpr JDIMENSION kBatch = 16;
                    JSAMPROW rows[kBatch];
                    const JDIMENSION n = std::min(kBatch, cinfo->output_height - y);
                    for (JDIMENSION i = 0; i < n; ++i)
                        rows[i] = bits + (y + i) * stride;
                    jpeg_read_scanlines(cinfo, rows, n);
                }
            }
            jpeg_finish_decompress(cinfo);
        }))
        raise(d->errors, name);
    return Oriented(std::move(picture), orientation);
}

} // namespace

QImage DecodeJpeg(const QByteArray& data, const QString& name, std::atomic<int>* progress) {
    return Decode(data, name, progress, 0, nullptr);
}

QImage DecodeJpegReduced(const QByteArray& data, const QString& name, int minLongSide,
                         QSize& fullSize, int minShortSide) {
    return Decode(data, name, nullptr, minLongSide, &fullSize, minShortSide);
}
