// The disk utility's "eraseVolume" and "reformat" verbs: a new file system
// of the asked kind, every tool looked for before the first change, then
// mounted.

#include "DiskUtil.h"
#include "DiskUtilShared.h"

namespace diskutil {

int DiskUtil::doErase(const QString& personality, const QString& requested, const QString& target)
{
    const BlockDevice* d = resolveChangeable(target);
    if (!d)
        return 1;
    if (!d->isPartition && !d->partitions.isEmpty())
        return fail(QStringLiteral("%1 is a disk with partitions; name one of its volumes").arg(d->name));
    const FsKind kind = kindOfPersonality(personality);
    // Refused before any tool runs: the old file system is still whole.
    if (const QString problem = isFatKind(kind) ? fatNameProblem(requested) : QString(); !problem.isEmpty())
        return fail(QStringLiteral("%1 was not erased: %2").arg(d->name, problem));
    const QString name = normaliseVolumeName(kind, requested);
    const QString deviceName = d->name;
    const QString node = d->node;
    const bool wholeDisk = !d->isPartition;

    QString program;
    QStringList args;
    if (isFatKind(kind)) {
        program = tool(QStringLiteral("mkfs.fat"));
        if (kind == FsKind::Fat32)
            args << QStringLiteral("-F") << QStringLiteral("32");
        else if (kind == FsKind::Fat16)
            args << QStringLiteral("-F") << QStringLiteral("16");
        else if (kind == FsKind::Fat12)
            args << QStringLiteral("-F") << QStringLiteral("12");
        if (!name.trimmed().isEmpty())
            args << QStringLiteral("-n") << name;
        if (wholeDisk)
            args << QStringLiteral("-I");
    } else if (kind == FsKind::ExFat) {
        program = tool(QStringLiteral("mkfs.exfat"));
        if (!name.isEmpty())
            args << QStringLiteral("-L") << name;
    } else if (kind == FsKind::Ntfs) {
        program = tool(QStringLiteral("mkfs.ntfs"));
        args << QStringLiteral("-F") << QStringLiteral("-Q");
        if (!name.isEmpty())
            args << QStringLiteral("-L") << name;
    } else {
        program = tool(QStringLiteral("mkfs.") + personalityOf(kind));
        args << QStringLiteral("-F") << QStringLiteral("-q");
        if (!name.isEmpty())
            args << QStringLiteral("-L") << name;
        if (settings_.userId != 0)
            args << QStringLiteral("-E") << QStringLiteral("root_owner=%1:%2").arg(settings_.userId).arg(settings_.groupId);
    }

    // Every tool the erase needs is looked for before the first change: a
    // volume whose signatures were wiped and no file system made is lost.
    if (program.isEmpty())
        return fail(QStringLiteral("There is no tool to create %1 volumes on this system").arg(personalityOf(kind)));
    const bool mounted = !mountPointsOf(*d).isEmpty();
    if (mounted && tool(QStringLiteral("umount")).isEmpty())
        return fail(QStringLiteral("There is no umount on this system"));
    BlockDevice made = *d;
    made.facts.fsType = blkidTypeOf(kind);
    made.facts.fsUsage = QStringLiteral("filesystem");
    made.facts.fsVersion = isFatKind(kind) ? QStringLiteral("FAT32") : QString();
    if (mountCommand(made, QStringLiteral("/")).program.isEmpty())
        return fail(QStringLiteral("There is no driver to mount %1 volumes on this system").arg(personalityOf(kind)));

    out_(QStringLiteral("Started erase on %1").arg(deviceName));
    if (mounted) {
        out_(QStringLiteral("Unmounting disk"));
        if (!unmountOne(*d))
            return 1;
    }
    out_(QStringLiteral("Erasing"));
    // Old signatures of other file systems would make the new one ambiguous.
    const QString wipefs = tool(QStringLiteral("wipefs"));
    if (!wipefs.isEmpty())
        tools_.run(wipefs, {QStringLiteral("-a"), node});

    args << node;
    const platform::ProcessResult r = tools_.run(program, args);
    if (!r.succeeded())
        return fail(QStringLiteral("Erasing %1 failed: %2").arg(deviceName, why(r)));
    out_(QStringLiteral("Initialized %1 as %2 volume with name %3").arg(node, personalityOf(kind), name));

    probe(deviceName, true);
    const BlockDevice* fresh = devices_.find(deviceName);
    out_(QStringLiteral("Mounting disk"));
    if (!fresh || !mountOne(*fresh))
        return 1;
    out_(QStringLiteral("Finished erase on %1 %2").arg(deviceName, name));
    return 0;
}

int DiskUtil::doReformat(const QString& target)
{
    const BlockDevice* d = resolveChangeable(target);
    if (!d)
        return 1;
    const FsKind kind = kindOf(fsTypeOf(*d), d->facts.fsVersion);
    if (kind == FsKind::None)
        return fail(QStringLiteral("%1 holds no file system that can be reformatted here").arg(d->name));
    // The volume's own name again, as far as FAT holds it: a label another
    // system wrote in its code page reads back with characters FAT cannot
    // take here, or with leading blanks mkfs.fat refuses, and a reformat (the
    // disk wipe's first step) must not fail on a name nobody typed.
    return doErase(personalityOf(kind), normaliseVolumeName(kind, d->facts.label), d->name);
}

} // namespace diskutil
