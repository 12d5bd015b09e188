// The music panel's controls and their places.
#include "editor/music/MusicPanel.h"
#include "foundation/controls/FontFit.h"

#include "editor/core/EditorHost.h"
#include "editor/music/MusicTrackList.h"
#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/NamedImage.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/MusicInfo.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "tools/shared/Loc.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/TimeCodeRow.h"

#include <QComboBox>
#include <QLabel>
#include <QMetaObject>
#include <QPointer>
#include <QPushButton>

namespace {

constexpr int kCaptionPx = 12, kMinCaptionPx = 9;

QLabel* caption(QWidget* parent, const char* key, const QRect& r) {
    auto* l = new QLabel(loc(key), parent);
    l->setGeometry(r);
    controls::fitLabelFont(l, kCaptionPx, kMinCaptionPx);
    return l;
}

TimeCodeRow* timeRow(QWidget* parent, const QRect& r) {
    auto* row = new TimeCodeRow(parent, NSMakeRect(0, 0, r.width(), r.height()), TimeCodeRow::Style::Compact);
    row->setGeometry(r);
    return row;
}

} // namespace

MusicPanel::MusicPanel(EditorHost& host, QWidget* left) : QObject(left), EditorTool(host) {
    audioTimer_.setInterval(PreviewPane::kTickMs);
    connect(&audioTimer_, &QTimer::timeout, this, [this] { changeMusicPlayerSlider(); });
    buildLeft(left);
    buildStage(host.sideStage());
    buildRight(host.sideStage());
    bindFields();
    applyPruneLayout(false);
    enableMusicEdit(false);
    o_.removeOriginalmusicBtn->setEnabled(false);
    refreshMusicTimeField(0);
}

MusicPanel::~MusicPanel() {
    audioTimer_.stop();
}

// Clicks are queued, so that a button's own press handling has finished before the panel
// rebuilds or disables controls.
ZylButton* MusicPanel::imageButton(QWidget* parent, const char* stem, void (MusicPanel::*action)()) {
    auto* b = new ZylButton(parent);
    if (stem) {
        const QString s = QString::fromUtf8(stem);
        b->setNormalImage(NamedImage(s + "_Normal.png"));
        b->setDisAbleImage(NamedImage(s + "_Disable.png"));
    }
    QPointer<MusicPanel> self(this);
    b->mouseDownAction = [self, action](ZylButton*) {
        if (self)
            QMetaObject::invokeMethod(
                self.data(),
                [self, action] {
                    if (self)
                        (self.data()->*action)();
                },
                Qt::QueuedConnection);
    };
    return b;
}

ZylButton* MusicPanel::checkBox(QWidget* parent, const char* key, void (MusicPanel::*action)()) {
    auto* b = new ZylButton(parent);
    b->setNormalImage(NamedImage("Join/CheckBox_NoCheck.bmp"));
    b->setSelectedImage(NamedImage("Join/CheckBox_Checked.bmp"));
    b->setBordered(false);
    b->setContentImagePosition(1);
    b->setContentColor(Qt::black);
    b->setContentTitle(QStringLiteral("  ") + loc(key));
    QPointer<MusicPanel> self(this);
    b->mouseDownAction = [self, action](ZylButton*) {
        if (self)
            (self.data()->*action)();
    };
    return b;
}

void MusicPanel::buildLeft(QWidget* left) {
    o_.loadmusicBtn = new QPushButton(loc("LocalMusicTitle"), left);
    o_.loadmusicBtn->setGeometry(4, 44, 180, 24);
    connect(o_.loadmusicBtn, &QPushButton::clicked, this, [this] { loadMusicAction(); });
    o_.deletedMusicBtn = imageButton(left, "SubFun/btnDeleteWaterMark", &MusicPanel::deleteSelectedTrack);
    o_.deletedMusicBtn->setOnImage(NamedImage("SubFun/btnDeleteWaterMark_On.png"));
    o_.deletedMusicBtn->setDownImage(NamedImage("SubFun/btnDeleteWaterMark_Down.png"));
    o_.deletedMusicBtn->setGeometry(200, 43, 26, 26);
    o_.trackList = new MusicTrackList(left);
    o_.trackList->setGeometry(4, 70, 222, 48);
    o_.trackList->rowClicked = [this](int row) { selectRow(row); };
    o_.trackList->checkClicked = [this](int row) { toggleRow(row); };
    buildTrackRow(left);
    buildPositionArea(left);
    buildPruneArea(left);
}

void MusicPanel::buildTrackRow(QWidget* left) {
    o_.musicItemPlayPauseBtn = imageButton(left, "Join/btnPlay", &MusicPanel::playOrPauseAudio);
    o_.musicItemPlayPauseBtn->setSelectedImage(NamedImage("Join/btnPause_Normal.png"));
    o_.musicItemPlayPauseBtn->setGeometry(4, 119, 24, 24);
    o_.musicItemVolueBtn = imageButton(left, "Cut/btnOpenVolume", &MusicPanel::toggleTrackMute);
    o_.musicItemVolueBtn->setSelectedImage(NamedImage("Cut/btnCloseVolume_Normal.png"));
    o_.musicItemVolueBtn->setGeometry(30, 119, 24, 24);
    o_.musicItemVolueSlider = new LxProgressSlider(NSMakeRect(0, 0, 118, 17), left);
    o_.musicItemVolueSlider->setGeometry(58, 122, 118, 17);
    o_.musicItemVolueSlider->setProgress(1.0f);
    o_.musicItemVolueSlider->setDelegate(this);
    o_.musicItemVoluelabel = new QLabel(QStringLiteral("100%"), left);
    o_.musicItemVoluelabel->setGeometry(180, 120, 46, 22);
    controls::setPixelFont(o_.musicItemVoluelabel, kCaptionPx);
}

void MusicPanel::buildPositionArea(QWidget* left) {
    o_.setthemusicpositionLabel = caption(left, "SetthemusicpositionString", QRect(4, 143, 222, 16));
    o_.startMusicTimeLabel = caption(left, "StartFieldLabelstringValue", QRect(4, 159, 84, 24));
    o_.positionStartRow = timeRow(left, QRect(88, 159, 138, 24));
    o_.endMusicTimeLabel = caption(left, "stopFieldLabelstringValue", QRect(4, 185, 84, 24));
    o_.positionEndRow = timeRow(left, QRect(88, 185, 138, 24));
    o_.musicPositionLabel = caption(left, "MusicPositionLabelstringValue", QRect(4, 209, 222, 16));
    o_.musicRangSlider = new MusicRangeSlider(left);
    o_.musicRangSlider->setGeometry(4, 225, 222, 22);
    o_.musicRangSlider->delegate = this;
    o_.repeatMusicBtn = checkBox(left, "Repeat music", &MusicPanel::toggleRepeat);
    o_.repeatMusicBtn->setGeometry(4, 248, 110, 24);
    o_.pruneMusicBtn = checkBox(left, "Prune music", &MusicPanel::togglePrune);
    o_.pruneMusicBtn->setGeometry(116, 248, 110, 24);
    o_.fadeContentView = new QWidget(left);
    o_.fadeInBtn = checkBox(o_.fadeContentView, "Fade In", &MusicPanel::toggleFadeIn);
    o_.fadeInBtn->setGeometry(4, 0, 110, 24);
    o_.fadeOutBtn = checkBox(o_.fadeContentView, "Fade Out", &MusicPanel::toggleFadeOut);
    o_.fadeOutBtn->setGeometry(116, 0, 110, 24);
    for (ZylButton* b : {o_.repeatMusicBtn, o_.pruneMusicBtn, o_.fadeInBtn, o_.fadeOutBtn})
        controls::fitButtonFont(b, kCaptionPx, kMinCaptionPx);
}

void MusicPanel::buildPruneArea(QWidget* left) {
    o_.pruneContentView = new QWidget(left);
    o_.pruneContentView->setGeometry(0, 272, 230, 94);
    o_.pruneStartLabel = caption(o_.pruneContentView, "StartFieldLabelstringValue", QRect(4, 0, 84, 24));
    o_.pruneStartRow = timeRow(o_.pruneContentView, QRect(88, 0, 138, 24));
    o_.pruneEndLabel = caption(o_.pruneContentView, "stopFieldLabelstringValue", QRect(4, 25, 84, 24));
    o_.pruneEndRow = timeRow(o_.pruneContentView, QRect(88, 25, 138, 24));
    o_.pruneRangeMusicLabel =
        caption(o_.pruneContentView, "PruneRangeMusicLabelstringValue", QRect(4, 49, 222, 16));
    o_.pruneMusicLeftBtn = imageButton(o_.pruneContentView, nullptr, &MusicPanel::pruneStartFromPreview);
    o_.pruneMusicRightBtn = imageButton(o_.pruneContentView, nullptr, &MusicPanel::pruneEndFromPreview);
    for (auto [b, key] : {std::pair{o_.pruneMusicLeftBtn, "【"}, std::pair{o_.pruneMusicRightBtn, "】"}}) {
        b->setBackGroundColor(QColor(230, 230, 230));
        b->setCornerRadius(5);
        b->setContentColor(Qt::black);
        b->setContentTitle(loc(key));
    }
    o_.pruneMusicLeftBtn->setGeometry(4, 67, 24, 24);
    o_.playPruneMusicBtn = imageButton(o_.pruneContentView, "Join/btnPlay", &MusicPanel::playOrPauseAudio);
    o_.playPruneMusicBtn->setSelectedImage(NamedImage("Join/btnPause_Normal.png"));
    o_.playPruneMusicBtn->setGeometry(31, 67, 24, 24);
    o_.pruneMusicRightBtn->setGeometry(58, 67, 24, 24);
    o_.pruneRangSlider = new LxCutProgressView(NSMakeRect(0, 0, 140, 30), o_.pruneContentView);
    o_.pruneRangSlider->setGeometry(86, 64, 140, 30);
    o_.pruneRangSlider->setType(2);
    o_.pruneRangSlider->setTickMark(true);
    o_.pruneRangSlider->setDelegate(this);
}

void MusicPanel::buildRight(QWidget* right) {
    o_.videooriginalsoundLabel = new QLabel(loc("videooriginalsoundLabelstringValue"), right);
    o_.originalVolumeBtn = imageButton(right, "Cut/btnOpenVolume", &MusicPanel::toggleOriginalMute);
    o_.originalVolumeBtn->setSelectedImage(NamedImage("Cut/btnCloseVolume_Normal.png"));
    o_.originalVolumeSlider = new LxProgressSlider(NSMakeRect(0, 0, 120, 17), right);
    o_.originalVolumeSlider->setProgress(1.0f);
    o_.originalVolumeSlider->setDelegate(this);
    o_.originalMusicVolumeLabel = new QLabel(QStringLiteral("100%"), right);
    controls::setPixelFont(o_.originalMusicVolumeLabel, kCaptionPx);
    o_.removeOriginalmusicBtn = checkBox(right, "Remove Original music", &MusicPanel::toggleRemoveOriginal);
    // The caption of the window's sound-stream pop-up, beside it in the strip's area.
    o_.audiochanelLabel =
        new QLabel(loc("audiochanelLabelstringValue"), o_.audiochanelPopBtn->parentWidget());
    o_.audiochanelLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

// The row of the video's own sound sits just above the player strip's area.
void MusicPanel::layoutRight(double width, double height) {
    const int y = int(height) - 91 - 28;
    o_.videooriginalsoundLabel->setGeometry(14, y, 120, 24);
    controls::fitLabelFont(o_.videooriginalsoundLabel, kCaptionPx, kMinCaptionPx);
    o_.originalVolumeBtn->setGeometry(136, y, 24, 24);
    o_.originalVolumeSlider->setGeometry(162, y + 4, 120, 17);
    o_.originalMusicVolumeLabel->setGeometry(286, y, 46, 24);
    o_.removeOriginalmusicBtn->setGeometry(336, y, std::max(120, int(width) - 350), 24);
    controls::fitButtonFont(o_.removeOriginalmusicBtn, kCaptionPx, kMinCaptionPx);
    // Between the play time at the strip's left and the pop-up.
    const QRect pop = o_.audiochanelPopBtn->geometry();
    const int left = 116;
    o_.audiochanelLabel->setGeometry(left, pop.y(), std::max(0, pop.x() - 4 - left), pop.height());
    controls::fitLabelFont(o_.audiochanelLabel, kCaptionPx, kMinCaptionPx);
}

// With "Prune music" on, the prune section shows under the check boxes and the fades move
// below it.
void MusicPanel::applyPruneLayout(bool prune) {
    o_.pruneContentView->setVisible(prune);
    o_.fadeContentView->setGeometry(0, prune ? 366 : 272, 230, 24);
}
