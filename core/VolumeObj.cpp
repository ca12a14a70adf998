#include "VolumeObj.h"

namespace {

// The disk wipe gives a device path, the volume enumeration a bare
// identifier; either names the node.
QString deviceNode(const VolumeObj& v)
{
    if (!v.volRootDir().isEmpty())
        return v.volRootDir();
    const QString& p = v.volumePath();
    if (p.isEmpty() || p.startsWith(QLatin1Char('/')))
        return p;
    return QStringLiteral("/dev/") + p;
}

} // namespace

bool isSameVolume(const VolumeObj& a, const VolumeObj& b)
{
    const QString node = deviceNode(a);
    return !node.isEmpty() && node == deviceNode(b) && a.volumeUUID() == b.volumeUUID()
           && a.diskUUID() == b.diskUUID();
}
