#include "localization/Lang_Languages.h"

#include <QByteArray>

#include <array>
#include <cstdlib>

namespace {

const LanguageName kTable[] = {
    {0x0000, "Language Neutral"},
    {0x0400, "Process Default Language"},
    {0x0436, "Afrikaans"},
    {0x041C, "Albanian"},
    {0x0401, "Arabic (Saudi Arabia)"},
    {0x0801, "Arabic (Iraq)"},
    {0x0C01, "Arabic (Egypt)"},
    {0x1001, "Arabic (Libya)"},
    {0x1401, "Arabic (Algeria)"},
    {0x1801, "Arabic (Morocco)"},
    {0x1C01, "Arabic (Tunisia)"},
    {0x2001, "Arabic (Oman)"},
    {0x2401, "Arabic (Yemen)"},
    {0x2801, "Arabic (Syria)"},
    {0x2C01, "Arabic (Jordan)"},
    {0x3001, "Arabic (Lebanon)"},
    {0x3401, "Arabic (Kuwait)"},
    {0x3801, "Arabic (U.A.E.)"},
    {0x3C01, "Arabic (Bahrain)"},
    {0x4001, "Arabic (Qatar)"},
    {0x042B, "Armenian"},
    {0x044D, "Assamese"},
    {0x042C, "Azeri (Latin)"},
    {0x082C, "Azeri (Cyrillic)"},
    {0x042D, "Basque"},
    {0x0423, "Belarussian"},
    {0x0445, "Bengali"},
    {0x0402, "Bulgarian"},
    {0x0455, "Burmese"},
    {0x0403, "Catalan"},
    {0x0404, "Chinese (Taiwan Region)"},
    {0x0804, "Chinese (PRC)"},
    {0x0C04, "Chinese (Hong Kong SAR, PRC)"},
    {0x1004, "Chinese (Singapore)"},
    {0x1404, "Chinese (Macau)"},
    {0x041A, "Croatian"},
    {0x0405, "Czech"},
    {0x0406, "Danish"},
    {0x0413, "Dutch (Netherlands)"},
    {0x0813, "Dutch (Belgium)"},
    {0x0409, "English (United States)"},
    {0x0809, "English (United Kingdom)"},
    {0x0C09, "English (Australian)"},
    {0x1009, "English (Canadian)"},
    {0x1409, "English (New Zealand)"},
    {0x1809, "English (Ireland)"},
    {0x1C09, "English (South Africa)"},
    {0x2009, "English (Jamaica)"},
    {0x2409, "English (Caribbean)"},
    {0x2809, "English (Belize)"},
    {0x2C09, "English (Trinidad)"},
    {0x3009, "English (Zimbabwe)"},
    {0x3409, "English (Philippines)"},
    {0x0425, "Estonian"},
    {0x0438, "Faeroese"},
    {0x0429, "Farsi"},
    {0x040B, "Finnish"},
    {0x040C, "French (Standard)"},
    {0x080C, "French (Belgian)"},
    {0x0C0C, "French (Canadian)"},
    {0x100C, "French (Switzerland)"},
    {0x140C, "French (Luxembourg)"},
    {0x180C, "French (Monaco)"},
    {0x0456, "Galician"},
    {0x0437, "Georgian"},
    {0x0407, "German (Standard)"},
    {0x0807, "German (Switzerland)"},
    {0x0C07, "German (Austria)"},
    {0x1007, "German (Luxembourg)"},
    {0x1407, "German (Liechtenstein)"},
    {0x0408, "Greek"},
    {0x0447, "Gujarati"},
    {0x040D, "Hebrew"},
    {0x0439, "Hindi"},
    {0x040E, "Hungarian"},
    {0x040F, "Icelandic"},
    {0x0421, "Indonesian"},
    {0x0410, "Italian (Standard)"},
    {0x0810, "Italian (Switzerland)"},
    {0x0411, "Japanese"},
    {0x044B, "Kannada"},
    {0x0860, "Kashmiri (India)"},
    {0x043F, "Kazakh"},
    {0x0457, "Konkani"},
    {0x0412, "Korean"},
    {0x0812, "Korean (Johab)"},
    {0x0426, "Latvian"},
    {0x0427, "Lithuanian"},
    {0x0827, "Lithuanian (Classic)"},
    {0x042F, "Macedonian"},
    {0x043E, "Malay (Malaysian)"},
    {0x083E, "Malay (Brunei Darussalam)"},
    {0x044C, "Malayalam"},
    {0x0458, "Manipuri"},
    {0x044E, "Marathi"},
    {0x0861, "Nepali (India)"},
    {0x0414, "Norwegian (Bokmal)"},
    {0x0814, "Norwegian (Nynorsk)"},
    {0x0448, "Oriya"},
    {0x0415, "Polish"},
    {0x0416, "Portuguese (Brazil)"},
    {0x0816, "Portuguese (Standard)"},
    {0x0446, "Punjabi"},
    {0x0418, "Romanian"},
    {0x0419, "Russian"},
    {0x044F, "Sanskrit"},
    {0x0C1A, "Serbian (Cyrillic)"},
    {0x081A, "Serbian (Latin)"},
    {0x0459, "Sindhi"},
    {0x041B, "Slovak"},
    {0x0424, "Slovenian"},
    {0x040A, "Spanish (Traditional Sort)"},
    {0x080A, "Spanish (Mexican)"},
    {0x0C0A, "Spanish (Modern Sort)"},
    {0x100A, "Spanish (Guatemala)"},
    {0x140A, "Spanish (Costa Rica)"},
    {0x180A, "Spanish (Panama)"},
    {0x1C0A, "Spanish (Dominican Republic)"},
    {0x200A, "Spanish (Venezuela)"},
    {0x240A, "Spanish (Colombia)"},
    {0x280A, "Spanish (Peru)"},
    {0x2C0A, "Spanish (Argentina)"},
    {0x300A, "Spanish (Ecuador)"},
    {0x340A, "Spanish (Chile)"},
    {0x380A, "Spanish (Uruguay)"},
    {0x3C0A, "Spanish (Paraguay)"},
    {0x400A, "Spanish (Bolivia)"},
    {0x440A, "Spanish (El Salvador)"},
    {0x480A, "Spanish (Honduras)"},
    {0x4C0A, "Spanish (Nicaragua)"},
    {0x500A, "Spanish (Puerto Rico)"},
    {0x0430, "Sutu"},
    {0x0441, "Swahili (Kenya)"},
    {0x041D, "Swedish"},
    {0x081D, "Swedish (Finland)"},
    {0x0449, "Tamil"},
    {0x0444, "Tatar (Tatarstan)"},
    {0x044A, "Telugu"},
    {0x041E, "Thai"},
    {0x041F, "Turkish"},
    {0x0422, "Ukrainian"},
    {0x0420, "Urdu (Pakistan)"},
    {0x0820, "Urdu (India)"},
    {0x0443, "Uzbek (Latin)"},
    {0x0843, "Uzbek (Cyrillic)"},
    {0x042A, "Vietnamese"},
};

struct LocaleId {
    const char* locale;
    uint16_t id;
};

// One locale per listed language; script and sort variants carry a modifier.
const LocaleId kLocales[] = {
    {"af_ZA", 0x0436},          {"sq_AL", 0x041C},
    {"ar_SA", 0x0401},          {"ar_IQ", 0x0801},
    {"ar_EG", 0x0C01},          {"ar_LY", 0x1001},
    {"ar_DZ", 0x1401},          {"ar_MA", 0x1801},
    {"ar_TN", 0x1C01},          {"ar_OM", 0x2001},
    {"ar_YE", 0x2401},          {"ar_SY", 0x2801},
    {"ar_JO", 0x2C01},          {"ar_LB", 0x3001},
    {"ar_KW", 0x3401},          {"ar_AE", 0x3801},
    {"ar_BH", 0x3C01},          {"ar_QA", 0x4001},
    {"hy_AM", 0x042B},          {"as_IN", 0x044D},
    {"az_AZ", 0x042C},          {"az_AZ@cyrillic", 0x082C},
    {"eu_ES", 0x042D},          {"be_BY", 0x0423},
    {"bn_IN", 0x0445},          {"bg_BG", 0x0402},
    {"my_MM", 0x0455},          {"ca_ES", 0x0403},
    {"zh_TW", 0x0404},          {"zh_CN", 0x0804},
    {"zh_HK", 0x0C04},          {"zh_SG", 0x1004},
    {"zh_MO", 0x1404},          {"hr_HR", 0x041A},
    {"cs_CZ", 0x0405},          {"da_DK", 0x0406},
    {"nl_NL", 0x0413},          {"nl_BE", 0x0813},
    {"en_US", 0x0409},          {"en_GB", 0x0809},
    {"en_AU", 0x0C09},          {"en_CA", 0x1009},
    {"en_NZ", 0x1409},          {"en_IE", 0x1809},
    {"en_ZA", 0x1C09},          {"en_JM", 0x2009},
    {"en_AG", 0x2409},          {"en_BZ", 0x2809},
    {"en_TT", 0x2C09},          {"en_ZW", 0x3009},
    {"en_PH", 0x3409},          {"et_EE", 0x0425},
    {"fo_FO", 0x0438},          {"fa_IR", 0x0429},
    {"fi_FI", 0x040B},          {"fr_FR", 0x040C},
    {"fr_BE", 0x080C},          {"fr_CA", 0x0C0C},
    {"fr_CH", 0x100C},          {"fr_LU", 0x140C},
    {"fr_MC", 0x180C},          {"gl_ES", 0x0456},
    {"ka_GE", 0x0437},          {"de_DE", 0x0407},
    {"de_CH", 0x0807},          {"de_AT", 0x0C07},
    {"de_LU", 0x1007},          {"de_LI", 0x1407},
    {"el_GR", 0x0408},          {"gu_IN", 0x0447},
    {"he_IL", 0x040D},          {"hi_IN", 0x0439},
    {"hu_HU", 0x040E},          {"is_IS", 0x040F},
    {"id_ID", 0x0421},          {"it_IT", 0x0410},
    {"it_CH", 0x0810},          {"ja_JP", 0x0411},
    {"kn_IN", 0x044B},          {"ks_IN", 0x0860},
    {"kk_KZ", 0x043F},          {"kok_IN", 0x0457},
    {"ko_KR", 0x0412},          {"ko_KR@johab", 0x0812},
    {"lv_LV", 0x0426},          {"lt_LT", 0x0427},
    {"lt_LT@classic", 0x0827},  {"mk_MK", 0x042F},
    {"ms_MY", 0x043E},          {"ms_BN", 0x083E},
    {"ml_IN", 0x044C},          {"mni_IN", 0x0458},
    {"mr_IN", 0x044E},          {"ne_IN", 0x0861},
    {"nb_NO", 0x0414},          {"nn_NO", 0x0814},
    {"or_IN", 0x0448},          {"pl_PL", 0x0415},
    {"pt_BR", 0x0416},          {"pt_PT", 0x0816},
    {"pa_IN", 0x0446},          {"ro_RO", 0x0418},
    {"ru_RU", 0x0419},          {"sa_IN", 0x044F},
    {"sr_RS", 0x0C1A},          {"sr_RS@latin", 0x081A},
    {"sd_IN", 0x0459},          {"sk_SK", 0x041B},
    {"sl_SI", 0x0424},          {"es_ES@traditional", 0x040A},
    {"es_MX", 0x080A},          {"es_ES", 0x0C0A},
    {"es_GT", 0x100A},          {"es_CR", 0x140A},
    {"es_PA", 0x180A},          {"es_DO", 0x1C0A},
    {"es_VE", 0x200A},          {"es_CO", 0x240A},
    {"es_PE", 0x280A},          {"es_AR", 0x2C0A},
    {"es_EC", 0x300A},          {"es_CL", 0x340A},
    {"es_UY", 0x380A},          {"es_PY", 0x3C0A},
    {"es_BO", 0x400A},          {"es_SV", 0x440A},
    {"es_HN", 0x480A},          {"es_NI", 0x4C0A},
    {"es_PR", 0x500A},          {"st_ZA", 0x0430},
    {"sw_KE", 0x0441},          {"sv_SE", 0x041D},
    {"sv_FI", 0x081D},          {"ta_IN", 0x0449},
    {"tt_RU", 0x0444},          {"te_IN", 0x044A},
    {"th_TH", 0x041E},          {"tr_TR", 0x041F},
    {"uk_UA", 0x0422},          {"ur_PK", 0x0420},
    {"ur_IN", 0x0820},          {"uz_UZ", 0x0443},
    {"uz_UZ@cyrillic", 0x0843}, {"vi_VN", 0x042A},
};

// A language named without territory: its most common form, and older language codes.
const LocaleId kLanguageDefaults[] = {
    {"es", 0x0C0A}, {"no", 0x0414}, {"iw", 0x040D}, {"in", 0x0421}, {"sr", 0x0C1A},
};

constexpr uint16_t kEnglishUs = 0x0409;

uint16_t find(const QString& name) {
    for (const LocaleId& l : kLocales)
        if (name.compare(QLatin1String(l.locale), Qt::CaseInsensitive) == 0)
            return l.id;
    return 0;
}

} // namespace

std::span<const LanguageName> LanguageTable() {
    return kTable;
}

std::span<const LanguageName> ListedLanguages() {
    return LanguageTable().subspan(1);
}

uint16_t LangIdForLocale(const QString& locale) {
    // language[_territory][.codeset][@modifier]
    QString name = locale.trimmed();
    QString modifier;
    const qsizetype at = name.indexOf(QLatin1Char('@'));
    if (at >= 0) {
        modifier = name.mid(at);
        name.truncate(at);
    }
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    name.replace(QLatin1Char('-'), QLatin1Char('_'));
    if (name.isEmpty() || name == QLatin1String("C") || name == QLatin1String("POSIX"))
        return kEnglishUs;
    if (!modifier.isEmpty())
        if (const uint16_t id = find(name + modifier))
            return id;
    if (const uint16_t id = find(name))
        return id;
    const QString language = name.section(QLatin1Char('_'), 0, 0);
    for (const LocaleId& l : kLanguageDefaults)
        if (language.compare(QLatin1String(l.locale), Qt::CaseInsensitive) == 0)
            return l.id;
    for (const LocaleId& l : kLocales) {
        const QString known = QLatin1String(l.locale);
        if (!known.contains(QLatin1Char('@')) &&
            known.section(QLatin1Char('_'), 0, 0).compare(language, Qt::CaseInsensitive) == 0)
            return l.id;
    }
    return kEnglishUs;
}

QString LocaleForLangId(uint16_t id) {
    for (const LocaleId& l : kLocales)
        if (l.id == id)
            return QLatin1String(l.locale);
    return QString();
}

uint16_t UserLanguageFromEnvironment() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QByteArray value = qgetenv(variable);
        if (!value.isEmpty())
            return LangIdForLocale(QString::fromLocal8Bit(value));
    }
    return kEnglishUs;
}
