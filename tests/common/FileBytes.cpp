#include "tests/common/FileBytes.h"

#include <QDir>
#include <QFile>

#include <cstring>

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString ErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

std::vector<QStringList> DataTable(const QString& name) {
    const QString text = QString::fromUtf8(ReadBytes(QStringLiteral(QM_TEST_DATA "/") + name));
    std::vector<QStringList> rows;
    bool body = false;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString row = line.trimmed();
        if (!row.startsWith(QLatin1Char('|')))
            continue;
        if (row.startsWith(QLatin1String("|---")) || row.startsWith(QLatin1String("| ---"))) {
            body = true;
            continue;
        }
        if (!body)
            continue;
        QStringList cells = row.mid(1, row.size() - 2).split(QLatin1Char('|'));
        for (QString& cell : cells)
            cell = cell.trimmed();
        rows.push_back(cells);
    }
    return rows;
}
