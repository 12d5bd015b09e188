// A two-position switch picture: a background with a knob over its left or right half.
// setselected() moves the knob; setSelected() only stores the flag.
#pragma once

#include "foundation/controls/NSImageView.h"

#include <QAbstractButton>

class MergeButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit MergeButton(QWidget* parent = nullptr);
    MergeButton(const NSRect& frame, QWidget* parent);
    ~MergeButton() override;

    NSImageView* knobView() const { return m_knob; }
    bool selected() const { return m_selected; }
    void setSelected(bool s) { m_selected = s; }
    // Stores the flag and puts the knob on the right half (true) or the left half.
    void setselected(bool s);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void build();
    void placeKnob();

    NamedImage m_background;
    NSImageView* m_knob = nullptr;
    bool m_selected = false;
    bool m_knobRight = false;
};
