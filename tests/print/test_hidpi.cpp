// The preview on a screen of 1280 × 1024 device pixels at a device pixel ratio of 2: the
// window fits the screen and the page is drawn at the device's pixels. Its own program, as
// the screen is chosen before the application starts.
#include "resources/Artwork.h"
#include "tests/common/Fakes.h"
#include "print/U_PreviewDlg.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(HiDpiPreview, FitsTheScreenAndDrawsAtDevicePixels) {
    ASSERT_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), 2.0);
    FakePlatform platform;
    Tpreviewdlg dialog(platform.services);
    QImage& page = dialog.PageImage();
    page = QImage(4760, 6779, QImage::Format_RGB32);
    page.fill(Qt::white);
    auto* view = dialog.findChild<TPageView*>("img");
    QRect frame;
    QImage shown;
    QTimer::singleShot(0, &dialog, [&] {
        frame = dialog.frameGeometry();
        shown = view->shown();
        dialog.reject();
    });
    dialog.Execute();
    // 1024 device pixels are 512 logical ones.
    EXPECT_LE(frame.height(), 512);
    EXPECT_LE(dialog.height(), 512 - 40);
    EXPECT_EQ(shown.devicePixelRatio(), 2.0);
    // The page fills the view's height in device pixels: 2 × h high, 4760 / 6779 as wide.
    const int h = view->height();
    EXPECT_EQ(shown.height(), 2 * h);
    EXPECT_EQ(shown.width(), int(std::lround(4760.0 * 2 * h / 6779)));
    // The shortened view keeps the designed proportions, centred, and the page fills it
    // instead of leaving its right part empty.
    EXPECT_GE(shown.width(), 2 * view->width() * 99 / 100);
    EXPECT_LE(std::abs((view->x() - 3) - (423 - view->x() - view->width())), 1);
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screen.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(R"({"screens": [{"name": "dense", "x": 0, "y": 0, "width": 1280, "height": 1024,
                   "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toUtf8());
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    InstallFontSubstitutes();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
