#include "picture/U_CsvTable.h"

namespace {

QStringList splitLine(const QString& line) {
    QStringList fields(1);
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == QLatin1Char('"') && quoted && i + 1 < line.size() && line[i + 1] == c)
            fields.last().append(line[++i]); // "" inside quotes
        else if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char(',') && !quoted)
            fields.append(QString());
        else
            fields.last().append(c);
    }
    return fields;
}

} // namespace

std::vector<QStringList> CsvRows(const char* text, qsizetype columns) {
    std::vector<QStringList> rows;
    const QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i) { // the first line names the columns
        QStringList fields = splitLine(lines[i].trimmed());
        if (fields.size() == columns)
            rows.push_back(std::move(fields));
    }
    return rows;
}
