// The pass loop of a fill run: once per pass the fill folder is made, filled
// until the volume is full and removed again, and the pass is reported.
#include "FreeSpaceFillEngineShared.h"

#include "WipeVolumeScan.h"

#include "platform/Dispatch.h"
#include "platform/MountTable.h"

#include <QThread>

#include <algorithm>
#include <unistd.h>

using namespace fillengine;

// Whether the file system on the chosen device is still the one chosen.
// Another medium given the same node and mount point (a stick swapped for
// another) passes every look at the mount; its UUIDs, read as the scan read
// the chosen one's (the disk utility: from the device as root, else from the
// udev record), tell it apart. A record that names no UUID, since none could
// be read, is known by its device and mount point alone.
bool FreeSpaceFillEngine::Shared::isChosenFileSystem(const Target& t)
{
    if (t.volumeUUID.isEmpty())
        return true;
    VolumeObj chosen;
    chosen.setVolRootDir(t.deviceNode);
    chosen.setVolumeUUID(t.volumeUUID);
    chosen.setDiskUUID(t.diskUUID);
    const VolumeObjPtr now = wipescan::volumeFromFacts(wipescan::getDisjInfo(t.deviceNode));
    if (now && isSameVolume(chosen, *now))
        return true;
    platform::logNames(QStringLiteral("%1 now holds another file system (%2 %3, chosen %4 %5); nothing is written")
                           .arg(t.deviceNode, now ? now->volumeUUID() : QString(), now ? now->diskUUID() : QString(),
                                t.volumeUUID, t.diskUUID));
    return false;
}

// Whether the volume the run holds is still where the record says. A
// volume that went (unmounted, even lazily) stops the pass: nothing more
// is written, so nothing can land on whatever is mounted there now.
bool FreeSpaceFillEngine::Shared::volumeStays(const platform::VolumeRoot* volume)
{
    QString why;
    if (!volume || volume->stillMounted(&why))
        return true;
    platform::logNames(QStringLiteral("The volume is gone: %1").arg(why));
    return false;
}

// Answers false when the volume went away before the last file.
bool FreeSpaceFillEngine::Shared::roundOne(qint64 roundCount, const Folder& folder, const platform::VolumeRoot* volume)
{
    for (qint64 k = 1; k <= roundCount; ++k) {
        if (isCancelEraser.load())
            return true;
        if (!volumeStays(volume))
            return false;
        createDydFile(folder, k);
        platform::log(QStringLiteral("%1---------------------: %2").arg(iRoundTimes.load()).arg(roundCount));
    }
    return true;
}

void FreeSpaceFillEngine::Shared::scheduleComplite(const QPointer<FreeSpaceFillEngine>& engine)
{
    platform::dispatch::after(kCompliteDelayMs, [engine] {
        if (engine && engine->delegate_)
            engine->delegate_->showComplite();
    });
}

// One pass's files inside the fill folder, which exists. Answers false
// when the volume went away during the pass.
bool FreeSpaceFillEngine::Shared::fillPass(const platform::VolumeRoot& volume, const Folder& folder)
{
    // The budget is what the file system has free at the start of each
    // pass, once the folder exists and the reserved clusters are lent,
    // not the record's figure: that was taken before the run, misses what
    // changed since (the previous pass, other writers) and, for root,
    // leaves out the blocks only root may write. With the full files a
    // little larger than the budget unit, the pass then always runs the
    // volume full.
    qint64 budget = std::max<qint64>(0, platform::writableFreeBytesOf(folder.fd));
    // Some FUSE drivers (fusefat) answer statfs with zeros. The record's
    // figure may be short of what is free now (files deleted since it was
    // read, a table the driver has not written back yet), so such a file
    // system is given its whole size and filled until it is full.
    if (budget == 0 && platform::fileSystemSpaceOf(folder.fd).totalBytes == 0) {
        const Target t = targetCopy();
        budget = std::max<qint64>({0, t.freeBytes, t.totalBytes});
    }
    const FillLayout layout = fillLayoutFor(budget);
    if (!roundOne(layout.roundCount, folder, &volume))
        return false;
    if (!isCancelEraser.load() && !volumeStays(&volume))
        return false;
    writLostData(layout.loseCount, layout.roundCount, folder);
    return true;
}

void FreeSpaceFillEngine::Shared::run(const QPointer<FreeSpaceFillEngine>& engine)
{
    struct EndGuard {
        Shared* s;
        ~EndGuard()
        {
            // A fill folder that could not be removed keeps its record, so
            // the next start tries again.
            if (s->scanPath().isEmpty())
                s->endRecord();
            s->markEnded();
        }
    } guard{this};

    const Target t = targetCopy();
    const int total = passes.load();
    // The volume's root is opened once and checked against the record's
    // device; every fill file and the folder are reached from it.
    auto volume = std::make_shared<platform::VolumeRoot>();
    QString why;
    if (volume->open(t.mountPoint, t.deviceNode, &why)) {
        // Asked once the mount is held: a file system put in its place later
        // is another mount, which every pass looks for.
        if (!isChosenFileSystem(t)) {
            platform::log(QStringLiteral("The volume mounted there is not the one chosen; nothing is written"));
            setError(notTheChosenVolumeText());
            scheduleComplite(engine);
            return;
        }
        holdRoot(volume);
    } else {
        platform::logNames(QStringLiteral("The volume is gone: %1").arg(why));
    }

    for (int i = 0; i < total; ++i) {
        ++iRoundTimes;
        if (isCancelEraser.load()) {
            scheduleComplite(engine);
            return;
        }
        const QString folderPath = fillFolderFor(t.mountPoint);
        Folder folder{volume->fd(), -1, QString::fromLatin1(kFillFolderName), folderPath};
        int error = 0;
        if (volume->isOpen() && volumeStays(volume.get())) {
            beginRecord(*volume);
            folder.fd = platform::openFillFolderAt(volume->fd(), folder.name, &error);
            folder.unit = platform::allocationUnitOf(folder.fd, volume->kernelName());
        }
        if (folder.fd < 0) {
            // There is no fallback folder elsewhere (such as the temporary
            // folder): filling another volume wipes nothing of this one.
            if (error != 0)
                platform::logNames(QStringLiteral("Cannot create %1 (errno=%2)").arg(folderPath).arg(error));
            platform::log(QStringLiteral("Create finder fail"));
            setError(QString::fromUtf8(kFolderFailText));
        } else {
            lendReservedClusters(volume->kernelName());
            platform::dispatch::main([engine] {
                if (engine)
                    engine->startProgressUpdateTimer();
            });
            setScanPath(folderPath);
            if (!fillPass(*volume, folder))
                setError(QString::fromUtf8(kFolderFailText));
            ::close(folder.fd);
        }

        platform::dispatch::main([engine] {
            if (engine)
                engine->stopProgressUpdateTimer();
        });
        if (volume->isOpen()) {
            const bool removed = removeFillFolder(volume->fd(), folderPath);
            giveBackReservedClusters();
            if (!removed) {
                setError(QString::fromUtf8(kFolderFailText));
                scheduleComplite(engine);
                return;
            }
            setScanPath(QString());
            platform::syncFileSystemOf(volume->fd());
        }

        const bool last = isCancelEraser.load() || i + 1 == total;
        const int pass = i + 1;
        platform::dispatch::main([engine, pass, total, last] {
            if (engine)
                engine->passReport(pass, total, last);
        });
        if (last)
            break;
    }
    // Nothing of the fill is left on disk: the volume is let go.
    holdRoot(nullptr);
}
