// What the image slider tells its owner. Every operation is optional: the defaults do
// nothing. A delegate that leaves out the mouse-down operation makes the slider ignore
// clicks (it still follows drags), so a display-only slider simply does not implement it.
#pragma once

class LxProgressSlider;

class LxProgressSliderDelegate {
public:
    virtual ~LxProgressSliderDelegate() = default;

    // On release: the chosen fraction.
    virtual void actionMouseUpForProgressSliderBlock(LxProgressSlider* slider, float progress) {
        (void)slider, (void)progress;
    }
    // On a press, before the thumb moves: the fraction as it was.
    virtual void actionMouseDownForProgressSliderBlock(LxProgressSlider* slider, float progress) {
        (void)slider, (void)progress;
        m_mouseDownDeclined = true;
    }
    // Every move of the thumb by the mouse: the new fraction.
    virtual void actionProgressForProgressSliderBlock(LxProgressSlider* slider, float progress) {
        (void)slider, (void)progress;
    }

private:
    // Set by the default mouse-down operation: this delegate does not take clicks.
    friend class LxProgressSlider;
    bool m_mouseDownDeclined = false;
};
