#include "app/U_TrackBar.h"

TTrackBar::TTrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0, 10);
    setValue(0);
    setTickPosition(QSlider::TicksBelow);
    setTickInterval(1);
    setSingleStep(1);
    setPageStep(2);
}

void TTrackBar::SetMax(int value) {
    if (value < minimum())
        return;
    setMaximum(value); // QSlider clamps the position itself
}

void TTrackBar::SetMin(int value) {
    if (value > maximum())
        return;
    setMinimum(value);
}

void TTrackBar::SetPosition(int value) {
    setValue(value);
}
