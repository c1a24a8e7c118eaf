// Printing benchmark: the sheet of 30 photos of 35 × 45 mm from a 24-megapixel picture on
// the virtual printer (A4, 600 dpi) and at 1200 dpi, ours against the tools a user would
// pick instead, all on one core and in the same run.
//
//   quillmark-bench-print                 all measures, one line each
//   quillmark-bench-print --whole-path DPI PHOTO OUT
//                                         one run of the whole path (for its peak memory)
#include "bench/BenchUtil.h"
#include "picture/U_JpegEncode.h"
#include "picture/U_PictureFile.h"
#include "print/U_PageCompose.h"
#include "print/U_WPrint.h"
#include "platform/VirtualPdfPrinter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// A camera-like picture: smooth light and colour with fine grain, 6000 × 4000.
QImage photoLike() {
    QImage image(6000, 4000, QImage::Format_RGB32);
    QRandomGenerator random(42);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const double u = x / 6000.0, v = y / 4000.0;
            const double light = 0.5 + 0.35 * std::sin(6.0 * u + 2.0 * v) * std::cos(4.0 * v - u);
            const int grain = int(random.bounded(24u)) - 12;
            auto channel = [&](double tint) {
                return std::clamp(int(255 * light * tint) + grain, 0, 255);
            };
            line[x] = qRgb(channel(1.0), channel(0.85 + 0.1 * u), channel(0.7 + 0.2 * v));
        }
    }
    return image;
}

// The picture as Load Picture reads it.
QImage decode(const QString& path) {
    return DecodePicture(ReadPictureFile(path), path);
}

// The sheet as Print Now builds it: the cell, the white page and 30 unscaled copies.
void buildSheet(TIDPrinter& engine, const QImage& picture, QImage& page) {
    engine.Copies = 30;
    ComposeCell(engine.Photo, picture, true);
    std::vector<QRect> covered;
    for (const QPoint& p : engine.Positions())
        covered.emplace_back(p, engine.Photo.size());
    PreparePage(page, QSize(engine.PageWidth(), engine.PageHeight()), covered);
    ImageCanvas canvas(page);
    engine.DrawPage(canvas);
}

void wholePath(int dpi, const QString& photo, const QString& out) {
    FixedPrinter printer(VirtualSheetAt(dpi));
    TIDPrinter engine(printer);
    QImage page;
    const QImage picture = decode(photo);
    buildSheet(engine, picture, page);
    SaveJpeg(page, out);
}

void writePpm(const QImage& page, const QString& path) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(QStringLiteral("P6\n%1 %2\n255\n").arg(page.width()).arg(page.height()).toLatin1());
    QByteArray row(page.width() * 3, 0);
    for (int y = 0; y < page.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        for (int x = 0; x < page.width(); ++x) {
            row[3 * x] = char(qRed(line[x]));
            row[3 * x + 1] = char(qGreen(line[x]));
            row[3 * x + 2] = char(qBlue(line[x]));
        }
        file.write(row);
    }
}

QString imageMagickCommand(const TIDPrinter& engine, const QString& photo, const QString& out) {
    QString cmd = QStringLiteral("/usr/bin/convert -size %1x%2 xc:white \\( '%3' -filter Triangle "
                                 "-resize %4x%5! -write mpr:cell +delete \\)")
                      .arg(engine.PageWidth())
                      .arg(engine.PageHeight())
                      .arg(photo)
                      .arg(engine.Photo.width())
                      .arg(engine.Photo.height());
    for (const QPoint& p : engine.Positions())
        cmd += QStringLiteral(" mpr:cell -geometry +%1+%2 -composite").arg(p.x()).arg(p.y());
    return cmd + QStringLiteral(" -quality 90 -sampling-factor 2x2 '%1'").arg(out);
}

QString pillowCommand(const TIDPrinter& engine, const QString& script, const QString& photo,
                      const QString& out) {
    QFile file(script);
    file.open(QIODevice::WriteOnly);
    QString positions;
    for (const QPoint& p : engine.Positions())
        positions += QStringLiteral("(%1,%2),").arg(p.x()).arg(p.y());
    file.write(
        QStringLiteral(
            "import sys\nfrom PIL import Image\n"
            "cell = Image.open(sys.argv[1]).convert('RGB').resize((%1, %2), Image.BILINEAR)\n"
            "page = Image.new('RGB', (%3, %4), 'white')\n"
            "for p in [%5]:\n    page.paste(cell, p)\n"
            "page.save(sys.argv[2], quality=90)\n")
            .arg(engine.Photo.width())
            .arg(engine.Photo.height())
            .arg(engine.PageWidth())
            .arg(engine.PageHeight())
            .arg(positions)
            .toUtf8());
    return QStringLiteral("/usr/bin/python3 '%1' '%2' '%3'").arg(script, photo, out);
}

void measure(int dpi, const QImage& picture, const QString& photo, const QString& work,
             double copyRate, const QString& self) {
    const QString at = QStringLiteral(" (%1 dpi)").arg(dpi);
    FixedPrinter printer(VirtualSheetAt(dpi));
    TIDPrinter engine(printer);
    engine.Copies = 30;
    QImage page;

    // Cell and page, with the page buffer kept between runs as Print Now keeps it.
    const double build = BestSeconds([&] { buildSheet(engine, picture, page); }, 5);
    const double pictureBytes = double(picture.sizeInBytes());
    const double pageBytes = double(page.sizeInBytes());
    const double floor = (pictureBytes + pageBytes) / copyRate;
    Report(QStringLiteral("cell + page build") + at, build, floor, QStringLiteral("s"),
           QStringLiteral("floor: picture read + page written at memcpy speed; target <= 2"));

    // JPEG encoding against cjpeg on the same page as PPM, its reading time taken off.
    const QString ppm = work + QStringLiteral("/page.ppm");
    writePpm(page, ppm);
    const QString ours = work + QStringLiteral("/ours.jpg");
    const double encode = BestSeconds([&] { SaveJpeg(page, ours); });
    const double cjpeg = CommandSeconds(
        QStringLiteral("cjpeg -quality 90 -baseline -outfile '%1/cjpeg.jpg' '%2'").arg(work, ppm));
    const double reading = CommandSeconds(QStringLiteral("cat '%1' > /dev/null").arg(ppm));
    Report(QStringLiteral("JPEG encode of the page") + at, encode, cjpeg - reading,
           QStringLiteral("s"),
           QStringLiteral("cjpeg -quality 90 -baseline minus reading the PPM; target <= 1.10"));
    QFile::remove(ppm);

    // The whole path to the saved sheet, a fresh page each time, decoding included as the
    // other tools' figures include theirs.
    const double wholeSheet = BestSeconds([&] {
        QImage fresh;
        const QImage decoded = decode(photo);
        buildSheet(engine, decoded, fresh);
        SaveJpeg(fresh, ours);
    });
    const int repeats = dpi > 600 ? 1 : 2;
    const double magick =
        CommandSeconds(QStringLiteral("MAGICK_CONFIGURE_PATH='%1' ").arg(work) +
                           imageMagickCommand(engine, photo, work + QStringLiteral("/im.jpg")),
                       repeats);
    const double pillow = CommandSeconds(pillowCommand(engine, work + QStringLiteral("/sheet.py"),
                                                       photo, work + QStringLiteral("/pil.jpg")),
                                         repeats);
    Report(QStringLiteral("whole path vs ImageMagick") + at, wholeSheet, magick,
           QStringLiteral("s"),
           QStringLiteral("convert -filter Triangle -resize, 30 -composite; target <= 0.40"));
    Report(QStringLiteral("whole path vs Pillow") + at, wholeSheet, pillow, QStringLiteral("s"),
           QStringLiteral("python3-pil BILINEAR resize, 30 paste, quality 90; target <= 0.67"));

    // Peak memory of one whole path in a process of its own.
    const double peak = CommandPeakBytes(
        QStringLiteral("'%1' --whole-path %2 '%3' '%4'").arg(self).arg(dpi).arg(photo, ours));
    const double budget = pageBytes + pictureBytes + 64.0 * 1024 * 1024;
    Report(QStringLiteral("peak memory of the whole path") + at, peak / 1048576.0,
           budget / 1048576.0, QStringLiteral("MiB"),
           QStringLiteral("page + picture + 64 MiB; target <= 1"));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    PinToOneCore();
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QStringLiteral("--whole-path")) {
        wholePath(args[2].toInt(), args[3], args[4]);
        return 0;
    }

    const QString work = QDir::tempPath() + QStringLiteral("/quillmark-bench-print");
    QDir().mkpath(work);
    const QString photo = work + QStringLiteral("/photo.jpg");
    // Debian's ImageMagick policy caps the pixel cache below a 1200 dpi page.
    QFile policy(work + QStringLiteral("/policy.xml"));
    policy.open(QIODevice::WriteOnly);
    policy.write("<policymap>\n"
                 "  <policy domain=\"resource\" name=\"memory\" value=\"8GiB\"/>\n"
                 "  <policy domain=\"resource\" name=\"map\" value=\"16GiB\"/>\n"
                 "  <policy domain=\"resource\" name=\"width\" value=\"64KP\"/>\n"
                 "  <policy domain=\"resource\" name=\"height\" value=\"64KP\"/>\n"
                 "  <policy domain=\"resource\" name=\"area\" value=\"4GP\"/>\n"
                 "  <policy domain=\"resource\" name=\"disk\" value=\"32GiB\"/>\n"
                 "</policymap>\n");
    policy.close();
    if (!QFileInfo::exists(photo)) {
        QFile out(photo);
        out.open(QIODevice::WriteOnly);
        EncodeJpeg(photoLike(), out, 95);
    }
    std::printf("# printing: picture %s (%.1f MB), one core\n", qPrintable(photo),
                QFileInfo(photo).size() / 1e6);
    const QImage picture = decode(photo);
    const double copyRate = MemoryCopyRate();
    std::printf("# memory copy: %.2f GB/s\n", copyRate / 1e9);
    for (int dpi : {600, 1200})
        measure(dpi, picture, photo, work, copyRate, args[0]);
    return 0;
}
