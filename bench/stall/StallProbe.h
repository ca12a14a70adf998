#pragma once
// Measures how long the main thread stops while an action runs: a 5 ms timer
// on the main thread records the longest gap between two of its ticks, beyond
// its own interval. A window that keeps repainting shows gaps near 0; a job
// list built on the main thread shows up as one long gap.
//
// Use: StallProbe probe; probe.start(); <start the action>;
//      probe.runUntil([&]{ return done; }, 60000); probe.longestStallMs()
//      reportStall(...) for each action, and main returns stallExitCode()
// Main thread only.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace bench {

class StallProbe {
public:
    static constexpr int kTickMs = 5;

    StallProbe()
    {
        timer_.setInterval(kTickMs);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    }

    void start()
    {
        longest_ = 0;
        clock_.start();
        last_ = 0;
        timer_.start();
    }

    void stop() { timer_.stop(); }

    // Spins the event loop until done() answers true or timeoutMs pass;
    // answers whether done() came true.
    bool runUntil(const std::function<bool()>& done, int timeoutMs)
    {
        QElapsedTimer limit;
        limit.start();
        while (!done()) {
            if (limit.elapsed() > timeoutMs) {
                stop();
                return false;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        tick();
        stop();
        return true;
    }

    // The longest gap between two ticks, less the tick interval.
    double longestStallMs() const { return longest_; }

private:
    void tick()
    {
        const double now = clock_.nsecsElapsed() / 1e6;
        longest_ = std::max(longest_, now - last_ - kTickMs);
        last_ = now;
    }

    QTimer timer_;
    QElapsedTimer clock_;
    double last_ = 0;
    double longest_ = 0;
};

// Whether some action of this program missed its target so far.
inline bool& stallTargetMissed()
{
    static bool missed = false;
    return missed;
}

// One line of the report every stall benchmark prints. A stall over its
// target is remembered: the program then ends with stallExitCode() 1, so the
// benchmark fails rather than only saying so.
inline void reportStall(const char* action, double ms, double targetMs = 100)
{
    const bool ok = ms <= targetMs;
    std::printf("%-48s longest main-thread stall %8.1f ms  (target <= %.0f ms) %s\n", action, ms,
                targetMs, ok ? "ok" : "OVER");
    std::fflush(stdout);
    if (!ok)
        stallTargetMissed() = true;
}

// What a stall benchmark's main returns once every action was measured.
inline int stallExitCode()
{
    return stallTargetMissed() ? 1 : 0;
}

} // namespace bench
