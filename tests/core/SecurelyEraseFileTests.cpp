#include "TestSupport.h"

#include "core/securelyEraseFile.h"
#include "platform/HeldItem.h"
#include "platform/Log.h"
#include "platform/Process.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Records each pass: its chunks, the bytes it wrote, and what the file held
// on disk once the pass had finished.
struct Watch {
    explicit Watch(const QString& p) : path(p) {}
    QString path;
    std::map<int, std::vector<std::pair<std::int64_t, std::int64_t>>> chunks;
    std::map<int, QByteArray> written, onDisk;

    EraseObserver observer()
    {
        return {[this](int pass, std::int64_t offset, QByteArrayView bytes) {
                    chunks[pass].emplace_back(offset, bytes.size());
                    EXPECT_EQ(offset, written[pass].size()) << "chunks follow each other without gaps";
                    written[pass].append(bytes.data(), bytes.size());
                },
                [this](int pass) { onDisk[pass] = readAll(path); }};
    }
};

// Root ignores permission bits, so for root the immutable flag stands in.
bool setLocked(const QString& path, bool locked)
{
    if (nvtest::isRoot())
        return platform::runProcess(QStringLiteral("chattr"), {locked ? QStringLiteral("+i") : QStringLiteral("-i"), path})
            .succeeded();
    return QFile::setPermissions(path, locked ? QFileDevice::ReadOwner | QFileDevice::ExeOwner
                                              : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace

// Every count a standard names (1, 2, 3, 7, 35) is written in full, zeros
// first; a count below one is one pass, and none goes past the largest.
TEST(SecurelyEraseFile, EveryStandardsPassesOverwriteTheWholeFileInPlace)
{
    const qint64 size = 3 * 4096 + 123; // ends inside a block
    for (const auto& [asked, expected] : std::vector<std::pair<int, int>>{
             {-3, 1}, {0, 1}, {1, 1}, {2, 2}, {3, 3}, {7, 7}, {35, 35}, {36, 35}}) {
        SCOPED_TRACE(asked);
        const QString dir = nvtest::freshFolder();
        Watch watch(dir + QStringLiteral("/doc.bin"));
        ASSERT_TRUE(nvtest::writeFile(watch.path, QByteArray(size, 'k')));
        platform::LogCapture log;
        EXPECT_TRUE(securelyEraseFile(watch.path, asked, watch.observer()));

        ASSERT_EQ(static_cast<int>(watch.onDisk.size()), expected);
        for (int pass = 0; pass < expected; ++pass) {
            const QByteArray& bytes = watch.written[pass];
            ASSERT_EQ(bytes.size(), size);
            EXPECT_EQ(watch.onDisk[pass], bytes) << "pass " << pass << " went over the old bytes";
            if (pass == 0) {
                EXPECT_EQ(bytes.count('\0'), size);
            } else {
                EXPECT_TRUE(bytes.count('\0') < size / 64 && bytes != watch.written[pass - 1]) << "fresh random bytes";
            }
        }
        // Renamed within its folder, then gone without a trace of any name.
        EXPECT_TRUE(entries(dir).isEmpty()) << entries(dir);
        const QRegularExpression renamed(QStringLiteral("^文件已重命名为: %1/[a-z]{15}\\.deleted$").arg(QRegularExpression::escape(dir)));
        EXPECT_FALSE(log.lines().filter(renamed).isEmpty()) << log.lines();
        EXPECT_EQ(log.lines().last(), QStringLiteral("文件已成功删除"));
    }
}

TEST(SecurelyEraseFile, WritesWholeChunksAndAShortLastOne)
{
    const std::int64_t chunk = kEraseChunkSize;
    for (const std::int64_t size : {chunk, chunk + 1}) {
        Watch watch(nvtest::freshFolder() + QStringLiteral("/big.bin"));
        ASSERT_TRUE(nvtest::writeFile(watch.path, QByteArray(size, 'Q')));
        EXPECT_TRUE(securelyEraseFile(watch.path, 2, watch.observer()));
        std::vector<std::pair<std::int64_t, std::int64_t>> expected{{0, chunk}};
        if (size > chunk)
            expected.emplace_back(chunk, 1);
        EXPECT_EQ(watch.chunks[0], expected);
        EXPECT_EQ(watch.chunks[1], expected);
        EXPECT_EQ(watch.onDisk[1], watch.written[1]);
    }

    Watch empty(nvtest::freshFolder() + QStringLiteral("/empty"));
    ASSERT_TRUE(nvtest::writeFile(empty.path, QByteArray()));
    EXPECT_TRUE(securelyEraseFile(empty.path, 3, empty.observer()));
    EXPECT_TRUE(empty.chunks.empty());
    EXPECT_EQ(empty.onDisk.size(), 3u) << "each pass of an empty file still flushes";
    EXPECT_FALSE(QFile::exists(empty.path));
}

TEST(SecurelyEraseFile, SurvivingHardLinkShowsTruncationEpochTimesModeAndNoAttributes)
{
    // A second name of the file outlives the removal and shows what was done
    // to the file before.
    const QString path = nvtest::freshFolder() + QStringLiteral("/f");
    const QString witness = nvtest::freshFolder() + QStringLiteral("/witness");
    ASSERT_TRUE(nvtest::writeFile(path, QByteArray(100000, 'w')));
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(witness).constData()), 0);
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0666), 0);
    const bool tagged = setxattr(QFile::encodeName(path).constData(), "user.origin", "web", 3, 0) == 0;

    ASSERT_TRUE(securelyEraseFile(path, 2));
    struct stat st {};
    ASSERT_EQ(lstat(QFile::encodeName(witness).constData(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(st.st_mtim.tv_sec, 0);
    EXPECT_EQ(st.st_atim.tv_sec, 0);
    char value[8];
    if (tagged) {
        EXPECT_LT(getxattr(QFile::encodeName(witness).constData(), "user.origin", value, sizeof value), 0);
    }
}

TEST(SecurelyEraseFile, MissingUnwritableAndFolderPathsFailAndStayAsTheyWere)
{
    const QString dir = nvtest::freshFolder();
    platform::LogCapture log;
    EXPECT_FALSE(securelyEraseFile(dir + QStringLiteral("/nothing"), 1));
    EXPECT_TRUE(log.contains(QStringLiteral("文件不存在")));
    EXPECT_TRUE(entries(dir).isEmpty());

    ASSERT_TRUE(nvtest::writeFile(dir + QStringLiteral("/photos/a.jpg"), "jpeg"));
    EXPECT_FALSE(securelyEraseFile(dir + QStringLiteral("/photos"), 1));
    EXPECT_TRUE(log.contains(QStringLiteral("无法打开文件进行写入")));
    EXPECT_EQ(readAll(dir + QStringLiteral("/photos/a.jpg")), QByteArray("jpeg"));

    const QString locked = dir + QStringLiteral("/locked");
    ASSERT_TRUE(nvtest::writeFile(locked, "do not touch"));
    if (!setLocked(locked, true))
        GTEST_SKIP() << "this file system does not take the immutable flag";
    const bool erased = securelyEraseFile(locked, 3);
    setLocked(locked, false);
    EXPECT_FALSE(erased);
    EXPECT_EQ(readAll(locked), QByteArray("do not touch"));

    // Fails after the overwrite: the file stays, cut to nothing, under its name.
    ASSERT_TRUE(setLocked(dir, true));
    const bool renamed = securelyEraseFile(locked, 1);
    setLocked(dir, false);
    EXPECT_FALSE(renamed);
    EXPECT_TRUE(log.contains(QStringLiteral("移动文件到 tmp1 失败: ")));
    EXPECT_EQ(entries(dir), (QStringList{QStringLiteral("locked"), QStringLiteral("photos")}));
    EXPECT_EQ(QFileInfo(locked).size(), 0);
}

TEST(SecurelyEraseFile, LinksAreRemovedThemselvesAndTheirTargetsUntouched)
{
    const QString dir = nvtest::freshFolder();
    const QString elsewhere = nvtest::freshFolder();
    const QString target = elsewhere + QStringLiteral("/precious");
    ASSERT_TRUE(nvtest::writeFile(target, QByteArray(70000, 'p')));
    ASSERT_EQ(chmod(QFile::encodeName(target).constData(), 0644), 0);
    ASSERT_TRUE(QFile::link(target, dir + QStringLiteral("/to-file")));
    ASSERT_TRUE(QFile::link(elsewhere, dir + QStringLiteral("/to-folder")));
    ASSERT_TRUE(QFile::link(elsewhere + QStringLiteral("/gone"), dir + QStringLiteral("/dangling")));
    struct stat before {};
    ASSERT_EQ(stat(QFile::encodeName(target).constData(), &before), 0);

    for (const QString& name : entries(dir))
        EXPECT_TRUE(securelyEraseFile(dir + QLatin1Char('/') + name, 3)) << name;
    EXPECT_TRUE(entries(dir).isEmpty()) << entries(dir);
    struct stat after {};
    ASSERT_EQ(stat(QFile::encodeName(target).constData(), &after), 0);
    EXPECT_EQ(readAll(target), QByteArray(70000, 'p'));
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
}

// One session for a series of files: its buffers are no larger than the
// largest file met (whole blocks, at most one chunk) and are kept, and the
// random bytes made ahead on the second thread are fresh for every chunk.
TEST(SecurelyEraseFile, ASessionKeepsBuffersNoLargerThanTheFilesAndMakesEveryChunkFresh)
{
    const std::int64_t chunk = kEraseChunkSize;
    EraseSession session;
    EXPECT_EQ(session.bufferSize(), 0);
    const QString dir = nvtest::freshFolder();
    const auto shred = [&](const QString& name, qint64 size, int passes, Watch* watch = nullptr) {
        const QString path = dir + QLatin1Char('/') + name;
        EXPECT_TRUE(nvtest::writeFile(path, QByteArray(size, 'd')));
        platform::HeldItem item = platform::HeldItem::byPath(path);
        EXPECT_TRUE(securelyEraseFile(item, passes, session, watch ? watch->observer() : EraseObserver{}));
        EXPECT_FALSE(QFile::exists(path));
    };
    shred(QStringLiteral("tiny"), 100, 3);
    EXPECT_EQ(session.bufferSize(), 4096);
    shred(QStringLiteral("page"), 4096, 3);
    EXPECT_EQ(session.bufferSize(), 4096);
    shred(QStringLiteral("some"), 300000, 2);
    EXPECT_EQ(session.bufferSize(), 303104);

    // Three chunks per pass, the last one short: each made while the one
    // before was written, each different from the others.
    Watch big(dir + QStringLiteral("/big"));
    shred(QStringLiteral("big"), 2 * chunk + 777, 3, &big);
    EXPECT_EQ(session.bufferSize(), chunk);
    for (int pass = 1; pass < 3; ++pass) {
        SCOPED_TRACE(pass);
        ASSERT_EQ(big.chunks[pass].size(), 3u);
        const QByteArray& bytes = big.written[pass];
        ASSERT_EQ(bytes.size(), 2 * chunk + 777);
        const QByteArray first = bytes.left(4096), second = bytes.mid(chunk, 4096), third = bytes.mid(2 * chunk, 777);
        EXPECT_NE(first, second);
        EXPECT_NE(first.left(777), third);
        EXPECT_LT(bytes.count('\0'), bytes.size() / 128) << "every chunk holds random bytes, none a stale or empty buffer";
        EXPECT_NE(bytes, big.written[pass - 1]);
    }
    // A smaller file later keeps the buffers: none is made anew per file.
    shred(QStringLiteral("after"), 4096, 2);
    EXPECT_EQ(session.bufferSize(), chunk);
}
