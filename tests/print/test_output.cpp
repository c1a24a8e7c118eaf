// What leaves the program: the JPEG encoder, the virtual printer's PDF, the drive scan.
#include "platform/AppError.h"
#include "platform/DriveScan.h"
#include "tests/common/FullDisk.h"
#include "platform/HostPrinters.h"
#include "tests/common/PrintTestUtil.h"
#include "platform/TimeLimit.h"
#include "picture/U_JpegEncode.h"
#include "print/U_WPrint.h"
#include "platform/VirtualPdfPrinter.h"

#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <semaphore>
#include <tuple>

namespace {

// The markers of a JPEG stream up to the start of the scan.
std::vector<int> markers(const QByteArray& jpeg) {
    std::vector<int> found;
    qsizetype i = 2;
    found.push_back(0xd8);
    while (i + 4 <= jpeg.size() && uchar(jpeg[i]) == 0xff) {
        const int marker = uchar(jpeg[i + 1]);
        found.push_back(marker);
        if (marker == 0xda)
            break;
        i += 2 + (uchar(jpeg[i + 2]) << 8 | uchar(jpeg[i + 3]));
    }
    return found;
}

TEST(JpegEncode, BaselineColourJfifWithTheLibraryDensity) {
    const QImage page = BlockPage(613, 811);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EncodeJpeg(page, buffer);
    const QByteArray jpeg = buffer.data();

    const std::vector<int> m = markers(jpeg);
    ASSERT_GE(m.size(), 4u);
    EXPECT_EQ(m[0], 0xd8);
    EXPECT_EQ(m[1], 0xe0); // JFIF
    EXPECT_NE(std::find(m.begin(), m.end(), 0xc0), m.end()) << "baseline frame";
    EXPECT_EQ(std::find(m.begin(), m.end(), 0xc2), m.end()) << "not progressive";
    EXPECT_EQ(m.back(), 0xda);
    // APP0: "JFIF\0", version, density unit 0, density 1:1.
    EXPECT_EQ(jpeg.mid(6, 5), QByteArray("JFIF\0", 5));
    EXPECT_EQ(int(jpeg[13]), 0);
    EXPECT_EQ(jpeg.mid(14, 4), QByteArray("\0\1\0\1", 4));
    // Quality 90 scales the standard luminance table by 20 %: its first entry 16 gives 3.
    const qsizetype dqt = jpeg.indexOf("\xff\xdb");
    ASSERT_GT(dqt, 0);
    EXPECT_EQ(int(uchar(jpeg[dqt + 5])), 3);
    const qsizetype sof = jpeg.indexOf("\xff\xc0");
    EXPECT_EQ(int(uchar(jpeg[sof + 9])), 3) << "three colour components";

    // Read back by another decoder (Qt's): colours and places kept.
    QImage decoded;
    ASSERT_TRUE(decoded.loadFromData(jpeg, "JPEG"));
    EXPECT_EQ(decoded.size(), page.size());
    QString why;
    EXPECT_TRUE(HasBlocks(decoded, &why)) << why.toStdString();
}

TEST(JpegEncode, AFailingDeviceRaisesAnErrorInsteadOfEndingTheProgram) {
    QImage page(64, 64, QImage::Format_RGB32);
    page.fill(Qt::white);
    QTemporaryDir dir;
    {
        FileSizeLimit full(100); // a disk that fills up after 100 bytes
        EXPECT_THROW(SaveJpeg(page, dir.filePath(QStringLiteral("x.jpg"))), AppError);
    }
    // A device that was never opened for writing.
    QBuffer closed;
    EXPECT_THROW(EncodeJpeg(page, closed), AppError);
    EXPECT_THROW(SaveJpeg(page, QStringLiteral("/nonexistent-folder/x.jpg")), AppError);
    // libjpeg refuses an image wider than 65500 pixels with its own error.
    QImage wide(70000, 1, QImage::Format_RGB32);
    wide.fill(Qt::white);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    try {
        EncodeJpeg(wide, buffer);
        FAIL() << "expected an error";
    } catch (const AppError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("JPEG"))) << e.what();
    }
}

// A page like the engine's worked example, printed on the virtual printer.
TEST(VirtualPrinter, OnePdfPageOfExactSizeWithTheAreaAtFullResolution) {
    QTemporaryDir folder;
    // No print server at all: only the virtual printer, which is then the default.
    const QByteArray before = qgetenv("CUPS_SERVER");
    qputenv("CUPS_SERVER", folder.filePath(QStringLiteral("none.sock")).toUtf8());
    auto printers = createPrinterSystem(folder.path(), std::chrono::seconds(10));
    const QStringList names = printers->printerNames();
    qputenv("CUPS_SERVER", before);
    ASSERT_EQ(names, QStringList{QStringLiteral("Quillmark PDF")});
    EXPECT_EQ(printers->defaultPrinterIndex(), 0);
    const PrinterMetrics m = printers->selectedMetrics();
    EXPECT_EQ(m.dpiX, 600);
    EXPECT_EQ(m.pageWidth, 4760);
    EXPECT_EQ(m.pageHeight, 6779);
    EXPECT_EQ(m.offsetX, 100);

    TIDPrinter engine(*printers);
    engine.Photo = QuadrantPicture(826, 1062);
    engine.Copies = 30;
    engine.PrintPage();
    engine.Copies = 1;
    engine.PrintPage();

    const QString first = folder.filePath(QStringLiteral("Quillmark page 1.pdf"));
    ASSERT_TRUE(QFile::exists(first));
    ASSERT_TRUE(QFile::exists(folder.filePath(QStringLiteral("Quillmark page 2.pdf"))));
    EXPECT_EQ(PdfPageCount(first), 1);
    const auto images = ListPdfImages(first);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].width, 4760);
    EXPECT_EQ(images[0].height, 6779);
    EXPECT_EQ(images[0].xppi, 600);
    EXPECT_EQ(images[0].yppi, 600);
    const QByteArray info = RunTool(QStringLiteral("pdfinfo"), {first});
    EXPECT_TRUE(info.contains("595.276 x 841.89 pts (A4)")) << info.constData();

    // The extracted image is the page image, pixel for pixel.
    QImage page(4760, 6779, QImage::Format_RGB32);
    page.fill(Qt::white);
    engine.Copies = 30;
    ImageCanvas canvas(page);
    engine.DrawPage(canvas);
    bool ok = false;
    RunTool(QStringLiteral("pdfimages"),
            {QStringLiteral("-png"), first, folder.filePath(QStringLiteral("img"))}, &ok);
    ASSERT_TRUE(ok);
    QImageReader::setAllocationLimit(2048);
    const QImage extracted = QImage(folder.filePath(QStringLiteral("img-000.png")))
                                 .convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(extracted == page);

    // Rendered, the worked example's photos sit at their device positions plus the margin.
    const QImage rendered = RenderPdf(first, 600);
    ASSERT_FALSE(rendered.isNull());
    for (int y : {100, 1203, 2306, 3409, 4512, 5615})
        for (int x : {100, 1033, 1966, 2899, 3832}) {
            EXPECT_EQ(rendered.pixel(x + 100, y + 100), qRgb(0, 0, 0)) << x << "," << y;
            EXPECT_EQ(rendered.pixel(x + 99, y + 105), qRgb(255, 255, 255)) << x << "," << y;
        }
}

// With no system printer, the settings dialog offers the virtual printer alone.
TEST(VirtualPrinter, SettingsDialogKeepsTheVirtualPrinter) {
    QTemporaryDir folder;
    const QByteArray before = qgetenv("CUPS_SERVER");
    qputenv("CUPS_SERVER", folder.filePath(QStringLiteral("none.sock")).toUtf8());
    auto printers = createPrinterSystem(folder.path(), std::chrono::seconds(10));
    ASSERT_EQ(printers->selectedName(), QStringLiteral("Quillmark PDF"));
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->accept();
    });
    EXPECT_TRUE(printers->showPrintDialog(nullptr));
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    EXPECT_FALSE(printers->showPrintDialog(nullptr));
    qputenv("CUPS_SERVER", before);
    EXPECT_EQ(printers->selectedName(), QStringLiteral("Quillmark PDF"));
}

// The virtual printer alone, writing into folder: no print server answers.
std::unique_ptr<IPrinterSystem> virtualOnly(const QTemporaryDir& folder) {
    const QByteArray before = qgetenv("CUPS_SERVER");
    qputenv("CUPS_SERVER", folder.filePath(QStringLiteral("none.sock")).toUtf8());
    auto printers = createPrinterSystem(folder.path(), std::chrono::seconds(10));
    printers->printerNames();
    qputenv("CUPS_SERVER", before);
    return printers;
}

// The papers' sizes as measured, in millimetres.
TEST(VirtualPrinter, EachPaperAtItsSizeWithThePrintableAreaOnIt) {
    const struct {
        Paper paper;
        bool landscape;
        double width, height;
    } cases[] = {{Paper::A4, false, 210, 297},          {Paper::Letter, false, 215.9, 279.4},
                 {Paper::A5, true, 210, 148},           {Paper::Photo10x15, false, 100, 150},
                 {Paper::Photo4x6, true, 152.4, 101.6}, {Paper::Photo13x18, false, 130, 180}};
    QTemporaryDir folder;
    auto printers = virtualOnly(folder);
    int page = 0;
    for (const auto& c : cases) {
        printers->setOptions({c.paper, c.landscape, false});
        const PrinterMetrics m = printers->selectedMetrics();
        // On the sheet, at most 6 mm in from each edge.
        for (const auto& [offset, area, sheet] : {std::tuple(m.offsetX, m.pageWidth, c.width),
                                                  std::tuple(m.offsetY, m.pageHeight, c.height)}) {
            const double pixels = sheet / 25.4 * 600, sixMM = 6 / 25.4 * 600;
            EXPECT_TRUE(offset > 0 && offset < sixMM && offset + area <= pixels &&
                        offset + area > pixels - sixMM)
                << sheet << ": " << offset << " + " << area;
        }
        printers->printOnePage(QString(), [](IPageCanvas&) {});
        const QString pdf = folder.filePath(QStringLiteral("Quillmark page %1.pdf").arg(++page));
        const QByteArray info = RunTool(QStringLiteral("pdfinfo"), {pdf});
        const auto size = info.mid(info.indexOf("Page size:") + 10).simplified().split(' ');
        ASSERT_GE(size.size(), 3) << info.constData();
        EXPECT_NEAR(size[0].toDouble(), c.width / 25.4 * 72, 0.01);
        EXPECT_NEAR(size[2].toDouble(), c.height / 25.4 * 72, 0.01);
        const auto images = ListPdfImages(pdf);
        ASSERT_EQ(images.size(), 1u);
        EXPECT_EQ(QSize(images[0].width, images[0].height), QSize(m.pageWidth, m.pageHeight));
    }
}

// The same page printed without and with cut marks and decoded: the pixels that differ are
// the marks. None is on a photo; there are some in the margins and in every gap of at least
// a millimetre, none in narrower gaps.
TEST(VirtualPrinter, CutMarksInTheGapsAndMarginsNeverOnAPhoto) {
    const struct {
        Paper paper;
        int width, height, copies;
    } cases[] = {{Paper::A4, 35, 45, 30}, {Paper::Photo10x15, 25, 26, 13}};
    QTemporaryDir folder;
    auto printers = virtualOnly(folder);
    QImageReader::setAllocationLimit(2048);
    int page = 0;
    for (const auto& c : cases) {
        TIDPrinter engine(*printers);
        auto decoded = [&](bool marks) {
            printers->setOptions({c.paper, false, marks});
            engine.SetPhotoSize(c.width, c.height);
            engine.Photo = QuadrantPicture(engine.Photo.width(), engine.Photo.height());
            engine.Copies = c.copies;
            engine.CutMarks = marks;
            engine.PrintPage();
            const QString pdf =
                folder.filePath(QStringLiteral("Quillmark page %1.pdf").arg(++page));
            const QString prefix = folder.filePath(QString::number(page));
            RunTool(QStringLiteral("pdfimages"), {QStringLiteral("-png"), pdf, prefix});
            return QImage(prefix + QStringLiteral("-000.png"))
                .convertToFormat(QImage::Format_RGB32);
        };
        const QImage plain = decoded(false), marked = decoded(true);
        ASSERT_EQ(plain.size(), marked.size());
        // Photos are all the page's non-white pixels; the grid is the box around them.
        std::vector<char> photoColumn(size_t(plain.width())), photoRow(size_t(plain.height()));
        std::vector<QPoint> marks;
        int onPhoto = 0;
        for (int y = 0; y < plain.height(); ++y)
            for (int x = 0; x < plain.width(); ++x) {
                const QRgb p = reinterpret_cast<const QRgb*>(plain.constScanLine(y))[x];
                if (p != 0xffffffffu)
                    photoColumn[size_t(x)] = photoRow[size_t(y)] = 1;
                if (p != reinterpret_cast<const QRgb*>(marked.constScanLine(y))[x]) {
                    marks.emplace_back(x, y);
                    onPhoto += p != 0xffffffffu;
                }
            }
        EXPECT_EQ(onPhoto, 0) << c.width << " x " << c.height;
        auto first = [](const std::vector<char>& v) {
            return int(std::find(v.begin(), v.end(), 1) - v.begin());
        };
        auto last = [](const std::vector<char>& v) {
            return int(v.rend() - std::find(v.rbegin(), v.rend(), 1)) - 1;
        };
        const QRect grid(QPoint(first(photoColumn), first(photoRow)),
                         QPoint(last(photoColumn), last(photoRow)));
        // Marked columns (rows) across the grid's rows (columns).
        std::vector<char> markColumn(photoColumn.size()), markRow(photoRow.size());
        for (const QPoint& p : marks) {
            markColumn[size_t(p.x())] |= char(p.y() >= grid.top() && p.y() <= grid.bottom());
            markRow[size_t(p.y())] |= char(p.x() >= grid.left() && p.x() <= grid.right());
        }
        // Runs without photos: margins, always marked; gaps between photos, marked when every
        // gap is at least a millimetre wide, else never.
        std::vector<std::tuple<size_t, size_t, bool, const std::vector<char>*>> runs;
        bool allWide = true;
        for (const auto& [photo, mark] :
             {std::pair(&photoColumn, &markColumn), std::pair(&photoRow, &markRow)})
            for (size_t i = 0; i < photo->size();) {
                size_t end = i;
                while (end < photo->size() && !(*photo)[end])
                    ++end;
                const bool margin = i == 0 || end == photo->size();
                allWide = allWide && (margin || end - i >= 600 / 25.4);
                runs.emplace_back(i, end, margin, mark);
                for (i = end; i < photo->size() && (*photo)[i];)
                    ++i;
            }
        EXPECT_GE(runs.size(), 6u);
        for (const auto& [from, to, margin, mark] : runs)
            EXPECT_EQ(std::count(mark->begin() + long(from), mark->begin() + long(to), 1) > 0,
                      margin || allWide)
                << c.width << " x " << c.height << " at " << from;
    }
}

TEST(VirtualPrinter, AMissingFolderGivesAPrinterError) {
    const PrinterMetrics m = VirtualPrinterMetrics();
    EXPECT_THROW(WritePdfPage(QStringLiteral("/nonexistent-folder/page.pdf"), m,
                              VirtualPrinterPaperPoints(), [](IPageCanvas&) {}),
                 PrinterError);
}

TEST(TimeLimit, GivesUpOnWorkThatDoesNotAnswer) {
    auto release = std::make_shared<std::binary_semaphore>(0);
    const auto answer = RunWithTimeLimit<int>(
        [release] {
            release->acquire();
            return 1;
        },
        std::chrono::milliseconds(50));
    EXPECT_FALSE(answer.has_value());
    release->release();
    EXPECT_EQ(RunWithTimeLimit<int>([] { return 7; }, std::chrono::seconds(30)), 7);
    EXPECT_FALSE(RunWithTimeLimit<int>([]() -> int { throw std::runtime_error("x"); },
                                       std::chrono::seconds(30)));
}

TEST(DriveScan, MountInfoFieldsAndLabels) {
    const QByteArray text =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "40 22 8:17 / /media/user/MY\\040PHOTOS rw,nosuid shared:30 - vfat /dev/sdb1 rw\n"
        "41 22 8:17 /sub /mnt/bind rw - vfat /dev/sdb1 rw\n"
        "42 22 0:5 / /proc rw - proc proc rw\n"
        "broken line\n";
    const auto entries = ParseMountInfo(text);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].source, QStringLiteral("/dev/sdb1"));
    EXPECT_EQ(entries[1].mountPoint, QStringLiteral("/media/user/MY PHOTOS"));
    EXPECT_EQ(UnescapeLabel(QStringLiteral("MY\\x20PHOTOS")), QStringLiteral("MY PHOTOS"));
    EXPECT_EQ(UnescapeLabel(QStringLiteral("PLAIN")), QStringLiteral("PLAIN"));
}

// A small file-system tree with a USB stick (sdb1, labelled), an SD card (mmcblk0p1,
// removable flag, no label), an internal disk (sda1) and a loop device.
TEST(DriveScan, FindsMountedRemovableVolumesOnly) {
    QTemporaryDir root;
    const QString r = root.path();
    auto mk = [&](const QString& path) { QDir().mkpath(r + path); };
    auto write = [&](const QString& path, const QByteArray& text) {
        QFile f(r + path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    mk("/proc/self");
    mk("/sys/class/block");
    mk("/dev/disk/by-label");
    mk("/media/stick");
    mk("/media/card");
    const QString usbDisk = "/sys/devices/pci0/usb1/1-1/host6/block/sdb";
    const QString sdDisk = "/sys/devices/platform/mmc0/block/mmcblk0";
    const QString ataDisk = "/sys/devices/pci0/ata1/host0/block/sda";
    for (const QString& d : {usbDisk, sdDisk, ataDisk})
        mk(d);
    mk(usbDisk + "/sdb1");
    mk(sdDisk + "/mmcblk0p1");
    mk(ataDisk + "/sda1");
    write(usbDisk + "/removable", "0\n"); // many sticks say 0: the USB bus counts
    write(sdDisk + "/removable", "1\n");
    write(ataDisk + "/removable", "0\n");
    for (const QString& p : {usbDisk + "/sdb1", sdDisk + "/mmcblk0p1", ataDisk + "/sda1"})
        write(p + "/partition", "1\n");
    QFile::link(r + usbDisk + "/sdb1", r + "/sys/class/block/sdb1");
    QFile::link(r + sdDisk + "/mmcblk0p1", r + "/sys/class/block/mmcblk0p1");
    QFile::link(r + ataDisk + "/sda1", r + "/sys/class/block/sda1");
    for (const char* d : {"sdb1", "mmcblk0p1", "sda1"})
        write(QStringLiteral("/dev/") + QLatin1String(d), "");
    QFile::link(r + "/dev/sdb1", r + "/dev/disk/by-label/\\x20PHOTOS\\x20");
    QFile::link(r + "/dev/sda1", r + "/dev/disk/by-label/SYSTEM");
    write("/proc/self/mountinfo", "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                  "40 22 8:17 / /media/stick rw - vfat /dev/sdb1 rw\n"
                                  "41 22 179:1 / /media/card rw - exfat /dev/mmcblk0p1 rw\n"
                                  "42 22 7:0 / /snap/x rw - squashfs /dev/loop0 ro\n");

    auto drives = createLinuxRemovableDrives(r)->list();
    std::sort(drives.begin(), drives.end(),
              [](const auto& a, const auto& b) { return a.shortName < b.shortName; });
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[0].shortName, QStringLiteral("mmcblk0p1"));
    EXPECT_EQ(drives[0].rootPath, QStringLiteral("/media/card/"));
    EXPECT_EQ(drives[0].label, QString());
    EXPECT_EQ(drives[1].shortName, QStringLiteral("sdb1"));
    EXPECT_EQ(drives[1].rootPath, QStringLiteral("/media/stick/"));
    EXPECT_EQ(drives[1].label, QStringLiteral(" PHOTOS "));
    EXPECT_TRUE(drives[1].readable);
}

} // namespace
