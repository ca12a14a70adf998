#include "TestSupport.h"

#include "tools/fileeraser/FileEraserList.h"
#include "tools/fileeraser/FileEraserRun.h"

#include "core/DoDataBase.h"
#include "core/ErasureStandards.h"
#include "core/PublicUtilities.h"
#include "platform/Defaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <thread>

namespace {

class FileEraserRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile::remove(DoDataBase::getDataBase());
        PublicUtilities::writeUpDataHistoryStr(QStringLiteral("WipeFileHistory"), QStringLiteral("0"));
        platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), 4);
        platform::defaults::setInteger(QStringLiteral("EraserTimes"), 3);
        dir = nvtest::freshFolder(QStringLiteral("run"));
        run.setTimings(40, 10000, 10);
        QObject::connect(&run, &FileEraserRun::progressChanged, [this](const QString& count, double bar, const QString& path) {
            counts << count;
            bars << bar;
            paths << path;
        });
        QObject::connect(&run, &FileEraserRun::elapsedChanged, [this](const QString& text) { clock << text; });
        QObject::connect(&run, &FileEraserRun::longFileHint, [this](bool shown) { hint = shown; });
        QObject::connect(&run, &FileEraserRun::finished, [this](const FileObjList& done) {
            doneList = done;
            ended = true;
        });
    }

    QString dir;
    FileEraserRun run;
    QStringList counts, paths, clock;
    QList<double> bars;
    bool hint = false;
    bool ended = false;
    FileObjList doneList;
};

} // namespace

TEST_F(FileEraserRunTest, ARunShredsTheTickedItemsMarksThemAndWritesOneRecord)
{
    ASSERT_TRUE(nvtest::writeFile(dir + "/A/f.txt", QByteArray(5000, 'f')));
    ASSERT_TRUE(nvtest::writeFile(dir + "/A/B/g.txt", QByteArray(70000, 'g')));
    ASSERT_TRUE(nvtest::writeFile(dir + "/A/empty.txt", QByteArray()));
    ASSERT_TRUE(nvtest::writeFile(dir + "/single.bin", QByteArray(12, 's')));
    ASSERT_TRUE(nvtest::writeFile(dir + "/unticked.txt", QByteArray("stay")));
    ASSERT_TRUE(nvtest::writeFile(dir + "/Outside/precious.txt", QByteArray("keep me")));
    ASSERT_TRUE(QFile::link(dir + "/Outside", dir + "/A/link"));

    FileEraserList list;
    list.addPaths({dir + "/A", dir + "/unticked.txt", dir + "/single.bin"}, {});
    list.flipTick(1);
    const FileObjList jobs = list.flatJobList();
    ASSERT_EQ(jobs.size(), 7);

    // The job list is made on a worker from a copy: what the screen's list
    // does meanwhile changes nothing of this run.
    run.startFrom(list);
    EXPECT_TRUE(run.isRunning());
    EXPECT_TRUE(run.isMakingJobList());
    list.flipTick(0);
    list.flipTick(1);
    ASSERT_TRUE(nvtest::pumpUntil([&] { return ended; }, 20000));
    list.flipTick(0);
    list.flipTick(1);
    EXPECT_FALSE(run.isRunning());

    // One report before each item, the first with nothing handled yet.
    ASSERT_EQ(counts.size(), 7);
    EXPECT_EQ(counts.first(), QStringLiteral("7 文件中的 0 个"));
    EXPECT_EQ(counts.last(), QStringLiteral("7 文件中的 6 个"));
    EXPECT_DOUBLE_EQ(bars.first(), 0.1);
    EXPECT_DOUBLE_EQ(bars.at(1), 0.14);
    EXPECT_EQ(paths.first(), jobs.first()->url());
    EXPECT_EQ(clock.first(), QStringLiteral("0:00:01"));
    EXPECT_FALSE(hint);
    EXPECT_EQ(doneList.size(), 7);

    const auto end = run.completeRun(list.valueArr());
    EXPECT_FALSE(end.showFailure);
    EXPECT_FALSE(end.cancelled);
    ASSERT_EQ(end.marked.size(), 2);
    EXPECT_EQ(end.marked.at(0)->url(), dir + "/A");
    EXPECT_EQ(end.marked.at(0)->failStr(), QStringLiteral("擦除成功"));
    EXPECT_EQ(end.marked.at(1)->url(), dir + "/single.bin");
    EXPECT_EQ(end.marked.at(1)->failStr(), QStringLiteral("擦除成功"));
    ASSERT_EQ(end.remaining.size(), 1);
    EXPECT_EQ(end.remaining.at(0)->url(), dir + "/unticked.txt");

    EXPECT_FALSE(QFile::exists(dir + "/A"));
    EXPECT_FALSE(QFile::exists(dir + "/single.bin"));
    EXPECT_TRUE(QFile::exists(dir + "/unticked.txt"));
    // The link went, its target did not.
    EXPECT_TRUE(nvtest::fileContains(dir + "/Outside/precious.txt", "keep me"));

    const HistoryRecords records = DoDataBase::returnDoDataBase()->getAllData();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records.first().at(1).value("Erasure algorithm"), erasureStandardLabel(4));
}

TEST_F(FileEraserRunTest, CancelStopsAfterTheItemInHandAndStillWritesTheRecord)
{
    QStringList names;
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(nvtest::writeFile(dir + QStringLiteral("/Many/f%1").arg(i), QByteArray(300000, 'x')));
    ASSERT_TRUE(nvtest::writeFile(dir + "/other.txt", "o"));
    FileEraserList list;
    list.addPaths({dir + "/Many", dir + "/other.txt"}, {});
    const FileObjList jobs = list.flatJobList();
    ASSERT_EQ(jobs.size(), 42);

    run.start(jobs);
    run.cancelShred();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return ended; }, 20000));
    EXPECT_TRUE(run.isCancel());
    EXPECT_LT(doneList.size(), 42);
    EXPECT_GE(doneList.size(), 1);

    const auto end = run.completeRun(list.valueArr());
    EXPECT_TRUE(end.showFailure);
    EXPECT_TRUE(end.cancelled);
    ASSERT_EQ(end.marked.size(), 2);
    EXPECT_EQ(end.marked.at(0)->failStr(), QStringLiteral("擦除失败"));
    EXPECT_EQ(end.marked.at(1)->failStr(), QStringLiteral("擦除失败"));
    EXPECT_TRUE(QFile::exists(dir + "/other.txt"));
    EXPECT_EQ(QDir(dir + "/Many").entryList(QDir::Files).size(), 40 - doneList.size());
    // A second run on the same object starts a fresh queue.
    ended = false;
    counts.clear();
    const FileObjList rest = list.flatJobList();
    EXPECT_EQ(rest.size(), 42 - doneList.size());
    run.start(rest);
    ASSERT_TRUE(nvtest::pumpUntil([&] { return ended; }, 20000));
    EXPECT_FALSE(run.isCancel());
    EXPECT_EQ(counts.first(), QStringLiteral("%1 文件中的 0 个").arg(rest.size()));
    EXPECT_FALSE(QFile::exists(dir + "/Many"));
    EXPECT_FALSE(run.completeRun(list.valueArr()).showFailure);
}

TEST_F(FileEraserRunTest, ACancelWhileTheJobListIsMadeErasesNothingAndEndsCancelled)
{
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(nvtest::writeFile(dir + QStringLiteral("/Tree/d%1/f.txt").arg(i), QByteArray(2000, 'x')));
    ASSERT_TRUE(nvtest::writeFile(dir + "/single.txt", "s"));
    FileEraserList list;
    list.addPaths({dir + "/Tree", dir + "/single.txt"}, {});

    run.startFrom(list);
    run.cancelShred();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return ended; }, 20000));
    EXPECT_TRUE(run.isCancel());
    EXPECT_FALSE(run.isMakingJobList());
    EXPECT_TRUE(doneList.isEmpty());
    EXPECT_TRUE(counts.isEmpty()) << "no item was started";
    EXPECT_TRUE(QFile::exists(dir + "/single.txt"));
    EXPECT_EQ(QDir(dir + "/Tree").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 20);

    const auto end = run.completeRun(list.valueArr());
    EXPECT_TRUE(end.cancelled);
    EXPECT_TRUE(end.showFailure);
    ASSERT_EQ(end.marked.size(), 2);
    EXPECT_EQ(end.marked.at(0)->failStr(), QStringLiteral("擦除失败"));
    EXPECT_EQ(DoDataBase::returnDoDataBase()->getAllData().size(), 1);
}

namespace {

// Someone else on the machine changes the chosen tree while the first item
// of the run, a large file, is being shredded. `change` runs on a thread of
// its own a moment after the start; the answer is whether it ran while that
// first item was still in hand (it keeps its name until its overwrite is
// done), so that the run had its window.
bool raceDuringFirstItem(FileEraserRun& run, const FileObjList& jobs, const std::function<void()>& change)
{
    bool inWindow = false;
    run.start(jobs);
    std::thread racer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
        change();
        inWindow = QFile::exists(jobs.first()->url());
    });
    racer.join();
    return inWindow;
}

bool rename(const QString& from, const QString& to)
{
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

} // namespace

TEST_F(FileEraserRunTest, AFolderSwappedForALinkOrAnotherFolderDuringARunLeavesWhatItNowLeadsToUntouched)
{
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 3);
    struct Swap {
        const char* name;
        const char* swapped; // the folder below the ticked one that is replaced
        bool byLink;         // replaced by a link, else by the unrelated folder itself
    };
    const Swap swaps[] = {{"link", "d/sub", true}, {"moved in", "d/sub", false}, {"deeper link", "d/sub/deeper", true}};
    int windows = 0;
    for (int attempt = 0; attempt < 12 && windows < 6; ++attempt) {
        const Swap& swap = swaps[attempt % 3];
        SCOPED_TRACE(swap.name);
        const QString base = nvtest::freshFolder(QStringLiteral("swap"));
        const QString victim = nvtest::freshFolder(QStringLiteral("victim"));
        ASSERT_TRUE(nvtest::writeFile(base + "/big.bin", QByteArray(48 << 20, 'B')));
        for (const QString& rel : {QStringLiteral("sub/a.txt"), QStringLiteral("sub/b.txt"), QStringLiteral("sub/deeper/c.txt")})
            ASSERT_TRUE(nvtest::writeFile(base + "/d/" + rel, "mine " + rel.toUtf8()));
        // The unrelated folder has the same names inside, and more.
        for (const QString& rel : {QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("deeper/c.txt"),
                                   QStringLiteral("c.txt")})
            ASSERT_TRUE(nvtest::writeFile(victim + "/" + rel, "precious " + rel.toUtf8()));
        ASSERT_TRUE(nvtest::writeFile(victim + "/empty/.keep", ""));

        FileEraserList list;
        list.addPaths({base + "/big.bin", base + "/d"}, {});
        const FileObjList jobs = list.flatJobList();
        ASSERT_EQ(jobs.first()->url(), base + "/big.bin");
        ended = false;

        const QString swapped = base + "/" + QLatin1String(swap.swapped);
        const bool window = raceDuringFirstItem(run, jobs, [&] {
            EXPECT_TRUE(rename(swapped, base + "/moved-away"));
            if (swap.byLink)
                EXPECT_TRUE(QFile::link(victim, swapped));
            else
                EXPECT_TRUE(rename(victim, swapped));
        });
        ASSERT_TRUE(nvtest::pumpUntil([&] { return ended; }, 60000));
        const auto end = run.completeRun(list.valueArr());

        // Whatever the timing: nothing of the unrelated folder was touched.
        const QString now = swap.byLink ? victim : swapped;
        for (const QString& rel : {QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("deeper/c.txt"),
                                   QStringLiteral("c.txt")}) {
            QFile f(now + "/" + rel);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << rel;
            EXPECT_EQ(f.readAll(), "precious " + rel.toUtf8()) << rel;
        }
        EXPECT_TRUE(QFile::exists(now + "/empty/.keep"));
        if (!window)
            continue;
        ++windows;
        // The items behind the swapped folder failed and were left alone
        // where they now are; the ticked folder is marked as not erased.
        EXPECT_FALSE(QFile::exists(base + "/big.bin"));
        for (const FileObjPtr& job : doneList) {
            if (job->url().startsWith(swapped + "/") || job->url() == swapped) {
                EXPECT_EQ(job->failStr(), QStringLiteral("Fail")) << job->url();
            }
        }
        EXPECT_TRUE(QFile::exists(base + "/moved-away"));
        EXPECT_EQ(end.marked.at(1)->failStr(), QStringLiteral("擦除失败"));
        EXPECT_TRUE(end.showFailure);
    }
    EXPECT_GE(windows, 3) << "the first item was too quick to give the run its window";
}

TEST_F(FileEraserRunTest, AFileMovedAwayBySomeoneElseDuringARunIsMarkedNotErased)
{
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 3);
    int windows = 0;
    for (int attempt = 0; attempt < 6 && windows < 2; ++attempt) {
        const QString base = nvtest::freshFolder(QStringLiteral("moved"));
        const QString elsewhere = nvtest::freshFolder(QStringLiteral("elsewhere"));
        ASSERT_TRUE(nvtest::writeFile(base + "/big.bin", QByteArray(48 << 20, 'B')));
        ASSERT_TRUE(nvtest::writeFile(base + "/letter.txt", "dear"));
        ASSERT_TRUE(nvtest::writeFile(base + "/empty.txt", ""));
        ASSERT_TRUE(nvtest::writeFile(base + "/Folder/inner.txt", "inner"));
        FileEraserList list;
        list.addPaths({base + "/big.bin", base + "/letter.txt", base + "/empty.txt", base + "/Folder"}, {});
        ended = false;
        const bool window = raceDuringFirstItem(run, list.flatJobList(), [&] {
            for (const char* name : {"/letter.txt", "/empty.txt", "/Folder/inner.txt"})
                EXPECT_TRUE(rename(base + name, elsewhere + "/" + QFileInfo(name).fileName()));
        });
        ASSERT_TRUE(nvtest::pumpUntil([&] { return ended; }, 60000));
        const auto end = run.completeRun(list.valueArr());
        if (!window)
            continue;
        ++windows;
        ASSERT_EQ(end.marked.size(), 4);
        EXPECT_EQ(end.marked.at(0)->failStr(), QStringLiteral("擦除成功"));
        // Gone from their paths, but never overwritten: not erased.
        for (int i = 1; i < 4; ++i)
            EXPECT_EQ(end.marked.at(i)->failStr(), QStringLiteral("擦除失败")) << end.marked.at(i)->url();
        EXPECT_FALSE(QFile::exists(base + "/letter.txt") || QFile::exists(base + "/Folder"));
        EXPECT_TRUE(end.showFailure);
        EXPECT_TRUE(nvtest::fileContains(elsewhere + "/letter.txt", "dear"));
    }
    EXPECT_GE(windows, 1) << "the first item was too quick to give the run its window";
}
