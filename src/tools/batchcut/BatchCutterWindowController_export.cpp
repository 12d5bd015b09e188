// The run of the batch cut window: every file of the list, in list order, one job each. A
// keep-mode file is one cut of its range; a remove-mode file is what lies around its range:
// one cut when the range touches an end of the file, else the two parts joined. Each output
// keeps its source's container and streams under the source's name, made free first. What a
// remove-mode file keeps, and how its parts are written and cleaned up, is the kit's plan for
// a file without a section (SectionRemoval), the one the editor's export uses too. A file
// that cannot be cut (gone, damaged, refused) does not stop the run: the rest are cut, and
// the end says which failed and why.
#include "tools/batchcut/BatchCutterWindowController.h"

#include "foundation/controls/NSProgressView.h"
#include "foundation/records/SimpleData.h"
#include "platform/Log.h"
#include "tools/shared/EngineConvert.h"
#include "tools/shared/EngineErrorText.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/JoinnerTableView.h"
#include "tools/shared/Loc.h"
#include "tools/shared/OutputFileNamer.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/RangeRules.h"
#include "tools/shared/SectionRemoval.h"

#include <QFileInfo>
#include <algorithm>

void BatchCutterWindowController::startBachCutterAction() {
    exportBar_->press();
}

bool BatchCutterWindowController::startRun() {
    if (isCutting())
        return false;
    if (fileList_.empty()) {
        showSimpleAlert(loc("scrlabelplaceholderString"));
        return false;
    }
    pause();
    // Removing a whole file would leave nothing to write: say which files, cut none.
    QStringList nothingLeft;
    for (const auto& clip : fileList_) {
        const auto [start, stop] = RangeRules::rangeOf(*clip);
        if (clip->isTrimFanxuan &&
            SectionRemoval::keptAround(clip->path, start, stop, RangeRules::durationUs(*clip)).empty())
            nothingLeft << QFileInfo(clip->path).fileName();
    }
    if (!nothingLeft.isEmpty()) {
        showSimpleAlert(loc("batchRemoveWholeFileString") + nothingLeft.join(","));
        return false;
    }
    fileRunIndex_ = -1;
    runFolder_ = exportBar_->preparedOutputPath();
    if (runFolder_.isEmpty())
        return false;
    failures_.clear();
    failureErrors_.clear();
    filesCut_ = 0;
    jobChain().jobFailed = [this](int index, int error) {
        const QString name =
            index < int(fileList_.size()) ? QFileInfo(fileList_[size_t(index)]->path).fileName() : QString();
        failures_ << name + QStringLiteral(": ") + engineerror::text(error);
        failureErrors_.push_back(error);
        return true;
    };
    jobChain().jobCompleted = [this](int, const QString&) { ++filesCut_; };
    // Open-ended: files added while the run goes on are cut in the same run.
    return jobChain().start(
        int(fileList_.size()), [this](int index, int* error) { return makeJob(index, error); }, true);
}

std::unique_ptr<EngineJob> BatchCutterWindowController::makeJob(int index, int* error) {
    if (index < 0 || index >= int(fileList_.size())) {
        *error = JobChain::kNoMoreJobs;
        return nullptr;
    }
    SimpleData& clip = *fileList_[size_t(index)];
    if (fileRunIndex_ != index) {
        fileRun_ = storedTimesRunOf(clip.path);
        fileRunIndex_ = index;
    } else {
        settleStoredLines();
    }
    std::unique_ptr<EngineJob> job = makeCut(clip, error);
    if (!fileRun_->settled(job, error))
        return nullptr; // made again once the preview has moved the file's range
    return job;
}

std::unique_ptr<EngineJob> BatchCutterWindowController::makeCut(SimpleData& clip, int* error) {
    OutputName output = OutputFileNamer::takeFreePath(runFolder_, QFileInfo(clip.path).completeBaseName(),
                                                      OutputFileNamer::extensionOf(clip.path));
    clip.exportPath = output.path();
    qCDebug(lcTools) << "batch:" << clip.path << "to" << output.path();
    const int64_t d = RangeRules::durationUs(clip);
    const auto [start, stop] = RangeRules::rangeOf(clip);
    if (!clip.isTrimFanxuan) {
        // The whole file is converted without a cut time.
        std::optional<EngineConvert::Range> range;
        if (start > 0 || stop < d)
            range = EngineConvert::Range{start, stop};
        return EngineConvert::cut(clip.path, std::move(output), range, error);
    }
    // Nothing left of the file is refused at Start; a file added during the run keeps all.
    const QString source = clip.path;
    auto cut = [source](EngineConvert::Range range, const QString& part,
                        int* e) -> std::unique_ptr<EngineJob> {
        return EngineConvert::cut(source, part, range, e);
    };
    return SectionRemoval::oneJob(
        std::make_unique<SectionRemoval>(SectionRemoval::keptAround(source, start, stop, d),
                                         std::move(output), std::array<QString, 2>{"part1", "part2"}, cut),
        error);
}

void BatchCutterWindowController::exportJobStarted(int index) {
    // The file being cut is selected, shows its export bar and is previewed.
    fileListTableView->setDisabelSelectBlock(false);
    fileListTableView->showProgress(index);
    enableEdit(false);
}

void BatchCutterWindowController::exportProgress(double overall) {
    const JobChain& chain = jobChain();
    const int index = chain.currentIndex();
    const double p = std::clamp(overall * chain.count() - index, 0.0, 1.0);
    // The overall bar counts the files of the list, which may grow during the run.
    if (!chain.isCancelling() && !fileList_.empty())
        joinnerProgressView->setProgress(float(std::clamp((index + p) / double(fileList_.size()), 0.0, 1.0)));
    fileListTableView->setExportProgress(p);
}

QString BatchCutterWindowController::failedJobsReport() const {
    if (failures_.isEmpty())
        return {};
    QString heading = loc("batchFailedFilesString");
    if (filesCut_ == 0) {
        // One reason for every file (an output folder that cannot be written) is said once,
        // in the words every window uses for it.
        if (std::all_of(failureErrors_.begin(), failureErrors_.end(),
                        [&](int e) { return e == failureErrors_.front(); }))
            return engineerror::text(failureErrors_.front());
        heading = loc("batchNoFileCutString");
    }
    // A long list is cut short: the alert has to fit on the screen.
    constexpr int kShown = 20;
    QStringList lines = failures_.mid(0, kShown);
    if (failures_.size() > kShown)
        lines << QStringLiteral("… (+%1)").arg(failures_.size() - kShown);
    return heading + QStringLiteral("\n") + lines.join(QStringLiteral("\n"));
}

QString BatchCutterWindowController::closeWhileExportingQuestion() const {
    return loc("closeExportRunningString");
}

void BatchCutterWindowController::exportEnded(JobChain::Outcome, int) {
    for (int i = 0; i < fileListTableView->rowCount(); ++i)
        fileListTableView->hiddenProgress(i);
}
