#include "VolumesFolder.h"

#include "FuseMounts.h"
#include "Locations.h"
#include "MountTable.h"

#include <QDir>

namespace platform {

QStringList volumesFolderRoots()
{
    QStringList roots;
    for (const char* folder : {"/media", "/run/media", "/mnt"})
        roots << QDir::cleanPath(mapLocation(QLatin1String(folder)));
    const QString base = qEnvironmentVariable("NULLVANE_MOUNT_BASE");
    if (base.startsWith(QLatin1Char('/')))
        roots << QDir::cleanPath(base);
    roots.removeDuplicates();
    return roots;
}

QList<VolumesFolderEntry> volumesFolderEntries()
{
    const QStringList roots = volumesFolderRoots();
    // The running system's own volume only where no test root stands in for it.
    const bool listRoot = rootPrefix().isEmpty();
    QList<VolumesFolderEntry> entries;
    for (const MountEntry& e : readBlockMountTable()) {
        if (e.device.isEmpty())
            continue;
        bool listed = listRoot && e.mountPoint == QLatin1String("/");
        for (const QString& root : roots)
            listed = listed || e.mountPoint.startsWith(root + QLatin1Char('/'));
        if (!listed)
            continue;
        const QString name = kernelNameOf(e.device);
        if (name.isEmpty())
            continue;
        for (qsizetype i = 0; i < entries.size(); ++i)
            if (entries[i].mountPoint == e.mountPoint)
                entries.removeAt(i--);
        entries.append({e.mountPoint, name});
    }
    return entries;
}

} // namespace platform
