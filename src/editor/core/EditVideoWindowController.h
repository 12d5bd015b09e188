// The editor window: one open file at a time, previewed in the kit's preview pane, and seven
// tools that change how it will be exported (trim, rotate and flip, crop, adjust and effects,
// watermark, subtitle, background music). The home screen opens it on one tool; the tool bar
// switches between them. Until a file is open the tool buttons and the editing controls stay
// disabled, so no tool ever works without a file.
//
// The edit state lives in the window's EditorSession; the controls here show it and change
// it through the checks in the _trim and _fields files: every stored trim range satisfies
// 0 <= start < stop <= duration, whether it came from the bar, a button, a field or a stepper.
//
// Frames are given in points with the origin at the bottom left (platform/Geometry.h); the
// window lays itself out again on every resize and on entering or leaving full screen.
//
// Main thread only. The window owns every view and its session; closing it stops the preview.
#pragma once

#include "editor/core/EditorConvertJob.h"
#include "editor/core/EditorSession.h"
#include "editor/core/EditorToolType.h"
#include "foundation/controls/LxCutProgressViewDelegate.h"
#include "foundation/controls/LxProgressSliderDelegate.h"
#include "platform/Geometry.h"
#include "tools/shared/ToolWindow.h"

#include <QPointer>
#include <QSizeF>
#include <QTimer>
#include <array>
#include <memory>

class EditorExport;
class FormatBrowser;
class ExportBar;
class LxCutProgressView;
class LxMoviePlayer;
class LxProgressSlider;
class LxTextField;
class MusicPanel;
class PictureTools;
class PreviewPane;
class QComboBox;
class QLabel;
class QLineEdit;
class SubtitlePanel;
class WaterMarkPanel;
class TimeCodeRow;
class ZylButton;
class ZylImageView;
class ZylView;

class EditVideoWindowController : public ToolWindow,
                                  public LxProgressSliderDelegate,
                                  public LxCutProgressViewDelegate {
    Q_OBJECT

public:
    // Opens on the tool of `toolItemType` (any other value: the trim tool).
    explicit EditVideoWindowController(int toolItemType = EditorToolTypeTrim, QWidget* parent = nullptr);
    ~EditVideoWindowController() override;

    int toolItemType() const { return toolItemType_; }
    int oldToolItemType() const { return oldToolItemType_; }

    EditorSession& session() { return session_; }
    PreviewPane* preview() const { return preview_; }

    // The seven tools. Each shows its panel, its overlays and its bar; switching never
    // touches the player or the edit state.
    void cutAction();
    void rotateAction();
    void cropAction();
    void effectAction();
    void watermarkAction();
    void subtitleAction();
    void addmusicAction();
    // The action of a tool code; any other code opens the trim tool.
    void openTool(int code);
    ZylButton* toolButton(EditorToolType tool) const;
    // The panel a tool shows (the music tool: its left part).
    QWidget* toolPanel(EditorToolType tool) const;

    // Asks for a file in the open panel and opens the first one chosen.
    void addfileAction();
    // Opens path as the add-file button does after its panel; false when refused (the
    // earlier file and everything shown for it stay).
    bool openFile(const QString& path);

    // Editing controls on or off as one group; with a file open it also puts the play head at
    // the start and shows the trim range.
    void enableEdit(bool enable);

    // Transport.
    void play();
    void pause();
    void stop();
    void action_playPauseBtn();
    bool isPlaying() const;
    // Writes the frame shown into the output folder; the file written, or empty.
    void actionCarameraBtn();
    void picstyleAction(int index);
    QString coverStyle() const { return coverStyle_; }

    // The music preview's 0.1 s tick (runs only while the music tool previews a track).
    void addAudioTimer();
    void removeAudioTimer();
    bool isAudioTimerActive() const { return audioTimer_.isActive(); }
    // The music tool's preview player and prune bar, once that tool has made them.
    LxMoviePlayer* lxmusicPlayer = nullptr;
    LxCutProgressView* _pruneRangSlider = nullptr;
    // The music tool's tracks, controls and preview.
    MusicPanel* musicPanel() const { return musicPanel_; }

    // Trim.
    void setStartTrimBtnTouchUp();
    void setStopTrimBtnTouchUp();
    void playTrimBtnTouchUp();
    void resetTrimBtnTouchUp();
    void actionPreferencesBtn(int index);
    // Stored trim range in seconds.
    double trimStartSeconds() const;
    double trimStopSeconds() const;

    // Layout. The picture's rectangle inside the player's view (largest of the picture's
    // proportions, centred), and the crop rectangle of the edit state shown on it.
    void changesize();
    NSRect pictureRect() const { return pictureRect_; }
    QSizeF videoSize() const { return videoSize_; }
    NSRect cropRectInView() const;

    // The crop, rotate and effects tools.
    PictureTools* pictureTools() const;
    // The watermark and subtitle tools' panels.
    WaterMarkPanel* waterMarkPanel() const { return waterPanel_; }
    SubtitlePanel* subtitlePanel() const { return subtitlePanel_; }

    // The output folder (the export bar's chooser).
    QString outputPath() const;

    // Views, named as the rest of the editor knows them.
    ZylView* _contentBackGroundView = nullptr;
    ZylView* _funItemBackView = nullptr;
    ZylView* _funItemContentView = nullptr;
    QWidget* _contentLeftView = nullptr;
    QWidget* _contentRightView = nullptr;
    ZylView* _playerBackView = nullptr;
    ZylImageView* _playerView = nullptr;
    ZylImageView* _playerBottomView = nullptr;
    ZylView* _playerBottomChildView = nullptr;
    ZylView* _musicRightView = nullptr;
    ZylImageView* _musicRightPlayerView = nullptr;
    ZylImageView* _musicRightBottomView = nullptr;
    ZylView* _toolMusicNofileView = nullptr;
    ZylButton* _addfileButton = nullptr;
    QLineEdit* _scrLabel = nullptr;
    std::array<ZylButton*, 7> toolButtons_{}; // bar order (kEditorToolBarOrder)
    // Panels: trim, crop, effects, watermark, subtitle, rotate, music (bar order).
    std::array<ZylImageView*, 7> toolPanels_{};
    ZylImageView* _trimView = nullptr;
    ZylImageView* _musicContentView = nullptr;

    // Bars and labels under the picture.
    LxProgressSlider* _progressSlider = nullptr;
    LxCutProgressView* _cutProgressView = nullptr;
    QLabel* _currentTimeLabel = nullptr;
    QLabel* _totalTimeLabel = nullptr;
    QLabel* _mCurrentTimeLabel = nullptr;
    QLabel* _mTotaldurationLabel = nullptr;
    // The file's sound streams (item i: entry i of the record's playable streams); the
    // preview plays the one chosen.
    QComboBox* _audiochanelPopBtn = nullptr;

    // Transport strip.
    ZylButton* _b_playPauseBtn = nullptr;
    ZylButton* _b_stopBtn = nullptr;
    ZylButton* _b_cameraBtn = nullptr;
    ZylButton* _b_picStyleBtn = nullptr;
    ZylButton* _b_volumeBtn = nullptr;
    LxProgressSlider* _b_volumeSlider = nullptr;
    QComboBox* _b_coverStylePopBtn = nullptr;

    // Trim panel.
    TimeCodeRow* startRow_ = nullptr;
    TimeCodeRow* stopRow_ = nullptr;
    QLabel* startLabel_ = nullptr;
    QLabel* endLabel_ = nullptr;
    QLabel* preferenceLabel_ = nullptr;
    QComboBox* _preferenceBtn = nullptr;
    ZylButton* setStartTrimBtn = nullptr;
    ZylButton* setStopTrimBtn = nullptr;
    ZylButton* _playTrimBtn = nullptr;
    ZylButton* resetTrimBtn = nullptr;

    ExportBar* exportBar_ = nullptr;
    FormatBrowser* formatBrowser_ = nullptr;

    // Slider and trim-bar callbacks.
    void actionMouseDownForProgressSliderBlock(LxProgressSlider* slider, float progress) override;
    void actionMouseUpForProgressSliderBlock(LxProgressSlider* slider, float progress) override;
    void actionProgressForProgressSliderBlock(LxProgressSlider* slider, float progress) override;
    void actionMouseDownForCutProgressViewBlock(LxCutProgressView* view, float progress) override;
    void actionMouseUpForCutProgressViewBlock(LxCutProgressView* view, float progress) override;
    void actionMouseMovedForCutProgressViewBlock(LxCutProgressView* view, float startvalue, float stopvalue,
                                                 int handleType) override;
    void actionSeekToTimeForCutProgressViewBlock(LxCutProgressView* view, float progress) override;

protected:
    void windowWillClose() override;
    void exportEnded(JobChain::Outcome outcome, int error) override;
    // A music track the engine refused says so; other failures give the engine's code.
    void showEngineError(int result) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // _layout
    void windowDidLoad();
    void buildFrameViews();
    void buildToolBar();
    void buildToolPanels();
    void buildMusicPanel();
    void buildExportBar();
    void layoutAreas(double W, double H);
    void layoutPlayerArea();
    void refitPicture();
    void hiddenMusicViewPlay(bool hidden);
    // _tools
    void showTool(EditorToolType tool);
    void movePlayerViewTo(QWidget* host, QWidget* stripHost);
    // _player
    void initPlayer();
    void buildTransport();
    void changePlayerSlider(double current, double duration);
    void changeMusicPlayerSlider();
    void playerDidEnd();
    void toggleCoverStylePopup();
    void placeVolumeControls();
    void applyRefresh(const EditorSession::RefreshView& view);
    // _trim
    void initTrimView();
    void storeRange(double startSeconds, double stopSeconds);
    void showRange();
    // The trim bar's play head at the preview's time (the handle setters move it to themselves).
    void showPlayHeadOnBar();
    // _fields
    void bindTrimFields();
    bool checkTrimStart(LxTextField* field);
    bool checkTrimStop(LxTextField* field);
    void trimStepped(TimeCodeRow* row);
    void alert(const char* key);
    // _overlays (src/editor/overlays)
    void buildOverlayPanels();
    void overlaysFileOpened();
    void overlaysFollowTurns();
    void showPlaying(bool playing);
    void overlaysToolShown(EditorToolType tool);
    void overlaysPlayStateChanged(bool playing);
    void overlaysEnabled(bool enable);
    bool overlayExportRecords(overlays::MarkRecords* out);
    // _export
    void bindExport();
    bool startExport();
    EditorConvertJob::Settings exportSettings() const;
    void exportEditingEnabled(bool on);
    void exportFileOpened();
    // _format
    void buildFormatBrowser();
    void formatFolded(bool folded);
    void fitScreen();
    double formatBandRise() const;
    void layoutFormatBrowser(double W);

    double duration() const;
    double currentTime() const;

    EditorSession session_;
    PreviewPane* preview_ = nullptr;
    int toolItemType_ = EditorToolTypeTrim;
    int oldToolItemType_ = 0;
    QString coverStyle_ = QStringLiteral("png");
    QTimer audioTimer_;
    NSRect pictureRect_;
    QSizeF videoSize_;
    bool loaded_ = false;
    QPointer<PictureTools> picture_;       // a child of the window
    std::unique_ptr<EditorExport> export_; // the running export's plan; its part files go with it
    bool musicRefused_ = false;            // the last job set-up failed on a music track
    EditorOutputChoices outputChoices_;    // the format chosen in the browser
    WaterMarkPanel* waterPanel_ = nullptr;
    SubtitlePanel* subtitlePanel_ = nullptr;
    MusicPanel* musicPanel_ = nullptr;
};
