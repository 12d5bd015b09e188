// The join tool window: an ordered list of clips, each with its own keep or remove range,
// volume and transition into the next clip; one output format chosen from the joiner's
// profiles; one output folder; and one join job, started and cancelled with the same button.
//
// The window owns its clip records; the list view shows the same records. Files are:
// JoinnerWindowController.cpp (set-up and layout), _list.cpp (adding, ordering, removing),
// _trim.cpp (range fields, keep or remove, volume), _player.cpp (preview, transport,
// snapshot, mute), _export.cpp (format and the join job).
//
// Main thread only; the join's blocking start runs on the job chain's worker.
#pragma once

#include "foundation/controls/LxCutProgressViewDelegate.h"
#include "foundation/controls/LxProgressSliderDelegate.h"
#include "tools/join/JoinFormat.h"
#include "tools/join/JoinPlan.h"
#include "tools/shared/ClipStrip.h"
#include "tools/shared/PlayHead.h"
#include "tools/shared/RangeArea.h"
#include "tools/shared/ToolWindow.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class ExportBar;
class FormatBrowser;
class JoinnerTableView;
class LxCutProgressView;
class LxProgressSlider;
class PreviewPane;
class QComboBox;
class NSProgressView;
class OutputFolderChooser;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class SimpleData;
class TimeCodeRow;
class ZylButton;

class JoinnerWindowController : public ToolWindow,
                                public LxCutProgressViewDelegate,
                                public LxProgressSliderDelegate {
    Q_OBJECT
public:
    explicit JoinnerWindowController(QWidget* parent = nullptr);
    ~JoinnerWindowController() override;

    const std::vector<std::shared_ptr<SimpleData>>& fileList() const { return fileList_; }
    QString outputPath() const;
    bool isJoining() { return jobChain().isBusy(); }
    // The file the running or last join writes.
    QString lastOutput() const { return lastOutput_; }

    // Probes and appends files; refused ones are reported and skipped. Returns how many
    // were added.
    int addFiles(const QStringList& paths);
    void addFileAction();

    // Editing controls on or off (off while a join runs).
    void enableEdit(bool enabled);
    // Start or Cancel, as the export bar's button does.
    void startJoinnerAction();

    // Preview (JoinnerWindowController_player.cpp): the player of the selected clip.
    PreviewPane* preview() const { return preview_; }
    void initPlayer();
    void play();
    void pause();
    void stop();
    // Writes the frame shown into the output folder; returns the file (empty: none written).
    void actionCarameraBtn();
    // The snapshot format, "png" until the user chooses.
    QString coverStyle() const { return coverStyle_.isEmpty() ? QStringLiteral("png") : coverStyle_; }
    void coverstyleAction(int index);
    void toggleCoverStylePop();
    void muteToggle();
    // The play head becomes the range's start or stop.
    void setStartTrimBtnTouchUp();
    void setStopTrimBtnTouchUp();
    void emailAction();

    // Controls.
    ZylButton* addfileBtn;
    JoinnerTableView* fileListTableView;
    QLabel* contentNoFileView;
    QPushButton* removeBtn;
    QPushButton* clearBtn;
    QPushButton* upBtn;
    QPushButton* downBtn;
    QRadioButton* selectTimeBtn;
    QRadioButton* unSelectTimeBtn;
    // The selected clip's range: hours, minutes, seconds and hundredths with a stepper each.
    TimeCodeRow* startTimeRow;
    TimeCodeRow* stopTimeRow;
    QLabel* cutDurationValueLabel;
    LxCutProgressView* cutProgressView;
    QWidget* playerView;
    QLabel* leftTimeLabel;
    QLabel* rightTimeLabel;
    ZylButton* playBtn;
    ZylButton* stopBtn;
    ZylButton* startCutTimeBtn;
    ZylButton* stopCutTimeBtn;
    ZylButton* cutCoverBtn;
    ZylButton* cutcoverStyleBtn;
    QComboBox* coverStylePopBtn;
    ZylButton* volumeBtn;
    ZylButton* emailIconView;
    QLabel* email_addressLabel;
    QPushButton* resetCutterBtn;
    QPushButton* applytoallBtn;
    // The selected clip's volume: 0 to 1 is gain 0 to 2.
    LxProgressSlider* volumeSlider;
    // The output-format browser at the window's foot, in its panel.
    QWidget* formatBottomView;
    FormatBrowser* formatBrowser;
    OutputFolderChooser* outputFolderBtn;
    ZylButton* startJoinnerBtn;
    NSProgressView* joinnerProgressView;

protected:
    void windowWillClose() override;
    void exportJobStarted(int index) override;
    void exportProgress(double overall) override;
    void exportEnded(JobChain::Outcome outcome, int error) override;
    void actionMouseMovedForCutProgressViewBlock(LxCutProgressView* view, float startvalue, float stopvalue,
                                                 int handleType) override;
    void actionMouseDownForCutProgressViewBlock(LxCutProgressView* view, float progress) override;
    void actionSeekToTimeForCutProgressViewBlock(LxCutProgressView* view, float progress) override;
    void actionMouseUpForCutProgressViewBlock(LxCutProgressView* view, float progress) override;
    void actionMouseDownForProgressSliderBlock(LxProgressSlider* slider, float progress) override;
    void actionProgressForProgressSliderBlock(LxProgressSlider* slider, float progress) override;
    void actionMouseUpForProgressSliderBlock(LxProgressSlider* slider, float progress) override;

private:
    void buildLayout();
    void buildListPanel();
    // The preview, its labels, the trim bar and the control strip in the right panel.
    void buildPlayerArea(QWidget* right);
    playhead::Strip playHead() const;
    void showPlayHead(double current, double duration);
    void playerDidEnd();
    void setVolumeButtonLook(bool muted);
    // Moves the volume button and slider after the format button or after its pop-up.
    clipstrip::Controls stripControls();
    rangearea::Parts rangeParts();
    void buildFormatBrowser();
    // List (JoinnerWindowController_list.cpp).
    void removeAction();
    void clearAction();
    void moveAction(int step);
    void fileListViewHidden(bool hidden);
    void reload(int selected, bool keepPreview = false);
    // Trim (JoinnerWindowController_trim.cpp).
    SimpleData* selectedClip() const;
    void showSelectedClip();
    // A typed or stepped value of a range row; a refused one is reported and the row shows
    // the stored time again.
    bool timeRowEdited(bool start);
    void trimModeChanged(bool remove);
    void resetAction();
    void applyToAllAction();
    void volumeChanged(double gain);
    void defaultFormatChanged();
    void formatChosen(const QString& item, const QString& path);
    void formatFolded(bool folded);
    void refreshSelectedRow();
    // Stores a range of the selected clip and shows it everywhere.
    void storeSelectedRange(int64_t start, int64_t stop);
    // Per-row export bars: each clip's share of the join's output.

    // Export (JoinnerWindowController_export.cpp).
    // The format of the join: the default-format clip's own, else the chosen profile's.
    JoinFormat chosenFormat(const SimpleData* reference) const;
    bool startJoin();
    // The chosen format's values into every clip's target values.
    void applyFormatToClips();
    void prepareRowProgress(const std::vector<JoinPlan::Clip>& clips);

    ExportBar* exportBar_ = nullptr;
    PreviewPane* preview_ = nullptr;
    QString coverStyle_;
    // Each row's length in the running join's output, in seconds, and their sum.
    std::vector<double> joinShares_;
    double joinTotal_ = 0;
    bool formatIsAudio_ = false;
    std::vector<std::shared_ptr<SimpleData>> fileList_;
    QString lastOutput_;
    bool showingClip_ = false;
};
