#pragma once

// The catalogue of official photo formats and reading their sizes.

#include "platform/Printers.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <Qt>

#include <array>

// One catalogue entry: the untranslated size prefix and the English country text.
struct FormatEntry {
    const char* prefix;
    const char* country;
};

inline constexpr int kFormatCount = 66;
inline constexpr int kDefaultFormatIndex = 19;
inline constexpr int kDisplayWidth = 151;
// The format list keeps each entry's label, as built, under this role: what the row shows
// may carry direction marks, and what is read must not depend on how a row is drawn.
inline constexpr int kFormatLabelRole = Qt::UserRole;

// The catalogue in list order; the index is what "PicFormatIdx" stores.
const std::array<FormatEntry, kFormatCount>& FormatCatalogue();

// The main window's translatable texts, in their fixed order.
const QStringList& MainTexts();

struct PhotoFormat {
    float LabelWidth = 35;
    float LabelHeight = 45;
    bool IsMillimetres = true;
};

// Reads the size out of a label such as "35 x 45 mm (France)". Returns false when the label
// cannot be read (the format then keeps the start values where the reading stopped) and when
// a side is not a photo size (see PhysicalSize): such a label is refused like a zero size.
// Throws AppError when a number is not a decimal number with a comma as separator.
bool ParseFormatLabel(const QString& label, PhotoFormat& format);

// Photo sides a label may give, in millimetres: from 1 mm (smaller rounds to nothing) to a
// metre, far beyond any paper; negative, endless and overflowing numbers are outside.
inline constexpr double kMinPhotoMillimetres = 1.0;
inline constexpr double kMaxPhotoMillimetres = 1000.0;
bool PhysicalSize(float value, bool isMillimetres);

// Whole millimetres for the layout engine: rounded for mm, truncated after ×25.4 for inches.
int EngineMillimetres(float value, bool isMillimetres);

// The picture display's height for the format: 151 × height / width, halves to even.
int DisplayHeight(const PhotoFormat& format);

// The norm mask exists for 35 × 45 only.
bool MaskAvailable(const PhotoFormat& format);

// The stored "PicFormatIdx" text as a number: leading blanks allowed, anything else that is
// not a whole number (trailing junk, overflow) gives 0.
int ParseIndexSetting(const QString& text);

// The catalogue entry of the country of territory: the first whose country text is the
// territory's English name, alone or followed by " - " and a document; else the default.
int DefaultFormatFor(QLocale::Territory territory);

// The first entry at or after from (wrapping round) whose country, the text after the
// label's first "(", begins with typed, without regard to case or accents; -1 for none.
int FindFormatByCountry(const QStringList& labels, const QString& typed, int from);

// The words of the printer settings that the program adds to the print dialog, in the order
// of PrintOptionTexts (its paper names from Letter on).
const QStringList& PrintOptionWords();
PrintOptionTexts PrintOptionTextsFrom(const QStringList& words);
