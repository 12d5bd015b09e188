// Switching between the tools: which panel, bar and button show, and where the player's view
// and its transport strip live (under the picture, or in the side stage of a tool that asks
// for it).
#include "editor/core/EditVideoWindowController.h"

#include "editor/core/EditorTool.h"
#include "editor/core/EditorToolStrip.h"
#include "editor/core/EditorToolTable.h"
#include "editor/core/EditorTransport.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/controls/ZylView.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Log.h"
#include "tools/shared/PreviewPane.h"

namespace {

size_t barIndex(int code) {
    const auto& rows = editorToolRows();
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].code == code)
            return i;
    return 0;
}

} // namespace

ZylButton* EditVideoWindowController::toolButton(int code) const {
    return o_.toolButtons[barIndex(code)];
}

QWidget* EditVideoWindowController::toolPanel(int code) const {
    return o_.toolPanels[barIndex(code)];
}

QWidget* EditVideoWindowController::sideStage() const {
    return o_.sideStage;
}

void EditVideoWindowController::openTool(int code) {
    showTool(editorToolRow(code).code);
}

// Moves the player's view (when a file is open) and the transport strip to new homes and
// lays the window out again for them.
void EditVideoWindowController::movePlayerViewTo(QWidget* host, QWidget* stripHost) {
    pictureHost_ = host;
    if (LxMoviePlayer* player = preview_->player(); player && player->view()) {
        QWidget* view = player->view();
        if (view->parentWidget() != host) {
            view->setParent(host);
            view->show();
        }
        view->setGeometry(host->rect());
    }
    if (o_.playerBottomChildView->parentWidget() != stripHost) {
        o_.playerBottomChildView->setParent(stripHost);
        o_.playerBottomChildView->show();
    }
    changesize();
}

void EditVideoWindowController::showPictureIn(QWidget* host, QWidget* transportHost) {
    movePlayerViewTo(host, transportHost);
}

void EditVideoWindowController::showTool(int code) {
    const EditorToolRow& row = editorToolRow(code);
    const size_t shown = barIndex(row.code);
    toolItemType_ = row.code;
    qCDebug(lcApp) << "editor tool" << row.code;
    if (!row.sideStage)
        movePlayerViewTo(o_.playerView, o_.playerBottomView);
    strip_->select(shown);
    o_.sideStage->setVisible(row.sideStage);
    o_.playerBackView->setVisible(!row.sideStage);
    if (!row.sideStage) {
        // A tool with a bar of its own shows it under the picture, every other tool the seek
        // slider; a tool in the side stage leaves them as they were.
        QWidget* ownBar = tools_[shown]->bar();
        for (EditorTool* t : tools_)
            if (QWidget* bar = t->bar())
                bar->setVisible(bar == ownBar);
        transport_->slider->setVisible(!ownBar);
        // The bar now shown reads the preview's time, as the time label does.
        if (preview_->player())
            changePlayerSlider(currentTime(), duration());
    }
    for (size_t i = 0; i < tools_.size(); ++i)
        tools_[i]->setShown(i == shown);
    refitPicture();
}
