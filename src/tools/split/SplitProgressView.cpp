#include "tools/split/SplitProgressView.h"

#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/NSImageView.h"
#include "foundation/controls/ZylImageView.h"
#include "platform/Geometry.h"

#include <QPointer>
#include <algorithm>
#include <cmath>

namespace {
// The begin marker overlaps the slider's top by this much; split markers hang this far
// below the slider's bottom.
constexpr double kBeginOverlap = 5;
constexpr double kMarkerDrop = 12;
} // namespace

SplitProgressView::SplitProgressView(QWidget* parent) : QWidget(parent) {
    // A time line runs left to right in every language: its parts are not mirrored.
    setLayoutDirection(Qt::LeftToRight);
    slider_ = new LxProgressSlider(this);
    slider_->setDelegate(this);
    slider_->setProgress(0);
    initBeginBtn();
    layoutParts();
}

SplitProgressView::~SplitProgressView() = default;

void SplitProgressView::initBeginBtn() {
    beginBtn_ = new ZylImageView(this);
    beginBtn_->resize(int(kMarkerSize), int(kMarkerSize));
    beginBtn_->setNormalImage(NamedImage("Split/imgBegin_1.bmp"));
    beginBtn_->setDownImage(NamedImage("Split/imgBegin_2.bmp"));
    QPointer<SplitProgressView> self(this);
    // The marker moves itself along the bar while dragged (clamped to the bar).
    beginBtn_->MouseDraggedBlock = [self](ZylImageView*) {
        if (self)
            self->beginMoved(self->ProgressForSliderBlock);
    };
    beginBtn_->MouseUpBlock = [self](ZylImageView*, QMouseEvent*) {
        if (self)
            self->beginMoved(self->MouseUpForSliderBlock);
    };
    beginBtn_->MouseDownBlock = [self](ZylImageView*, QMouseEvent*) {
        if (self)
            self->beginMoved(self->MouseDownForSliderBlock);
    };
    beginBtn_->hide();
}

double SplitProgressView::sliderY() const {
    return (height() - kMarkerSize) / 2;
}

double SplitProgressView::travel() const {
    return std::max(0.0, double(width()) - kMarkerSize);
}

double SplitProgressView::markerX(float f) const {
    return travel() * double(f);
}

long SplitProgressView::capacity() const {
    return long(std::floor(double(width()) / kMinSpacing));
}

void SplitProgressView::layoutParts() {
    const double sy = sliderY();
    geometry::setFrame(slider_, NSMakeRect(0, sy, width(), kMarkerSize));
    const NSRect b = geometry::frame(beginBtn_);
    geometry::setFrame(beginBtn_, NSMakeRect(std::clamp(b.x, 0.0, travel()), sy + kMarkerSize - kBeginOverlap,
                                             kMarkerSize, kMarkerSize));
    for (ZylImageView* m : times_)
        geometry::setFrame(m, NSMakeRect(markerX(m->value()), sy - kMarkerDrop, kMarkerSize, kMarkerSize));
}

void SplitProgressView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutParts();
}

void SplitProgressView::setProgress(float progress) {
    progress_ = progress;
    slider_->setProgress(progress);
    update();
}

void SplitProgressView::setDisable(bool disable) {
    disable_ = disable;
    beginBtn_->setEnabled(!disable);
    slider_->setDisable(disable);
    beginBtn_->setHidden(disable);
}

void SplitProgressView::setHiddenTick(bool hidden) {
    hiddenTick_ = hidden;
    slider_->tickMarkView()->setHidden(hidden);
}

float SplitProgressView::beginProgress() const {
    const double t = travel();
    return t > 0 ? float(std::clamp(geometry::frame(beginBtn_).x / t, 0.0, 1.0)) : 0.0f;
}

bool SplitProgressView::addMarkerAt(double x, float f) {
    // A point at either end would make an empty part.
    if (!std::isfinite(f) || f <= 0 || f >= 1)
        return false;
    for (const ZylImageView* m : times_) {
        // The candidate's middle may not fall on an existing marker.
        const double mx = markerX(m->value());
        const double mid = x + kMarkerSize / 2;
        if (mid >= mx && mid < mx + kMarkerSize)
            return false;
    }
    auto* marker = new ZylImageView(this);
    marker->setNormalImage(NamedImage("Split/btnExample_2.bmp"));
    marker->setDownImage(NamedImage("Split/btnExample_2.bmp"));
    marker->setValue(f);
    marker->setIndex(int(times_.size()));
    geometry::setFrame(marker, NSMakeRect(x, sliderY() - kMarkerDrop, kMarkerSize, kMarkerSize));
    QPointer<SplitProgressView> self(this);
    marker->MouseUpBlock = [self](ZylImageView* m, QMouseEvent*) {
        if (self)
            self->setSelectedSplitIndex(m->index());
    };
    marker->show();
    times_.push_back(marker);
    std::stable_sort(times_.begin(), times_.end(),
                     [](const ZylImageView* a, const ZylImageView* b) { return a->value() < b->value(); });
    renumber();
    selectedSplitIndex_ = marker->index();
    update();
    return true;
}

bool SplitProgressView::addSplitItemTime(float f) {
    return addMarkerAt(markerX(f), f);
}

bool SplitProgressView::addSplitItemTime() {
    return addMarkerAt(geometry::frame(beginBtn_).x, beginProgress());
}

void SplitProgressView::renumber() {
    for (size_t i = 0; i < times_.size(); ++i)
        times_[i]->setIndex(int(i));
}

std::vector<float> SplitProgressView::getTimeProgresses() const {
    std::vector<float> out;
    out.reserve(times_.size() + 1);
    for (const ZylImageView* m : times_)
        out.push_back(m->value());
    out.push_back(1.0f);
    return out;
}

float SplitProgressView::getProgressForIndex(long i) const {
    if (i < 0 || i >= long(times_.size()))
        return 0;
    return times_[size_t(i)]->value();
}

void SplitProgressView::moveBeginTo(double x) {
    const NSRect b = geometry::frame(beginBtn_);
    geometry::setFrame(beginBtn_, NSMakeRect(x, b.y, b.width, b.height));
}

void SplitProgressView::setSelectedSplitIndex(long i) {
    if (i < 0 || i >= long(times_.size()))
        return;
    selectedSplitIndex_ = i;
    ZylImageView* m = times_[size_t(i)];
    progress_ = m->value();
    moveBeginTo(markerX(m->value()));
    slider_->setProgress(m->value());
    m->setIndex(int(i));
    update();
}

void SplitProgressView::removeAllSplitItem() {
    moveBeginTo(0);
    for (ZylImageView* m : times_)
        delete m;
    times_.clear();
}

void SplitProgressView::removeSplitItemTAtIndex(long i) {
    if (times_.empty() || i < 0)
        return;
    if (i >= long(times_.size())) {
        i = long(times_.size()) - 1;
        selectedSplitIndex_ = i;
    }
    delete times_[size_t(i)];
    times_.erase(times_.begin() + i);
    renumber();
    // The selection never points past the markers that are left.
    selectedSplitIndex_ = std::clamp(selectedSplitIndex_, 0L, std::max(0L, long(times_.size()) - 1));
}

void SplitProgressView::removeSelectedSplitItem() {
    if (selectedSplitIndex_ < 0 || selectedSplitIndex_ >= long(times_.size()))
        return;
    removeSplitItemTAtIndex(selectedSplitIndex_);
}

void SplitProgressView::moveSplitItems(const std::function<float(float)>& to) {
    const float begin = std::clamp(to(beginProgress()), 0.0f, 1.0f);
    float last = 0;
    for (auto it = times_.begin(); it != times_.end();) {
        const float f = to((*it)->value());
        if (!(f > last && f < 1)) {
            delete *it;
            it = times_.erase(it);
            continue;
        }
        (*it)->setValue(last = f);
        ++it;
    }
    renumber();
    selectedSplitIndex_ = std::clamp(selectedSplitIndex_, 0L, std::max(0L, long(times_.size()) - 1));
    moveBeginTo(markerX(begin));
    layoutParts();
    update();
}

void SplitProgressView::call(const Block& block, float progress) {
    if (block)
        block(progress);
}

void SplitProgressView::beginMoved(const Block& block) {
    const float p = beginProgress();
    progress_ = p;
    slider_->setProgress(p);
    call(block, p);
}

void SplitProgressView::actionMouseUpForProgressSliderBlock(LxProgressSlider*, float progress) {
    progress_ = progress;
    call(MouseUpForSliderBlock, progress);
}

void SplitProgressView::actionMouseDownForProgressSliderBlock(LxProgressSlider*, float progress) {
    progress_ = progress;
    call(MouseDownForSliderBlock, progress);
}

void SplitProgressView::actionProgressForProgressSliderBlock(LxProgressSlider*, float progress) {
    progress_ = progress;
    call(ProgressForSliderBlock, progress);
}
