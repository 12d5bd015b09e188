// The editor window's side of the watermark and subtitle tools: it builds their panels into
// the tool panels and tells them when a file opens, the picture moves, a tool is shown, the
// preview plays or pauses, and an export starts.
#include "editor/core/EditVideoWindowController.h"

#include "editor/overlays/SubtitlePanel.h"
#include "editor/overlays/WaterMarkPanel.h"
#include "editor/picture/PictureGeometry.h"
#include "editor/picture/PictureTools.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/records/SubtitleParam.h"
#include "tools/shared/Loc.h"
#include "tools/shared/PreviewPane.h"

#include <QTimer>

void EditVideoWindowController::buildOverlayPanels() {
    WaterMarkPanel::Host water;
    water.player = [this] { return preview_ ? preview_->player() : nullptr; };
    water.pictureHost = [this] { return static_cast<QWidget*>(_playerView); };
    water.pictureRect = [this] { return pictureRect_; };
    water.videoSize = [this] { return videoSize_; };
    water.duration = [this] { return duration(); };
    water.isPlaying = [this] { return preview_ && isPlaying(); };
    water.alert = [this](const QString& text) { showSimpleAlert(text); };
    waterPanel_ = new WaterMarkPanel(toolPanel(EditorToolTypeWatermark), std::move(water));

    SubtitlePanel::Host sub;
    sub.player = [this] { return preview_ ? preview_->player() : nullptr; };
    sub.style = [this]() -> SubtitleParam* {
        return session_.file().isOpen() ? session_.state().subtitleParam.get() : nullptr;
    };
    sub.pictureHeight = [this] { return videoSize_.height(); };
    sub.alert = [this](const QString& text) { showSimpleAlert(text); };
    subtitlePanel_ = new SubtitlePanel(toolPanel(EditorToolTypeSubtitle), std::move(sub));
}

// The watermarks turn and mirror with the picture. The picture's new size is known only once
// the turn has been applied, so the overlay and the player's marks follow right after it.
void EditVideoWindowController::overlaysFollowTurns() {
    picture_->onPictureTurned = [this](picture::Turn turn, QSizeF before) {
        if (!waterPanel_)
            return;
        picture::turnWatermarks(waterPanel_->list(), before, turn);
        QTimer::singleShot(0, this, [this] {
            if (!waterPanel_)
                return;
            waterPanel_->layoutOverlay();
            waterPanel_->refreshPlayerWaterMark(false);
        });
    };
}

void EditVideoWindowController::overlaysFileOpened() {
    if (!waterPanel_)
        return;
    waterPanel_->initWatermarkView();
    waterPanel_->fileOpened();
    subtitlePanel_->refresh();
    overlaysToolShown(EditorToolType(toolItemType_));
}

void EditVideoWindowController::overlaysToolShown(EditorToolType tool) {
    if (!waterPanel_)
        return;
    waterPanel_->layoutOverlay();
    waterPanel_->setToolShown(tool == EditorToolTypeWatermark);
}

void EditVideoWindowController::overlaysPlayStateChanged(bool playing) {
    if (waterPanel_)
        waterPanel_->playStateChanged(playing);
}

void EditVideoWindowController::overlaysEnabled(bool enable) {
    if (!waterPanel_)
        return;
    waterPanel_->enableWaterChildView(enable && !waterPanel_->list().empty());
    subtitlePanel_->setControlsEnabled(enable);
}

bool EditVideoWindowController::overlayExportRecords(overlays::MarkRecords* out) {
    QString error;
    if (!waterPanel_ || waterPanel_->exportRecords(out, &error))
        return true;
    showSimpleAlert(loc("waterMarkNotWrittenString") + QStringLiteral("\n") + error);
    return false;
}
