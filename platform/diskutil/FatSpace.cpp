#include "FatSpace.h"

#include "platform/FillFile.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>

namespace diskutil {

std::optional<qulonglong> fatFreeBytes(const QString& deviceNode)
{
    QFile device(deviceNode);
    if (!device.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return std::nullopt;
    const QByteArray boot = device.read(512);
    // The cluster size, checked as the fill reads it; exFAT and NTFS, which
    // that also knows, have no FAT to count.
    const long long unit = platform::allocationUnitInBootSector(boot);
    if (unit == 0 || boot.mid(3, 8) == "EXFAT   " || boot.mid(3, 8) == "NTFS    ")
        return std::nullopt;
    const auto u8 = [&](int at) { return quint32(static_cast<uchar>(boot[at])); };
    const auto u16 = [&](int at) { return quint32(qFromLittleEndian<quint16>(boot.constData() + at)); };
    const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(boot.constData() + at); };

    const quint32 bytesPerSector = u16(11);
    const quint32 perCluster = u8(13);
    const quint32 reserved = u16(14);
    const quint32 fats = u8(16);
    const quint32 rootEntries = u16(17);
    const quint32 fatSectors = u16(22) ? u16(22) : u32(36);
    const quint64 totalSectors = u16(19) ? u16(19) : u32(32);
    if (reserved == 0 || fats == 0 || fatSectors == 0)
        return std::nullopt;
    const quint64 rootSectors = (quint64(rootEntries) * 32 + bytesPerSector - 1) / bytesPerSector;
    const quint64 metaSectors = reserved + quint64(fats) * fatSectors + rootSectors;
    if (totalSectors <= metaSectors)
        return std::nullopt;
    const quint64 clusters = (totalSectors - metaSectors) / perCluster;
    // The kind follows from the cluster count alone, whatever the label says.
    const int bits = clusters < 4085 ? 12 : clusters < 65525 ? 16 : 32;
    const quint64 fatBytes = quint64(fatSectors) * bytesPerSector;
    // Entries 0 and 1 are reserved; clusters are numbered from 2.
    const quint64 entries = clusters + 2;
    if (entries * bits / 8 > fatBytes)
        return std::nullopt;
    if (!device.seek(qint64(reserved) * bytesPerSector))
        return std::nullopt;

    quint64 freeClusters = 0;
    if (bits == 12) {
        const QByteArray fat = device.read(qint64((entries * 3 + 1) / 2));
        if (quint64(fat.size()) < (entries * 3 + 1) / 2)
            return std::nullopt;
        const auto* b = reinterpret_cast<const uchar*>(fat.constData());
        for (quint64 n = 2; n < entries; ++n) {
            const quint64 at = n * 3 / 2;
            const quint32 pair = b[at] | (quint32(b[at + 1]) << 8);
            if (((n & 1) ? pair >> 4 : pair & 0xFFF) == 0)
                ++freeClusters;
        }
    } else {
        // Read in pieces: the table of a large FAT32 volume runs to hundreds
        // of MiB.
        const quint64 width = bits / 8;
        const qint64 chunk = qint64(width) * (1 << 18);
        quint64 n = 0;
        while (n < entries) {
            const qint64 want = qint64(std::min<quint64>(quint64(chunk), (entries - n) * width));
            const QByteArray piece = device.read(want);
            if (piece.size() != want)
                return std::nullopt;
            const char* p = piece.constData();
            for (qint64 i = 0; i < want; i += qint64(width), ++n) {
                if (n < 2)
                    continue;
                const quint32 value = bits == 16 ? qFromLittleEndian<quint16>(p + i)
                                                 : qFromLittleEndian<quint32>(p + i) & 0x0FFFFFFFu;
                if (value == 0)
                    ++freeClusters;
            }
        }
    }
    return freeClusters * quint64(unit);
}

} // namespace diskutil
