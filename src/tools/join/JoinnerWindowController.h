// The join tool window: an ordered list of clips, each with its own keep or remove range,
// volume and transition into the next clip; one output format chosen from the joiner's
// profiles; one output folder; and one join job, started and cancelled with the same button.
//
// The window owns its clip records; the list view shows the same records. Files are:
// JoinnerWindowController.cpp (set-up and layout), _list.cpp (adding, ordering, removing),
// _trim.cpp (range fields, keep or remove, volume), _export.cpp (format and the join job).
//
// Main thread only; the join's blocking start runs on the job chain's worker.
#pragma once

#include "foundation/controls/LxCutProgressViewDelegate.h"
#include "tools/join/JoinFormat.h"
#include "tools/shared/ToolWindow.h"

#include <QString>
#include <memory>
#include <vector>

class FormatBrowser;
class ExportBar;
class JoinnerTableView;
class LxCutProgressView;
class NSProgressView;
class OutputFolderChooser;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class SimpleData;
class TimeCodeRow;
class ZylButton;

class JoinnerWindowController : public ToolWindow, public LxCutProgressViewDelegate {
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
    QLabel* playerView;
    QPushButton* resetCutterBtn;
    QPushButton* applytoallBtn;
    QSlider* volumeSlider;
    QLabel* volumeValueLabel;
    // The output-format browser at the window's foot, in its panel.
    QWidget* formatBottomView;
    FormatBrowser* formatBrowser;
    OutputFolderChooser* outputFolderBtn;
    ZylButton* startJoinnerBtn;
    NSProgressView* joinnerProgressView;

protected:
    void windowWillClose() override;
    void actionMouseMovedForCutProgressViewBlock(LxCutProgressView* view, float startvalue, float stopvalue,
                                                 int handleType) override;

private:
    void buildLayout();
    void buildFormatBrowser();
    // List (JoinnerWindowController_list.cpp).
    void removeAction();
    void clearAction();
    void moveAction(int step);
    void fileListViewHidden(bool hidden);
    void reload(int selected);
    // Trim (JoinnerWindowController_trim.cpp).
    SimpleData* selectedClip() const;
    void showSelectedClip();
    // A typed or stepped value of a range row; a refused one is reported and the row shows
    // the stored time again.
    bool timeRowEdited(bool start);
    void trimModeChanged(bool remove);
    void resetAction();
    void applyToAllAction();
    void volumeChanged(int percent);
    void defaultFormatChanged();
    void formatChosen(const QString& item, const QString& path);
    void formatFolded(bool folded);
    void refreshSelectedRow();
    // Export (JoinnerWindowController_export.cpp).
    // The format of the join: the default-format clip's own, else the chosen profile's.
    JoinFormat chosenFormat(const SimpleData* reference) const;
    bool startJoin();

    ExportBar* exportBar_ = nullptr;
    std::vector<std::shared_ptr<SimpleData>> fileList_;
    QString lastOutput_;
    bool showingClip_ = false;
};
