#include "bench/BenchPortrait.h"

#include "picture/U_FaceFinder.h"
#include "picture/U_JpegEncode.h"

#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <random>

QImage BenchPortrait(unsigned seed, QSize size) {
    const QImage face(QStringLiteral(QM_BENCH_DATA_DIR "/astronaut.jpg"));
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(198, 196, 200));
    {
        // The face square across the whole width, a fifth of the height below the top.
        QPainter p(&image);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRect(0, size.height() / 5, size.width(), size.width()), face);
    }
    std::mt19937 noise(seed);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int g = int(noise() % 13) - 6;
            const QRgb px = line[x];
            line[x] = qRgb(std::clamp(qRed(px) + g, 0, 255), std::clamp(qGreen(px) + g, 0, 255),
                           std::clamp(qBlue(px) + g, 0, 255));
        }
    }
    return image;
}

bool SaveBenchPicture(const QImage& picture, const QString& file) {
    try {
        SaveJpeg(picture, file);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(file), e.what());
        return false;
    }
    return true;
}

bool LoadBenchModel(FaceModel& model) {
    model.startLoading();
    if (model.waitUntilLoaded())
        return true;
    std::fprintf(stderr, "%s\n", qPrintable(model.status()));
    return false;
}
