// The disk utility's "rename" verb: each file system's label tool, with the
// volume unmounted and mounted again where the tool needs it.

#include "DiskUtil.h"
#include "DiskUtilShared.h"

#include <QDir>
#include <QFileInfo>

namespace diskutil {

int DiskUtil::doRename(const QString& target, const QString& requested)
{
    const BlockDevice* d = resolveChangeable(target);
    if (!d)
        return 1;
    const FsKind kind = changeableKind(*d, QStringLiteral("renamed"));
    if (kind == FsKind::None)
        return 1;
    // A FAT label holds part of ASCII only: another name is refused before
    // the volume is unmounted, never written as underscores.
    if (const QString problem = isFatKind(kind) ? fatNameProblem(requested) : QString(); !problem.isEmpty())
        return fail(QStringLiteral("Volume on %1 could not be renamed: %2").arg(d->name, problem));
    const QString name = normaliseVolumeName(kind, requested);
    const QString deviceName = d->name;
    const QString node = d->node;

    // The FUSE servers and the NTFS tools must not have the volume open while
    // its label is rewritten; ext labels may change while mounted.
    const QStringList points = mountPointsOf(*d);
    bool unmounted = false;
    if (!points.isEmpty()) {
        unmounted = unmountOne(*d, isExtKind(kind));
        if (!unmounted && !isExtKind(kind))
            return 1;
    }
    QString program;
    QStringList args;
    if (isExtKind(kind)) {
        // tune2fs takes the label as an option's value, so a label that starts
        // with "-" is still a label.
        program = tool(QStringLiteral("tune2fs"));
        args = {QStringLiteral("-L"), name, node};
    } else if (isFatKind(kind)) {
        program = tool(QStringLiteral("fatlabel"));
        if (name.trimmed().isEmpty())
            args = {QStringLiteral("-r"), QStringLiteral("--"), node};
        else
            args = {QStringLiteral("--"), node, name};
    } else if (kind == FsKind::ExFat) {
        // exfatlabel knows no "--"; told to stop at the first operand it reads
        // a name that begins with "-" as a name.
        program = tool(QStringLiteral("env"));
        args = {QStringLiteral("POSIXLY_CORRECT=1"), tool(QStringLiteral("exfatlabel")), node, name};
    }
    int status = 0;
    if (kind == FsKind::Ntfs) {
        QString error = QStringLiteral("no label writer for NTFS");
        if (!tools_.writeNtfsLabel || !tools_.writeNtfsLabel(node, name, &error)) {
            err_(QStringLiteral("Volume on %1 could not be renamed: %2").arg(deviceName, error));
            status = 1;
        }
    } else {
        const platform::ProcessResult r = program.isEmpty() ? platform::ProcessResult{} : tools_.run(program, args);
        if (!r.succeeded()) {
            err_(QStringLiteral("Volume on %1 could not be renamed: %2")
                     .arg(deviceName, program.isEmpty() ? QStringLiteral("no label tool for this file system") : why(r)));
            status = 1;
        }
    }
    probe(deviceName, true);
    if (unmounted) {
        const BlockDevice* again = devices_.find(deviceName);
        // Back where it was, unless that was a folder of ours named after the
        // old name: then a folder named after the new one.
        QString at = points.first();
        if (QFileInfo(at).path() == QDir::cleanPath(settings_.mountBase) || !QFileInfo::exists(at))
            at.clear();
        if (!again || !mountOne(*again, at))
            status = 1;
    }
    if (status == 0)
        out_(QStringLiteral("Volume on %1 renamed to %2").arg(deviceName, name));
    return status;
}

} // namespace diskutil
