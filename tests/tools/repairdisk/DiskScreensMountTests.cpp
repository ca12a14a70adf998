// The disk wipe and the Disk tools side by side, as the main window holds
// them, on a real mount of a loop device (root only): one change of the
// machine's mounts rescans each screen once.

#include "RepairTestSupport.h"
#include "TestSupport.h"

#include "core/CVolumeMgr.h"
#include "core/WatchMountUnmount.h"
#include "platform/NotificationCenter.h"
#include "tools/repairdisk/RepairDiskViewController.h"
#include "tools/wipedisk/WipeDiskViewController.h"

#include <gtest/gtest.h>

namespace {

// Every mount and unmount notification while it lives, by device.
class MountNotifications {
public:
    MountNotifications()
    {
        auto& center = platform::NotificationCenter::defaultCenter();
        for (const QString& name : {MCVolumeMountNotification, MCVolumeUnmountNotification})
            tokens_ << center.addObserver(name, [this](const platform::Notification& n) {
                devices << n.userInfo.value(QStringLiteral("DeviceNode")).toString();
            });
    }
    ~MountNotifications()
    {
        for (const auto token : std::as_const(tokens_))
            platform::NotificationCenter::defaultCenter().removeObserver(token);
    }
    bool onlyOf(const QString& device) const
    {
        return std::all_of(devices.begin(), devices.end(), [&](const QString& d) { return d == device; });
    }

    QStringList devices;

private:
    QList<platform::NotificationCenter::Token> tokens_;
};

} // namespace

TEST(DiskScreensAndMounts, OneMountRescansEachScreenOnce)
{
    nvtest::LoopDevice dev(40LL * 1000 * 1000);
    NEED_LOOP(dev);
    ASSERT_TRUE(dev.format("ext4", {"-L", "ONCE"}));
    repairtest::FakeDiskutil fake;
    fake.setVolumes({repairtest::volumeInfo("sdb1", "USB", "ExFAT", "/media/u/USB", true)});
    nvtest::pump(1100); // the enumerator's guard from an earlier scan
    CVolumeMgr().changeIValue();

    WipeDiskViewController wipe;
    wipe.scanner().setEntrySource([] { return QList<WipeVolumeScanner::Entry>{}; });
    int wipeScans = 0;
    QObject::connect(&wipe.scanner(), &WipeVolumeScanner::scanStarted, [&] { ++wipeScans; });
    RepairDiskViewController tools;
    wipe.loadBaseView();
    tools.getallVolumes();

    // Other programs on this machine may mount their own devices meanwhile,
    // and each of those rescans too: a round that heard one is done again.
    bool measured = false;
    for (int round = 0; round < 4 && !measured; ++round) {
        // Past the first scans and the Disk tools' one-second guard.
        ASSERT_TRUE(nvtest::pumpUntil([&] { return !wipe.scanner().isScanV() && !tools.isScanV(); }, 10000));
        nvtest::pump(1300);
        const int wipeBefore = wipeScans;
        const int toolsBefore = tools.scan().scansStarted();
        MountNotifications heard;
        const QString point = dev.mount();
        ASSERT_FALSE(point.isEmpty());
        ASSERT_TRUE(nvtest::pumpUntil([&] { return heard.devices.contains(dev.device()); }, 5000));
        // A second notice would start the Disk tools' scan again once its
        // guard lets it.
        nvtest::pump(2000);
        ASSERT_TRUE(nvtest::pumpUntil([&] { return !wipe.scanner().isScanV() && !tools.isScanV(); }, 10000));
        if (heard.onlyOf(dev.device())) {
            measured = true;
            EXPECT_EQ(heard.devices.size(), 1) << "the mount was posted by more than one relay";
            EXPECT_EQ(wipeScans - wipeBefore, 1);
            EXPECT_EQ(tools.scan().scansStarted() - toolsBefore, 1);
        }
        ASSERT_TRUE(dev.unmount());
        ASSERT_TRUE(nvtest::pumpUntil([&] { return heard.devices.size() >= 2; }, 5000));
    }
    if (!measured)
        GTEST_SKIP() << "other mounts on this machine kept interfering";
}
