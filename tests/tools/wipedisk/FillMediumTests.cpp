// What a fill pass leaves on the medium itself (root only, loop volumes the
// tests make): every fill file is on the device when its flush returns, read
// back past every cache while the volume stays mounted; one pass overwrites
// every deleted block; the blocks ext4 keeps back are lent for the pass and
// given back; FUSE volumes (FAT through fusefat, NTFS through ntfs-3g) are
// filled like any other.

#include "FillTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <mutex>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

using Engine = FreeSpaceFillEngine;
using filltest::FillRun;
using filltest::TestVolume;

namespace {

// What the observer found, file by file, on the worker.
struct MediumCheck {
    std::mutex mutex;
    int files = 0;
    qint64 bytesChecked = 0;
    QStringList problems;
    long long reservedDuringPass = -2;
    qint64 leastFreeBytes = -1; // free bytes (root's view) when a file was flushed

    void problem(const QString& text)
    {
        std::lock_guard<std::mutex> lock(mutex);
        problems << text;
    }
};

struct AlignedBuffer {
    explicit AlignedBuffer(size_t n) : data(static_cast<char*>(std::aligned_alloc(4096, n))) {}
    ~AlignedBuffer() { std::free(data); }
    char* data;
};

// Reads the device with O_DIRECT at the file's physical extents, as FIEMAP
// tells them without asking for a sync first, and compares every byte with
// the file's own contents. An extent not yet placed on the device (delayed
// allocation) counts as a failure: its bytes are only in memory.
void checkOnMedium(const QString& device, const QString& path, int fd, MediumCheck& out)
{
    struct stat st {};
    if (fstat(fd, &st) != 0)
        return out.problem(path + QStringLiteral(": fstat failed"));
    constexpr unsigned kExtents = 512;
    std::vector<char> raw(sizeof(struct fiemap) + kExtents * sizeof(struct fiemap_extent));
    auto* map = reinterpret_cast<struct fiemap*>(raw.data());
    map->fm_start = 0;
    map->fm_length = FIEMAP_MAX_OFFSET;
    map->fm_flags = 0; // no FIEMAP_FLAG_SYNC: the test must not do the flush itself
    map->fm_extent_count = kExtents;
    if (ioctl(fd, FS_IOC_FIEMAP, map) != 0)
        return out.problem(path + QStringLiteral(": FIEMAP failed: ") + QString::fromLocal8Bit(std::strerror(errno)));

    const int dev = ::open(QFile::encodeName(device).constData(), O_RDONLY | O_DIRECT | O_CLOEXEC);
    const int file = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (dev < 0 || file < 0) {
        out.problem(path + QStringLiteral(": cannot open the device or the file"));
        ::close(dev), ::close(file);
        return;
    }
    constexpr qint64 kChunk = 1 << 20;
    AlignedBuffer onDisk(kChunk), inFile(kChunk);
    qint64 checked = 0;
    for (unsigned i = 0; i < map->fm_mapped_extents; ++i) {
        const struct fiemap_extent& e = map->fm_extents[i];
        if (e.fe_flags & (FIEMAP_EXTENT_UNKNOWN | FIEMAP_EXTENT_DELALLOC | FIEMAP_EXTENT_UNWRITTEN)) {
            out.problem(QStringLiteral("%1: extent at %2 is not on the device yet").arg(path).arg(e.fe_logical));
            continue;
        }
        for (qint64 off = 0; off < static_cast<qint64>(e.fe_length); off += kChunk) {
            const qint64 logical = static_cast<qint64>(e.fe_logical) + off;
            const qint64 len = std::min({kChunk, static_cast<qint64>(e.fe_length) - off, st.st_size - logical});
            if (len <= 0)
                break;
            const qint64 aligned = (len + 4095) / 4096 * 4096;
            if (pread(dev, onDisk.data, aligned, static_cast<off_t>(e.fe_physical) + off) < len
                || pread(file, inFile.data, len, logical) != len) {
                out.problem(QStringLiteral("%1: cannot read at %2").arg(path).arg(logical));
                break;
            }
            if (std::memcmp(onDisk.data, inFile.data, static_cast<size_t>(len)) != 0) {
                out.problem(QStringLiteral("%1: the device holds other bytes at %2").arg(path).arg(logical));
                break;
            }
            checked += len;
        }
    }
    ::close(dev), ::close(file);
    std::lock_guard<std::mutex> lock(out.mutex);
    ++out.files;
    out.bytesChecked += checked;
}

// Writes one marker file over all the free space, flushes it and deletes it:
// afterwards every free block holds old data.
QByteArray fillWithDeletedMarker(const QString& mountPoint)
{
    quint8 random[16];
    platform::secureRandomBytes(random, sizeof random);
    const QByteArray marker = "NVFILL-OLD-" + QByteArray(reinterpret_cast<const char*>(random), 16).toHex();
    const QByteArray chunk = marker.repeated((1 << 20) / marker.size() + 1).left(1 << 20);
    const QByteArray path = QFile::encodeName(mountPoint + QStringLiteral("/old.bin"));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    EXPECT_GE(fd, 0);
    while (::write(fd, chunk.constData(), chunk.size()) > 0) {
    }
    ::fsync(fd);
    ::close(fd);
    ::unlink(path.constData());
    platform::syncFileSystemAt(mountPoint);
    return marker;
}

qint64 rootFreeBytesOf(int fd)
{
    struct statvfs s {};
    return fstatvfs(fd, &s) == 0 ? static_cast<qint64>(s.f_bfree) * static_cast<qint64>(s.f_frsize) : -1;
}

} // namespace

// After each fill file's flush, the device itself holds the file's bytes.
// Without the flush the last megabytes of every file are still in memory and
// the device still shows the deleted data there.
TEST(FillMedium, EveryFillFileIsOnTheDeviceWhenItsFlushReturns)
{
    TestVolume vol(300LL << 20);
    SKIP_UNLESS_READY(vol);
    fillWithDeletedMarker(vol.mountPoint);
    MediumCheck check;
    const QString device = vol.loop.device();
    FillRun run(vol.record(), 1, Engine::kWipeFreeSpace,
                [&](const QString& path, int fd) { checkOnMedium(device, path, fd, check); });
    ASSERT_TRUE(run.waitForEnd());
    EXPECT_EQ(run.engine.errorString(), QString());
    EXPECT_EQ(check.problems.join(QStringLiteral("; ")).toStdString(), std::string());
    EXPECT_GE(check.files, 2) << "the full files of a 300 MiB volume";
    EXPECT_GE(check.bytesChecked, 2 * (Engine::kFullFileHeader + Engine::kFullFileZeros));
}

// 256 MiB ext4 with 4 KiB blocks and four deleted marker files: one pass runs
// the volume full to its last block (the reserved clusters lent while it
// runs, given back after), and no byte of the deleted files is left.
TEST(FillMedium, OnePassOverwritesEveryDeletedBlock)
{
    TestVolume vol(256LL << 20, QStringLiteral("ext4"), {QStringLiteral("-b"), QStringLiteral("4096")});
    SKIP_UNLESS_READY(vol);
    const QString kernelName = QFileInfo(vol.loop.device()).fileName();
    const long long reserved = platform::ReservedClustersLoan::readReserved(kernelName);
    ASSERT_GT(reserved, 0) << "ext4 keeps clusters back by default";

    const QList<QByteArray> markers =
        filltest::plantDeletedMarkers(vol.mountPoint, {64LL << 10, 1LL << 20, 5LL << 20, 24LL << 20});
    for (const QByteArray& marker : markers)
        ASSERT_TRUE(nvtest::fileContains(vol.loop.image(), marker));

    MediumCheck check;
    FillRun run(vol.record(), 1, Engine::kWipeFreeSpace, [&](const QString&, int fd) {
        std::lock_guard<std::mutex> lock(check.mutex);
        check.reservedDuringPass = platform::ReservedClustersLoan::readReserved(kernelName);
        const qint64 free = rootFreeBytesOf(fd);
        if (check.leastFreeBytes < 0 || free < check.leastFreeBytes)
            check.leastFreeBytes = free;
    });
    ASSERT_TRUE(run.waitForEnd());
    EXPECT_EQ(run.engine.errorString(), QString());
    EXPECT_EQ(check.reservedDuringPass, 0) << "lent for the pass";
    EXPECT_EQ(platform::ReservedClustersLoan::readReserved(kernelName), reserved) << "given back after it";
    EXPECT_EQ(check.leastFreeBytes, 0) << "the pass ran the volume full to its last block";
    ASSERT_TRUE(vol.loop.unmount());
    for (const QByteArray& marker : markers)
        EXPECT_EQ(filltest::countOccurrences(vol.loop.image(), marker), 0) << marker.constData();
}

// The reserved clusters come back however the pass ends: a cancel, a quit in
// the middle of it, and a run that fails.
TEST(FillMedium, ReservedClustersAreGivenBackOnCancelQuitAndFailure)
{
    TestVolume vol(300LL << 20);
    SKIP_UNLESS_READY(vol);
    const QString kernelName = QFileInfo(vol.loop.device()).fileName();
    const long long reserved = platform::ReservedClustersLoan::readReserved(kernelName);
    ASSERT_GT(reserved, 0);
    const QString first = Engine::fullFilePath(vol.fillFolder(), 1);
    const auto started = [&] { return QFileInfo(first).size() > Engine::kFullFileHeader; };

    {
        FillRun run(vol.record(), 2);
        ASSERT_TRUE(nvtest::pumpUntil(started, 20000));
        EXPECT_EQ(platform::ReservedClustersLoan::readReserved(kernelName), 0);
        run.engine.setIsCancelEraser(true);
        ASSERT_TRUE(run.waitForEnd(20000));
        EXPECT_EQ(platform::ReservedClustersLoan::readReserved(kernelName), reserved) << "after a cancel";
    }
    {
        FillRun run(vol.record(), 2);
        ASSERT_TRUE(nvtest::pumpUntil(started, 20000));
        run.engine.endAppRemoveFolder();
        EXPECT_EQ(platform::ReservedClustersLoan::readReserved(kernelName), reserved) << "after a quit";
        EXPECT_FALSE(QFileInfo::exists(vol.fillFolder()));
    }
    {
        // The volume goes away in the middle of the pass: the run fails.
        FillRun run(vol.record(), 2);
        ASSERT_TRUE(nvtest::pumpUntil(started, 20000));
        ASSERT_TRUE(platform::runProcess(QStringLiteral("umount"), {QStringLiteral("-l"), vol.mountPoint}).succeeded());
        ASSERT_TRUE(run.waitForEnd(60000));
        EXPECT_EQ(run.engine.errorString(), filltest::kFolderFail);
        // The file system lives on until the run lets go of it; its settings
        // are read where the kernel still lists it.
        const long long now = platform::ReservedClustersLoan::readReserved(kernelName);
        EXPECT_TRUE(now == reserved || now == -1) << now;
    }
}

// The reserve of the file system that holds "/" is never lent, since the
// system's own writers there count on it; any other ext4 volume's is.
TEST(FillMedium, TheRootFileSystemKeepsItsReservedClusters)
{
    TestVolume vol(64LL << 20);
    SKIP_UNLESS_READY(vol);
    const QString kernelName = QFileInfo(vol.loop.device()).fileName();
    const long long reserved = platform::ReservedClustersLoan::readReserved(kernelName);
    ASSERT_GT(reserved, 0);

    platform::ReservedClustersLoan loan;
    const QByteArray savedRoot = qgetenv("NULLVANE_ROOT");
    qputenv("NULLVANE_ROOT", QFile::encodeName(vol.mountPoint));
    const bool lentOnRoot = loan.lend(kernelName);
    const long long whileRoot = platform::ReservedClustersLoan::readReserved(kernelName);
    qputenv("NULLVANE_ROOT", savedRoot);
    EXPECT_FALSE(lentOnRoot);
    EXPECT_EQ(whileRoot, reserved);

    ASSERT_TRUE(loan.lend(kernelName)) << "the same volume, not holding \"/\"";
    EXPECT_EQ(platform::ReservedClustersLoan::readReserved(kernelName), 0);
    loan.giveBack();
    EXPECT_EQ(platform::ReservedClustersLoan::readReserved(kernelName), reserved);
}

// FUSE volumes are found through the platform's resolved mount table:
// fusefat names itself, not the device, as the mount's source; ntfs-3g mounts
// as "fuseblk". Each is recognised as the record's volume and filled.
class FuseFill : public ::testing::TestWithParam<const char*> {};

INSTANTIATE_TEST_SUITE_P(Drivers, FuseFill, ::testing::Values("vfat", "ntfs"));

TEST_P(FuseFill, TheVolumeIsFoundAndFilled)
{
    const QString fs = QString::fromLatin1(GetParam());
    const QString tool = fs == QLatin1String("vfat") ? QStringLiteral("fusefat") : QStringLiteral("ntfs-3g");
    if (platform::findProgram(tool).isEmpty())
        GTEST_SKIP() << tool.toStdString() << " is not installed";
    TestVolume vol(64LL << 20, fs);
    SKIP_UNLESS_READY(vol);
    const auto entry = platform::mountEntryAt(vol.mountPoint);
    ASSERT_TRUE(entry.has_value());
    ASSERT_TRUE(entry->fsType.startsWith(QLatin1String("fuse"))) << entry->fsType;
    const QByteArray marker = filltest::plantDeletedMarker(vol.mountPoint);
    FillRun run(vol.record(), 1);
    ASSERT_TRUE(run.waitForEnd());
    EXPECT_EQ(run.engine.errorString(), QString());
    EXPECT_FALSE(run.log.contains(QStringLiteral("The volume is gone")));
    EXPECT_EQ(run.delegate.passReports().size(), 1);
    EXPECT_FALSE(QFileInfo::exists(vol.fillFolder()));
    ASSERT_TRUE(vol.loop.unmount());
    EXPECT_EQ(filltest::countOccurrences(vol.loop.image(), marker), 0);
}
