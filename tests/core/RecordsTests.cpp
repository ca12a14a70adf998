#include "TestSupport.h"

#include "core/FileObj.h"
#include "core/VolumeObj.h"

#include <QFile>
#include <gtest/gtest.h>

TEST(Records, FreshRecordsAreEmptyAndVolumeTextsAreCopies)
{
    FileObj f;
    EXPECT_EQ(f.size(), 0);
    EXPECT_FALSE(f.isDir() || f.isSelect() || f.isSymbolicLink() || f.isSSD());
    EXPECT_TRUE(f.failStr().isNull());
    f.setIsSSD(); // kept for callers, probes nothing
    EXPECT_FALSE(f.isSSD());

    VolumeObj v;
    EXPECT_EQ(v.volumeTotalSizeNum(), 0);
    EXPECT_EQ(v.volumeFreeSizeNum(), 0);
    EXPECT_TRUE(v.volumeName().isNull() && v.volumeMountPoint().isNull() && v.BusProtocol().isNull());
    EXPECT_FALSE(v.isWritable() || v.bCanEject());
    QString name = QStringLiteral("DATA");
    v.setVolumeName(name);
    name[0] = QLatin1Char('X');
    EXPECT_EQ(v.volumeName(), QStringLiteral("DATA"));
}

TEST(Records, SymbolicLinkFlagComesFromTheItemItself)
{
    const QString dir = nvtest::freshFolder();
    ASSERT_TRUE(nvtest::writeFile(dir + QStringLiteral("/target"), "x"));
    ASSERT_TRUE(QFile::link(dir + QStringLiteral("/target"), dir + QStringLiteral("/link")));
    FileObj f;
    f.setUrl(dir + QStringLiteral("/link"));
    f.setIsSymbolicLink();
    EXPECT_TRUE(f.isSymbolicLink());
    f.setUrl(dir + QStringLiteral("/target"));
    f.setIsSymbolicLink();
    EXPECT_FALSE(f.isSymbolicLink());
}
