// The splitter: one source file, a preview player with the position bar SplitProgressView,
// four ways to place split points (every T seconds, every S megabytes, N equal parts, or by
// hand at the begin marker), an output folder, and an export that writes each part between
// two consecutive points as a file of its own, keeping the source's format.
//
// The shell creates it with the plain constructor and show(); the window deletes itself
// after it has closed (see ToolWindow) and posts "WillCloseNotification" as it closes.
//
// The class is split by concern into files of the same class:
//   SplitWindowController.cpp          window set-up, enableEdit, hiddenPlayerView
//   SplitWindowController_layout.cpp   every control made at its frame
//   SplitWindowController_player.cpp   loading, preview player, play head, volume
//   SplitWindowController_modes.cpp    modes, presets and their prompt, split points
//   SplitWindowController_export.cpp   export chain, progress, cancel, finish, closing
//
// Threads: everything runs on the main thread; the player's end-of-file callback and the
// engine's blocking starts come back through the main queue.
#pragma once

#include "foundation/controls/LxProgressSliderDelegate.h"
#include "tools/shared/ToolWindow.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class LxMoviePlayer;
class LxProgressSlider;
class NSProgressView;
class OutputFolderChooser;
class ExportBar;
class PreviewPane;
class SplitProgressView;
class ZylButton;
class ZylImageView;
class SimpleData;
class StoredTimesRun;

class SplitWindowController : public ToolWindow, public LxProgressSliderDelegate {
    Q_OBJECT
public:
    explicit SplitWindowController(QWidget* parent = nullptr);
    ~SplitWindowController() override;

    enum class Mode { None, Time, Size, Average, Manual };

    // ---- window ----
    void hiddenPlayerView(bool hide);
    void enableEdit(bool on);

    // ---- source and player ----
    void addFileAction();
    // Probes and loads a file as the open panel does with its first choice. Returns whether
    // the file was accepted; a refused file shows its message.
    bool loadSourceFile(const QString& path);
    void playAction();
    void pauseAction();
    void stopAction();
    void changePlaySlider();

    // ---- modes and points ----
    void limiteachTimeSegmentAction();
    void limiteachFilesizeSegmentAction();
    void limiteachAverageSegmentAction();
    void limiteachManuallySegmentAction();
    void split_timepopAction(int index);
    void split_sizepopAction(int index);
    void averageTextChanged();
    void averagesplitStepperAction();
    void splitAction();
    void addSplitItemAction();
    void leftMoveAction();
    void rightMoveAction();
    void deleteSplitItemAction();
    Mode mode() const;

    // ---- export ----
    // Start or Cancel, as the export bar's button does.
    void startExportAction();

    // State a test or the shell may read.
    const std::shared_ptr<SimpleData>& fileData() const { return fileData_; }
    LxMoviePlayer* player() const;
    QString outputPath() const;
    bool isStartExport() const { return jobChain().isBusy() && !jobChain().isCancelling(); }
    // The length every split fraction refers to: the probed duration in seconds.
    double duration() const;
    // The custom-value prompt while it is open (null otherwise).
    QWidget* customPrompt() const { return prompt_; }

    // ---- outlets (built in code) ----
    ZylImageView* contentBackGroundView = nullptr;
    ZylImageView* contentLeftView = nullptr;
    ZylImageView* contentRightView = nullptr;
    ZylImageView* playerView = nullptr;
    ZylImageView* nofileBackView = nullptr;
    ZylButton* addfileBtn = nullptr;
    ZylButton* startExportBtn = nullptr;
    ZylButton* openOutputBtn = nullptr;
    ZylButton* splitBtn = nullptr;
    ZylButton* playBtn = nullptr;
    ZylButton* pauseBtn = nullptr;
    ZylButton* volumeBtn = nullptr;
    ZylButton* splitItemBtn = nullptr;
    ZylButton* leftMoveBtn = nullptr;
    ZylButton* rightMoveBtn = nullptr;
    ZylButton* deletedItemBtn = nullptr;
    QRadioButton* split_timeBtn = nullptr;
    QRadioButton* split_sizeBtn = nullptr;
    QRadioButton* split_averageBtn = nullptr;
    QRadioButton* split_manuallyBtn = nullptr;
    QComboBox* split_timepopBtn = nullptr;
    QComboBox* split_sizepopBtn = nullptr;
    QLineEdit* averageTextField = nullptr;
    QSpinBox* averagestepper = nullptr;
    SplitProgressView* playerSlider = nullptr;
    LxProgressSlider* volumeSlider = nullptr;
    NSProgressView* exportProgressView = nullptr;
    OutputFolderChooser* outputPopBtn = nullptr;
    QLabel* scrLabel = nullptr;
    QLabel* outputLabel = nullptr;
    QLabel* exportProgresslabel = nullptr;
    QLabel* gettingstartedLabel = nullptr;
    std::array<QLabel*, 4> descLabels{};
    QLabel* sourceInformationLabel = nullptr;
    QLabel* resolutionLabel = nullptr;
    QLabel* resolutionValueLabel = nullptr;
    QLabel* resoucefilesizeLabel = nullptr;
    QLabel* resoucefilesizeValueLabel = nullptr;
    QLabel* resouceTotaltimeLabel = nullptr;
    QLabel* resouceTotaltimeValueLabel = nullptr;
    QLabel* playerCurrentTimeLabel = nullptr;
    QLabel* splitTimeLabel = nullptr;
    QLabel* totalTimeLabel = nullptr;

    // The volume slider's reports.
    void actionMouseUpForProgressSliderBlock(LxProgressSlider* slider, float progress) override;
    void actionMouseDownForProgressSliderBlock(LxProgressSlider* slider, float progress) override;
    void actionProgressForProgressSliderBlock(LxProgressSlider* slider, float progress) override;

protected:
    void windowWillClose() override;
    // A cancelled run says how many finished parts it kept, and where.
    void exportEnded(JobChain::Outcome outcome, int error) override;
    void showEngineError(int result) override;
    // Closing stops the export and keeps the parts written so far: asked first.
    QString closeWhileExportingQuestion() const override;

private:
    // set-up
    void windowDidLoad();
    void buildLayout();
    void configureButtons();
    void initPresetPopUps();
    void initModeControls();
    void initPlayerSlider();

    // player
    void initPlayer();
    void closeCurrentPlayer();
    void playerDidEnd();
    // The file moved onto its index's line: the length, the split points and the begin marker
    // follow their pictures there, and a point that now reads otherwise is told in words.
    void movedOntoIndexLine(const std::function<double(double)>& toLine);
    void seekTo(double seconds);
    double playerDuration() const;
    void volumeToggle();
    void volumeChanged(float progress);

    // modes
    void switchToMode(Mode mode);
    void showTotalTime();
    void presetChosen(QComboBox* popUp, int index, bool time);
    void askCustomValue(QComboBox* popUp, bool time);
    void addPreset(QComboBox* popUp, double value, bool time);
    // Places the computed points; false (with a message) when they do not fit the bar.
    bool placePoints(const std::vector<float>& points, double count);
    void moveSelection(long step);

    // export
    bool startExport();
    // The parts of a split by time: their ends in microseconds on the line the window showed
    // (the last is the end), the first end no part has been cut to yet, and where the next starts.
    struct TimeParts {
        std::vector<int64_t> ends;
        size_t next = 0;
        int64_t from = 0;
        std::shared_ptr<StoredTimesRun> run;
    };
    std::shared_ptr<TimeParts> timeParts_;
    // Parts of the current run written in full, and the folder they went to.
    int partsWritten_ = 0;
    QString exportFolder_;

    std::shared_ptr<SimpleData> fileData_;
    PreviewPane* preview_ = nullptr;
    ExportBar* exportBar_ = nullptr;
    // The last value typed at each pop-up's custom prompt.
    QString split_timepopTitle_, split_filesizepopTitle_;
    // The item each pop-up showed before its custom item was chosen.
    int lastTimeIndex_ = 0, lastSizeIndex_ = 0;
    QWidget* prompt_ = nullptr;
};
