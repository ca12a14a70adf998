#include "TestSupport.h"

#include "core/securelyEraseFile.h"
#include "platform/Log.h"
#include "platform/Process.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

QByteArray pattern(qint64 size, char seed)
{
    QByteArray b(size, '\0');
    for (qint64 i = 0; i < size; ++i)
        b[i] = static_cast<char>(seed + i * 7 % 251);
    return b;
}

// Watches an erase: what each pass wrote, chunk by chunk, and what the file
// held on disk when the pass had finished.
struct Watch {
    QString path;
    std::map<int, std::vector<std::pair<std::int64_t, std::int64_t>>> chunks; // pass -> (offset, length)
    std::map<int, QByteArray> written;                                         // pass -> bytes in file order
    std::map<int, QByteArray> onDisk;                                          // pass -> file at pass end
    int passesFinished = 0;

    EraseObserver observer()
    {
        EraseObserver o;
        o.chunkWritten = [this](int pass, std::int64_t offset, QByteArrayView bytes) {
            chunks[pass].emplace_back(offset, bytes.size());
            QByteArray& all = written[pass];
            EXPECT_EQ(offset, all.size()) << "chunks are written in order, without gaps";
            all.append(bytes.data(), bytes.size());
        };
        o.passFinished = [this](int pass) {
            EXPECT_EQ(pass, passesFinished);
            ++passesFinished;
            onDisk[pass] = readAll(path);
        };
        return o;
    }
};

bool allZero(const QByteArray& b)
{
    return b.count('\0') == b.size();
}

// Makes a file that we may not open for writing: immutable for root (the
// permission bits do not stop root), read-only for everybody else.
bool makeUnwritable(const QString& path)
{
    if (nvtest::isRoot())
        return platform::runProcess(QStringLiteral("chattr"), {QStringLiteral("+i"), path}).succeeded();
    return QFile::setPermissions(path, QFileDevice::ReadOwner);
}

void makeWritableAgain(const QString& path)
{
    if (nvtest::isRoot())
        platform::runProcess(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace

TEST(SecurelyEraseFile, PassCountIsClampedAndEveryPassOverwritesTheWholeFileInPlace)
{
    // An odd length, so that the last chunk ends inside a block.
    const qint64 size = 3 * 4096 + 123;
    const std::vector<std::pair<int, int>> cases{{-3, 1}, {0, 1}, {1, 1}, {2, 2}, {3, 3}, {5, 5}, {7, 5}, {35, 5}};
    for (const auto& [asked, expected] : cases) {
        SCOPED_TRACE(asked);
        const QString dir = nvtest::freshFolder();
        Watch watch;
        watch.path = dir + QStringLiteral("/doc.bin");
        ASSERT_TRUE(nvtest::writeFile(watch.path, pattern(size, 'k')));

        EXPECT_TRUE(securelyEraseFile(watch.path, asked, watch.observer()));
        EXPECT_EQ(watch.passesFinished, expected);
        ASSERT_EQ(static_cast<int>(watch.written.size()), expected);
        for (int pass = 0; pass < expected; ++pass) {
            SCOPED_TRACE(pass);
            const QByteArray& bytes = watch.written[pass];
            ASSERT_EQ(bytes.size(), size);
            // What the pass wrote is what the file held when it ended: the
            // bytes went over the old ones, not beside them.
            EXPECT_EQ(watch.onDisk[pass], bytes);
            if (pass == 0) {
                EXPECT_TRUE(allZero(bytes));
            } else {
                EXPECT_FALSE(allZero(bytes));
                EXPECT_NE(bytes, watch.written[pass - 1]) << "each random pass draws fresh bytes";
                EXPECT_LT(bytes.count('\0'), size / 64);
            }
        }
        EXPECT_TRUE(entries(dir).isEmpty()) << entries(dir);
    }
}

TEST(SecurelyEraseFile, WritesInChunksOfSixteenMebibytes)
{
    const std::int64_t chunk = 16 * 1024 * 1024;
    ASSERT_EQ(kEraseChunkSize, chunk);
    for (const std::int64_t size : {chunk, chunk + 1}) {
        SCOPED_TRACE(size);
        const QString dir = nvtest::freshFolder();
        Watch watch;
        watch.path = dir + QStringLiteral("/big.bin");
        ASSERT_TRUE(nvtest::writeFile(watch.path, QByteArray(size, 'Q')));

        EXPECT_TRUE(securelyEraseFile(watch.path, 2, watch.observer()));
        ASSERT_EQ(watch.passesFinished, 2);
        std::vector<std::pair<std::int64_t, std::int64_t>> expected{{0, chunk}};
        if (size > chunk)
            expected.emplace_back(chunk, 1);
        EXPECT_EQ(watch.chunks[0], expected);
        EXPECT_EQ(watch.chunks[1], expected);
        EXPECT_EQ(watch.onDisk[1], watch.written[1]);
        // The two chunks of a random pass are drawn separately.
        EXPECT_FALSE(watch.onDisk[1].contains(QByteArray(4096, 'Q')));
        EXPECT_TRUE(entries(dir).isEmpty());
    }
}

TEST(SecurelyEraseFile, ZeroLengthFileIsNotWrittenButStillRemoved)
{
    const QString dir = nvtest::freshFolder();
    Watch watch;
    watch.path = dir + QStringLiteral("/empty");
    ASSERT_TRUE(nvtest::writeFile(watch.path, QByteArray()));
    EXPECT_TRUE(securelyEraseFile(watch.path, 3, watch.observer()));
    EXPECT_TRUE(watch.chunks.empty());
    EXPECT_EQ(watch.passesFinished, 3);
    EXPECT_TRUE(entries(dir).isEmpty());
}

TEST(SecurelyEraseFile, SuccessLeavesNoNameBehindAndLogsTheSteps)
{
    const QString dir = nvtest::freshFolder();
    const QString path = dir + QStringLiteral("/secret report.txt");
    ASSERT_TRUE(nvtest::writeFile(path, "the plan"));
    platform::LogCapture log;
    ASSERT_TRUE(securelyEraseFile(path, 1));

    EXPECT_TRUE(entries(dir).isEmpty()) << entries(dir);
    const QRegularExpression renamed(QStringLiteral("^文件已重命名为: (.*/)([a-z]{15})\\.deleted$"));
    QString finalPath;
    for (const QString& line : log.lines()) {
        const auto m = renamed.match(line);
        if (m.hasMatch()) {
            EXPECT_EQ(m.captured(1), dir + QLatin1Char('/'));
            finalPath = m.captured(1) + m.captured(2) + QStringLiteral(".deleted");
        }
    }
    ASSERT_FALSE(finalPath.isEmpty()) << log.lines();
    EXPECT_FALSE(QFileInfo::exists(finalPath));
    EXPECT_EQ(log.lines().last(), QStringLiteral("文件已成功删除"));
}

TEST(SecurelyEraseFile, SurvivingHardLinkShowsTruncationEpochTimesModeAndNoAttributes)
{
    // A second name of the same file outlives the removal and shows what the
    // engine did to the file before removing its own name.
    const QString dir = nvtest::freshFolder();
    const QString path = dir + QStringLiteral("/f");
    const QString witness = nvtest::freshFolder() + QStringLiteral("/witness");
    ASSERT_TRUE(nvtest::writeFile(path, pattern(100000, 'w')));
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(witness).constData()), 0);
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                                | QFileDevice::ReadOther | QFileDevice::WriteOther));
    const bool tagged = setxattr(QFile::encodeName(path).constData(), "user.origin", "web", 3, 0) == 0;

    ASSERT_TRUE(securelyEraseFile(path, 2));
    EXPECT_TRUE(entries(dir).isEmpty());
    struct stat st {};
    ASSERT_EQ(lstat(QFile::encodeName(witness).constData(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(st.st_mtim.tv_sec, 0);
    EXPECT_EQ(st.st_atim.tv_sec, 0);
    if (tagged) {
        char value[8];
        EXPECT_LT(getxattr(QFile::encodeName(witness).constData(), "user.origin", value, sizeof value), 0);
    }
}

TEST(SecurelyEraseFile, MissingPathFailsAndCreatesNothing)
{
    const QString dir = nvtest::freshFolder();
    platform::LogCapture log;
    EXPECT_FALSE(securelyEraseFile(dir + QStringLiteral("/nothing here"), 1));
    EXPECT_TRUE(log.contains(QStringLiteral("文件不存在")));
    EXPECT_TRUE(entries(dir).isEmpty());
}

TEST(SecurelyEraseFile, UnwritableFileFailsAndIsLeftUntouched)
{
    const QString dir = nvtest::freshFolder();
    const QString path = dir + QStringLiteral("/locked");
    const QByteArray content = pattern(5000, 'u');
    ASSERT_TRUE(nvtest::writeFile(path, content));
    if (!makeUnwritable(path))
        GTEST_SKIP() << "this file system does not take the immutable flag";
    platform::LogCapture log;
    const bool erased = securelyEraseFile(path, 3);
    makeWritableAgain(path);
    EXPECT_FALSE(erased);
    EXPECT_TRUE(log.contains(QStringLiteral("无法打开文件进行写入")));
    EXPECT_EQ(readAll(path), content);
    EXPECT_EQ(entries(dir), QStringList{QStringLiteral("locked")});
}

TEST(SecurelyEraseFile, FolderIsNeverOpenedAndKeepsItsContents)
{
    const QString dir = nvtest::freshFolder();
    const QString folder = dir + QStringLiteral("/photos");
    ASSERT_TRUE(nvtest::writeFile(folder + QStringLiteral("/a.jpg"), "jpeg"));
    platform::LogCapture log;
    EXPECT_FALSE(securelyEraseFile(folder, 1));
    EXPECT_TRUE(log.contains(QStringLiteral("无法打开文件进行写入")));
    EXPECT_EQ(readAll(folder + QStringLiteral("/a.jpg")), QByteArray("jpeg"));
    EXPECT_EQ(entries(dir), QStringList{QStringLiteral("photos")});
}

TEST(SecurelyEraseFile, SymbolicLinkIsRemovedItselfAndItsTargetIsUntouched)
{
    const QString dir = nvtest::freshFolder();
    const QString elsewhere = nvtest::freshFolder();
    const QString target = elsewhere + QStringLiteral("/precious");
    const QByteArray content = pattern(70000, 'p');
    ASSERT_TRUE(nvtest::writeFile(target, content));
    ASSERT_TRUE(QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));
    const QString toFile = dir + QStringLiteral("/link");
    const QString toFolder = dir + QStringLiteral("/folder-link");
    const QString dangling = dir + QStringLiteral("/dangling");
    ASSERT_TRUE(QFile::link(target, toFile));
    ASSERT_TRUE(QFile::link(elsewhere, toFolder));
    ASSERT_TRUE(QFile::link(elsewhere + QStringLiteral("/gone"), dangling));
    const QDateTime modified = QFileInfo(target).lastModified();

    EXPECT_TRUE(securelyEraseFile(toFile, 3));
    EXPECT_TRUE(securelyEraseFile(toFolder, 3));
    EXPECT_TRUE(securelyEraseFile(dangling, 1));

    EXPECT_TRUE(entries(dir).isEmpty()) << entries(dir);
    EXPECT_EQ(readAll(target), content);
    EXPECT_EQ(QFileInfo(target).lastModified(), modified);
    EXPECT_EQ(QFileInfo(target).permissions() & (QFileDevice::ReadOther | QFileDevice::WriteOwner),
              QFileDevice::ReadOther | QFileDevice::WriteOwner);
    EXPECT_EQ(entries(elsewhere), QStringList{QStringLiteral("precious")});
}

TEST(SecurelyEraseFile, FailedRenameLeavesTheFileTruncatedUnderItsName)
{
    const QString dir = nvtest::freshFolder();
    const QString path = dir + QStringLiteral("/stuck");
    ASSERT_TRUE(nvtest::writeFile(path, pattern(9000, 's')));
    // A folder whose entries cannot change: immutable for root, read-only for
    // everybody else.
    bool locked;
    if (nvtest::isRoot())
        locked = platform::runProcess(QStringLiteral("chattr"), {QStringLiteral("+i"), dir}).succeeded();
    else
        locked = QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (!locked)
        GTEST_SKIP() << "this file system does not take the immutable flag";
    platform::LogCapture log;
    const bool erased = securelyEraseFile(path, 1);
    makeWritableAgain(dir);

    EXPECT_FALSE(erased);
    EXPECT_TRUE(log.contains(QStringLiteral("移动文件到 tmp1 失败: ")));
    EXPECT_EQ(entries(dir), QStringList{QStringLiteral("stuck")});
    EXPECT_EQ(QFileInfo(path).size(), 0);
}
