// Switching between the seven tools: which panel, bar and button show, and where the
// player's view and its transport strip live (under the picture, or in the music panel).
#include "editor/core/EditVideoWindowController.h"

#include "editor/music/MusicPanel.h"

#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/controls/ZylView.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Log.h"
#include "tools/shared/PreviewPane.h"

namespace {

size_t barIndex(EditorToolType tool) {
    for (size_t i = 0; i < kEditorToolBarOrder.size(); ++i)
        if (kEditorToolBarOrder[i] == tool)
            return i;
    return 0;
}

} // namespace

ZylButton* EditVideoWindowController::toolButton(EditorToolType tool) const {
    return toolButtons_[barIndex(tool)];
}

QWidget* EditVideoWindowController::toolPanel(EditorToolType tool) const {
    return toolPanels_[barIndex(tool)];
}

void EditVideoWindowController::openTool(int code) {
    switch (editorToolTypeFromCode(code)) {
    case EditorToolTypeTrim:
        return cutAction();
    case EditorToolTypeRotate:
        return rotateAction();
    case EditorToolTypeCrop:
        return cropAction();
    case EditorToolTypeEffect:
        return effectAction();
    case EditorToolTypeWatermark:
        return watermarkAction();
    case EditorToolTypeSubtitle:
        return subtitleAction();
    case EditorToolTypeMusic:
        return addmusicAction();
    }
}

void EditVideoWindowController::cutAction() {
    showTool(EditorToolTypeTrim);
}
void EditVideoWindowController::rotateAction() {
    showTool(EditorToolTypeRotate);
}
void EditVideoWindowController::cropAction() {
    showTool(EditorToolTypeCrop);
}
void EditVideoWindowController::effectAction() {
    showTool(EditorToolTypeEffect);
}
void EditVideoWindowController::watermarkAction() {
    showTool(EditorToolTypeWatermark);
}
void EditVideoWindowController::subtitleAction() {
    showTool(EditorToolTypeSubtitle);
}
void EditVideoWindowController::addmusicAction() {
    showTool(EditorToolTypeMusic);
}

// Moves the player's view (when a file is open) and the transport strip to new homes and
// lays the window out again for them.
void EditVideoWindowController::movePlayerViewTo(QWidget* host, QWidget* stripHost) {
    if (LxMoviePlayer* player = preview_->player(); player && player->view()) {
        QWidget* view = player->view();
        view->setParent(host);
        view->setGeometry(host->rect());
        view->show();
    }
    if (_playerBottomChildView->parentWidget() != stripHost) {
        _playerBottomChildView->setParent(stripHost);
        _playerBottomChildView->show();
    }
    changesize();
}

void EditVideoWindowController::showTool(EditorToolType tool) {
    const bool music = tool == EditorToolTypeMusic;
    toolItemType_ = tool;
    if (music && oldToolItemType_ != EditorToolTypeMusic)
        movePlayerViewTo(_musicRightPlayerView, _musicRightBottomView);
    else if (!music && oldToolItemType_ == EditorToolTypeMusic)
        movePlayerViewTo(_playerView, _playerBottomView);
    oldToolItemType_ = toolItemType_;
    qCDebug(lcApp) << "editor tool" << tool;

    for (size_t i = 0; i < toolPanels_.size(); ++i)
        toolPanels_[i]->setVisible(kEditorToolBarOrder[i] == tool);
    _musicRightView->setVisible(music);
    _playerBackView->setVisible(!music);
    if (!music) {
        // The trim tool shows the trim bar under the picture, every other tool the seek slider;
        // the music tool leaves them as they were.
        const bool trim = tool == EditorToolTypeTrim;
        _cutProgressView->setVisible(trim);
        _progressSlider->setVisible(!trim);
        // The bar now shown reads the preview's time, as the time label does.
        if (preview_->player())
            changePlayerSlider(currentTime(), duration());
    }
    for (size_t i = 0; i < toolButtons_.size(); ++i)
        toolButtons_[i]->setSelected(kEditorToolBarOrder[i] == tool);
    if (music) {
        enableEdit(true);
        musicPanel_->mainPlaybackChanged(isPlaying());
    }
    refitPicture();
}
