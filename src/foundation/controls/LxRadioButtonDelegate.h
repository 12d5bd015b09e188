// What an LxRadioButton tells its owner: it was clicked. Optional.
#pragma once

class LxRadioButton;

class LxRadioButtonDelegate {
public:
    virtual ~LxRadioButtonDelegate() = default;
    virtual void actionMouseUpForLxRadioButtonBlock(LxRadioButton* button) { (void)button; }
};
