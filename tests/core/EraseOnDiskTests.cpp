// Shreds files on a real volume, then reads the raw volume: nothing of what
// the files held may be left anywhere on it. ext4 is the kernel's own; FAT,
// exFAT and NTFS are reached through FUSE here, where direct I/O and flushes
// behave differently. (Copy-on-write file systems are left out: they never
// write over the old blocks, whatever a program does.)

#include "TestSupport.h"

#include "core/RemoveFileAndFolder.h"
#include "core/securelyEraseFile.h"
#include "platform/Defaults.h"
#include "platform/Log.h"
#include "platform/SecureRandom.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/statvfs.h>
#include <iostream>
#include <optional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Sample {
    QString name;
    QByteArray needle;
};

// Writes a file of fresh random bytes and keeps pieces of it from the start,
// the middle and the end. A piece never spans two blocks, which need not lie
// side by side on the volume.
QList<Sample> plant(const QString& path, qint64 size)
{
    const qint64 block = 4096, n = 24;
    QByteArray content(size, '\0');
    EXPECT_TRUE(platform::secureRandomBytes(content.data(), static_cast<std::size_t>(size)));
    EXPECT_TRUE(nvtest::writeFile(path, content));
    const qint64 lastBlock = (size - 1) / block * block;
    const qint64 end = size - lastBlock >= n ? size - n : lastBlock - n;
    const QString name = QFileInfo(path).fileName();
    return {{name + QStringLiteral(" start"), content.left(n)},
            {name + QStringLiteral(" middle"), content.mid(size / 2 / block * block, n)},
            {name + QStringLiteral(" end"), content.mid(end, n)}};
}

// The samples found in the image, read once from end to end.
QStringList foundIn(const QString& image, const QList<Sample>& samples)
{
    QFile f(image);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << image;
    QStringList found;
    QByteArray carry;
    while (!f.atEnd()) {
        const QByteArray block = carry + f.read(8 << 20);
        for (const Sample& s : samples)
            if (!found.contains(s.name) && block.contains(s.needle))
                found << s.name;
        carry = block.right(64);
    }
    return found;
}

class EndWatch : public RemoveFileAndFolderDelegate {
public:
    void removeObjEnd(const FileObjList&) override { ended = true; }
    std::atomic<bool> ended{false};
};

} // namespace

class EraseOnVolume : public ::testing::TestWithParam<const char*> {};

TEST_P(EraseOnVolume, NothingOfTheShreddedFilesIsLeftOnTheRawVolume)
{
    const QString type = QString::fromLatin1(GetParam());
    nvtest::LoopDevice loop(96 * 1024 * 1024);
    NEED_LOOP(loop);
    // No discard: freed blocks keep their old bytes, as on a disk that never
    // trims, so only the overwrite can have destroyed them.
    const QStringList args = type == QLatin1String("ext4") ? QStringList{QStringLiteral("-E"), QStringLiteral("nodiscard")}
                                                           : QStringList{};
    if (!loop.format(type, args) || loop.mount(type).isEmpty())
        GTEST_SKIP() << "cannot make and mount " << type.toStdString() << " here (tool or FUSE driver missing)";

    // Files for the engine alone, and a folder for the queue, flattened as the
    // File Eraser hands it over.
    const QStringList direct{QStringLiteral("tiny.txt"), QStringLiteral("odd.bin"), QStringLiteral("chunky.bin")};
    const qint64 sizes[] = {777, 10001, 16 * 1024 * 1024 + 1};
    QList<Sample> samples;
    for (int i = 0; i < direct.size(); ++i)
        samples << plant(loop.mountPoint() + QLatin1Char('/') + direct[i], sizes[i]);
    const QStringList queued{QStringLiteral("Docs/letters/a.doc"), QStringLiteral("Docs/letters"),
                             QStringLiteral("Docs/c.pdf"), QStringLiteral("Docs")};
    samples << plant(loop.mountPoint() + QStringLiteral("/Docs/letters/a.doc"), 3 * 1024 * 1024 + 17);
    samples << plant(loop.mountPoint() + QStringLiteral("/Docs/c.pdf"), 65536);

    // The scan finds what is there: before shredding, every sample is.
    ASSERT_TRUE(loop.unmount());
    const QStringList before = foundIn(loop.image(), samples);
    ASSERT_EQ(before.size(), samples.size()) << before;
    const QString mount = loop.mount(type);
    ASSERT_FALSE(mount.isEmpty());

    for (int i = 0; i < direct.size(); ++i)
        EXPECT_TRUE(securelyEraseFile(mount + QLatin1Char('/') + direct[i], i == 1 ? 3 : 1)) << direct[i];
    FileObjList list;
    for (const QString& name : queued) {
        auto f = std::make_shared<FileObj>();
        f->setUrl(mount + QLatin1Char('/') + name);
        f->setIsDir(!name.contains(QLatin1Char('.')));
        f->setSize(f->isDir() ? 0 : QFileInfo(f->url()).size());
        list << f;
    }
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 2);
    EndWatch watch;
    RemoveFileAndFolder queue;
    queue.setDelegate(&watch);
    queue.benginToTraskWithArr(list);
    ASSERT_TRUE(nvtest::pumpUntil([&] { return watch.ended.load(); }, 120000));
    for (const auto& f : list)
        EXPECT_EQ(f->failStr(), QStringLiteral("Success")) << f->url();
    EXPECT_TRUE(QDir(mount).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());

    ASSERT_TRUE(loop.unmount());
    const QStringList left = foundIn(loop.image(), samples);
    EXPECT_TRUE(left.isEmpty()) << "still on the volume: " << left;
}

INSTANTIATE_TEST_SUITE_P(Volumes, EraseOnVolume, ::testing::Values("ext4", "vfat", "exfat", "ntfs"));

namespace {

struct Extent {
    qint64 logical = 0;
    qint64 physical = 0;
    qint64 length = 0;
};

// Where the file's bytes lie on its volume, as the file system says now. No
// FIEMAP_FLAG_SYNC: asking must not flush what the engine has not.
std::vector<Extent> physicalExtents(const QString& path)
{
    std::vector<Extent> out;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return out;
    constexpr int kMax = 256;
    std::vector<char> buffer(sizeof(fiemap) + kMax * sizeof(fiemap_extent));
    auto* map = reinterpret_cast<fiemap*>(buffer.data());
    map->fm_start = 0;
    map->fm_length = FIEMAP_MAX_OFFSET;
    map->fm_extent_count = kMax;
    if (ioctl(fd, FS_IOC_FIEMAP, map) == 0) {
        for (unsigned i = 0; i < map->fm_mapped_extents; ++i) {
            const fiemap_extent& e = map->fm_extents[i];
            out.push_back({static_cast<qint64>(e.fe_logical), static_cast<qint64>(e.fe_physical),
                           static_cast<qint64>(e.fe_length)});
        }
    }
    ::close(fd);
    return out;
}

// Reads the raw device at `offset` past every cache (O_DIRECT), the volume
// still mounted.
QByteArray readRaw(const QString& device, qint64 offset, qint64 length)
{
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDONLY | O_DIRECT | O_CLOEXEC);
    if (fd < 0)
        return {};
    const qint64 start = offset / 4096 * 4096;
    const qint64 span = (offset + length - start + 4095) / 4096 * 4096;
    void* p = nullptr;
    if (posix_memalign(&p, 4096, static_cast<size_t>(span)) != 0) {
        ::close(fd);
        return {};
    }
    const ssize_t n = pread(fd, p, static_cast<size_t>(span), start);
    QByteArray out;
    if (n == span)
        out = QByteArray(static_cast<const char*>(p) + (offset - start), length);
    std::free(p);
    ::close(fd);
    return out;
}

qint64 freeBytes(const QString& mount)
{
    struct statvfs vfs {};
    return statvfs(QFile::encodeName(mount).constData(), &vfs) == 0 ? qint64(vfs.f_bavail) * qint64(vfs.f_frsize) : -1;
}

// Slows the writes this thread sends to `device` (a block-I/O throttle of
// the kernel's blkio cgroup), so that data the engine only started writing
// back is not on the medium yet when the test looks, while data it waited for
// is. Without the cgroup the writes keep their speed (note() says so).
class SlowWrites {
public:
    explicit SlowWrites(const QString& device)
    {
        struct stat st {};
        const QString base = QStringLiteral("/sys/fs/cgroup/blkio");
        if (stat(QFile::encodeName(device).constData(), &st) != 0 || !QFileInfo(base + "/tasks").exists())
            return;
        group_ = base + QStringLiteral("/nvtest-%1").arg(gettid());
        if (!QDir().mkpath(group_)) {
            group_.clear();
            return;
        }
        const QByteArray rule = QByteArray::number(major(st.st_rdev)) + ':' + QByteArray::number(minor(st.st_rdev)) + " 8";
        active_ = put(group_ + "/blkio.throttle.write_iops_device", rule)
                  && put(group_ + "/tasks", QByteArray::number(gettid()));
    }
    ~SlowWrites()
    {
        if (group_.isEmpty())
            return;
        put(QStringLiteral("/sys/fs/cgroup/blkio/tasks"), QByteArray::number(gettid()));
        QDir().rmdir(group_);
    }
    bool active() const { return active_; }

private:
    static bool put(const QString& file, const QByteArray& text)
    {
        QFile f(file);
        return f.open(QIODevice::WriteOnly) && f.write(text) == text.size() && f.flush();
    }
    QString group_;
    bool active_ = false;
};

// Formats and mounts `loop` as ext4 whose freed blocks keep their bytes and
// whose tables are laid out at once (no background writes to the device
// later); answers why not where the machine cannot.
QString mountSteadyExt4(nvtest::LoopDevice& loop)
{
    if (!loop.valid())
        return QStringLiteral("no loop device: ") + loop.skipReason();
    if (!loop.format(QStringLiteral("ext4"),
                     {QStringLiteral("-E"), QStringLiteral("nodiscard,lazy_itable_init=0,lazy_journal_init=0")})
        || loop.mount(QStringLiteral("ext4")).isEmpty())
        return QStringLiteral("cannot make and mount ext4 here");
    return {};
}

} // namespace

// Bytes the block device has written so far, as the kernel counts them
// (sectors written in /sys/block/<name>/stat); -1 when it cannot be read.
qint64 deviceBytesWritten(const QString& device)
{
    QFile f(QStringLiteral("/sys/block/%1/stat").arg(QFileInfo(device).fileName()));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = f.readAll().simplified().split(' ');
    bool ok = false;
    const qint64 sectors = fields.value(6).toLongLong(&ok);
    return ok ? sectors * 512 : -1;
}

// Every standard's count of passes is written, each pass on the medium when
// it ends: after each pass the raw device, read past every cache while the
// volume stays mounted, holds that pass's bytes at the file's blocks, and
// the device has written the file once more (its own counter, apart from the
// engine), never twice.
TEST(EraseOnDisk, EveryStandardsPassesAreWrittenAndEachIsOnTheMediumWhenItEnds)
{
    nvtest::LoopDevice loop(48 * 1024 * 1024);
    SKIP_FOR(mountSteadyExt4(loop));
    if (deviceBytesWritten(loop.device()) < 0)
        GTEST_SKIP() << "the kernel does not count this device's writes here";
    // Ends inside a block: that tail cannot bypass the cache and is on the
    // medium only if the pass flushed it.
    const qint64 size = 64 * 1024 + 1234;
    struct statvfs vfs {};
    ASSERT_EQ(statvfs(QFile::encodeName(loop.mountPoint()).constData(), &vfs), 0);
    const qint64 block = qint64(vfs.f_frsize); // 1 KiB on a volume this small
    const qint64 onVolume = (size + block - 1) / block * block;
    for (const int count : {1, 2, 3, 7, 35}) {
        SCOPED_TRACE(count);
        const QString path = loop.mountPoint() + QStringLiteral("/report-%1.bin").arg(count);
        QByteArray content(size, '\0');
        ASSERT_TRUE(platform::secureRandomBytes(content.data(), static_cast<std::size_t>(size)));
        ASSERT_TRUE(nvtest::writeFile(path, content));
        ::sync();
        // A real disk takes its time; so does this one, for the length of
        // one shred (slowing all of them would only make the test long).
        std::optional<SlowWrites> slow;
        if (count == 3) {
            slow.emplace(loop.device());
            if (!slow->active())
                std::cout << "note: no blkio throttle here; writes the engine only started may already be on the medium\n";
        }

        QByteArray expected(size, '\0');
        QByteArray previous = content;
        int passesSeen = 0;
        qint64 deviceBefore = deviceBytesWritten(loop.device());
        EraseObserver watch;
        watch.chunkWritten = [&](int, std::int64_t offset, QByteArrayView bytes) {
            std::memcpy(expected.data() + offset, bytes.data(), static_cast<size_t>(bytes.size()));
        };
        watch.passFinished = [&](int pass) {
            ++passesSeen;
            const qint64 deviceNow = deviceBytesWritten(loop.device());
            EXPECT_GE(deviceNow - deviceBefore, onVolume) << "pass " << pass << " did not reach the device whole";
            EXPECT_LT(deviceNow - deviceBefore, 2 * onVolume) << "pass " << pass << " wrote the file more than once";
            deviceBefore = deviceNow;
            EXPECT_NE(expected, previous) << "pass " << pass << " wrote what the file held before";
            previous = expected;
            const std::vector<Extent> extents = physicalExtents(path);
            ASSERT_FALSE(extents.empty());
            qint64 checked = 0;
            int bad = 0;
            for (const Extent& e : extents) {
                const qint64 length = std::min(e.length, size - e.logical);
                if (length <= 0)
                    continue;
                if (readRaw(loop.device(), e.physical, length) != expected.mid(e.logical, length))
                    ++bad;
                checked += length;
            }
            EXPECT_EQ(checked, size);
            EXPECT_EQ(bad, 0) << "pass " << pass << ": the medium does not hold what the pass wrote";
        };
        EXPECT_TRUE(securelyEraseFile(path, count, watch));
        EXPECT_EQ(passesSeen, count);
        // The last pass is the zero pass only when it is the one pass.
        if (count == 1)
            EXPECT_EQ(expected.count('\0'), size);
        else
            EXPECT_LT(expected.count('\0'), size / 64);
    }
}

// A sparse file far larger than the free space: only its data is overwritten,
// no hole is ever filled, so the shred works and the volume never gets fuller.
TEST(EraseOnDisk, ASparseFileLargerThanTheFreeSpaceIsShreddedWithoutFillingItsHoles)
{
    nvtest::LoopDevice loop(40 * 1024 * 1024);
    SKIP_FOR(mountSteadyExt4(loop));
    const QString path = loop.mountPoint() + QStringLiteral("/disk.img");
    const qint64 apparent = 512LL * 1024 * 1024;
    struct Piece {
        qint64 offset;
        qint64 length;
    };
    const Piece pieces[] = {{0, 65536}, {100 * 1024 * 1024, 1024 * 1024 + 100}, {apparent - 4096, 4096}};
    QList<Sample> samples;
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(apparent));
        for (const Piece& p : pieces) {
            QByteArray bytes(p.length, '\0');
            ASSERT_TRUE(platform::secureRandomBytes(bytes.data(), static_cast<std::size_t>(p.length)));
            ASSERT_TRUE(f.seek(p.offset));
            ASSERT_EQ(f.write(bytes), p.length);
            samples << Sample{QStringLiteral("piece at %1").arg(p.offset), bytes.mid(bytes.size() / 2 / 4096 * 4096, 24)};
        }
    }
    ::sync();
    const qint64 before = freeBytes(loop.mountPoint());
    ASSERT_LT(before, apparent) << "the file must be larger than the free space";

    qint64 leastFree = before;
    std::vector<std::pair<qint64, qint64>> writes;
    EraseObserver watch;
    watch.chunkWritten = [&](int, std::int64_t offset, QByteArrayView bytes) { writes.emplace_back(offset, bytes.size()); };
    watch.passFinished = [&](int) { leastFree = std::min(leastFree, freeBytes(loop.mountPoint())); };
    platform::LogCapture log;
    EXPECT_TRUE(securelyEraseFile(path, 3, watch));
    EXPECT_TRUE(log.contains(QStringLiteral("sparse file: ")));
    EXPECT_GE(leastFree, before) << "a pass took room on the volume";
    EXPECT_GE(freeBytes(loop.mountPoint()), before);
    for (const auto& [offset, length] : writes) {
        const bool inside = std::any_of(std::begin(pieces), std::end(pieces), [&](const Piece& p) {
            // The file system keeps data in whole blocks.
            const qint64 start = p.offset / 4096 * 4096;
            const qint64 end = (p.offset + p.length + 4095) / 4096 * 4096;
            return offset >= start && offset + length <= end;
        });
        EXPECT_TRUE(inside) << "a write at " << offset << " of " << length << " went into a hole";
    }
    ASSERT_TRUE(loop.unmount());
    const QStringList left = foundIn(loop.image(), samples);
    EXPECT_TRUE(left.isEmpty()) << "still on the volume: " << left;
}
