// The splitter's position bar: an image slider that shows and sets the play position, a
// draggable begin marker above it that points at a position for manual splitting, and split
// markers below it, one per split point, each carrying its position as a fraction of the
// duration. The window reads the points back as a sorted list of fractions ending in 1.0,
// which is the plan of the segment export.
//
// Two markers never lie closer than half a marker's width (8.5 points) on the bar: a point
// that would is refused without a message, so the bar holds at most width / 8.5 points.
//
// Threads: main thread only. Callbacks run on the main thread.
#pragma once

#include "foundation/controls/LxProgressSliderDelegate.h"

#include <QWidget>
#include <functional>
#include <vector>

class LxProgressSlider;
class ZylImageView;

class SplitProgressView : public QWidget, public LxProgressSliderDelegate {
    Q_OBJECT
public:
    using Block = std::function<void(float progress)>;

    static constexpr double kMarkerSize = 17;
    // Markers whose left edges are closer than this are refused.
    static constexpr double kMinSpacing = kMarkerSize / 2;

    explicit SplitProgressView(QWidget* parent = nullptr);
    ~SplitProgressView() override;

    LxProgressSlider* slider() const { return slider_; }
    ZylImageView* beginBtn() const { return beginBtn_; }
    // The split markers, sorted by value.
    const std::vector<ZylImageView*>& splitMarkers() const { return times_; }

    float progress() const { return progress_; }
    // Moves the slider only: no marker moves and no block is called.
    void setProgress(float progress);
    bool disable() const { return disable_; }
    // Disabling also hides the begin marker; enabling shows it.
    void setDisable(bool disable);
    bool hiddenTick() const { return hiddenTick_; }
    void setHiddenTick(bool hidden);

    // Adds a split marker at fraction f; returns false when it was refused (too close to
    // another marker or not a fraction in [0, 1]).
    bool addSplitItemTime(float f);
    // Adds a split marker where the begin marker stands.
    bool addSplitItemTime();
    // The split fractions in ascending order, followed by 1.0.
    std::vector<float> getTimeProgresses() const;
    // The fraction of the marker at position i (0 when i is not a position).
    float getProgressForIndex(long i) const;
    long selectedSplitIndex() const { return selectedSplitIndex_; }
    // Selects the marker at i and moves the begin marker and the slider to it; an index
    // that is not a position changes nothing.
    void setSelectedSplitIndex(long i);
    void removeAllSplitItem();
    // Removes the marker at i; past the end, the last one. The selection then stays on a
    // marker that is left.
    void removeSplitItemTAtIndex(long i);
    void removeSelectedSplitItem();
    // Moves every marker and the begin marker to the fraction `to` gives for theirs (a file's
    // length changed under them); a marker that lands on an end or on the one before goes, as
    // the part between would hold nothing.
    void moveSplitItems(const std::function<float(float)>& to);

    // The fraction the begin marker points at.
    float beginProgress() const;
    // Most split points the bar can hold.
    long capacity() const;

    Block MouseUpForSliderBlock;
    Block MouseDownForSliderBlock;
    Block ProgressForSliderBlock;
    // Kept for the window; the bar does not call it.
    Block SplitBtnMouseMoveForSliderBlock;

    // The inner slider's reports.
    void actionMouseUpForProgressSliderBlock(LxProgressSlider* slider, float progress) override;
    void actionMouseDownForProgressSliderBlock(LxProgressSlider* slider, float progress) override;
    void actionProgressForProgressSliderBlock(LxProgressSlider* slider, float progress) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void initBeginBtn();
    void layoutParts();
    double sliderY() const;
    double markerX(float f) const;
    double travel() const;
    bool addMarkerAt(double x, float f);
    void renumber();
    void moveBeginTo(double x);
    void beginMoved(const Block& block);
    static void call(const Block& block, float progress);

    LxProgressSlider* slider_ = nullptr;
    ZylImageView* beginBtn_ = nullptr;
    std::vector<ZylImageView*> times_;
    float progress_ = 0;
    bool disable_ = false;
    bool hiddenTick_ = false;
    long selectedSplitIndex_ = 0;
};
