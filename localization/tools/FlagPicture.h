#pragma once

// Flag-like pictures drawn for the shipped packs.

#include <QImage>
#include <QString>

// Draws a small flag-like picture from a one-line description, for the language chooser (pictures
// 28 pixels high fit its 32-pixel rows). Description: "h" (horizontal bands, top to bottom) or "v"
// (vertical bands, left to right) followed by one RRGGBB colour per band; a colour given twice
// makes a band twice as wide, e.g. "h AA151B F1BF00 F1BF00 AA151B". An empty description gives an
// empty picture.
bool FlagPicture(const QString& description, QImage& picture, QString& error);

inline constexpr int kFlagWidth = 42;
inline constexpr int kFlagHeight = 28;
