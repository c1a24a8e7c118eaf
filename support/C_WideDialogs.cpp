#include "C_WideDialogs.h"

#include "FileChooser.h"

TWideOpenDialog::TWideOpenDialog(IFileChooser& chooser, QWidget* owner, QObject* parent)
    : QObject(parent), m_chooser(chooser), m_owner(owner) {}

void TWideOpenDialog::setInitialDir(const QString& dir) {
    QString value = dir;
    const bool trailing = value.endsWith(QLatin1Char('\\')) || value.endsWith(QLatin1Char('/'));
    if (trailing && value.size() > 1 && value.at(value.size() - 2) != u':')
        value.chop(1);
    m_initialDir = value;
}

QStringList TWideOpenDialog::ToNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        result.append(parts.at(i) + QStringLiteral(" (") + patterns.trimmed() + QLatin1Char(')'));
    }
    return result;
}

bool TWideOpenDialog::Execute() {
    FileChooserRequest request;
    request.owner = m_owner;
    request.title = m_title;
    request.initialDir = m_initialDir;
    request.fileName = m_fileName;
    request.nameFilters = ToNameFilters(m_filter);
    request.filterIndex = m_filterIndex - 1;
    request.defaultSuffix = m_defaultExt;
    const auto answer = m_chooser.chooseFile(request);
    if (!answer)
        return false;
    m_fileName = answer->path;
    m_filterIndex = answer->filterIndex + 1;
    return true;
}
