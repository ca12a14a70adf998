#include "VolumeScan.h"

#include "core/CVolumeMgr.h"
#include "platform/Dispatch.h"

namespace repairdisk {

VolumeObjPtr volumeFromDictionary(const QVariantMap& info)
{
    const auto text = [&](const char* key) { return info.value(QLatin1String(key)).toString(); };
    auto v = std::make_shared<VolumeObj>();
    v->setVolumeName(text("volumeName"));
    v->setBusProtocol(text("BusProtocol"));
    v->setBCanEject(info.value(QStringLiteral("Ejectable")).toBool());
    v->setVolumeTotalSize(text("volumeTotalSize"));
    v->setDiskType(text("FilesystemName"));
    v->setVolumeFreeSize(text("volumeFreeSize"));
    v->setVolRootDir(text("DeviceNode"));
    v->setVolumePath(text("volumePath"));
    v->setParentWholeDisk(text("ParentWholeDisk"));
    v->setVolumeMountPoint(text("MountPoint"));
    v->setDiskUUID(text("DiskUUID"));
    v->setVolumeUUID(text("VolumeUUID"));
    v->setVolumeTotalSizeNum(info.value(QStringLiteral("TotalSize")).toLongLong());
    v->setVolumeFreeSizeNum(info.value(QStringLiteral("FreeSpace")).toLongLong());
    v->setIsWritable(info.value(QStringLiteral("Writable")).toBool());
    return v;
}

struct VolumeScan::Shared {
    std::atomic<bool> alive{true};
    std::atomic<bool> isScanV{false};
    std::atomic<bool> stat{false};
    std::atomic<bool> pending{false};
    std::atomic<int> started{0};
    VolumeScan* owner = nullptr;
};

VolumeScan::VolumeScan(Enumerate enumerate, int guardMs)
    : shared_(std::make_shared<Shared>())
    , enumerate_(std::move(enumerate))
    , guardMs_(guardMs)
{
    shared_->owner = this;
    if (!enumerate_)
        // The scan keeps its own guard; the enumerator's would only refuse
        // a scan this one already allowed.
        enumerate_ = [] { return CVolumeMgr().enumDiskVolumesInfo(false); };
}

VolumeScan::~VolumeScan()
{
    shared_->alive = false;
}

bool VolumeScan::isScanV() const
{
    return shared_->isScanV;
}

int VolumeScan::scansStarted() const
{
    return shared_->started;
}

void VolumeScan::setValue()
{
    shared_->stat = false;
    runPendingIfIdle();
}

bool VolumeScan::request()
{
    bool expected = false;
    if (!shared_->stat.compare_exchange_strong(expected, true))
        return false;
    if (shared_->isScanV.exchange(true)) {
        shared_->stat = false;
        return false;
    }
    start();
    return true;
}

bool VolumeScan::requestAfterChange()
{
    if (request())
        return true;
    shared_->pending = true;
    // The scan may have ended, and the guard cleared, meanwhile.
    std::shared_ptr<Shared> shared = shared_;
    platform::dispatch::main([shared] {
        if (shared->alive)
            shared->owner->runPendingIfIdle();
    });
    return false;
}

void VolumeScan::runPendingIfIdle()
{
    if (!shared_->pending || shared_->isScanV || shared_->stat)
        return;
    shared_->pending = false;
    if (!request())
        shared_->pending = true;
}

void VolumeScan::start()
{
    ++shared_->started;
    std::shared_ptr<Shared> shared = shared_;
    const int guardMs = guardMs_;
    platform::dispatch::main([shared, guardMs] {
        if (!shared->alive)
            return;
        platform::dispatch::after(guardMs, [shared] {
            if (shared->alive)
                shared->owner->setValue();
        });
        if (shared->owner->onStarted)
            shared->owner->onStarted();
    });
    Enumerate enumerate = enumerate_;
    platform::dispatch::global(platform::dispatch::Priority::Default, [shared, enumerate] {
        const std::optional<QList<QVariantMap>> found = enumerate();
        QList<VolumeObjPtr> records;
        if (found)
            for (const QVariantMap& info : *found)
                records << volumeFromDictionary(info);
        platform::dispatch::main([shared, records] {
            if (!shared->alive)
                return;
            shared->isScanV = false;
            if (shared->owner->onFinished)
                shared->owner->onFinished(records);
            if (shared->alive)
                shared->owner->runPendingIfIdle();
        });
    });
}

} // namespace repairdisk
