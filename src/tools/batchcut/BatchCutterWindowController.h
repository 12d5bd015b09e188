// The batch cut tool window: a list of files, each with its own range to keep or to cut
// out, previewed one at a time, and one run that cuts every file in list order into the
// output folder. Each output keeps its source's container and streams and takes the
// source's name, made free with "(n)" when taken.
//
// The window owns its file records; the list view shows the same records. Files are:
// BatchCutterWindowController.cpp (set-up, layout, editing on and off, closing), _list.cpp
// (adding, ordering, removing), _player.cpp (preview and the control strip), _trim.cpp
// (range fields, trim bar, keep or remove, Reset and Apply to All), _export.cpp (the run).
//
// Main thread only; the engine's blocking starts run on the job chain's worker.
#pragma once

#include "foundation/controls/LxCutProgressViewDelegate.h"
#include "foundation/controls/LxProgressSliderDelegate.h"
#include "tools/shared/ClipStrip.h"
#include "tools/shared/PlayHead.h"
#include "tools/shared/RangeArea.h"
#include "tools/shared/ToolWindow.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class EngineJob;
class ExportBar;
class JoinnerTableView;
class LxCutProgressView;
class LxProgressSlider;
class LxTextField;
class NSProgressView;
class OutputFolderChooser;
class PreviewPane;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class SimpleData;
class TimeCodeRow;
class ZylButton;

class BatchCutterWindowController : public ToolWindow,
                                    public LxCutProgressViewDelegate,
                                    public LxProgressSliderDelegate {
    Q_OBJECT
public:
    explicit BatchCutterWindowController(QWidget* parent = nullptr);
    ~BatchCutterWindowController() override;

    const std::vector<std::shared_ptr<SimpleData>>& fileList() const { return fileList_; }
    QString outputPath() const;
    bool isCutting() const { return jobChain().isBusy(); }

    // Probes and appends files; the refused ones are named in one message after all were
    // probed. Files added during a run are cut in the same run. Returns how many were added.
    int addFiles(const QStringList& paths);
    void addFileAction();

    // Editing controls on or off (off while a run goes on).
    void enableEdit(bool enabled);
    // Start or Cancel, as the Start button does.
    void startBachCutterAction();

    // A record's range as the run reads it, in microseconds of its probed length:
    // 0 <= start < stop <= length, the whole file while none is set.
    static std::pair<int64_t, int64_t> rangeOf(const SimpleData& clip);
    static int64_t durationUs(const SimpleData& clip);

    // Preview and control strip (BatchCutterWindowController_player.cpp).
    PreviewPane* preview() const { return preview_; }
    void initPlayer();
    void play();
    void pause();
    void stop();
    // Writes the frame shown into the output folder; returns the file (empty: none written).
    void actionCarameraBtn();
    QString coverStyle() const { return coverStyle_.isEmpty() ? QStringLiteral("png") : coverStyle_; }
    void coverstyleAction(int index);
    void toggleCoverStylePop();
    void muteToggle();
    // The play head becomes the selected file's range start or stop.
    void setStartTrimBtnTouchUp();
    void setStopTrimBtnTouchUp();
    void emailAction();

    // Ranges (BatchCutterWindowController_trim.cpp).
    void resetCutterItemAction();
    void applytoallItemAction();

    // Controls.
    ZylButton* addfileBtn;
    JoinnerTableView* fileListTableView;
    QLabel* contentNoFileView;
    ZylButton* emailIconView;
    QLabel* email_addressLabel;
    QPushButton* removeBtn;
    QPushButton* clearBtn;
    QPushButton* upBtn;
    QPushButton* downBtn;
    QWidget* playerView;
    QLabel* leftTimeLabel;
    QLabel* rightTimeLabel;
    LxCutProgressView* cutProgressView;
    ZylButton* playBtn;
    ZylButton* stopBtn;
    ZylButton* startCutTimeBtn;
    ZylButton* stopCutTimeBtn;
    ZylButton* cutCoverBtn;
    ZylButton* cutcoverStyleBtn;
    QComboBox* coverStylePopBtn;
    ZylButton* volumeBtn;
    LxProgressSlider* volumeSlider;
    QRadioButton* selectTimeBtn;
    QRadioButton* unSelectTimeBtn;
    TimeCodeRow* startTimeRow;
    TimeCodeRow* stopTimeRow;
    QLabel* cutDurationValueLabel;
    QPushButton* resetCutterBtn;
    QPushButton* applytoallBtn;
    OutputFolderChooser* outputFolderBtn;
    NSProgressView* joinnerProgressView;
    ZylButton* startJoinnerBtn;

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
    void buildListPanel();
    void buildRightPanel();
    void buildPlayerArea(QWidget* right);
    void buildRangeArea(QWidget* right);
    playhead::Strip playHead() const;
    void showPlayHead(double current, double duration);
    void playerDidEnd();
    void setVolumeButtonLook(bool muted);
    clipstrip::Controls stripControls();
    rangearea::Parts rangeParts();
    // List (BatchCutterWindowController_list.cpp).
    void removeAction();
    void clearAction();
    void moveAction(int step);
    void fileListViewHidden(bool hidden);
    // Rebuilds the rows with row `selected` selected; keepPreview: the selection does not
    // open the row's file again.
    void reload(int selected, bool keepPreview = false);
    // Trim (BatchCutterWindowController_trim.cpp).
    SimpleData* selectedClip() const;
    void showSelectedClip();
    // Stores a range of the selected file when 0 <= start < stop <= length, and shows it.
    bool storeSelectedRange(int64_t start, int64_t stop);
    void refreshRows();
    bool timeRowEdited(bool start);
    void trimModeChanged(bool remove);
    void volumeChanged(double gain);
    // Export (BatchCutterWindowController_export.cpp).
    bool startRun();
    std::unique_ptr<EngineJob> makeJob(int index, int* error);

    ExportBar* exportBar_ = nullptr;
    PreviewPane* preview_ = nullptr;
    QString coverStyle_;
    QString runFolder_;
    std::vector<std::shared_ptr<SimpleData>> fileList_;
    bool showingClip_ = false;
};
