// What an LxSwitchButton tells its owner: it was switched. Optional.
#pragma once

class LxSwitchButton;

class LxSwitchButtonDelegate {
public:
    virtual ~LxSwitchButtonDelegate() = default;
    virtual void actionMouseUpForSwitchButtonBlock(LxSwitchButton* button) { (void)button; }
};
