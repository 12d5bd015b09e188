// The output format and the join job: one engine join of every clip in list order into a
// file named by the date and time (made free), started and cancelled with the same button.
#include "tools/join/JoinnerWindowController.h"

#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/SimpleData.h"
#include "platform/Log.h"
#include "profiles/ProfileSet.h"
#include "tools/join/JoinPlan.h"
#include "tools/shared/EngineJoin.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/FormatBrowser.h"
#include "tools/shared/JoinnerCell.h"
#include "tools/shared/JoinnerTableView.h"
#include "tools/shared/Loc.h"
#include "tools/shared/OutputFileNamer.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/RangeRules.h"
#include "tools/shared/RowProgress.h"
#include "tools/shared/ScreenRoom.h"
#include "tools/shared/ToolStyle.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

namespace {
// Between a band laid over the content and the export row under it.
constexpr int kBandGap = 4;
} // namespace

void JoinnerWindowController::buildFormatBrowser() {
    // The browser's panel lies under everything else, at the window's foot: the window grows
    // downwards by the band and folding the band takes the window's foot up again.
    const int height = this->height();
    formatTop_ = height;
    formatBottomView = new QWidget(this);
    formatBottomView->setGeometry(0, height, width(), FormatBrowser::kBandHeight);
    // Opaque, for when it lies over the content.
    toolstyle::paintBackground(formatBottomView, toolstyle::kBrandBlue);
    setFixedSize(width(), height + FormatBrowser::kBandHeight);
    formatBrowser = new FormatBrowser(ProfileSet::joiner(), FormatBrowser::Opener::Joiner, formatBottomView);
    formatBrowser->setGeometry(0, 0, width(), FormatBrowser::kBandHeight);
    formatBrowser->profileChosen = [this](const QString&, const QString& item, const QString& path) {
        formatChosen(item, path);
    };
    formatBrowser->foldChanged = [this](bool folded) { formatFolded(folded); };
    // The settings window wrote a value (or the profile's values back) into the defaults:
    // every clip's target values follow.
    formatBrowser->settingChanged = [this](long) { applyFormatToClips(); };
    formatBrowser->settingsRestored = [this] { applyFormatToClips(); };
    // Shows the remembered profile and reads it, so that a join right after opening uses it.
    formatBrowser->start();
    // A screen lower than the window: it opens folded, so that it can be placed on it whole.
    if (formatBrowser->canFold() && this->height() > ScreenRoom::windowRoom(this))
        formatBrowser->setFolded(true);
}

void JoinnerWindowController::formatChosen(const QString& item, const QString& path) {
    // The settings window changes the chosen values in the user defaults, where the join
    // reads them; choosing a profile starts them afresh from its file.
    const bool keep = item.isEmpty() || item == ProfileSet::kKeepOriginal;
    (keep ? JoinFormat() : JoinFormat::fromProfile(path)).storeInDefaults();
    formatIsAudio_ = formatBrowser->chosenCategory() == QStringLiteral("Audio");
    applyFormatToClips();
}

void JoinnerWindowController::applyFormatToClips() {
    const JoinFormat format = JoinFormat::fromDefaults();
    for (const auto& clip : fileList_)
        format.applyToTarget(*clip, !formatIsAudio_);
}

// The window's size follows the fold. Unfolding grows it only when its screen has room for it,
// moving it up where its foot would leave the screen; on a screen too low for that the window
// keeps its size and place and the band opens over the content's foot, ending above the export
// row: a join can be started, and its folder chosen, while a format is being chosen.
void JoinnerWindowController::formatFolded(bool folded) {
    const int band =
        folded ? FormatBrowser::kBandHeight - FormatBrowser::kFoldHeight : FormatBrowser::kBandHeight;
    if (!folded && height() + FormatBrowser::kFoldHeight > ScreenRoom::windowRoom(this)) {
        formatBottomView->setGeometry(0, exportBar_->top() - kBandGap - band, width(), band);
        formatBottomView->raise();
        return;
    }
    formatBottomView->setGeometry(0, formatTop_, width(), band);
    setFixedSize(width(), formatTop_ + band);
    ScreenRoom::keepOnScreen(this);
}

void JoinnerWindowController::defaultFormatChanged() {
    enableEdit(!isJoining());
}

JoinFormat JoinnerWindowController::chosenFormat(const SimpleData* reference) const {
    // A clip marked as the default format gives its own source format, whatever profile
    // the (then locked) browser shows.
    if (reference)
        return JoinFormat::ofSource(*reference);
    return JoinFormat::fromDefaults();
}

void JoinnerWindowController::startJoinnerAction() {
    exportBar_->press();
}

bool JoinnerWindowController::startJoin() {
    if (fileList_.empty()) {
        showSimpleAlert(loc("scrlabelplaceholderString"));
        return false;
    }
    // Times kept on a file's stored times whose index is held now are first moved onto its line.
    settleStoredLines();
    if (JoinPlan::clips(fileList_).empty())
        return false;

    const SimpleData* reference = nullptr;
    for (const auto& clip : fileList_) {
        if (clip->defaultFormat) {
            reference = clip.get();
            break;
        }
    }
    const JoinFormat format = chosenFormat(reference);
    const EngineJoin::Encoding encoding = format.encoding(reference);
    const QString extension =
        format.extensionFor(reference, *fileList_.front(), formatIsAudio_ && !reference);
    const QString folder = exportBar_->preparedOutputPath();
    qCDebug(lcTools) << "join vcodec" << encoding.videoCodec << "acodec" << encoding.audioCodec
                     << encoding.width << "x" << encoding.height << "fps" << encoding.fps << "kbps"
                     << encoding.videoKbps << encoding.audioKbps;

    // A file shown by its stored times whose index comes to be held before the window has moved
    // its rows onto the index's line: a set-up then opens it on that line while its clips still
    // have the stored times. The join waits for the move and takes the clips as they are then.
    auto runs = std::make_shared<std::map<QString, std::shared_ptr<StoredTimesRun>>>();
    // The chain is the window's own: it never calls make once the window has gone.
    auto make = [this, runs, encoding, folder, extension](int, int* error) -> std::unique_ptr<EngineJob> {
        settleStoredLines();
        const std::vector<JoinPlan::Clip> clips = JoinPlan::clips(fileList_);
        for (const JoinPlan::Clip& c : clips)
            if (!runs->count(c.path))
                (*runs)[c.path] = storedTimesRunOf(c.path);
        for (auto& [path, run] : *runs)
            if (!run->ready(0, error))
                return nullptr;
        prepareRowProgress(clips);
        // Held from now until the join is gone; the job takes it over.
        OutputName name = OutputFileNamer::takeFreeTimestampPath(folder, extension);
        lastOutput_ = name.path();
        std::unique_ptr<EngineJoin> join = EngineJoin::create(std::move(name), error);
        if (!join)
            return nullptr;
        int r = join->setEncoding(encoding);
        if (r < 1) {
            *error = r;
            return nullptr;
        }
        for (const JoinPlan::Clip& c : clips) {
            r = join->addClip(c.path, c.startUs, c.endUs, c.volumePercent);
            if (r < 1) {
                qCWarning(lcTools) << "join: clip refused" << c.path << r;
                *error = r;
                return nullptr;
            }
            if (c.transition > 0) {
                const int t = join->setTransition(c.transition, c.transitionUs);
                if (t < 1 && c.transitionRequired) {
                    qCWarning(lcTools) << "join: transition after a removed range refused" << t;
                    *error = t;
                    return nullptr;
                }
                if (t < 1)
                    qCWarning(lcTools) << "join: transition refused" << t;
            }
        }
        std::unique_ptr<EngineJob> job = std::move(join);
        for (auto& [path, run] : *runs)
            if (!run->settled(job, error))
                return nullptr;
        return job;
    };
    return jobChain().start(1, make);
}

void JoinnerWindowController::prepareRowProgress(const std::vector<JoinPlan::Clip>& clips) {
    // Each row's share of the output: its pieces, less the transitions that overlap them.
    joinShares_.clear();
    double total = 0;
    for (size_t i = 0; i < fileList_.size(); ++i) {
        double seconds = 0;
        for (const JoinPlan::Clip& c : clips) {
            if (c.entry != i)
                continue;
            const double d = double(RangeRules::durationUs(*fileList_[i]));
            const double piece = (c.endUs > c.startUs ? double(c.endUs - c.startUs) : d) / 1e6;
            seconds += piece - double(c.transitionUs) / 1e6;
        }
        joinShares_.push_back(std::max(0.0, seconds));
        total += std::max(0.0, seconds);
    }
    joinTotal_ = total;
    joinProgress_ = 0;
}

void JoinnerWindowController::exportJobStarted(int) {
    for (int i = 0; i < fileListTableView->rowCount(); ++i)
        fileListTableView->hiddenProgress(i);
}

void JoinnerWindowController::exportProgress(double overall) {
    // The overall progress, shown in the row of the clip being joined.
    if (joinTotal_ <= 0 || !std::isfinite(overall))
        return;
    joinProgress_ = overall;
    double done = std::clamp(overall, 0.0, 1.0) * joinTotal_;
    for (int i = 0; i < int(joinShares_.size()); ++i) {
        JoinnerCell* row = fileListTableView->row(i);
        const double share = joinShares_[size_t(i)];
        if (!row)
            continue;
        row->progress->set(share > 0 && done < share ? std::max(0.0, done) / share
                                                     : (done >= share ? 1.0 : -1.0));
        done -= share;
    }
}

void JoinnerWindowController::exportEnded(JobChain::Outcome, int) {
    for (int i = 0; i < fileListTableView->rowCount(); ++i)
        fileListTableView->hiddenProgress(i);
    joinShares_.clear();
    joinTotal_ = 0;
    joinProgress_ = 0;
}
