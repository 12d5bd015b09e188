// The editor window's export: Start commits the edit state into the open file's record and
// runs the export's jobs on the window's job chain; the export bar shows the progress (in
// thirds when a deleted section makes two passes and a join), cancels, and shows how it ended.
#include "editor/core/EditVideoWindowController.h"

#include "editor/core/EditRecipe.h"
#include "editor/core/EditorExport.h"
#include "editor/core/EditorFormatBand.h"
#include "editor/core/EditorTool.h"
#include "editor/core/EditorToolStrip.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/SimpleData.h"
#include "mediacore/MediaCore.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/FormatBrowser.h"
#include "tools/shared/Loc.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/TimeCodeRow.h"

#include <algorithm>

void EditVideoWindowController::bindExport() {
    // Until a file is open there is nothing to export.
    o_.exportBar->startButton->setEnabled(false);
    o_.exportBar->startRequested = [this] { return startExport(); };
    o_.exportBar->editingEnabled = [this](bool on) { exportEditingEnabled(on); };
    buildFormatBrowser();
}

// The export's settings: the committed record, the stored format, and what the tools add to
// the recipe (false when a tool refuses, having said why).
bool EditVideoWindowController::exportSettings(EditorConvertJob::Settings* settings) {
    EditorConvertJob::Settings& s = *settings;
    s.record = session_.file().fileData;
    // The format is read again at every export: the browser and the settings window store it.
    s.choices = EditorOutputChoices::fromUserDefaults();
    const UserDefaults& d = UserDefaults::standardUserDefaults();
    s.customWidth = int(std::clamp<long long>(d.integerForKey("resolutionSelectCustom-Width"), 0, 16384));
    s.customHeight = int(std::clamp<long long>(d.integerForKey("resolutionSelectCustom-Height"), 0, 16384));
    EditRecipe recipe =
        EditRecipe::fromState(session_.state(), *session_.file().fileData, EditRecipe::Purpose::Export);
    for (EditorTool* t : tools_)
        if (!t->contribute(recipe))
            return false;
    s.audioStreamPosition = session_.state().audioStreamPosition();
    s.originalSoundLevel = recipe.originalSoundLevel;
    s.removeOriginalSound = recipe.removeOriginalSound;
    s.watermarks = recipe.marks;
    s.music = recipe.music;
    return true;
}

bool EditVideoWindowController::startExport() {
    if (!session_.file().isOpen() || jobChain().isBusy())
        return false;
    // A time still being typed is what the user sees: it is checked and stored, or refused,
    // before anything is exported.
    if (!TimeCodeRow::commitTyping(this))
        return false;
    pause();
    if (!planExport(true))
        return false;
    musicRefused_ = false;
    // A file shown by its stored times whose index comes to be held before the window has moved
    // onto the index's line: a set-up then opens it on that line while the plan's times are
    // still the stored ones. The first set-up waits for the move and plans again from the moved
    // times.
    auto run = StoredTimesRun::of(preview_, session_.file().fileData->path);
    auto replan = std::make_shared<bool>(false);
    // The chain is the window's own: it never calls make once the window has gone.
    auto make = [this, run, replan](int index, int* error) -> std::unique_ptr<EngineJob> {
        if (index == 0 && !run->ready(0, error)) {
            *replan = true;
            return nullptr;
        }
        if (index == 0 && *replan) {
            if (!planExport(false)) {
                *error = MEDIACORE_ERROR_RANGE_UNPLACED;
                return nullptr;
            }
            *replan = false;
        }
        EditorConvertJob::Refused refused = EditorConvertJob::Refused::None;
        std::unique_ptr<EngineJob> job = export_->makeJob(index, error, &refused);
        if (!job)
            qCWarning(lcEditor) << "export job" << index << "not set up:" << *error << "refused"
                                << int(refused);
        musicRefused_ = !job && refused == EditorConvertJob::Refused::Music;
        if (index == 0 && !run->settled(job, error)) {
            *replan = true;
            return nullptr;
        }
        return job;
    };
    return jobChain().start(export_->jobCount(), make);
}

bool EditVideoWindowController::planExport(bool tell) {
    SimpleData& record = *session_.file().fileData;
    const EditState& state = session_.state();
    if (state.cutTimeRange_stop() > 0 && state.cutTimeRange_start() >= state.cutTimeRange_stop()) {
        // Exporting the record's earlier state instead would lose the crop, effects and
        // subtitle set since: refuse.
        if (tell)
            showSimpleAlert(loc("showmessageTime1"));
        return false;
    }
    state.writeInto(record);
    export_.reset();
    EditorConvertJob::Settings settings;
    if (!exportSettings(&settings))
        return false;
    auto plan = std::make_unique<EditorExport>(settings, o_.exportBar->preparedOutputPath());
    if (!plan->isValid()) {
        // Either the part files have no place in the output folder (said as any window says
        // a folder it cannot write), or deleting the whole file would leave nothing to write.
        if (const int error = plan->setupError(); error != 0 && tell)
            ToolWindow::showEngineError(error);
        else if (tell)
            showSimpleAlert(loc("showmessageTime4"));
        return false;
    }
    export_ = std::move(plan);
    record.exportPath = export_->finalPath();
    const QStringList parts = export_->partPaths();
    record.exportbeforPath = parts.value(0);
    record.exportbehandPath = parts.value(1);
    return true;
}

void EditVideoWindowController::exportEditingEnabled(bool on) {
    const bool open = session_.file().isOpen();
    enableEdit(on);
    // Opening another file or switching tools while the export reads the record would change
    // what the running passes write.
    o_.addfileButton->setEnabled(on);
    strip_->setEnabled(on && open);
    format_->setChoiceEnabled(on);
}

void EditVideoWindowController::showEngineError(int result) {
    if (musicRefused_)
        showSimpleAlert(loc("showmessageTime7"));
    else
        ToolWindow::showEngineError(result);
}

void EditVideoWindowController::exportEnded(JobChain::Outcome outcome, int error) {
    qCDebug(lcEditor) << "export ended" << int(outcome) << error;
    // The part files go however the export ended; the final file stays only when finished
    // (the engine removes the file of a stopped or failed job).
    export_.reset();
}
