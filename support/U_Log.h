#pragma once

// The log file that records every action.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

// The activity log: lines kept in memory, newest first, and the whole file rewritten after
// every entry. Writing never fails towards the caller.
class TWLog {
public:
    enum LogLevel { Verbose = 0, Info = 1, Error = 2 };

    TWLog(const QString& fileName, bool verbose, int maxLines);

    void Log(const QString& message, int level);
    const QString& FileName() const { return m_fileName; }
    const QList<QByteArray>& Lines() const { return m_lines; }
    int MaxLines() const { return m_maxLines; }

    // The time source, replaced by tests.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    static QByteArray FormatLine(const QString& message, int level, const QDateTime& when);

private:
    void Save();

    QList<QByteArray> m_lines; // index 0 = newest
    QString m_fileName;
    int m_maxLines;
    bool m_verbose;
    std::function<QDateTime()> m_clock;
};
