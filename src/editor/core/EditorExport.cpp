#include "editor/core/EditorExport.h"

#include "foundation/records/SimpleData.h"
#include "platform/Log.h"
#include "tools/shared/JoinJob.h"
#include "tools/shared/OutputFileNamer.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>

std::vector<EditorExport::Range> EditorExport::keptRanges(const SimpleData& record) {
    if (!record.hasCutRange())
        return {Range{0, 0}};
    const double seconds = record.sourceDuration();
    const int64_t d = seconds > 0 ? int64_t(seconds * 1000000.0) : 0;
    const int64_t start = std::max<int64_t>(0, record.cutTimeRange_start);
    const int64_t stop = d > 0 ? std::min(record.cutTimeRange_stop, d) : record.cutTimeRange_stop;
    if (!record.isTrimFanxuan)
        return start < stop ? std::vector<Range>{Range{start, stop}} : std::vector<Range>{};
    // Deleting a section: what lies before and after it, leaving out empty pieces (a piece
    // "from 0 to 0" would otherwise stand for the whole file and bring the section back).
    // A sliver shorter than this is what rounding leaves of a section meant to reach an end.
    constexpr int64_t kSliverUs = 10000;
    std::vector<Range> kept;
    if (start >= kSliverUs)
        kept.push_back(Range{0, start});
    if (d <= 0 || stop <= d - kSliverUs)
        kept.push_back(Range{stop, d});
    return kept;
}

EditorExport::EditorExport(EditorConvertJob::Settings settings, const QString& folder)
    : settings_(std::move(settings)), ranges_(keptRanges(*settings_.record)) {
    if (ranges_.empty())
        return;
    const SimpleData& rec = *settings_.record;
    const QString base = QFileInfo(rec.name).completeBaseName();
    QString ext = rec.targetData->extension;
    if (ext.isEmpty())
        ext = rec.sourceData->extension;
    finalPath_ = OutputFileNamer::freePath(folder, base, ext);
    if (ranges_.size() > 1) {
        // A hidden folder of its own beside the output (the same disk): parts left by a
        // killed program never sit among the user's files under names that look finished.
        partsFolder_ = std::make_unique<QTemporaryDir>(folder + "/.cutbench-parts-XXXXXX");
        if (!partsFolder_->isValid()) {
            qCWarning(lcEditor) << "no folder for the parts beside" << finalPath_;
            ranges_.clear();
            return;
        }
        parts_ << OutputFileNamer::freePath(partsFolder_->path(), "befor_" + base, ext)
               << OutputFileNamer::freePath(partsFolder_->path(), "behand_" + base, ext);
        made_.assign(2, false);
    }
}

EditorExport::~EditorExport() {
    removeParts();
    if (partsFolder_ && partsFolder_->isValid() && !partsFolder_->remove())
        qCWarning(lcEditor) << "part folder not removed:" << partsFolder_->path();
}

int EditorExport::jobCount() const {
    return ranges_.size() > 1 ? 3 : (ranges_.empty() ? 0 : 1);
}

QStringList EditorExport::partPaths() const {
    return parts_;
}

std::unique_ptr<EngineJob> EditorExport::makeJob(int index, int* error, EditorConvertJob::Refused* refused) {
    *error = 0;
    if (ranges_.empty() || index < 0 || index >= jobCount())
        return nullptr;
    if (ranges_.size() == 1)
        return EditorConvertJob::create(settings_, ranges_.front(), finalPath_, error, refused);
    if (index < 2)
        return EditorConvertJob::create(settings_, ranges_[size_t(index)], parts_[index], error, refused);

    // Both parts come from the same settings, so the join copies them as they are.
    std::unique_ptr<JoinJob> join = JoinJob::create(finalPath_, error);
    if (!join)
        return nullptr;
    const int64_t fileUs = int64_t(double(settings_.record->sourceDuration()) * 1000000.0);
    for (int i = 0; i < 2; ++i) {
        const Range& r = ranges_[size_t(i)];
        const int64_t lengthUs = (r.endUs > 0 ? r.endUs : fileUs) - r.startUs;
        // The whole part: the engine ends a clip at its file's end, so a second of margin keeps
        // a part that came out a little longer than its range from losing its last frames.
        const int result = join->addClip(parts_[i], 0, std::max<int64_t>(0, lengthUs) + 1000000, 100);
        if (result < 1) {
            qCWarning(lcEditor) << "join: part refused" << parts_[i] << result;
            *error = result;
            return nullptr;
        }
    }
    JoinJob::Encoding copy;
    copy.audioCodec = QStringLiteral("copy");
    copy.videoCodec = QStringLiteral("copy");
    const int r = join->setEncoding(copy);
    if (r < 1) {
        qCWarning(lcEditor) << "errorcode:" << r;
        *error = r;
        return nullptr;
    }
    return join;
}

void EditorExport::jobCompleted(int index) {
    if (index >= 0 && index < int(made_.size()))
        made_[size_t(index)] = true;
}

void EditorExport::removeParts() {
    for (int i = 0; i < int(made_.size()); ++i) {
        if (!made_[size_t(i)])
            continue;
        if (!QFile::remove(parts_[i]) && QFileInfo::exists(parts_[i]))
            qCWarning(lcEditor) << "part file not removed:" << parts_[i];
        made_[size_t(i)] = false;
    }
}
