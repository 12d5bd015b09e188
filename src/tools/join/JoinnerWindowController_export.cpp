// The output format and the join job: one engine join of every clip in list order into a
// file named by the date and time (made free), started and cancelled with the same button.
#include "tools/join/JoinnerWindowController.h"

#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/SimpleData.h"
#include "platform/Log.h"
#include "profiles/ProfileSet.h"
#include "tools/join/JoinPlan.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/FormatBrowser.h"
#include "tools/shared/JoinJob.h"
#include "tools/shared/Loc.h"
#include "tools/shared/OutputFileNamer.h"

#include <QDir>
#include <QFileInfo>

void JoinnerWindowController::buildFormatBrowser() {
    // The browser's panel lies under everything else, at the window's foot: the window grows
    // downwards by the band and folding the band takes the window's foot up again.
    const int height = this->height();
    formatBottomView = new QWidget(this);
    formatBottomView->setGeometry(0, height, width(), FormatBrowser::kBandHeight);
    setFixedSize(width(), height + FormatBrowser::kBandHeight);
    formatBrowser = new FormatBrowser(ProfileSet::joiner(), FormatBrowser::Opener::Joiner, formatBottomView);
    formatBrowser->setGeometry(0, 0, width(), FormatBrowser::kBandHeight);
    formatBrowser->profileChosen = [this](const QString&, const QString& item, const QString& path) {
        formatChosen(item, path);
    };
    formatBrowser->foldChanged = [this](bool folded) { formatFolded(folded); };
    // Shows the remembered profile and reads it, so that a join right after opening uses it.
    formatBrowser->start();
}

void JoinnerWindowController::formatChosen(const QString& item, const QString& path) {
    // The settings window changes the chosen values in the user defaults, where the join
    // reads them; choosing a profile starts them afresh from its file.
    const bool keep = item.isEmpty() || item == ProfileSet::kKeepOriginal;
    (keep ? JoinFormat() : JoinFormat::fromProfile(path)).storeInDefaults();
}

void JoinnerWindowController::formatFolded(bool folded) {
    const int band =
        folded ? FormatBrowser::kBandHeight - FormatBrowser::kFoldHeight : FormatBrowser::kBandHeight;
    formatBottomView->resize(width(), band);
    setFixedSize(width(), formatBottomView->y() + band);
}

void JoinnerWindowController::defaultFormatChanged() {
    enableEdit(!isJoining());
}

JoinFormat JoinnerWindowController::chosenFormat(const SimpleData* reference) const {
    if (reference)
        return JoinFormat();
    return JoinFormat::fromDefaults();
}

void JoinnerWindowController::startJoinnerAction() {
    exportBar_->press();
}

bool JoinnerWindowController::startJoin() {
    if (fileList_.empty())
        return false;
    std::vector<JoinPlan::Clip> clips = JoinPlan::clips(fileList_);
    if (clips.empty())
        return false;

    const SimpleData* reference = nullptr;
    for (const auto& clip : fileList_) {
        if (clip->defaultFormat) {
            reference = clip.get();
            break;
        }
    }
    const JoinFormat format = chosenFormat(reference);
    const JoinJob::Encoding encoding = format.encoding(reference);
    const QString extension = format.extensionFor(reference, *fileList_.front());
    const QString folder = exportBar_->preparedOutputPath();
    const QString output = OutputFileNamer::freeTimestampPath(folder, extension);
    lastOutput_ = output;
    qCDebug(lcTools) << "join into" << output << "vcodec" << encoding.videoCodec << "acodec"
                     << encoding.audioCodec << encoding.width << "x" << encoding.height << "fps"
                     << encoding.fps << "kbps" << encoding.videoKbps << encoding.audioKbps;

    auto make = [output, encoding, clips](int, int* error) -> std::unique_ptr<EngineJob> {
        std::unique_ptr<JoinJob> job = JoinJob::create(output, error);
        if (!job)
            return nullptr;
        int r = job->setEncoding(encoding);
        if (r < 1) {
            *error = r;
            return nullptr;
        }
        for (const JoinPlan::Clip& c : clips) {
            r = job->addClip(c.path, c.startUs, c.endUs, c.volumePercent);
            if (r < 1) {
                qCWarning(lcTools) << "join: clip refused" << c.path << r;
                *error = r;
                return nullptr;
            }
            if (c.transition > 0) {
                const int t = job->setTransition(c.transition, c.transitionUs);
                if (t < 1)
                    qCWarning(lcTools) << "join: transition refused" << t;
            }
        }
        return job;
    };
    return jobChain().start(1, make);
}
