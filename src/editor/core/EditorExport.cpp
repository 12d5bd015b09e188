#include "editor/core/EditorExport.h"

#include "foundation/records/SimpleData.h"
#include "tools/shared/OutputFileNamer.h"
#include "tools/shared/SectionRemoval.h"

#include <QFileInfo>
#include <algorithm>

std::vector<EditorExport::Range> EditorExport::keptRanges(const SimpleData& record) {
    if (!record.hasCutRange())
        return {Range{0, 0}};
    const double seconds = record.sourceDuration();
    const int64_t d = seconds > 0 ? int64_t(seconds * 1000000.0) : 0;
    if (record.isTrimFanxuan)
        return SectionRemoval::keptAround(record.path, record.cutTimeRange_start, record.cutTimeRange_stop,
                                          d);
    const int64_t start = std::max<int64_t>(0, record.cutTimeRange_start);
    const int64_t stop = d > 0 ? std::min(record.cutTimeRange_stop, d) : record.cutTimeRange_stop;
    return start < stop ? std::vector<Range>{Range{start, stop}} : std::vector<Range>{};
}

EditorExport::EditorExport(EditorConvertJob::Settings settings, const QString& folder)
    : settings_(std::move(settings)) {
    std::vector<Range> kept = keptRanges(*settings_.record);
    if (kept.empty())
        return;
    const SimpleData& rec = *settings_.record;
    const QString base = QFileInfo(rec.name).completeBaseName();
    QString ext = rec.targetData->extension;
    if (ext.isEmpty())
        ext = rec.sourceData->extension;
    // Every pass takes the export's settings; the plan owns what it writes.
    auto pass = [this](Range range, const QString& output, int* error) -> std::unique_ptr<EngineJob> {
        return EditorConvertJob::create(settings_, range, output, error, &refused_);
    };
    plan_ =
        std::make_unique<SectionRemoval>(std::move(kept), OutputFileNamer::takeFreePath(folder, base, ext),
                                         std::array<QString, 2>{"befor_" + base, "behand_" + base}, pass);
}

EditorExport::~EditorExport() = default;

bool EditorExport::isValid() const {
    return plan_ && plan_->isValid();
}

int EditorExport::setupError() const {
    return plan_ ? plan_->setupError() : 0;
}

int EditorExport::jobCount() const {
    return plan_ ? plan_->stepCount() : 0;
}

QString EditorExport::finalPath() const {
    return plan_ ? plan_->finalPath() : QString();
}

QStringList EditorExport::partPaths() const {
    return plan_ ? plan_->partPaths() : QStringList();
}

std::unique_ptr<EngineJob> EditorExport::makeJob(int index, int* error, EditorConvertJob::Refused* refused) {
    *error = 0;
    refused_ = EditorConvertJob::Refused::None;
    std::unique_ptr<EngineJob> job = plan_ ? plan_->step(index, error) : nullptr;
    if (refused)
        *refused = refused_;
    return job;
}

void EditorExport::removeParts() {
    if (plan_)
        plan_->removeParts();
}
