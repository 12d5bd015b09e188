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
    removeOriginalmusicBtn->setEnabled(false);
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
    loadmusicBtn = new QPushButton(loc("LocalMusicTitle"), left);
    loadmusicBtn->setGeometry(4, 44, 180, 24);
    connect(loadmusicBtn, &QPushButton::clicked, this, [this] { loadMusicAction(); });
    deletedMusicBtn = imageButton(left, "SubFun/btnDeleteWaterMark", &MusicPanel::deleteSelectedTrack);
    deletedMusicBtn->setOnImage(NamedImage("SubFun/btnDeleteWaterMark_On.png"));
    deletedMusicBtn->setDownImage(NamedImage("SubFun/btnDeleteWaterMark_Down.png"));
    deletedMusicBtn->setGeometry(200, 43, 26, 26);
    trackList = new MusicTrackList(left);
    trackList->setGeometry(4, 70, 222, 48);
    trackList->rowClicked = [this](int row) { selectRow(row); };
    trackList->checkClicked = [this](int row) { toggleRow(row); };
    buildTrackRow(left);
    buildPositionArea(left);
    buildPruneArea(left);
}

void MusicPanel::buildTrackRow(QWidget* left) {
    musicItemPlayPauseBtn = imageButton(left, "Join/btnPlay", &MusicPanel::playOrPauseAudio);
    musicItemPlayPauseBtn->setSelectedImage(NamedImage("Join/btnPause_Normal.png"));
    musicItemPlayPauseBtn->setGeometry(4, 119, 24, 24);
    musicItemVolueBtn = imageButton(left, "Cut/btnOpenVolume", &MusicPanel::toggleTrackMute);
    musicItemVolueBtn->setSelectedImage(NamedImage("Cut/btnCloseVolume_Normal.png"));
    musicItemVolueBtn->setGeometry(30, 119, 24, 24);
    musicItemVolueSlider = new LxProgressSlider(NSMakeRect(0, 0, 118, 17), left);
    musicItemVolueSlider->setGeometry(58, 122, 118, 17);
    musicItemVolueSlider->setProgress(1.0f);
    musicItemVolueSlider->setDelegate(this);
    musicItemVoluelabel = new QLabel(QStringLiteral("100%"), left);
    musicItemVoluelabel->setGeometry(180, 120, 46, 22);
    controls::setPixelFont(musicItemVoluelabel, kCaptionPx);
}

void MusicPanel::buildPositionArea(QWidget* left) {
    setthemusicpositionLabel = caption(left, "SetthemusicpositionString", QRect(4, 143, 222, 16));
    startMusicTimeLabel = caption(left, "StartFieldLabelstringValue", QRect(4, 159, 84, 24));
    positionStartRow = timeRow(left, QRect(88, 159, 138, 24));
    endMusicTimeLabel = caption(left, "stopFieldLabelstringValue", QRect(4, 185, 84, 24));
    positionEndRow = timeRow(left, QRect(88, 185, 138, 24));
    musicPositionLabel = caption(left, "MusicPositionLabelstringValue", QRect(4, 209, 222, 16));
    musicRangSlider = new MusicRangeSlider(left);
    musicRangSlider->setGeometry(4, 225, 222, 22);
    musicRangSlider->delegate = this;
    repeatMusicBtn = checkBox(left, "Repeat music", &MusicPanel::toggleRepeat);
    repeatMusicBtn->setGeometry(4, 248, 110, 24);
    pruneMusicBtn = checkBox(left, "Prune music", &MusicPanel::togglePrune);
    pruneMusicBtn->setGeometry(116, 248, 110, 24);
    fadeContentView = new QWidget(left);
    fadeInBtn = checkBox(fadeContentView, "Fade In", &MusicPanel::toggleFadeIn);
    fadeInBtn->setGeometry(4, 0, 110, 24);
    fadeOutBtn = checkBox(fadeContentView, "Fade Out", &MusicPanel::toggleFadeOut);
    fadeOutBtn->setGeometry(116, 0, 110, 24);
    for (ZylButton* b : {repeatMusicBtn, pruneMusicBtn, fadeInBtn, fadeOutBtn})
        controls::fitButtonFont(b, kCaptionPx, kMinCaptionPx);
}

void MusicPanel::buildPruneArea(QWidget* left) {
    pruneContentView = new QWidget(left);
    pruneContentView->setGeometry(0, 272, 230, 94);
    pruneStartLabel = caption(pruneContentView, "StartFieldLabelstringValue", QRect(4, 0, 84, 24));
    pruneStartRow = timeRow(pruneContentView, QRect(88, 0, 138, 24));
    pruneEndLabel = caption(pruneContentView, "stopFieldLabelstringValue", QRect(4, 25, 84, 24));
    pruneEndRow = timeRow(pruneContentView, QRect(88, 25, 138, 24));
    pruneRangeMusicLabel =
        caption(pruneContentView, "PruneRangeMusicLabelstringValue", QRect(4, 49, 222, 16));
    pruneMusicLeftBtn = imageButton(pruneContentView, nullptr, &MusicPanel::pruneStartFromPreview);
    pruneMusicRightBtn = imageButton(pruneContentView, nullptr, &MusicPanel::pruneEndFromPreview);
    for (auto [b, key] : {std::pair{pruneMusicLeftBtn, "【"}, std::pair{pruneMusicRightBtn, "】"}}) {
        b->setBackGroundColor(QColor(230, 230, 230));
        b->setCornerRadius(5);
        b->setContentColor(Qt::black);
        b->setContentTitle(loc(key));
    }
    pruneMusicLeftBtn->setGeometry(4, 67, 24, 24);
    playPruneMusicBtn = imageButton(pruneContentView, "Join/btnPlay", &MusicPanel::playOrPauseAudio);
    playPruneMusicBtn->setSelectedImage(NamedImage("Join/btnPause_Normal.png"));
    playPruneMusicBtn->setGeometry(31, 67, 24, 24);
    pruneMusicRightBtn->setGeometry(58, 67, 24, 24);
    pruneRangSlider = new LxCutProgressView(NSMakeRect(0, 0, 140, 30), pruneContentView);
    pruneRangSlider->setGeometry(86, 64, 140, 30);
    pruneRangSlider->setType(2);
    pruneRangSlider->setTickMark(true);
    pruneRangSlider->setDelegate(this);
}

void MusicPanel::buildRight(QWidget* right) {
    videooriginalsoundLabel = new QLabel(loc("videooriginalsoundLabelstringValue"), right);
    originalVolumeBtn = imageButton(right, "Cut/btnOpenVolume", &MusicPanel::toggleOriginalMute);
    originalVolumeBtn->setSelectedImage(NamedImage("Cut/btnCloseVolume_Normal.png"));
    originalVolumeSlider = new LxProgressSlider(NSMakeRect(0, 0, 120, 17), right);
    originalVolumeSlider->setProgress(1.0f);
    originalVolumeSlider->setDelegate(this);
    originalMusicVolumeLabel = new QLabel(QStringLiteral("100%"), right);
    controls::setPixelFont(originalMusicVolumeLabel, kCaptionPx);
    removeOriginalmusicBtn = checkBox(right, "Remove Original music", &MusicPanel::toggleRemoveOriginal);
    // The caption of the window's sound-stream pop-up, beside it in the strip's area.
    audiochanelLabel = new QLabel(loc("audiochanelLabelstringValue"), audiochanelPopBtn->parentWidget());
    audiochanelLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

// The row of the video's own sound sits just above the player strip's area.
void MusicPanel::layoutRight(double width, double height) {
    const int y = int(height) - 91 - 28;
    videooriginalsoundLabel->setGeometry(14, y, 120, 24);
    controls::fitLabelFont(videooriginalsoundLabel, kCaptionPx, kMinCaptionPx);
    originalVolumeBtn->setGeometry(136, y, 24, 24);
    originalVolumeSlider->setGeometry(162, y + 4, 120, 17);
    originalMusicVolumeLabel->setGeometry(286, y, 46, 24);
    removeOriginalmusicBtn->setGeometry(336, y, std::max(120, int(width) - 350), 24);
    controls::fitButtonFont(removeOriginalmusicBtn, kCaptionPx, kMinCaptionPx);
    // Between the play time at the strip's left and the pop-up.
    const QRect pop = audiochanelPopBtn->geometry();
    const int left = 116;
    audiochanelLabel->setGeometry(left, pop.y(), std::max(0, pop.x() - 4 - left), pop.height());
    controls::fitLabelFont(audiochanelLabel, kCaptionPx, kMinCaptionPx);
}

// With "Prune music" on, the prune section shows under the check boxes and the fades move
// below it.
void MusicPanel::applyPruneLayout(bool prune) {
    pruneContentView->setVisible(prune);
    fadeContentView->setGeometry(0, prune ? 366 : 272, 230, 24);
}
