#include "app/U_Formats.h"

#include "platform/AppError.h"
#include "support/U_QMKSUtils.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

const std::array<FormatEntry, kFormatCount>& FormatCatalogue() {
    static const std::array<FormatEntry, kFormatCount> catalogue = {{
        {"40 x 50 mm (", "Albania"},
        {"1,5 x 1,5 in (", "Argentina"},
        {"35 x 45 mm (", "Australia"},
        {"35 x 45 mm (", "Austria"},
        {"2 x 2 in (", "Bahamas"},
        {"40 x 50 mm (", "Belarus"},
        {"35 x 45 mm (", "Belgium"},
        {"2 x 2 in (", "Belize"},
        {"2 x 2 in (", "Bolivia"},
        {"30 x 40 mm (", "Brazil - ID"},
        {"50 x 70 mm (", "Brazil - Passport"},
        {"35 x 45 mm (", "Bulgaria"},
        {"50 x 70 mm (", "Canada"},
        {"33 x 48 mm (", "China"},
        {"1,5 x 2,5 in (", "Colombia"},
        {"35 x 45 mm (", "Croatia"},
        {"35 x 45 mm (", "Czech Republic"},
        {"35 x 45 mm (", "Denmark"},
        {"40 x 50 mm (", "Estonia"},
        {"35 x 45 mm (", "Finland"},
        {"35 x 45 mm (", "France"},
        {"35 x 45 mm (", "Germany"},
        {"40 x 60 mm (", "Greece"},
        {"40 x 50 mm (", "Hong Kong"},
        {"35 x 45 mm (", "Hungary"},
        {"40 x 40 mm (", "Hungary - Traffic board"},
        {"2 x 2 in (", "India"},
        {"2 x 2 in (", "Indonesia"},
        {"35 x 45 mm (", "Ireland"},
        {"35 x 45 mm (", "Israel"},
        {"35 x 45 mm (", "Italy"},
        {"40 x 40 mm (", "Italy - Passport"},
        {"33 x 40 mm (", "Italy - Driving Licence"},
        {"2 x 2 in (", "Jamaica"},
        {"35 x 45 mm (", "Japan"},
        {"35 x 45 mm (", "Kenya"},
        {"2 x 2 in (", "Lebanon"},
        {"2 x 2 in (", "Malaysia"},
        {"25 x 30 mm (", "Mexico"},
        {"35 x 45 mm (", "Morocco"},
        {"35 x 45 mm (", "Netherlands"},
        {"35 x 45 mm (", "New Zealand"},
        {"35 x 45 mm (", "Nigeria"},
        {"35 x 45 mm (", "Norway"},
        {"2 x 2 in (", "Pakistan"},
        {"35 x 45 mm (", "Panama"},
        {"2 x 2 in (", "Peru"},
        {"35 x 45 mm (", "Philippines"},
        {"35 x 45 mm (", "Poland"},
        {"35 x 45 mm (", "Portugal"},
        {"35 x 45 mm (", "Romania"},
        {"35 x 45 mm (", "Russia"},
        {"35 x 45 mm (", "Singapore"},
        {"35 x 45 mm (", "South Africa"},
        {"30 x 40 mm (", "Spain"},
        {"35 x 45 mm (", "Sweden"},
        {"35 x 45 mm (", "Switzerland"},
        {"50 x 50 mm (", "Taiwan"},
        {"35 x 45 mm (", "Tanzania"},
        {"2 x 2 in (", "Thailand"},
        {"43 x 53 mm (", "Trinidad and Tobago"},
        {"35 x 45 mm (", "Turkey"},
        {"35 x 45 mm (", "United Kingdom"},
        {"2 x 2 in (", "United States"},
        {"2 x 2 in (", "Venezuela"},
        {"35 x 45 mm (", "Zimbabwe"},
    }};
    return catalogue;
}

const QStringList& MainTexts() {
    static const QStringList texts = {
        QStringLiteral("No printer found ! Quillmark needs at least a printer to be present. "
                       "Please install a printer and reload."),
        QStringLiteral("France"),
        QStringLiteral("Brazil - ID"),
        QStringLiteral("Canada"),
        QStringLiteral("Spain"),
        QStringLiteral("Incorrect aspect ratio. Picture may be deformed"),
        QStringLiteral("Albania"),
        QStringLiteral("Argentina"),
        QStringLiteral("Australia"),
        QStringLiteral("Austria"),
        QStringLiteral("Bahamas"),
        QStringLiteral("Belarus"),
        QStringLiteral("Belgium"),
        QStringLiteral("Belize"),
        QStringLiteral("Bolivia"),
        QStringLiteral("unused"),
        QStringLiteral("Bulgaria"),
        QStringLiteral("China"),
        QStringLiteral("Colombia"),
        QStringLiteral("Croatia"),
        QStringLiteral("Czech Republic"),
        QStringLiteral("Denmark"),
        QStringLiteral("Estonia"),
        QStringLiteral("Finland"),
        QStringLiteral("Germany"),
        QStringLiteral("Greece"),
        QStringLiteral("Hong Kong"),
        QStringLiteral("Hungary"),
        QStringLiteral("India"),
        QStringLiteral("Indonesia"),
        QStringLiteral("Ireland"),
        QStringLiteral("Israel"),
        QStringLiteral("Italy"),
        QStringLiteral("Jamaica"),
        QStringLiteral("Japan"),
        QStringLiteral("Kenya"),
        QStringLiteral("Lebanon"),
        QStringLiteral("Malaysia"),
        QStringLiteral("Mexico"),
        QStringLiteral("Morocco"),
        QStringLiteral("Netherlands"),
        QStringLiteral("New Zealand"),
        QStringLiteral("Nigeria"),
        QStringLiteral("Norway"),
        QStringLiteral("Pakistan"),
        QStringLiteral("Panama"),
        QStringLiteral("Peru"),
        QStringLiteral("Philippines"),
        QStringLiteral("Poland"),
        QStringLiteral("Portugal"),
        QStringLiteral("Romania"),
        QStringLiteral("Russia"),
        QStringLiteral("Singapore"),
        QStringLiteral("South Africa"),
        QStringLiteral("Sweden"),
        QStringLiteral("Switzerland"),
        QStringLiteral("Taiwan"),
        QStringLiteral("Tanzania"),
        QStringLiteral("Thailand"),
        QStringLiteral("Trinidad and Tobago"),
        QStringLiteral("Turkey"),
        QStringLiteral("United Kingdom"),
        QStringLiteral("United States"),
        QStringLiteral("Venezuela"),
        QStringLiteral("Zimbabwe"),
        QStringLiteral("Unable to determine picture format. Please contact tech. support."),
        QStringLiteral("Brazil - Passport"),
        QStringLiteral("Hungary - Traffic board"),
        QStringLiteral("Italy - Passport"),
        QStringLiteral("Load a picture first"),
        QStringLiteral("Image \u203a Frame Photo (Ctrl+F) cuts the picture to this format."),
    };
    return texts;
}

namespace {

// Trims blanks and control characters at both ends.
QString trimmed(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= 32)
        ++first;
    while (last > first && text.at(last - 1).unicode() <= 32)
        --last;
    return text.mid(first, last - first);
}

// A decimal number whose separator is a comma, whatever the user's locale says.
float readDecimal(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^[+-]?(\\d+(,\\d*)?|,\\d+)$"));
    if (!form.match(text).hasMatch())
        throw AppError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    QString c = text;
    c.replace(QLatin1Char(','), QLatin1Char('.'));
    return c.toFloat();
}

} // namespace

bool ParseFormatLabel(const QString& label, PhotoFormat& format) {
    format = PhotoFormat{};
    const qsizetype bracket = label.indexOf(QLatin1Char('('));
    if (bracket < 0)
        return false;
    QString size = trimmed(label.left(bracket));
    const QString unit = trimmed(size.right(2));
    format.IsMillimetres = unit == QLatin1String("mm");
    bool failed = !format.IsMillimetres && unit != QLatin1String("in");
    size = trimmed(size.left(size.size() - std::min<qsizetype>(2, size.size())));
    const qsizetype x = size.indexOf(QLatin1Char('x'));
    if (x < 0 || failed)
        return false;
    format.LabelWidth = readDecimal(trimmed(size.left(x)));
    format.LabelHeight = readDecimal(trimmed(size.mid(x + 1)));
    if (format.LabelWidth * format.LabelHeight == 0)
        return false;
    return PhysicalSize(format.LabelWidth, format.IsMillimetres) &&
           PhysicalSize(format.LabelHeight, format.IsMillimetres);
}

bool PhysicalSize(float value, bool isMillimetres) {
    // Compared in double before any conversion to an integer, so that no label can make
    // one overflow; the bounds also keep the display height (at most 151 × 1000) in range.
    const double mm = isMillimetres ? double(value) : double(value) * 25.4;
    return std::isfinite(mm) && mm >= kMinPhotoMillimetres && mm <= kMaxPhotoMillimetres;
}

int EngineMillimetres(float value, bool isMillimetres) {
    if (isMillimetres)
        return static_cast<int>(std::nearbyint(static_cast<double>(value)));
    return InchesToMm(static_cast<double>(value));
}

int DisplayHeight(const PhotoFormat& format) {
    const double h = kDisplayWidth * static_cast<double>(format.LabelHeight) /
                     static_cast<double>(format.LabelWidth);
    // A very flat format would round to no height at all and hide the picture.
    return std::max(1, static_cast<int>(std::nearbyint(h)));
}

bool MaskAvailable(const PhotoFormat& format) {
    return format.LabelWidth == 35.0f && format.LabelHeight == 45.0f;
}

int ParseIndexSetting(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^\\s*[+-]?\\d+$"));
    if (!form.match(text).hasMatch())
        return 0;
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : 0;
}

int DefaultFormatFor(QLocale::Territory territory) {
    QString name = QLocale::territoryToString(territory);
    // The toolkit's names where the catalogue keeps older ones.
    if (name == QLatin1String("Czechia"))
        name = QStringLiteral("Czech Republic");
    else if (name == QStringLiteral("T\u00fcrkiye"))
        name = QStringLiteral("Turkey");
    const auto& catalogue = FormatCatalogue();
    for (size_t i = 0; i < catalogue.size(); ++i) {
        const QString country = QString::fromUtf8(catalogue[i].country);
        if (country == name || country.startsWith(name + QStringLiteral(" - ")))
            return int(i);
    }
    return kDefaultFormatIndex;
}

namespace {

// Lower case without accents, so that "e" finds "É".
QString folded(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString out;
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            out += c.toCaseFolded();
    return out;
}

} // namespace

int FindFormatByCountry(const QStringList& labels, const QString& typed, int from) {
    const QString wanted = folded(typed);
    const int count = int(labels.size());
    if (wanted.isEmpty() || count == 0)
        return -1;
    for (int step = 0; step < count; ++step) {
        const int i = ((std::max(from, 0) + step) % count);
        const QString& label = labels.at(i);
        const qsizetype bracket = label.indexOf(QLatin1Char('('));
        if (folded(label.mid(bracket + 1)).startsWith(wanted))
            return i;
    }
    return -1;
}

const QStringList& PrintOptionWords() {
    static const PrintOptionTexts english;
    static const QStringList words =
        QStringList{english.paper, english.orientation, english.portrait, english.landscape,
                    english.cutMarks} +
        english.paperNames.mid(1);
    return words;
}

PrintOptionTexts PrintOptionTextsFrom(const QStringList& words) {
    PrintOptionTexts texts;
    if (words.size() < 5 + texts.paperNames.size() - 1)
        return texts;
    texts.paper = words.at(0);
    texts.orientation = words.at(1);
    texts.portrait = words.at(2);
    texts.landscape = words.at(3);
    texts.cutMarks = words.at(4);
    for (qsizetype i = 1; i < texts.paperNames.size(); ++i)
        texts.paperNames[i] = words.at(4 + i);
    return texts;
}
