// How long the Disk tools stop the main thread while the selection moves and
// while the table rescans, with many volumes listed. A substitute disk
// utility answers the list at once, so what is measured is the screen's own
// work, not the disks'.
//
//   disktoolsstallbench [volumes]
//
// Target: no stall over 100 ms for either action.

#include "StallProbe.h"

#include "tools/repairdisk/RepairDiskViewController.h"
#include "tools/repairdisk/VolumeScan.h"

#include "platform/PropertyList.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariantMap>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// A list answer of `count` volumes on their own disks, with every volume's
// details in it, as our disk utility gives them in one run.
QVariantMap listAnswer(int count)
{
    QVariantList disks;
    QVariantMap infos;
    for (int i = 0; i < count; ++i) {
        const QString id = QStringLiteral("sdx%1").arg(i + 1);
        const QString name = QStringLiteral("Volume %1").arg(i + 1);
        const QString point = QStringLiteral("/media/u/") + name;
        const QString fs = QStringList{"ExFAT", "MS-DOS FAT32", "NTFS", "ext4"}.at(i % 4);
        disks << QVariantMap{{"DeviceIdentifier", id + "-disk"},
                             {"Content", "GUID_partition_scheme"},
                             {"Partitions", QVariantList{QVariantMap{{"DeviceIdentifier", id},
                                                                     {"Content", "Microsoft Basic Data"},
                                                                     {"MountPoint", point},
                                                                     {"VolumeName", name}}}}};
        infos.insert(id, QVariantMap{{"DeviceIdentifier", id},
                                     {"DeviceNode", "/dev/" + id},
                                     {"ParentWholeDisk", id + "-disk"},
                                     {"VolumeName", name},
                                     {"FilesystemName", fs},
                                     {"MountPoint", point},
                                     {"TotalSize", QVariant::fromValue<qulonglong>(64000000000ULL)},
                                     {"FreeSpace", QVariant::fromValue<qulonglong>(12000000000ULL + i)},
                                     {"BusProtocol", "USB"},
                                     {"Ejectable", true},
                                     {"Writable", true},
                                     {"Content", "Microsoft Basic Data"},
                                     {"DiskUUID", "UUID-" + id.toUpper()}});
    }
    return {{"AllDisksAndPartitions", disks}, {"AllVolumesInfo", infos}};
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int volumes = argc > 1 ? std::max(2, atoi(argv[1])) : 60;

    QTemporaryDir work;
    const QString answer = work.path() + QStringLiteral("/list.plist");
    platform::plist::writeFile(answer, listAnswer(volumes));
    const QString fake = work.path() + QStringLiteral("/diskutil");
    QFile script(fake);
    if (!script.open(QIODevice::WriteOnly))
        return 1;
    script.write(QStringLiteral("#!/bin/sh\n[ \"$1\" = list ] && cat '%1'\nexit 0\n").arg(answer).toUtf8());
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("NULLVANE_DISKUTIL", QFile::encodeName(fake));

    RepairDiskViewController screen(nullptr, false);
    screen.view()->show();
    bench::StallProbe probe;
    const auto scanned = [&](int before) {
        return [&screen, before] { return screen.scan().scansStarted() > before && !screen.isScanV(); };
    };

    // The first scan fills the table; the images are loaded once by it.
    int before = screen.scan().scansStarted();
    screen.getallVolumes();
    if (!probe.runUntil(scanned(before), 60000) || screen.allVolumeArr().size() != volumes) {
        std::printf("disktoolsstallbench: the table did not fill (%d rows)\n", int(screen.allVolumeArr().size()));
        return 1;
    }

    // The selection moves down the table, row after row.
    double selection = 0;
    for (int row = 1; row < volumes; row += std::max(1, volumes / 12)) {
        bool done = false;
        probe.start();
        QTimer::singleShot(0, [&, row] {
            screen.selectRow(row);
            done = true;
        });
        probe.runUntil([&] { return done; }, 60000);
        selection = std::max(selection, probe.longestStallMs());
    }
    bench::reportStall(qPrintable(QStringLiteral("Disk tools: selection change, %1 volumes").arg(volumes)), selection);

    // A mount elsewhere rescans: the table empties and fills again.
    double rescan = 0;
    for (int round = 0; round < 3; ++round) {
        // Past the one-second guard of the scan before.
        bench::StallProbe wait;
        bool waited = false;
        QTimer::singleShot(1100, [&] { waited = true; });
        wait.runUntil([&] { return waited; }, 5000);
        before = screen.scan().scansStarted();
        probe.start();
        screen.getallVolumes();
        if (!probe.runUntil(scanned(before), 60000))
            return 1;
        rescan = std::max(rescan, probe.longestStallMs());
    }
    bench::reportStall(qPrintable(QStringLiteral("Disk tools: rescan, %1 volumes").arg(volumes)), rescan);
    return bench::stallExitCode();
}
