#pragma once

// Composing photo cells and pages in pixels: fitting, preparing and building pages.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

// The part of a photo cell that the picture covers: the whole cell when stretched;
// otherwise the picture fitted inside keeping its aspect ratio, anchored top-left, the
// shortened side rounded to the nearest integer with halves to even.
QRect FitRect(const QSize& cell, const QSize& picture, bool stretch);

// Fills the cell with opaque white and draws the picture into FitRect with the linear
// resampler. The cell keeps its size and format.
void ComposeCell(QImage& cell, const QImage& picture, bool stretch);

// Makes page an opaque white RGB32 image of the given size, except inside the covered
// rectangles, which are left as they are because the photos will replace them. A page
// of the right size keeps its buffer; otherwise the old one is released before the new
// one is made, so that two pages never exist at once.
void PreparePage(QImage& page, const QSize& size, const std::vector<QRect>& covered);

// A page described by its photos: the printable area's size, the cell and where its copies
// go. Everything else on the page is white.
struct PageLayout {
    QSize size;
    QImage cell;
    std::vector<QPoint> positions;
    // Cut marks, black.
    std::vector<QRect> marks;
};

// The page image of the layout, pixel for pixel as the engine draws it (PreparePage, then
// unscaled copies of the cell).
void BuildPage(QImage& page, const PageLayout& layout);

// What ScaleNearest(page, shown) gives for the layout's page, without making the page: each
// shown pixel takes the page pixel under its centre.
QImage ScaleNearestLayout(const PageLayout& layout, const QSize& shown);
