#include "localization/Lang_Reading.h"

#include "localization/Lang_Languages.h"

#include <QLocale>

namespace {

QString& separator() {
    static QString shown = QStringLiteral(".");
    return shown;
}

} // namespace

void SetNumberLanguage(uint16_t languageId) {
    QString locale = LocaleForLangId(languageId);
    locale = locale.left(locale.indexOf(QLatin1Char('@')));
    separator() = locale.isEmpty() ? QStringLiteral(".") : QLocale(locale).decimalPoint();
}

QString LocalNumber(double value, int decimals) {
    return QString::number(value, 'f', decimals).replace(QLatin1Char('.'), separator());
}
