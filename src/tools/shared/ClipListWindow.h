// What the list windows (joiner, batch cutter) share: a list of probed clips on the left with
// Remove, Clear, Up and Down; the selected clip's preview with its control strip on the
// right; the selected clip's range (keep or remove) under it; the export bar along the foot.
//
// The window owns its clip records; the list view shows the same records. Every range is
// measured in microseconds of the clip's probed length and stored only when
// 0 <= start < stop <= length. While the window's job chain runs, no range changes.
//
// Files: ClipListWindow.cpp (list panel, ranges), ClipListWindow_player.cpp (preview, strip).
// Main thread only.
#pragma once

#include "foundation/controls/LxCutProgressViewDelegate.h"
#include "foundation/controls/LxProgressSliderDelegate.h"
#include "tools/shared/ClipStrip.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/PlayHead.h"
#include "tools/shared/RangeArea.h"
#include "tools/shared/RangeRules.h"
#include "tools/shared/ToolWindow.h"

#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class JoinnerTableView;
class LxStoredTimesLine;
class StoredTimesRun;
class QTimer;
class LxCutProgressView;
class LxProgressSlider;
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

class ClipListWindow : public ToolWindow, public LxCutProgressViewDelegate, public LxProgressSliderDelegate {
    Q_OBJECT
public:
    ~ClipListWindow() override;

    const std::vector<std::shared_ptr<SimpleData>>& fileList() const { return fileList_; }
    QString outputPath() const;

    virtual void addFileAction() = 0;
    // Editing controls on or off (off while the job chain runs).
    virtual void enableEdit(bool enabled) = 0;

    // Preview of the selected clip (ClipListWindow_player.cpp).
    PreviewPane* preview() const { return preview_; }
    void initPlayer();
    void play();
    void pause();
    void stop();
    // Writes the frame shown into the output folder once the picture of the latest seek is up.
    void actionCarameraBtn();
    // The snapshot format, "png" until the user chooses.
    QString coverStyle() const { return coverStyle_.isEmpty() ? QStringLiteral("png") : coverStyle_; }
    void coverstyleAction(int index);
    void toggleCoverStylePop();
    void muteToggle();
    // The play head becomes the selected clip's range start or stop.
    void setStartTrimBtnTouchUp();
    void setStopTrimBtnTouchUp();
    void emailAction();

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
    // The selected clip's volume: 0 to 1 is gain 0 to 2.
    LxProgressSlider* volumeSlider;
    QRadioButton* selectTimeBtn;
    QRadioButton* unSelectTimeBtn;
    // The selected clip's range: hours, minutes, seconds and hundredths with a stepper each.
    TimeCodeRow* startTimeRow;
    TimeCodeRow* stopTimeRow;
    QLabel* cutDurationValueLabel;
    QPushButton* resetCutterBtn;
    QPushButton* applytoallBtn;
    OutputFolderChooser* outputFolderBtn;
    ZylButton* openOutputFolderBtn; // reveals the output folder
    NSProgressView* joinnerProgressView;
    ZylButton* startJoinnerBtn;

protected:
    // logName names the tool in the log.
    ClipListWindow(QWidget* parent, const char* logName);

    // The list panel at the left; guide is the text shown while the list is empty, in
    // guideRect of the panel.
    void buildListPanel(const QString& guide, QRect guideRect);
    // The preview, its labels, the trim bar and the control strip; then the range area with
    // the given widths of its label column and buttons.
    void buildRightPanel(rangearea::Widths widths);
    void buildPlayerArea(QWidget* right);
    // The output folder, progress and Start along the bottom; start begins the window's job
    // and says whether it did.
    void buildExportBar(const ExportBar::Frames& frames, const QString& finishKey,
                        std::function<bool()> start);

    // Rebuilds the rows with row `selected` selected; keepPreview: the selection does not
    // open the row's file again.
    virtual void reload(int selected, bool keepPreview = false) = 0;
    virtual void removeAction() = 0;
    virtual void clearAction() = 0;
    void moveAction(int step);
    void fileListViewHidden(bool hidden);

    SimpleData* selectedClip() const;
    // The selected clip's range, mode and volume into the controls.
    virtual void showSelectedClip() = 0;
    // The rows' lengths after a range changed.
    void refreshRows();
    // Stores a range of the selected clip when 0 <= start < stop <= length and no job runs,
    // and shows it everywhere.
    void storeSelectedRange(int64_t start, int64_t stop);
    // A range field or handle moved an edge of the selected clip's range to atUs.
    virtual void rangeEdgeMoved(int64_t /*atUs*/) {}
    bool timeRowEdited(bool start);
    void volumeChanged(double gain);
    rangearea::Parts rangeParts();

    playhead::Strip playHead() const;
    void showPlayHead(double current, double duration);
    void playerDidEnd();
    // The selected clip's file moved onto its index's line: the ranges of every row of that file
    // follow their pictures there, and one the user set that now reads otherwise is told.
    void movedOntoIndexLine(const std::function<double(double)>& toLine);
    // The rows of `path` take the length `now` and their ranges `toLine`; whether a time the
    // user set reads otherwise now.
    bool moveClipsOntoIndexLine(const QString& path, double now, const std::function<double(double)>& toLine);
    void setVolumeButtonLook(bool muted);
    clipstrip::Controls stripControls();

    void windowWillClose() override;
    void actionMouseMovedForCutProgressViewBlock(LxCutProgressView* view, float startvalue, float stopvalue,
                                                 int handleType) override;
    void actionMouseDownForCutProgressViewBlock(LxCutProgressView* view, float progress) override;
    void actionSeekToTimeForCutProgressViewBlock(LxCutProgressView* view, float progress) override;
    void actionMouseUpForCutProgressViewBlock(LxCutProgressView* view, float progress) override;
    void actionMouseDownForProgressSliderBlock(LxProgressSlider* slider, float progress) override;
    void actionProgressForProgressSliderBlock(LxProgressSlider* slider, float progress) override;
    void actionMouseUpForProgressSliderBlock(LxProgressSlider* slider, float progress) override;

    // Reset (the whole clip, keep mode) and Apply to All (the selected clip's range and mode
    // to every other clip), as the range area's buttons do.
    void resetAction();
    void applyToAllAction();
    // How Reset and Apply to All store a range into a clip.
    virtual void storeRange(SimpleData& clip, CutRange range);
    // The selected clip's mode: remove (true) or keep.
    virtual void trimModeChanged(bool remove) = 0;

    // A file the preview showed by its stored times is held open on them (LxStoredTimesLine)
    // until its index is read, also once another file is shown: its rows' times then still
    // move onto the index's line. Asked a few times a second, and by a job before it is set up.
    void settleStoredLines();
    // The chain of jobs on `path` as the window has its times now (see StoredTimesRun).
    std::shared_ptr<StoredTimesRun> storedTimesRunOf(const QString& path);

    ExportBar* exportBar_ = nullptr;
    PreviewPane* preview_ = nullptr;
    QString coverStyle_;
    std::vector<std::shared_ptr<SimpleData>> fileList_;
    // Set while the controls are filled from a record, so their signals store nothing.
    bool showingClip_ = false;

private:
    std::map<QString, std::unique_ptr<LxStoredTimesLine>> storedLines_;
    QTimer* storedLineTimer_ = nullptr;
    const char* logName_;
};
