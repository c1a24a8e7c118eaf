#include "support/U_QMKSUtils.h"

#include "platform/SettingsStore.h"

#include <cmath>

QString ReadSetting(ISettingsStore& settings, const QString& name) {
    settings.openKey(kProgramKey);
    QString value;
    if (!settings.readString(kProgramKey, name, value))
        return {};
    return value;
}

bool WriteSetting(ISettingsStore& settings, const QString& name, const QString& text) {
    return settings.writeString(kProgramKey, name, text);
}

bool WriteSettingInt(ISettingsStore& settings, const QString& name, int value) {
    return WriteSetting(settings, name, QString::number(value));
}

int InchesToMm(double inches) {
    return static_cast<int>(std::trunc(inches * 25.4));
}
