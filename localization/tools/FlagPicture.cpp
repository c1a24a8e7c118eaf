#include "localization/tools/FlagPicture.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QRegularExpression>
#include <QStringList>

bool FlagPicture(const QString& description, QImage& picture, QString& error) {
    picture = QImage();
    const QStringList words = description.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return true;
    const QString orientation = words.first().toLower();
    if (orientation != QLatin1String("h") && orientation != QLatin1String("v")) {
        error = QStringLiteral("flag must start with h or v: %1").arg(description);
        return false;
    }
    static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{6}$"));
    QList<QColor> bands;
    for (qsizetype i = 1; i < words.size(); ++i) {
        if (!hex.match(words.at(i)).hasMatch()) {
            error = QStringLiteral("flag colour is not RRGGBB: %1").arg(words.at(i));
            return false;
        }
        bands.append(QColor(QLatin1Char('#') + words.at(i)));
    }
    if (bands.isEmpty()) {
        error = QStringLiteral("flag has no colours: %1").arg(description);
        return false;
    }
    QImage image(kFlagWidth, kFlagHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    const bool horizontal = orientation == QLatin1String("h");
    const int length = horizontal ? kFlagHeight : kFlagWidth;
    const auto count = static_cast<int>(bands.size());
    for (int i = 0; i < count; ++i) {
        // Integer edges so that the bands tile the picture without gaps.
        const int from = length * i / count;
        const int to = length * (i + 1) / count;
        const QRect band = horizontal ? QRect(0, from, kFlagWidth, to - from)
                                      : QRect(from, 0, to - from, kFlagHeight);
        painter.fillRect(band, bands.at(i));
    }
    painter.end();
    picture = image;
    return true;
}
