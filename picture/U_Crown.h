#pragma once

// The crown of a head, estimated from the wall around it.

#include "picture/U_Framing.h"

#include <QImage>
#include <QPointF>

// The crown is no landmark: it is found as the top of what is not wall above the forehead.
struct CrownEstimate {
    QPointF Crown;
    double Confidence = 0; // 0 (a guess from the face's proportions) .. 1
    bool Uncertain = true; // the user should check the crown; it is then the proportional one
    bool Covered = false;  // a hat or cap covers the crown (then Uncertain as well)
};

// Estimates the crown from the picture's pixels and the face's eyes and chin (the crown in
// face is not read). Pictures of any format; 32-bit RGB ones are read fastest. Samples the
// picture sparsely, so it takes about the same time whatever the picture's size.
// A head covering (see HeadCovered) leaves the crown uncertain.
CrownEstimate EstimateCrown(const QImage& picture, const HeadPoints& face);
// The same, with no look for a head covering.
CrownEstimate EstimateCrownFromWall(const QImage& picture, const HeadPoints& face);

// The crown from the eyes and chin alone, along the face's axis.
QPointF ProportionalCrown(const HeadPoints& face);
