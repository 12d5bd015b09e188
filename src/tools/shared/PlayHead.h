#pragma once
// The play head under a tool's preview: the bar and the two time labels that follow the
// player, and the scrubbing that moves the player from the bar.
#include <functional>

class LxCutProgressView;
class LxCutProgressViewDelegate;
class QObject;
class QWidget;
class PreviewPane;
class QLabel;
class ZylButton;

namespace playhead {

struct Strip {
    PreviewPane* preview;
    LxCutProgressView* bar;
    QLabel* currentLabel;
    QLabel* durationLabel;
    ZylButton* playBtn;
};

// The window's own pointers, filled by build().
struct Parts {
    QWidget*& view;
    PreviewPane*& preview;
    QLabel*& currentLabel;
    QLabel*& durationLabel;
    LxCutProgressView*& bar;
};

// The black preview area with the bar and time labels above the control strip. `tick` gets
// the player's time while it plays, `didEnd` the end of the clip.
void build(QWidget* parent, QObject* owner, const Parts& parts, LxCutProgressViewDelegate* barDelegate,
           std::function<void(double, double)> tick, std::function<void()> didEnd);

// Shows the player at `current` of `duration` seconds.
void show(const Strip& strip, double current, double duration);
// At the end of the clip the preview stops and goes back to its beginning.
void rewind(const Strip& strip);
// Moves the player to the bar's point while the bar is dragged.
void scrub(const Strip& strip, float progress);
// Moves the player to the bar's point on release; a playing preview goes on playing there.
void release(const Strip& strip, float progress, const std::function<void()>& play);

} // namespace playhead
