#include "editor/trim/TrimTool.h"

#include "editor/core/EditorHost.h"
#include "editor/core/EditorSession.h"
#include "foundation/controls/FontFit.h"
#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "tools/shared/Loc.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/TimeCodeRow.h"
#include "tools/shared/ToolLayout.h"
#include "tools/shared/ToolStyle.h"
#include "tools/shared/ToolWindow.h"

#include <QComboBox>
#include <QLabel>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kMicro = 1000000.0;

ZylButton* plainButton(QWidget* parent, const NSRect& frame, const QString& title) {
    auto* b = new ZylButton(frame, parent);
    b->setContentTitle(title);
    b->setContentColor(Qt::black);
    b->setBackGroundColor(toolstyle::kAddFileBlue);
    b->setDisAblebackGroundColor(toolstyle::kDisabledGrey);
    b->setCornerRadius(5);
    b->setBorderWidth(0);
    b->setBordered(false);
    b->setEnabled(false);
    // A longer translation gets a smaller size rather than being cut short.
    controls::fitButtonFont(b, 12, 9);
    return b;
}

QLabel* blackLabel(QWidget* parent, const NSRect& frame, const char* key) {
    auto* l = toollayout::label(parent, frame.x, frame.y, frame.width, frame.height);
    l->setText(loc(key));
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(p);
    return l;
}

} // namespace

TrimTool::TrimTool(EditorHost& host, ZylImageView* panel) : QObject(panel), EditorTool(host) {
    buildPanel(panel);
}

void TrimTool::buildPanel(ZylImageView* panel) {
    const double h = panel->height(), w = panel->width();
    o_.startLabel = blackLabel(panel, NSMakeRect(5, h - 95, 70, 26), "StarttimeLabelstringValue");
    o_.startRow = new TimeCodeRow(panel, NSMakeRect(75, h - 92, 151, 26));
    o_.endLabel = blackLabel(panel, NSMakeRect(5, h - 130, 70, 26), "EndtimeLabelstringValue");
    o_.stopRow = new TimeCodeRow(panel, NSMakeRect(75, h - 127, 151, 26));
    o_.preferenceLabel = blackLabel(panel, NSMakeRect(5, h - 170, w - 10, 20), "PreferenceLabelstringValue");
    for (QLabel* l : {o_.startLabel, o_.endLabel, o_.preferenceLabel})
        controls::fitLabelFont(l, 13, 10);
    o_.preference = new QComboBox(panel);
    controls::setPixelFont(o_.preference, 12);
    geometry::setFrame(o_.preference, NSMakeRect(5, h - 210, 215, 31));
    for (const char* key : {"KeeptheselectedsectionstringValue", "DeletetheselectedsectionstringValue"})
        if (!loc(key).isEmpty())
            o_.preference->addItem(loc(key));
    connect(o_.preference, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) { actionPreferencesBtn(index); });

    o_.setStart = plainButton(panel, NSMakeRect(10, h - 271, 40, 30), QStringLiteral("【"));
    o_.setStop = plainButton(panel, NSMakeRect(60, h - 271, 40, 30), QStringLiteral("】"));
    o_.play = new ZylButton(NSMakeRect(110, h - 271, 30, 30), panel);
    o_.play->setNormalImage(NamedImage("Cut/btnPlay_Normal.png"));
    o_.play->setSelectedImage(NamedImage("Cut/btnPause_Normal.png"));
    o_.play->setEnabled(false);
    o_.reset = plainButton(panel, NSMakeRect(w - 85, h - 271, 80, 30), loc("ResetBtnTitle"));
    // Each press only queues its work, as every button of the window does.
    ToolWindow& window = host().toolWindow();
    o_.setStart->mouseDownAction = window.afterClick([this] { setStartTrimBtnTouchUp(); });
    o_.setStop->mouseDownAction = window.afterClick([this] { setStopTrimBtnTouchUp(); });
    o_.play->mouseDownAction = window.afterClick([this] { playTrimBtnTouchUp(); });
    o_.reset->mouseDownAction = window.afterClick([this] { resetTrimBtnTouchUp(); });

    // The bar lives under the picture; the window places it.
    o_.bar = new LxCutProgressView(NSMakeRect(95, 35, 400, 30), panel);
    o_.bar->setDelegate(this);
    o_.bar->setTickMark(true);
    o_.bar->hide();
    bindFields();
}

QWidget* TrimTool::bar() const {
    return o_.bar;
}

double TrimTool::trimStartSeconds() const {
    return host().session().state().cutTimeRange_start() / kMicro;
}

double TrimTool::trimStopSeconds() const {
    return host().session().state().cutTimeRange_stop() / kMicro;
}

void TrimTool::fileOpened() {
    const EditState& s = host().session().state();
    o_.bar->setIsFanxuan(s.isTrimFanxuan());
    o_.preference->setCurrentIndex(s.isTrimFanxuan() ? 1 : 0);
    showRange();
}

void TrimTool::setEditable(bool editable) {
    o_.bar->setDisable(!editable);
    for (ZylButton* b : {o_.setStart, o_.setStop, o_.play, o_.reset})
        b->setEnabled(editable);
    o_.preference->setEnabled(editable);
    o_.startRow->setEditable(editable);
    o_.stopRow->setEditable(editable);
    if (!editable)
        return;
    o_.bar->setProgress(0);
    showRange();
}

void TrimTool::playStateChanged(bool playing) {
    o_.play->setSelected(playing);
}

void TrimTool::playerTick(double current, double duration) {
    o_.bar->setProgress(
        duration > 0 && std::isfinite(current) ? float(std::clamp(current / duration, 0.0, 1.0)) : 0.f);
}

// The range keeps its pictures: the ends the user set take the times those pictures have now.
void TrimTool::movedOntoIndexLine(IndexLineMove& move) {
    const double start = move.userTime(trimStartSeconds()), stop = trimStopSeconds();
    storeRange(start, stop > 0 ? std::max(move.userTime(stop), start + 1 / kMicro) : 0);
    showRange();
}

// Stores a range the caller has checked: 0 <= start < stop <= duration.
void TrimTool::storeRange(double startSeconds, double stopSeconds) {
    host().session().state().setTrimRange(startSeconds * kMicro, stopSeconds * kMicro);
}

// The stored range in both rows and on the bar's handles.
void TrimTool::showRange() {
    const double d = host().duration();
    const double start = trimStartSeconds(), stop = trimStopSeconds();
    o_.startRow->setTime(start);
    o_.stopRow->setTime(stop > 0 ? stop : d);
    if (d > 0)
        o_.bar->setLowerValue(float(std::clamp(start / d, 0.0, 1.0)),
                              float(std::clamp((stop > 0 ? stop : d) / d, 0.0, 1.0)));
    showPlayHeadOnBar();
}

void TrimTool::showPlayHeadOnBar() {
    const double d = host().duration();
    if (host().player() && d > 0)
        o_.bar->setProgress(float(std::clamp(host().currentTime() / d, 0.0, 1.0)));
}

void TrimTool::setStartTrimBtnTouchUp() {
    const double d = host().duration();
    if (!host().player() || !(d > 0))
        return;
    const double t = std::clamp(host().currentTime(), 0.0, d);
    if (t >= d) {
        // At the very end no section can start.
        alert("showmessageTime5");
        return;
    }
    double stop = trimStopSeconds();
    // A start at or after the end moves the end to the end of the file.
    if (stop <= 0 || t >= stop)
        stop = d;
    storeRange(t, stop);
    showRange();
    o_.bar->setProgress(float(t / d));
}

void TrimTool::setStopTrimBtnTouchUp() {
    const double d = host().duration();
    if (!host().player() || !(d > 0))
        return;
    const double t = std::clamp(host().currentTime(), 0.0, d);
    if (t <= 0) {
        alert("showmessageTime3");
        return;
    }
    double start = trimStartSeconds();
    // An end at or before the start takes the start back to the beginning.
    if (start >= t)
        start = 0;
    storeRange(start, t);
    showRange();
}

void TrimTool::playTrimBtnTouchUp() {
    host().togglePlay();
}

void TrimTool::resetTrimBtnTouchUp() {
    const double d = host().duration();
    if (!host().player() || !(d > 0))
        return;
    storeRange(0, d);
    showRange();
    host().preview()->seek(0);
    o_.bar->setProgress(0);
}

// Keep or delete the section: the bar shows the kept part, and the preview starts from where
// the export will start.
void TrimTool::actionPreferencesBtn(int index) {
    if (!host().player())
        return;
    const bool remove = index == 1;
    o_.bar->setIsFanxuan(remove);
    host().session().state().setRemoveSection(remove);
    const float lower = o_.bar->lowerValue(), upper = o_.bar->upperValue();
    o_.bar->setLowerValue(lower, upper);
    o_.bar->setProgress(remove ? 0.f : lower);
    host().preview()->seek(remove ? 0.0 : host().duration() * lower);
    host().pause();
    host().play();
}

void TrimTool::actionMouseDownForCutProgressViewBlock(LxCutProgressView* view, float) {
    PreviewPane* preview = host().preview();
    if (view != o_.bar || !host().player() || !preview->isPlaying())
        return;
    // A drag pauses the picture without ending play; the release resumes it.
    host().player()->pause();
    preview->stopTicking();
}

void TrimTool::actionMouseUpForCutProgressViewBlock(LxCutProgressView* view, float) {
    PreviewPane* preview = host().preview();
    if (view != o_.bar || !host().player() || !preview->isPlaying())
        return;
    host().player()->play();
    preview->startTicking();
}

void TrimTool::actionMouseMovedForCutProgressViewBlock(LxCutProgressView* view, float startvalue,
                                                       float stopvalue, int handleType) {
    const double d = host().duration();
    if (view != o_.bar || !host().player() || !(d > 0))
        return;
    const double l = std::clamp(double(startvalue), 0.0, 1.0) * d;
    const double u = std::clamp(double(stopvalue), 0.0, 1.0) * d;
    if (!(l < u))
        return;
    storeRange(l, u);
    if (handleType == 2) {
        host().preview()->seek(u);
        o_.stopRow->setTime(u);
    } else if (handleType == 1) {
        host().preview()->seek(l);
        o_.startRow->setTime(l);
    }
}

void TrimTool::actionSeekToTimeForCutProgressViewBlock(LxCutProgressView* view, float progress) {
    const double d = host().duration();
    if (view != o_.bar || !host().player() || !(d > 0))
        return;
    const double t = std::clamp(double(progress), 0.0, 1.0) * d;
    host().preview()->seek(t);
    o_.bar->setProgress(float(t / d));
    host().showCurrentTime(t);
}

void TrimTool::alert(const char* key) {
    host().alert(loc(key));
}
