// What the trim bar tells its owner. Every operation is optional: the defaults do nothing,
// so an owner overrides only what it needs. Fractions are 0..1 of the bar's length.
#pragma once

class LxCutProgressView;

class LxCutProgressViewDelegate {
public:
    virtual ~LxCutProgressViewDelegate() = default;

    // Every release: the play head's centre.
    virtual void actionMouseUpForCutProgressViewBlock(LxCutProgressView* view, float progress) {
        (void)view, (void)progress;
    }
    // Every press, after the press was handled: the play head's centre.
    virtual void actionMouseDownForCutProgressViewBlock(LxCutProgressView* view, float progress) {
        (void)view, (void)progress;
    }
    // Every drag step of a handle: the range, and which handle moved (1 left, 2 right).
    virtual void actionMouseMovedForCutProgressViewBlock(LxCutProgressView* view, float startvalue,
                                                         float stopvalue, int handleType) {
        (void)view, (void)startvalue, (void)stopvalue, (void)handleType;
    }
    // A press off the handles, and every drag step of the play head: where to seek.
    virtual void actionSeekToTimeForCutProgressViewBlock(LxCutProgressView* view, float progress) {
        (void)view, (void)progress;
    }
};
