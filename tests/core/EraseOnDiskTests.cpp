// Shreds files on a real ext4 volume and then reads the raw volume: nothing
// of what the files held may be left anywhere on it.

#include "TestSupport.h"

#include "core/RemoveFileAndFolder.h"
#include "core/securelyEraseFile.h"
#include "platform/Defaults.h"
#include "platform/SecureRandom.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Sample {
    QString file;
    QByteArray needle;
};

QByteArray randomBytes(qint64 size)
{
    QByteArray b(size, '\0');
    EXPECT_TRUE(platform::secureRandomBytes(b.data(), static_cast<std::size_t>(size)));
    return b;
}

// Writes a file of fresh random bytes and keeps pieces of it from the start,
// the middle and the end. A piece never spans two blocks of the file system,
// which need not lie side by side on the volume; the end piece is taken from
// the last block when it holds enough, else from the end of the one before.
QList<Sample> plant(const QString& path, qint64 size)
{
    const qint64 block = 4096;
    const qint64 n = 24;
    const QByteArray content = randomBytes(size);
    EXPECT_TRUE(nvtest::writeFile(path, content));
    const qint64 lastBlock = (size - 1) / block * block;
    const qint64 endPiece = size - lastBlock >= n ? size - n : lastBlock - n;
    return {{path, content.left(n)}, {path, content.mid(size / 2 / block * block, n)}, {path, content.mid(endPiece, n)}};
}

// Which of the samples occur in the image, read once from end to end.
QStringList foundIn(const QString& image, const QList<Sample>& samples)
{
    QFile f(image);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << image;
    std::vector<bool> hit(samples.size(), false);
    QByteArray carry;
    while (!f.atEnd()) {
        const QByteArray block = carry + f.read(8 << 20);
        for (qsizetype i = 0; i < samples.size(); ++i)
            if (!hit[i] && block.contains(samples[i].needle))
                hit[i] = true;
        carry = block.right(64);
    }
    QStringList found;
    for (qsizetype i = 0; i < samples.size(); ++i)
        if (hit[i])
            found << QStringLiteral("%1 #%2").arg(QFileInfo(samples[i].file).fileName()).arg(i % 3);
    return found;
}

class Recorder : public RemoveFileAndFolderDelegate {
public:
    void removeObjEnd(const FileObjList&) override { ended = true; }
    std::atomic<bool> ended{false};
};

} // namespace

TEST(EraseOnDisk, NothingOfTheShreddedFilesIsLeftOnTheRawVolume)
{
    nvtest::LoopDevice loop(96 * 1024 * 1024);
    if (!loop.valid())
        GTEST_SKIP() << loop.skipReason().toStdString();
    // No discard: freed blocks keep their old bytes, as on a disk that never
    // trims, so only the overwrite can have destroyed them.
    ASSERT_TRUE(loop.format(QStringLiteral("ext4"), {QStringLiteral("-E"), QStringLiteral("nodiscard")}));
    QString mount = loop.mount(QStringLiteral("ext4"));
    ASSERT_FALSE(mount.isEmpty()) << "cannot mount the fresh ext4 volume";

    // Files for the engine itself, one pass and several.
    QList<Sample> samples;
    const QList<std::pair<QString, qint64>> direct{
        {QStringLiteral("tiny.txt"), 777}, {QStringLiteral("block.bin"), 4096}, {QStringLiteral("odd.bin"), 10001},
        {QStringLiteral("chunky.bin"), 16 * 1024 * 1024 + 1}};
    for (const auto& [name, size] : direct)
        samples << plant(mount + QLatin1Char('/') + name, size);

    // A folder for the queue, flattened as the File Eraser hands it over.
    const QString folder = mount + QStringLiteral("/Documents");
    const QString inner = folder + QStringLiteral("/letters");
    samples << plant(inner + QStringLiteral("/a.doc"), 3 * 1024 * 1024 + 17);
    samples << plant(inner + QStringLiteral("/b.doc"), 123457);
    samples << plant(folder + QStringLiteral("/c.pdf"), 65536);

    // The scan finds what is there: before shredding, every sample is on disk.
    ASSERT_TRUE(loop.unmount());
    const QStringList before = foundIn(loop.image(), samples);
    EXPECT_EQ(before.size(), samples.size()) << before;
    mount = loop.mount(QStringLiteral("ext4"));
    ASSERT_FALSE(mount.isEmpty());

    int passes = 1;
    for (const auto& [name, size] : direct) {
        EXPECT_TRUE(securelyEraseFile(mount + QLatin1Char('/') + name, passes)) << name;
        passes = passes == 1 ? 3 : 1;
    }

    auto entry = [](const QString& path, bool isDir) {
        auto f = std::make_shared<FileObj>();
        f->setUrl(path);
        f->setIsDir(isDir);
        f->setSize(isDir ? 0 : QFileInfo(path).size());
        return f;
    };
    const QString folderNow = mount + QStringLiteral("/Documents");
    const QString innerNow = folderNow + QStringLiteral("/letters");
    FileObjList list{entry(innerNow + QStringLiteral("/a.doc"), false), entry(innerNow + QStringLiteral("/b.doc"), false),
                     entry(innerNow, true), entry(folderNow + QStringLiteral("/c.pdf"), false), entry(folderNow, true)};
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 2);
    Recorder rec;
    RemoveFileAndFolder queue;
    queue.setDelegate(&rec);
    queue.benginToTraskWithArr(list);
    ASSERT_TRUE(nvtest::pumpUntil([&] { return rec.ended.load(); }, 120000));
    for (const auto& f : list)
        EXPECT_EQ(f->failStr(), QStringLiteral("Success")) << f->url();
    EXPECT_TRUE(QDir(mount).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                    == QStringList{QStringLiteral("lost+found")});

    ASSERT_TRUE(loop.unmount());
    const QStringList left = foundIn(loop.image(), samples);
    EXPECT_TRUE(left.isEmpty()) << "still on the volume: " << left;
}

// The removable-media file systems, reached through FUSE here: the engine
// must work where direct I/O or a flush behaves differently, and still leave
// nothing behind. (Copy-on-write file systems are left out: they never write
// over the old blocks, whatever a program does.)
class EraseOnFuseVolume : public ::testing::TestWithParam<const char*> {};

TEST_P(EraseOnFuseVolume, ShreddedFilesLeaveNothingOnTheRawVolume)
{
    const QString type = QString::fromLatin1(GetParam());
    nvtest::LoopDevice loop(64 * 1024 * 1024);
    if (!loop.valid())
        GTEST_SKIP() << loop.skipReason().toStdString();
    if (!loop.format(type))
        GTEST_SKIP() << "mkfs." << type.toStdString() << " is not available";
    QString mount = loop.mount(type);
    if (mount.isEmpty())
        GTEST_SKIP() << "cannot mount " << type.toStdString() << " (its FUSE driver is missing)";

    QList<Sample> samples;
    const QList<std::pair<QString, qint64>> files{
        {QStringLiteral("note.txt"), 5000}, {QStringLiteral("clip.bin"), 3 * 1024 * 1024 + 99}};
    for (const auto& [name, size] : files)
        samples << plant(mount + QLatin1Char('/') + name, size);
    ASSERT_TRUE(loop.unmount());
    const QStringList before = foundIn(loop.image(), samples);
    ASSERT_EQ(before.size(), samples.size()) << before;
    mount = loop.mount(type);
    ASSERT_FALSE(mount.isEmpty());

    for (const auto& [name, size] : files) {
        EXPECT_TRUE(securelyEraseFile(mount + QLatin1Char('/') + name, 2)) << name;
        EXPECT_FALSE(QFileInfo::exists(mount + QLatin1Char('/') + name));
    }
    ASSERT_TRUE(loop.unmount());
    const QStringList left = foundIn(loop.image(), samples);
    EXPECT_TRUE(left.isEmpty()) << "still on the volume: " << left;
}

INSTANTIATE_TEST_SUITE_P(Removable, EraseOnFuseVolume, ::testing::Values("vfat", "exfat", "ntfs"));
