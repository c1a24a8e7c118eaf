// Writes the fuzz targets' seed folders under the folder given: small pictures of every
// kind the decoder reads (picture/), the catalogue's labels (label/) and settings files as
// the store writes them (settings/) and small language packs of every revision (langfile/).
#include "tests/common/JpegSamples.h"
#include "tests/common/LangTestComponents.h"
#include "platform/SettingsStore.h"
#include "app/U_Formats.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

bool writeSeed(const QString& folder, const QString& name, const QByteArray& data) {
    QFile file(folder + QLatin1Char('/') + name);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

bool pictureSeeds(const QString& folder) {
    const QImage picture = Quadrants(13, 9);
    struct Jpeg {
        const char* name;
        JpegOptions options;
    };
    const Jpeg jpegs[] = {
        {"420.jpg", {JpegKind::Colour, false, 2, 2, 90}},
        {"422.jpg", {JpegKind::Colour, false, 2, 1, 90}},
        {"444.jpg", {JpegKind::Colour, false, 1, 1, 90}},
        {"progressive.jpg", {JpegKind::Colour, true, 2, 2, 75}},
        {"grey.jpg", {JpegKind::Grey, false, 1, 1, 90}},
        {"cmyk-adobe.jpg", {JpegKind::CmykAdobe, false, 1, 1, 90}},
        {"cmyk-plain.jpg", {JpegKind::CmykPlain, false, 1, 1, 90}},
        {"ycck.jpg", {JpegKind::Ycck, true, 2, 2, 90}},
    };
    bool ok = true;
    for (const Jpeg& jpeg : jpegs)
        ok &= writeSeed(folder, QLatin1String(jpeg.name), EncodeJpeg(picture, jpeg.options));
    const struct {
        const char* name;
        QImage::Format format;
    } bitmaps[] = {{"rgb32.bmp", QImage::Format_RGB32},
                   {"argb32.bmp", QImage::Format_ARGB32},
                   {"rgb24.bmp", QImage::Format_RGB888},
                   {"indexed8.bmp", QImage::Format_Indexed8},
                   {"mono.bmp", QImage::Format_Mono}};
    for (const auto& bitmap : bitmaps)
        ok &= writeSeed(folder, QLatin1String(bitmap.name),
                        BmpBytes(picture.convertToFormat(bitmap.format)));
    return ok;
}

bool labelSeeds(const QString& folder) {
    bool ok = true;
    int n = 0;
    for (const FormatEntry& entry : FormatCatalogue())
        ok &= writeSeed(folder, QString::number(n++) + QStringLiteral(".txt"),
                        QByteArray(entry.prefix) + entry.country + ')');
    ok &= writeSeed(folder, QStringLiteral("huge.txt"), "99999999999999999999 x 1 in (");
    ok &= writeSeed(folder, QStringLiteral("index.txt"), " 19");
    return ok;
}

bool settingsSeeds(const QString& folder) {
    const QString written = folder + QStringLiteral("/written.ini");
    QFile::remove(written);
    {
        auto store = createIniSettingsStore(written);
        store->writeString(QStringLiteral("SOFTWARE\\Brindlewood"), QStringLiteral("Quillmark"),
                           QStringLiteral("/usr/bin/quillmark"));
        store->writeString(QStringLiteral("SOFTWARE\\Brindlewood\\Quillmark"),
                           QStringLiteral("PicFormatIdx"), QStringLiteral("19"));
        store->writeString(QStringLiteral("SOFTWARE\\Brindlewood\\Quillmark"),
                           QStringLiteral("langue"), QStringLiteral("1036"));
    }
    return QFile::exists(written) &&
           writeSeed(folder, QStringLiteral("hand.ini"),
                     "[SOFTWARE]\nBrindlewood\\Quillmark\\PicFormatIdx=\"20\"\n"
                     "[software%20x]\nkey=@ByteArray(\\x1\\0)\nlist=a, b, \"c\"\n");
}

bool langSeeds(const QString& folder) {
    bool ok = true;
    for (const auto& [name, bytes] : SeedPacks())
        ok &= writeSeed(folder, name, bytes);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <folder>\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    bool ok = true;
    const struct {
        const char* name;
        bool (*write)(const QString&);
    } sets[] = {{"picture", pictureSeeds},
                {"label", labelSeeds},
                {"settings", settingsSeeds},
                {"langfile", langSeeds}};
    for (const auto& set : sets) {
        const QString folder = root + QLatin1Char('/') + QLatin1String(set.name);
        ok &= QDir().mkpath(folder) && set.write(folder);
    }
    if (!ok)
        std::fprintf(stderr, "fuzz_seeds: could not write the seeds under %s\n", argv[1]);
    return ok ? 0 : 1;
}
