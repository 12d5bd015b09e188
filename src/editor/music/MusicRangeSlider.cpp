#include "editor/music/MusicRangeSlider.h"

#include <QResizeEvent>
#include <algorithm>

namespace {
// The timeline bar leaves this margin at each end, so that the handles' centres can reach
// both ends of it.
constexpr double kMargin = 5;
constexpr double kBarHeight = 12;
} // namespace

MusicRangeSlider::MusicRangeSlider(QWidget* parent) : QWidget(parent) {
    // A time line runs left to right in every language: its parts are not mirrored.
    setLayoutDirection(Qt::LeftToRight);
    const double W = std::max(width(), 20), H = std::max(height(), 20);
    backGroundView_ = new NSImageView(this);
    backGroundView_->setImage(NamedImage("Cut/imgBack.bmp"));
    videoPositionView_ = new ZylDraggedView(this);
    videoPositionView_->setImage(NamedImage("Cut/imgTop.bmp"));
    // The bar is drawn at value x B + margin: dragged within the margins it reads back
    // exactly 0 to 1 - span.
    videoPositionView_->setDragMargins(kMargin, kMargin);
    musicRangeView_ = new NSImageView(this);
    musicRangeView_->setImage(NamedImage("Cut/pbTop.bmp"));
    musicRangeView_->setAttribute(Qt::WA_TransparentForMouseEvents);
    leftMoveView_ = new ZylDraggedView(this);
    rightMoveView_ = new ZylDraggedView(this);
    tickMarkView_ = new ZylDraggedView(this);
    tickMarkView_->setImage(NamedImage("Cut/btnSlip_Normal.png"));
    for (NSImageView* v : {backGroundView_, static_cast<NSImageView*>(videoPositionView_), musicRangeView_})
        v->setFrame(NSMakeRect(kMargin, kMargin, W - 2 * kMargin, kBarHeight));
    leftMoveView_->setFrame(NSMakeRect(0, kMargin, 10, H - kMargin));
    rightMoveView_->setFrame(NSMakeRect(W - 10, kMargin, 10, H - kMargin));
    tickMarkView_->setFrame(NSMakeRect(0, 0, 21, 21));
    for (ZylDraggedView* v : {videoPositionView_, leftMoveView_, rightMoveView_, tickMarkView_})
        v->delegate = this;
    leftMoveView_->setIsDraw(true);
    rightMoveView_->setIsDraw(true);
    setVideoRangeLowerValue(0, 1);
    setMusicRangeLowerValue(0, 0);
    setEnable(false);
}

double MusicRangeSlider::barWidth() const {
    return std::max(1.0, backGroundView_->frame().width);
}

void MusicRangeSlider::placeHandles(double y) {
    const double B = barWidth();
    const double x0 = positionLeftValue_ * B + kMargin;
    const double len = (positionRightValue_ - positionLeftValue_) * B;
    const NSRect l = leftMoveView_->frame(), r = rightMoveView_->frame();
    leftMoveView_->setFrame(NSMakeRect(x0 - 5, y, 10, l.height));
    rightMoveView_->setFrame(NSMakeRect(x0 + len - 5, y, 10, r.height));
}

void MusicRangeSlider::setVideoRangeLowerValue(float lower, float upper) {
    positionLeftValue_ = std::clamp(lower, 0.f, 1.f);
    positionRightValue_ = std::clamp(upper, positionLeftValue_, 1.f);
    const double B = barWidth();
    const double x0 = positionLeftValue_ * B + kMargin;
    videoPositionView_->setFrame(
        NSMakeRect(x0, kMargin, (positionRightValue_ - positionLeftValue_) * B, kBarHeight));
    placeHandles(0);
    refreshRepeat();
}

void MusicRangeSlider::setMusicRangeLowerValue(float lower, float duration) {
    musicLeftValue_ = std::max(lower, 0.f);
    musicRightValue_ = std::clamp(duration, 0.f, 1.f);
    const double span = positionRightValue_ - positionLeftValue_;
    musicRangeView_->setFrame(NSMakeRect(videoPositionView_->frame().x, kMargin,
                                         std::min<double>(musicRightValue_, span) * barWidth(), kBarHeight));
    refreshRepeat();
}

void MusicRangeSlider::refreshRepeat() {
    videoPositionView_->setRepeatWidth(isRepeat_ ? float(musicRangeView_->frame().width) : 0.f);
    videoPositionView_->setImage(NamedImage(isRepeat_ ? "Cut/pbTop.bmp" : "Cut/imgTop.bmp"));
}

void MusicRangeSlider::setIsRepeat(bool repeat) {
    isRepeat_ = repeat;
    refreshRepeat();
}

void MusicRangeSlider::setProgress(float progress) {
    progress_ = std::clamp(progress, 0.f, 1.f);
    const NSRect t = tickMarkView_->frame();
    tickMarkView_->setFrame(NSMakeRect(progress_ * (width() - t.width), t.y, t.width, t.height));
}

void MusicRangeSlider::setEnable(bool enable) {
    enable_ = enable;
    for (ZylDraggedView* v : {videoPositionView_, leftMoveView_, rightMoveView_})
        v->setEnabled(enable);
    leftMoveView_->setVisible(enable);
    rightMoveView_->setVisible(enable);
    tickMarkView_->setVisible(!enable);
    tickMarkView_->setEnabled(!enable);
}

void MusicRangeSlider::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const double W = width(), H = height();
    backGroundView_->setFrame(NSMakeRect(kMargin, kMargin, W - 2 * kMargin, kBarHeight));
    for (ZylDraggedView* v : {leftMoveView_, rightMoveView_}) {
        const NSRect f = v->frame();
        v->setFrame(NSMakeRect(f.x, f.y, 10, H - kMargin));
    }
    tickMarkView_->applyFrame();
    setVideoRangeLowerValue(positionLeftValue_, positionRightValue_);
    setMusicRangeLowerValue(musicLeftValue_, musicRightValue_);
    setProgress(progress_);
}

void MusicRangeSlider::mouseDraggedWithSender(ZylDraggedView* sender) {
    const double B = barWidth();
    const float x = float(sender->frame().x);
    if (sender == tickMarkView_) {
        const double room = width() - tickMarkView_->frame().width;
        progress_ = room > 0 ? std::clamp(float(x / room), 0.f, 1.f) : 0.f;
        if (delegate)
            delegate->changeProgress(this);
    } else if (sender == leftMoveView_) {
        const float lower = std::min(float(x / B), positionRightValue_);
        setVideoRangeLowerValue(lower, positionRightValue_);
        setMusicRangeLowerValue(lower, musicRightValue_);
    } else if (sender == rightMoveView_) {
        const float upper = std::max(float(x / B), positionLeftValue_);
        setVideoRangeLowerValue(positionLeftValue_, upper);
        setMusicRangeLowerValue(musicLeftValue_, musicRightValue_);
    } else if (sender == videoPositionView_) {
        const float span = positionRightValue_ - positionLeftValue_;
        const float lower = std::clamp(float((x - kMargin) / B), 0.f, 1.f - span);
        setVideoRangeLowerValue(lower, lower + span);
        setMusicRangeLowerValue(lower, std::min(musicRightValue_, span));
    }
    if (delegate)
        delegate->changeRangeValue(this);
}
