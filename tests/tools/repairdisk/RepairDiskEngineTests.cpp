// The rescan, the disk utility calls and First Aid's run against a substitute
// disk utility with recorded answers.

#include "RepairTestSupport.h"

#include "tools/repairdisk/DiskToolCommands.h"
#include "tools/repairdisk/FirstAidRun.h"
#include "tools/repairdisk/RepairDiskRules.h"
#include "tools/repairdisk/VolumeScan.h"

#include "core/CVolumeMgr.h"
#include "platform/Dispatch.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace repairdisk;
using repairtest::FakeDiskutil;
using repairtest::volumeInfo;

namespace {

// The enumerator's own one-second guard is process-wide: let it clear.
void freshEnumerator()
{
    nvtest::pump(1100);
    CVolumeMgr().changeIValue();
}

struct ScanWatch {
    int started = 0;
    int finished = 0;
    QList<VolumeObjPtr> records;

    explicit ScanWatch(VolumeScan& scan)
    {
        scan.onStarted = [this] { ++started; };
        scan.onFinished = [this](const QList<VolumeObjPtr>& r) {
            ++finished;
            records = r;
        };
    }
};

} // namespace

TEST(VolumeScanTests, RecordsFollowTheEnumerationInItsOrder)
{
    FakeDiskutil fake;
    fake.setVolumes({volumeInfo("sdb1", "USB", "MS-DOS FAT32", "/media/u/USB", true),
                     volumeInfo("sda2", "System", "ext4", "/", false),
                     volumeInfo("sdc1", "", "", "", true)});
    freshEnumerator();
    VolumeScan scan;
    ScanWatch watch(scan);
    ASSERT_TRUE(scan.request());
    EXPECT_TRUE(scan.isScanV());
    ASSERT_TRUE(nvtest::pumpUntil([&] { return watch.finished == 1; }, 10000));
    EXPECT_FALSE(scan.isScanV());
    ASSERT_EQ(watch.records.size(), 3);

    const VolumeObj& usb = *watch.records[0];
    EXPECT_EQ(usb.volumeName(), "USB");
    EXPECT_EQ(usb.volumePath(), "sdb1");
    EXPECT_EQ(usb.volRootDir(), "/dev/sdb1");
    EXPECT_EQ(usb.diskType(), "MS-DOS FAT32");
    EXPECT_EQ(usb.volumeMountPoint(), "/media/u/USB");
    EXPECT_EQ(usb.volumeTotalSizeNum(), 8000000000LL);
    EXPECT_EQ(usb.volumeFreeSizeNum(), 2000000000LL);
    EXPECT_EQ(usb.volumeTotalSize(), "8.00 GB");
    EXPECT_EQ(usb.volumeFreeSize(), "2.00 GB");
    EXPECT_EQ(usb.diskUUID(), "UUID-SDB1");
    EXPECT_EQ(usb.BusProtocol(), "USB");
    EXPECT_TRUE(usb.bCanEject());
    EXPECT_TRUE(usb.isWritable());
    EXPECT_EQ(volumeImageName(usb), "ic_usb");

    EXPECT_EQ(volumeImageName(*watch.records[1]), "ic_os");
    EXPECT_EQ(watch.records[2]->volumeName(), "Untitled");
    EXPECT_EQ(typeText(watch.records[2]->diskType()), "未知格式");
    EXPECT_FALSE(isVolumeMounted(watch.records[2].get()));
}

TEST(VolumeScanTests, RequestsHalfASecondApartGiveOneScanButAChangeIsNotLost)
{
    FakeDiskutil fake;
    fake.setVolumes({volumeInfo("sdb1", "USB", "ExFAT", "/media/u/USB", true)});
    freshEnumerator();
    VolumeScan scan;
    ScanWatch watch(scan);
    ASSERT_TRUE(scan.request());
    nvtest::pump(500);
    EXPECT_FALSE(scan.request()) << "within a second of the last start";
    ASSERT_TRUE(nvtest::pumpUntil([&] { return watch.finished == 1; }, 10000));
    nvtest::pump(1200);
    EXPECT_EQ(scan.scansStarted(), 1);
    EXPECT_EQ(fake.callsOf("list").size(), 1);

    // A mount heard while the guard holds: the table catches up afterwards.
    ASSERT_TRUE(scan.request());
    fake.setVolumes({volumeInfo("sdb1", "Renamed", "ExFAT", "/media/u/Renamed", true)});
    EXPECT_FALSE(scan.requestAfterChange());
    ASSERT_TRUE(nvtest::pumpUntil([&] { return watch.finished == 3; }, 10000));
    EXPECT_EQ(scan.scansStarted(), 3);
    EXPECT_EQ(watch.records.value(0)->volumeName(), "Renamed");
    nvtest::pump(1300);
    EXPECT_EQ(scan.scansStarted(), 3) << "one catch-up scan, not a loop";
}

TEST(VolumeScanTests, AScanRefusedByTheEnumeratorsGuardAsksAgain)
{
    FakeDiskutil fake;
    fake.setVolumes({volumeInfo("sdb1", "USB", "ExFAT", "/media/u/USB", true)});
    freshEnumerator();
    ASSERT_TRUE(CVolumeMgr().enumDiskVolumesInfo()) << "this takes the enumerator's guard";
    VolumeScan scan;
    ScanWatch watch(scan);
    ASSERT_TRUE(scan.request());
    ASSERT_TRUE(nvtest::pumpUntil([&] { return watch.finished == 1; }, 10000));
    EXPECT_EQ(watch.records.size(), 1) << "an empty table would say the volume is gone";
}

TEST(VolumeScanTests, NoReportAfterTheScanIsGone)
{
    FakeDiskutil fake;
    fake.setVolumes({volumeInfo("sdb1", "USB", "ExFAT", "/media/u/USB", true)});
    fake.setVerbScript("list", "sleep 0.3; cat '" + fake.folder() + "/list.plist'\n");
    freshEnumerator();
    int reports = 0;
    {
        VolumeScan scan;
        scan.onFinished = [&](const QList<VolumeObjPtr>&) { ++reports; };
        ASSERT_TRUE(scan.request());
    }
    EXPECT_TRUE(platform::dispatch::waitForGlobalQueues(10000));
    nvtest::pump(300);
    EXPECT_EQ(reports, 0);
}

TEST(DiskToolCommandsTests, ArgumentListsNameTheDevice)
{
    EXPECT_EQ(mountArguments("sdb1"), QStringList({"mount", "sdb1"}));
    EXPECT_EQ(unmountArguments("sdb1"), QStringList({"unmount", "sdb1"}));
    EXPECT_EQ(ejectArguments("sdb1"), QStringList({"eject", "sdb1"}));
    EXPECT_EQ(renameArguments("sdb1", "A B"), QStringList({"rename", "sdb1", "A B"}));
    EXPECT_EQ(eraseArguments("MS-DOS FAT32", "NEW", "sdb1"), QStringList({"eraseVolume", "MS-DOS FAT32", "NEW", "sdb1"}));
    EXPECT_EQ(reformatArguments("sdb1"), QStringList({"reformat", "sdb1"}));
    EXPECT_EQ(firstAidArguments(false, "sdb1"), QStringList({"verifyvolume", "sdb1"}));
    EXPECT_EQ(firstAidArguments(true, "sdb1"), QStringList({"repairvolume", "sdb1"}));

    VolumeObj v;
    EXPECT_EQ(deviceOf(v), "");
    v.setVolumePath("-rf");
    EXPECT_EQ(deviceOf(v), "") << "an identifier the utility would read as an option";
    v.setVolumePath("loop7");
    EXPECT_EQ(deviceOf(v), "loop7");
}

TEST(DiskToolCommandsTests, HostileNamesReachTheUtilityAsOneArgument)
{
    FakeDiskutil fake;
    const QStringList names = {"it's \"quoted\"", "$(touch /tmp/pwned)", "a; rm -rf /", "two\nlines", "-n", "`id`",
                               QString(300, QChar('x'))};
    for (const QString& name : names) {
        fake.clearCalls();
        EXPECT_TRUE(runRename("sdb1", name).succeeded);
        EXPECT_TRUE(runFormat("sdb1", "ExFAT", name, false).succeeded);
        const QList<QStringList> calls = fake.callArguments();
        ASSERT_EQ(calls.size(), 2);
        EXPECT_EQ(calls[0], QStringList({"rename", "sdb1", name}));
        EXPECT_EQ(calls[1], QStringList({"eraseVolume", "ExFAT", name, "sdb1"}));
    }
    EXPECT_FALSE(QFileInfo::exists("/tmp/pwned"));
}

TEST(DiskToolCommandsTests, OutcomesFollowTheExitStatus)
{
    FakeDiskutil fake;
    fake.setVerbScript("eraseVolume", "echo 'Started erase'; echo 'sdb1 holds the running system; it is left alone' >&2; exit 1\n");
    const CommandOutcome refused = runFormat("sdb1", "ext4", "X", false);
    EXPECT_FALSE(refused.succeeded);
    EXPECT_EQ(refused.error, "sdb1 holds the running system; it is left alone");

    fake.setVerbScript("eraseVolume", "exit 0\n");
    EXPECT_TRUE(runFormat("sdb1", "ext4", "X", false).succeeded);
    EXPECT_FALSE(runFormat("", "ext4", "X", false).succeeded);
    EXPECT_TRUE(fake.callsOf("eraseVolume").size() == 2) << "no device, no call";

    // The reformat road renames first, then reformats and waits for it.
    fake.clearCalls();
    fake.setVerbScript("reformat", "sleep 0.2; exit 3\n");
    const CommandOutcome reformat = runFormat("sdb1", "ExFAT", "", true);
    EXPECT_FALSE(reformat.succeeded);
    const QList<QStringList> calls = fake.callArguments();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0], QStringList({"rename", "sdb1", ""}));
    EXPECT_EQ(calls[1], QStringList({"reformat", "sdb1"}));

    fake.setVerbScript("mount", "exit 126\n");
    EXPECT_FALSE(runMountOrUnmount("sdb1", false).succeeded);
    EXPECT_TRUE(runMountOrUnmount("sdb1", true).succeeded);
    EXPECT_EQ(fake.callsOf("unmount").size(), 1);
    EXPECT_TRUE(runEject("sdb1").succeeded);
    EXPECT_EQ(fake.callsOf("eject").value(0), QStringList({"eject", "sdb1"}));
}

TEST(FirstAidRunTests, RowsArriveWhileTheUtilityRunsAndTheEndComesLast)
{
    FakeDiskutil fake;
    const QString done = fake.folder() + "/ended";
    fake.setVerbScript("verifyvolume",
                 "echo \"Started file system verification on $2\"\n"
                 "sleep 0.4\n"
                 "printf 'Checking\\n\\n'\n"
                 "sleep 0.4\n"
                 "echo 'File system check exit code is 4' >&2\n"
                 "touch '" + done + "'\n"
                 "exit 1\n");
    FirstAidRun run(0);
    QStringList rows;
    QList<float> values;
    int endedAt = -1;
    bool succeeded = true;
    bool rowBeforeEnd = false;
    run.onRow = [&](const QString& row) {
        rows << row;
        if (!QFileInfo::exists(done))
            rowBeforeEnd = true;
    };
    run.onProgress = [&](float v) { values << v; };
    run.onEnd = [&](bool ok) {
        endedAt = int(values.size());
        succeeded = ok;
    };
    run.start(false, "loop5");
    EXPECT_TRUE(run.isRunning());
    ASSERT_TRUE(nvtest::pumpUntil([&] { return endedAt >= 0; }, 10000));
    EXPECT_FALSE(run.isRunning());
    EXPECT_TRUE(rowBeforeEnd) << "the first row came only after the utility ended";
    EXPECT_EQ(rows, QStringList({"Started file system verification on loop5", "Checking\n",
                                 "File system check exit code is 4"}));
    ASSERT_GE(values.size(), 2);
    EXPECT_EQ(values.last(), kAidEndMark);
    EXPECT_EQ(values[0], 1.0f);
    EXPECT_EQ(endedAt, values.size()) << "the end follows the last bar value";
    EXPECT_FALSE(succeeded);
    EXPECT_EQ(fake.callsOf("verifyvolume").value(0), QStringList({"verifyvolume", "loop5"}));
}

TEST(FirstAidRunTests, ACharacterSplitBetweenChunksIsKeptAndAnEarlierRunIsSilenced)
{
    FakeDiskutil fake;
    // "检" is e6 a3 80: its first byte comes in one chunk, the rest later.
    fake.setVerbScript("repairvolume", "printf '\\346'; sleep 0.3; printf '\\243\\200查\\n'; exit 0\n");
    FirstAidRun run(0);
    QStringList rows;
    bool ended = false, ok = false;
    run.onRow = [&](const QString& r) { rows << r; };
    run.onEnd = [&](bool s) { ended = true; ok = s; };
    run.start(true, "loop5");
    ASSERT_TRUE(nvtest::pumpUntil([&] { return ended; }, 10000));
    EXPECT_TRUE(ok);
    EXPECT_EQ(rows.join(QString()), "检查");

    // A second run started before the first reports: only its own reports come.
    fake.setVerbScript("verifyvolume", "echo second; exit 0\n");
    fake.setVerbScript("repairvolume", "sleep 0.3; echo first; exit 0\n");
    rows.clear();
    ended = false;
    FirstAidRun twice(0);
    twice.onRow = [&](const QString& r) { rows << r; };
    twice.onEnd = [&](bool) { ended = true; };
    twice.start(true, "loop5");
    twice.start(false, "loop5");
    ASSERT_TRUE(nvtest::pumpUntil([&] { return ended; }, 10000));
    EXPECT_TRUE(platform::dispatch::waitForGlobalQueues(10000));
    nvtest::pump(100);
    EXPECT_EQ(rows, QStringList({"second"}));
}
