#include "TestSupport.h"

#include "tools/fileeraser/EraseRunRules.h"
#include "tools/fileeraser/FileEraserList.h"


#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

TEST(EraseRun, ElapsedClockUsesWholeSeconds)
{
    EXPECT_EQ(eraserun::elapsedTimeText(0), QStringLiteral("0:00:00"));
    EXPECT_EQ(eraserun::elapsedTimeText(1), QStringLiteral("0:00:01"));
    EXPECT_EQ(eraserun::elapsedTimeText(59), QStringLiteral("0:00:59"));
    EXPECT_EQ(eraserun::elapsedTimeText(60), QStringLiteral("0:01:00"));
    EXPECT_EQ(eraserun::elapsedTimeText(90), QStringLiteral("0:01:30"));
    EXPECT_EQ(eraserun::elapsedTimeText(3599), QStringLiteral("0:59:59"));
    EXPECT_EQ(eraserun::elapsedTimeText(3600), QStringLiteral("1:00:00"));
    EXPECT_EQ(eraserun::elapsedTimeText(5399), QStringLiteral("1:29:59"));
    EXPECT_EQ(eraserun::elapsedTimeText(36061), QStringLiteral("10:01:01"));
}

TEST(EraseRun, ProgressTextsAndBar)
{
    EXPECT_EQ(eraserun::progressCountText(3, 0), QStringLiteral("3 文件中的 0 个"));
    EXPECT_EQ(eraserun::progressCountText(12, 7), QStringLiteral("12 文件中的 7 个"));
    EXPECT_DOUBLE_EQ(eraserun::progressBarValue(0.0f), 0.1);
    EXPECT_DOUBLE_EQ(eraserun::progressBarValue(5.0f), 0.1);
    EXPECT_DOUBLE_EQ(eraserun::progressBarValue(33.0f), 0.33);
    EXPECT_DOUBLE_EQ(eraserun::progressBarValue(80.0f), 0.8);
    EXPECT_DOUBLE_EQ(eraserun::progressBarValue(100.0f), 1.0);
    EXPECT_DOUBLE_EQ(eraserun::progressBarValue(250.0f), 1.0);
    EXPECT_DOUBLE_EQ(eraserun::progressBarValue(-4.0f), 0.1);
}

TEST(EraseRun, EndMarksByWhatIsLeftAndChoosesThePane)
{
    const QString dir = nvtest::freshFolder(QStringLiteral("end"));
    for (const char* name : {"gone.txt", "kept.txt", "unticked.txt"})
        ASSERT_TRUE(nvtest::writeFile(dir + "/" + name, "data"));
    ASSERT_TRUE(nvtest::writeFile(dir + "/Folder/inner", "i"));
    FileEraserList list;
    list.addPaths({dir + "/gone.txt", dir + "/kept.txt", dir + "/unticked.txt", dir + "/Folder"}, {});
    list.flipTick(2);
    ASSERT_TRUE(QFile::remove(dir + "/gone.txt"));
    ASSERT_TRUE(QDir(dir + "/Folder").removeRecursively());

    const auto done = [](std::initializer_list<const char*> results) {
        FileObjList out;
        for (const char* r : results) {
            auto item = std::make_shared<FileObj>();
            item->setFailStr(QString::fromLatin1(r));
            out << item;
        }
        return out;
    };

    // Something ticked is still there: failure, whatever the queue said.
    auto end = eraserun::finishEraseRun(list.valueArr(), done({"Success", "Success"}), false, false);
    EXPECT_TRUE(end.showFailure);
    EXPECT_FALSE(end.cancelled);
    ASSERT_EQ(end.marked.size(), 3);
    EXPECT_EQ(end.marked.at(0)->url(), dir + "/gone.txt");
    EXPECT_EQ(end.marked.at(0)->failStr(), eraserun::kMarkSuccess);
    EXPECT_EQ(end.marked.at(1)->failStr(), eraserun::kMarkFailure);
    EXPECT_EQ(end.marked.at(2)->url(), dir + "/Folder");
    EXPECT_EQ(end.marked.at(2)->failStr(), eraserun::kMarkSuccess);
    ASSERT_EQ(end.remaining.size(), 1);
    EXPECT_EQ(end.remaining.at(0)->url(), dir + "/unticked.txt");

    // Everything ticked is gone and nothing failed: success.
    ASSERT_TRUE(QFile::remove(dir + "/kept.txt"));
    end = eraserun::finishEraseRun(list.valueArr(), done({"Success"}), false, false);
    EXPECT_FALSE(end.showFailure);
    EXPECT_EQ(end.marked.at(1)->failStr(), eraserun::kMarkSuccess);
    // ...unless an item of the run failed, rights failed, or the user cancelled.
    EXPECT_TRUE(eraserun::finishEraseRun(list.valueArr(), done({"Success", "Fail"}), false, false).showFailure);
    EXPECT_TRUE(eraserun::finishEraseRun(list.valueArr(), done({}), false, true).showFailure);
    end = eraserun::finishEraseRun(list.valueArr(), done({"Success"}), true, false);
    EXPECT_TRUE(end.showFailure);
    EXPECT_TRUE(end.cancelled);

    // A dangling link left behind counts as not erased.
    ASSERT_TRUE(QFile::link(dir + "/nowhere", dir + "/gone.txt"));
    end = eraserun::finishEraseRun(list.valueArr(), done({}), false, false);
    EXPECT_EQ(end.marked.at(0)->failStr(), eraserun::kMarkFailure);
    EXPECT_TRUE(end.showFailure);
}
