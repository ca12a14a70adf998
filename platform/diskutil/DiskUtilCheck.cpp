// The disk utility's "verifyvolume" and "repairvolume" verbs: the file
// system's checker on the unmounted volume, its output line by line, and the
// volume mounted again.

#include "DiskUtil.h"
#include "DiskUtilShared.h"

namespace diskutil {

int DiskUtil::doCheck(const QString& target, bool repair)
{
    const BlockDevice* d = resolveChangeable(target);
    if (!d)
        return 1;
    const FsKind kind = changeableKind(*d, QStringLiteral("checked"));
    if (kind == FsKind::None)
        return 1;
    const QString what = repair ? QStringLiteral("repair") : QStringLiteral("verification");
    const QString label = nameOf(*d);
    const QString fsName = filesystemName(fsTypeOf(*d), d->facts.fsVersion);
    const QString deviceName = d->name;
    const QString node = d->node;
    out_(QStringLiteral("Started file system %1 on %2 (%3)").arg(what, deviceName, label));

    const QStringList points = mountPointsOf(*d);
    if (!points.isEmpty()) {
        out_(QStringLiteral("Unmounting %1").arg(points.join(QStringLiteral(", "))));
        if (!unmountOne(*d))
            return 1;
    }

    QString program;
    QStringList args;
    QList<int> good{0};
    if (isExtKind(kind)) {
        program = tool(QStringLiteral("e2fsck"));
        args = {QStringLiteral("-f"), repair ? QStringLiteral("-y") : QStringLiteral("-n"), node};
        if (repair)
            good = {0, 1, 2};
    } else if (isFatKind(kind)) {
        program = tool(QStringLiteral("fsck.fat"));
        args = {repair ? QStringLiteral("-a") : QStringLiteral("-n"), QStringLiteral("-v"), node};
        if (repair)
            good = {0, 1};
    } else if (kind == FsKind::ExFat) {
        program = tool(QStringLiteral("fsck.exfat"));
        args = {repair ? QStringLiteral("-y") : QStringLiteral("-n"), node};
        if (repair)
            good = {0, 1};
    } else {
        program = tool(QStringLiteral("ntfsfix"));
        args = repair ? QStringList{node} : QStringList{QStringLiteral("-n"), node};
    }

    int status = 0;
    if (program.isEmpty()) {
        err_(QStringLiteral("There is no tool to check %1 volumes on this system").arg(fsName));
        status = 1;
    } else {
        out_(repair ? QStringLiteral("Repairing file system") : QStringLiteral("Checking file system"));
        // Most checkers buffer their output when it goes to a pipe; stdbuf
        // makes them hand over each line as it is written.
        const QString stdbuf = tool(QStringLiteral("stdbuf"));
        QString runProgram = program;
        QStringList runArgs = args;
        if (!stdbuf.isEmpty()) {
            runArgs = QStringList{QStringLiteral("-oL"), QStringLiteral("-eL"), program} + args;
            runProgram = stdbuf;
        }
        const platform::ProcessResult r = tools_.stream(runProgram, runArgs, out_);
        const bool ok = r.started && r.finished && !r.crashed && good.contains(r.exitCode);
        if (ok) {
            out_(repair ? QStringLiteral("The volume %1 was repaired successfully").arg(label)
                        : QStringLiteral("The volume %1 appears to be OK").arg(label));
        } else {
            if (!repair && r.started && r.finished)
                out_(QStringLiteral("The volume %1 was found corrupt and needs to be repaired").arg(label));
            err_(r.started ? QStringLiteral("File system check exit code is %1").arg(r.exitCode)
                           : QStringLiteral("The file system check could not be started"));
            status = 1;
        }
    }

    if (!points.isEmpty()) {
        probe(deviceName, true);
        if (const BlockDevice* again = devices_.find(deviceName)) {
            for (const QString& at : points)
                if (!mountOne(*again, at))
                    status = 1;
        }
    }
    out_(QStringLiteral("Finished file system %1 on %2 (%3)").arg(what, deviceName, label));
    return status;
}

} // namespace diskutil
