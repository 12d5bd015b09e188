#pragma once
// The control strip under a tool's clip preview: play, stop, set start and set stop from the
// play head, snapshot and its picture format, mute and the clip's volume.
#include <QString>
#include <functional>

class LxProgressSlider;
class LxProgressSliderDelegate;
class QComboBox;
class QWidget;
class ToolWindow;
class ZylButton;

namespace clipstrip {

// The window's own pointers, filled by build().
struct Controls {
    ZylButton*& play;
    ZylButton*& stop;
    ZylButton*& setStart;
    ZylButton*& setStop;
    ZylButton*& snapshot;
    ZylButton*& snapshotStyle;
    QComboBox*& stylePop;
    ZylButton*& volume;
    LxProgressSlider*& volumeSlider;
};

// What the buttons do. All but mute run after the click has finished, and not once the
// window is closing.
struct Actions {
    std::function<void()> playPause;
    std::function<void()> stop;
    std::function<void()> setStart;
    std::function<void()> setStop;
    std::function<void()> snapshot;
    std::function<void()> toggleStylePop;
    std::function<void()> mute;
    std::function<void(int)> styleChosen;
};

// Wires the strip to a window's play(), pause(), stop(), setStartTrimBtnTouchUp(),
// setStopTrimBtnTouchUp(), actionCarameraBtn(), toggleCoverStylePop(), muteToggle() and
// coverstyleAction(int).
template <class Window> Actions actionsOf(Window* w) {
    Actions a;
    a.playPause = [w] { w->preview()->isPlaying() ? w->pause() : w->play(); };
    a.stop = [w] { w->stop(); };
    a.setStart = [w] { w->setStartTrimBtnTouchUp(); };
    a.setStop = [w] { w->setStopTrimBtnTouchUp(); };
    a.snapshot = [w] { w->actionCarameraBtn(); };
    a.toggleStylePop = [w] { w->toggleCoverStylePop(); };
    a.mute = [w] { w->muteToggle(); };
    a.styleChosen = [w](int index) { w->coverstyleAction(index); };
    return a;
}

void build(ToolWindow* window, QWidget* parent, double y, const Controls& controls, const Actions& actions,
           LxProgressSliderDelegate* volumeDelegate);
// The volume button and slider sit right of the format list while it shows, else right of
// the format button.
void placeVolume(const Controls& controls, bool popShown);
void setMutedLook(ZylButton* volume, bool muted);
// Shows or hides the format list.
void toggleStylePop(const Controls& controls);
// Takes the format at `index` of the list into `style` and closes the list.
void chooseStyle(const Controls& controls, int index, QString& style);

} // namespace clipstrip
