#pragma once

// The words of messages that operations raise, translated where they are shown.

#include <QString>
#include <QStringList>

class TTextStorage;

// The program's words in the messages that operations raise in English, as the text
// storage "messages_ts" holds them, followed by the message box captions by kind.
const QStringList& MessageTexts();

// The message in the current language: when it has one of the known forms its words are
// translated through storage and its parts (file names, the system's reason, which comes
// from the C library in the user's language) put back; a detail in brackets that only the
// log needs is left out. Other messages stay as they are.
QString TranslateMessage(const QString& message, const TTextStorage* storage);

// The message box caption of a kind (0 … 4), translated through storage.
QString TranslateCaption(const QString& caption, const TTextStorage* storage);

// Makes the C library give its reasons (strerror) in the language of a Windows language
// identifier, when that locale is installed. Returns the locale set, or an empty text.
QString SetSystemMessageLanguage(int languageId);
