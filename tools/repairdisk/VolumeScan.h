#pragma once
// The Disk tools' rescan: the volume enumeration on a worker, its dictionaries
// made into records, and the guards that keep scans apart. A request is
// dropped while a scan runs and within one second of the last start.
//
// A request that follows a change of the system (a mount or unmount heard
// from the mount relay) is not lost when the guard drops it: one more scan
// runs once the guard allows, so the table never stays behind the system.
//
// Requests may come from any thread; `onStarted` and `onFinished` run on the
// main thread. The scan object lives on the main thread; reports of a scan
// still under way when it is destroyed are not delivered.

#include "core/VolumeObj.h"

#include <QList>
#include <QVariantMap>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace repairdisk {

// One record from one of the enumeration's dictionaries.
VolumeObjPtr volumeFromDictionary(const QVariantMap& info);

class VolumeScan {
public:
    using Enumerate = std::function<std::optional<QList<QVariantMap>>()>;

    // `enumerate` null: CVolumeMgr's enumeration.
    explicit VolumeScan(Enumerate enumerate = {}, int guardMs = 1000);
    ~VolumeScan();
    VolumeScan(const VolumeScan&) = delete;
    VolumeScan& operator=(const VolumeScan&) = delete;

    // A scan begins: the table empties and the spinner turns.
    std::function<void()> onStarted;
    // The records, in the enumeration's order (empty when it gave nothing).
    std::function<void(const QList<VolumeObjPtr>&)> onFinished;

    // Starts a scan unless one runs or one started within the guard time;
    // answers whether it started.
    bool request();
    // The same, for a request that follows a change of the system.
    bool requestAfterChange();

    bool isScanV() const;
    // Clears the one-second guard.
    void setValue();
    // How many scans have started.
    int scansStarted() const;

private:
    struct Shared;
    void start();
    void runPendingIfIdle();

    std::shared_ptr<Shared> shared_;
    Enumerate enumerate_;
    int guardMs_;
};

} // namespace repairdisk
