#include "platform/Dispatch.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <cmath>

namespace {

QThreadPool& globalPool() {
    // Engine jobs block for their whole run, so the pool must not be bounded by the core count.
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool();
        p->setMaxThreadCount(std::max(16, QThread::idealThreadCount() * 2));
        p->setExpiryTimeout(30000);
        return p;
    }();
    return *pool;
}

QObject* mainContext() {
    return QCoreApplication::instance();
}

int toMilliseconds(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0)
        return 0;
    const double ms = std::round(seconds * 1000.0);
    return ms > 2e9 ? 2000000000 : static_cast<int>(ms);
}

} // namespace

bool isMainThread() {
    QObject* app = mainContext();
    return app && QThread::currentThread() == app->thread();
}

void dispatchMain(std::function<void()> block) {
    dispatchMain(mainContext(), std::move(block));
}

void dispatchMain(QObject* context, std::function<void()> block) {
    if (!block)
        return;
    if (!context) {
        qCWarning(lcApp) << "dispatchMain: no application or context; block dropped";
        return;
    }
    QMetaObject::invokeMethod(context, std::move(block), Qt::QueuedConnection);
}

void dispatchGlobal(std::function<void()> block) {
    if (!block)
        return;
    globalPool().start(std::move(block));
}

void dispatchAfter(double seconds, std::function<void()> block) {
    dispatchAfter(seconds, mainContext(), std::move(block));
}

void dispatchAfter(double seconds, QObject* context, std::function<void()> block) {
    if (!block || !context)
        return;
    const int ms = toMilliseconds(seconds);
    // A single-shot timer must be started on the thread that owns its context.
    auto arm = [ms, context, block = std::move(block)]() mutable {
        QTimer::singleShot(ms, context, std::move(block));
    };
    if (QThread::currentThread() == context->thread())
        arm();
    else
        QMetaObject::invokeMethod(context, std::move(arm), Qt::QueuedConnection);
}

bool dispatchGlobalWaitForDone(int timeoutMs) {
    return globalPool().waitForDone(timeoutMs);
}
