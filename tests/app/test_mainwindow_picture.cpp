// The running main window's picture side on the offscreen platform: loading through the
// dialog and by dropping, the working copy, the aspect check, the transforms, the mask.
#include "platform/AppError.h"
#include "resources/Artwork.h"
#include "tests/common/Fakes.h"
#include "tests/common/FileBytes.h"
#include "tests/common/JpegSamples.h"
#include "app/U_MainDlg.h"
#include "picture/U_Picture.h"
#include "app/U_PictureView.h"

#include <QAction>
#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QLocale>
#include <QMimeData>
#include <QUrl>
#include <QtEndian>

#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

#include <sys/stat.h>

namespace {

constexpr int kFinland = 19;      // 35 x 45 mm, the start-up format
constexpr int kGermany = 21;      // 35 x 45 mm
constexpr int kUnitedStates = 63; // 2 x 2 in, 50 x 50 mm for the engine

class PictureWindow : public ::testing::Test {
protected:
    void SetUp() override {
        QDir().mkpath(photos());
        window = std::make_unique<TMainDlg>(fake.services);
        window->FirstActivation();
        ASSERT_TRUE(window->Started());
        ASSERT_NE(window->Engine(), nullptr);
    }

    QString photos() const { return fake.root.filePath(QStringLiteral("photos")); }
    QString photo(const QString& name) const { return photos() + QLatin1Char('/') + name; }
    QString workCopy() const { return window->DataDir() + QStringLiteral("Quillmark.jpg"); }

    // Writes a JPEG of the given size into the photo folder and returns its path.
    QString jpeg(const QString& name, int width, int height) {
        const QString path = photo(name);
        WriteBytes(path, EncodeJpeg(Quadrants(width, height)));
        return path;
    }

    TPictureView* view() const { return window->findChild<TPictureView*>(QStringLiteral("img")); }
    QCheckBox* maskBox() const {
        return window->findChild<QCheckBox*>(QStringLiteral("normmask_chk"));
    }
    void selectFormat(int index) {
        window->findChild<QComboBox*>(QStringLiteral("format_cmb"))->setCurrentIndex(index);
        window->format_cmbChange();
    }
    void trigger(const char* action) {
        window->findChild<QAction*>(QLatin1String(action))->trigger();
    }

    // Log messages without level and time, oldest first.
    QStringList log() const {
        QStringList result;
        for (const QByteArray& line : window->Log()->Lines())
            result.prepend(QString::fromUtf8(line).section(QLatin1Char('\t'), 2));
        return result;
    }
    int logCount(const QString& prefix) const {
        int n = 0;
        for (const QString& line : log())
            n += line.startsWith(prefix);
        return n;
    }
    std::vector<MessageRequest> boxes(MsgIcon icon) const {
        std::vector<MessageRequest> result;
        for (const auto& r : fake.messages.requests)
            if (r.icon == icon)
                result.push_back(r);
        return result;
    }
    int aspectWarnings() const {
        int n = 0;
        for (const auto& r : boxes(MsgIcon::None))
            n += r.text == QStringLiteral("Incorrect aspect ratio. Picture may be deformed\n"
                                          "Image \u203a Frame Photo (Ctrl+F) cuts the picture "
                                          "to this format.") &&
                 r.caption == QStringLiteral("Quillmark");
        return n;
    }
    static ino_t inode(const QString& path) {
        struct stat info {};
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
    }
    void dropFiles(const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &drop);
    }

    FakePlatform fake;
    std::unique_ptr<TMainDlg> window;
};

TEST_F(PictureWindow, LoadThroughTheDialog) {
    const QString path = jpeg(QStringLiteral("portrait.jpg"), 600, 800);
    FileChooserAnswer answer;
    answer.path = path;
    fake.files.answers.push_back(answer);
    trigger("LoadPicture1");

    ASSERT_EQ(fake.files.requests.size(), 1u);
    EXPECT_EQ(fake.files.requests.front().nameFilters,
              QStringList{QStringLiteral("JPEG (*.jpg *.jpeg)")});
    EXPECT_EQ(window->WorkFile(), workCopy());
    EXPECT_EQ(ReadBytes(workCopy()), ReadBytes(path));
    EXPECT_EQ(view()->picture().size(), QSize(600, 800));
    // Red at the top-left and blue at the bottom-right, as Qt's own reader sees them too.
    const QImage qtDecoded = QImage(path).convertToFormat(QImage::Format_RGB32);
    for (const QPoint at : {QPoint(10, 10), QPoint(590, 790), QPoint(450, 200)})
        EXPECT_TRUE(Near(view()->picture().pixel(at), qtDecoded.pixel(at), 3)) << at.x();
    EXPECT_TRUE(Near(view()->picture().pixel(10, 10), qRgb(220, 30, 30), 12));
    EXPECT_TRUE(Near(view()->picture().pixel(590, 790), qRgb(30, 40, 210), 12));
    const QStringList lines = log();
    const qsizetype loading = lines.indexOf(QStringLiteral("Loading : ") + path);
    ASSERT_GE(loading, 0);
    EXPECT_EQ(lines.value(loading + 1),
              QStringLiteral("Actual aspect ratio : 0.75, target aspect ratio : 0.78"));
    EXPECT_EQ(aspectWarnings(), 0) << "3.6 % is within the 10 %";
    EXPECT_TRUE(boxes(MsgIcon::Error).empty());
}

TEST_F(PictureWindow, AspectLineUsesTheLocaleDecimalSeparator) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    window->LoadPicture(jpeg(QStringLiteral("wide.jpg"), 1280, 600));
    QLocale::setDefault(saved);
    EXPECT_EQ(logCount(QStringLiteral("Actual aspect ratio : 2,13, target aspect ratio : 0,78")),
              1);
}

TEST_F(PictureWindow, CancelledDialogDoesNothing) {
    fake.files.answers.push_back(std::nullopt);
    trigger("LoadPicture1");
    EXPECT_TRUE(window->WorkFile().isEmpty());
    EXPECT_EQ(logCount(QStringLiteral("Loading")), 0);
    EXPECT_EQ(view()->picture(), PlaceholderPicture());
}

TEST_F(PictureWindow, AspectWarningAfterEveryReload) {
    window->LoadPicture(jpeg(QStringLiteral("wide.jpg"), 800, 600));
    EXPECT_EQ(aspectWarnings(), 1);
    trigger("Greyscale1");
    trigger("Sepia1");
    trigger("Restoreoriginalpicture1");
    EXPECT_EQ(aspectWarnings(), 4);
    EXPECT_EQ(logCount(QStringLiteral("Actual aspect ratio : 1.33, target aspect ratio : 0.78")),
              4);
    // Rotation runs no check; a format change does.
    trigger("Rotate1");
    EXPECT_EQ(aspectWarnings(), 4);
    selectFormat(kGermany);
    EXPECT_EQ(aspectWarnings(), 4) << "turned upright, 0.75 against 0.78";
}

// Stored on its side with the tag "turn a quarter clockwise": upright for the display, every
// reload and the aspect check.
TEST_F(PictureWindow, PhonePictureStaysUprightThroughReloads) {
    const QString path = photo(QStringLiteral("phone.jpg"));
    WriteBytes(path, WithExifOrientation(EncodeJpeg(Quadrants(800, 600)), 6));
    window->LoadPicture(path);
    for (const char* reload : {"Greyscale1", "Sepia1", "Restoreoriginalpicture1"}) {
        EXPECT_EQ(view()->picture().size(), QSize(600, 800)) << reload;
        trigger(reload);
    }
    EXPECT_EQ(view()->picture().size(), QSize(600, 800));
    // The stored top-left red quadrant is now at the top right.
    EXPECT_TRUE(Near(view()->picture().pixel(590, 10), qRgb(220, 30, 30), 24));
    EXPECT_EQ(aspectWarnings(), 0);
    EXPECT_EQ(logCount(QStringLiteral("Actual aspect ratio : 0.75, target aspect ratio : 0.78")),
              4);
}

// Letters typed on the closed format list open it and move the highlight only: no format is
// chosen and no aspect warning pops up until the list closes on one.
TEST_F(PictureWindow, TypingInTheFormatListChoosesNothing) {
    window->LoadPicture(jpeg(QStringLiteral("wide.jpg"), 800, 600));
    auto* formats = window->findChild<QComboBox*>(QStringLiteral("format_cmb"));
    const int before = formats->currentIndex();
    QTest::keyClicks(formats, QStringLiteral("Ger"));
    EXPECT_TRUE(formats->view()->isVisible());
    EXPECT_EQ(formats->currentIndex(), before);
    EXPECT_EQ(aspectWarnings(), 1); // the one of loading
    EXPECT_TRUE(formats->itemText(formats->view()->currentIndex().row()).contains("Germany"));
    formats->hidePopup();
}

TEST_F(PictureWindow, ExactlyTenPercentPasses) {
    selectFormat(kUnitedStates);
    ASSERT_EQ(window->Engine()->PhotoWidthMM, 50);
    window->LoadPicture(jpeg(QStringLiteral("a.jpg"), 110, 100));
    window->LoadPicture(jpeg(QStringLiteral("b.jpg"), 90, 100));
    EXPECT_EQ(aspectWarnings(), 0);
    window->LoadPicture(jpeg(QStringLiteral("c.jpg"), 112, 100));
    EXPECT_EQ(aspectWarnings(), 1);
}

TEST_F(PictureWindow, TransformsNeedAPicture) {
    trigger("Greyscale1");
    trigger("Sepia1");
    const auto info = boxes(MsgIcon::Information);
    ASSERT_EQ(info.size(), 2u);
    EXPECT_EQ(info[0].text, QStringLiteral("Load a picture first"));
    EXPECT_EQ(info[0].caption, QStringLiteral("Information"));
    const qsizetype lines = window->Log()->Lines().size();
    trigger("Restoreoriginalpicture1");
    EXPECT_EQ(window->Log()->Lines().size(), lines) << "restore without a picture is silent";
    EXPECT_EQ(fake.messages.requests.size(), 2u);
    EXPECT_EQ(logCount(QStringLiteral("Transform")), 0);
    EXPECT_EQ(view()->picture(), PlaceholderPicture());
}

// The transforms by their definitions: grey (61 R + 174 G + 21 B) / 256 truncated; sepia
// 0.393 R + 0.769 G + 0.189 B for red, 0.349, 0.686, 0.168 for green, 0.272, 0.534, 0.131
// for blue, each rounded and capped at 255.
QRgb greyByDefinition(QRgb p) {
    const int i = (61 * qRed(p) + 174 * qGreen(p) + 21 * qBlue(p)) / 256;
    return qRgb(i, i, i);
}
QRgb sepiaByDefinition(QRgb p) {
    auto channel = [p](double r, double g, double b) {
        return int(std::min(255.0, std::nearbyint(r * qRed(p) + g * qGreen(p) + b * qBlue(p))));
    };
    return qRgb(channel(0.393, 0.769, 0.189), channel(0.349, 0.686, 0.168),
                channel(0.272, 0.534, 0.131));
}

void expectEachPixel(const QImage& shown, const QImage& loaded, QRgb (*transform)(QRgb),
                     const char* what) {
    ASSERT_EQ(shown.size(), loaded.size()) << what;
    for (int y = 0; y < loaded.height(); ++y)
        for (int x = 0; x < loaded.width(); ++x)
            ASSERT_EQ(shown.pixel(x, y), transform(loaded.pixel(x, y)))
                << what << " at " << x << "," << y;
}

TEST_F(PictureWindow, ColourTransformsStartFromTheLoadedPicture) {
    const QString path = jpeg(QStringLiteral("p.jpg"), 60, 80);
    window->LoadPicture(path);
    const QImage loaded = view()->picture();
    // Red stays at the top-left, blue at the bottom-right, as another decoder reads them.
    EXPECT_TRUE(Near(loaded.pixel(10, 10), qRgb(220, 30, 30), 12));
    EXPECT_TRUE(Near(loaded.pixel(50, 70), qRgb(30, 40, 210), 12));
    const QImage qtDecoded = QImage(path).convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(Near(loaded.pixel(12, 9), qtDecoded.pixel(12, 9), 3));
    EXPECT_TRUE(Near(loaded.pixel(47, 66), qtDecoded.pixel(47, 66), 3));
    trigger("Sepia1");
    expectEachPixel(view()->picture(), loaded, sepiaByDefinition, "sepia");
    trigger("Greyscale1");
    expectEachPixel(view()->picture(), loaded, greyByDefinition, "grey, not of the sepia");
    trigger("Rotate1");
    EXPECT_EQ(view()->picture().size(), QSize(80, 60));
    trigger("Greyscale1");
    expectEachPixel(view()->picture(), loaded, greyByDefinition, "grey, back unrotated");
    trigger("Restoreoriginalpicture1");
    EXPECT_EQ(view()->picture(), loaded);
    const QStringList lines = log();
    EXPECT_EQ(logCount(QStringLiteral("Transform : Sepia")), 1);
    EXPECT_EQ(logCount(QStringLiteral("Transform : GreyScale")), 2);
    EXPECT_EQ(logCount(QStringLiteral("Transform : Retoring original picture")), 1);
    EXPECT_EQ(logCount(QStringLiteral("Loading : ") + workCopy()), 4);
    EXPECT_EQ(logCount(QStringLiteral("Rotating...")), 1);
}

TEST_F(PictureWindow, RotateThePlaceholder) {
    const QImage start = view()->picture();
    trigger("Rotate1");
    EXPECT_EQ(view()->picture().size(), QSize(157, 119));
    EXPECT_EQ(logCount(QStringLiteral("Actual aspect")), 0);
    trigger("Rotate1");
    trigger("Rotate1");
    trigger("Rotate1");
    EXPECT_EQ(view()->picture(), start);
    EXPECT_TRUE(window->WorkFile().isEmpty());
}

TEST_F(PictureWindow, WorkingCopyRules) {
    const QString a = jpeg(QStringLiteral("a.jpg"), 30, 40);
    const QString b = jpeg(QStringLiteral("b.jpg"), 40, 30);
    window->LoadPicture(a);
    EXPECT_EQ(ReadBytes(workCopy()), ReadBytes(a));
    window->LoadPicture(b);
    EXPECT_EQ(ReadBytes(workCopy()), ReadBytes(b));
    EXPECT_EQ(QDir(window->DataDir()).entryList({QStringLiteral("*.jpg")}, QDir::Files),
              QStringList{QStringLiteral("Quillmark.jpg")});

    // Loading the working copy itself neither deletes nor copies it.
    const ino_t before = inode(workCopy());
    window->LoadPicture(workCopy());
    EXPECT_EQ(inode(workCopy()), before);
    EXPECT_EQ(ReadBytes(workCopy()), ReadBytes(b));
    EXPECT_EQ(view()->picture().size(), QSize(40, 30));
    // Also under another spelling of its path.
    window->LoadPicture(window->DataDir() + QStringLiteral("./Quillmark.jpg"));
    EXPECT_EQ(inode(workCopy()), before);
}

TEST_F(PictureWindow, FailedLoadChangesNothing) {
    const QString good = jpeg(QStringLiteral("good.jpg"), 30, 40);
    window->LoadPicture(good);
    trigger("Rotate1");
    const QImage shown = view()->picture();
    const QByteArray copy = ReadBytes(workCopy());

    const QString truncated = photo(QStringLiteral("truncated.jpg"));
    const QByteArray whole = EncodeJpeg(Quadrants(300, 400));
    WriteBytes(truncated, whole.left(whole.size() / 2));
    const QString empty = photo(QStringLiteral("empty.jpg"));
    WriteBytes(empty, QByteArray());
    const QString png = photo(QStringLiteral("really.png.jpg"));
    Quadrants(20, 20).save(png, "PNG");
    const QString huge = photo(QStringLiteral("huge.jpg"));
    WriteBytes(huge, WithClaimedSize(EncodeJpeg(Quadrants(16, 16)), 65535, 65535));
    QByteArray lying = BmpBytes(Quadrants(8, 8));
    qToLittleEndian<qint32>(4000, lying.data() + 18);
    const QString bmp = photo(QStringLiteral("lying.jpg"));
    WriteBytes(bmp, lying);
    const QString missing = photo(QStringLiteral("missing.jpg"));

    const QStringList bad{truncated, empty, png, huge, bmp, missing};
    for (const QString& path : bad) {
        const size_t errorsBefore = boxes(MsgIcon::Error).size();
        window->Guard([&] { window->LoadPicture(path); });
        EXPECT_EQ(boxes(MsgIcon::Error).size(), errorsBefore + 1) << path.toStdString();
        EXPECT_EQ(window->WorkFile(), workCopy());
        EXPECT_EQ(ReadBytes(workCopy()), copy) << path.toStdString();
        EXPECT_EQ(view()->picture(), shown) << path.toStdString();
    }
    EXPECT_TRUE(boxes(MsgIcon::Error).back().text.contains(QStringLiteral("missing.jpg")));
    EXPECT_TRUE(boxes(MsgIcon::Error)[3].text.contains(QStringLiteral("65535 x 65535")));
    // The working copy is still good: restore brings the loaded picture back.
    trigger("Restoreoriginalpicture1");
    EXPECT_EQ(view()->picture().size(), QSize(30, 40));
}

TEST_F(PictureWindow, FailedFirstLoadLeavesNoPicture) {
    const QString text = photo(QStringLiteral("notes.jpg"));
    WriteBytes(text, "not a picture");
    window->Guard([&] { window->LoadPicture(text); });
    EXPECT_EQ(boxes(MsgIcon::Error).size(), 1u);
    EXPECT_TRUE(window->WorkFile().isEmpty());
    EXPECT_FALSE(QFile::exists(workCopy()));
    trigger("Greyscale1");
    EXPECT_EQ(boxes(MsgIcon::Information).size(), 1u);
}

// A display pixel under the mask, where the 156 x 205 bitmap stretched to 151 x 201 is flat,
// is the picture's pixel mixed with the mask's colour at 120 / 255.
void expectMaskBlend(const QImage& with, const QImage& without, QPoint at) {
    const QImage mask = NormMaskBitmap().convertToFormat(QImage::Format_RGB32);
    const QPoint source(int((at.x() + 0.5) * 156 / 151), int((at.y() + 0.5) * 205 / 201));
    const QRgb colour = mask.pixel(source);
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
            ASSERT_EQ(mask.pixel(source + QPoint(dx, dy)), colour) << "the mask is not flat there";
    const QRgb below = without.pixel(at), shown = with.pixel(at);
    auto mixed = [](int picture, int layer) { return (picture * 135 + layer * 120) / 255.0; };
    EXPECT_NEAR(qRed(shown), mixed(qRed(below), qRed(colour)), 1.0) << at.x() << "," << at.y();
    EXPECT_NEAR(qGreen(shown), mixed(qGreen(below), qGreen(colour)), 1.0);
    EXPECT_NEAR(qBlue(shown), mixed(qBlue(below), qBlue(colour)), 1.0);
}

TEST_F(PictureWindow, MaskStaysPutAndOffThePicture) {
    maskBox()->click();
    ASSERT_TRUE(view()->maskVisible());
    window->LoadPicture(jpeg(QStringLiteral("p.jpg"), 60, 80));
    trigger("Rotate1");
    trigger("Sepia1");
    EXPECT_TRUE(view()->maskVisible());
    EXPECT_EQ(view()->maskLocation(), QRect(0, 0, 151, 201));
    // The display shows it (the white background lightens the picture), the picture has it not.
    const QImage picture = view()->picture();
    view()->setMaskVisible(false);
    const QImage without = view()->displayed().copy();
    window->normmask_chkClick();
    // In the white background (top right, lower left) and in the skin band.
    for (const QPoint at : {QPoint(140, 30), QPoint(10, 127), QPoint(133, 78)})
        expectMaskBlend(view()->displayed(), without, at);
    EXPECT_EQ(view()->picture(), picture);
    EXPECT_EQ(view()->displayed().height(), 194) << "35 x 45: the last 7 mask rows are cut off";
    // In resize mode the 60 x 80 picture (sepia reloaded it unturned) fits by its height.
    trigger("AutoResize1");
    EXPECT_EQ(view()->pictureRect(), QRect(0, 0, 146, 194));
    EXPECT_EQ(view()->maskLocation(), QRect(0, 0, 151, 201));
}

TEST_F(PictureWindow, DropLoadsTheFirstJpegOnly) {
    const QString a = jpeg(QStringLiteral("a.JPEG"), 30, 40);
    const QString b = jpeg(QStringLiteral("b.jpg"), 40, 30);
    const QString c = jpeg(QStringLiteral("c.jpg"), 50, 30);
    dropFiles({a, b, c});
    EXPECT_EQ(view()->picture().size(), QSize(30, 40));
    EXPECT_EQ(logCount(QStringLiteral("Loading : ")), 1);
    EXPECT_EQ(log().filter(QStringLiteral("Loading : ")).value(0),
              QStringLiteral("Loading : ") + a);
    EXPECT_TRUE(window->DroppedFiles().isEmpty());
}

TEST_F(PictureWindow, DroppingOtherFilesLeavesThePicture) {
    const QString png = photo(QStringLiteral("a.png"));
    Quadrants(10, 10).save(png, "PNG");
    dropFiles({png, jpeg(QStringLiteral("b.jpg"), 40, 30)});
    EXPECT_EQ(view()->picture(), PlaceholderPicture());
    EXPECT_TRUE(window->DroppedFiles().isEmpty());
    EXPECT_EQ(logCount(QStringLiteral("Loading")), 0);
}

TEST_F(PictureWindow, DroppedBrokenJpegShowsOneErrorAndClearsTheList) {
    const QString bad = photo(QStringLiteral("bad.jpg"));
    WriteBytes(bad, "garbage");
    dropFiles({bad});
    EXPECT_EQ(boxes(MsgIcon::Error).size(), 1u);
    EXPECT_TRUE(window->DroppedFiles().isEmpty());
    EXPECT_TRUE(window->WorkFile().isEmpty());
}

TEST_F(PictureWindow, DropLongUnicodeName) {
    QString name = QStringLiteral("Фото_Ωμέγα_照片_ü");
    while (name.size() < 196)
        name += QLatin1Char('n');
    name += QStringLiteral(".jpg");
    ASSERT_EQ(name.size(), 200);
    const QString path = jpeg(name, 30, 40);
    ASSERT_TRUE(QFile::exists(path));
    dropFiles({path});
    EXPECT_EQ(view()->picture().size(), QSize(30, 40));
    EXPECT_EQ(log().filter(QStringLiteral("Loading : ")).value(0),
              QStringLiteral("Loading : ") + path);
}

} // namespace
