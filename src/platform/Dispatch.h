// Queues in the manner the windows expect: the main queue is the GUI thread's event loop,
// the global queue a pool of worker threads for calls that block (engine jobs, probes).
//
// Blocks queued to the main queue run in the order they were queued, each on its own turn
// of the event loop, never inside the call that queued them. A block queued with a context
// object is dropped when that object is destroyed before the block's turn comes, so a
// window that closes while a worker is still busy never receives its completion.
#pragma once

#include <QObject>
#include <functional>

// Runs `block` on the GUI thread at the next turn of its event loop. Safe from any thread.
void dispatchMain(std::function<void()> block);
// As above, but `block` is dropped if `context` is destroyed first.
void dispatchMain(QObject* context, std::function<void()> block);

// Runs `block` on a worker thread of the program's pool. The pool grows for blocking work,
// so long engine jobs never starve short ones.
void dispatchGlobal(std::function<void()> block);

// Runs `block` on the GUI thread after `seconds` (negative or non-finite counts as 0).
// Safe from any thread. With a context, the block is dropped if the context dies first.
void dispatchAfter(double seconds, std::function<void()> block);
void dispatchAfter(double seconds, QObject* context, std::function<void()> block);

// True on the GUI thread.
bool isMainThread();

// Waits until every block queued with dispatchGlobal has finished, or the timeout (ms, -1 =
// forever) passes; true when the pool is idle. For shutdown and tests.
bool dispatchGlobalWaitForDone(int timeoutMs = -1);
