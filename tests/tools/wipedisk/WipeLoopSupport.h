#pragma once
// Whole disk-wipe runs on loop volumes the tests make themselves (root only):
// volumes mounted by our disk utility under a media folder inside the test
// root, found by the real scan, wiped by the real run and fill.

#include "WipeTestSupport.h"

#include "core/DoDataBase.h"
#include "platform/Defaults.h"
#include "platform/FileAttributes.h"
#include "platform/FillFile.h"
#include "platform/Locations.h"
#include "platform/Process.h"
#include "platform/SecureRandom.h"
#include "tools/wipedisk/WipeVolumeScan.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>

namespace wipeloop {

inline QString diskutilPath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/diskutil"); }

// Where our disk utility mounts, inside the test root's media folder, so the
// scan lists what it mounts and nothing of the real machine.
inline QString mountBase()
{
    const QString base = platform::mapLocation(QStringLiteral("/media")) + QStringLiteral("/tester");
    QDir().mkpath(base);
    return base;
}

inline void prepareEnvironment()
{
    qputenv("NULLVANE_MOUNT_BASE", QFile::encodeName(mountBase()));
    qunsetenv("NULLVANE_DISKUTIL");
    qunsetenv("NULLVANE_PKEXEC");
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 1);
}

inline platform::ProcessResult diskutil(const QStringList& args)
{
    platform::ProcessOptions o;
    o.timeoutMs = 120000;
    return platform::runProcess(diskutilPath(), args, o);
}

using nvtest::haveTool;

// A marker unique to this run, and a file full of it.
inline QByteArray newMarker(const char* kind)
{
    quint8 random[12];
    platform::secureRandomBytes(random, sizeof random);
    return QByteArray("NVWIPE-") + kind + "-" + QByteArray(reinterpret_cast<const char*>(random), sizeof random).toHex();
}

inline bool writeMarkerFile(const QString& path, const QByteArray& marker, qint64 bytes = 1 << 20)
{
    return nvtest::writeFile(path, marker.repeated(int(bytes / marker.size())));
}

// Data to keep and data to wipe on the volume at `point`: `live` in the file
// `liveFile` and `gone` in a file deleted again, each written to the disk.
inline bool writeLiveAndDeleted(const QString& point, const QString& liveFile, const QByteArray& live,
                                const QByteArray& gone)
{
    const QString deleted = point + QStringLiteral("/deleted.bin");
    if (!writeMarkerFile(point + liveFile, live) || !writeMarkerFile(deleted, gone))
        return false;
    platform::syncFileSystemAt(point);
    if (!QFile::remove(deleted))
        return false;
    platform::syncFileSystemAt(point);
    return true;
}

inline QByteArray digestOf(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return h.result();
}

// A loop volume with a file system, mounted by the disk utility; unmounted
// again (by the disk utility) before the device is detached.
struct LoopVolume {
    LoopVolume(qint64 bytes, const QString& mkfsType, const QStringList& mkfsArgs, const QString& tool)
        : loop(bytes)
    {
        if (!loop.valid()) {
            why = loop.skipReason();
            return;
        }
        for (const QString& t : {QStringLiteral("mkfs.") + mkfsType, tool}) {
            if (!t.isEmpty() && !haveTool(t)) {
                why = QStringLiteral("%1 is not installed").arg(t);
                return;
            }
        }
        if (!loop.format(mkfsType, mkfsArgs)) {
            why = QStringLiteral("mkfs.%1 failed on %2").arg(mkfsType, loop.device());
            return;
        }
        const auto r = diskutil({QStringLiteral("mount"), loop.device()});
        if (!r.succeeded()) {
            why = QStringLiteral("our disk utility cannot mount it: %1").arg(QString::fromUtf8(r.standardError));
            return;
        }
    }
    ~LoopVolume()
    {
        if (loop.valid())
            unmount();
    }
    bool unmount()
    {
        const auto r = diskutil({QStringLiteral("unmount"), loop.device()});
        // A FUSE server may still write its buffers out.
        QThread::msleep(100);
        return r.succeeded();
    }
    QVariantMap facts() const { return wipescan::getDisjInfo(loop.device()); }
    QString mountPoint() const { return facts().value(QStringLiteral("MountPoint")).toString(); }

    nvtest::LoopDevice loop;
    QString why;
};


// The record the real scan makes of `device`.
inline VolumeObjPtr scannedRecord(const QString& device)
{
    WipeVolumeScanner scanner;
    QList<VolumeObjPtr> found;
    bool done = false;
    QObject::connect(&scanner, &WipeVolumeScanner::scanFinished, [&](const QList<VolumeObjPtr>& v) {
        found = v;
        done = true;
    });
    scanner.getallVolumes();
    nvtest::pumpUntil([&] { return done; }, 30000);
    for (const VolumeObjPtr& v : found)
        if (v->volRootDir() == device)
            return v;
    return nullptr;
}

// The real run with its real fill, on the record of `device`.
struct RealRun {
    RealRun()
    {
        run.setTimings(1000, 300, 5);
        QObject::connect(&run, &WipeDiskRun::runEnded, [this](bool s, bool c) {
            ended = true, success = s, cancelled = c;
        });
        QObject::connect(&run, &WipeDiskRun::tabsLocked, [this](bool l) { locks << l; });
        before = wipetest::historyRows().size();
    }
    bool wait(int ms = 150000) { return nvtest::pumpUntil([this] { return ended; }, ms); }

    QList<HistoryRow> newRows() const { return wipetest::historyRows().mid(before); }

    WipeDiskRun run;
    bool ended = false, success = false, cancelled = false;
    QList<bool> locks;
    qsizetype before = 0;
};

} // namespace wipeloop
