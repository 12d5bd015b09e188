// The editor's add-music tool: background-music tracks laid over the open video. Each track
// gets a place on the video's timeline, an optional used range of the music file (prune),
// repeat, one-second fades and its own volume; the video's own sound can be lowered, muted or
// removed. The highlighted track plays alone in a sound-only preview player; every ticked
// track is mixed into the main player when it starts, and into the export, with the same
// values, so that the export sounds as the preview played.
//
// The panel's left part (track list, track buttons, time fields, range slider, check boxes)
// lives in the editor's music panel; the right part is the window's side stage: the picture
// small, the row for the video's own sound and the sound-stream menu above the transport
// strip, and a hint in their place until a file is open. The music preview's player, its
// prune bar and its 0.1 s tick are the tool's own.
//
// Every stored track keeps 0 <= positionStart < positionEnd and pruneStart < pruneStart +
// pruneDiration, whether a value came from a field, a stepper, a slider or a button.
//
// Main thread only.
#pragma once

#include "editor/core/EditorTool.h"
#include "editor/core/EditorToolType.h"
#include "editor/music/MusicPlacement.h"
#include "editor/music/MusicRangeSlider.h"
#include "foundation/controls/LxCutProgressViewDelegate.h"
#include "foundation/controls/LxProgressSliderDelegate.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <map>
#include <memory>
#include <vector>

class LxCutProgressView;
class LxMoviePlayer;
class LxProgressSlider;
class LxTextField;
class MusicInfo;
class MusicTrackList;
class QComboBox;
class QLabel;
class QPushButton;
class TimeCodeRow;
class ZylButton;
class ZylImageView;
class ZylView;

class MusicPanel : public QObject,
                   public EditorTool,
                   public LxProgressSliderDelegate,
                   public LxCutProgressViewDelegate,
                   public MusicRangeSliderDelegate {
    Q_OBJECT
public:
    using Track = std::shared_ptr<MusicInfo>;

    // Builds the controls into left (the tool's panel) and the host's side stage.
    MusicPanel(EditorHost& host, QWidget* left);
    ~MusicPanel() override;

    // EditorTool
    void fileOpened() override; // another file: the list empties
    void setEditable(bool editable) override;
    void setShown(bool shown) override;
    void playStateChanged(bool playing) override;
    void playerTick(double current, double duration) override;
    void movedOntoIndexLine(IndexLineMove& move) override;
    void layout() override;
    bool contribute(EditRecipe& recipe) override;
    void windowClosing() override;

    // State.
    const std::vector<Track>& musicList() const { return musicList_; }
    const std::vector<Track>& musicSelecteds() const { return musicSelecteds_; }
    int selectedMusicIndex() const { return selectedMusicIndex_; }
    Track selectedTrack() const;
    LxMoviePlayer* musicPlayer() const { return lxmusicPlayer_.get(); }
    bool isAudioPlaying() const { return isaudioplaying_; }

    // Loading and the list.
    void loadMusicAction();
    // Adds the files in order; a file that is not sound or has no length is refused with one
    // message naming every such file and adds nothing. Returns the number of tracks added.
    int loadMusicFiles(const QStringList& paths);
    void refreshMusicListView();
    void selectRow(int row); // a click on a row
    void toggleRow(int row); // a click on a row's check box
    void deleteSelectedTrack();
    void refreshMusicTimeField(int index);
    void enableMusicEdit(bool enable);

    // Preview.
    void playOrPauseAudio();
    void stopAudio();

    bool isAudioTimerActive() const { return audioTimer_.isActive(); }

    // The original sound: its level (0..1), muted, removed.
    double originalSoundLevel() const;
    bool removeOriginalSound() const;

    // The controls, for tests.
    struct Outlets {
        QPushButton* loadmusicBtn = nullptr;
        ZylButton* deletedMusicBtn = nullptr;
        MusicTrackList* trackList = nullptr;
        ZylButton* musicItemPlayPauseBtn = nullptr;
        ZylButton* musicItemVolueBtn = nullptr;
        LxProgressSlider* musicItemVolueSlider = nullptr;
        QLabel* musicItemVoluelabel = nullptr;
        QLabel* setthemusicpositionLabel = nullptr;
        QLabel* startMusicTimeLabel = nullptr;
        QLabel* endMusicTimeLabel = nullptr;
        TimeCodeRow* positionStartRow = nullptr;
        TimeCodeRow* positionEndRow = nullptr;
        QLabel* musicPositionLabel = nullptr;
        MusicRangeSlider* musicRangSlider = nullptr;
        ZylButton* repeatMusicBtn = nullptr;
        ZylButton* pruneMusicBtn = nullptr;
        QWidget* pruneContentView = nullptr;
        QLabel* pruneStartLabel = nullptr;
        QLabel* pruneEndLabel = nullptr;
        TimeCodeRow* pruneStartRow = nullptr;
        TimeCodeRow* pruneEndRow = nullptr;
        QLabel* pruneRangeMusicLabel = nullptr;
        LxCutProgressView* pruneRangSlider = nullptr;
        ZylButton* playPruneMusicBtn = nullptr;
        ZylButton* pruneMusicLeftBtn = nullptr;
        ZylButton* pruneMusicRightBtn = nullptr;
        QWidget* fadeContentView = nullptr;
        ZylButton* fadeInBtn = nullptr;
        ZylButton* fadeOutBtn = nullptr;
        QLabel* videooriginalsoundLabel = nullptr;
        QLabel* audiochanelLabel = nullptr;
        // The side stage: the picture's place, the strip's, the times, the sound-stream menu
        // (item i: entry i of the record's playable streams) and the hint shown until a file is open.
        ZylImageView* pictureView = nullptr;
        ZylImageView* stripView = nullptr;
        QLabel* currentTimeLabel = nullptr;
        QLabel* totalTimeLabel = nullptr;
        QComboBox* audiochanelPopBtn = nullptr;
        ZylView* nofileView = nullptr;
        ZylButton* originalVolumeBtn = nullptr;
        LxProgressSlider* originalVolumeSlider = nullptr;
        QLabel* originalMusicVolumeLabel = nullptr;
        ZylButton* removeOriginalmusicBtn = nullptr;
    };
    const Outlets& outlets() const { return o_; }

    // Track controls.
    void pruneStartFromPreview(); // "【"
    void pruneEndFromPreview();   // "】"
    void toggleRepeat();
    void togglePrune();
    void toggleFadeIn();
    void toggleFadeOut();
    void toggleTrackMute();
    void toggleOriginalMute();
    void toggleRemoveOriginal();

    // Slider callbacks.
    void actionMouseDownForProgressSliderBlock(LxProgressSlider* slider, float progress) override;
    void actionProgressForProgressSliderBlock(LxProgressSlider* slider, float progress) override;
    void actionMouseUpForProgressSliderBlock(LxProgressSlider* slider, float progress) override;
    void actionMouseDownForCutProgressViewBlock(LxCutProgressView* view, float progress) override;
    void actionMouseUpForCutProgressViewBlock(LxCutProgressView* view, float progress) override;
    void actionSeekToTimeForCutProgressViewBlock(LxCutProgressView* view, float progress) override;
    void actionMouseMovedForCutProgressViewBlock(LxCutProgressView* view, float startvalue, float stopvalue,
                                                 int handleType) override;
    void changeProgress(MusicRangeSlider* slider) override;
    void changeRangeValue(MusicRangeSlider* slider) override;

    // The length of the open video and of the highlighted track's music file, in seconds.
    double videoLength() const;
    double musicLength() const;

private:
    // MusicPanel.cpp: building and layout.
    void buildLeft(QWidget* left);
    void buildTrackRow(QWidget* left);
    void buildPositionArea(QWidget* left);
    void buildPruneArea(QWidget* left);
    void buildRight(QWidget* right);
    void layoutRight(double width, double height);
    void buildStage(QWidget* stage); // MusicPanel_stage.cpp
    void showStage(bool file);
    void fillStage();
    void changeMusicPlayerSlider();
    void mainPlaybackChanged(bool playing);
    ZylButton* checkBox(QWidget* parent, const char* key, void (MusicPanel::*action)());
    ZylButton* imageButton(QWidget* parent, const char* stem, void (MusicPanel::*action)());
    void applyPruneLayout(bool prune);
    // MusicPanel_edit.cpp: field checks.
    void bindFields();
    bool fieldEnded(TimeCodeRow* row);
    bool storePositionStart(double t);
    bool storePositionEnd(double t);
    bool storePruneStart(double t);
    bool storePruneEnd(double t);
    void afterAcceptedValue();
    void showTrackOnSliders();
    void setTrackVolume(float volume);
    void alert(const char* key);
    // MusicPanel_tracks.cpp: the preview player.
    void initmusicPlayer(const QString& path);
    void highlighted();

    Outlets o_;
    QTimer audioTimer_; // the music preview's tick, while it plays
    std::vector<Track> musicList_;
    std::vector<Track> musicSelecteds_;
    int selectedMusicIndex_ = 0;
    std::unique_ptr<LxMoviePlayer> lxmusicPlayer_;
    bool isaudioplaying_ = false;
    bool editEnabled_ = false;
    // Levels from before muting, restored by unmuting.
    std::map<const MusicInfo*, float> mutedTrackLevels_;
    float originalLevelBeforeMute_ = 1.0f;
};
