#include "tests/common/JpegSamples.h"

#include <QBuffer>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

QByteArray EncodeJpeg(const QImage& source, const JpegOptions& options) {
    const QImage picture = source.convertToFormat(QImage::Format_RGB32);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(picture.width());
    cinfo.image_height = JDIMENSION(picture.height());
    const bool grey = options.kind == JpegKind::Grey;
    const bool cmyk = !grey && options.kind != JpegKind::Colour;
    cinfo.input_components = grey ? 1 : (cmyk ? 4 : 3);
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : (cmyk ? JCS_CMYK : JCS_RGB);
    jpeg_set_defaults(&cinfo);
    if (options.kind == JpegKind::Ycck)
        jpeg_set_colorspace(&cinfo, JCS_YCCK);
    if (options.kind == JpegKind::CmykPlain)
        cinfo.write_Adobe_marker = FALSE;
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    if (options.kind == JpegKind::Colour) {
        cinfo.comp_info[0].h_samp_factor = options.hSample;
        cinfo.comp_info[0].v_samp_factor = options.vSample;
    }
    if (options.progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(size_t(picture.width()) * size_t(cinfo.input_components));
    while (cinfo.next_scanline < cinfo.image_height) {
        const auto* line =
            reinterpret_cast<const QRgb*>(picture.constScanLine(int(cinfo.next_scanline)));
        for (int x = 0; x < picture.width(); ++x) {
            const int r = qRed(line[x]), g = qGreen(line[x]), b = qBlue(line[x]);
            JSAMPLE* out = row.data() + size_t(x) * size_t(cinfo.input_components);
            if (grey) {
                out[0] = JSAMPLE(Luma(line[x]));
            } else if (cmyk) {
                // Ink amounts; Adobe's files (and YCCK, which carries an Adobe marker) store
                // them inverted, plain files as they are.
                const int keyInverse = std::max({r, g, b});
                const int ink[4] = {keyInverse == 0 ? 255 : 255 - r * 255 / keyInverse,
                                    keyInverse == 0 ? 255 : 255 - g * 255 / keyInverse,
                                    keyInverse == 0 ? 255 : 255 - b * 255 / keyInverse,
                                    255 - keyInverse};
                const bool inverted = options.kind != JpegKind::CmykPlain;
                for (int c = 0; c < 4; ++c)
                    out[c] = JSAMPLE(inverted ? 255 - ink[c] : ink[c]);
            } else {
                out[0] = JSAMPLE(r);
                out[1] = JSAMPLE(g);
                out[2] = JSAMPLE(b);
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray result(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return result;
}

QImage Quadrants(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = y >= height / 2;
            QRgb c = qRgb(255, 255, 255);
            if (!right && !bottom)
                c = qRgb(220, 30, 30);
            else if (right && !bottom)
                c = qRgb(30, 200, 40);
            else if (right && bottom)
                c = qRgb(30, 40, 210);
            image.setPixel(x, y, c);
        }
    return image;
}

QImage Numbered(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x & 0xff, y & 0xff, ((x >> 8) << 4) | (y >> 8)));
    return image;
}

QByteArray BmpBytes(const QImage& picture) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "BMP");
    return data;
}

QByteArray WithClaimedSize(QByteArray jpeg, int width, int height) {
    // Walk the markers to the first start-of-frame (0xC0..0xC2): length, precision, height,
    // width.
    qsizetype at = 2;
    while (at + 9 < jpeg.size()) {
        const auto marker = uchar(jpeg[at + 1]);
        const int length = (uchar(jpeg[at + 2]) << 8) | uchar(jpeg[at + 3]);
        if (marker >= 0xC0 && marker <= 0xC2) {
            jpeg[at + 5] = char(height >> 8);
            jpeg[at + 6] = char(height & 0xff);
            jpeg[at + 7] = char(width >> 8);
            jpeg[at + 8] = char(width & 0xff);
            return jpeg;
        }
        at += 2 + length;
    }
    return jpeg;
}

bool Near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

int Luma(QRgb colour) {
    return int(0.299 * qRed(colour) + 0.587 * qGreen(colour) + 0.114 * qBlue(colour) + 0.5);
}

// The Exif segment is written byte by byte, without the library the program reads it with.
QByteArray WithExifOrientation(const QByteArray& jpeg, int orientation, bool bigEndian) {
    QByteArray tiff =
        bigEndian ? QByteArray("MM\0\x2a\0\0\0\x08", 8) : QByteArray("II\x2a\0\x08\0\0\0", 8);
    const auto put16 = [&](int v) {
        const char hi = char(v >> 8), lo = char(v & 0xff);
        tiff += bigEndian ? QByteArray{&hi, 1} + QByteArray{&lo, 1}
                          : QByteArray{&lo, 1} + QByteArray{&hi, 1};
    };
    put16(1);      // one entry
    put16(0x0112); // Orientation
    put16(3);      // SHORT
    put16(bigEndian ? 0 : 1);
    put16(bigEndian ? 1 : 0); // count 1
    put16(orientation);
    put16(0);
    put16(0);
    put16(0); // no next directory
    const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
    const int length = int(body.size()) + 2;
    const QByteArray segment =
        QByteArray("\xff\xe1", 2) + char(length >> 8) + char(length & 0xff) + body;
    return jpeg.left(2) + segment + jpeg.mid(2);
}
