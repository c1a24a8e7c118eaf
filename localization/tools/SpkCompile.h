#pragma once

// Turning gettext catalogues into language packs and base files into templates.

#include "localization/Lang_File.h"
#include "localization/tools/PoFile.h"

#include <QString>
#include <QStringList>

// The parts of a message context: "Key|Caption", "Key|Hint" or "Key|Items|N".
struct MessagePlace {
    enum Property { Caption, Hint, Items };
    QString key;
    Property property = Caption;
    int line = 0;
};
bool ParseContext(const QString& context, MessagePlace& place);
QString ContextText(const QString& key, MessagePlace::Property property, int line = 0);

// Header fields of a translation that fill the pack's header.
namespace PoHeader {
inline constexpr const char* LanguageId = "X-Language-Id";
inline constexpr const char* ListTitle = "X-List-Title";
inline constexpr const char* LanguageName = "X-Language-Name";
inline constexpr const char* ListDetail = "X-List-Detail";
inline constexpr const char* Notes = "X-Notes";
inline constexpr const char* FontName = "X-Font-Name";
inline constexpr const char* Charset = "X-Charset";
inline constexpr const char* MinFontSize = "X-Min-Font-Size";
inline constexpr const char* Flag = "X-Flag";
} // namespace PoHeader

// Turns a translation into a pack: translated messages set their record's translated bit,
// untranslated ones keep the English text without it. Returns the problems found (each
// "line N: ..." or naming the key); the pack is usable only when the list is empty.
QStringList PackFromPo(const PoCatalogue& po, uint32_t programVersion, LangPack& pack);

// The template for a new language: every caption, hint and list line of a base file, with
// empty translations and the header fields a translator fills in.
PoCatalogue TemplateFromPack(const LangPack& base, const QString& programVersion);

// Compares a translation with the template: unknown keys, lists whose line count differs,
// English texts that changed, bad contexts. Empty when the translation fits.
QStringList CheckPo(const PoCatalogue& po, const PoCatalogue& pot);
