#pragma once
// The range controls under a tool's clip preview: keep or cut away the range, its start and
// stop rows, its length, and Reset / Apply to All.
#include <cstdint>
#include <functional>

class LxCutProgressView;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;
class TimeCodeRow;

namespace rangearea {

// The window's own pointers, filled by build().
struct Parts {
    QRadioButton*& keep;
    QRadioButton*& cutAway;
    TimeCodeRow*& startRow;
    TimeCodeRow*& stopRow;
    QLabel*& lengthValue;
    QPushButton*& reset;
    QPushButton*& applyToAll;
};

struct Widths {
    double label;
    double reset;
    double applyToAll;
};

struct Actions {
    std::function<void(bool cutAway)> modeChanged;
    // A row was edited or stepped; returns whether the edit may end.
    std::function<bool(bool start)> rowEdited;
    std::function<void()> reset;
    std::function<void()> applyToAll;
};

void build(QWidget* parent, QWidget* owner, const Parts& parts, const Widths& widths, const Actions& actions);

// Shows no range: rows and length at zero, keep chosen, the bar empty.
void showNone(const Parts& parts, LxCutProgressView* bar);
// Shows the range from `startUs` to `stopUs` of a clip `lengthUs` long.
void show(const Parts& parts, LxCutProgressView* bar, int64_t startUs, int64_t stopUs, int64_t lengthUs,
          bool cutAway);

} // namespace rangearea
