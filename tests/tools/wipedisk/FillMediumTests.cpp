// What a fill pass leaves on the medium itself (root only, loop volumes the
// tests make): every fill file is on the device when its flush returns, read
// back past every cache while the volume stays mounted; one pass overwrites
// every deleted block; the blocks ext4 keeps back are lent for the pass and
// given back; FUSE volumes (FAT through fusefat, NTFS through ntfs-3g) are
// filled like any other.

#include "FillTestSupport.h"

#include "platform/DiskutilProgram.h"
#include "platform/Locations.h"
#include "tools/wipedisk/WipeVolumeScan.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <iostream>
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
// afterwards every free block holds old data. `whileFull` runs before the
// delete.
QByteArray fillWithDeletedMarker(const QString& mountPoint, const std::function<void()>& whileFull = {})
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
    if (whileFull)
        whileFull();
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
    SKIP_FOR(vol.why);
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
    SKIP_FOR(vol.why);
    const long long reserved = vol.reservedClusters();
    ASSERT_GT(reserved, 0) << "ext4 keeps clusters back by default";

    const QList<QByteArray> markers =
        filltest::plantDeletedMarkers(vol.mountPoint, {64LL << 10, 1LL << 20, 5LL << 20, 24LL << 20});
    for (const QByteArray& marker : markers)
        ASSERT_TRUE(nvtest::fileContains(vol.loop.image(), marker));

    MediumCheck check;
    FillRun run(vol.record(), 1, Engine::kWipeFreeSpace, [&](const QString&, int fd) {
        std::lock_guard<std::mutex> lock(check.mutex);
        check.reservedDuringPass = vol.reservedClusters();
        const qint64 free = rootFreeBytesOf(fd);
        if (check.leastFreeBytes < 0 || free < check.leastFreeBytes)
            check.leastFreeBytes = free;
    });
    ASSERT_TRUE(run.waitForEnd());
    EXPECT_EQ(run.engine.errorString(), QString());
    EXPECT_EQ(check.reservedDuringPass, 0) << "lent for the pass";
    EXPECT_EQ(vol.reservedClusters(), reserved) << "given back after it";
    EXPECT_EQ(check.leastFreeBytes, 0) << "the pass ran the volume full to its last block";
    ASSERT_TRUE(vol.loop.unmount());
    for (const QByteArray& marker : markers)
        EXPECT_EQ(filltest::countOccurrences(vol.loop.image(), marker), 0) << marker.constData();
}

// ext4 counts the clusters it keeps back for itself as free, yet not even root
// may write them unless they are lent: a fill file written without the loan
// has writes refused that the free count says fit. Each refused write is
// halved down to a single block of the file system, also where blocks are
// smaller than a page, so every block outside that reserve is still taken.
TEST(FillMedium, RefusedWritesAreHalvedDownToOneBlock)
{
    for (const int block : {4096, 1024}) {
        SCOPED_TRACE(block);
        TestVolume vol(64LL << 20, QStringLiteral("ext4"), {QStringLiteral("-b"), QString::number(block)});
        SKIP_FOR(vol.why);
        const long long reserved = vol.reservedClusters();
        ASSERT_GT(reserved, 0);
        ASSERT_TRUE(QDir().mkpath(vol.fillFolder()));
        Engine engine;
        platform::LogCapture log;
        engine.createDydFile(vol.fillFolder(), 1);
        EXPECT_TRUE(log.contains(QStringLiteral("Disk full while writing")));
        struct statvfs s {};
        ASSERT_EQ(statvfs(QFile::encodeName(vol.mountPoint).constData(), &s), 0);
        ASSERT_EQ(s.f_frsize, static_cast<unsigned long>(block));
        EXPECT_EQ(static_cast<long long>(s.f_bfree), reserved) << "blocks left free besides ext4's own reserve";
    }
}

// The reserved clusters come back however the pass ends: a cancel, a quit in
// the middle of it, and a run that fails.
TEST(FillMedium, ReservedClustersAreGivenBackOnCancelQuitAndFailure)
{
    TestVolume vol(300LL << 20);
    SKIP_FOR(vol.why);
    const long long reserved = vol.reservedClusters();
    ASSERT_GT(reserved, 0);
    const QString first = Engine::fullFilePath(vol.fillFolder(), 1);
    const auto started = [&] { return QFileInfo(first).size() > Engine::kFullFileHeader; };

    {
        FillRun run(vol.record(), 2);
        ASSERT_TRUE(nvtest::pumpUntil(started, 20000));
        EXPECT_EQ(vol.reservedClusters(), 0);
        run.engine.setIsCancelEraser(true);
        ASSERT_TRUE(run.waitForEnd(20000));
        EXPECT_EQ(vol.reservedClusters(), reserved) << "after a cancel";
    }
    {
        FillRun run(vol.record(), 2);
        ASSERT_TRUE(nvtest::pumpUntil(started, 20000));
        run.engine.endAppRemoveFolder();
        EXPECT_EQ(vol.reservedClusters(), reserved) << "after a quit";
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
        const long long now = vol.reservedClusters();
        EXPECT_TRUE(now == reserved || now == -1) << now;
    }
}

// Not a test of its own: the process a test below starts and kills with
// SIGKILL in the middle of a root fill of the volume it names.
TEST(FillMedium, DISABLED_ChildFillsUntilKilled)
{
    qputenv("NULLVANE_ROOT", qgetenv("NVTEST_PARENT_ROOT"));
    const QString mountPoint = qEnvironmentVariable("NVTEST_FILL_MOUNT");
    auto volume = std::make_shared<VolumeObj>();
    volume->setVolumeName(QStringLiteral("FILLTEST"));
    volume->setVolumeMountPoint(mountPoint);
    volume->setVolRootDir(qEnvironmentVariable("NVTEST_FILL_DEVICE"));
    volume->setVolumeFreeSizeNum(platform::fileSystemSpace(mountPoint).freeBytes);
    FillRun run(volume, 1);
    nvtest::pumpUntil([] { return false; }, 120000);
}

namespace {
// A root fill in a process of its own, started on `vol` and killed with
// SIGKILL once its first full file grows and the reserve is lent.
struct KilledFill {
    explicit KilledFill(const TestVolume& vol)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("NVTEST_PARENT_ROOT"), platform::rootPrefix());
        env.insert(QStringLiteral("NVTEST_FILL_MOUNT"), vol.mountPoint);
        env.insert(QStringLiteral("NVTEST_FILL_DEVICE"), vol.loop.device());
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.setStandardOutputFile(QProcess::nullDevice());
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_also_run_disabled_tests"),
                     QStringLiteral("--gtest_filter=FillMedium.DISABLED_ChildFillsUntilKilled")});
        const QString first = Engine::fullFilePath(vol.fillFolder(), 1);
        filling = child.waitForStarted() && nvtest::pumpUntil([&] {
            return QFileInfo(first).size() > (64 << 20)
                   && vol.reservedClusters() == 0;
        }, 60000);
    }
    void kill()
    {
        child.kill();
        child.waitForFinished(10000);
    }
    ~KilledFill() { kill(); }
    QProcess child;
    bool filling = false;
};
} // namespace

// A root fill killed with SIGKILL leaves ext4 without its reserve and the fill
// folder on the volume. While the fill runs, nothing of it is touched; the
// next start of the disk utility gives the reserve back and removes the
// folder. A volume mounted again elsewhere meanwhile has its reserve from the
// new mount, and the folder is found there by the volume's UUID at the next
// start of the program.
TEST(FillMedium, AKilledRootFillIsPutRightAtTheNextStart)
{
    TestVolume vol(300LL << 20);
    SKIP_FOR(vol.why);
    const long long reserved = vol.reservedClusters();
    ASSERT_GT(reserved, 0);
    {
        KilledFill fill(vol);
        ASSERT_TRUE(fill.filling);
        EXPECT_EQ(platform::settleKilledFills(), 0) << "a running fill is left alone";
        EXPECT_EQ(vol.reservedClusters(), 0);
        fill.kill();
        ASSERT_EQ(fill.child.exitStatus(), QProcess::CrashExit);
    }
    ASSERT_EQ(vol.reservedClusters(), 0) << "the kill left the volume short";
    ASSERT_TRUE(QFileInfo::exists(vol.fillFolder()));
    const auto started = platform::runProcess(platform::diskutilProgram(),
                                              {QStringLiteral("info"), QStringLiteral("-plist"), vol.loop.device()});
    ASSERT_TRUE(started.started);
    EXPECT_EQ(vol.reservedClusters(), reserved);
    EXPECT_FALSE(QFileInfo::exists(vol.fillFolder()));
    EXPECT_TRUE(QDir(platform::FillRecord::folder()).isEmpty());

    {
        KilledFill fill(vol);
        ASSERT_TRUE(fill.filling);
    }
    ASSERT_TRUE(vol.loop.unmount());
    const QString again = vol.loop.mount();
    ASSERT_FALSE(again.isEmpty());
    ASSERT_TRUE(QFileInfo::exists(FreeSpaceFillEngine::fillFolderFor(again)));
    EXPECT_EQ(platform::settleKilledFills(), 1);
    EXPECT_FALSE(QFileInfo::exists(FreeSpaceFillEngine::fillFolderFor(again)));
    EXPECT_EQ(vol.reservedClusters(), reserved);
    EXPECT_TRUE(QDir(platform::FillRecord::folder()).isEmpty());
}

namespace {
bool writeReservedClusters(const TestVolume& vol, long long value)
{
    QFile f(platform::ReservedClustersLoan::sysfsFile(vol.loop.kernelName()));
    return f.open(QIODevice::WriteOnly) && f.write(QByteArray::number(value) + '\n') > 0 && f.flush();
}

// What a root fill killed on the volume mounted at `vol.mountPoint` leaves:
// its record with the reserve lent, the reserve at 0 and the fill folder
// with a file in it.
bool leaveKilledFill(const TestVolume& vol, long long reserved)
{
    platform::VolumeRoot root;
    platform::FillRecord record;
    if (!root.open(vol.mountPoint, vol.loop.device()) || !record.begin(root, QStringLiteral(".VOVU"))
        || !record.noteLent(reserved) || !writeReservedClusters(vol, 0))
        return false;
    return QDir().mkpath(vol.fillFolder()) && nvtest::writeFile(vol.fillFolder() + QStringLiteral("/.VOVU_1"), "fill");
}

int recordCount() { return static_cast<int>(QDir(platform::FillRecord::folder()).entryList(QDir::Files).size()); }

// A bind mount of `folder` on a fresh folder, unmounted at the end.
struct BindMount {
    explicit BindMount(const QString& folder) : point(nvtest::freshFolder(QStringLiteral("bind")))
    {
        mounted = platform::runProcess(QStringLiteral("mount"), {QStringLiteral("--bind"), folder, point}).succeeded();
    }
    ~BindMount()
    {
        if (mounted)
            platform::runProcess(QStringLiteral("umount"), {point});
    }
    QString point;
    bool mounted = false;
};
} // namespace

// A fill killed on volume A leaves its record. A is unmounted and volume B
// made and mounted on the same loop device and mount point, so B comes with
// A's device number and mount point, and most often its mount id too. The
// record touches nothing of B: not its fill folder, not its reserve, not when
// a fill of B begins either; it waits until A is mounted again and is settled
// there. A record that names no volume UUID acts on no volume.
TEST(FillMedium, AKilledFillsRecordActsOnlyOnTheVolumeItWasMadeOn)
{
    TestVolume vol(64LL << 20);
    SKIP_FOR(vol.why);
    const QString point = vol.mountPoint;
    const QString device = vol.loop.device();
    const long long reserved = vol.reservedClusters();
    ASSERT_GT(reserved, 0);
    ASSERT_TRUE(leaveKilledFill(vol, reserved));
    const auto mountA = platform::mountEntryAt(point);
    ASSERT_TRUE(mountA.has_value());
    ASSERT_EQ(recordCount(), 1);

    // A goes (its bytes kept aside), B takes its device and mount point.
    ASSERT_TRUE(platform::runProcess(QStringLiteral("umount"), {point}).succeeded());
    vol.loop.flush();
    const QString savedA = nvtest::freshFolder(QStringLiteral("volumeA")) + QStringLiteral("/a.img");
    ASSERT_TRUE(QFile::copy(vol.loop.image(), savedA));
    ASSERT_TRUE(vol.loop.format(QStringLiteral("ext4"), {QStringLiteral("-E"), QStringLiteral("nodiscard")}));
    ASSERT_TRUE(platform::runProcess(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("ext4"), device, point})
                    .succeeded());
    const auto mountB = platform::mountEntryAt(point);
    ASSERT_TRUE(mountB.has_value());
    EXPECT_EQ(mountB->deviceNumber, mountA->deviceNumber);
    if (mountB->id != mountA->id)
        std::cerr << "note: B got mount id " << mountB->id << ", A had " << mountA->id << "\n";
    ASSERT_TRUE(QDir().mkpath(vol.fillFolder()));
    ASSERT_TRUE(nvtest::writeFile(vol.fillFolder() + QStringLiteral("/mine"), "B's own"));
    ASSERT_TRUE(writeReservedClusters(vol, 0)) << "B's reserve as a fill of B would leave it";

    EXPECT_EQ(platform::settleKilledFills(), 0);
    EXPECT_TRUE(QFileInfo::exists(vol.fillFolder() + QStringLiteral("/mine"))) << "B's folder was removed";
    EXPECT_EQ(vol.reservedClusters(), 0) << "A's loan was written into B";
    EXPECT_EQ(recordCount(), 1) << "A's record waits for A";
    {
        // A fill of B begins and ends: A's record is kept beside B's.
        platform::VolumeRoot root;
        ASSERT_TRUE(root.open(point, device));
        platform::FillRecord record;
        ASSERT_TRUE(record.begin(root, QStringLiteral(".VOVU")));
        EXPECT_EQ(recordCount(), 2);
        record.end();
    }
    EXPECT_TRUE(QFileInfo::exists(vol.fillFolder() + QStringLiteral("/mine")));
    EXPECT_EQ(vol.reservedClusters(), 0);
    EXPECT_EQ(recordCount(), 1);
    ASSERT_TRUE(writeReservedClusters(vol, reserved));

    // A comes back in the same place: its folder goes, the record with it.
    ASSERT_TRUE(platform::runProcess(QStringLiteral("umount"), {point}).succeeded());
    ASSERT_TRUE(platform::runProcess(QStringLiteral("dd"), {QStringLiteral("if=") + savedA, QStringLiteral("of=") + device,
                                                           QStringLiteral("bs=1M"), QStringLiteral("conv=fsync")})
                    .succeeded());
    ASSERT_TRUE(platform::runProcess(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("ext4"), device, point})
                    .succeeded());
    ASSERT_TRUE(QFileInfo::exists(vol.fillFolder() + QStringLiteral("/.VOVU_1")));
    EXPECT_EQ(platform::settleKilledFills(), 1);
    EXPECT_FALSE(QFileInfo::exists(vol.fillFolder()));
    EXPECT_EQ(vol.reservedClusters(), reserved);
    EXPECT_EQ(recordCount(), 0);

    // A record without a UUID, on the very mount it names, proves nothing:
    // it is dropped and leaves the folder and the reserve as they are.
    ASSERT_TRUE(QDir().mkpath(vol.fillFolder()));
    ASSERT_TRUE(writeReservedClusters(vol, 0));
    const auto mountNow = platform::mountEntryAt(point);
    ASSERT_TRUE(mountNow.has_value());
    const QByteArray text = "kernel=" + vol.loop.kernelName().toUtf8() + "\nmountPoint=" + QUrl::toPercentEncoding(point)
                            + "\nfolder=.VOVU\nmountId=" + QByteArray::number(mountNow->id)
                            + "\ndevice=" + QByteArray::number(mountNow->deviceNumber)
                            + "\nlent=" + QByteArray::number(reserved) + "\n";
    ASSERT_TRUE(QDir().mkpath(platform::FillRecord::folder()));
    ASSERT_TRUE(nvtest::writeFile(platform::FillRecord::folder() + QLatin1Char('/') + vol.loop.kernelName(), text));
    EXPECT_EQ(platform::settleKilledFills(), 1);
    EXPECT_EQ(recordCount(), 0);
    EXPECT_TRUE(QFileInfo::exists(vol.fillFolder()));
    EXPECT_EQ(vol.reservedClusters(), 0);
    ASSERT_TRUE(writeReservedClusters(vol, reserved));
}

// A killed fill's record acts on its volume's root, on the device it names.
// A clone on another loop device (the same UUID: a copied stick) and a bind
// mount of one of the volume's folders, both mounted before the volume's
// root, keep what they hold; the volume's fill folder goes and its reserve
// comes back. While only they stand, the record waits. A fill begun on the
// bind mount keeps no record.
TEST(FillMedium, AKilledFillIsSettledOnItsVolumeNotOnACloneOrABindMountOfIt)
{
    TestVolume vol(64LL << 20);
    SKIP_FOR(vol.why);
    const long long reserved = vol.reservedClusters();
    ASSERT_GT(reserved, 0);
    ASSERT_TRUE(nvtest::writeFile(vol.mountPoint + QStringLiteral("/sub/kept"), "sub"));
    ASSERT_TRUE(vol.loop.unmount());
    nvtest::LoopDevice clone(64LL << 20);
    NEED_LOOP(clone);
    ASSERT_TRUE(platform::runProcess(QStringLiteral("dd"), {QStringLiteral("if=") + vol.loop.image(),
                                                           QStringLiteral("of=") + clone.device(),
                                                           QStringLiteral("bs=1M"), QStringLiteral("conv=fsync")})
                    .succeeded());
    ASSERT_FALSE(clone.mount().isEmpty());
    const QString cloneFile = FreeSpaceFillEngine::fillFolderFor(clone.mountPoint()) + QStringLiteral("/mine");
    ASSERT_TRUE(nvtest::writeFile(cloneFile, "the clone's own"));
    // The bind mount outlives the mount it was made from.
    ASSERT_FALSE(vol.loop.mount().isEmpty());
    BindMount bind(vol.loop.mountPoint() + QStringLiteral("/sub"));
    ASSERT_TRUE(bind.mounted && vol.loop.unmount());
    vol.mountPoint = vol.loop.mount();
    platform::VolumeRoot bound;
    ASSERT_TRUE(bound.open(bind.point, vol.loop.device()));
    EXPECT_FALSE(platform::FillRecord().begin(bound, QStringLiteral(".VOVU")));

    ASSERT_TRUE(leaveKilledFill(vol, reserved));
    EXPECT_EQ(platform::settleKilledFills(), 1);
    EXPECT_TRUE(QFileInfo::exists(cloneFile)) << "the clone's folder was removed";
    EXPECT_TRUE(QFileInfo::exists(bind.point + QStringLiteral("/kept")));
    EXPECT_FALSE(QFileInfo::exists(vol.fillFolder()));
    EXPECT_EQ(vol.reservedClusters(), reserved);
    EXPECT_EQ(recordCount(), 0);

    ASSERT_TRUE(leaveKilledFill(vol, reserved) && vol.loop.unmount());
    EXPECT_EQ(platform::settleKilledFills(), 0);
    EXPECT_EQ(recordCount(), 1) << "the record went without its volume's root";
    EXPECT_TRUE(QFileInfo::exists(cloneFile));
}

// The reserve of the file system that holds "/" is never lent, since the
// system's own writers there count on it; any other ext4 volume's is.
TEST(FillMedium, TheRootFileSystemKeepsItsReservedClusters)
{
    TestVolume vol(64LL << 20);
    SKIP_FOR(vol.why);
    const long long reserved = vol.reservedClusters();
    ASSERT_GT(reserved, 0);

    platform::ReservedClustersLoan loan;
    const QByteArray savedRoot = qgetenv("NULLVANE_ROOT");
    qputenv("NULLVANE_ROOT", QFile::encodeName(vol.mountPoint));
    const bool lentOnRoot = loan.lend(vol.loop.kernelName());
    const long long whileRoot = vol.reservedClusters();
    qputenv("NULLVANE_ROOT", savedRoot);
    EXPECT_FALSE(lentOnRoot);
    EXPECT_EQ(whileRoot, reserved);

    ASSERT_TRUE(loan.lend(vol.loop.kernelName())) << "the same volume, not holding \"/\"";
    EXPECT_EQ(vol.reservedClusters(), 0);
    loan.giveBack();
    EXPECT_EQ(vol.reservedClusters(), reserved);
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
    SKIP_FOR(vol.why);
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

// The forensic check on FAT32 and exFAT: deleted data fills every free
// cluster, one pass runs, and the raw device holds none of it any more. Each
// fill file is written to the end of its last cluster (a file that ends inside
// one leaves the rest of it as it was), and the writes get down to one
// cluster, also where the file system tells no free sizes (fusefat), and
// where the cluster is larger than 64 KiB (NTFS through ntfs-3g).
struct ForensicCase {
    const char* name;
    const char* fs;
    qint64 bytes;
    QStringList mkfsArgs;
    qint64 cluster; // what mkfs made
};

class NoDeletedByteLeft : public ::testing::TestWithParam<ForensicCase> {};

INSTANTIATE_TEST_SUITE_P(
    FileSystems, NoDeletedByteLeft,
    ::testing::Values(ForensicCase{"fat32_small", "vfat", 64LL << 20, {QStringLiteral("-F"), QStringLiteral("32")}, 512},
                      ForensicCase{"fat32_2k_clusters_one_full_file", "vfat", 160LL << 20,
                                   {QStringLiteral("-F"), QStringLiteral("32"), QStringLiteral("-s"), QStringLiteral("4")}, 2048},
                      ForensicCase{"exfat_small", "exfat", 64LL << 20, {}, 4096},
                      ForensicCase{"exfat_32k_clusters_two_full_files", "exfat", 300LL << 20,
                                   {QStringLiteral("-c"), QStringLiteral("32K")}, 32768},
                      // Clusters above 64 KiB, whose size NTFS writes as a shift.
                      ForensicCase{"ntfs_128k_clusters_two_full_files", "ntfs", 300LL << 20,
                                   {QStringLiteral("-F"), QStringLiteral("-Q"), QStringLiteral("-c"), QStringLiteral("131072")},
                                   131072}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(NoDeletedByteLeft, AfterOnePass)
{
    const ForensicCase& c = GetParam();
    const QString fs = QString::fromLatin1(c.fs);
    const QString tool = fs == QLatin1String("vfat")    ? QStringLiteral("fusefat")
                         : fs == QLatin1String("exfat") ? QStringLiteral("mount.exfat-fuse")
                                                        : QStringLiteral("ntfs-3g");
    if (platform::findProgram(tool).isEmpty())
        GTEST_SKIP() << tool.toStdString() << " is not installed";
    TestVolume vol(c.bytes, fs, c.mkfsArgs);
    SKIP_FOR(vol.why);
    // The record as the volume list read it from the disk utility while the
    // volume was still full: what was deleted since is free as well, and
    // must be filled, also where the file system tells no sizes (fusefat)
    // and the record's figure is all the engine has.
    VolumeObjPtr record;
    const QByteArray marker = fillWithDeletedMarker(vol.mountPoint, [&] {
        record = wipescan::volumeFromFacts(wipescan::getDisjInfo(vol.loop.device()));
    });
    ASSERT_TRUE(record);
    ASSERT_EQ(record->volumeMountPoint(), vol.mountPoint);
    ASSERT_LT(record->volumeFreeSizeNum(), c.bytes / 4);
    vol.loop.flush();
    ASSERT_GT(filltest::countOccurrences(vol.loop.image(), marker), 0);

    // Every fill file ends with a whole cluster.
    std::mutex mutex;
    QStringList partClusters;
    int files = 0;
    FillRun run(record, 1, Engine::kWipeFreeSpace, [&](const QString& path, int fd) {
        struct stat st {};
        std::lock_guard<std::mutex> lock(mutex);
        ++files;
        if (fstat(fd, &st) != 0 || st.st_size % c.cluster != 0)
            partClusters << QStringLiteral("%1: %2 bytes").arg(QFileInfo(path).fileName()).arg(st.st_size);
    });
    ASSERT_TRUE(run.waitForEnd(300000));
    EXPECT_EQ(run.engine.errorString(), QString());
    EXPECT_GT(files, 0);
    EXPECT_EQ(partClusters.join(QStringLiteral(", ")).toStdString(), std::string());
    EXPECT_FALSE(QFileInfo::exists(vol.fillFolder()));
    ASSERT_TRUE(vol.loop.unmount());
    EXPECT_EQ(filltest::countOccurrences(vol.loop.image(), marker), 0);
}
