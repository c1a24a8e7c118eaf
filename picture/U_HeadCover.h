#pragma once

// Whether a hat or cap covers the crown: then the top of what is not wall is the hat's, not
// the head's, and most norms refuse the photo unless it is worn for religious reasons.

#include "picture/U_Framing.h"

#include <QImage>

// Looks above the forehead, across the face's width and along its axis, for a band whose
// colour is like neither hair, nor the skin of the cheeks, nor the wall beside the head, and
// whose lower edge (a cap's band or brim) is a hard line straight across the face. Colours
// that hair and hats share (black, grey, white, browns) are not told apart: only the hats
// that look like no hair are found. The limits are the thresholds table's "cover_" rows.
bool HeadCovered(const QImage& picture, const HeadPoints& face);
