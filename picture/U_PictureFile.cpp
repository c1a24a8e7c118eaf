#include "picture/U_PictureFile.h"

#include "picture/U_BmpHeader.h"
#include "picture/U_JpegDecode.h"
#include "picture/U_PictureBuffer.h"
#include "platform/AppError.h"
#include "platform/U_LocalFiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void damagedBitmap(const QString& name, const QString& reason) {
    throw AppError(QStringLiteral("\"%1\" is not a Windows bitmap that can be read (%2).")
                       .arg(QDir::toNativeSeparators(name), reason));
}

} // namespace

QByteArray ReadPictureFile(const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    auto failed = [&](const char* what, int error) {
        return AppError(
            QString::fromLatin1(what).arg(shown, QString::fromLocal8Bit(std::strerror(error))));
    };
    const auto tooLong = [&] {
        return AppError(QStringLiteral("\"%1\" is more than %2 MB long; picture files of at most "
                                       "%2 MB can be loaded.")
                            .arg(shown)
                            .arg(kMaxPictureFileBytes >> 20));
    };
    // Without blocking: a FIFO would otherwise wait in open() for a writer for ever.
    const struct Descriptor {
        int fd;
        ~Descriptor() {
            if (fd >= 0)
                ::close(fd);
        }
    } file{::open(LocalName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    const int fd = file.fd;
    if (fd < 0)
        throw failed("Cannot open \"%1\": %2", errno);
    // Only a plain file has an end: a device such as /dev/zero never stops giving bytes.
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throw failed("Cannot read \"%1\": %2", errno);
    if (!S_ISREG(info.st_mode))
        throw AppError(QStringLiteral("\"%1\" is not a file that can be loaded.").arg(shown));
    // A file that says it is too long is not read at all; one that grows while it is read
    // is read no further than the limit and one byte.
    if (info.st_size > kMaxPictureFileBytes)
        throw tooLong();
    QByteArray data(qsizetype(qBound(qint64(0), qint64(info.st_size), kMaxPictureFileBytes) + 1),
                    Qt::Uninitialized);
    qint64 got = 0;
    while (got <= kMaxPictureFileBytes) {
        if (got == data.size())
            data.resize(qsizetype(qMin(kMaxPictureFileBytes + 1, got * 2)));
        const ssize_t n = ::read(fd, data.data() + got, size_t(data.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw failed("Cannot read \"%1\": %2", errno);
        if (n == 0)
            break;
        got += n;
    }
    if (got > kMaxPictureFileBytes)
        throw tooLong();
    if (got == 0)
        throw AppError(QStringLiteral("\"%1\" is empty.").arg(shown));
    data.truncate(qsizetype(got));
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

QString ForeignPictureKind(const QByteArray& data) {
    static const struct {
        qsizetype at;
        QByteArray signature;
        const char* kind;
    } kinds[] = {
        {0, QByteArray("\x89PNG\r\n\x1a\n", 8), "PNG"},
        {0, "GIF87a", "GIF"},
        {0, "GIF89a", "GIF"},
        {0, QByteArray("II*\0", 4), "TIFF"},
        {0, QByteArray("MM\0*", 4), "TIFF"},
        {8, "WEBP", "WebP"},
        {4, "ftypheic", "HEIC"},
        {4, "ftypheix", "HEIC"},
        {4, "ftypmif1", "HEIF"},
        {4, "ftypavif", "AVIF"},
    };
    for (const auto& k : kinds)
        if (data.mid(k.at, k.signature.size()) == k.signature)
            return QString::fromLatin1(k.kind);
    return {};
}

namespace {

// A picture of another kind is named as such, rather than as a broken JPEG.
void RefuseForeign(const QByteArray& data, const QString& name) {
    const QString kind = ForeignPictureKind(data);
    if (!kind.isEmpty())
        throw AppError(QStringLiteral("\"%1\" is a %2 picture; Quillmark reads JPEG pictures.")
                           .arg(QDir::toNativeSeparators(name), kind));
}

} // namespace

QImage DecodePicture(const QByteArray& data, const QString& name, std::atomic<int>* progress) {
    if (data.startsWith("BM"))
        return DecodeBmp(data, name);
    RefuseForeign(data, name);
    return DecodeJpeg(data, name, progress);
}

QImage DecodePictureReduced(const QByteArray& data, const QString& name, int minLongSide,
                            QSize& fullSize, int minShortSide) {
    if (data.startsWith("BM")) {
        QImage picture = DecodeBmp(data, name);
        fullSize = picture.size();
        return picture;
    }
    RefuseForeign(data, name);
    return DecodeJpegReduced(data, name, minLongSide, fullSize, minShortSide);
}

bool SameFile(const QString& a, const QString& b) {
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (first.exists() && second.exists())
        return first.canonicalFilePath() == second.canonicalFilePath();
    return QDir::cleanPath(first.absoluteFilePath()) == QDir::cleanPath(second.absoluteFilePath());
}
