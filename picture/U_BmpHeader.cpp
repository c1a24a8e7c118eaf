#include "picture/U_BmpHeader.h"

#include <QtEndian>

namespace {

quint16 le16(const QByteArray& data, qint64 at) {
    return qFromLittleEndian<quint16>(data.constData() + at);
}

quint32 le32(const QByteArray& data, qint64 at) {
    return qFromLittleEndian<quint32>(data.constData() + at);
}

} // namespace

QString BmpHeaderProblem(const QByteArray& data, qint64 maxPixels, BmpHeader* header) {
    BmpHeader local;
    BmpHeader& h = header ? *header : local;
    h = BmpHeader();
    // File header (14 bytes), then an info header: 12 bytes in the old OS/2 form, 40 to 124.
    const qint64 size = data.size();
    if (size < 26 || !data.startsWith("BM"))
        return QStringLiteral("the header is incomplete");
    const qint64 pixelsAt = le32(data, 10);
    const qint64 infoSize = le32(data, 14);
    if (infoSize == 12) {
        h.Width = le16(data, 18);
        h.Height = le16(data, 20);
        h.BitCount = le16(data, 24);
    } else if (infoSize >= 40 && infoSize <= 124) {
        if (14 + infoSize > size)
            return QStringLiteral("the header is incomplete");
        h.Width = qint32(le32(data, 18));
        h.Height = qAbs(qint64(qint32(le32(data, 22)))); // negative: rows stored top-down
        h.BitCount = le16(data, 28);
        h.Compression = le32(data, 30);
    } else {
        return QStringLiteral("unknown header size %1").arg(infoSize);
    }
    if (h.Width <= 0 || h.Height <= 0)
        return QStringLiteral("no pixels (%1 x %2)").arg(h.Width).arg(h.Height);
    if (h.Width * h.Height > maxPixels)
        return QStringLiteral("%1 x %2 pixels, more than %3")
            .arg(h.Width)
            .arg(h.Height)
            .arg(maxPixels);
    if (pixelsAt < 14 + infoSize || pixelsAt > size)
        return QStringLiteral("the pixels are said to start outside the file");
    constexpr quint32 kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;
    switch (h.Compression) {
    case kRgb:
    case kBitFields:
    case kAlphaBitFields: {
        switch (h.BitCount) {
        case 1: case 4: case 8: case 16: case 24: case 32:
            break;
        default:
            return QStringLiteral("%1 bits per pixel").arg(h.BitCount);
        }
        // Uncompressed rows must all be there; compressed ones may legitimately be shorter.
        const qint64 rowBytes = (h.Width * h.BitCount + 31) / 32 * 4;
        if (pixelsAt + rowBytes * h.Height > size)
            return QStringLiteral("the file is shorter than its header says");
        return {};
    }
    case kRle8:
        return h.BitCount == 8 ? QString() : QStringLiteral("%1 bits per pixel").arg(h.BitCount);
    case kRle4:
        return h.BitCount == 4 ? QString() : QStringLiteral("%1 bits per pixel").arg(h.BitCount);
    default:
        return QStringLiteral("compression %1").arg(h.Compression);
    }
}
