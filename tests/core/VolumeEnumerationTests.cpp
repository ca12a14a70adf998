// The command runners and the volume enumeration. The disk utility is replaced
// by a script that prints recorded property lists (the process boundary); the
// last test runs our real diskutil on a loop device (root only).

#include "core/CVolumeMgr.h"
#include "core/CommandRunners.h"
#include "FakeDiskutil.h"
#include "TestSupport.h"
#include "platform/Locations.h"
#include "platform/Log.h"
#include "platform/Process.h"
#include "platform/PropertyList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace {

const QString kData = QStringLiteral(NULLVANE_CORE_TEST_DATA "/volumes");

// Writes an executable script and returns its path.
QString script(const QString& name, const QString& body)
{
    const QString path = nvtest::freshFolder("bin") + QLatin1Char('/') + name;
    nvtest::writeFile(path, ("#!/bin/sh\n" + body).toUtf8());
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

// Our disk utility's stand-in, answering from the recorded lists.
struct RecordedDiskutil : nvtest::FakeDiskutil {
    explicit RecordedDiskutil(const QString& data = kData, bool listsInfo = true)
    {
        answerFrom(data);
        setListAnswersInfo(listsInfo);
    }
};

// The guard is process-wide: let any earlier test's reset pass, then clear it.
void freshGuard()
{
    nvtest::pump(1100);
    CVolumeMgr().changeIValue();
}

QStringList identifiers(const QList<QVariantMap>& volumes)
{
    QStringList out;
    for (const QVariantMap& v : volumes)
        out << v.value(QStringLiteral("volumePath")).toString();
    return out;
}

QVariantMap byIdentifier(const QList<QVariantMap>& volumes, const QString& id)
{
    for (const QVariantMap& v : volumes)
        if (v.value(QStringLiteral("volumePath")).toString() == id)
            return v;
    return {};
}

using Runner = QString (*)(const QString&, const QStringList&);

} // namespace

// ------------------------------------------------------------ command runners

TEST(CommandRunners, EachRunnerWritesItsOwnFileInAFreshPrivateFolder)
{
    const QList<std::pair<Runner, QString>> runners = {
        {&ExecCommand, "RUZArud.plist"},
        {&eraserDiskCommand, "eraserVolumeTemp.plist"},
        {&execCommand, "NullvaneTemp.plist"},
        {[](const QString& p, const QStringList& a) { return eraserExecCommand(p, a); }, "eraserVolumeTemp.plist"},
        {[](const QString& p, const QStringList& a) { return aepairExecCommand(p, a); }, "NullvaneRepairTemp.plist"},
        {[](const QString& p, const QStringList& a) { return changeNameExecCommand(p, a); },
         "NullvaneChangeNameTemp.plist"},
    };
    const QString echo = platform::findProgram("echo");
    QStringList seen;
    for (const auto& [runner, fileName] : runners) {
        const QString path = runner(echo, {"answer", fileName});
        ASSERT_FALSE(path.isEmpty());
        EXPECT_EQ(QFileInfo(path).fileName(), fileName);
        EXPECT_TRUE(path.startsWith(platform::privateTempFolder() + "/")) << path;
        struct stat st {};
        ASSERT_EQ(stat(QFile::encodeName(QFileInfo(path).path()).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        ASSERT_EQ(stat(QFile::encodeName(path).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 077, 0u) << "others may read the answer";
        EXPECT_TRUE(nvtest::fileContains(path, ("answer " + fileName).toUtf8()));
        EXPECT_FALSE(seen.contains(path)) << "two runners share " << path;
        seen << path;
    }
    EXPECT_TRUE(ExecCommand(QString(), {"list"}).isEmpty());
}

TEST(CommandRunners, ACallNeverSeesAnotherCallsAnswer)
{
    const QString printf_ = platform::findProgram("printf");
    // A failing command after a good one: the second answer is empty, not the first.
    const QString good = ExecCommand(printf_, {"<plist><dict><key>A</key><string>1</string></dict></plist>"});
    EXPECT_EQ(platform::plist::readDictionary(good).value("A").toString(), "1");
    const QString bad = ExecCommand(platform::findProgram("false"), {});
    EXPECT_NE(bad, good);
    EXPECT_TRUE(platform::plist::readDictionary(bad).isEmpty());
    EXPECT_EQ(QFileInfo(bad).size(), 0);
    EXPECT_EQ(platform::plist::readDictionary(good).value("A").toString(), "1");

    // The two runners that share a file name, at the same moment.
    const QString sleeper = script("answer", "sleep 0.3; echo \"$1\"\n");
    QString a, b;
    std::thread t1([&] { a = eraserDiskCommand(sleeper, {"from the disk wipe"}); });
    std::thread t2([&] { b = eraserExecCommand(sleeper, {"from the disk tools"}); });
    t1.join();
    t2.join();
    EXPECT_NE(a, b);
    EXPECT_TRUE(nvtest::fileContains(a, "from the disk wipe"));
    EXPECT_FALSE(nvtest::fileContains(a, "from the disk tools"));
    EXPECT_TRUE(nvtest::fileContains(b, "from the disk tools"));
}

TEST(CommandRunners, NamesReachTheProgramAsOneArgumentAndRunNothing)
{
    const QString marker = nvtest::sandbox() + "/pwned";
    const QString hostile = QStringLiteral("x\";touch %1;\" $(touch %1) `touch %1`").arg(marker);
    const QString path = changeNameExecCommand(script("args", "printf '%s\\n' \"$#\" \"$2\"\n"), {"rename", hostile});
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), "2\n" + hostile + "\n");
    EXPECT_FALSE(QFileInfo::exists(marker));
}

TEST(CommandRunners, APlantedLinkAtTheOldFixedPathIsIgnored)
{
    const QString victim = nvtest::freshFolder("victim") + "/precious.txt";
    nvtest::writeFile(victim, "precious");
    QFile::link(victim, platform::privateTempFolder() + "/RUZArud.plist");
    QFile::link(victim, QDir::tempPath() + "/RUZArud.plist");
    const QString path = ExecCommand(platform::findProgram("echo"), {"overwritten"});
    EXPECT_TRUE(nvtest::fileContains(path, "overwritten"));
    EXPECT_TRUE(nvtest::fileContains(victim, "precious"));
    EXPECT_FALSE(nvtest::fileContains(victim, "overwritten"));
}

TEST(CommandRunners, DiscardRemovesOnlyRunnerOutputs)
{
    const QString path = aepairExecCommand(platform::findProgram("echo"), {"x"});
    const QString folder = QFileInfo(path).path();
    discardCommandOutput(path);
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(QFileInfo::exists(folder));
    const QString other = nvtest::freshFolder("mine") + "/RUZArud.plist";
    nvtest::writeFile(other, "keep");
    discardCommandOutput(other);
    EXPECT_TRUE(QFileInfo::exists(other));
}

// ------------------------------------------------------------ volume enumeration

TEST(CVolumeMgr, TheSkipChainKeepsOnlyUserVolumesInOrder)
{
    RecordedDiskutil fake;
    freshGuard();
    platform::LogCapture log;
    const auto volumes = CVolumeMgr().enumDiskVolumesInfo();
    ASSERT_TRUE(volumes.has_value());
    // vda: a whole disk without partitions (no rules apply); sdb1-9, 11-13,
    // 16 and 17 each fall to one rule; sdd has a partition table and nothing
    // in it; sde holds no file system.
    EXPECT_EQ(identifiers(*volumes), (QStringList{"vda", "sdb10", "sdb14", "sdb15", "sdb18", "sdc1"}));
    EXPECT_TRUE(log.contains("+++++++: 16000000"));
    EXPECT_TRUE(log.contains("+++++++: 30000000"));
    EXPECT_TRUE(log.contains("strEjectable : 1"));

    // One run in all: the list answers every volume's details.
    EXPECT_EQ(fake.calls(), QStringList{"list -plist -info"});
}

TEST(CVolumeMgr, WithoutDetailsInTheListOneRunAsksForEveryCandidate)
{
    RecordedDiskutil fake(kData, false);
    freshGuard();
    const auto volumes = CVolumeMgr().enumDiskVolumesInfo();
    ASSERT_TRUE(volumes.has_value());
    EXPECT_EQ(identifiers(*volumes), (QStringList{"vda", "sdb10", "sdb14", "sdb15", "sdb18", "sdc1"}));
    // Two runs: the list, then one "info" of every candidate, each addressed
    // by its /dev node, in the list's order.
    const QStringList calls = fake.calls();
    ASSERT_EQ(calls.size(), 2) << calls;
    EXPECT_EQ(calls.first(), "list -plist -info");
    const QStringList infoArgs = calls.at(1).split(' ', Qt::SkipEmptyParts);
    EXPECT_EQ(infoArgs.mid(0, 2), (QStringList{"info", "-plist"}));
    EXPECT_EQ(infoArgs.value(2), "/dev/vda");
    EXPECT_TRUE(infoArgs.contains("/dev/sdb3"));
    EXPECT_FALSE(infoArgs.contains("/dev/sdb1")) << "EFI needs no info";
    EXPECT_FALSE(infoArgs.contains("/dev/sdd"));
}

TEST(CVolumeMgr, ADiskUtilityThatAnswersOneDeviceAtATimeIsAskedPerVolume)
{
    // An older stand-in: "info" of several devices is an error.
    const QString single = script("diskutil", QStringLiteral(
        "case \"$1\" in list) cat '%1/list.plist' ;;\n"
        "  info) [ $# -eq 3 ] || exit 1; f='%1/info-'\"${3#/dev/}\"'.plist'; [ -f \"$f\" ] && cat \"$f\" || exit 1 ;;\n"
        "esac\n").arg(kData));
    qputenv("NULLVANE_DISKUTIL", QFile::encodeName(single));
    freshGuard();
    const auto volumes = CVolumeMgr().enumDiskVolumesInfo();
    qunsetenv("NULLVANE_DISKUTIL");
    ASSERT_TRUE(volumes.has_value());
    EXPECT_EQ(identifiers(*volumes), (QStringList{"vda", "sdb10", "sdb14", "sdb15", "sdb18", "sdc1"}));
}

namespace {

// One partition of the counter-example disk: its "list" entry and its "info".
struct Entry {
    const char* id;
    const char* name;
    qint64 size;
    bool ejectable;
    const char* mountPoint;
};

// Writes a list of one disk holding `entries`, and their info files.
QString counterExamples(const QList<Entry>& entries)
{
    const QString dir = nvtest::freshFolder("counter");
    QVariantList parts;
    for (const Entry& e : entries) {
        parts << QVariantMap{{"DeviceIdentifier", e.id}, {"Content", "Linux Filesystem"}, {"MountPoint", ""}};
        const QVariantMap info{{"DeviceIdentifier", e.id},
                               {"DeviceNode", QStringLiteral("/dev/") + e.id},
                               {"VolumeName", e.name},
                               {"TotalSize", QVariant::fromValue<qulonglong>(e.size)},
                               {"FreeSpace", QVariant::fromValue<qulonglong>(0)},
                               {"Ejectable", e.ejectable},
                               {"MountPoint", e.mountPoint},
                               {"Content", "Linux Filesystem"},
                               {"BusProtocol", e.ejectable ? "USB" : "SATA"},
                               {"FilesystemName", "MS-DOS FAT32"},
                               {"Writable", true},
                               {"ParentWholeDisk", "sdf"},
                               {"DiskUUID", QStringLiteral("U-") + e.id}};
        EXPECT_TRUE(platform::plist::writeFile(dir + "/info-" + e.id + ".plist", info));
    }
    const QVariantMap disk{{"DeviceIdentifier", "sdf"}, {"Content", "GUID_partition_scheme"}, {"Partitions", parts}};
    EXPECT_TRUE(platform::plist::writeFile(dir + "/list.plist", QVariantMap{{"AllDisksAndPartitions", QVariantList{disk}}}));
    return dir;
}

} // namespace

TEST(CVolumeMgr, TheQualifiersAndBoundsOfTheSkipRules)
{
    const QList<Entry> entries = {
        // Rule 7: no name and a size skips a fixed volume, never an ejectable
        // one (an unlabelled USB stick stays listed), nor one of size 0.
        {"sdf1", "", 8000000000, true, "/media/u/stick"},
        {"sdf2", "", 8000000000, false, "/mnt/plain"},
        {"sdf3", "", 0, false, "/mnt/empty"},
        // Rule 9: from 1 byte up to 29,999,999 bytes; 0 passes.
        {"sdf4", "Tiny", 1, true, "/media/u/tiny"},
        {"sdf5", "Small", 29999999, true, "/media/u/small"},
        {"sdf6", "Zero", 0, true, "/media/u/zero"},
        // Rule 10: the firmware names skip fixed volumes only.
        {"sdf7", "Hardware", 8000000000, true, "/media/u/hw"},
        {"sdf8", "xART", 8000000000, false, "/mnt/xart"},
        {"sdf9", "iSCPreboot", 8000000000, false, "/mnt/isc"},
        {"sdf10", "iSCPreboot", 8000000000, true, "/media/u/isc"},
        // Rule 8: the update folder skips fixed volumes only; its mnt1, Data
        // and VM skip any volume.
        {"sdf11", "Up", 8000000000, false, "/System/Volumes/Update"},
        {"sdf12", "UpStick", 8000000000, true, "/System/Volumes/Update"},
        {"sdf13", "Mnt1", 8000000000, true, "/System/Volumes/Update/mnt1"},
        {"sdf14", "DataStick", 8000000000, true, "/System/Volumes/Data"},
        {"sdf15", "VMStick", 8000000000, true, "/System/Volumes/VM"},
    };
    RecordedDiskutil fake(counterExamples(entries));
    freshGuard();
    const auto volumes = CVolumeMgr().enumDiskVolumesInfo();
    ASSERT_TRUE(volumes.has_value());
    EXPECT_EQ(identifiers(*volumes), (QStringList{"sdf1", "sdf3", "sdf6", "sdf7", "sdf10", "sdf12"}));
    EXPECT_EQ(byIdentifier(*volumes, "sdf1").value("volumeName").toString(), "Untitled");
}

TEST(CVolumeMgr, VolumeDictionariesHoldExactlyTheirEntries)
{
    RecordedDiskutil fake;
    freshGuard();
    const auto volumes = CVolumeMgr().enumDiskVolumesInfo();
    ASSERT_TRUE(volumes.has_value());
    const QStringList keys = {"volumeName", "volumePath", "TotalSize", "FreeSpace", "volumeTotalSize", "volumeFreeSize",
                              "FilesystemName", "MountPoint", "BusProtocol", "Ejectable", "Writable", "ParentWholeDisk",
                              "DiskUUID", "DeviceNode", "VolumeUUID"};
    QStringList sorted = keys;
    sorted.sort();
    for (const QVariantMap& v : *volumes)
        EXPECT_EQ(v.keys(), sorted) << v.value("volumePath").toString();

    // 30,000,000 bytes is listed; 16 MB was not.
    const QVariantMap small = byIdentifier(*volumes, "sdb10");
    EXPECT_EQ(small.value("TotalSize").toString(), "30000000");
    EXPECT_EQ(small.value("FreeSpace").toString(), "1000000");
    EXPECT_EQ(small.value("TotalSize").metaType().id(), QMetaType::QString);
    EXPECT_EQ(small.value("volumeTotalSize").toString(), "30.00 MB");
    EXPECT_EQ(small.value("volumeFreeSize").toString(), "1.00 MB");
    EXPECT_EQ(small.value("volumeName").toString(), "Data sdb10");
    EXPECT_EQ(small.value("DiskUUID").toString(), "UUID-SDB10");
    EXPECT_EQ(small.value("Ejectable").metaType().id(), QMetaType::Bool);

    // An APFS volume with no free space of its own shows its container's.
    const QVariantMap apfs = byIdentifier(*volumes, "sdb14");
    EXPECT_EQ(apfs.value("FreeSpace").toString(), "123456789");
    EXPECT_EQ(apfs.value("volumeFreeSize").toString(), "123.46 MB");

    EXPECT_EQ(byIdentifier(*volumes, "sdb15").value("volumeName").toString(), "Untitled");
    EXPECT_EQ(byIdentifier(*volumes, "vda").value("volumeName").toString(), "Untitled");

    // An unmounted partition of an ejectable disk is listed, not mounted.
    const QVariantMap stick = byIdentifier(*volumes, "sdc1");
    EXPECT_EQ(stick.value("MountPoint").toString(), "");
    EXPECT_TRUE(stick.value("Ejectable").toBool());
    EXPECT_EQ(stick.value("FreeSpace").toString(), "0");
}

TEST(CVolumeMgr, AScanWithinOneSecondOfTheLastIsRefused)
{
    RecordedDiskutil fake;
    freshGuard();
    CVolumeMgr mgr;
    ASSERT_TRUE(mgr.enumDiskVolumesInfo().has_value());
    nvtest::pump(500);
    const int callsBefore = fake.calls().size();
    EXPECT_FALSE(mgr.enumDiskVolumesInfo().has_value());
    EXPECT_EQ(fake.calls().size(), callsBefore) << "a refused scan ran the disk utility";
    nvtest::pump(1000);
    const auto again = mgr.enumDiskVolumesInfo();
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->size(), 6);
}

// A caller with a guard of its own asks without this one: its scan runs
// while the guard holds and leaves the guard to the guarded callers.
TEST(CVolumeMgr, AnUnguardedScanNeitherWaitsForTheGuardNorTakesIt)
{
    RecordedDiskutil fake;
    freshGuard();
    CVolumeMgr mgr;
    const auto unguarded = mgr.enumDiskVolumesInfo(false);
    ASSERT_TRUE(unguarded.has_value());
    EXPECT_EQ(unguarded->size(), 6);
    ASSERT_TRUE(mgr.enumDiskVolumesInfo().has_value()) << "the unguarded scan took the guard";
    const auto whileGuarded = mgr.enumDiskVolumesInfo(false);
    ASSERT_TRUE(whileGuarded.has_value());
    EXPECT_EQ(*whileGuarded, *unguarded);
}

TEST(CVolumeMgr, UnreadableAnswersGiveEmptyResults)
{
    freshGuard();
    qputenv("NULLVANE_DISKUTIL", QFile::encodeName(script("diskutil", "echo 'not a property list'\n")));
    const auto volumes = CVolumeMgr().enumDiskVolumesInfo();
    qunsetenv("NULLVANE_DISKUTIL");
    ASSERT_TRUE(volumes.has_value());
    EXPECT_TRUE(volumes->isEmpty());
}

TEST(CVolumeMgr, OverLongIdentifiersAreRefusedUnasked)
{
    RecordedDiskutil fake;
    CVolumeMgr mgr;
    EXPECT_TRUE(mgr.EUGetDiskInfo(QString()).isEmpty());
    EXPECT_TRUE(mgr.EUGetDiskInfo(QString(38, QLatin1Char('a'))).isEmpty());
    // Bytes count, not characters: 13 three-byte characters are 39 bytes.
    EXPECT_TRUE(mgr.EUGetDiskInfo(QString(13, QChar(0x76D8))).isEmpty());
    EXPECT_TRUE(fake.calls().isEmpty());
    EXPECT_TRUE(mgr.EUGetDiskInfo(QString(37, QLatin1Char('a'))).isEmpty());
    EXPECT_EQ(fake.calls(), QStringList{"info -plist /dev/" + QString(37, QLatin1Char('a'))});
    EXPECT_EQ(mgr.EUGetDiskInfo("sdb10").value("TotalSize").toLongLong(), 30000000);
}

TEST(CVolumeMgr, OurDiskUtilityListsALoopDevice)
{
    nvtest::LoopDevice dev(40LL * 1000 * 1000);
    NEED_LOOP(dev);
    ASSERT_TRUE(dev.format("ext4", {"-L", "ENUMTEST"}));
    freshGuard();
    const auto volumes = CVolumeMgr().enumDiskVolumesInfo();
    ASSERT_TRUE(volumes.has_value());
    const QString name = QFileInfo(dev.device()).fileName();
    const QVariantMap v = byIdentifier(*volumes, name);
    ASSERT_FALSE(v.isEmpty()) << "an unmounted ejectable volume is missing";
    EXPECT_EQ(v.value("volumeName").toString(), "ENUMTEST");
    EXPECT_EQ(v.value("MountPoint").toString(), "");
    EXPECT_EQ(v.value("FreeSpace").toString(), "0");
    EXPECT_EQ(v.value("TotalSize").toString(), "40000000");
    EXPECT_EQ(v.value("DeviceNode").toString(), dev.device());
    EXPECT_EQ(v.value("FilesystemName").toString(), "ext4");
    EXPECT_EQ(v.value("BusProtocol").toString(), "Loop");
    // Mounted, it shows where and how much is free.
    const QString point = dev.mount();
    ASSERT_FALSE(point.isEmpty());
    freshGuard();
    const auto again = CVolumeMgr().enumDiskVolumesInfo();
    ASSERT_TRUE(again.has_value());
    const QVariantMap m = byIdentifier(*again, name);
    EXPECT_EQ(m.value("MountPoint").toString(), point);
    EXPECT_GT(m.value("FreeSpace").toString().toLongLong(), 0);
}
