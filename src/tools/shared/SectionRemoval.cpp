#include "tools/shared/SectionRemoval.h"

#include "platform/Log.h"
#include "tools/shared/EngineJoin.h"
#include "tools/shared/OutputFileNamer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <mutex>

namespace {

// The part folders of this process that are still there, for its last step.
std::mutex gFoldersMutex;
QStringList gFolders;

void removeFolder(const QString& path) {
    if (!QDir(path).removeRecursively())
        qCWarning(lcTools) << "part folder not removed:" << path;
}

} // namespace

// The hidden folder of one plan's part files, made exclusively; removed with its contents
// when the last holder lets it go, or at the program's end (removeFoldersLeft).
class SectionRemoval::PartFolder {
public:
    explicit PartFolder(const QString& beside) {
        QByteArray pattern = QFile::encodeName(beside + "/.cutbench-parts-XXXXXX");
        if (mkdtemp(pattern.data())) {
            path_ = QFile::decodeName(pattern);
            const std::lock_guard<std::mutex> lock(gFoldersMutex);
            gFolders << path_;
        } else {
            error_ = -errno;
        }
    }
    ~PartFolder() {
        if (!isValid())
            return;
        {
            const std::lock_guard<std::mutex> lock(gFoldersMutex);
            // Already gone with the program's last step.
            if (gFolders.removeAll(path_) == 0)
                return;
        }
        removeFolder(path_);
    }
    PartFolder(const PartFolder&) = delete;
    PartFolder& operator=(const PartFolder&) = delete;
    bool isValid() const { return !path_.isEmpty(); }
    QString path() const { return path_; }
    // Why the folder could not be made, as an engine result (a negative errno).
    int error() const { return error_; }

private:
    QString path_;
    int error_ = 0;
};

namespace {

// A step that writes into the part folder or reads from it: the folder stays until the
// step's engine job has been closed.
class FolderHeld : public EngineJob {
public:
    FolderHeld(std::shared_ptr<SectionRemoval::PartFolder> folder, std::unique_ptr<EngineJob> job)
        : folder_(std::move(folder)), job_(std::move(job)) {}
    int start() override { return job_->start(); }
    bool succeeded(int result) const override { return job_->succeeded(result); }
    double progress() const override { return job_->progress(); }
    void stop() override { job_->stop(); }
    QString outputPath() const override { return job_->outputPath(); }

private:
    // Declared first, so destroyed after the job.
    std::shared_ptr<SectionRemoval::PartFolder> folder_;
    std::unique_ptr<EngineJob> job_;
};

// Every step of a plan in one engine job: start() makes and runs the steps one after the
// other on the chain's worker; progress() and stop() come from the main thread meanwhile.
class WholeRemoval : public EngineJob {
public:
    WholeRemoval(std::unique_ptr<SectionRemoval> plan, std::unique_ptr<EngineJob> first)
        : plan_(std::move(plan)), current_(std::move(first)) {
        const int steps = plan_->stepCount();
        const auto& kept = plan_->kept();
        bool lengthsKnown = true;
        for (const auto& r : kept)
            lengthsKnown = lengthsKnown && r.endUs > r.startUs;
        double passes = 0;
        for (size_t i = 0; i < kept.size() && i < 2; ++i) {
            weight_[i] = lengthsKnown ? double(kept[i].endUs - kept[i].startUs) : 1.0;
            passes += weight_[i];
        }
        // Copying packets is quick next to the passes.
        if (steps == 3)
            weight_[2] = passes / 4;
        const double total = weight_[0] + weight_[1] + weight_[2];
        for (double& w : weight_)
            w = total > 0 ? w / total : 0;
    }

    // 1 when the output is complete, also after a stop (the chain tells a stop by its own
    // flag); otherwise the failing step's result (below 1).
    int start() override {
        const int steps = plan_->stepCount();
        for (int i = 0; i < steps; ++i) {
            if (i > 0 && !makeStep(i))
                return 1;
            EngineJob* job = nullptr;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (stopped_)
                    return 1;
                job = current_.get();
            }
            if (!job) {
                qCWarning(lcTools) << "section removal: step" << i << "not set up:" << setupError_;
                return std::min(setupError_, 0);
            }
            const int r = job->start();
            std::unique_ptr<EngineJob> finished;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (stopped_)
                    return 1;
                if (!job->succeeded(r))
                    return std::min(r, 0);
                finished = std::move(current_);
                done_ = i + 1;
            }
        }
        return 1;
    }
    bool succeeded(int result) const override { return result >= 1; }
    double progress() const override {
        std::lock_guard<std::mutex> lock(mutex_);
        double p = 0;
        for (int i = 0; i < done_ && i < 3; ++i)
            p += weight_[i];
        if (current_ && done_ < 3)
            p += weight_[done_] * current_->progress();
        return std::clamp(p, 0.0, 1.0);
    }
    void stop() override {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
        if (current_)
            current_->stop();
    }
    QString outputPath() const override { return plan_->finalPath(); }

private:
    // Sets up step i on the worker; false when the job was stopped meanwhile.
    bool makeStep(int i) {
        int error = 0;
        std::unique_ptr<EngineJob> next = plan_->step(i, &error);
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopped_)
            return false;
        setupError_ = error;
        current_ = std::move(next);
        return true;
    }

    // Declared first, so that the steps' engine jobs close before the part folder goes.
    std::unique_ptr<SectionRemoval> plan_;
    std::unique_ptr<EngineJob> current_;
    mutable std::mutex mutex_;
    bool stopped_ = false;
    int done_ = 0;
    int setupError_ = 0;
    double weight_[3] = {1, 0, 0};
};

} // namespace

std::vector<SectionRemoval::Range> SectionRemoval::keptAround(int64_t startUs, int64_t stopUs,
                                                              int64_t durationUs) {
    const int64_t d = std::max<int64_t>(0, durationUs);
    int64_t start = std::max<int64_t>(0, startUs);
    int64_t stop = std::max(start, stopUs);
    if (d > 0) {
        start = std::min(start, d);
        stop = std::min(stop, d);
    }
    std::vector<Range> kept;
    if (start >= kSliverUs)
        kept.push_back(Range{0, start});
    if (d <= 0 || stop <= d - kSliverUs)
        kept.push_back(Range{stop, d});
    return kept;
}

std::vector<SectionRemoval::Range> SectionRemoval::keptAround(const QString& source, int64_t startUs,
                                                              int64_t stopUs, int64_t durationUs) {
    std::vector<Range> kept = keptAround(startUs, stopUs, durationUs);
    // The engine's times start at the first picture: only a part after the section can miss one.
    std::erase_if(
        kept, [&](const Range& r) { return r.startUs > 0 && !EngineConvert::rangeHoldsPicture(source, r); });
    return kept;
}

SectionRemoval::SectionRemoval(std::vector<Range> kept, QString finalPath,
                               const std::array<QString, 2>& partStems, MakePass makePass)
    : kept_(std::move(kept)), finalPath_(std::move(finalPath)), makePass_(std::move(makePass)) {
    if (kept_.size() != 2)
        return;
    // Beside the final file: the same disk, which has room for the output anyway.
    auto folder = std::make_shared<PartFolder>(QFileInfo(finalPath_).absolutePath());
    if (!folder->isValid()) {
        qCWarning(lcTools) << "no folder for the parts beside" << finalPath_ << folder->error();
        folderError_ = folder->error();
        return;
    }
    const QString ext = OutputFileNamer::extensionOf(finalPath_);
    for (const QString& stem : partStems)
        parts_ << OutputFileNamer::freePath(folder->path(), stem, ext);
    folder_ = std::move(folder);
}

SectionRemoval::SectionRemoval(std::vector<Range> kept, OutputName finalName,
                               const std::array<QString, 2>& partStems, MakePass makePass)
    : SectionRemoval(std::move(kept), finalName.path(), partStems, std::move(makePass)) {
    finalName_ = std::move(finalName);
}

SectionRemoval::~SectionRemoval() = default;

int SectionRemoval::stepCount() const {
    if (kept_.size() == 1)
        return 1;
    return kept_.size() == 2 && parts_.size() == 2 ? 3 : 0;
}

std::unique_ptr<EngineJob> SectionRemoval::step(int index, int* error) {
    *error = stepCount() == 0 ? folderError_ : 0;
    if (index < 0 || index >= stepCount())
        return nullptr;
    if (stepCount() == 1)
        return makePass_(kept_.front(), finalPath_, error);
    // The parts were let go: nothing more is written.
    if (!folder_)
        return nullptr;
    std::unique_ptr<EngineJob> job;
    if (index == 1 && second_)
        job = std::move(second_);
    else
        job = index < 2 ? makePass_(kept_[size_t(index)], parts_[index], error) : join(error);
    if (!job)
        return nullptr;
    // Both passes are set up at once, on the file as the window shows it: a source shown by its
    // stored times opens on them for both, and each places its range on the index's line itself.
    // Set up once the first had run, the second would open on the index's line with a range
    // given on the stored times.
    if (index == 0 && !(second_ = makePass_(kept_[1], parts_[1], error)))
        return nullptr;
    return std::make_unique<FolderHeld>(folder_, std::move(job));
}

std::unique_ptr<EngineJob> SectionRemoval::join(int* error) {
    std::unique_ptr<EngineJoin> join = EngineJoin::create(finalPath_, error);
    if (!join)
        return nullptr;
    for (const QString& part : parts_) {
        // The whole part, as the pass wrote it.
        const int r = join->addClip(part, 0, 0, 100);
        if (r < 1) {
            qCWarning(lcTools) << "join: part refused" << part << r;
            *error = r;
            return nullptr;
        }
    }
    // Both parts come from one source with the same settings: their packets are copied.
    EngineJoin::Encoding copy;
    copy.videoCodec = QStringLiteral("copy");
    copy.audioCodec = QStringLiteral("copy");
    if (const int r = join->setEncoding(copy); r < 1) {
        qCWarning(lcTools) << "join: copy refused" << r;
        *error = r;
        return nullptr;
    }
    return join;
}

void SectionRemoval::removeParts() {
    folder_.reset();
}

void SectionRemoval::removeFoldersLeft() {
    QStringList left;
    {
        const std::lock_guard<std::mutex> lock(gFoldersMutex);
        left.swap(gFolders);
    }
    for (const QString& path : left) {
        qCWarning(lcTools) << "part folder still there at the end:" << path;
        removeFolder(path);
    }
}

std::unique_ptr<EngineJob> SectionRemoval::oneJob(std::unique_ptr<SectionRemoval> plan, int* error) {
    *error = 0;
    if (!plan || !plan->isValid()) {
        if (plan)
            *error = plan->setupError();
        return nullptr;
    }
    std::unique_ptr<EngineJob> first = plan->step(0, error);
    if (!first)
        return nullptr;
    return std::make_unique<WholeRemoval>(std::move(plan), std::move(first));
}
