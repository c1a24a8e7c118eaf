#include "picture/U_PictureFile.h"

#include "platform/AppError.h"
#include "picture/U_JpegDecode.h"
#include "picture/U_PictureBuffer.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>

namespace {

quint16 le16(const QByteArray& data, int at) {
    return qFromLittleEndian<quint16>(data.constData() + at);
}

quint32 le32(const QByteArray& data, int at) {
    return qFromLittleEndian<quint32>(data.constData() + at);
}

[[noreturn]] void damagedBitmap(const QString& name, const QString& reason) {
    throw AppError(QStringLiteral("\"%1\" is not a Windows bitmap that can be read (%2).")
                       .arg(QDir::toNativeSeparators(name), reason));
}

} // namespace

QByteArray ReadPictureFile(const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Cannot open \"%1\": %2").arg(shown, file.errorString()));
    const qint64 size = file.size();
    if (size > kMaxPictureFileBytes)
        throw AppError(QStringLiteral("\"%1\" is %2 MB long; picture files of at most %3 MB "
                                      "can be loaded.")
                           .arg(shown)
                           .arg(size >> 20)
                           .arg(kMaxPictureFileBytes >> 20));
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("Cannot read \"%1\": %2").arg(shown, file.errorString()));
    if (data.isEmpty())
        throw AppError(QStringLiteral("\"%1\" is empty.").arg(shown));
    return data;
}

QImage DecodeBmp(const QByteArray& data, const QString& name) {
    // File header (14 bytes), then an info header: 12 bytes in the old OS/2 form, 40 or more.
    if (data.size() < 26)
        damagedBitmap(name, QStringLiteral("the header is incomplete"));
    const quint32 pixelsAt = le32(data, 10);
    const quint32 infoSize = le32(data, 14);
    qint64 width = 0, height = 0;
    quint32 bitCount = 0, compression = 0;
    if (infoSize == 12) {
        width = le16(data, 18);
        height = le16(data, 20);
        bitCount = le16(data, 24);
    } else if (infoSize >= 40 && data.size() >= 34) {
        width = qint32(le32(data, 18));
        height = qint32(le32(data, 22));
        bitCount = le16(data, 28);
        compression = le32(data, 30);
    } else {
        damagedBitmap(name, QStringLiteral("unknown header size %1").arg(infoSize));
    }
    height = qAbs(height); // negative: rows stored top-down
    CheckPictureSize(width, height);
    // Uncompressed rows must all be there; compressed ones may legitimately be shorter.
    constexpr quint32 kRgb = 0, kBitFields = 3;
    if (compression == kRgb || compression == kBitFields) {
        if (bitCount == 0 || bitCount > 32)
            damagedBitmap(name, QStringLiteral("%1 bits per pixel").arg(bitCount));
        const qint64 rowBytes = (width * bitCount + 31) / 32 * 4;
        if (qint64(pixelsAt) + rowBytes * height > data.size())
            damagedBitmap(name, QStringLiteral("the file is shorter than its header says"));
    }
    // The toolkit's own limit would refuse large pictures that are within ours.
    const int neededMB = int((width * height * 4) >> 20) + 1;
    if (QImageReader::allocationLimit() < neededMB)
        QImageReader::setAllocationLimit(neededMB);
    QBuffer buffer;
    buffer.setData(data);
    QImageReader reader(&buffer, "bmp");
    QImage image = reader.read();
    if (image.isNull())
        damagedBitmap(name, reader.errorString());
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                         : QImage::Format_RGB32);
}

QImage DecodePicture(const QByteArray& data, const QString& name) {
    if (data.startsWith("BM"))
        return DecodeBmp(data, name);
    return DecodeJpeg(data, name);
}

bool SameFile(const QString& a, const QString& b) {
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (first.exists() && second.exists())
        return first.canonicalFilePath() == second.canonicalFilePath();
    return QDir::cleanPath(first.absoluteFilePath()) == QDir::cleanPath(second.absoluteFilePath());
}
