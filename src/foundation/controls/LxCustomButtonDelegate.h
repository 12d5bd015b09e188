// What a tab button (LxCustomButton) tells its owner; both operations are optional. The
// button sends only the first: its click.
#pragma once

class LxCustomButton;

class LxCustomButtonDelegate {
public:
    virtual ~LxCustomButtonDelegate() = default;
    virtual void actionMouseUpForCustomButtonBlock(LxCustomButton* button) { (void)button; }
    virtual void actionMouseDownForCustomButtonBlock(LxCustomButton* button) { (void)button; }
};
