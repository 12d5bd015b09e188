#include "platform/Dispatch.h"

#include "WaitUntil.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {} // namespace

TEST(Dispatch, BlockQueuedFromAWorkerRunsOnTheGuiThreadInOrder) {
    std::vector<int> order;
    std::atomic<bool> workerWasMain{true};
    std::atomic<bool> allOnMain{true};
    dispatchGlobal([&] {
        workerWasMain = isMainThread();
        for (int i = 0; i < 5; ++i)
            dispatchMain([&, i] {
                if (QThread::currentThread() != QCoreApplication::instance()->thread())
                    allOnMain = false;
                order.push_back(i);
            });
    });
    ASSERT_TRUE(waitUntil([&] { return order.size() == 5; }));
    EXPECT_FALSE(workerWasMain);
    EXPECT_TRUE(allOnMain);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(Dispatch, MainBlockNeverRunsInsideTheCallThatQueuedIt) {
    bool ran = false;
    dispatchMain([&] { ran = true; });
    EXPECT_FALSE(ran);
    ASSERT_TRUE(waitUntil([&] { return ran; }));
}

TEST(Dispatch, BlockForADestroyedContextIsDropped) {
    auto context = std::make_unique<QObject>();
    std::atomic<bool> queued{false};
    bool ran = false;
    dispatchGlobal([&, ctx = context.get()] {
        dispatchMain(ctx, [&] { ran = true; });
        queued = true;
    });
    ASSERT_TRUE(dispatchGlobalWaitForDone(60000));
    ASSERT_TRUE(queued);
    context.reset(); // the window closed before the completion's turn
    bool sentinel = false;
    dispatchMain([&] { sentinel = true; });
    ASSERT_TRUE(waitUntil([&] { return sentinel; }));
    EXPECT_FALSE(ran);
}

TEST(Dispatch, AfterWaitsAndRunsOnTheGuiThreadEvenWhenArmedFromAWorker) {
    std::atomic<bool> ranOnMain{false};
    bool ran = false;
    QElapsedTimer clock;
    clock.start();
    qint64 elapsed = 0;
    dispatchGlobal([&] {
        dispatchAfter(0.15, [&] {
            ranOnMain = isMainThread();
            elapsed = clock.elapsed();
            ran = true;
        });
    });
    ASSERT_TRUE(waitUntil([&] { return ran; }));
    EXPECT_TRUE(ranOnMain);
    EXPECT_GE(elapsed, 140);
    // A non-finite delay is not undefined behaviour: it runs at the next turn.
    bool nan = false;
    dispatchAfter(std::nan(""), [&] { nan = true; });
    ASSERT_TRUE(waitUntil([&] { return nan; }));
}

TEST(Dispatch, GlobalQueueRunsBlockingWorkConcurrently) {
    // Engine jobs block for their whole run; more of them than cores must still all start.
    const int n = QThread::idealThreadCount() + 2;
    std::atomic<int> started{0};
    std::atomic<bool> release{false};
    for (int i = 0; i < n; ++i)
        dispatchGlobal([&] {
            ++started;
            while (!release)
                QThread::msleep(1);
        });
    const bool allStarted = waitUntil([&] { return started == n; }, 60000);
    release = true;
    ASSERT_TRUE(dispatchGlobalWaitForDone(60000));
    EXPECT_TRUE(allStarted);
}
