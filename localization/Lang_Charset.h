#pragma once

// Converting a pack's texts between its code page and Unicode.

#include <QByteArray>
#include <QString>

#include <cstdint>

// Texts in a language pack are bytes in the Windows code page that the pack's character-set
// number names. The conversions go through the system's converter (iconv).

// The converter's name of the code page for a Windows character-set number; CP1252 for
// numbers without a code page of their own.
const char* CodePageName(int charset);

// The character set whose code page a pack's texts are in. 1 ("default") and 255 ("the
// system's code page") mean on Windows the system's ANSI code page, which for a user of the
// pack's language is that language's own; here it comes from the language identifier. Other
// numbers stand for themselves.
int TextCharset(int charset, uint16_t languageId);

// Bytes the code page cannot map become U+FFFD; decoding never fails.
QString DecodeText(const QByteArray& bytes, int charset);

// Raises AppError naming the text and the first character the code page cannot hold,
// rather than writing a stand-in.
QByteArray EncodeText(const QString& text, int charset);
