// The join tool window: an ordered list of clips, each with its own keep or remove range,
// volume and transition into the next clip; one output format chosen from the joiner's
// profiles; one output folder; and one join job, started and cancelled with the same button.
//
// The list, preview and ranges are the list window's (tools/shared/ClipListWindow.h). Files:
// JoinnerWindowController.cpp (set-up and layout), _list.cpp (adding, removing), _trim.cpp
// (the selected clip's range and mode), _export.cpp (format and the join job).
//
// Main thread only; the join's blocking start runs on the job chain's worker.
#pragma once

#include "tools/join/JoinFormat.h"
#include "tools/join/JoinPlan.h"
#include "tools/shared/ClipListWindow.h"

#include <QString>
#include <vector>

class FormatBrowser;

class JoinnerWindowController : public ClipListWindow {
    Q_OBJECT
public:
    explicit JoinnerWindowController(QWidget* parent = nullptr);
    ~JoinnerWindowController() override;

    bool isJoining() { return jobChain().isBusy(); }
    // The file the running or last join writes.
    QString lastOutput() const { return lastOutput_; }

    // Probes and appends files; refused ones are reported and skipped. Returns how many
    // were added.
    int addFiles(const QStringList& paths);
    void addFileAction() override;

    // Editing controls on or off (off while a join runs).
    void enableEdit(bool enabled) override;
    // Start or Cancel, as the export bar's button does.
    void startJoinnerAction();

    // The output-format browser at the window's foot, in its panel.
    QWidget* formatBottomView;
    FormatBrowser* formatBrowser;

protected:
    void exportJobStarted(int index) override;
    void exportProgress(double overall) override;
    void exportEnded(JobChain::Outcome outcome, int error) override;
    // List (JoinnerWindowController_list.cpp).
    void reload(int selected, bool keepPreview = false) override;
    void removeAction() override;
    void clearAction() override;
    // Trim (JoinnerWindowController_trim.cpp).
    void showSelectedClip() override;
    void trimModeChanged(bool remove) override;
    // The whole clip is stored as no range, as a newly added clip has it.
    void storeRange(SimpleData& clip, CutRange range) override;

private:
    void buildFormatBrowser();
    void defaultFormatChanged();
    void formatChosen(const QString& item, const QString& path);
    void formatFolded(bool folded);

    // Export (JoinnerWindowController_export.cpp).
    // The format of the join: the default-format clip's own, else the chosen profile's.
    JoinFormat chosenFormat(const SimpleData* reference) const;
    bool startJoin();
    // The chosen format's values into every clip's target values.
    void applyFormatToClips();
    // Per-row export bars: each clip's share of the join's output.
    void prepareRowProgress(const std::vector<JoinPlan::Clip>& clips);

    // Each row's length in the running join's output, in seconds, and their sum.
    std::vector<double> joinShares_;
    double joinTotal_ = 0;
    // The running join's last overall progress, 0 to 1.
    double joinProgress_ = 0;
    bool formatIsAudio_ = false;
    // Where the format panel stands in the window, under everything else, unless it lies over
    // the content above the export row.
    int formatTop_ = 0;
    QString lastOutput_;
};
