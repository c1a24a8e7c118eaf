#pragma once

// Pictures drawn by code: icons, placeholders, the norm mask; fonts and style.

#include <QIcon>
#include <QImage>
#include <QPixmap>

// Pictures drawn by code so that the program needs no image files beside it.
enum class Glyph { Open, Rotate, Print, Options, Translate, Save, Usb };

// A 32 × 32 button picture.
QPixmap GlyphPixmap(Glyph glyph);
// The built-in placeholder figure shown before a picture is loaded: 119 × 157, a neutral
// figure of a person on white, fully opaque.
QImage PlaceholderPicture();
// The norm mask, 156 × 205, opaque: frame, centre and guide lines, the head oval, the eye
// band in skin colour and the shoulders, on white.
QImage NormMaskBitmap();
// The about box banner, 388 × 96: the maker's mark and name on white.
QImage AboutBanner();
QIcon ProgramIcon();

class QStyle;
// The desktop's style, with group boxes drawn the classic way: the caption sits on the frame
// line, so controls placed near the top of a box stay clear of it.
QStyle* CreateClassicStyle();

// Maps the windows' "MS Sans Serif" to a face this desktop has with similar metrics.
void InstallFontSubstitutes();
