#pragma once
// The requests to end the process that come as signals: SIGTERM (log-out,
// shutdown, kill), SIGHUP (the terminal went away) and SIGINT (Ctrl+C in a
// terminal). Instead of dying on the spot, the process is told on its main
// thread, so it can clean up and quit in order.

#include <functional>

namespace platform {

// From now on each of those signals runs `handler` on the main thread (a
// later call replaces the handler). Needs the application object.
void onTerminationRequest(std::function<void()> handler);

} // namespace platform
