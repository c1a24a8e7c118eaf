#pragma once

// Names that screen readers announce for controls without text.

#include <QString>

class QWidget;

// A control that shows only a picture gets the hint as its tool tip and as the name screen
// readers announce; the name follows the tool tip whenever a language pack replaces it.
void SetPictureHint(QWidget* control, const QString& hint);
