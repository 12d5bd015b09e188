#include "tools/shared/PlayHead.h"

#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/helpers/HelpClass.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/ToolLayout.h"

#include <QLabel>
#include <algorithm>
#include <cmath>

namespace playhead {

void build(QWidget* parent, QObject* owner, const Parts& p, LxCutProgressViewDelegate* barDelegate,
           std::function<void(double, double)> tick, std::function<void()> didEnd) {
    p.view = toollayout::make<QWidget>(parent, 10, 360, 330, 200);
    p.view->setAttribute(Qt::WA_StyledBackground);
    p.view->setStyleSheet("background-color: black;");
    p.preview = new PreviewPane(p.view, owner);
    p.preview->tick = std::move(tick);
    p.preview->didEnd = std::move(didEnd);

    p.currentLabel = toollayout::label(parent, 10, 340, 110, 18);
    p.durationLabel = toollayout::label(parent, 230, 340, 110, 18, Qt::AlignRight);
    for (QLabel* l : {p.currentLabel, p.durationLabel})
        l->setText(HelpClass::returnTimeToStr(0));
    p.preview->shownTime = [label = p.currentLabel](double t) {
        label->setText(HelpClass::returnTimeToStr(t));
    };
    p.bar = new LxCutProgressView(NSMakeRect(10, 314, 330, 24), parent);
    p.bar->setDelegate(barDelegate);
}

void show(const Strip& strip, double current, double duration) {
    if (duration > 0 && std::isfinite(current) && std::isfinite(duration))
        strip.bar->setProgress(float(std::clamp(current / duration, 0.0, 1.0)));
    strip.currentLabel->setText(HelpClass::returnTimeToStr(current));
    strip.durationLabel->setText(HelpClass::returnTimeToStr(duration));
}

void rewind(const Strip& strip) {
    strip.playBtn->setSelected(false);
    strip.preview->seek(0);
    strip.bar->setProgress(0);
    strip.currentLabel->setText(HelpClass::retrnTimeToStr(0, 0, 0, 0));
    strip.durationLabel->setText(HelpClass::returnTimeToStr(strip.preview->duration()));
}

void scrub(const Strip& strip, float progress) {
    if (!std::isfinite(progress))
        return;
    const double t = strip.preview->duration() * std::clamp(double(progress), 0.0, 1.0);
    strip.preview->seek(t);
    show(strip, t, strip.preview->duration());
}

void release(const Strip& strip, float progress, const std::function<void()>& play) {
    if (!std::isfinite(progress))
        return;
    const double t = strip.preview->duration() * std::clamp(double(progress), 0.0, 1.0);
    const bool playing = strip.preview->isPlaying();
    if (playing)
        strip.preview->pause();
    strip.preview->seek(t);
    if (playing)
        play();
    show(strip, t, strip.preview->duration());
}

} // namespace playhead
