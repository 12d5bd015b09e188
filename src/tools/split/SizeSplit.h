// The parts of a size-capped split: each part is capped at a number of bytes and starts where
// the one before it really ended, and parts go on until the end of the file, so that no
// stretch of the source is left out.
//
// Used from the job chain's thread: next() is called for part 0, 1, 2... each after the one
// before it has finished.
#pragma once

#include "tools/shared/EngineJob.h"
#include "tools/shared/OutputFileNamer.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>

class SizeSplit {
public:
    struct Source {
        QString path;
        int64_t durationUs = 0;
        double fps = 0; // the picture rate (0 when unknown)
    };
    SizeSplit(Source source, QString folder, QString stem, QString extension, int64_t limitBytes);

    // The job of part i; null at the end (*error = JobChain::kNoMoreJobs), when a part came
    // out empty (*error = 0) or when the engine refused the part (*error = its result).
    std::unique_ptr<EngineJob> next(int i, int* error);

    // "<folder>/<stem><n>.<ext>" for the first n from 1 whose file is not there and that no
    // running export holds, held for the part's job. A dangling link counts as there: writing
    // through it would put a file where the user did not choose.
    static OutputName takeNumberedFreePath(const QString& folder, const QString& stem,
                                           const QString& extension);

private:
    Source source_;
    QString folder_, stem_, extension_;
    int64_t limit_;
    int64_t frameUs_ = 0;
    int64_t nextStart_ = 0;
    QString lastOutput_;
    // The length the engine wrote for the last part, set when that part's job finishes.
    std::shared_ptr<std::atomic<int64_t>> lastLength_ = std::make_shared<std::atomic<int64_t>>(0);
};
