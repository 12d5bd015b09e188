// The editor's export as a chain of engine jobs, without any widget.
//
// Keeping the selected section is one pass over it into the final file. Deleting it keeps the
// parts before and after it: each is converted into a private part file, and a join copies
// both into the final file without re-encoding them. A section that touches the start or the
// end of the file leaves one part, which is written in one pass straight to the final file;
// a section that covers the whole file leaves nothing and is refused.
//
// Names: the final file takes the first free "<name>.<ext>", "<name>(2).<ext>", ... in the
// output folder; the part files go into a hidden folder of their own made there, so no file
// of the user's is ever touched. The part files this export made are removed when it ends,
// however it ends, and the folder with them when the object is destroyed; nothing else is
// ever removed.
//
// Main thread only. The window keeps the object alive while its job chain runs.
#pragma once

#include "editor/core/EditorConvertJob.h"

#include <QString>
#include <QStringList>
#include <memory>

class QTemporaryDir;
#include <vector>

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

    bool isValid() const { return !ranges_.empty(); }
    // 1 for one pass; 3 for two passes and their join.
    int jobCount() const;
    QString finalPath() const { return finalPath_; }
    QStringList partPaths() const;

    // Sets up job index of the chain (JobChain::MakeJob). *refused says which setting the
    // engine refused when a pass cannot be set up.
    std::unique_ptr<EngineJob> makeJob(int index, int* error, EditorConvertJob::Refused* refused = nullptr);
    // The chain finished job index: its file is complete (a part now exists to be removed).
    void jobCompleted(int index);
    // Removes the part files made so far. Called when the chain has ended.
    void removeParts();

private:
    EditorConvertJob::Settings settings_;
    std::vector<Range> ranges_;
    QString finalPath_;
    std::unique_ptr<QTemporaryDir> partsFolder_;
    QStringList parts_;      // private part files, one per range of a two-pass export
    std::vector<bool> made_; // whether part i was written by this export
};
