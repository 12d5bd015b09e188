// The easy cutter: one source file, a preview player with a trim bar and time-code fields,
// a list of marked segments, an output folder, and an export of the segments as separate
// files or merged into one.
//
// The shell creates it with the plain constructor and show(); the window deletes itself
// after it has closed (see ToolWindow) and posts "WillCloseNotification" as it closes.
//
// The class is split by concern into files of the same class:
//   EasyCutterWindowcontroller.cpp           window set-up, enableEditItemShow / enableEdit
//   EasyCutterWindowcontroller_source.cpp    open panel, probe and load of the source
//   EasyCutterWindowcontroller_player.cpp    preview player, play head, mark buttons, refresh
//   EasyCutterWindowcontroller_fields.cpp    time-code fields, steppers and their checks
//   EasyCutterWindowcontroller_trim.cpp      trim bar callbacks and the transport keys
//   EasyCutterWindowcontroller_segments.cpp  the segment list
//   EasyCutterWindowcontroller_export.cpp    export chain, progress, cancel, finish
//
// Threads: everything runs on the main thread; the player's end-of-file callback and the
// engine's blocking starts come back through the main queue.
#pragma once

#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxTextField.h"
#include "tools/shared/ToolWindow.h"

#include <QImage>
#include <QPointer>
#include <array>
#include <memory>
#include <utility>
#include <vector>

class QLabel;
class StoredTimesRun;
class QPushButton;
class QScrollArea;
class CutItemView;
class LxMoviePlayer;
class LxProgressSlider;
class NSProgressView;
class ExportBar;
class OutputFolderChooser;
class PreviewPane;
class TimeCodeRow;
class TimeStepper;
class ZylButton;
class ZylImageView;
class ZylView;
class CutItem;
class SimpleData;

class EasyCutterWindowcontroller : public ToolWindow, public LxCutProgressViewDelegate {
    Q_OBJECT
public:
    explicit EasyCutterWindowcontroller(QWidget* parent = nullptr);
    ~EasyCutterWindowcontroller() override;

    // A row of four time-code fields: hours, minutes, seconds, hundredths.
    using FieldRow = std::array<LxTextField*, 4>;
    enum class Row { Start, Stop, ItemStart, ItemStop };

    // ---- window (set-up) ----
    void enableEditItemShow(bool show);
    void enableEdit(bool enable);

    // ---- source ----
    void addFileAction();
    // Probes and loads a file as the open panel does with its first choice. Returns whether
    // the file was accepted; a refused file shows its message.
    bool loadSourceFile(const QString& path);

    // ---- player ----
    void initPlayer();
    void addTimer();
    void removeTimer();
    void changePlayerSlider();
    void refresSelectTrimTime(bool changeStart, bool changeEnd);
    // The picture at the play head for a segment's row, handed to `done` when the player has
    // it up (at once, or after a seek under way has landed; never after the window is gone).
    void getCurrentThumbImage(std::function<void(const QImage&)> done);

    // ---- time-code fields ----
    // The check of a typed value as the field's edit ends; false keeps the field open.
    bool textShouldEndEditing(LxTextField* field);

    // ---- trim bar and transport keys ----
    void actionMouseDownForCutProgressViewBlock(LxCutProgressView* view, float progress) override;
    void actionMouseUpForCutProgressViewBlock(LxCutProgressView* view, float progress) override;
    void actionMouseMovedForCutProgressViewBlock(LxCutProgressView* view, float startvalue, float stopvalue,
                                                 int handleType) override;
    void actionSeekToTimeForCutProgressViewBlock(LxCutProgressView* view, float progress) override;
    void playOrPauseVideo();
    void kuaituiAction();
    void kuaijinAction();

    // ---- segment list ----
    void cutAction();
    void copyItemAction();
    void modifyItemAction();
    void deleteItemAction();
    void upMoveItemAction();
    void downMoveItemAction();
    void clearItemsAction();
    void refresFileListView();
    void scrollToSelectItem();
    void fileItemAction(CutItemView* row);

    // ---- export ----
    // Start or Cancel, as the export bar's button does.
    void startExportAction();

    // State a test or the shell may read.
    const std::shared_ptr<SimpleData>& fileData() const { return fileData_; }
    const std::vector<std::shared_ptr<CutItem>>& cutItems() const { return cutItems_; }
    const QList<CutItemView*>& cutItemViews() const { return cutItemViews_; }
    long selectedCutIndex() const { return selectedCutIndex_; }
    QString outputPath() const;
    bool isStartExport() const { return jobChain().isBusy() && !jobChain().isCancelling(); }
    LxMoviePlayer* player() const;
    double duration() const;

    // ---- outlets (built in code) ----
    ZylImageView* contentBackgroundView = nullptr;
    ZylImageView* contentLeftView = nullptr;
    ZylImageView* contentRightView = nullptr;
    ZylView* itemContentView = nullptr;
    ZylImageView* nofileBordView = nullptr;
    QLabel* gettingStartedLabel = nullptr;
    std::array<QLabel*, 4> descLabels{};
    ZylButton* addfileBtn = nullptr;
    ZylButton* updateFileAddBtn = nullptr;
    QLabel* scrLabel = nullptr;
    ZylImageView* playerView = nullptr;
    ZylButton* volumeBtn = nullptr;
    LxProgressSlider* volumeSlider = nullptr;
    ZylButton* playOrpauseBtn = nullptr;
    ZylButton* playOrpauseSelectBtn = nullptr;
    QLabel* currentTimeLabel = nullptr;
    QLabel* totalDurationLabel = nullptr;
    LxCutProgressView* cutprogressView = nullptr;
    ZylButton* selectedLeftBtn = nullptr;
    ZylButton* selectedRightBtn = nullptr;
    ZylButton* cutStartBtn = nullptr;
    QLabel* startTimeLabel = nullptr;
    QLabel* endTimeLabel = nullptr;
    QLabel* durationLabel = nullptr;
    QLabel* durationValueLabel = nullptr;
    ZylView* keybordTishiView = nullptr;
    QLabel* controlkeybordLabel = nullptr;
    QLabel* playpauseLabel = nullptr;
    QLabel* controlmarksLabel = nullptr;
    QPushButton* playpauseBtn = nullptr;
    QPushButton* kuaituiBtn = nullptr;
    QPushButton* kuaijinBtn = nullptr;
    QWidget* fileItemListView = nullptr;
    QScrollArea* itemsScrollview = nullptr;
    ZylView* filesContentView = nullptr;
    QWidget* itemSelectView = nullptr;
    ZylButton* upMoveItemBtn = nullptr;
    ZylButton* downMoveItemBtn = nullptr;
    ZylButton* deletedItemBtn = nullptr;
    ZylButton* itemCopyBtn = nullptr;
    ZylButton* itemModifyBtn = nullptr;
    ZylButton* itemDeletedBtn = nullptr;
    QLabel* outputLabel = nullptr;
    OutputFolderChooser* outputPopBtn = nullptr;
    ZylButton* openOutputFolderBtn = nullptr;
    ZylButton* merageBtn = nullptr;
    ZylButton* startExportBtn = nullptr;
    QLabel* progressLabel = nullptr;
    NSProgressView* exportProgressView = nullptr;

    // Time-code rows (the range under the player and the segment editor's), their fields
    // and steppers.
    TimeCodeRow* startTrimFieldBackV = nullptr;
    TimeCodeRow* stopTrimFieldBackV = nullptr;
    TimeCodeRow* startFieldBackV = nullptr;
    TimeCodeRow* endFieldBackV = nullptr;
    FieldRow startFields{}, stopFields{}, startItemFields{}, stopItemFields{};
    TimeStepper* startStepper = nullptr;
    TimeStepper* stopStepper = nullptr;
    TimeStepper* startItemStepper = nullptr;
    TimeStepper* stopItemStepper = nullptr;
    ZylImageView* selectedItemTimeChangeView = nullptr;

protected:
    void windowWillClose() override;
    void exportJobStarted(int index) override;

private:
    // The segment list's row size, and the height of the row editor shown under a row.
    static constexpr int kRowWidth = 140;
    static constexpr int kRowHeight = 120;
    static constexpr int kEditorHeight = 48;

    // set-up
    void windowDidLoad();
    void buildLayout();
    void buildPlayerLayout();
    void buildKeyboardHints();
    void buildSegmentList();
    void buildEmptyState();
    void buildExportLayout();
    void configureButtons();
    void configureFileButtons();
    void configurePlayerButtons();
    void configureSegmentButtons();
    void layoutRowButtons();
    void initPlayerBottom();
    void initSelectItemTimeChangeView();
    TimeCodeRow* buildFieldRow(QWidget* parent, const NSRect& frame, FieldRow& fields, TimeStepper*& stepper,
                               bool itemRow);
    void volumeToggle();

    // source
    void closeCurrentPlayer();

    // player
    void playButtonPressed();
    void previewButtonPressed();
    void markButtonPressed(bool end);
    void playerDidEnd();
    // The file moved onto its index's line: the range, the segments and the labels follow their
    // pictures there, and a range the user set that now reads otherwise is told in words.
    void movedOntoIndexLine(const std::function<double(double)>& toLine);
    void setPlayImages(bool pauseLook);
    void setPreviewImages(bool stopLook);
    void seekTo(double seconds);
    double currentTime() const;
    void updateMarkButtons(double p);

    // trim
    bool nudgeHandle(double step);
    void resumeAfterNudge();

    // fields
    static double rowTime(const FieldRow& fields);
    static void writeTime(const FieldRow& fields, double seconds);
    TimeCodeRow* rowOf(Row r) const;
    bool rowOfField(const LxTextField* field, Row* row) const;
    bool checkStart(Row startRow, Row stopRow, LxTextField* edited, double* start);
    bool checkStop(Row startRow, Row stopRow, LxTextField* edited, double* stop);
    void storeRangeStart(double s);
    void storeRangeStop(double e);
    void storeSegmentTimes(long index, double s, double e);
    void stepRow(Row row, LxTextField* field);
    // Whether the row gave a time that was stored.
    bool applyRangeRow(Row row, LxTextField* edited);
    bool applyItemRow(Row row, LxTextField* edited);
    void showRange();
    CutItem* segmentAt(long index) const;
    CutItem* modifiedSegment() const;
    bool isModifying() const;

    // segments
    void placeSelectionOverlay(CutItemView* row);
    void takeOverlayOut();
    void takeRowsOut();
    void updateUpDown();
    void rowEntered(CutItemView* row);
    void rowExited(CutItemView* row);
    void placeRowsAndEditor();
    void setModifiedRow(long index);

    // export
    bool startExport();
    // The segments of an export into a file each, in seconds on the line the window showed.
    struct SegmentRun {
        std::vector<std::pair<float, float>> segments;
        std::shared_ptr<StoredTimesRun> run;
    };
    std::shared_ptr<SegmentRun> segmentRun_;
    void stopPreview();

    std::shared_ptr<SimpleData> fileData_;
    PreviewPane* preview_ = nullptr;
    bool isPlaying_ = false;
    bool isPlaySelectedCut_ = false;
    float selectStartPlayTime_ = 0;

    std::vector<std::shared_ptr<CutItem>> cutItems_;
    QList<CutItemView*> cutItemViews_;
    long selectedCutIndex_ = 0;
    // Set while the hover overlay is being shown, hidden or moved (see placeSelectionOverlay).
    bool movingOverlay_ = false;

    ExportBar* exportBar_ = nullptr;
    bool mergedExport_ = false;
    // The source of the running export, fixed at its start.
    QString exportSource_;
};
