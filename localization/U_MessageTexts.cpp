#include "localization/U_MessageTexts.h"

#include "localization/C_TextStorage.h"
#include "localization/Lang_Languages.h"
#include "localization/Lang_Reading.h"

#include <QRegularExpression>

#include <clocale>

namespace {

// A raised message's English form and the wording shown for it.
struct MessageForm {
    const char* raised;
    const char* shown;
};

constexpr MessageForm kForms[] = {
    {"Cannot open \"%1\": %2", "Cannot open \"%1\": %2"},
    {"Cannot read \"%1\": %2", "Cannot read \"%1\": %2"},
    {"Could not write \"%1\": %2", "Could not write \"%1\": %2"},
    {"\"%1\" is empty.", "\"%1\" is empty."},
    {"\"%1\" is not a JPEG picture that can be read (%2).",
     "\"%1\" is not a JPEG picture that can be read."},
    {"\"%1\" is not a Windows bitmap that can be read (%2).",
     "\"%1\" is not a Windows bitmap that can be read."},
    {"\"%1\" is a %2 picture; Quillmark reads JPEG pictures.",
     "\"%1\" is a %2 picture; Quillmark reads JPEG pictures."},
    {"\"%1\" is more than %2 MB long; picture files of at most %2 MB can be loaded.",
     "\"%1\" is more than %2 MB long; picture files of at most %2 MB can be loaded."},
    {"\"%1\" is not a file that can be loaded.", "\"%1\" is not a file that can be loaded."},
    {"\"%1\" is a file the program keeps for itself. Please choose another name.",
     "\"%1\" is a file the program keeps for itself. Please choose another name."},
    {"\"%1\" is a link owned by another user; not written.",
     "\"%1\" is a link owned by another user; not written."},
    {"\"%1\" has too many parts to be a photograph.",
     "\"%1\" has too many parts to be a photograph."},
    {"\"%1\" would need more than %2 MB of memory to be opened.",
     "\"%1\" would need more than %2 MB of memory to be opened."},
    {"Cannot write to the file %1: %2", "Cannot write to the file %1: %2"},
    {"Cannot close the file %1: %2", "Cannot close the file %1: %2"},
    {"Could not create the folder %1.", "Could not create the folder %1."},
    {"The face landmark model %1 is missing: install the Debian package libdlib-data.",
     "The face landmark model %1 is missing: install the Debian package libdlib-data."},
    {"The face landmark model %1 is not a model file: install the Debian package libdlib-data.",
     "The face landmark model %1 is not a model file: install the Debian package libdlib-data."},
    {"The face landmark model %1 cannot be read (%2): install the Debian package libdlib-data.",
     "The face landmark model %1 cannot be read: install the Debian package libdlib-data."},
    {"The face landmark model %1 is damaged: install the Debian package libdlib-data.",
     "The face landmark model %1 is damaged: install the Debian package libdlib-data."},
    {"The face landmark model %1 has %2 points instead of 68: install the Debian package "
     "libdlib-data.",
     "The face landmark model %1 has %2 points instead of 68: install the Debian package "
     "libdlib-data."},
};

constexpr const char* kCaptions[] = {"Message", "Warning", "Error", "Question", "Information"};

// The raised form with each %n as a group that takes any text.
QRegularExpression formPattern(const QString& raised) {
    static const QRegularExpression place(QStringLiteral("%\\d"));
    QStringList pieces;
    for (const QString& piece : raised.split(place))
        pieces << QRegularExpression::escape(piece);
    const QString pattern = pieces.join(QStringLiteral("(.*)"));
    return QRegularExpression(QLatin1Char('^') + pattern + QLatin1Char('$'),
                              QRegularExpression::DotMatchesEverythingOption);
}

} // namespace

const QStringList& MessageTexts() {
    static const QStringList texts = [] {
        QStringList list;
        for (const MessageForm& form : kForms)
            list << QString::fromUtf8(form.shown);
        for (const char* caption : kCaptions)
            list << QString::fromLatin1(caption);
        return list;
    }();
    return texts;
}

QString TranslateMessage(const QString& message, const TTextStorage* storage) {
    for (const MessageForm& form : kForms) {
        const QRegularExpressionMatch match =
            formPattern(QString::fromUtf8(form.raised)).match(message);
        if (!match.hasMatch())
            continue;
        // Each %n once, in any order the translation puts them. %1 is always the file's
        // name, kept whole in a sentence of either direction.
        const QString wording = QString::fromUtf8(form.shown);
        QString shown = storage ? storage->Translate(wording) : wording;
        for (int n = match.lastCapturedIndex(); n >= 1; --n)
            shown.replace(QLatin1Char('%') + QString::number(n),
                          n == 1 ? Isolated(match.captured(n)) : match.captured(n));
        return shown;
    }
    return message;
}

QString TranslateCaption(const QString& caption, const TTextStorage* storage) {
    return storage ? storage->Translate(caption) : caption;
}

QString SetSystemMessageLanguage(int languageId) {
    QString locale = LocaleForLangId(uint16_t(languageId));
    locale = locale.left(locale.indexOf(QLatin1Char('@')));
    if (locale.isEmpty())
        return {};
    QStringList names{locale + QStringLiteral(".UTF-8"), locale + QStringLiteral(".utf8"), locale};
    // English is also the C library's own language.
    if (locale.startsWith(QLatin1String("en")))
        names << QStringLiteral("C.UTF-8");
    for (const QString& name : names)
        if (std::setlocale(LC_MESSAGES, name.toLatin1().constData()))
            return name;
    return {};
}
