#pragma once

// The copies slider.

#include <QSlider>

// The copies slider with the range rules the program relies on: a maximum below the
// minimum (or a minimum above the maximum) is ignored, the position is clamped after every
// range change, and valueChanged fires only when the position really moves.
class TTrackBar : public QSlider {
    Q_OBJECT

public:
    explicit TTrackBar(QWidget* parent = nullptr);

    void SetMax(int value);
    void SetMin(int value);
    void SetPosition(int value);
    int Max() const { return maximum(); }
    int Min() const { return minimum(); }
    int Position() const { return value(); }
};
