#include "support/U_Log.h"

#include "platform/AppError.h"
#include "platform/U_SafeWrite.h"

#include <QFileInfo>

TWLog::TWLog(const QString& fileName, bool verbose, int maxLines)
    : m_fileName(fileName), m_maxLines(maxLines), m_verbose(verbose),
      m_clock([] { return QDateTime::currentDateTime(); }) {}

QByteArray TWLog::FormatLine(const QString& message, int level, const QDateTime& when) {
    static const char* const names[] = {"Verbose", "Info", "Error"};
    const int index = level < 0 ? 0 : (level > 2 ? 2 : level);
    // The time separator is a colon: Linux locales have no separate setting for it.
    const QString stamp = when.toString(QStringLiteral("[yy-MM-dd HH:mm:ss]"));
    return QByteArray(names[index]) + '\t' + stamp.toUtf8() + '\t' + message.toUtf8();
}

void TWLog::Log(const QString& message, int level) {
    if (level <= 0 && !m_verbose)
        return;
    m_lines.prepend(FormatLine(message, level, m_clock()));
    if (m_lines.size() > m_maxLines)
        m_lines.removeLast();
    Save();
}

void TWLog::Save() {
    QByteArray content;
    qsizetype size = 0;
    for (const QByteArray& line : m_lines)
        size += line.size() + 2;
    content.reserve(size);
    for (const QByteArray& line : m_lines) {
        content += line;
        content += "\r\n";
    }
    // Failures are ignored: the lines stay in memory and reach the file with the next entry,
    // and a full disk leaves the previous file whole. Not synced: a log line is not worth a
    // disk flush per user action.
    MakeFolderPath(QFileInfo(m_fileName).absolutePath());
    try {
        WriteFileSafely(m_fileName, content, TSafeFile::Sync::NoSync, TSafeFile::Links::Replace);
    } catch (const AppError&) {
    }
}
