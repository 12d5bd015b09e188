// The editor's export as a chain of engine jobs, without any widget.
//
// Keeping the selected section is one pass over it into the final file. Deleting it is the
// kit's plan for a file without a section (SectionRemoval): the part before it and the part
// after it are each converted with the export's settings into a private part file, "befor_"
// and "behand_" with the file's name, and a join copies both into the final file without
// re-encoding them. A section that touches the start or the end of the file leaves one part,
// written in one pass straight to the final file; a section that covers the whole file
// leaves nothing and is refused.
//
// Names: the final file takes the first free "<name>.<ext>", "<name>(2).<ext>", ... in the
// output folder. The part files, their folder and their removal, however the export ends,
// are the plan's: no file of the user's is ever touched.
//
// Main thread only. The window keeps the object alive while its job chain runs.
#pragma once

#include "editor/core/EditorConvertJob.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class SectionRemoval;

class EditorExport {
public:
    using Range = EditorConvertJob::Range;

    // The ranges of the file that the record keeps, in microseconds, none of them empty:
    // the cut range itself, or what lies around it when the section is deleted. An unset
    // cut range keeps the whole file (one range ending at 0, "to the end").
    static std::vector<Range> keptRanges(const SimpleData& record);

    // Plans the export of settings.record into folder. isValid() is false when the record
    // keeps nothing of the file (or no folder for its parts could be made there).
    EditorExport(EditorConvertJob::Settings settings, const QString& folder);
    ~EditorExport();
    EditorExport(const EditorExport&) = delete;
    EditorExport& operator=(const EditorExport&) = delete;

    bool isValid() const;
    // Why a plan that keeps part of the file is not valid: the engine-style result of making
    // the part folder in the output folder (a negative errno); 0 when it keeps nothing.
    int setupError() const;
    // 1 for one pass; 3 for two passes and their join.
    int jobCount() const;
    QString finalPath() const;
    QStringList partPaths() const;

    // Sets up job index of the chain (JobChain::MakeJob). *refused says which setting the
    // engine refused when a pass cannot be set up.
    std::unique_ptr<EngineJob> makeJob(int index, int* error, EditorConvertJob::Refused* refused = nullptr);
    // The chain has ended: the part files go (once the last job has returned).
    void removeParts();

private:
    EditorConvertJob::Settings settings_;
    EditorConvertJob::Refused refused_ = EditorConvertJob::Refused::None;
    std::unique_ptr<SectionRemoval> plan_;
};
