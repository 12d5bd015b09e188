// The plan for a file without a section: the slivers at the ends, the joined parts on a real
// clip, and that its part files go however the work ends while the user's files of the same
// names stay as they were.
#include "TestSupport.h"
#include "tools/shared/JobChain.h"
#include "tools/shared/SectionRemoval.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>

bool operator==(const EngineConvert::Range& a, const EngineConvert::Range& b) {
    return a.startUs == b.startUs && a.endUs == b.endUs;
}

namespace {

using Range = SectionRemoval::Range;
constexpr int64_t kS = 1000000;

// A pass that leaves a half-written part and runs until it is stopped.
class UntilStopped : public EngineJob {
public:
    UntilStopped(QString output, std::atomic<bool>* running)
        : output_(std::move(output)), running_(running) {}
    int start() override {
        QFile f(output_);
        if (f.open(QIODevice::WriteOnly))
            f.write("half");
        *running_ = true;
        for (int i = 0; i < 6000 && !stop_; ++i)
            QThread::msleep(5);
        return 1;
    }
    bool succeeded(int result) const override { return result >= 1; }
    double progress() const override { return 0; }
    void stop() override { stop_ = true; }
    QString outputPath() const override { return output_; }

private:
    QString output_;
    std::atomic<bool>* running_;
    std::atomic<bool> stop_{false};
};

class SectionRemovalTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The user's own files, named as the parts and as the final file.
        for (const char* name : {"before.mp4", "after.mp4", "cut.mp4"}) {
            QFile f(out_.filePath(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("the user's own file");
        }
    }
    void expectOnlyTheUsersFiles(const QStringList& besides = {}) {
        QStringList expected = QStringList{"after.mp4", "before.mp4", "cut.mp4"} + besides;
        expected.sort();
        EXPECT_EQ(
            QDir(out_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
            expected);
        for (const char* name : {"before.mp4", "after.mp4", "cut.mp4"}) {
            QFile f(out_.filePath(name));
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll(), QByteArray("the user's own file")) << name;
        }
    }
    // A plan removing 3 s to 6 s of the 10 s clip; the second pass is made by secondPass.
    std::unique_ptr<SectionRemoval> plan(const QString& final, SectionRemoval::MakePass secondPass) {
        const QString source = testsupport::media("long_10s.mp4");
        auto pass = [source, secondPass](Range r, const QString& out, int* e) -> std::unique_ptr<EngineJob> {
            if (r.startUs > 0)
                return secondPass(r, out, e);
            return EngineConvert::cut(source, out, r, e);
        };
        return std::make_unique<SectionRemoval>(SectionRemoval::keptAround(3 * kS, 6 * kS, 10 * kS), final,
                                                std::array<QString, 2>{"before", "after"}, pass);
    }
    JobChain::Outcome run(JobChain& chain, int count, JobChain::MakeJob make) {
        std::optional<JobChain::Outcome> outcome;
        chain.finished = [&](JobChain::Outcome o, int e) {
            outcome = o;
            error_ = e;
        };
        EXPECT_TRUE(chain.start(count, std::move(make)));
        for (int i = 0; i < 12000 && !outcome; ++i)
            QTest::qWait(10);
        return outcome.value_or(JobChain::Outcome::Failed);
    }

    QTemporaryDir out_;
    int error_ = 0;
};

TEST(SectionRemovalRanges, WhatIsKeptLeavesOutSliversAtTheEnds) {
    using V = std::vector<Range>;
    EXPECT_EQ(SectionRemoval::keptAround(3 * kS, 6 * kS, 10 * kS), (V{{0, 3 * kS}, {6 * kS, 10 * kS}}));
    // Less than a hundredth of a second before or after the section is no part of its own.
    EXPECT_EQ(SectionRemoval::keptAround(9999, 6 * kS, 10 * kS), (V{{6 * kS, 10 * kS}}));
    EXPECT_EQ(SectionRemoval::keptAround(10000, 6 * kS, 10 * kS).size(), 2u);
    EXPECT_EQ(SectionRemoval::keptAround(3 * kS, 10 * kS - 9999, 10 * kS), (V{{0, 3 * kS}}));
    EXPECT_TRUE(SectionRemoval::keptAround(5000, 10 * kS - 5000, 10 * kS).empty());
    EXPECT_TRUE(SectionRemoval::keptAround(-kS, 12 * kS, 10 * kS).empty());
    // A file of unknown length keeps what follows the section, to its end.
    EXPECT_EQ(SectionRemoval::keptAround(3 * kS, 6 * kS, 0), (V{{0, 3 * kS}, {6 * kS, 0}}));
}

TEST_F(SectionRemovalTest, TwoPartsAreJoinedBesideTheUsersFilesOfTheSameNames) {
    const QString final = out_.filePath("cut(2).mp4");
    auto removal = plan(final, [](Range r, const QString& out, int* e) -> std::unique_ptr<EngineJob> {
        return EngineConvert::cut(testsupport::media("long_10s.mp4"), out, r, e);
    });
    ASSERT_EQ(removal->stepCount(), 3);
    for (const QString& part : removal->partPaths())
        EXPECT_NE(QFileInfo(part).absolutePath(), out_.path()) << part.toStdString();
    JobChain chain;
    int error = 0;
    auto job = SectionRemoval::oneJob(std::move(removal), &error);
    ASSERT_TRUE(job) << error;
    ASSERT_EQ(run(chain, 1, [&](int, int*) { return std::move(job); }), JobChain::Outcome::Completed)
        << error_;
    expectOnlyTheUsersFiles({"cut(2).mp4"});
    EXPECT_EQ(testsupport::probeFrameCount(final), 175);
}

TEST_F(SectionRemovalTest, ACancelledOrFailedSecondPassLeavesNoPartBehind) {
    std::atomic<bool> running{false};
    auto stops = plan(out_.filePath("cut(2).mp4"), [&running](Range, const QString& out, int*) {
        return std::make_unique<UntilStopped>(out, &running);
    });
    int error = 0;
    auto job = SectionRemoval::oneJob(std::move(stops), &error);
    ASSERT_TRUE(job);
    JobChain chain;
    chain.progressChanged = [&](double) {
        if (running && !chain.isCancelling())
            chain.cancel();
    };
    EXPECT_EQ(run(chain, 1, [&](int, int*) { return std::move(job); }), JobChain::Outcome::Cancelled);
    EXPECT_TRUE(running);
    expectOnlyTheUsersFiles();

    chain.progressChanged = nullptr;
    auto fails = plan(out_.filePath("cut(2).mp4"), [](Range r, const QString& out, int* e) {
        return EngineConvert::cut(testsupport::media("no_such_file.mp4"), out, r, e);
    });
    // Both passes are set up together: one that cannot be is refused before anything is written.
    job = SectionRemoval::oneJob(std::move(fails), &error);
    EXPECT_FALSE(job);
    EXPECT_LT(error, 0);
    expectOnlyTheUsersFiles();
}

TEST_F(SectionRemovalTest, APlanGoneWhileItsPassRunsKeepsThePartsUntilThePassHasReturned) {
    // As when the window that made the plan closes during the first pass.
    auto removal = plan(out_.filePath("cut(2).mp4"), [](Range r, const QString& out, int* e) {
        return EngineConvert::cut(testsupport::media("long_10s.mp4"), out, r, e);
    });
    JobChain chain;
    chain.jobStarted = [&](int) { removal.reset(); };
    EXPECT_EQ(run(chain, 1, [&](int i, int* e) { return removal->step(i, e); }), JobChain::Outcome::Completed)
        << error_;
    EXPECT_FALSE(removal);
    expectOnlyTheUsersFiles();
}

// A plan that outlives the program's loop (its job never returned, or nothing destroyed it).
TEST_F(SectionRemovalTest, ThePartFolderOfAPlanStillThereGoesWithTheProgramsLastStep) {
    auto held = plan(out_.filePath("cut(2).mp4"), {});
    ASSERT_EQ(held->stepCount(), 3);
    SectionRemoval::removeFoldersLeft();
    expectOnlyTheUsersFiles();
    held.reset();
    expectOnlyTheUsersFiles();
}

} // namespace
