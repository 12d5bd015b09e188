// The small up-and-down stepper beside a row of time-code fields. Both arrows are drawn, so
// the control can be seen and aimed at; a press on the upper half steps up, on the lower half
// steps down, and the value wraps at both ends like the platform's stepper (0 to 59 by
// default). The stepper takes no keyboard focus: typing stays in the fields.
//
// Main thread only.
#pragma once

#include <QWidget>

class TimeStepper : public QWidget {
    Q_OBJECT
public:
    explicit TimeStepper(QWidget* parent = nullptr);

    int value() const { return value_; }
    int maximum() const { return maximum_; }
    // Sets the value without reporting it (the value a clicked field holds).
    void setValue(int value);
    void setMaximum(int maximum);
    void stepUp() { step(1); }
    void stepDown() { step(-1); }

signals:
    // A press changed the value.
    void stepped(int value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void step(int direction);

    int value_ = 0;
    int maximum_ = 59;
    // The half being pressed: 1 upper, -1 lower, 0 none.
    int pressed_ = 0;
};
