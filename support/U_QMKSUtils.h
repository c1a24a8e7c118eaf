#pragma once

// The program's values in the settings store, and inch-to-millimetre conversion.

#include <QString>

class ISettingsStore;

// The program's own values under "SOFTWARE\Brindlewood\Quillmark".
inline const QString kProgramKey = QStringLiteral("SOFTWARE\\Brindlewood\\Quillmark");

// The value's text; empty when absent or unreadable (the key is created on the way).
QString ReadSetting(ISettingsStore& settings, const QString& name);
bool WriteSetting(ISettingsStore& settings, const QString& name, const QString& text);
bool WriteSettingInt(ISettingsStore& settings, const QString& name, int value);

// Inches to whole millimetres, truncated toward zero (2 in gives 50, 1,5 in gives 38).
int InchesToMm(double inches);
