// The job chain on real engine jobs: order of completions, cancel in the middle of a
// chain, set-up failures, and a chain that goes away while its worker still runs.
#include "TestSupport.h"
#include "platform/Dispatch.h"
#include "tools/shared/EngineConvert.h"
#include "tools/shared/EngineJob.h"
#include "tools/shared/EngineJoin.h"
#include "tools/shared/JobChain.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>

namespace {

struct Events {
    std::vector<QString> log;
    std::optional<JobChain::Outcome> outcome;
    int error = 0;
    std::vector<double> progress;
};

void connectLog(JobChain& chain, Events& ev) {
    chain.jobStarted = [&ev](int i) { ev.log.push_back(QString("start %1").arg(i)); };
    chain.jobCompleted = [&ev](int i, const QString&) { ev.log.push_back(QString("done %1").arg(i)); };
    chain.progressChanged = [&ev](double p) { ev.progress.push_back(p); };
    chain.finished = [&ev](JobChain::Outcome o, int e) {
        ev.outcome = o;
        ev.error = e;
        ev.log.push_back("finished");
    };
}

bool waitFor(const std::function<bool()>& done, int ms = 60000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QTest::qWait(10);
    return done();
}

JobChain::MakeJob cuts(const QString& out, std::vector<std::pair<double, double>> ranges) {
    return [out, ranges](int i, int* error) -> std::unique_ptr<EngineJob> {
        const auto [s, e] = ranges[i];
        return EngineConvert::cut(testsupport::media("long_10s.mp4"),
                                  QString("%1/part%2.mp4").arg(out).arg(i),
                                  EngineConvert::Range{int64_t(s * 1e6), int64_t(e * 1e6)}, error);
    };
}

} // namespace

TEST(JobChain, RunsJobsInOrderAndEndsOnceAfterTheLast) {
    QTemporaryDir dir;
    JobChain chain;
    Events ev;
    connectLog(chain, ev);
    ASSERT_TRUE(chain.start(2, cuts(dir.path(), {{1, 3}, {5, 8}})));
    EXPECT_TRUE(chain.isBusy());
    EXPECT_FALSE(chain.start(1, cuts(dir.path(), {{0, 1}}))) << "one chain at a time";
    ASSERT_TRUE(waitFor([&] { return ev.outcome.has_value(); }));
    EXPECT_EQ(*ev.outcome, JobChain::Outcome::Completed);
    EXPECT_FALSE(chain.isBusy());
    EXPECT_EQ(ev.log, (std::vector<QString>{"start 0", "done 0", "start 1", "done 1", "finished"}));
    EXPECT_NEAR(testsupport::probeDuration(dir.path() + "/part0.mp4"), 2.0, 0.15);
    EXPECT_NEAR(testsupport::probeDuration(dir.path() + "/part1.mp4"), 3.0, 0.15);
    ASSERT_FALSE(ev.progress.empty());
    EXPECT_TRUE(std::is_sorted(ev.progress.begin(), ev.progress.end()));
    EXPECT_DOUBLE_EQ(ev.progress.back(), 1.0);
}

TEST(JobChain, CancelDuringTheSecondJobKeepsTheFirstAndStartsNoThird) {
    QTemporaryDir dir;
    JobChain chain;
    Events ev;
    connectLog(chain, ev);
    bool busyAfterCancel = false;
    bool startRefusedWhileStopping = false;
    auto inner = chain.jobStarted;
    chain.jobStarted = [&](int i) {
        inner(i);
        if (i != 1)
            return;
        chain.cancel();
        // The stopped job has not returned yet: the chain stays busy and refuses a new start.
        busyAfterCancel = chain.isBusy() && chain.isCancelling();
        startRefusedWhileStopping = !chain.start(1, cuts(dir.path(), {{0, 1}}));
    };
    ASSERT_TRUE(chain.start(3, cuts(dir.path(), {{0, 2}, {0, 10}, {2, 4}})));
    ASSERT_TRUE(waitFor([&] { return ev.outcome.has_value(); }));
    EXPECT_EQ(*ev.outcome, JobChain::Outcome::Cancelled);
    EXPECT_TRUE(busyAfterCancel);
    EXPECT_TRUE(startRefusedWhileStopping);
    EXPECT_EQ(ev.log, (std::vector<QString>{"start 0", "done 0", "start 1", "finished"}));
    EXPECT_NEAR(testsupport::probeDuration(dir.path() + "/part0.mp4"), 2.0, 0.15);
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/part1.mp4")) << "no partial second file";
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/part2.mp4"));
    // The chain is idle again and can run anew.
    QTemporaryDir second;
    Events again;
    connectLog(chain, again);
    ASSERT_TRUE(chain.start(1, cuts(second.path(), {{2, 3}})));
    ASSERT_TRUE(waitFor([&] { return again.outcome.has_value(); }));
    EXPECT_EQ(*again.outcome, JobChain::Outcome::Completed);
}

TEST(JobChain, SetupFailureEndsTheChainWithTheEngineResult) {
    QTemporaryDir dir;
    JobChain chain;
    Events ev;
    connectLog(chain, ev);
    ASSERT_TRUE(chain.start(2, [&](int i, int* error) -> std::unique_ptr<EngineJob> {
        const QString input =
            i == 0 ? testsupport::media("long_10s.mp4") : testsupport::media("not_media.mp4");
        return EngineConvert::cut(input, QString("%1/p%2.mp4").arg(dir.path()).arg(i),
                                  EngineConvert::Range{0, 1000000}, error);
    }));
    ASSERT_TRUE(waitFor([&] { return ev.outcome.has_value(); }));
    EXPECT_EQ(*ev.outcome, JobChain::Outcome::Failed);
    EXPECT_LT(ev.error, 1);
    EXPECT_EQ(ev.log, (std::vector<QString>{"start 0", "done 0", "finished"}));
    EXPECT_TRUE(QFileInfo::exists(dir.path() + "/p0.mp4"));
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/p1.mp4"));
}

TEST(JobChain, OutputThatExistsIsRefusedNotOverwritten) {
    QTemporaryDir dir;
    QFile f(dir.path() + "/part0.mp4");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("keep me");
    f.close();
    JobChain chain;
    Events ev;
    connectLog(chain, ev);
    ASSERT_TRUE(chain.start(1, cuts(dir.path(), {{0, 1}})));
    ASSERT_TRUE(waitFor([&] { return ev.outcome.has_value(); }));
    EXPECT_EQ(*ev.outcome, JobChain::Outcome::Failed);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("keep me"));
}

TEST(JobChain, MergedJoinOfTwoRangesHasTheSummedLength) {
    QTemporaryDir dir;
    JobChain chain;
    Events ev;
    connectLog(chain, ev);
    const QString out = dir.path() + "/joined.mp4";
    ASSERT_TRUE(chain.start(1, [&](int, int* error) -> std::unique_ptr<EngineJob> {
        auto job = EngineJoin::create(out, error);
        if (!job)
            return nullptr;
        if (job->addClip(testsupport::media("long_10s.mp4"), 1000000, 3000000, 100) < 1)
            return nullptr;
        if (job->addClip(testsupport::media("long_10s.mp4"), 6000000, 9000000, 100) < 1)
            return nullptr;
        return job;
    }));
    ASSERT_TRUE(waitFor([&] { return ev.outcome.has_value(); }));
    EXPECT_EQ(*ev.outcome, JobChain::Outcome::Completed);
    EXPECT_NEAR(testsupport::probeDuration(out), 5.0, 0.2);
}

// A job that runs until it is stopped, so the chain is certain to go away while it runs
// (a real cut can end before the chain's destructor on a busy machine).
class RunsUntilStopped : public EngineJob {
public:
    explicit RunsUntilStopped(std::atomic<int>* stops) : stops_(stops) {}
    int start() override {
        for (int i = 0; i < 6000 && !stop_; ++i)
            QThread::msleep(10);
        return stop_ ? 0 : 1;
    }
    bool succeeded(int result) const override { return result >= 1; }
    double progress() const override { return 0.5; }
    void stop() override {
        stop_ = true;
        ++*stops_;
    }
    QString outputPath() const override { return {}; }

private:
    std::atomic<int>* stops_;
    std::atomic<bool> stop_{false};
};

TEST(JobChain, ChainDestroyedWhileItsJobRunsLetsTheWorkerFinishQuietly) {
    Events ev;
    std::atomic<int> stops{0};
    {
        JobChain chain;
        connectLog(chain, ev);
        ASSERT_TRUE(chain.start(1, [&](int, int*) { return std::make_unique<RunsUntilStopped>(&stops); }));
    }
    ASSERT_TRUE(dispatchGlobalWaitForDone(60000));
    QCoreApplication::processEvents();
    QTest::qWait(50);
    EXPECT_GE(stops.load(), 1) << "the chain stops its job when it goes away";
    EXPECT_FALSE(ev.outcome.has_value()) << "no completion reaches a chain that is gone";
}

namespace {
// A job that ends at once and tells when, and on which thread, it is closed.
class Closes : public EngineJob {
public:
    Closes(bool* closed, bool* onMain) : closed_(closed), onMain_(onMain) {}
    ~Closes() override {
        *closed_ = true;
        *onMain_ = QThread::currentThread() == qApp->thread();
    }
    int start() override { return 1; }
    bool succeeded(int result) const override { return result >= 1; }
    double progress() const override { return 0; }
    void stop() override {}
    QString outputPath() const override { return {}; }

private:
    bool* closed_;
    bool* onMain_;
};
} // namespace

// What a job does as it closes (a removal's part folder goes) is done on the main thread before
// the chain ends: the program, which waits for busy chains only, never ends in the middle of it.
TEST(JobChain, AJobIsClosedOnTheMainThreadBeforeTheChainEnds) {
    for (const bool cancel : {false, true}) {
        bool closed = false, onMain = false, closedAtEnd = false;
        JobChain chain;
        chain.finished = [&](JobChain::Outcome, int) { closedAtEnd = closed; };
        ASSERT_TRUE(chain.start(1, [&](int, int*) { return std::make_unique<Closes>(&closed, &onMain); }));
        if (cancel)
            chain.cancel();
        ASSERT_TRUE(waitFor([&] { return !chain.isBusy(); }));
        EXPECT_TRUE(closedAtEnd) << cancel;
        EXPECT_TRUE(onMain) << cancel;
    }
}
