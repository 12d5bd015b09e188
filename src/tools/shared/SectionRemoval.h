// A file written without a section of its source: the editor's export of a deleted section
// (each pass with the editor's picture and sound settings) and the batch cutter's remove mode
// (plain cuts) both go through this plan.
//
// What is kept (keptAround): the part before the section and the part after it, leaving out a
// part shorter than kSliverUs, which is what rounding leaves of a section meant to reach an
// end (a part "from 0 to 0" would otherwise stand for the whole file and bring the section
// back), and a part of a picture file in which no picture starts (what is left after a
// section that ends inside the last picture). Nothing kept: nothing to write, and the caller refuses. One
// part: one pass, straight into the final file. Two parts: a pass writes each into a part file, and a join
// copies both packet for packet into the final file.
//
// Part files: the caller names them (their stems), and they go into a hidden folder made for
// this plan beside the final file, created exclusively on the same disk: no file of the
// user's is ever written, joined or removed, whatever its name. The folder goes with
// everything in it once the plan and the last of its steps are gone, however the work ended
// (finished, failed, stopped, the window closed): never while an engine job still writes
// into it, and never anything outside it; at the latest when the program ends.
//
// Running: a chain runs the steps as its jobs (step), or one engine job runs them all in turn
// (oneJob) where a chain runs one job per file.
//
// Threads: the plan is made and used on the main thread; oneJob's job makes its later steps
// on the chain's worker.
#pragma once

#include "tools/shared/EngineConvert.h"
#include "tools/shared/EngineJob.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class SectionRemoval {
public:
    // An end of 0 runs to the end of the file.
    using Range = EngineConvert::Range;
    // A hundredth of a second, the time fields' finest step.
    static constexpr int64_t kSliverUs = 10000;

    // What is left of a file durationUs long (0 when unknown) without [startUs, stopUs).
    static std::vector<Range> keptAround(int64_t startUs, int64_t stopUs, int64_t durationUs);
    // The same of the file at source, less a part that holds no picture: a section that ends
    // inside the last picture, or where only sound runs on after it, leaves no part after it.
    static std::vector<Range> keptAround(const QString& source, int64_t startUs, int64_t stopUs,
                                         int64_t durationUs);

    // Sets up the pass that writes range of the source into output. On failure returns null
    // with *error set to the engine's result (0 when it gave none).
    using MakePass =
        std::function<std::unique_ptr<EngineJob>(Range range, const QString& output, int* error)>;

    // Plans writing the kept ranges (one or two) into finalPath; partStems name the part
    // files of two ranges. isValid() is false when nothing is kept, or when no folder for
    // the parts could be made.
    SectionRemoval(std::vector<Range> kept, QString finalPath, const std::array<QString, 2>& partStems,
                   MakePass makePass);
    // The same into a name held for this plan (OutputFileNamer::takeFreePath), which it keeps
    // until it is gone: the final file is written only by its last step.
    SectionRemoval(std::vector<Range> kept, OutputName finalName, const std::array<QString, 2>& partStems,
                   MakePass makePass);
    ~SectionRemoval();
    SectionRemoval(const SectionRemoval&) = delete;
    SectionRemoval& operator=(const SectionRemoval&) = delete;

    bool isValid() const { return stepCount() > 0; }
    // Why a plan that keeps something is not valid: the part folder could not be made beside
    // the final file (a negative errno, as the engine reports a file it cannot write); 0
    // otherwise.
    int setupError() const { return folderError_; }
    // 1: one pass into the final file; 3: two passes into part files and their join.
    int stepCount() const;
    const std::vector<Range>& kept() const { return kept_; }
    QString finalPath() const { return finalPath_; }
    // The part files the passes write (empty for one pass); none exists before its pass.
    QStringList partPaths() const { return parts_; }

    // Sets up step index (JobChain::MakeJob): the join only once both parts are written.
    std::unique_ptr<EngineJob> step(int index, int* error);
    // Lets the part folder go: at once, or once the step still running has returned.
    void removeParts();
    // The program's last step, once its jobs were stopped and waited for: removes the part
    // folders of every plan still there, however its owner went (a job that did not return,
    // a plan nothing destroyed), so that none outlives the program but through a kill.
    static void removeFoldersLeft();

    // All steps of plan as one engine job, its first step set up now. Its progress weighs
    // each pass by its length and the join as a quarter of the passes. On failure returns
    // null with *error set.
    static std::unique_ptr<EngineJob> oneJob(std::unique_ptr<SectionRemoval> plan, int* error);

    class PartFolder;

private:
    std::unique_ptr<EngineJob> join(int* error);

    std::vector<Range> kept_;
    QString finalPath_;
    OutputName finalName_;
    MakePass makePass_;
    std::shared_ptr<PartFolder> folder_;
    QStringList parts_;
    std::unique_ptr<EngineJob> second_; // the second pass, set up with the first
    int folderError_ = 0;
};
