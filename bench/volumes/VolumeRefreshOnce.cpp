// One refresh of the Disk tools' volume list, as the screen asks for it:
// prints how many volumes it found. For timing the whole process from
// outside, beside `lsblk -J -O`.

#include "core/CVolumeMgr.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const auto volumes = CVolumeMgr().enumDiskVolumesInfo();
    if (!volumes)
        return 1;
    std::printf("%lld volumes\n", static_cast<long long>(volumes->size()));
    return 0;
}
