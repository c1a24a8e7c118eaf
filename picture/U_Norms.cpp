#include "picture/U_Norms.h"

#include "picture/U_CsvTable.h"

// The norms table as text, generated at build time from photo-norms.csv.
extern const char* const kPhotoNormsCsv;

namespace {

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

std::vector<PhotoNorm> parseNorms() {
    std::vector<PhotoNorm> rows;
    for (const QStringList& f : CsvRows(kPhotoNormsCsv, 12)) {
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
    static const std::vector<PhotoNorm> rows = parseNorms();
    return rows;
}
