// How long the Disk tools take to rescan their table with eight volumes
// mounted (ext4, FAT32, exFAT and NTFS, two of each, on loop devices), from
// the request to the reloaded table, beside one run of `lsblk -J -O`.
//
//   repairdisk_bench [rounds]
//
// Needs root (loop devices) and the file-system tools. The aim: a rescan
// stays under 300 ms. Each figure is the median of the rounds (default 7).

#include "tools/repairdisk/DiskToolCommands.h"
#include "tools/repairdisk/RepairDiskViewController.h"

#include "core/CVolumeMgr.h"
#include "platform/Process.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

struct Loop {
    QString image;
    QString device;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

void pumpFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    if (geteuid() != 0) {
        std::printf("repairdisk_bench: needs root to attach loop devices; skipped\n");
        return 0;
    }
    QTemporaryDir work(QStringLiteral("/var/tmp/nvbench-XXXXXX"));
    qputenv("NULLVANE_MOUNT_BASE", QFile::encodeName(work.path() + "/media"));

    const QList<std::pair<QString, QStringList>> kinds = {
        {"mkfs.ext4", {"-q", "-F", "-L", "E%1"}},
        {"mkfs.fat", {"-F", "32", "-n", "F%1"}},
        {"mkfs.exfat", {"-L", "X%1"}},
        {"mkfs.ntfs", {"-Q", "-F", "-L", "N%1"}},
    };
    std::vector<Loop> loops;
    bool ok = true;
    for (int copy = 0; copy < 2 && ok; ++copy) {
        for (const auto& [mkfs, args] : kinds) {
            Loop l;
            l.image = work.path() + QStringLiteral("/disk%1.img").arg(loops.size());
            QFile f(l.image);
            if (!f.open(QIODevice::WriteOnly) || !f.resize(48LL * 1000 * 1000)) {
                ok = false;
                break;
            }
            f.close();
            const auto r = platform::runProcess(platform::findProgram("losetup"), {"-f", "--show", l.image});
            l.device = QString::fromLocal8Bit(r.standardOutput).trimmed();
            if (!r.succeeded() || l.device.isEmpty()) {
                std::printf("losetup failed: %s\n", r.standardError.constData());
                ok = false;
                break;
            }
            loops.push_back(l);
            QStringList a;
            for (const QString& x : args)
                a << (x.contains(QLatin1String("%1")) ? x.arg(copy) : x);
            a << l.device;
            const QString tool = platform::findProgram(mkfs);
            if (tool.isEmpty() || !platform::runProcess(tool, a).succeeded()) {
                std::printf("%s failed on %s\n", qPrintable(mkfs), qPrintable(l.device));
                ok = false;
                break;
            }
            const auto m = repairdisk::runMountOrUnmount(QFileInfo(l.device).fileName(), false);
            if (!m.succeeded) {
                std::printf("mount of %s failed: %s\n", qPrintable(l.device), qPrintable(m.error));
                ok = false;
                break;
            }
        }
    }

    std::vector<double> rescans;
    std::vector<double> reloads;
    int rows = 0;
    if (ok) {
        RepairDiskViewController screen(nullptr, false);
        screen.view()->show();
        for (int i = 0; i < rounds + 1; ++i) {
            pumpFor(1100); // both one-second guards
            CVolumeMgr().changeIValue();
            const int before = screen.scan().scansStarted();
            QElapsedTimer t;
            t.start();
            screen.getallVolumes();
            while (!(screen.scan().scansStarted() > before && !screen.isScanV()))
                QApplication::processEvents(QEventLoop::AllEvents, 1);
            const double ms = t.nsecsElapsed() / 1e6;
            if (i > 0) // the first warms the caches
                rescans.push_back(ms);
            rows = int(screen.allVolumeArr().size());
        }
        for (int i = 0; i < rounds; ++i) {
            QElapsedTimer t;
            t.start();
            screen.reloadTable();
            reloads.push_back(t.nsecsElapsed() / 1e6);
        }
    }

    // Where the time goes: the enumeration alone (one disk utility run for
    // the list and one per candidate volume).
    std::vector<double> enumeration;
    for (int i = 0; ok && i < rounds; ++i) {
        pumpFor(1100);
        CVolumeMgr().changeIValue();
        QElapsedTimer t;
        t.start();
        CVolumeMgr().enumDiskVolumesInfo();
        enumeration.push_back(t.nsecsElapsed() / 1e6);
    }

    std::vector<double> lsblk;
    for (int i = 0; ok && i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        platform::runProcess(platform::findProgram("lsblk"), {"-J", "-O"});
        lsblk.push_back(t.nsecsElapsed() / 1e6);
    }

    for (const Loop& l : loops) {
        repairdisk::runMountOrUnmount(QFileInfo(l.device).fileName(), true);
        platform::runProcess(platform::findProgram("losetup"), {"-d", l.device});
    }
    if (!ok)
        return 1;
    std::printf("Disk tools rescan, %d volumes listed (8 loop volumes mounted): median %.1f ms over %d rounds "
                "(min %.1f, max %.1f)\n",
                rows, median(rescans), rounds, *std::min_element(rescans.begin(), rescans.end()),
                *std::max_element(rescans.begin(), rescans.end()));
    std::printf("of which the volume enumeration alone: median %.1f ms\n", median(enumeration));
    std::printf("and the table's reload alone: median %.1f ms\n", median(reloads));
    std::printf("lsblk -J -O: median %.1f ms\n", median(lsblk));
    std::printf("target: rescan under 300 ms: %s\n", median(rescans) < 300 ? "met" : "NOT met");
    return 0;
}
