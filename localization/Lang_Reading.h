#pragma once

// How the language shown is read: its decimal separator.

#include <QString>

#include <cstdint>

// The language whose separator LocalNumber uses, by Windows language identifier; until one
// is set, and for identifiers without a locale, the point.
void SetNumberLanguage(uint16_t languageId);
// value with that many decimals, the separator of the language shown, Western digits and
// no grouping: for people, never for the log or scripts.
QString LocalNumber(double value, int decimals);
