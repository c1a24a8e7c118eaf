#include "support/U_WinVersion.h"

QString NtVersionString(const WindowsVersionRecord& record) {
    QString text = QStringLiteral("Unknown");
    int major = 0;
    int minor = 0;
    if (record.workstationQueried) {
        major = record.workstationMajor;
        minor = record.workstationMinor;
        text = QStringLiteral("%1.%2").arg(major).arg(minor);
    }
    struct Suffix {
        int major, minor;
        const char* text;
    };
    static const Suffix suffixes[] = {{5, 0, " (Windows 2000)"}, {5, 1, " (Windows XP)"},
                                      {6, 0, " (Vista)"},        {6, 1, " (Seven)"},
                                      {6, 2, " (Windows8)"},     {6, 3, " (Windows8.1)"}};
    for (const Suffix& s : suffixes)
        if (s.major == major && s.minor == minor)
            text += QLatin1String(s.text);
    return text;
}

QString WindowsVersionString(const WindowsVersionRecord& record) {
    if (!record.queried)
        return QStringLiteral("Unknown");
    if (record.platformId == 2)
        return NtVersionString(record);
    if (record.platformId != 1)
        return QStringLiteral("Unknown");
    QString suffix = QStringLiteral(" (Unknown)");
    if (record.major == 4 && record.minor == 0)
        suffix = QStringLiteral(" (95)");
    else if (record.major == 4 && record.minor == 10)
        suffix = record.servicePack.size() >= 2 && record.servicePack.at(1) == u'A'
                     ? QStringLiteral(" (98SE)")
                     : QStringLiteral(" (98)");
    else if (record.major == 4 && record.minor == 90)
        suffix = QStringLiteral(" (ME)");
    return QStringLiteral("%1.%2").arg(record.major).arg(record.minor) + suffix;
}
