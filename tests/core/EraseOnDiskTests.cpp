// Shreds files on a real volume, then reads the raw volume: nothing of what
// the files held may be left anywhere on it. ext4 is the kernel's own; FAT,
// exFAT and NTFS are reached through FUSE here, where direct I/O and flushes
// behave differently. (Copy-on-write file systems are left out: they never
// write over the old blocks, whatever a program does.)

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
    if (!loop.valid())
        GTEST_SKIP() << loop.skipReason().toStdString();
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
