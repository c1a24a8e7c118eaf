#include "picture/U_Norms.h"

#include <QStringList>

// The norms table as text, generated at build time from photo-norms.csv.
extern const char* const kPhotoNormsCsv;

namespace {

// Splits one CSV line; double quotes protect commas inside a field.
QStringList splitCsvLine(const QString& line) {
    QStringList fields(1);
    bool quoted = false;
    for (const QChar c : line) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char(',') && !quoted)
            fields.append(QString());
        else
            fields.last().append(c);
    }
    return fields;
}

std::optional<MmRange> optionalRange(const QString& min, const QString& max) {
    if (min.isEmpty() || max.isEmpty())
        return std::nullopt;
    return MmRange{min.toDouble(), max.toDouble()};
}

NormKind kindOf(const QString& text) {
    if (text == QLatin1String("official"))
        return NormKind::Official;
    if (text == QLatin1String("secondary"))
        return NormKind::Secondary;
    return NormKind::Fallback;
}

std::vector<PhotoNorm> parseNorms(const QString& csv) {
    std::vector<PhotoNorm> rows;
    const QStringList lines = csv.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i) { // the first line names the columns
        const QStringList f = splitCsvLine(lines[i].trimmed());
        if (f.size() != 12)
            continue;
        PhotoNorm norm;
        norm.Index = f[0].toInt();
        norm.Country = f[1];
        norm.SizeMm = QSizeF(f[2].toDouble(), f[3].toDouble());
        norm.Head = MmRange{f[4].toDouble(), f[5].toDouble()};
        norm.EyeLine = optionalRange(f[6], f[7]);
        norm.Top = optionalRange(f[8], f[9]);
        norm.Source = f[10];
        norm.Kind = kindOf(f[11]);
        rows.push_back(norm);
    }
    return rows;
}

} // namespace

const std::vector<PhotoNorm>& PhotoNorms() {
    static const std::vector<PhotoNorm> rows = parseNorms(QString::fromUtf8(kPhotoNormsCsv));
    return rows;
}
