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

TEST(EraseRun, EndMarksWhatTheQueueErasedAndIsGoneAndChoosesThePane)
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

    // The queue's done list: paths below `dir` with their results.
    const auto done = [&](std::initializer_list<std::pair<const char*, const char*>> results) {
        FileObjList out;
        for (const auto& [path, result] : results) {
            auto item = std::make_shared<FileObj>();
            item->setUrl(dir + "/" + QString::fromUtf8(path));
            item->setFailStr(QString::fromLatin1(result));
            out << item;
        }
        return out;
    };
    const auto marks = [](const eraserun::RunEnd& end) {
        QStringList out;
        for (const FileObjPtr& item : end.marked)
            out << item->failStr();
        return out;
    };
    const QString yes = eraserun::kMarkSuccess;
    const QString no = eraserun::kMarkFailure;

    // Something ticked is still there: failure, whatever the queue said.
    auto end = eraserun::finishEraseRun(
        list.valueArr(), done({{"gone.txt", "Success"}, {"kept.txt", "Success"}, {"Folder/inner", "Success"}, {"Folder", "Success"}}),
        false, false);
    EXPECT_TRUE(end.showFailure);
    EXPECT_FALSE(end.cancelled);
    ASSERT_EQ(end.marked.size(), 3);
    EXPECT_EQ(end.marked.at(0)->url(), dir + "/gone.txt");
    EXPECT_EQ(end.marked.at(2)->url(), dir + "/Folder");
    EXPECT_EQ(marks(end), (QStringList{yes, no, yes}));
    ASSERT_EQ(end.remaining.size(), 1);
    EXPECT_EQ(end.remaining.at(0)->url(), dir + "/unticked.txt");

    // Everything ticked is gone and the queue erased it all: success.
    ASSERT_TRUE(QFile::remove(dir + "/kept.txt"));
    const auto all = done({{"gone.txt", "Success"}, {"kept.txt", "Success"}, {"Folder/inner", "Success"}, {"Folder", "Success"}});
    end = eraserun::finishEraseRun(list.valueArr(), all, false, false);
    EXPECT_FALSE(end.showFailure);
    EXPECT_EQ(marks(end), (QStringList{yes, yes, yes}));
    // ...unless rights failed or the user cancelled.
    EXPECT_TRUE(eraserun::finishEraseRun(list.valueArr(), all, false, true).showFailure);
    end = eraserun::finishEraseRun(list.valueArr(), all, true, false);
    EXPECT_TRUE(end.showFailure);
    EXPECT_TRUE(end.cancelled);

    // Gone, but not by the queue: the queue failed it (not found), failed
    // something inside the folder, or never reached it.
    end = eraserun::finishEraseRun(
        list.valueArr(), done({{"gone.txt", "Fail"}, {"kept.txt", "Success"}, {"Folder/inner", "Fail"}, {"Folder", "Success"}}),
        false, false);
    EXPECT_EQ(marks(end), (QStringList{no, yes, no}));
    EXPECT_TRUE(end.showFailure);
    end = eraserun::finishEraseRun(list.valueArr(), done({{"kept.txt", "Success"}}), false, false);
    EXPECT_EQ(marks(end), (QStringList{no, yes, no}));
    EXPECT_TRUE(end.showFailure) << "a ticked item not erased is a failed run";

    // A dangling link left behind counts as not erased.
    ASSERT_TRUE(QFile::link(dir + "/nowhere", dir + "/gone.txt"));
    end = eraserun::finishEraseRun(list.valueArr(), all, false, false);
    EXPECT_EQ(end.marked.at(0)->failStr(), no);
    EXPECT_TRUE(end.showFailure);
}
