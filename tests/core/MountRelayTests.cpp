// The mount relay on real mounts of loop devices (root only). Other tests may
// mount their own devices meanwhile, so only events about ours are counted.

#include "TestSupport.h"
#include "core/WatchMountUnmount.h"
#include "platform/MountWatcher.h"
#include "platform/NotificationCenter.h"
#include "platform/Process.h"

#include <QFileInfo>
#include <QPointer>
#include <gtest/gtest.h>

namespace {

struct Heard {
    const void* sender = nullptr;
    QVariantMap userInfo;
};

// Observes one notification name for the length of a test, keeping what
// concerns one device.
class Listener {
public:
    Listener(const QString& name, const QString& device)
    {
        token_ = platform::NotificationCenter::defaultCenter().addObserver(name, [this, device](const platform::Notification& n) {
            if (n.userInfo.value(QStringLiteral("DeviceNode")).toString() == device)
                heard << Heard{n.sender, n.userInfo};
        });
    }
    ~Listener() { platform::NotificationCenter::defaultCenter().removeObserver(token_); }

    QList<Heard> heard;

private:
    platform::NotificationCenter::Token token_;
};

} // namespace

TEST(MountRelay, EachRelayPostsOnceForEachMountAndUnmount)
{
    nvtest::LoopDevice dev(40LL * 1000 * 1000);
    NEED_LOOP(dev);
    ASSERT_TRUE(dev.format("ext4", {"-L", "RELAYED"}));

    // Relays made apart each post.
    WatchMountUnmount wipeRelay;
    WatchMountUnmount toolsRelay;
    ASSERT_TRUE(wipeRelay.watcher()->isWatching());
    Listener mounts(MCVolumeMountNotification, dev.device());
    Listener unmounts(MCVolumeUnmountNotification, dev.device());

    const QString point = dev.mount();
    ASSERT_FALSE(point.isEmpty());
    EXPECT_TRUE(nvtest::pumpUntil([&] { return mounts.heard.size() >= 2; }, 5000));
    nvtest::pump(300); // and no more than that
    ASSERT_EQ(mounts.heard.size(), 2);
    EXPECT_TRUE(unmounts.heard.isEmpty());
    QSet<const void*> senders{mounts.heard[0].sender, mounts.heard[1].sender};
    EXPECT_EQ(senders, (QSet<const void*>{&wipeRelay, &toolsRelay}));
    EXPECT_EQ(mounts.heard[0].userInfo, mounts.heard[1].userInfo);
    EXPECT_EQ(mounts.heard[0].userInfo.value("NSDevicePath").toString(), point);
    EXPECT_EQ(mounts.heard[0].userInfo.value("NSWorkspaceVolumeLocalizedNameKey").toString(), QFileInfo(point).fileName());

    ASSERT_TRUE(dev.unmount());
    EXPECT_TRUE(nvtest::pumpUntil([&] { return unmounts.heard.size() >= 2; }, 5000));
    nvtest::pump(300);
    EXPECT_EQ(unmounts.heard.size(), 2);
    EXPECT_EQ(mounts.heard.size(), 2);
    if (!unmounts.heard.isEmpty()) {
        EXPECT_EQ(unmounts.heard[0].userInfo.value("NSDevicePath").toString(), point);
    }
}

// The screens hold the shared relay, so a change the system reports is posted
// once however many hold it; the relay goes with its last holder.
TEST(MountRelay, TheSharedRelayPostsOnceForAllItsHolders)
{
    std::shared_ptr<WatchMountUnmount> wipeHolds = WatchMountUnmount::shared();
    std::shared_ptr<WatchMountUnmount> toolsHold = WatchMountUnmount::shared();
    ASSERT_NE(wipeHolds, nullptr);
    EXPECT_EQ(wipeHolds, toolsHold);
    const QString device = QStringLiteral("/dev/nullvane-relay-test");
    Listener mounts(MCVolumeMountNotification, device);
    emit wipeHolds->watcher()->volumeMounted({device, QStringLiteral("/media/u/SHARED"), QStringLiteral("SHARED"), QStringLiteral("ext4")});
    ASSERT_EQ(mounts.heard.size(), 1);
    EXPECT_EQ(mounts.heard[0].sender, wipeHolds.get());
    EXPECT_EQ(mounts.heard[0].userInfo.value("NSDevicePath").toString(), QStringLiteral("/media/u/SHARED"));

    const QPointer<WatchMountUnmount> relay(wipeHolds.get());
    wipeHolds.reset();
    EXPECT_FALSE(relay.isNull()) << "gone while the Disk tools still hold it";
    toolsHold.reset();
    EXPECT_TRUE(relay.isNull());
}

TEST(MountRelay, AFuseMountOfAFatVolumeIsADiskMount)
{
    nvtest::LoopDevice dev(40LL * 1000 * 1000);
    NEED_LOOP(dev);
    if (!dev.format("vfat", {"-F", "32", "-n", "FUSED"}))
        GTEST_SKIP() << "mkfs.vfat is not installed";
    platform::MountWatcher watcher;
    QList<platform::VolumeMountEvent> mounted, unmounted;
    QObject::connect(&watcher, &platform::MountWatcher::volumeMounted, [&](const platform::VolumeMountEvent& e) {
        if (e.device == dev.device())
            mounted << e;
    });
    QObject::connect(&watcher, &platform::MountWatcher::volumeUnmounted, [&](const platform::VolumeMountEvent& e) {
        if (e.device == dev.device())
            unmounted << e;
    });
    const QString point = dev.mount("vfat");
    if (point.isEmpty())
        GTEST_SKIP() << "FAT volumes cannot be mounted here (no vfat driver and no fusefat)";
    EXPECT_TRUE(nvtest::pumpUntil([&] { return !mounted.isEmpty(); }, 5000));
    ASSERT_EQ(mounted.size(), 1);
    EXPECT_EQ(mounted[0].mountPoint, point);
    ASSERT_TRUE(dev.unmount());
    EXPECT_TRUE(nvtest::pumpUntil([&] { return !unmounted.isEmpty(); }, 5000));
    EXPECT_EQ(unmounted.size(), 1);
}

// The kernel gives a freed mount id to the next mount at once. An unmount
// followed by another mount before the watcher reads the table again must
// still be heard as two events.
TEST(MountRelay, AnUnmountIsHeardWhenTheNextMountTakesItsId)
{
    nvtest::LoopDevice first(40LL * 1000 * 1000);
    nvtest::LoopDevice second(40LL * 1000 * 1000);
    NEED_LOOP(first);
    ASSERT_TRUE(second.valid());
    ASSERT_TRUE(first.format("ext4"));
    ASSERT_TRUE(second.format("ext4"));
    ASSERT_FALSE(first.mount().isEmpty());

    platform::MountWatcher watcher;
    QStringList heard;
    QObject::connect(&watcher, &platform::MountWatcher::volumeMounted, [&](const platform::VolumeMountEvent& e) {
        if (e.device == second.device())
            heard << QStringLiteral("mount second");
    });
    QObject::connect(&watcher, &platform::MountWatcher::volumeUnmounted, [&](const platform::VolumeMountEvent& e) {
        if (e.device == first.device())
            heard << QStringLiteral("unmount first");
    });
    // No event is handled between these two steps.
    ASSERT_TRUE(first.unmount());
    ASSERT_FALSE(second.mount().isEmpty());
    EXPECT_TRUE(nvtest::pumpUntil([&] { return heard.size() >= 2; }, 5000));
    EXPECT_EQ(heard, (QStringList{QStringLiteral("unmount first"), QStringLiteral("mount second")}));
}
