#pragma once

// The log's messages without level and time, oldest first.
#include "support/U_Log.h"

#include <QStringList>

inline QStringList LogMessages(const TWLog& log) {
    QStringList messages;
    for (const QByteArray& line : log.Lines())
        messages.prepend(QString::fromUtf8(line).section(QLatin1Char('\t'), 2).trimmed());
    return messages;
}
