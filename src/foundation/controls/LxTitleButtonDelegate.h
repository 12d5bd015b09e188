// What the title part of a tab button tells its owner; both operations are optional.
#pragma once

class LxTitleButton;

class LxTitleButtonDelegate {
public:
    virtual ~LxTitleButtonDelegate() = default;
    virtual void actionMouseUpForTitleButtonBlock(LxTitleButton* button) { (void)button; }
    virtual void actionMouseDownForTitleButtonBlock(LxTitleButton* button) { (void)button; }
};
