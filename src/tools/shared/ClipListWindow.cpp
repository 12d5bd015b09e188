// The list panel of the list windows and the selected clip's range.
#include "tools/shared/ClipListWindow.h"

#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/NamedImage.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/records/SimpleData.h"
#include "mediaplayer/LxStoredTimesLine.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/JoinnerCell.h"
#include "tools/shared/JoinnerTableView.h"
#include "tools/shared/Loc.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/RangeRules.h"
#include "tools/shared/TimeCodeRow.h"
#include "tools/shared/ToolLayout.h"
#include "tools/shared/ToolStyle.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cmath>

using toollayout::label;
using toollayout::make;

ClipListWindow::ClipListWindow(QWidget* parent, const char* logName)
    : ToolWindow(parent), logName_(logName) {}

ClipListWindow::~ClipListWindow() = default;

QString ClipListWindow::outputPath() const {
    return exportBar_->outputPath();
}

void ClipListWindow::buildListPanel(const QString& guide, QRect guideRect) {
    // The two content panels are light grey on the window's blue, like every tool window.
    auto* panel = make<QWidget>(this, 10, 60, 620, 570);
    toolstyle::paintBackground(panel, toolstyle::kLightGrey);
    addfileBtn = make<ZylButton>(panel, 10, 530, 120, 32);
    toolstyle::styleAddFileButton(addfileBtn, loc("AddFileBtnTitle"));
    addfileBtn->mouseDownAction = afterClick(&ClipListWindow::addFileAction);

    fileListTableView = make<JoinnerTableView>(panel, 10, 50, 600, 470);
    fileListTableView->setList(&fileList_);
    fileListTableView->selectionChanged = [this](int) { initPlayer(); };
    contentNoFileView =
        label(panel, guideRect.x(), guideRect.y(), guideRect.width(), guideRect.height(), Qt::AlignCenter);
    contentNoFileView->setWordWrap(true);
    contentNoFileView->setText(guide);

    // The support mail, under the guide while the list is empty.
    emailIconView = make<ZylButton>(panel, 170, 80, 32, 24);
    emailIconView->setNormalImage(NamedImage("Join/imgEmail.png"));
    emailIconView->mouseDownAction = afterClick(&ClipListWindow::emailAction);
    email_addressLabel = label(panel, 208, 80, 300, 24);
    email_addressLabel->setText(loc("email_address"));

    removeBtn = make<QPushButton>(panel, 10, 10, 100, 30);
    removeBtn->setText(loc("RemoveBtnTitle"));
    clearBtn = make<QPushButton>(panel, 120, 10, 100, 30);
    clearBtn->setText(loc("ClearBtnTitle"));
    upBtn = make<QPushButton>(panel, 400, 10, 100, 30);
    upBtn->setText(loc("UpBtnTitle"));
    downBtn = make<QPushButton>(panel, 510, 10, 100, 30);
    downBtn->setText(loc("DownBtnTitle"));
    connect(removeBtn, &QPushButton::clicked, this, [this] { removeAction(); });
    connect(clearBtn, &QPushButton::clicked, this, [this] { clearAction(); });
    connect(upBtn, &QPushButton::clicked, this, [this] { moveAction(-1); });
    connect(downBtn, &QPushButton::clicked, this, [this] { moveAction(1); });
}

void ClipListWindow::buildRightPanel(rangearea::Widths widths) {
    auto* right = make<QWidget>(this, 640, 60, 350, 570);
    toolstyle::paintBackground(right, toolstyle::kLightGrey);
    buildPlayerArea(right);
    rangearea::build(right, this, rangeParts(), widths,
                     {[this](bool on) { trimModeChanged(on); },
                      [this](bool start) { return timeRowEdited(start); }, [this] { resetAction(); },
                      [this] { applyToAllAction(); }});
}

void ClipListWindow::buildExportBar(const ExportBar::Frames& frames, const QString& finishKey,
                                    std::function<bool()> start) {
    exportBar_ = new ExportBar(this, this, frames, finishKey);
    outputFolderBtn = exportBar_->folderChooser;
    openOutputFolderBtn = exportBar_->revealButton;
    joinnerProgressView = exportBar_->progressView;
    startJoinnerBtn = exportBar_->startButton;
    exportBar_->startRequested = std::move(start);
    exportBar_->editingEnabled = [this](bool on) { enableEdit(on); };
}

rangearea::Parts ClipListWindow::rangeParts() {
    return {selectTimeBtn,         unSelectTimeBtn, startTimeRow, stopTimeRow,
            cutDurationValueLabel, resetCutterBtn,  applytoallBtn};
}

void ClipListWindow::fileListViewHidden(bool hidden) {
    fileListTableView->setVisible(!hidden);
    for (QWidget* w : std::initializer_list<QWidget*>{contentNoFileView, emailIconView, email_addressLabel})
        w->setVisible(hidden);
    for (QWidget* w : std::initializer_list<QWidget*>{removeBtn, clearBtn, upBtn, downBtn})
        w->setVisible(!hidden);
}

void ClipListWindow::moveAction(int step) {
    const int i = fileListTableView->selectedIndex();
    const int j = i + step;
    if (jobChain().isBusy() || i < 0 || j < 0 || j >= int(fileList_.size()))
        return;
    std::swap(fileList_[size_t(i)], fileList_[size_t(j)]);
    reload(j, true);
}

SimpleData* ClipListWindow::selectedClip() const {
    const int i = fileListTableView->selectedIndex();
    return i >= 0 && i < int(fileList_.size()) ? fileList_[size_t(i)].get() : nullptr;
}

void ClipListWindow::refreshRows() {
    for (int i = 0; i < fileListTableView->rowCount(); ++i)
        fileListTableView->row(i)->refreshCutLength();
}

void ClipListWindow::storeSelectedRange(int64_t start, int64_t stop) {
    SimpleData* clip = selectedClip();
    if (!clip || jobChain().isBusy() || start < 0 || start >= stop || stop > RangeRules::durationUs(*clip))
        return;
    clip->cutTimeRange_start = start;
    clip->cutTimeRange_stop = stop;
    refreshRows();
    showSelectedClip();
}

bool ClipListWindow::timeRowEdited(bool start) {
    SimpleData* clip = selectedClip();
    if (showingClip_ || !clip || jobChain().isBusy())
        return true;
    TimeCodeRow* row = start ? startTimeRow : stopTimeRow;
    const auto [oldStart, oldStop] = RangeRules::rangeOf(*clip);
    const double seconds = row->time();
    const int64_t d = RangeRules::durationUs(*clip);
    const char* refusal = nullptr;
    int64_t value = 0;
    // The fields show hundredths: a stop typed as the shown length is the clip's end.
    if (!std::isfinite(seconds) || seconds < 0 || seconds * 1e6 > double(d) + 5000) {
        refusal = start ? "showmessageTime4" : "showmessageTime2";
    } else {
        value = std::min<int64_t>(std::llround(seconds * 1e6), d);
        if (start && value >= oldStop)
            refusal = "showmessageTime1";
        else if (!start && value <= oldStart)
            refusal = "showmessageTime3";
    }
    if (refusal) {
        // The stored time goes back on screen; a typed one stays in editing.
        row->setTime(double(start ? oldStart : oldStop) / 1e6);
        showSimpleAlert(loc(refusal));
        return false;
    }
    if (value != (start ? oldStart : oldStop))
        storeSelectedRange(start ? value : oldStart, start ? oldStop : value);
    rangeEdgeMoved(start ? value : oldStart);
    return true;
}

void ClipListWindow::storeRange(SimpleData& clip, CutRange range) {
    clip.cutTimeRange_start = range.startUs;
    clip.cutTimeRange_stop = range.stopUs;
}

void ClipListWindow::resetAction() {
    SimpleData* clip = selectedClip();
    if (!clip || jobChain().isBusy())
        return;
    storeRange(*clip, RangeRules::reset(RangeRules::durationUs(*clip)));
    // Back to keep mode; the radios and the bar follow the record.
    clip->isTrimFanxuan = false;
    preview_->seek(0);
    showPlayHead(0, preview_->duration());
    refreshRows();
    showSelectedClip();
}

void ClipListWindow::applyToAllAction() {
    SimpleData* from = selectedClip();
    if (!from || jobChain().isBusy())
        return;
    const auto [start, stop] = RangeRules::rangeOf(*from);
    for (const auto& clip : fileList_) {
        if (clip.get() == from)
            continue;
        storeRange(*clip, RangeRules::applied({start, stop}, RangeRules::durationUs(*clip)));
        clip->isTrimFanxuan = from->isTrimFanxuan;
    }
    refreshRows();
    showSelectedClip();
}

void ClipListWindow::volumeChanged(double gain) {
    SimpleData* clip = selectedClip();
    if (showingClip_ || !clip)
        return;
    clip->volume = gain;
    preview_->setVolume(gain);
}

void ClipListWindow::actionMouseMovedForCutProgressViewBlock(LxCutProgressView* view, float startvalue,
                                                             float stopvalue, int handleType) {
    SimpleData* clip = selectedClip();
    if (view != cutProgressView || showingClip_ || !clip || jobChain().isBusy() ||
        !std::isfinite(startvalue) || !std::isfinite(stopvalue))
        return;
    const int64_t d = RangeRules::durationUs(*clip);
    const int64_t start = std::clamp<int64_t>(std::llround(double(startvalue) * double(d)), 0, d);
    const int64_t stop = std::clamp<int64_t>(std::llround(double(stopvalue) * double(d)), 0, d);
    // Handles that meet keep the range stored last.
    if (start >= stop)
        return;
    clip->cutTimeRange_start = start;
    clip->cutTimeRange_stop = stop;
    refreshRows();
    showingClip_ = true;
    startTimeRow->setTime(double(start) / 1e6);
    stopTimeRow->setTime(double(stop) / 1e6);
    cutDurationValueLabel->setText(HelpClass::returnTimeToStr(double(stop - start) / 1e6));
    showingClip_ = false;
    if (handleType == 1 || handleType == 2)
        rangeEdgeMoved(handleType == 1 ? start : stop);
}

void ClipListWindow::windowWillClose() {
    fileListTableView->selectionChanged = nullptr;
    preview_->close();
}
