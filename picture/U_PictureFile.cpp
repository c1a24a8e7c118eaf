#include "picture/U_PictureFile.h"

#include "platform/AppError.h"
#include "picture/U_BmpHeader.h"
#include "picture/U_JpegDecode.h"
#include "picture/U_PictureBuffer.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace {

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
    BmpHeader header;
    const QString problem = BmpHeaderProblem(data, kMaxPicturePixels, &header);
    if (!problem.isEmpty()) {
        // A refused size is told as for any other picture.
        if (header.Width * header.Height > kMaxPicturePixels)
            CheckPictureSize(header.Width, header.Height);
        damagedBitmap(name, problem);
    }
    const qint64 width = header.Width, height = header.Height;
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
