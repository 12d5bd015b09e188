// The editor window's views and their layout for any window size.
#include "editor/core/EditVideoWindowController.h"
#include "foundation/controls/FontFit.h"

#include "editor/core/EditorFormatBand.h"
#include "editor/core/EditorTool.h"
#include "editor/core/EditorToolStrip.h"
#include "editor/core/EditorToolTable.h"
#include "editor/core/EditorTransport.h"
#include "foundation/controls/LabelFit.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/controls/ZylView.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/records/SimpleData.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/FormatBrowser.h"
#include "tools/shared/Loc.h"
#include "tools/shared/OutputFolderChooser.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/ToolLayout.h"
#include "tools/shared/ToolStyle.h"

#include <QEvent>
#include <QLineEdit>
#include <algorithm>

namespace {

using geometry::setFrame;

// The band over the content that holds the tool strip.
constexpr double kToolBandHeight = 48;
constexpr double kToolStripHeight = EditorToolStrip::kStripHeight;
// The transport strip: five buttons, the snapshot-format pop-up while shown, the volume slider.
constexpr double kTransportWidth = 340;
constexpr double kTransportHeight = 30;

ZylView* panelView(QWidget* parent, const QColor& colour, double radius = 0, double border = 0) {
    auto* v = new ZylView(parent);
    v->setBackGroundColor(colour);
    v->setBordColor(colour);
    v->setCornerRadius(radius);
    v->setBorderWidth(border);
    return v;
}

// The largest rectangle of size's proportions centred in bounds.
NSRect aspectFit(QSizeF size, const NSRect& bounds) {
    if (size.width() <= 0 || size.height() <= 0 || bounds.isEmpty())
        return {};
    const double scale = std::min(bounds.width / size.width(), bounds.height / size.height());
    const double w = size.width() * scale, h = size.height() * scale;
    return {bounds.x + (bounds.width - w) / 2, bounds.y + (bounds.height - h) / 2, w, h};
}

} // namespace

void EditVideoWindowController::buildFrameViews() {
    toolstyle::paintBackground(this, toolstyle::kBrandBlue);
    o_.contentBackGroundView = panelView(this, Qt::white, 5, 2);
    o_.funItemBackView = panelView(this, toolstyle::kBrandBlue);
    o_.funItemContentView = panelView(o_.funItemBackView, Qt::white);
    o_.addfileButton = new ZylButton(this);
    toolstyle::styleAddFileButton(o_.addfileButton, loc("AddFileBtnTitle"));
    o_.addfileButton->mouseDownAction = afterClick([this] { addfileAction(); });
    o_.scrLabel = new QLineEdit(this);
    o_.scrLabel->setReadOnly(true);
    o_.scrLabel->setPlaceholderText(loc("scrlabelplaceholderString"));
    QPalette p = o_.scrLabel->palette();
    p.setColor(QPalette::Text, toolstyle::kBrandBlue);
    o_.scrLabel->setPalette(p);
    o_.contentLeftView = new QWidget(this);
    o_.contentRightView = new QWidget(this);
    o_.playerBackView = panelView(this, toolstyle::kLightGrey);
    o_.playerView = new ZylImageView(o_.playerBackView);
    o_.playerView->setBackGroundColor(Qt::black);
    o_.playerBottomView = new ZylImageView(o_.playerBackView);
    o_.playerBottomChildView = new ZylView(o_.playerBottomView);
    o_.sideStage = panelView(this, toolstyle::kLightGrey);
    o_.sideStage->hide();
    pictureHost_ = o_.playerView;
}

// One button, one panel and one tool for each row of the tool table, in bar order.
void EditVideoWindowController::buildTools() {
    strip_ = std::make_unique<EditorToolStrip>(*this, o_.funItemContentView, o_.contentLeftView,
                                               [this](int code) { openTool(code); });
    o_.toolButtons = strip_->buttons();
    o_.toolPanels = strip_->panels();
    const auto& rows = editorToolRows();
    for (size_t i = 0; i < rows.size(); ++i) {
        tools_.push_back(rows[i].make(*this, o_.toolPanels[i]));
        // A bar of the tool's own lives under the picture, beside the seek slider.
        if (QWidget* bar = tools_.back()->bar()) {
            bar->setParent(o_.playerBottomView);
            bar->hide();
        }
    }
}

void EditVideoWindowController::buildExportBar() {
    ExportBar::Frames frames;
    frames.outputLabel = NSMakeRect(14, 30, 100, 26);
    frames.folder = NSMakeRect(118, 30, 200, 26);
    frames.reveal = NSMakeRect(322, 30, 26, 26);
    frames.progressLabel = NSMakeRect(362, 30, 80, 26);
    frames.progress = NSMakeRect(446, 37, 400, 12);
    frames.start = NSMakeRect(900, 20, 140, 46);
    o_.exportBar = new ExportBar(this, this, frames, "Editfinishedstring");
    bindExport();
}

void EditVideoWindowController::resizeEvent(QResizeEvent* event) {
    ToolWindow::resizeEvent(event);
    changesize();
}

void EditVideoWindowController::changeEvent(QEvent* event) {
    ToolWindow::changeEvent(event);
    // Entering or leaving full screen lays the window out for its new size at once.
    if (event->type() == QEvent::WindowStateChange)
        changesize();
}

// The format browser stands between the content and the export row; folded, it keeps only its
// title, and the window may be lower.
void EditVideoWindowController::changesize() {
    setMinimumSize(908, format_ ? format_->minimumHeight() : 780);
    if (!loaded_)
        return;
    layoutAreas(width(), height());
    layoutPlayerArea();
    refitPicture();
}

void EditVideoWindowController::layoutAreas(double W, double H) {
    // The title bar lies outside the window's area here: the content reaches 8 points below
    // the top edge, in full screen as in a window.
    const double rise = format_ ? format_->rise() : 0;
    const double F = 8, B = 85 + rise, L = 90 + rise, K = H - 209 - rise;
    setFrame(o_.contentBackGroundView, NSMakeRect(4, B, W - 8, H - (F + B)));
    const double bandY = H - F - kToolBandHeight;
    setFrame(o_.funItemBackView, NSMakeRect(4, bandY, W - 8, kToolBandHeight));
    setFrame(o_.funItemContentView, NSMakeRect(std::max(0.0, (W - 8 - 876) / 2), 4, 876, kToolStripHeight));
    const double rowY = (L + K + bandY) / 2;
    setFrame(o_.addfileButton, NSMakeRect(14, rowY - 18, 150, 36));
    setFrame(o_.scrLabel, NSMakeRect(176, rowY - 12, W - 196, 24));
    setFrame(o_.contentLeftView, NSMakeRect(8, L, 240, K));
    setFrame(o_.contentRightView, NSMakeRect(248, L, W - 252, K));
    setFrame(o_.sideStage, NSMakeRect(253, L, W - 264, K - 6));
    setFrame(o_.playerBackView, NSMakeRect(253, L, W - 264, K - 6));
    strip_->layout(K);
    // The export row along the bottom.
    setFrame(o_.exportBar->outputLabel, NSMakeRect(14, 30, o_.exportBar->outputLabel->width(), 26));
    const double folderX = 14 + o_.exportBar->outputLabel->width() + 4;
    setFrame(o_.exportBar->folderChooser, NSMakeRect(folderX, 30, 318 - folderX, 26));
    setFrame(o_.exportBar->revealButton, NSMakeRect(322, 30, 26, 26));
    setFrame(o_.exportBar->progressLabel, NSMakeRect(362, 30, o_.exportBar->progressLabel->width(), 26));
    const double progressX = 362 + o_.exportBar->progressLabel->width() + 4;
    setFrame(o_.exportBar->progressView, NSMakeRect(progressX, 37, std::max(0.0, W - 158 - progressX), 12));
    setFrame(o_.exportBar->startButton, NSMakeRect(W - 150, 20, 140, 46));
    format_->layout(W);
}

void EditVideoWindowController::layoutPlayerArea() {
    const double pw = o_.playerBackView->width(), ph = o_.playerBackView->height();
    setFrame(o_.playerView, NSMakeRect(0, 80, pw, ph - 112));
    setFrame(o_.playerBottomView, NSMakeRect(0, 0, pw, 81));
    for (EditorTool* t : tools_)
        t->layout();
    // Bars and time labels under the picture.
    const double P = o_.playerBottomView->height(), PW = o_.playerBottomView->width();
    transport_->layout(PW, P);
    for (EditorTool* t : tools_)
        if (QWidget* bar = t->bar())
            setFrame(bar, NSMakeRect(105, (P - bar->height()) / 2 + 10, PW - 210, bar->height()));
    QWidget* strip = o_.playerBottomChildView->parentWidget();
    if (strip)
        setFrame(o_.playerBottomChildView,
                 NSMakeRect((strip->width() - kTransportWidth) / 2, 5, kTransportWidth, kTransportHeight));
    if (LxMoviePlayer* player = preview_->player(); player && player->view()) {
        if (QWidget* host = player->view()->parentWidget())
            player->view()->setGeometry(host->rect());
    }
}

// Fits the picture to the player's view as it is now. The crop and the overlays stay on the
// same pixels of the picture: the edit state keeps them in picture pixels, and only their
// place on the screen follows the new picture rectangle.
void EditVideoWindowController::refitPicture() {
    const auto& file = session_.file();
    videoSize_ = file.isOpen()
                     ? EditState::getVideoSizeForTrack(*file.fileData, session_.state().playerRotateAngle())
                     : QSizeF();
    pictureRect_ = aspectFit(videoSize_, geometry::bounds(pictureHost_));
    // Snapshots show the picture as turned, like the preview.
    if (preview_ && preview_->player() && !videoSize_.isEmpty())
        preview_->setPictureSize(videoSize_.toSize());
    for (EditorTool* t : tools_)
        t->pictureMoved();
}

NSRect EditVideoWindowController::cropRectInView() const {
    const NSRect& clip = session_.state().editVideoClipRect();
    if (videoSize_.width() <= 0 || videoSize_.height() <= 0 || clip.isEmpty())
        return {};
    const double sx = pictureRect_.width / videoSize_.width(), sy = pictureRect_.height / videoSize_.height();
    return {pictureRect_.x + clip.x * sx, pictureRect_.y + clip.y * sy, clip.width * sx, clip.height * sy};
}
