// What an LxButton tells its owner: it was clicked. Optional.
#pragma once

class LxButton;

class LxButtonDelegate {
public:
    virtual ~LxButtonDelegate() = default;
    virtual void actionMouseUpForLxButtonBlock(LxButton* button) { (void)button; }
};
