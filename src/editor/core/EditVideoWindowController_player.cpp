// The preview: the play head's tick, play and pause as every tool hears them, the end of play
// and the snapshot. The controls under the picture are the transport's (EditorTransport).
#include "editor/core/EditVideoWindowController.h"

#include "editor/core/EditAspect.h"
#include "editor/core/EditorTool.h"
#include "editor/core/EditorTransport.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/controls/ZylView.h"
#include "foundation/records/SimpleData.h"
#include "platform/Log.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/Loc.h"
#include "tools/shared/PreviewPane.h"

// Builds the preview and its controls once; a new file only gets a new player (the preview
// pane's) and new values in them.
void EditVideoWindowController::initPlayer() {
    if (preview_)
        return;
    preview_ = new PreviewPane(o_.playerView, this);
    preview_->tick = [this](double current, double d) { changePlayerSlider(current, d); };
    preview_->didEnd = [this] { playerDidEnd(); };
    preview_->movedOntoIndexLine = [this](const std::function<double(double)>& toLine) {
        movedOntoIndexLine(toLine);
    };
    EditorTransport::Actions actions;
    actions.togglePlay = [this] { togglePlay(); };
    actions.stop = [this] { stop(); };
    actions.snapshot = [this] { actionCarameraBtn(); };
    actions.duration = [this] { return duration(); };
    transport_ =
        new EditorTransport(*this, *preview_, o_.playerBottomView, o_.playerBottomChildView, actions);
    o_.transport = transport_;
}

bool EditVideoWindowController::isPlaying() const {
    return preview_->isPlaying();
}

// The sound stream, the file's own sound and the background music go to the player as play
// starts, as the export will mix them.
void EditVideoWindowController::play() {
    if (!preview_->player())
        return;
    applyEdit(edit::Sound | edit::Music);
    preview_->play();
    showPlaying(true);
}

// Every tool and the play button follow whether the preview plays.
void EditVideoWindowController::showPlaying(bool playing) {
    transport_->showPlaying(playing);
    for (EditorTool* t : tools_)
        t->playStateChanged(playing);
}

void EditVideoWindowController::pause() {
    if (!preview_->player())
        return;
    preview_->pause();
    showPlaying(false);
}

void EditVideoWindowController::stop() {
    if (!preview_->player())
        return;
    preview_->stop();
    showPlaying(false);
    changePlayerSlider(0, duration());
}

void EditVideoWindowController::togglePlay() {
    if (isPlaying())
        pause();
    else
        play();
}

// Every bar follows the play head, so that the one a tool switch shows is not stale.
void EditVideoWindowController::changePlayerSlider(double current, double d) {
    transport_->showTime(current, d);
    for (EditorTool* t : tools_)
        t->playerTick(current, d);
}

void EditVideoWindowController::showCurrentTime(double seconds) {
    transport_->showCurrentTime(seconds);
}

// The end of play: back to the start of the trim range, paused.
void EditVideoWindowController::playerDidEnd() {
    pause();
    const std::optional<float> head = session_.rewindToRangeStart(preview_->player());
    if (head)
        changePlayerSlider(double(*head) * duration(), duration());
}

void EditVideoWindowController::movedOntoIndexLine(const std::function<double(double)>& toLine) {
    const double d = preview_->duration();
    if (!session_.file().isOpen() || lineLength_ <= 0 || d <= 0)
        return;
    IndexLineMove move(lineLength_, d, toLine);
    lineLength_ = d;
    // The probed length gives way to the index's, as the export counts on it.
    session_.file().fileData->sourceData->duration = float(d);
    for (EditorTool* t : tools_)
        t->movedOntoIndexLine(move);
    changePlayerSlider(currentTime(), d);
    if (move.userTimeChanged())
        alert(loc("indexLineMovedString"));
}

void EditVideoWindowController::actionCarameraBtn() {
    preview_->snapshot(o_.exportBar->preparedOutputPath(), transport_->coverStyle(),
                       [](const QString& written) {
                           if (written.isEmpty())
                               qCWarning(lcEditor) << "snapshot not written";
                       });
}
