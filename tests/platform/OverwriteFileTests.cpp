#include "TestSupport.h"

#include "platform/FileAttributes.h"
#include "platform/OverwriteFile.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

TEST(OverwriteFile, OverwritesInPlaceWithDirectBlocksAndABufferedTail)
{
    const QString dir = nvtest::freshFolder();
    // Whether this folder takes direct I/O at all, asked independently.
    const QByteArray probe = QFile::encodeName(dir + QStringLiteral("/probe"));
    const int fd = ::open(probe.constData(), O_CREAT | O_WRONLY | O_DIRECT, 0600);
    const bool direct = fd >= 0;
    if (fd >= 0)
        ::close(fd);

    const qint64 size = 5 * 4096 + 1000;
    char* buffer = static_cast<char*>(platform::OverwriteFile::allocateBuffer(size));
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(reinterpret_cast<quintptr>(buffer) % 4096, 0u);
    EXPECT_EQ(QByteArray(buffer, size).count('\0'), size) << "the buffer starts zeroed";
    for (const auto mode : {platform::OverwriteFile::Mode::Automatic, platform::OverwriteFile::Mode::Buffered}) {
        const bool buffered = mode == platform::OverwriteFile::Mode::Buffered;
        const QString path = dir + (buffered ? QStringLiteral("/b") : QStringLiteral("/a"));
        ASSERT_TRUE(nvtest::writeFile(path, QByteArray(size, 'o')));
        platform::OverwriteFile f;
        ASSERT_TRUE(f.open(path, mode));
        EXPECT_EQ(f.usesDirectIo(), direct && !buffered);
        for (char fill : {'1', '2'}) {
            std::memset(buffer, fill, size);
            ASSERT_TRUE(f.rewind());
            EXPECT_EQ(f.write(buffer, size), size);
            EXPECT_TRUE(f.finishPass());
            EXPECT_EQ(readAll(path), QByteArray(size, fill));
        }
        // After a tail through the cache, whole blocks bypass it again.
        ASSERT_TRUE(f.rewind());
        EXPECT_EQ(f.write(buffer, 4096), 4096);
        EXPECT_EQ(f.usesDirectIo(), direct && !buffered);
        EXPECT_TRUE(f.truncate(0));
        f.close();
        EXPECT_EQ(QFileInfo(path).size(), 0);
    }
    platform::OverwriteFile::freeBuffer(buffer);

    // A pipe without a reader neither hangs the open nor is taken.
    ASSERT_EQ(mkfifo(QFile::encodeName(dir + QStringLiteral("/pipe")).constData(), 0600), 0);
    platform::OverwriteFile pipe;
    EXPECT_FALSE(pipe.open(dir + QStringLiteral("/pipe")));
}

TEST(FileAttributes, RenameNeverReplacesAnExistingItem)
{
    const QString dir = nvtest::freshFolder();
    ASSERT_TRUE(nvtest::writeFile(dir + QStringLiteral("/a"), "a"));
    ASSERT_TRUE(nvtest::writeFile(dir + QStringLiteral("/b"), "b"));
    QString error;
    EXPECT_FALSE(platform::renameItem(dir + QStringLiteral("/a"), dir + QStringLiteral("/b"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readAll(dir + QStringLiteral("/b")), QByteArray("b"));
    EXPECT_TRUE(platform::renameItem(dir + QStringLiteral("/a"), dir + QStringLiteral("/c")));
    EXPECT_EQ(readAll(dir + QStringLiteral("/c")), QByteArray("a"));
}
