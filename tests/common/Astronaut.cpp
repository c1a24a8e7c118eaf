#include "tests/common/Astronaut.h"

#include <QPainter>

QImage Astronaut() {
    return QImage(QStringLiteral(QM_TEST_DATA "/astronaut.jpg"))
        .convertToFormat(QImage::Format_RGB32);
}

QImage Drawn(const QImage& source, QSize size, const QTransform& t, QColor wall) {
    QImage out(size, QImage::Format_RGB32);
    out.fill(wall);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setTransform(t);
    p.drawImage(0, 0, source);
    return out;
}

QTransform TurnAbout(QSize size, double degrees) {
    return QTransform()
        .translate(size.width() / 2.0, size.height() / 2.0)
        .rotate(degrees)
        .translate(-size.width() / 2.0, -size.height() / 2.0);
}

QImage Scaled(QImage image, double factor, QRect area) {
    area = area.isEmpty() ? image.rect() : area;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            image.setPixel(
                x, y, qRgb(int(qRed(p) * factor), int(qGreen(p) * factor), int(qBlue(p) * factor)));
        }
    return image;
}
