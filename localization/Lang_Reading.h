#pragma once

// How the language shown is read: its decimal separator, its direction, and file names kept
// whole inside its sentences.

#include <QString>

#include <cstdint>

class QWidget;

// The language whose separator LocalNumber uses, by Windows language identifier; until one
// is set, and for identifiers without a locale, the point.
void SetNumberLanguage(uint16_t languageId);
// value with that many decimals, the separator of the language shown, Western digits and
// no grouping: for people, never for the log or scripts.
QString LocalNumber(double value, int decimals);

// Hebrew (177) and Arabic (178) packs are read right to left.
bool RightToLeftCharset(int charset);

// A file name or path as one unit inside a sentence of either direction: between a
// first-strong isolate and its pop.
QString Isolated(const QString& name);

// A left-to-right text (a format's label, an untranslated caption) as one unit in its own
// order, set in a right-to-left line: a right-to-left mark, then the text between a
// left-to-right isolate and its pop.
QString IsolatedLeftToRight(const QString& text);

// A caption still in a left-to-right script keeps its own order in a right-to-left window
// ("Load Picture..." not "...Load Picture"), aligned as the window reads: the window's
// button, label, group and menu captions that begin so get a right-to-left mark and are set
// between a left-to-right isolate and its pop; without rightToLeft the marks are taken out.
void IsolateLeftToRightCaptions(QWidget* window, bool rightToLeft);

// Places the children that the window positions itself (not those a layout places) as in a
// mirror when rightToLeft, and where they were designed when not; children of children
// likewise. Windows that move their children later call it again afterwards.
void MirrorChildren(QWidget* window, bool rightToLeft);
