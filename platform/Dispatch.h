#pragma once
// Work queues: the global queues run blocks on worker threads, the main queue
// runs them on the thread that owns the application object.

#include <functional>

namespace platform::dispatch {

enum class Priority { High, Default, Low, Background };

using Block = std::function<void()>;

// Runs `block` on a worker thread of the global queue of that priority.
void global(Priority priority, Block block);

// Runs `block` on the main thread, after what is already queued there. Without
// an application object there is no main loop, and the block runs at once on
// the calling thread.
void main(Block block);

// Runs `block` on the main thread `milliseconds` from now.
void after(int milliseconds, Block block);

bool isMainThread();

// Waits until every block handed to the global queues has finished, or until
// `timeoutMs` passes (-1: no limit). Returns whether the queues ran dry.
bool waitForGlobalQueues(int timeoutMs = -1);

} // namespace platform::dispatch
