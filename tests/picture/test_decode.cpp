// Reading picture files: the JPEG variants cameras and phones write, bitmaps, and files
// that must be refused with one clear message.
#include "picture/U_JpegDecode.h"
#include "picture/U_PictureBuffer.h"
#include "picture/U_PictureFile.h"
#include "platform/AppError.h"
#include "platform/U_LocalFiles.h"
#include "tests/common/FileBytes.h"
#include "tests/common/JpegSamples.h"
#include "tests/common/ShortReads.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstdio>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

bool allOpaque(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 255)
                return false;
    return true;
}

// Colours read at the middle and the outer corner of each quadrant of a Quadrants() picture.
void expectQuadrants(const QImage& image, bool grey, int tolerance) {
    const int w = image.width(), h = image.height();
    const QPoint points[8] = {
        {w / 4, h / 4}, {3 * w / 4, h / 4}, {3 * w / 4, 3 * h / 4}, {w / 4, 3 * h / 4},
        {0, 0},         {w - 1, 0},         {w - 1, h - 1},         {0, h - 1}};
    const QImage reference = Quadrants(w, h);
    for (const QPoint& at : points) {
        QRgb want = reference.pixel(at);
        if (grey)
            want = qRgb(Luma(want), Luma(want), Luma(want));
        EXPECT_TRUE(Near(image.pixel(at), want, tolerance))
            << at.x() << "," << at.y() << " got " << std::hex << image.pixel(at) << " want "
            << want;
    }
}

// The picture as a progressive JPEG whose second scan, the first of AC coefficients, is
// repeated with its tables until the file has the given number of scans. Such a scan only
// sets coefficients, so every copy is decoded again to the same picture.
QByteArray WithScans(const QImage& source, int scans) {
    const QByteArray jpeg = EncodeJpeg(source, {JpegKind::Colour, true});
    const QByteArray sos("\xff\xda", 2);
    const qsizetype second = jpeg.indexOf(sos, jpeg.indexOf(sos) + 2);
    const qsizetype start = jpeg.lastIndexOf(QByteArray("\xff\xc4", 2), second);
    qsizetype end = second + 2 + qFromBigEndian<quint16>(jpeg.constData() + second + 2);
    while (uchar(jpeg[end]) != 0xff || jpeg[end + 1] == 0)
        ++end;
    QByteArray result = jpeg;
    for (int i = int(jpeg.count(sos)); i < scans; ++i)
        result.insert(end, jpeg.mid(start, end - start));
    return result;
}

enum class Writer { Ours, Bitmap, Cjpeg, ImageMagick };

struct Variant {
    const char* name;
    JpegOptions options; // a greyscale kind: the picture read is grey
    int tolerance;
    Writer writer = Writer::Ours;
    int scans = 0; // if not 0, a progressive colour file of this many scans
};

// The picture's file as the row's writer makes it; nothing where another encoder than the
// one the tests use is not installed (scripts/install-deps.sh installs them).
QByteArray Written(const QImage& source, const Variant& v) {
    if (v.writer == Writer::Bitmap)
        return BmpBytes(source);
    if (v.writer == Writer::Ours)
        return v.scans ? WithScans(source, v.scans) : EncodeJpeg(source, v.options);
    const bool cjpeg = v.writer == Writer::Cjpeg;
    const QString program = QStandardPaths::findExecutable(cjpeg ? "cjpeg" : "convert");
    if (program.isEmpty())
        return {};
    QTemporaryDir dir;
    const QString in = dir.filePath("in.ppm"), out = dir.filePath("out.jpg");
    EXPECT_TRUE(source.save(in, "PPM"));
    QStringList arguments{in, "-colorspace", "CMYK", out};
    if (cjpeg && v.options.kind == JpegKind::Grey)
        arguments = QStringList{"-grayscale", "-sample", "1x1", "-outfile", out, in};
    else if (cjpeg)
        arguments = QStringList{"-progressive", "-outfile", out, in};
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
                process.exitCode() == 0)
        << program.toStdString();
    return ReadBytes(out);
}

class PictureKinds : public ::testing::TestWithParam<Variant> {};

TEST_P(PictureKinds, DecodeAtFullSizeOpaque) {
    const Variant& v = GetParam();
    // An odd size, so that partial blocks and partial chroma samples occur.
    const QByteArray bytes = Written(Quadrants(61, 47), v);
    if (bytes.isEmpty())
        GTEST_SKIP() << "the encoder is not installed";
    // Bitmaps are told by their first two bytes, whatever the name.
    const QImage decoded = DecodePicture(bytes, QStringLiteral("x.jpg"));
    ASSERT_EQ(decoded.size(), QSize(61, 47));
    EXPECT_EQ(decoded.format(), QImage::Format_RGB32);
    EXPECT_TRUE(allOpaque(decoded));
    expectQuadrants(decoded, v.options.kind == JpegKind::Grey, v.tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PictureKinds,
    ::testing::Values(
        Variant{"Baseline444", {JpegKind::Colour, false, 1, 1}, 12},
        Variant{"Baseline422", {JpegKind::Colour, false, 2, 1}, 12},
        Variant{"Baseline420", {JpegKind::Colour, false, 2, 2}, 12},
        Variant{"Progressive420", {JpegKind::Colour, true, 2, 2}, 12},
        Variant{"Progressive444", {JpegKind::Colour, true, 1, 1}, 12},
        Variant{"Greyscale", {JpegKind::Grey, false}, 6},
        Variant{"GreyscaleProgressive", {JpegKind::Grey, true}, 6},
        Variant{"CmykAdobeInverted", {JpegKind::CmykAdobe}, 16},
        Variant{"CmykPlain", {JpegKind::CmykPlain}, 16}, Variant{"Ycck", {JpegKind::Ycck}, 16},
        // Up to the limit of scans and exactly at it a progressive picture is read.
        Variant{
            "ScansUnderTheLimit", {JpegKind::Colour, true}, 12, Writer::Ours, kMaxJpegScans - 1},
        Variant{"ScansAtTheLimit", {JpegKind::Colour, true}, 12, Writer::Ours, kMaxJpegScans},
        Variant{"Bitmap", {}, 0, Writer::Bitmap},
        Variant{"CjpegProgressive", {JpegKind::Colour, true}, 12, Writer::Cjpeg},
        Variant{"CjpegGreyscale", {JpegKind::Grey}, 6, Writer::Cjpeg},
        Variant{"ImageMagickCmyk", {JpegKind::CmykAdobe}, 24, Writer::ImageMagick}),
    [](const auto& info) { return std::string(info.param.name); });

// Each of these is refused with one AppError whose message says why; nothing crashes,
// hangs or ends the program.
struct Hostile {
    const char* name;
    QByteArray (*make)();
    const char* messagePart;
};

QByteArray validJpeg() {
    return EncodeJpeg(Quadrants(64, 64), {JpegKind::Colour, false, 2, 2, 90});
}

QByteArray bmpClaiming(qint32 width, qint32 height) {
    QByteArray bmp = BmpBytes(Quadrants(8, 8));
    qToLittleEndian(width, bmp.data() + 18);
    qToLittleEndian(height, bmp.data() + 22);
    return bmp;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

class HostileFiles : public ::testing::TestWithParam<Hostile> {};

// In a child held to 768 MB of address space: each is refused before its memory is taken.
TEST_P(HostileFiles, RefusedWithAMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const Hostile& h = GetParam();
    const QByteArray bytes = h.make();
    EXPECT_EXIT(
        {
            // AddressSanitizer's shadow alone exceeds any address-space limit: there the
            // refusal is checked without one.
            if (!kAddressSanitizer) {
                rlimit limit{};
                limit.rlim_cur = limit.rlim_max = rlim_t(768) << 20;
                setrlimit(RLIMIT_AS, &limit);
            }
            try {
                DecodePicture(bytes, QStringLiteral("/photos/bad.jpg"));
            } catch (const AppError& e) {
                std::fputs(e.message().toUtf8().constData(), stderr);
                std::_Exit(e.message().contains(QString::fromUtf8(h.messagePart)) ? 3 : 4);
            }
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(3), "");
}

INSTANTIATE_TEST_SUITE_P(
    Files, HostileFiles,
    ::testing::Values(
        Hostile{"Truncated",
                [] {
                    const QByteArray j = validJpeg();
                    return j.left(j.size() / 2);
                },
                "Premature end of JPEG file"},
        Hostile{"HeaderOnly", [] { return validJpeg().left(200); }, "bad.jpg"},
        Hostile{"CorruptData",
                [] {
                    QByteArray j = validJpeg();
                    const qsizetype data = j.lastIndexOf(QByteArray("\xff\xda", 2)) + 20;
                    for (qsizetype i = data; i < j.size() - 2; i += 3)
                        j[i] = char(0xff);
                    return j;
                },
                "Corrupt JPEG data"},
        Hostile{"Png",
                [] {
                    QByteArray png;
                    QBuffer buffer(&png);
                    buffer.open(QIODevice::WriteOnly);
                    Quadrants(8, 8).save(&buffer, "PNG");
                    return png;
                },
                "\"/photos/bad.jpg\" is a PNG picture; Quillmark reads JPEG pictures."},
        Hostile{"Gif", [] { return QByteArray("GIF89a\x08\0\x08\0", 10); }, "is a GIF picture"},
        Hostile{"Text", [] { return QByteArray("hello, this is not a picture\n"); },
                "Not a JPEG file"},
        Hostile{"Huge", [] { return WithClaimedSize(validJpeg(), 65535, 65535); }, "65535 x 65535"},
        Hostile{"OverTheLimit", [] { return WithClaimedSize(validJpeg(), 20000, 12000); },
                "20000 x 12000"},
        Hostile{"OneScanTooMany", [] { return WithScans(Quadrants(32, 32), kMaxJpegScans + 1); },
                "\"/photos/bad.jpg\" has too many parts to be a photograph."},
        // Bombs claiming 100 megapixels: 450 scans, and a progressive CMYK picture whose
        // coefficients alone need 800 MB.
        Hostile{"ScanBomb",
                [] { return WithClaimedSize(WithScans(Quadrants(32, 32), 450), 10000, 10000); },
                "too many parts"},
        Hostile{"CmykBomb",
                [] {
                    return WithClaimedSize(
                        EncodeJpeg(Quadrants(64, 64), {JpegKind::CmykAdobe, true, 1, 1}), 10000,
                        10000);
                },
                "would need more than 1024 MB of memory"},
        Hostile{"BmpShorterThanItsHeader", [] { return bmpClaiming(3000, 3000); },
                "shorter than its header says"},
        Hostile{"BmpHuge", [] { return bmpClaiming(20000, -20000); }, "20000 x 20000"},
        Hostile{"BmpNoPixels", [] { return bmpClaiming(0, 5); }, "no pixels"},
        Hostile{"BmpHeaderCut", [] { return QByteArray("BM\x10\0\0\0", 6); }, "incomplete"}),
    [](const auto& info) { return std::string(info.param.name); });

// Each read runs in a child that is stopped after a few seconds, so that a read that blocks
// or never ends fails the case instead of hanging the suite or eating the memory.
TEST(PictureFiles, ReadingRefusesWhatIsNotAPlainFileOfAPictureSize) {
    QTemporaryDir dir;
    const auto at = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    WriteBytes(at("empty.jpg"), QByteArray());
    const QByteArray latin1Name = QFile::encodeName(dir.path()) + "/caf\xe9.jpg";
    const int made = ::open(latin1Name.constData(), O_WRONLY | O_CREAT, 0600);
    ASSERT_EQ(::write(made, "JPEG bytes", 10), 10);
    ::close(made);
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("pipe.jpg")).constData(), 0600), 0);
    // Sparse, taking no disk space: one byte over the limit, at it, and one byte under it.
    const auto sized = [&](qint64 size) { return dir.filePath(QString::number(size) + ".jpg"); };
    for (const qint64 size :
         {kMaxPictureFileBytes + 1, kMaxPictureFileBytes, kMaxPictureFileBytes - 1}) {
        QFile file(sized(size));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("JPEG bytes") &&
                    file.resize(size));
    }
    const QString mb = QString::number(kMaxPictureFileBytes >> 20);
    const auto whole = [](qint64 size) { return "JPEG bytes/" + QString::number(size); };
    const struct {
        QString path;
        QString outcome; // the start of the message, or the first bytes read and their count
    } cases[] = {{at("missing.jpg"), "Cannot open \"%1\""},
                 {at("empty.jpg"), "\"%1\" is empty."},
                 {sized(kMaxPictureFileBytes + 1), "\"%1\" is more than " + mb + " MB long"},
                 {sized(kMaxPictureFileBytes), whole(kMaxPictureFileBytes)},
                 {sized(kMaxPictureFileBytes - 1), whole(kMaxPictureFileBytes - 1)},
                 {at("pipe.jpg"), "\"%1\" is not a file"},
                 {QStringLiteral("/dev/zero"), "\"%1\" is not a file"},
                 {dir.path(), "\"%1\" is not a file"},
                 {PathFromLocal8Bit(latin1Name), whole(10)}};
    for (const auto& c : cases) {
        const pid_t child = ::fork();
        if (child == 0) {
            ::alarm(20);
            try {
                const QByteArray read = ReadPictureFile(c.path);
                WriteBytes(at("said"), read.left(10) + '/' + QByteArray::number(read.size()));
            } catch (const AppError& e) {
                WriteBytes(at("said"), e.message().toUtf8());
            }
            std::_Exit(0);
        }
        int status = -1;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status)) << "stopped by the time limit: " << c.path.toStdString();
        const QString expected = QString(c.outcome).replace("%1", c.path);
        EXPECT_TRUE(QString::fromUtf8(ReadBytes(at("said"))).startsWith(expected))
            << expected.toStdString();
        QFile::remove(at("said"));
    }
    ::unlink(latin1Name.constData()); // a name the toolkit cannot remove
}

// Read in pieces, a little apart, a file gives the bytes and the picture it gives read whole.
TEST(PictureFiles, ReadInPiecesGivesTheWholeFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.jpg"));
    const QByteArray bytes = EncodeJpeg(Quadrants(900, 700), {JpegKind::Colour, true, 2, 1, 97});
    WriteBytes(path, bytes);
    const QImage whole = DecodePicture(bytes, path);
    for (const unsigned seed : {1u, 2u, 3u}) {
        const int before = ShortReads::Pieces();
        QByteArray read;
        {
            ShortReads pieces(seed);
            read = ReadPictureFile(path);
        }
        EXPECT_GT(ShortReads::Pieces() - before, 2);
        EXPECT_EQ(read, bytes);
        EXPECT_EQ(DecodePicture(read, path), whole);
    }
}

TEST(PictureFiles, SameFile) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("Quillmark.jpg"));
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_TRUE(SameFile(target, dir.path() + QStringLiteral("/./Quillmark.jpg")));
    ASSERT_TRUE(QFile::link(target, dir.filePath(QStringLiteral("link.jpg"))));
    EXPECT_TRUE(SameFile(dir.filePath(QStringLiteral("link.jpg")), target));
    EXPECT_FALSE(SameFile(dir.filePath(QStringLiteral("other.jpg")), target));
}

// Stored: red top-left, green top-right, blue bottom-right, white bottom-left, 64 × 32.
struct OrientationCase {
    int orientation;
    bool bigEndian;
    QSize size;
    QRgb topLeft, topRight, bottomLeft, bottomRight;
};
constexpr QRgb R = 0xffdc1e1e, G = 0xff1ec828, U = 0xff1e28d2, W = 0xffffffff;
class ExifOrientationTest : public ::testing::TestWithParam<OrientationCase> {};

TEST_P(ExifOrientationTest, PhonePicturesLoadUpright) {
    const OrientationCase c = GetParam();
    const QByteArray stored = EncodeJpeg(Quadrants(64, 32));
    const QImage shown = DecodeJpeg(
        c.orientation == 0 ? stored : WithExifOrientation(stored, c.orientation, c.bigEndian),
        QStringLiteral("phone.jpg"));
    ASSERT_EQ(shown.size(), c.size);
    const int right = shown.width() - 5, bottom = shown.height() - 5;
    EXPECT_TRUE(Near(shown.pixel(4, 4), c.topLeft, 24)) << std::hex << shown.pixel(4, 4);
    EXPECT_TRUE(Near(shown.pixel(right, 4), c.topRight, 24)) << std::hex << shown.pixel(right, 4);
    EXPECT_TRUE(Near(shown.pixel(4, bottom), c.bottomLeft, 24))
        << std::hex << shown.pixel(4, bottom);
    EXPECT_TRUE(Near(shown.pixel(right, bottom), c.bottomRight, 24))
        << std::hex << shown.pixel(right, bottom);
}

INSTANTIATE_TEST_SUITE_P(Tags, ExifOrientationTest,
                         ::testing::Values(OrientationCase{0, false, {64, 32}, R, G, W, U},
                                           OrientationCase{1, false, {64, 32}, R, G, W, U},
                                           OrientationCase{2, false, {64, 32}, G, R, U, W},
                                           OrientationCase{3, false, {64, 32}, U, W, G, R},
                                           OrientationCase{3, true, {64, 32}, U, W, G, R},
                                           OrientationCase{4, false, {64, 32}, W, U, R, G},
                                           OrientationCase{5, false, {32, 64}, R, W, G, U},
                                           OrientationCase{6, false, {32, 64}, W, R, U, G},
                                           OrientationCase{6, true, {32, 64}, W, R, U, G},
                                           OrientationCase{7, false, {32, 64}, U, G, W, R},
                                           OrientationCase{8, false, {32, 64}, G, U, R, W},
                                           OrientationCase{8, true, {32, 64}, G, U, R, W},
                                           OrientationCase{9, false, {64, 32}, R, G, W, U}));

TEST(PictureBuffers, LimitAndLargeAllocation) {
    // At the limit and one pixel either side, in two shapes; no pixels at all.
    const struct {
        qint64 width, height;
        bool loads;
    } sizes[] = {{kMaxPicturePixels, 1, true},
                 {kMaxPicturePixels - 1, 1, true},
                 {1, kMaxPicturePixels + 1, false},
                 {kMaxPicturePixels / 4, 4, true},
                 {kMaxPicturePixels / 4 + 1, 4, false},
                 {0, 10, false},
                 {10, 0, false}};
    for (const auto& s : sizes) {
        bool loads = true;
        try {
            CheckPictureSize(s.width, s.height);
        } catch (const AppError&) {
            loads = false;
        }
        EXPECT_EQ(loads, s.loads) << s.width << " x " << s.height;
    }
    // Large enough to take the mapped path; the pixels are writable and freed with the image.
    QImage big = NewPicture(2000, 1000, QImage::Format_RGB32);
    ASSERT_EQ(big.size(), QSize(2000, 1000));
    big.fill(qRgb(1, 2, 3));
    QImage copy = big;
    big = QImage();
    EXPECT_EQ(copy.pixel(1999, 999), qRgb(1, 2, 3));
}

// Reduced while decoding, upright as the Exif tag says, the full size told beside it; a thin
// picture keeps its short side too.
TEST(ReducedDecode, KeepsTheLongSideAndTellsTheFullSize) {
    for (const auto& [orientation, minLongSide, minShortSide, reduced] :
         {std::tuple{1, 200, 0, QSize(250, 150)},
          {1, 250, 0, QSize(250, 150)}, // the long side exactly kept
          {1, 200, 300, QSize(500, 300)},
          {6, 400, 0, QSize(300, 500)},
          {6, 2000, 0, QSize(600, 1000)}}) {
        const QByteArray jpeg = WithExifOrientation(EncodeJpeg(Quadrants(1000, 600)), orientation);
        QSize full;
        const QImage small =
            DecodeJpegReduced(jpeg, QStringLiteral("q.jpg"), minLongSide, full, minShortSide);
        const QImage whole = DecodeJpeg(jpeg, QStringLiteral("q.jpg"));
        EXPECT_EQ(small.size(), reduced);
        EXPECT_EQ(full, whole.size());
        for (const QPointF at : {QPointF(0.25, 0.25), QPointF(0.75, 0.25), QPointF(0.25, 0.75)})
            EXPECT_TRUE(
                Near(small.pixel(int(at.x() * reduced.width()), int(at.y() * reduced.height())),
                     whole.pixel(int(at.x() * full.width()), int(at.y() * full.height())), 8));
    }
}

} // namespace
