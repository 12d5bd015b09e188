// What a time-code field tells its owner: it was clicked. Optional.
#pragma once

class LxTextField;

class LxTextFieldDelegate {
public:
    virtual ~LxTextFieldDelegate() = default;
    virtual void actionMouseDownForTextFieldBlock(LxTextField* field) { (void)field; }
};
