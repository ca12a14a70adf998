#pragma once
// One First Aid run: our disk utility's verify or repair of one device,
// launched on a worker after a short pause, its output handed over chunk by
// chunk as it arrives (its error output among it, so a failed check says
// why), and its end.
//
// The reports run on the main thread. A report of an earlier run, or of a run
// whose FirstAidRun is gone, is never delivered.

#include <QString>
#include <atomic>
#include <functional>
#include <memory>

namespace repairdisk {

class FirstAidRun {
public:
    // `launchDelayMs`: the pause between start() and the utility's launch,
    // so the output dialog is up before the first line.
    explicit FirstAidRun(int launchDelayMs = 1000);
    ~FirstAidRun();
    FirstAidRun(const FirstAidRun&) = delete;
    FirstAidRun& operator=(const FirstAidRun&) = delete;

    // One row of output (a chunk, less one trailing line break).
    std::function<void(const QString& row)> onRow;
    // The bar's value: the number of chunks so far, or kAidEndMark at the end.
    std::function<void(float value)> onProgress;
    // The utility has ended; `succeeded` by its exit status.
    std::function<void(bool succeeded)> onEnd;

    // Starts verifying (or repairing) `device`. An earlier run's reports stop.
    void start(bool repair, const QString& device);

    void setLaunchDelay(int ms) { launchDelayMs_ = ms; }

    bool isRunning() const;
    // Output chunks of the current run so far.
    int cout() const;

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    int launchDelayMs_;
};

} // namespace repairdisk
