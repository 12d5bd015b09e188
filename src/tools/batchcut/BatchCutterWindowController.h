// The batch cut tool window: a list of files, each with its own range to keep or to cut
// out, previewed one at a time, and one run that cuts every file in list order into the
// output folder. Each output keeps its source's container and streams and takes the
// source's name, made free with "(n)" when taken.
//
// The list, preview and ranges are the list window's (tools/shared/ClipListWindow.h). Files:
// BatchCutterWindowController.cpp (set-up, editing on and off), _list.cpp (adding,
// removing), _trim.cpp (the selected file's range and mode), _export.cpp (the run).
//
// Main thread only; the engine's blocking starts run on the job chain's worker.
#pragma once

#include "tools/shared/ClipListWindow.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class EngineJob;
class SimpleData;
class StoredTimesRun;

class BatchCutterWindowController : public ClipListWindow {
    Q_OBJECT
public:
    explicit BatchCutterWindowController(QWidget* parent = nullptr);
    ~BatchCutterWindowController() override;

    bool isCutting() const { return jobChain().isBusy(); }

    // Probes and appends files; the refused ones are named in one message after all were
    // probed. Files added during a run are cut in the same run. Returns how many were added.
    int addFiles(const QStringList& paths);
    void addFileAction() override;

    // Editing controls on or off (off while a run goes on).
    void enableEdit(bool enabled) override;
    // Start or Cancel, as the Start button does.
    void startBachCutterAction();

protected:
    void exportJobStarted(int index) override;
    void exportProgress(double overall) override;
    void exportEnded(JobChain::Outcome outcome, int error) override;
    QString failedJobsReport() const override;
    // Closing stops the run and keeps the files cut so far: asked first.
    QString closeWhileExportingQuestion() const override;
    // List (BatchCutterWindowController_list.cpp).
    void reload(int selected, bool keepPreview = false) override;
    void removeAction() override;
    void clearAction() override;
    // Trim (BatchCutterWindowController_trim.cpp).
    void showSelectedClip() override;
    void trimModeChanged(bool remove) override;
    // The preview shows the frame at a moved range edge.
    void rangeEdgeMoved(int64_t atUs) override;

private:
    // Export (BatchCutterWindowController_export.cpp).
    bool startRun();
    std::unique_ptr<EngineJob> makeJob(int index, int* error);
    // The file's cut: its range kept, or what lies around it.
    std::unique_ptr<EngineJob> makeCut(SimpleData& clip, int* error);

    QString runFolder_;
    // The file being set up, when the preview shows it by its stored times.
    std::shared_ptr<StoredTimesRun> fileRun_;
    int fileRunIndex_ = -1;
    // "<file name>: <why>" of each file of the run that could not be cut, with the engine's
    // result for it; and how many files were cut.
    QStringList failures_;
    std::vector<int> failureErrors_;
    int filesCut_ = 0;
};
