#include "TestSupport.h"

#include "core/FileObj.h"
#include "core/VolumeObj.h"

#include <QFile>
#include <gtest/gtest.h>

TEST(FileObj, FreshRecordIsEmptyAndSettersStick)
{
    FileObj f;
    EXPECT_EQ(f.size(), 0);
    EXPECT_FALSE(f.isDir());
    EXPECT_FALSE(f.isSelect());
    EXPECT_FALSE(f.isSymbolicLink());
    EXPECT_FALSE(f.isSSD());
    EXPECT_TRUE(f.failStr().isNull());
    EXPECT_TRUE(f.url().isNull());

    f.setName(QStringLiteral("a.txt"));
    f.setUrl(QStringLiteral("/x/a.txt"));
    f.setType(QStringLiteral("txt"));
    f.setSize(-5);
    f.setIsDir(true);
    f.setIsSelect(true);
    f.setFailStr(QStringLiteral("Fail"));
    EXPECT_EQ(f.name(), QStringLiteral("a.txt"));
    EXPECT_EQ(f.url(), QStringLiteral("/x/a.txt"));
    EXPECT_EQ(f.type(), QStringLiteral("txt"));
    EXPECT_EQ(f.size(), -5);
    EXPECT_TRUE(f.isDir());
    EXPECT_TRUE(f.isSelect());
    EXPECT_EQ(f.failStr(), QStringLiteral("Fail"));

    // The argument-less form never probes anything.
    f.setIsSSD();
    EXPECT_FALSE(f.isSSD());
}

TEST(FileObj, SymbolicLinkFlagComesFromTheItemItself)
{
    const QString dir = nvtest::freshFolder();
    const QString target = dir + QStringLiteral("/target");
    const QString link = dir + QStringLiteral("/link");
    ASSERT_TRUE(nvtest::writeFile(target, "x"));
    ASSERT_TRUE(QFile::link(target, link));

    FileObj f;
    f.setUrl(link);
    f.setIsSymbolicLink();
    EXPECT_TRUE(f.isSymbolicLink());
    f.setUrl(target);
    f.setIsSymbolicLink();
    EXPECT_FALSE(f.isSymbolicLink());
    EXPECT_TRUE(isFileSymbolicLink(link));
    EXPECT_FALSE(isFileSymbolicLink(dir + QStringLiteral("/missing")));
}

TEST(VolumeObj, FreshRecordIsEmptyAndTextsAreCopies)
{
    VolumeObj v;
    EXPECT_EQ(v.volumeTotalSizeNum(), 0);
    EXPECT_EQ(v.volumeFreeSizeNum(), 0);
    EXPECT_TRUE(v.volumeName().isNull());
    EXPECT_TRUE(v.volumeMountPoint().isNull());
    EXPECT_TRUE(v.BusProtocol().isNull());
    EXPECT_FALSE(v.isWritable());
    EXPECT_FALSE(v.bCanEject());

    QString name = QStringLiteral("DATA");
    v.setVolumeName(name);
    name.append(QStringLiteral("-changed"));
    name[0] = QLatin1Char('X');
    EXPECT_EQ(v.volumeName(), QStringLiteral("DATA"));

    v.setVolumeTotalSizeNum(1'000'000'000'000LL);
    v.setVolumeFreeSizeNum(-1);
    v.setBCanEject(true);
    v.setIsWritable(true);
    v.setParentWholeDisk(QStringLiteral("sdb"));
    EXPECT_EQ(v.volumeTotalSizeNum(), 1'000'000'000'000LL);
    EXPECT_EQ(v.volumeFreeSizeNum(), -1);
    EXPECT_TRUE(v.bCanEject());
    EXPECT_TRUE(v.isWritable());
    EXPECT_EQ(v.parentWholeDisk(), QStringLiteral("sdb"));
}
