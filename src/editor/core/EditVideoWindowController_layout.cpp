// The editor window's views and their layout for any window size.
#include "editor/core/EditVideoWindowController.h"
#include "foundation/controls/FontFit.h"

#include "editor/music/MusicPanel.h"
#include "editor/picture/PictureTools.h"
#include "foundation/controls/LabelFit.h"
#include "foundation/controls/LxCutProgressView.h"
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

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <algorithm>

namespace {

using geometry::setFrame;

// The tool buttons' pictures and titles, in bar order.
struct ToolLook {
    const char* stem;
    const char* titleKey;
};
constexpr std::array<ToolLook, 7> kToolLooks{{{"SubFun/btnCut", "tool_trimItemTitle"},
                                              {"SubFun/btnCrop", "tool_cropItemTitle"},
                                              {"SubFun/btnEffect", "tool_effectItemTitle"},
                                              {"SubFun/btnWaterMark", "tool_watermarkItemTitle"},
                                              {"SubFun/btnSubtitle", "tool_subtitleItemTitle"},
                                              {"SubFun/btnRotation", "tool_rotateItemTitle"},
                                              {"SubFun/btnMusic", "tool_musicItemTitle"}}};

constexpr double kToolButtonWidth = 124;
constexpr double kToolButtonStep = 125;
constexpr double kToolStripHeight = 40;
// The band over the content that holds the tool strip, and the panel height in the left column.
constexpr double kToolBandHeight = 48;
constexpr double kPanelHeight = 390;
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
    _contentBackGroundView = panelView(this, Qt::white, 5, 2);
    _funItemBackView = panelView(this, toolstyle::kBrandBlue);
    _funItemContentView = panelView(_funItemBackView, Qt::white);
    _addfileButton = new ZylButton(this);
    toolstyle::styleAddFileButton(_addfileButton, loc("AddFileBtnTitle"));
    _addfileButton->mouseDownAction = [this](ZylButton*) {
        QPointer<EditVideoWindowController> self(this);
        QMetaObject::invokeMethod(
            this,
            [self] {
                if (self && !self->isClosing())
                    self->addfileAction();
            },
            Qt::QueuedConnection);
    };
    _scrLabel = new QLineEdit(this);
    _scrLabel->setReadOnly(true);
    _scrLabel->setPlaceholderText(loc("scrlabelplaceholderString"));
    QPalette p = _scrLabel->palette();
    p.setColor(QPalette::Text, toolstyle::kBrandBlue);
    _scrLabel->setPalette(p);
    _contentLeftView = new QWidget(this);
    _contentRightView = new QWidget(this);
    _playerBackView = panelView(this, toolstyle::kLightGrey);
    _playerView = new ZylImageView(_playerBackView);
    _playerView->setBackGroundColor(Qt::black);
    _playerBottomView = new ZylImageView(_playerBackView);
    _playerBottomChildView = new ZylView(_playerBottomView);
    buildMusicPanel();
}

void EditVideoWindowController::buildMusicPanel() {
    _musicRightView = panelView(this, toolstyle::kLightGrey);
    _musicRightPlayerView = new ZylImageView(_musicRightView);
    _musicRightPlayerView->setBackGroundColor(Qt::black);
    _musicRightBottomView = new ZylImageView(_musicRightView);
    _mCurrentTimeLabel = new QLabel(HelpClass::returnTimeToStr(0), _musicRightBottomView);
    _mTotaldurationLabel = new QLabel(HelpClass::returnTimeToStr(0), _musicRightBottomView);
    _mTotaldurationLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    _audiochanelPopBtn = new QComboBox(_musicRightBottomView);
    controls::setPixelFont(_audiochanelPopBtn, 13);
    _audiochanelPopBtn->setEnabled(false);
    _toolMusicNofileView = panelView(_musicRightView, toolstyle::kLightGrey);
    const char* keys[] = {"toolMusicNofileDescLabelstringValue", "toolMusicNofileDescLabel1stringValue",
                          "toolMusicNofileDescLabel2stringValue", "toolMusicNofileDescLabel3stringValue",
                          "toolMusicNofileDescLabel4stringValue"};
    for (const char* key : keys) {
        auto* l = new QLabel(loc(key), _toolMusicNofileView);
        l->setObjectName(QString::fromUtf8(key));
        l->setWordWrap(true);
        controls::setPixelFont(l, key == keys[0] ? 16 : 13);
    }
}

void EditVideoWindowController::buildToolBar() {
    for (size_t i = 0; i < kEditorToolBarOrder.size(); ++i) {
        auto* b =
            new ZylButton(NSMakeRect(1 + kToolButtonStep * double(i), 0, kToolButtonWidth, kToolStripHeight),
                          _funItemContentView);
        const QString stem = QString::fromUtf8(kToolLooks[i].stem);
        b->setNormalBackgroundImage(NamedImage(stem + "_Normal.bmp"));
        b->setDownBackgroundImage(NamedImage(stem + "_Down.bmp"));
        b->setSelectedBackgroundImage(NamedImage(stem + "_Down.bmp"));
        b->setOnBackgroundImage(NamedImage(stem + "_On.bmp"));
        b->setDisAbleBackgroundImage(NamedImage(stem + "_Disable.bmp"));
        b->setContentColor(Qt::white);
        // The strip's pictures draw the tool's icon in their first 30 points; the title keeps
        // clear of it and has the rest of the button.
        b->setLeftIconWidth(16);
        b->setContentImagePosition(0);
        b->setContentTitle(loc(kToolLooks[i].titleKey));
        controls::fitButtonFont(b, 12, 10);
        b->setCornerRadius(1);
        b->setBorderWidth(0);
        b->setIndex(kEditorToolBarOrder[i]);
        b->setEnabled(false);
        // Like every button of the window, the press only queues the switch.
        b->mouseDownAction = [this](ZylButton* button) {
            QPointer<EditVideoWindowController> self(this);
            const int code = button->index();
            QMetaObject::invokeMethod(
                this,
                [self, code] {
                    if (self && !self->isClosing())
                        self->openTool(code);
                },
                Qt::QueuedConnection);
        };
        toolButtons_[i] = b;
    }
}

void EditVideoWindowController::buildToolPanels() {
    for (size_t i = 0; i < kEditorToolBarOrder.size(); ++i) {
        auto* panel = new ZylImageView(_contentLeftView);
        panel->setObjectName(QString::fromUtf8(kToolLooks[i].titleKey));
        panel->resize(230, int(kPanelHeight));
        // Each panel is headed by its tool's name; the trim panel's controls follow here, the
        // other tools fill their panels themselves.
        auto* title = new QLabel(loc(kToolLooks[i].titleKey), panel);
        title->setObjectName("panelTitle");
        setFrame(title, NSMakeRect(5, kPanelHeight - 40, 220, 30));
        controls::fitLabelFont(title, 16, 12);
        panel->hide();
        toolPanels_[i] = panel;
    }
    _trimView = toolPanels_[0];
    _musicContentView = toolPanels_[6];
    initTrimView();
    buildOverlayPanels();
    musicPanel_ = new MusicPanel(this, _musicContentView, _musicRightView);
    picture_ = new PictureTools(*this, toolPanels_[1], toolPanels_[5], toolPanels_[2]);
    overlaysFollowTurns();
}

void EditVideoWindowController::buildExportBar() {
    ExportBar::Frames frames;
    frames.outputLabel = NSMakeRect(14, 30, 100, 26);
    frames.folder = NSMakeRect(118, 30, 200, 26);
    frames.reveal = NSMakeRect(322, 30, 26, 26);
    frames.progressLabel = NSMakeRect(362, 30, 80, 26);
    frames.progress = NSMakeRect(446, 37, 400, 12);
    frames.start = NSMakeRect(900, 20, 140, 46);
    exportBar_ = new ExportBar(this, this, frames, "Editfinishedstring");
    bindExport();
}

void EditVideoWindowController::hiddenMusicViewPlay(bool hidden) {
    _toolMusicNofileView->setVisible(hidden);
    _musicRightPlayerView->setVisible(!hidden);
    _musicRightBottomView->setVisible(!hidden);
    if (hidden)
        _toolMusicNofileView->raise();
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
    setMinimumSize(908, formatBrowser_ && formatBrowser_->isFolded() ? 622 : 780);
    if (!loaded_)
        return;
    layoutAreas(width(), height());
    layoutPlayerArea();
    refitPicture();
}

void EditVideoWindowController::layoutAreas(double W, double H) {
    // The title bar lies outside the window's area here: the content reaches 8 points below
    // the top edge, in full screen as in a window.
    const double rise = formatBandRise();
    const double F = 8, B = 85 + rise, L = 90 + rise, K = H - 209 - rise;
    setFrame(_contentBackGroundView, NSMakeRect(4, B, W - 8, H - (F + B)));
    const double bandY = H - F - kToolBandHeight;
    setFrame(_funItemBackView, NSMakeRect(4, bandY, W - 8, kToolBandHeight));
    setFrame(_funItemContentView, NSMakeRect(std::max(0.0, (W - 8 - 876) / 2), 4, 876, kToolStripHeight));
    for (size_t i = 0; i < toolButtons_.size(); ++i)
        setFrame(toolButtons_[i],
                 NSMakeRect(1 + kToolButtonStep * double(i), 0, kToolButtonWidth, kToolStripHeight));
    const double rowY = (L + K + bandY) / 2;
    setFrame(_addfileButton, NSMakeRect(14, rowY - 18, 150, 36));
    setFrame(_scrLabel, NSMakeRect(176, rowY - 12, W - 196, 24));
    setFrame(_contentLeftView, NSMakeRect(8, L, 240, K));
    setFrame(_contentRightView, NSMakeRect(248, L, W - 252, K));
    setFrame(_musicRightView, NSMakeRect(253, L, W - 264, K - 6));
    setFrame(_playerBackView, NSMakeRect(253, L, W - 264, K - 6));
    for (ZylImageView* panel : toolPanels_)
        setFrame(panel, NSMakeRect(5, K - kPanelHeight - 5, 230, kPanelHeight));
    // The export row along the bottom.
    setFrame(exportBar_->outputLabel, NSMakeRect(14, 30, exportBar_->outputLabel->width(), 26));
    const double folderX = 14 + exportBar_->outputLabel->width() + 4;
    setFrame(exportBar_->folderChooser, NSMakeRect(folderX, 30, 318 - folderX, 26));
    setFrame(exportBar_->revealButton, NSMakeRect(322, 30, 26, 26));
    setFrame(exportBar_->progressLabel, NSMakeRect(362, 30, exportBar_->progressLabel->width(), 26));
    const double progressX = 362 + exportBar_->progressLabel->width() + 4;
    setFrame(exportBar_->progressView, NSMakeRect(progressX, 37, std::max(0.0, W - 158 - progressX), 12));
    setFrame(exportBar_->startButton, NSMakeRect(W - 150, 20, 140, 46));
    layoutFormatBrowser(W);
}

void EditVideoWindowController::layoutPlayerArea() {
    const double pw = _playerBackView->width(), ph = _playerBackView->height();
    setFrame(_playerView, NSMakeRect(0, 80, pw, ph - 112));
    setFrame(_playerBottomView, NSMakeRect(0, 0, pw, 81));
    const double mw = _musicRightView->width(), mh = _musicRightView->height();
    // The row of the video's own sound lies between the picture and the strip.
    setFrame(_musicRightPlayerView, NSMakeRect(14, 122, mw - 26, mh - 122));
    setFrame(_musicRightBottomView, NSMakeRect(0, 0, mw, 91));
    setFrame(_toolMusicNofileView, NSMakeRect(0, 0, mw, mh));
    const QList<QLabel*> hints = _toolMusicNofileView->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    double y = mh / 2 + 70;
    for (QLabel* l : hints) {
        setFrame(l, NSMakeRect(40, y, mw - 80, 36));
        y -= 40;
    }
    setFrame(_mCurrentTimeLabel, NSMakeRect(15, 50, 100, 26));
    setFrame(_mTotaldurationLabel, NSMakeRect(mw - 115, 50, 100, 26));
    setFrame(_audiochanelPopBtn, NSMakeRect(mw / 2 - 130, 51, 260, 24));
    musicPanel_->layoutRight(mw, mh);
    // Bars and time labels under the picture.
    const double P = _playerBottomView->height(), PW = _playerBottomView->width();
    setFrame(_progressSlider, NSMakeRect(105, (P - 17) / 2 + 10, PW - 210, 17));
    setFrame(_cutProgressView, NSMakeRect(105, (P - 30) / 2 + 10, PW - 210, 30));
    setFrame(_currentTimeLabel, NSMakeRect(10, (P - 26) / 2 + 6, 92, 26));
    setFrame(_totalTimeLabel, NSMakeRect(PW - 98, (P - 26) / 2 + 6, 92, 26));
    QWidget* strip = _playerBottomChildView->parentWidget();
    if (strip)
        setFrame(_playerBottomChildView,
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
                     ? EditState::getVideoSizeForTrack(*file.fileData, session_.state().playerRotateAngle)
                     : QSizeF();
    QWidget* host = toolItemType_ == EditorToolTypeMusic ? _musicRightPlayerView : _playerView;
    pictureRect_ = aspectFit(videoSize_, geometry::bounds(host));
    if (picture_)
        picture_->pictureRefitted();
    overlaysToolShown(EditorToolType(toolItemType_));
}

NSRect EditVideoWindowController::cropRectInView() const {
    const NSRect& clip = session_.state().editVideoClipRect;
    if (videoSize_.width() <= 0 || videoSize_.height() <= 0 || clip.isEmpty())
        return {};
    const double sx = pictureRect_.width / videoSize_.width(), sy = pictureRect_.height / videoSize_.height();
    return {pictureRect_.x + clip.x * sx, pictureRect_.y + clip.y * sy, clip.width * sx, clip.height * sy};
}
