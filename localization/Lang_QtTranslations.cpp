#include "Lang_QtTranslations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTranslator>

namespace {

// Windows identifiers whose sub-language picks a different Qt translation.
struct FullId {
    int id;
    const char* name;
};
constexpr FullId kFullIds[] = {
    {0x0416, "pt_BR"}, {0x0816, "pt_PT"}, {0x0804, "zh_CN"}, {0x1004, "zh_CN"}, {0x0404, "zh_TW"},
    {0x0C04, "zh_TW"}, {0x1404, "zh_TW"}, {0x0814, "nn"},    {0x0C1A, "sr"},    {0x081A, "sr"},
};

// Primary languages (low 10 bits of the identifier) and their ISO 639 codes.
struct Primary {
    int primary;
    const char* name;
};
constexpr Primary kPrimaries[] = {
    {0x01, "ar"}, {0x02, "bg"},  {0x03, "ca"},  {0x04, "zh_CN"}, {0x05, "cs"}, {0x06, "da"},
    {0x07, "de"}, {0x08, "el"},  {0x09, ""},    {0x0A, "es"},    {0x0B, "fi"}, {0x0C, "fr"},
    {0x0D, "he"}, {0x0E, "hu"},  {0x0F, "is"},  {0x10, "it"},    {0x11, "ja"}, {0x12, "ko"},
    {0x13, "nl"}, {0x14, "nb"},  {0x15, "pl"},  {0x16, "pt"},    {0x18, "ro"}, {0x19, "ru"},
    {0x1A, "hr"}, {0x1B, "sk"},  {0x1C, "sq"},  {0x1D, "sv"},    {0x1E, "th"}, {0x1F, "tr"},
    {0x20, "ur"}, {0x21, "id"},  {0x22, "uk"},  {0x23, "be"},    {0x24, "sl"}, {0x25, "et"},
    {0x26, "lv"}, {0x27, "lt"},  {0x29, "fa"},  {0x2A, "vi"},    {0x2B, "hy"}, {0x2C, "az"},
    {0x2D, "eu"}, {0x2F, "mk"},  {0x30, "st"},  {0x36, "af"},    {0x37, "ka"}, {0x38, "fo"},
    {0x39, "hi"}, {0x3E, "ms"},  {0x3F, "kk"},  {0x41, "sw"},    {0x43, "uz"}, {0x44, "tt"},
    {0x45, "bn"}, {0x46, "pa"},  {0x47, "gu"},  {0x48, "or"},    {0x49, "ta"}, {0x4A, "te"},
    {0x4B, "kn"}, {0x4C, "ml"},  {0x4D, "as"},  {0x4E, "mr"},    {0x4F, "sa"}, {0x55, "my"},
    {0x56, "gl"}, {0x57, "kok"}, {0x58, "mni"}, {0x59, "sd"},    {0x60, "ks"}, {0x61, "ne"},
};

} // namespace

QString QtLocaleName(int languageId) {
    const int id = languageId & 0xFFFF;
    for (const FullId& entry : kFullIds)
        if (entry.id == id)
            return QLatin1String(entry.name);
    for (const Primary& entry : kPrimaries)
        if (entry.primary == (id & 0x3FF))
            return QLatin1String(entry.name);
    return {};
}

TQtTranslations::TQtTranslations(QString folder) : m_folder(std::move(folder)) {}

TQtTranslations::~TQtTranslations() {
    if (m_translator)
        QCoreApplication::removeTranslator(m_translator.get());
}

QString TQtTranslations::Apply(int languageId) {
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator.get());
        m_translator.reset();
    }
    const QString name = QtLocaleName(languageId);
    if (name.isEmpty())
        return {};
    // Only the exact file: Qt's own fall-back would end at a bare "qtbase" name.
    const QString file = m_folder + QStringLiteral("/qtbase_") + name + QStringLiteral(".qm");
    auto translator = std::make_unique<QTranslator>();
    if (!QFileInfo::exists(file) || !translator->load(file))
        return {};
    QCoreApplication::installTranslator(translator.get());
    m_translator = std::move(translator);
    return file;
}
