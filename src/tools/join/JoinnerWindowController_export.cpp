// The output format and the join job: one engine join of every clip in list order into a
// file named by the date and time (made free), started and cancelled with the same button.
#include "tools/join/JoinnerWindowController.h"

#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/SimpleData.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "profiles/CustomProfileWriter.h"
#include "profiles/InputFileNameWindowController.h"
#include "profiles/ProfileSet.h"
#include "profiles/SettingWindowController.h"
#include "tools/join/JoinPlan.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/JoinJob.h"
#include "tools/shared/Loc.h"
#include "tools/shared/OutputFileNamer.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPointer>

namespace {
// The profile file the joiner used last.
const QString kChosenProfileKey = QStringLiteral("joinnerSelectedProfile");
} // namespace

void JoinnerWindowController::buildFormatList() {
    // The profile chosen last, else keeping the clips' own format.
    fillFormatList(UserDefaults::standardUserDefaults().stringForKey(kChosenProfileKey));
    connect(formatPopBtn, &QComboBox::currentIndexChanged, this, &JoinnerWindowController::formatChosen);
    // The remembered profile is the one a join right after opening uses.
    formatChosen(formatPopBtn->currentIndex());
    // A profile saved from the settings window is listed, and chosen, at once.
    QPointer<JoinnerWindowController> self(this);
    NotificationCenter::defaultCenter().addObserver(
        NSPfFileWrittenNotification, nullptr,
        [self](const Notification& n) {
            if (!self)
                return;
            self->fillFormatList(n.userInfo.value(QStringLiteral("path")).toString());
            self->formatChosen(self->formatPopBtn->currentIndex());
        },
        this);
}

void JoinnerWindowController::fillFormatList(const QString& chosenPath) {
    const QSignalBlocker block(formatPopBtn);
    formatPopBtn->clear();
    const ProfileSet set = ProfileSet::joiner();
    QStringList categories = set.categories();
    if (ProfileSet::customFolderHasEntries())
        categories.prepend(ProfileSet::kCustomCategory);
    for (const QString& category : categories) {
        for (const QString& item : set.items(category)) {
            const QString path = set.profilePath(category, item);
            if (!path.isEmpty())
                formatPopBtn->addItem(category + " / " + item, path);
        }
    }
    int chosen = formatPopBtn->findData(chosenPath);
    if (chosen < 0)
        chosen = formatPopBtn->findText("Video / " + ProfileSet::kKeepOriginal);
    formatPopBtn->setCurrentIndex(std::max(chosen, 0));
}

void JoinnerWindowController::formatChosen(int index) {
    if (index < 0)
        return;
    const QString path = formatPopBtn->itemData(index).toString();
    UserDefaults::standardUserDefaults().setObject(path, kChosenProfileKey);
    JoinFormat::fromProfile(path).storeInDefaults();
}

void JoinnerWindowController::settingAction() {
    const QString path = formatPopBtn->currentData().toString();
    if (path.isEmpty() || isJoining())
        return;
    auto* settings = new SettingWindowController(this);
    settings->setAttribute(Qt::WA_DeleteOnClose);
    settings->setJoinner(true);
    const bool audio = formatPopBtn->currentText().startsWith(ProfileSet::kAudioCategory + " /");
    settings->setFileType(audio ? 2 : 1);
    settings->window();
    settings->setPfPath(path);
    settings->displayViewChildes();
    settings->open();
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
