#pragma once

// The languages a pack can be for: identifiers, names, locales.

#include <QString>

#include <cstdint>
#include <span>

struct LanguageName {
    uint16_t id; // Windows language identifier (LANGID)
    const char* name;
};

// The languages a pack may be made for, in listing order: the neutral entry (never listed)
// followed by the 145 listed ones.
std::span<const LanguageName> LanguageTable();
// The 145 identifiers that are listed, in order.
std::span<const LanguageName> ListedLanguages();

// The Windows identifier for a POSIX locale name such as "fr_CA.UTF-8" or "sr_RS@latin":
// the full name with its modifier, then language and territory, then the language alone;
// C, POSIX and names of languages without a pack identifier give 0409 (English, US).
uint16_t LangIdForLocale(const QString& locale);
// The locale's name for a listed identifier; empty for the neutral entries.
QString LocaleForLangId(uint16_t id);

// The user's language from LC_ALL, then LC_MESSAGES, then LANG (the first one set).
uint16_t UserLanguageFromEnvironment();
