#include "localization/C_TextStorage.h"

TTextStorage::TTextStorage(const QString& name, const QStringList& designTexts, QObject* parent)
    : QObject(parent), m_items(designTexts), m_designTime(designTexts) {
    setObjectName(name);
}

QString TTextStorage::Translate(const QString& text) const {
    for (qsizetype j = 0; j < m_designTime.size(); ++j) {
        if (m_designTime.at(j).compare(text, Qt::CaseInsensitive) != 0)
            continue;
        if (j >= m_items.size())
            return text;
        const QString& result = m_items.at(j);
        return result == QLatin1String("unused") ? text : result;
    }
    return text;
}
