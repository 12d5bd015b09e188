// The bar of the music panel that shows, over the whole timeline of the open video, where the
// highlighted track plays: its place (a draggable bar with a handle at each end), one play of
// the track from the place's start, the markers where a repeating track starts again, and a
// play tick. Every value is a fraction 0..1 of the timeline.
//
// In editing mode (enable) the place can be dragged by its handles or as a whole and the tick
// is hidden; otherwise only the tick shows and can be dragged to seek. The handles never cross
// (start <= end), and the position bar reads back exactly the value it is drawn at.
//
// Main thread only.
#pragma once

#include "editor/music/ZylDraggedView.h"

#include <QWidget>

class MusicRangeSlider;

class MusicRangeSliderDelegate {
public:
    virtual ~MusicRangeSliderDelegate() = default;
    // The tick was dragged: the new play position is in progress().
    virtual void changeProgress(MusicRangeSlider* slider) { (void)slider; }
    // After any drag: the place in positionLeftValue() / positionRightValue().
    virtual void changeRangeValue(MusicRangeSlider* slider) { (void)slider; }
};

class MusicRangeSlider : public QWidget, public ZylDraggedViewDelegate {
    Q_OBJECT
public:
    explicit MusicRangeSlider(QWidget* parent = nullptr);

    void setVideoRangeLowerValue(float lower, float upper);
    void setMusicRangeLowerValue(float lower, float duration);
    void setIsRepeat(bool repeat);
    void setProgress(float progress);
    void setEnable(bool enable);

    float positionLeftValue() const { return positionLeftValue_; }
    float positionRightValue() const { return positionRightValue_; }
    float musicLeftValue() const { return musicLeftValue_; }
    float musicRightValue() const { return musicRightValue_; }
    bool enable() const { return enable_; }
    bool isRepeat() const { return isRepeat_; }
    float progress() const { return progress_; }

    NSImageView* backGroundView() const { return backGroundView_; }
    ZylDraggedView* videoPositionView() const { return videoPositionView_; }
    NSImageView* musicRangeView() const { return musicRangeView_; }
    ZylDraggedView* leftMoveView() const { return leftMoveView_; }
    ZylDraggedView* rightMoveView() const { return rightMoveView_; }
    ZylDraggedView* tickMarkView() const { return tickMarkView_; }

    MusicRangeSliderDelegate* delegate = nullptr;

    void mouseDraggedWithSender(ZylDraggedView* sender) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    double barWidth() const;
    void placeHandles(double y);
    void refreshRepeat();

    NSImageView* backGroundView_ = nullptr;
    ZylDraggedView* videoPositionView_ = nullptr;
    NSImageView* musicRangeView_ = nullptr;
    ZylDraggedView* leftMoveView_ = nullptr;
    ZylDraggedView* rightMoveView_ = nullptr;
    ZylDraggedView* tickMarkView_ = nullptr;
    float positionLeftValue_ = 0, positionRightValue_ = 1;
    float musicLeftValue_ = 0, musicRightValue_ = 0;
    bool enable_ = false;
    bool isRepeat_ = false;
    float progress_ = 0;
};
