// The diskutil program on real loop devices with real file systems. Needs
// root; every test acts only on loop devices it attached itself.

#include "TestSupport.h"
#include "platform/FuseMounts.h"
#include "platform/Locations.h"
#include "platform/MountTable.h"
#include "platform/Process.h"
#include "platform/PropertyList.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>
#include <QXmlStreamReader>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <gtest/gtest.h>

namespace {

constexpr qint64 kDiskSize = 48LL * 1000 * 1000;

struct Answer {
    int code = -1;
    QString out;
    QString err;
    QVariantMap plist() const { return platform::plist::fromData(out.toUtf8()).toMap(); }
};

QString diskutilPath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/diskutil"); }

QString mediaBase()
{
    static const QString base = nvtest::freshFolder("media");
    return base;
}

Answer diskutil(const QStringList& args, const QStringList& env = {})
{
    platform::ProcessOptions o;
    o.extraEnvironment = QStringList{QStringLiteral("NULLVANE_MOUNT_BASE=") + mediaBase()} + env;
    o.timeoutMs = 120000;
    const auto r = platform::runProcess(diskutilPath(), args, o);
    return {r.finished ? r.exitCode : -1, QString::fromUtf8(r.standardOutput), QString::fromUtf8(r.standardError)};
}

QString kname(const nvtest::LoopDevice& d) { return d.kernelName(); }

// Where the kernel's own table says the device is mounted: what lsblk and
// findmnt show, and what keeps mkfs off a mounted volume.
QStringList systemMountPoints(const QString& node)
{
    QStringList points;
    for (const platform::MountEntry& e : platform::mountEntriesOf(node))
        points << e.mountPoint;
    return points;
}

QVariantMap info(const QString& target)
{
    const Answer a = diskutil({"info", "-plist", target});
    EXPECT_EQ(a.code, 0) << a.err;
    return a.plist();
}

// The "list" entry of one of our devices.
QVariantMap listEntry(const QString& name)
{
    const Answer a = diskutil({"list", "-plist"});
    EXPECT_EQ(a.code, 0) << a.err;
    for (const QVariant& v : a.plist().value("AllDisksAndPartitions").toList())
        if (v.toMap().value("DeviceIdentifier").toString() == name)
            return v.toMap();
    return {};
}

QByteArray digest(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return h.result();
}

QString uniqueLabel(const char* prefix)
{
    return QString::fromLatin1(prefix) + QUuid::createUuid().toString(QUuid::Id128).left(6).toUpper();
}

struct FsCase {
    const char* mkfsType;    // mkfs.<type>
    const char* labelOption; // how that mkfs takes a label
    const char* mountType;   // for LoopDevice::mount
    const char* name;        // "FilesystemName"
    const char* personality; // for eraseVolume
    QStringList extra;       // more mkfs arguments
};

const QList<FsCase>& fileSystems()
{
    static const QList<FsCase> all = {
        {"ext4", "-L", "ext4", "ext4", "ext4", {}},
        {"vfat", "-n", "vfat", "MS-DOS FAT32", "MS-DOS FAT32", {"-F", "32"}},
        {"exfat", "-L", "exfat", "ExFAT", "ExFAT", {}},
        {"ntfs", "-L", "ntfs", "NTFS", "NTFS", {}},
    };
    return all;
}

using nvtest::haveTool;

} // namespace

TEST(DiskutilProgram, ListAndInfoForEachFileSystem)
{
    for (const FsCase& fs : fileSystems()) {
        SCOPED_TRACE(fs.name);
        if (!haveTool(QStringLiteral("mkfs.") + fs.mkfsType)) {
            std::cout << "[  SKIPPED ] " << fs.name << ": mkfs." << fs.mkfsType << " is not installed\n";
            continue;
        }
        nvtest::LoopDevice dev(kDiskSize);
        NEED_LOOP(dev);
        const QString label = uniqueLabel("L");
        ASSERT_TRUE(dev.format(fs.mkfsType, fs.extra + QStringList{fs.labelOption, label}));

        // Unpartitioned: "Content" "" and no "Partitions".
        const QVariantMap entry = listEntry(kname(dev));
        ASSERT_FALSE(entry.isEmpty()) << "our device is missing from the list";
        EXPECT_EQ(entry.value("Content").toString(), "");
        EXPECT_FALSE(entry.contains("Partitions"));
        EXPECT_EQ(entry.value("Size").toLongLong(), kDiskSize);
        EXPECT_EQ(entry.value("VolumeName").toString(), label);

        QVariantMap i = info("/dev/" + kname(dev));
        EXPECT_EQ(i.value("FilesystemName").toString(), fs.name);
        EXPECT_EQ(i.value("VolumeName").toString(), label);
        EXPECT_EQ(i.value("DeviceIdentifier").toString(), kname(dev));
        EXPECT_EQ(i.value("DeviceNode").toString(), dev.device());
        EXPECT_EQ(i.value("ParentWholeDisk").toString(), kname(dev));
        EXPECT_EQ(i.value("BusProtocol").toString(), "Loop");
        EXPECT_EQ(i.value("Content").toString(), "");
        EXPECT_EQ(i.value("MountPoint").toString(), "");
        EXPECT_EQ(i.value("FreeSpace").toLongLong(), 0);
        EXPECT_EQ(i.value("TotalSize").toLongLong(), kDiskSize);
        EXPECT_EQ(i.value("TotalSize").metaType().id(), QMetaType::LongLong);
        EXPECT_EQ(i.value("Ejectable").metaType().id(), QMetaType::Bool);
        EXPECT_TRUE(i.value("Ejectable").toBool());
        EXPECT_EQ(i.value("Writable").metaType().id(), QMetaType::Bool);
        EXPECT_TRUE(i.value("Writable").toBool());
        EXPECT_FALSE(i.value("DiskUUID").toString().isEmpty());
        EXPECT_FALSE(i.value("VolumeUUID").toString().isEmpty());

        // The same device is found by its kernel name, its label and its UUID.
        EXPECT_EQ(info(kname(dev)).value("DeviceNode").toString(), dev.device());
        EXPECT_EQ(info(label).value("DeviceNode").toString(), dev.device());
        EXPECT_EQ(info(i.value("DiskUUID").toString()).value("DeviceNode").toString(), dev.device());

        // Mounted by someone else, through FUSE where the kernel has no driver.
        const QString point = dev.mount(fs.mountType);
        if (point.isEmpty()) {
            std::cout << "[  SKIPPED ] " << fs.name << ": cannot be mounted on this machine\n";
            continue;
        }
        i = info(point + "/");
        EXPECT_EQ(i.value("DeviceNode").toString(), dev.device());
        EXPECT_EQ(i.value("MountPoint").toString(), point);
        // Probed from the device, not "fuseblk" from the mount table.
        EXPECT_EQ(i.value("FilesystemName").toString(), fs.name);
        // A fresh volume is mostly free, also where the FUSE server tells no
        // sizes (fusefat) and the allocation table is read instead.
        EXPECT_GT(i.value("FreeSpace").toLongLong(), kDiskSize / 2);
        EXPECT_LT(i.value("FreeSpace").toLongLong(), kDiskSize);
        EXPECT_EQ(listEntry(kname(dev)).value("MountPoint").toString(), point);
        EXPECT_TRUE(dev.unmount());
    }
}

TEST(DiskutilProgram, PartitionedDisk)
{
    if (!haveTool("sfdisk") || !haveTool("partx"))
        GTEST_SKIP() << "sfdisk and partx (package fdisk, util-linux) are needed to partition a disk";
    nvtest::LoopDevice dev(96LL * 1000 * 1000);
    NEED_LOOP(dev);
    const QByteArray table = "label: gpt\n,40M,L\n,40M,EBD0A0A2-B9E5-4433-87C0-68B6B72699C7\n";
    platform::ProcessOptions o;
    o.standardInput = table;
    ASSERT_TRUE(platform::runProcess(platform::findProgram("sfdisk"), {"-q", dev.device()}, o).succeeded());
    // The kernel here does not read partition tables of loop devices itself.
    platform::runProcess(platform::findProgram("partx"), {"-a", dev.device()});
    // The kernel keeps partitions added by hand after the loop device is
    // detached; left behind, they would show in the next user's device.
    auto dropPartitions = qScopeGuard([&] { platform::runProcess(platform::findProgram("partx"), {"-d", dev.device()}); });
    const QString p1 = kname(dev) + "p1";
    if (!QFileInfo::exists("/dev/" + p1))
        GTEST_SKIP() << "the kernel shows no partitions of loop devices";
    // Partitions without file systems: mounting the disk mounts nothing, and says so.
    const Answer nothing = diskutil({"mount", kname(dev)});
    EXPECT_NE(nothing.code, 0) << nothing.out.toStdString();
    EXPECT_TRUE(nothing.err.contains("no file system")) << nothing.err.toStdString();
    ASSERT_TRUE(platform::runProcess(platform::findProgram("mkfs.ext4"), {"-F", "-q", "-L", "PART1", "/dev/" + p1}).succeeded());

    const QVariantMap entry = listEntry(kname(dev));
    EXPECT_EQ(entry.value("Content").toString(), "GUID_partition_scheme");
    const QVariantList parts = entry.value("Partitions").toList();
    ASSERT_EQ(parts.size(), 2);
    EXPECT_EQ(parts[0].toMap().value("DeviceIdentifier").toString(), p1);
    EXPECT_EQ(parts[0].toMap().value("Content").toString(), "Linux Filesystem");
    EXPECT_EQ(parts[0].toMap().value("VolumeName").toString(), "PART1");
    EXPECT_EQ(parts[1].toMap().value("Content").toString(), "Microsoft Basic Data");
    EXPECT_EQ(parts[1].toMap().value("Size").toLongLong(), 40LL * 1024 * 1024);

    const QVariantMap i = info("/dev/" + p1);
    EXPECT_EQ(i.value("ParentWholeDisk").toString(), kname(dev));
    EXPECT_EQ(i.value("Content").toString(), "Linux Filesystem");
    EXPECT_EQ(i.value("FilesystemName").toString(), "ext4");
    // A partition's DiskUUID is its entry's, and names it.
    EXPECT_EQ(info(i.value("DiskUUID").toString()).value("DeviceIdentifier").toString(), p1);
    // Erasing the whole disk would take both partitions with it.
    const Answer erase = diskutil({"eraseVolume", "ExFAT", "X", kname(dev)});
    EXPECT_NE(erase.code, 0);
    EXPECT_EQ(info("/dev/" + p1).value("VolumeName").toString(), "PART1");
}

TEST(DiskutilProgram, AmbiguousNamesAndUnknownDevicesAreErrors)
{
    nvtest::LoopDevice a(kDiskSize);
    NEED_LOOP(a);
    nvtest::LoopDevice b(kDiskSize);
    NEED_LOOP(b);
    const QString label = uniqueLabel("TWIN");
    ASSERT_TRUE(a.format("ext4", {"-L", label}));
    ASSERT_TRUE(b.format("ext4", {"-L", label}));
    Answer r = diskutil({"info", "-plist", label});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains(kname(a)) && r.err.contains(kname(b))) << r.err;
    EXPECT_TRUE(r.out.isEmpty());
    r = diskutil({"info", "-plist", uniqueLabel("NOBODY")});
    EXPECT_NE(r.code, 0);
    EXPECT_FALSE(r.err.isEmpty());
}

// Loop tests of several programs run side by side: a program's disk utility
// must not see another program's loop device, and a device number that
// changed hands must not be detached by the test that had it first.
TEST(DiskutilProgram, OnlyThisProgramsOwnLoopDevicesAreSeenAndLetGo)
{
    nvtest::LoopDevice mine(kDiskSize);
    NEED_LOOP(mine);
    nvtest::LoopDevice theirs(kDiskSize);
    NEED_LOOP(theirs);
    const QString label = uniqueLabel("OWN");
    ASSERT_TRUE(mine.format("ext4", {"-L", label}));
    ASSERT_TRUE(theirs.format("ext4", {"-L", label}));

    // As another program's device, `theirs` is in no list, found by no
    // name, and no verb reaches it.
    const QStringList onlyMine{"NULLVANE_LOOP_IMAGES=" + mine.image()};
    const Answer list = diskutil({"list", "-plist"}, onlyMine);
    ASSERT_EQ(list.code, 0) << list.err;
    QStringList listed;
    for (const QVariant& v : list.plist().value("AllDisksAndPartitions").toList())
        listed << v.toMap().value("DeviceIdentifier").toString();
    EXPECT_TRUE(listed.contains(kname(mine))) << listed;
    EXPECT_FALSE(listed.contains(kname(theirs))) << listed;
    const Answer byLabel = diskutil({"info", "-plist", label}, onlyMine);
    EXPECT_EQ(byLabel.code, 0) << "the twin label is not ambiguous: " << byLabel.err;
    EXPECT_EQ(byLabel.plist().value("DeviceNode").toString(), mine.device());
    EXPECT_NE(diskutil({"info", "-plist", theirs.device()}, onlyMine).code, 0);
    EXPECT_NE(diskutil({"mount", kname(theirs)}, onlyMine).code, 0);
    EXPECT_TRUE(platform::mountEntriesOf(theirs.device()).isEmpty());

    // A number let go of goes to `theirs`' image: the test that had it
    // ends without touching it.
    {
        nvtest::LoopDevice gone(kDiskSize);
        NEED_LOOP(gone);
        const QString goneNode = gone.device();
        ASSERT_TRUE(platform::runProcess("losetup", {"-d", goneNode}).succeeded());
        const auto taken = platform::runProcess("losetup", {goneNode, theirs.image()});
        if (!taken.succeeded())
            GTEST_SKIP() << "another program took " << goneNode << " first";
        ASSERT_TRUE(gone.attachedNodes().isEmpty());
        ASSERT_TRUE(theirs.attachedNodes().contains(goneNode));
    }
    EXPECT_EQ(theirs.attachedNodes().size(), 2) << "a number that changed hands was detached";
}

TEST(DiskutilProgram, MountRenameUnmountEject)
{
    for (const FsCase& fs : fileSystems()) {
        SCOPED_TRACE(fs.name);
        if (!haveTool(QStringLiteral("mkfs.") + fs.mkfsType))
            continue;
        nvtest::LoopDevice dev(kDiskSize);
        NEED_LOOP(dev);
        const QString node = dev.device();
        const QString name = dev.kernelName();
        // What our disk utility mounted goes before the device does (and
        // nothing of a number the eject gave up).
        auto unmountAll = qScopeGuard([&] {
            for (const QString& ours : dev.attachedNodes())
                for (const auto& e : platform::mountEntriesOf(ours))
                    platform::runProcess("umount", {e.mountPoint});
        });
        ASSERT_TRUE(dev.format(fs.mkfsType, fs.extra));

        // Mounted in a folder named after the label under the base.
        Answer r = diskutil({"mount", name});
        ASSERT_EQ(r.code, 0) << r.err;
        QString point = info(name).value("MountPoint").toString();
        if (point.isEmpty()) {
            QFile table("/proc/self/mountinfo");
            table.open(QIODevice::ReadOnly);
            ADD_FAILURE() << "mount said: " << r.out.toStdString() << r.err.toStdString() << "\ninfo: "
                          << diskutil({"info", "-plist", name}).out.toStdString() << "\ntable:\n"
                          << table.readAll().toStdString() << "\nlosetup: "
                          << dev.attachedNodes().join(' ').toStdString();
        }
        ASSERT_FALSE(point.isEmpty());
        EXPECT_EQ(QFileInfo(point).path(), mediaBase());
        EXPECT_TRUE(nvtest::writeFile(point + "/kept.txt", "still here"));

        // Names go to the label tool as one argument and are never run.
        const QString marker = nvtest::sandbox() + "/pwned";
        const QString hostile = QStringLiteral("x\";touch %1;\"").arg(marker);
        const QString uuid = info(name).value("DiskUUID").toString();
        const QString before = info(name).value("VolumeName").toString();
        // FAT's label cannot hold its quotes, semicolons and slashes: refused.
        const bool fat = QString::fromLatin1(fs.name).startsWith("MS-DOS");
        r = diskutil({"rename", uuid, hostile});
        EXPECT_EQ(r.code, fat ? 1 : 0) << r.err;
        QVariantMap i = info(name);
        const QString expected = fat                                               ? before
                                 : QString::fromLatin1(fs.name) == "ExFAT"        ? hostile.left(11)
                                 : QString::fromLatin1(fs.name) == "ext4"         ? hostile.left(16)
                                                                                  : hostile;
        EXPECT_EQ(i.value("VolumeName").toString(), expected);
        EXPECT_FALSE(QFileInfo::exists(marker));
        r = diskutil({"rename", name, "$(id)"});
        EXPECT_EQ(r.code, 0) << r.err;
        i = info(name);
        EXPECT_EQ(i.value("VolumeName").toString(), QString::fromLatin1(fs.name).startsWith("MS-DOS") ? "$(ID)" : "$(id)");
        // A name that looks like an option is a name on every file system.
        r = diskutil({"rename", name, "-rf"});
        EXPECT_EQ(r.code, 0) << r.err;
        i = info(name);
        EXPECT_EQ(i.value("VolumeName").toString(), QString::fromLatin1(fs.name).startsWith("MS-DOS") ? "-RF" : "-rf");
        // Still mounted, with the files it had, and so in the system's own
        // table (lsblk, findmnt, mkfs), not only in ours.
        point = i.value("MountPoint").toString();
        ASSERT_FALSE(point.isEmpty());
        EXPECT_EQ(systemMountPoints(node), QStringList{point});
        EXPECT_TRUE(nvtest::fileContains(point + "/kept.txt", "still here"));

        r = diskutil({"unmount", point + "/"});
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(info(name).value("MountPoint").toString(), "");
        EXPECT_FALSE(QFileInfo::exists(point)) << "the folder made for the volume stays behind";

        r = diskutil({"mount", name});
        EXPECT_EQ(r.code, 0) << r.err;
        r = diskutil({"eject", info(name).value("DiskUUID").toString()});
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_TRUE(platform::mountEntriesOf(node).isEmpty());
        EXPECT_TRUE(dev.attachedNodes().isEmpty()) << "still attached: " << dev.attachedNodes().join(' ').toStdString();
    }
}

TEST(DiskutilProgram, EraseAndReformatKeepNameAndType)
{
    for (const FsCase& fs : fileSystems()) {
        SCOPED_TRACE(fs.name);
        if (!haveTool(QStringLiteral("mkfs.") + fs.mkfsType))
            continue;
        nvtest::LoopDevice dev(kDiskSize);
        NEED_LOOP(dev);
        ASSERT_TRUE(dev.format("ext2"));
        const QString label = uniqueLabel("e");
        Answer r = diskutil({"eraseVolume", fs.personality, label, kname(dev)});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_TRUE(r.out.contains("Finished erase")) << r.out;
        QVariantMap i = info(kname(dev));
        const QString wanted = QString::fromLatin1(fs.name).startsWith("MS-DOS") ? label.toUpper() : label;
        EXPECT_EQ(i.value("FilesystemName").toString(), fs.name);
        EXPECT_EQ(i.value("VolumeName").toString(), wanted);
        const QString point = i.value("MountPoint").toString();
        ASSERT_FALSE(point.isEmpty()) << "erased volumes are mounted";
        EXPECT_EQ(systemMountPoints(dev.device()), QStringList{point});
        ASSERT_TRUE(nvtest::writeFile(point + "/old.txt", "old data"));

        r = diskutil({"reformat", kname(dev)});
        ASSERT_EQ(r.code, 0) << r.err;
        i = info(kname(dev));
        EXPECT_EQ(i.value("FilesystemName").toString(), fs.name);
        EXPECT_EQ(i.value("VolumeName").toString(), wanted);
        const QString again = i.value("MountPoint").toString();
        ASSERT_FALSE(again.isEmpty());
        EXPECT_EQ(systemMountPoints(dev.device()), QStringList{again});
        EXPECT_FALSE(QFileInfo::exists(again + "/old.txt"));
        EXPECT_EQ(diskutil({"unmount", kname(dev)}).code, 0);
    }
}

TEST(DiskutilProgram, AppleFileSystemsAreRefusedWithoutTouchingTheDevice)
{
    nvtest::LoopDevice dev(kDiskSize);
    NEED_LOOP(dev);
    ASSERT_TRUE(dev.format("ext4", {"-L", "KEEPME"}));
    const QByteArray before = digest(dev.image());
    for (const char* personality : {"Journaled HFS+", "APFS"}) {
        const Answer r = diskutil({"eraseVolume", personality, "NEW", kname(dev)});
        EXPECT_NE(r.code, 0);
        EXPECT_TRUE(r.err.contains(personality)) << r.err;
        EXPECT_FALSE(r.out.contains("Started erase"));
    }
    EXPECT_EQ(digest(dev.image()), before);
}

TEST(DiskutilProgram, SystemDiskIsRefused)
{
    if (!nvtest::isRoot())
        GTEST_SKIP() << "as anyone else the verb would ask pkexec first";
    const Answer check = diskutil({"verifyvolume", "/"});
    if (check.err.contains("not mounted from a disk"))
        GTEST_SKIP() << "the root file system lies on no block device here";
    EXPECT_NE(check.code, 0);
    EXPECT_TRUE(check.err.contains("holds the running system")) << check.err;
    EXPECT_TRUE(platform::mountEntryAt("/").has_value());
}


TEST(DiskutilProgram, VerifyAndRepairADamagedVolume)
{
    if (!haveTool("debugfs"))
        GTEST_SKIP() << "debugfs (e2fsprogs) is needed to damage a volume";
    nvtest::LoopDevice dev(kDiskSize);
    NEED_LOOP(dev);
    ASSERT_TRUE(nvtest::damageExt4(dev));
    // Mounted when the check starts: unmounted for it, mounted again after.
    ASSERT_EQ(diskutil({"mount", kname(dev)}).code, 0);
    const QString point = info(kname(dev)).value("MountPoint").toString();
    ASSERT_FALSE(point.isEmpty());

    Answer r = diskutil({"verifyvolume", point + "/"});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.out.contains("Pass 1")) << r.out; // the checker's own lines
    EXPECT_TRUE(r.out.contains("needs to be repaired")) << r.out;
    EXPECT_FALSE(r.err.isEmpty());
    EXPECT_EQ(info(kname(dev)).value("MountPoint").toString(), point);

    r = diskutil({"repairvolume", point});
    EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err;
    EXPECT_TRUE(r.out.contains("repaired successfully")) << r.out;
    EXPECT_EQ(info(kname(dev)).value("MountPoint").toString(), point);

    r = diskutil({"verifyvolume", kname(dev)});
    EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err;
    EXPECT_TRUE(r.out.contains("appears to be OK")) << r.out;
    EXPECT_EQ(diskutil({"unmount", kname(dev)}).code, 0);
}

TEST(DiskutilProgram, CheckerOutputArrivesLineByLine)
{
    nvtest::LoopDevice dev(kDiskSize);
    NEED_LOOP(dev);
    ASSERT_TRUE(dev.format("ext4"));
    // A stand-in checker that prints one line and then waits for us.
    const QString bin = nvtest::freshFolder("fakebin");
    const QString go = bin + "/go";
    ASSERT_TRUE(nvtest::writeWaitingChecker(bin + "/e2fsck", go));

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PATH", bin + ":" + env.value("PATH"));
    env.insert("NULLVANE_MOUNT_BASE", mediaBase());
    p.setProcessEnvironment(env);
    QByteArray seen;
    QObject::connect(&p, &QProcess::readyReadStandardOutput, [&] { seen += p.readAllStandardOutput(); });
    p.start(diskutilPath(), {"verifyvolume", kname(dev)});
    ASSERT_TRUE(p.waitForStarted());
    const bool firstLine = nvtest::pumpUntil([&] { return seen.contains("Pass 1: first line"); }, 20000);
    EXPECT_TRUE(firstLine) << seen.toStdString();
    EXPECT_EQ(p.state(), QProcess::Running);
    EXPECT_FALSE(seen.contains("Pass 2"));
    EXPECT_TRUE(seen.contains("Started file system verification"));
    nvtest::writeFile(go, "go");
    ASSERT_TRUE(p.waitForFinished(30000));
    seen += p.readAllStandardOutput();
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(seen.contains("Pass 2: second line"));
}

TEST(DiskutilProgram, PrivilegedVerbsGoThroughPkexecForOthers)
{
    if (!nvtest::isRoot() || !haveTool("setpriv"))
        GTEST_SKIP() << "needs root and setpriv to run as another user";
    // The sandbox is closed to other users; this folder must not be.
    QTemporaryDir shared(QStringLiteral("/tmp/nvpk-XXXXXX"));
    ASSERT_TRUE(shared.isValid());
    QFile::setPermissions(shared.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                             | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther);
    const QString record = shared.path() + "/args";
    const QString fake = shared.path() + "/pkexec";
    const QString refuse = shared.path() + "/refuse";
    nvtest::writeFile(fake, QStringLiteral("#!/bin/sh\n[ -f '%2' ] && { echo 'This incident has been reported.' >&2; exit 127; }\n"
                                           "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '%1'\n")
                                .arg(record, refuse)
                                .toUtf8());
    QFile::setPermissions(fake, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther | QFileDevice::ExeOther);

    const auto asNobody = [&](const QStringList& args) {
        platform::ProcessOptions o;
        o.extraEnvironment = {"NULLVANE_PKEXEC=" + fake};
        return platform::runProcess(platform::findProgram("setpriv"),
                                    QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", diskutilPath()} + args, o);
    };
    const auto probe = asNobody({"list", "-plist"});
    if (!probe.succeeded())
        GTEST_SKIP() << "the build folder cannot be reached by another user: " << probe.standardError.toStdString();
    EXPECT_FALSE(QFileInfo::exists(record)) << "listing needs no rights";
    EXPECT_TRUE(platform::plist::fromData(probe.standardOutput).toMap().contains("AllDisksAndPartitions"));

    const auto r = asNobody({"rename", "loop99", "a name; with $(stuff)"});
    EXPECT_TRUE(r.succeeded()) << r.standardError.toStdString();
    QFile f(record);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList args = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    // Only the desktop's agent may ask, never the terminal we run in.
    EXPECT_EQ(args, (QStringList{"--disable-internal-agent", QFileInfo(diskutilPath()).canonicalFilePath(), "rename",
                                 "loop99", "a name; with $(stuff)"}));

    // Refused: pkexec's status comes back, its English words do not.
    nvtest::writeFile(refuse, "");
    const auto refused = asNobody({"rename", "loop99", "x"});
    EXPECT_TRUE(refused.finished);
    EXPECT_EQ(refused.exitCode, 127);
    EXPECT_TRUE(refused.standardError.isEmpty()) << refused.standardError.toStdString();
}

// ---------------------------------------------------------------------------
// What another local user, a crafted stick or a second run could do.

namespace {

// A mount base other users may pass through (the sandbox is closed to them).
struct SharedBase {
    QTemporaryDir dir{QStringLiteral("/tmp/nvmedia-XXXXXX")};
    SharedBase()
    {
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                              | QFileDevice::ReadOther | QFileDevice::ExeOther);
    }
    QString path() const { return dir.path(); }
};

// Runs a shell line as another user; true when it succeeded.
bool asUser(uint uid, const QString& line)
{
    const auto r = platform::runProcess(platform::findProgram("setpriv"),
                                        {QStringLiteral("--reuid=%1").arg(uid), QStringLiteral("--regid=%1").arg(uid),
                                         "--clear-groups", "/bin/sh", "-c", line});
    return r.succeeded();
}

QString quoted(const QString& path) { return "'" + path + "'"; }

// Mounts of the device, FUSE servers' mounts included.
int mountsOf(const QString& node)
{
    int n = 0;
    for (const platform::MountEntry& e : platform::readBlockMountTable())
        n += e.device == node;
    return n;
}

// Whether `xml` reads to its end under a strict XML 1.0 reader.
bool strictXml(const QString& xml, QString* why)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError())
        *why = reader.errorString();
    return !reader.hasError();
}

// Runs diskutil in a mount namespace of its own in which `hidden` (a tool)
// reads as an empty, non-executable file.
Answer diskutilHiding(const QString& hidden, const QStringList& args)
{
    const QStringList line = QStringList{"-m", "--propagation", "private", "/bin/sh", "-c",
                                         "mount --bind /dev/null \"$1\" && shift && exec \"$@\"", "sh", hidden,
                                         diskutilPath()} + args;
    platform::ProcessOptions o;
    o.extraEnvironment = {QStringLiteral("NULLVANE_MOUNT_BASE=") + mediaBase()};
    o.timeoutMs = 120000;
    const auto r = platform::runProcess(platform::findProgram("unshare"), line, o);
    return {r.finished ? r.exitCode : -1, QString::fromUtf8(r.standardOutput), QString::fromUtf8(r.standardError)};
}

} // namespace

TEST(DiskutilSafety, FuseVolumesBelongToTheDesktopUserAlone)
{
    if (!nvtest::isRoot() || !haveTool("setpriv"))
        GTEST_SKIP() << "needs root and setpriv to act as other users";
    const SharedBase base;
    const uint desktopUser = 4242;
    for (const FsCase& fs : fileSystems()) {
        if (QLatin1String(fs.mkfsType) == QLatin1String("ext4") || !haveTool(QStringLiteral("mkfs.") + fs.mkfsType))
            continue;
        SCOPED_TRACE(fs.name);
        nvtest::LoopDevice dev(kDiskSize);
        NEED_LOOP(dev);
        ASSERT_TRUE(dev.format(fs.mkfsType, QLatin1String(fs.mkfsType) == QLatin1String("ntfs") ? QStringList{"-F", "-Q"}
                                                                                                   : fs.extra));
        const Answer r = diskutil({"mount", kname(dev)},
                                  {"NULLVANE_MOUNT_BASE=" + base.path(), QStringLiteral("PKEXEC_UID=%1").arg(desktopUser)});
        ASSERT_EQ(r.code, 0) << r.err;
        const QString point = info(kname(dev)).value("MountPoint").toString();
        ASSERT_FALSE(point.isEmpty());
        ASSERT_EQ(mountsOf(dev.device()), 1);
        for (const auto& e : platform::readBlockMountTable()) {
            if (e.device != dev.device())
                continue;
            EXPECT_TRUE(e.options.contains("nodev")) << e.options;
            EXPECT_TRUE(e.options.contains("nosuid")) << e.options;
        }

        // The user it was mounted for reads and writes...
        EXPECT_TRUE(asUser(desktopUser, "echo mine > " + quoted(point + "/mine.txt") + " && cat " + quoted(point + "/mine.txt")));
        // ...anyone else does neither.
        EXPECT_FALSE(asUser(65534, "cat " + quoted(point + "/mine.txt")));
        EXPECT_FALSE(asUser(65534, "echo theirs > " + quoted(point + "/theirs.txt")));
        EXPECT_FALSE(asUser(65534, "ls " + quoted(point)));
        EXPECT_FALSE(QFileInfo::exists(point + "/theirs.txt"));
        EXPECT_EQ(diskutil({"unmount", kname(dev)}, {"NULLVANE_MOUNT_BASE=" + base.path()}).code, 0);
    }
}

TEST(DiskutilSafety, ADeviceNodeOnAVolumeCannotBeOpened)
{
    // A kernel file system (ext4) and a FUSE one (NTFS where the kernel has
    // no driver): both mounts must ignore device nodes on the medium.
    for (const FsCase& fs : fileSystems()) {
        const QString type = QLatin1String(fs.mkfsType);
        if (type != QLatin1String("ext4") && type != QLatin1String("ntfs"))
            continue;
        SCOPED_TRACE(fs.name);
        if (!haveTool(QStringLiteral("mkfs.") + type)) {
            std::cout << "[  SKIPPED ] " << fs.name << ": mkfs." << fs.mkfsType << " is not installed\n";
            continue;
        }
        nvtest::LoopDevice dev(kDiskSize);
        NEED_LOOP(dev);
        ASSERT_TRUE(dev.format(type, type == QLatin1String("ntfs") ? QStringList{"-F", "-Q"} : QStringList{}));
        ASSERT_EQ(diskutil({"mount", kname(dev)}).code, 0);
        const QString point = info(kname(dev)).value("MountPoint").toString();
        ASSERT_FALSE(point.isEmpty());
        struct stat st {};
        ASSERT_EQ(stat(QFile::encodeName(dev.device()).constData(), &st), 0);
        // A node for a disk (our own loop device stands in for the system
        // disk), as a crafted stick would carry it.
        const QByteArray node = QFile::encodeName(point + "/disk");
        const bool made = mknod(node.constData(), S_IFBLK | 0666, st.st_rdev) == 0;
        if (type == QLatin1String("ext4")) {
            EXPECT_TRUE(made) << "ext4 takes device nodes; without one nothing is tested";
        }
        if (made) {
            const int fd = open(node.constData(), O_RDONLY | O_CLOEXEC);
            const int err = errno;
            if (fd >= 0)
                close(fd);
            EXPECT_LT(fd, 0) << "a device node on the volume opened the disk it names";
            EXPECT_EQ(err, EACCES);
        }
        EXPECT_EQ(diskutil({"unmount", kname(dev)}).code, 0);
    }
}

TEST(DiskutilSafety, TwoMountsAtOnceMountTheVolumeOnceAndUnmountTakesEveryMount)
{
    if (!haveTool("fusefat"))
        GTEST_SKIP() << "fusefat is not installed";
    nvtest::LoopDevice dev(kDiskSize);
    NEED_LOOP(dev);
    ASSERT_TRUE(dev.format("vfat", {"-F", "32", "-n", "TWICE"}));
    // Whatever happens, no server stays behind on our device.
    auto cleanup = qScopeGuard([&] {
        for (int i = 0; i < 8 && mountsOf(dev.device()) > 0; ++i)
            for (const platform::MountEntry& e : platform::readBlockMountTable())
                if (e.device == dev.device())
                    platform::runProcess("umount", {e.mountPoint});
    });
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NULLVANE_MOUNT_BASE", mediaBase());
    for (int attempt = 0; attempt < 3; ++attempt) {
        QProcess a, b;
        for (QProcess* p : {&a, &b})
            p->setProcessEnvironment(env);
        a.start(diskutilPath(), {"mount", kname(dev)});
        b.start(diskutilPath(), {"mount", kname(dev)});
        ASSERT_TRUE(a.waitForFinished(60000) && b.waitForFinished(60000));
        EXPECT_EQ(a.exitCode(), 0) << a.readAllStandardError().toStdString();
        EXPECT_EQ(b.exitCode(), 0) << b.readAllStandardError().toStdString();
        EXPECT_EQ(mountsOf(dev.device()), 1) << "attempt " << attempt;
        const Answer r = diskutil({"unmount", kname(dev)});
        EXPECT_EQ(r.code, 0) << r.err;
        ASSERT_EQ(mountsOf(dev.device()), 0) << "attempt " << attempt;
    }

    // Someone else stacks a second server on our folder: unmount takes both.
    ASSERT_EQ(diskutil({"mount", kname(dev)}).code, 0);
    const QString point = info(kname(dev)).value("MountPoint").toString();
    ASSERT_TRUE(platform::runProcess(platform::findProgram("fusefat"), {"-o", "ro,nonempty", dev.device(), point}).succeeded());
    ASSERT_EQ(mountsOf(dev.device()), 2);
    const Answer r = diskutil({"unmount", kname(dev)});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(mountsOf(dev.device()), 0);
    EXPECT_FALSE(QFileInfo::exists(point));
}

TEST(DiskutilSafety, AMountFolderIsNeverOneThatExistedBefore)
{
    nvtest::LoopDevice dev(kDiskSize);
    NEED_LOOP(dev);
    const QString label = uniqueLabel("F");
    ASSERT_TRUE(dev.format("ext4", {"-L", label}));
    // An empty folder with the volume's name, made by someone else.
    const QString planted = mediaBase() + "/" + label;
    ASSERT_TRUE(QDir().mkpath(planted));
    ASSERT_EQ(diskutil({"mount", kname(dev)}).code, 0);
    const QString point = info(kname(dev)).value("MountPoint").toString();
    EXPECT_NE(point, planted);
    EXPECT_EQ(QFileInfo(point).path(), mediaBase());
    EXPECT_EQ(diskutil({"unmount", kname(dev)}).code, 0);
    EXPECT_TRUE(QFileInfo(planted).isDir()) << "someone else's folder went with our mount";
}

// Unmount removes a folder under the base only when it carries our mark: an
// empty folder someone else made there and mounted on stays. Ours keeps its
// mark through a mount that went without us, and goes at the next unmount
// whoever mounted on it.
TEST(DiskutilSafety, UnmountRemovesOnlyAFolderThatCarriesOurMark)
{
    nvtest::LoopDevice dev(kDiskSize);
    NEED_LOOP(dev);
    ASSERT_TRUE(dev.format("ext4", {"-L", uniqueLabel("M")}));
    const auto marked = [](const QString& folder) {
        return lgetxattr(QFile::encodeName(folder).constData(), "trusted.nullvane.mountfolder", nullptr, 0) >= 0;
    };

    const QString theirs = mediaBase() + "/" + uniqueLabel("T");
    ASSERT_TRUE(QDir().mkpath(theirs));
    ASSERT_TRUE(platform::runProcess("mount", {"-t", "ext4", dev.device(), theirs}).succeeded());
    Answer r = diskutil({"unmount", kname(dev)});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(mountsOf(dev.device()), 0);
    EXPECT_TRUE(QFileInfo(theirs).isDir()) << "a folder that is not ours went with the volume";
    EXPECT_FALSE(marked(theirs));

    ASSERT_EQ(diskutil({"mount", kname(dev)}).code, 0);
    const QString ours = info(kname(dev)).value("MountPoint").toString();
    ASSERT_FALSE(ours.isEmpty());
    ASSERT_TRUE(platform::runProcess("umount", {ours}).succeeded());
    EXPECT_TRUE(marked(ours)) << "our folder lost its mark under the mount";
    ASSERT_TRUE(platform::runProcess("mount", {"-t", "ext4", dev.device(), ours}).succeeded());
    r = diskutil({"unmount", kname(dev)});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_FALSE(QFileInfo::exists(ours)) << "the folder made for the volume stays behind";
}

TEST(DiskutilSafety, AVolumeComesBackInTheFolderNamedAfterIt)
{
    nvtest::LoopDevice dev(kDiskSize);
    NEED_LOOP(dev);
    const QString label = uniqueLabel("N");
    const QString named = mediaBase() + "/" + label;
    ASSERT_TRUE(dev.format("ext4", {"-L", label}));

    // Erased again and again under the same name: the folder of each mount
    // goes with it, so the next one is not "NAME 1".
    for (int round = 0; round < 2; ++round) {
        const Answer r = diskutil({"eraseVolume", "ext4", label, kname(dev)});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(info(kname(dev)).value("MountPoint").toString(), named) << "round " << round;
    }

    // A mount that went without us leaves its folder; the next mount takes
    // that empty folder of ours again, and its unmount removes it.
    ASSERT_TRUE(platform::runProcess("umount", {named}).succeeded());
    ASSERT_TRUE(QFileInfo(named).isDir());
    ASSERT_EQ(diskutil({"mount", kname(dev)}).code, 0);
    EXPECT_EQ(info(kname(dev)).value("MountPoint").toString(), named);
    EXPECT_EQ(diskutil({"unmount", kname(dev)}).code, 0);
    EXPECT_FALSE(QFileInfo::exists(named)) << "the folder made for the volume stays behind";
    EXPECT_TRUE(QDir(mediaBase()).entryList({label + "*"}, QDir::Dirs).isEmpty());
}

TEST(DiskutilSafety, EraseAndReformatWithTheirMkfsToolMissingChangeNothing)
{
    if (!haveTool("unshare") || !haveTool("mkfs.exfat"))
        GTEST_SKIP() << "unshare and mkfs.exfat are needed";
    nvtest::LoopDevice dev(kDiskSize);
    NEED_LOOP(dev);
    const QString mkfsExfat = QFileInfo(platform::findProgram("mkfs.exfat")).canonicalFilePath();

    ASSERT_TRUE(dev.format("ext4", {"-L", "KEEPME"}));
    QByteArray before = digest(dev.image());
    Answer r = diskutilHiding(mkfsExfat, {"eraseVolume", "ExFAT", "NEW", kname(dev)});
    if (r.err.contains("unshare:"))
        GTEST_SKIP() << "no private mount namespace here: " << r.err;
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains("no tool")) << r.err;
    EXPECT_FALSE(r.out.contains("Started erase")) << r.out;
    EXPECT_EQ(digest(dev.image()), before) << "the volume changed although nothing could be made";

    ASSERT_TRUE(dev.format("exfat", {"-L", "KEEPEX"}));
    before = digest(dev.image());
    r = diskutilHiding(mkfsExfat, {"reformat", kname(dev)});
    EXPECT_NE(r.code, 0);
    EXPECT_EQ(digest(dev.image()), before);
    EXPECT_EQ(info(kname(dev)).value("VolumeName").toString(), "KEEPEX");
}

// Another system may write a FAT label that starts with a blank, which
// mkfs.fat refuses: a reformat (the first step of Wipe Volume) drops those
// blanks from the name nobody typed; a name typed so is still refused.
TEST(DiskutilSafety, AFatLabelStartingWithABlankIsReformattedWithoutIt)
{
    if (!haveTool("mkfs.fat") || !haveTool("fusefat"))
        GTEST_SKIP() << "a FAT volume needs mkfs.fat (dosfstools) and fusefat";
    nvtest::LoopDevice dev(kDiskSize);
    NEED_LOOP(dev);
    ASSERT_TRUE(dev.format("vfat", {"-F", "32", "-n", "XDATA"}));
    {
        // The label as that other system left it, in the boot sectors and in
        // the root folder's label entry alike.
        QFile disk(dev.device());
        ASSERT_TRUE(disk.open(QIODevice::ReadWrite));
        QByteArray head = disk.read(4 * 1024 * 1024);
        ASSERT_GE(head.count("XDATA      "), 2);
        head.replace("XDATA      ", " DATA      ");
        ASSERT_TRUE(disk.seek(0));
        ASSERT_EQ(disk.write(head), head.size());
        ASSERT_EQ(::fsync(disk.handle()), 0);
    }
    const QVariantMap before = info(kname(dev));
    ASSERT_EQ(before.value("VolumeName").toString(), " DATA");

    const Answer r = diskutil({"reformat", kname(dev)});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QVariantMap after = info(kname(dev));
    EXPECT_EQ(after.value("FilesystemName").toString(), "MS-DOS FAT32");
    EXPECT_EQ(after.value("VolumeName").toString(), "DATA");
    EXPECT_NE(after.value("VolumeUUID").toString(), before.value("VolumeUUID").toString());
    EXPECT_FALSE(after.value("MountPoint").toString().isEmpty());

    const Answer typed = diskutil({"rename", kname(dev), " DATA"});
    EXPECT_NE(typed.code, 0);
    EXPECT_TRUE(typed.err.contains("may not start with a blank")) << typed.err.toStdString();
    EXPECT_EQ(info(kname(dev)).value("VolumeName").toString(), "DATA");
    EXPECT_EQ(diskutil({"unmount", kname(dev)}).code, 0);
}

TEST(DiskutilSafety, AShortNtfsLabelWithAControlCharacterIsReadAgainByTheNtfsTools)
{
    if (!haveTool("mkfs.ntfs") || !haveTool("ntfslabel"))
        GTEST_SKIP() << "the NTFS tools (ntfs-3g) are not installed";
    nvtest::LoopDevice dev(kDiskSize);
    NEED_LOOP(dev);
    ASSERT_TRUE(dev.format("ntfs", {"-F", "-Q", "-L", QStringLiteral("ab\x01" "cd")}));
    // The real ntfslabel behind one that notes it was asked.
    const QString bin = nvtest::freshFolder("fakebin");
    const QString asked = bin + "/asked";
    nvtest::writeFile(bin + "/ntfslabel", QStringLiteral("#!/bin/sh\necho \"$@\" >> '%1'\nexec '%2' \"$@\"\n")
                                              .arg(asked, platform::findProgram("ntfslabel"))
                                              .toUtf8());
    QFile::setPermissions(bin + "/ntfslabel", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const Answer a = diskutil({"info", "-plist", kname(dev)}, {"PATH=" + bin + ":" + qEnvironmentVariable("PATH")});
    ASSERT_EQ(a.code, 0) << a.err;
    EXPECT_TRUE(QFileInfo::exists(asked));
    EXPECT_EQ(a.plist().value("VolumeName").toString(), "abcd");
}

TEST(DiskutilSafety, ALongNtfsLabelIsReadWholeAsValidXmlAndKeptByReformat)
{
    if (!haveTool("mkfs.ntfs") || !haveTool("ntfslabel"))
        GTEST_SKIP() << "the NTFS tools (ntfs-3g) are not installed";
    nvtest::LoopDevice dev(kDiskSize);
    NEED_LOOP(dev);
    QString label;
    for (int i = 0; i < 100; ++i)
        label += QChar(u'a' + i % 26);
    ASSERT_TRUE(dev.format("ntfs", {"-F", "-Q", "-L", label}));

    for (const QStringList& args : {QStringList{"info", "-plist", kname(dev)}, QStringList{"list", "-plist"}}) {
        const Answer a = diskutil(args);
        ASSERT_EQ(a.code, 0) << a.err;
        QString why;
        EXPECT_TRUE(strictXml(a.out, &why)) << args.join(' ') << ": " << why;
    }
    EXPECT_EQ(info(kname(dev)).value("VolumeName").toString(), label);

    const Answer r = diskutil({"reformat", kname(dev)});
    ASSERT_EQ(r.code, 0) << r.err;
    // Mounted again by the reformat: the label is read all the same.
    QVariantMap i = info(kname(dev));
    EXPECT_FALSE(i.value("MountPoint").toString().isEmpty());
    EXPECT_EQ(i.value("VolumeName").toString(), label);
    EXPECT_EQ(diskutil({"unmount", kname(dev)}).code, 0);
    EXPECT_EQ(info(kname(dev)).value("VolumeName").toString(), label);
}
