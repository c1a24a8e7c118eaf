#pragma once

// Head size and placement norms for every catalogue format, built into the program.

#include <QSizeF>
#include <QString>

#include <optional>
#include <vector>

// A range of millimetres on the printed photo.
struct MmRange {
    double Min = 0;
    double Max = 0;
    double Middle() const { return (Min + Max) / 2; }
    bool Contains(double mm) const { return mm >= Min && mm <= Max; }
};

// Where a row's numbers come from: the issuing authority, a page quoting it, or a general
// rule scaled to the format (the window calls the last a "usual range", not a norm).
enum class NormKind { Official, Secondary, Fallback };

// Head size and placement for one catalogue format.
struct PhotoNorm {
    int Index = 0; // the catalogue index ("PicFormatIdx")
    QString Country;
    QSizeF SizeMm;                  // the printed photo, inch formats in exact millimetres
    MmRange Head;                   // chin to crown
    std::optional<MmRange> EyeLine; // from the photo's bottom edge to the eye line
    std::optional<MmRange> Top;     // from the crown to the photo's top edge
    QString Source;
    NormKind Kind = NormKind::Fallback;
};

// One row per catalogue format, in catalogue order, read once from the table built into the
// program.
const std::vector<PhotoNorm>& PhotoNorms();
