#pragma once

// Whether a hat or cap covers the crown: then the top of what is not wall is the hat's, not
// the head's, and most norms refuse the photo unless it is worn for religious reasons.

#include "picture/U_Framing.h"

#include <QImage>

// Looks above the forehead, across the face's width and along its axis, for a band whose
// colour is like neither the skin of the cheeks nor the wall beside the head, and whose lower
// edge (a cap's band or brim) is a hard line straight across the face. A band of a colour
// hair has (black, grey, white, browns) is taken for cloth only when it is far smoother than
// the cheeks' skin, as locks never are; a rough cap of the hair's colour passes for hair.
// The limits are the thresholds table's "cover_" rows.
bool HeadCovered(const QImage& picture, const HeadPoints& face);
