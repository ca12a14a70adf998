#include "TestSupport.h"

#include "core/RemoveFileAndFolder.h"
#include "platform/Defaults.h"
#include "platform/Dispatch.h"
#include "platform/HeldItem.h"
#include "platform/Log.h"
#include "platform/Process.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSemaphore>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct Progress {
    float percent;
    QString path;
    int index;
    bool onMain;
};

class Recorder : public RemoveFileAndFolderDelegate {
public:
    void removeProgress(float percent, const QString& path, int index) override
    {
        {
            std::lock_guard lock(mutex);
            progress.push_back({percent, path, index, platform::dispatch::isMainThread()});
        }
        if (onProgress)
            onProgress(index);
    }
    void haveFailEraser() override
    {
        failOffMain = failOffMain || !platform::dispatch::isMainThread();
        ++failCalls;
    }
    void removeObjEnd(const FileObjList& doneList) override
    {
        std::lock_guard lock(mutex);
        endList = doneList;
        endOnMain = platform::dispatch::isMainThread();
        ++endCalls;
    }

    // Runs the list; waits for the end, and a little longer so that a second
    // end or a late notice would be counted too.
    bool run(RemoveFileAndFolder& queue, const FileObjList& list)
    {
        queue.setDelegate(this);
        queue.benginToTraskWithArr(list);
        const bool ended = nvtest::pumpUntil([&] { return endCalls > 0; }, 60000);
        nvtest::pump(150);
        return ended && endCalls == 1;
    }
    std::vector<Progress> seen()
    {
        std::lock_guard lock(mutex);
        return progress;
    }

    std::mutex mutex;
    std::vector<Progress> progress;
    FileObjList endList;
    bool endOnMain = true;
    std::atomic<int> endCalls{0}, failCalls{0};
    std::atomic<bool> failOffMain{false};
    std::function<void(int)> onProgress;
};

// As the File Eraser fills them: a folder carries 0, a file its size.
FileObjPtr record(const QString& path, bool isDir = false)
{
    auto f = std::make_shared<FileObj>();
    f->setUrl(path);
    f->setIsDir(isDir);
    f->setSize(isDir || QFileInfo(path).isSymLink() ? 0 : QFileInfo(path).size());
    return f;
}

FileObjList files(const QString& dir, int count, QByteArray content = "data")
{
    FileObjList list;
    for (int i = 0; i < count; ++i) {
        EXPECT_TRUE(nvtest::writeFile(dir + QStringLiteral("/f%1").arg(i), content));
        list << record(dir + QStringLiteral("/f%1").arg(i));
    }
    return list;
}

bool exists(const QString& path)
{
    struct stat st {};
    return lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// A second name outside the erased folder: after a shred it shows an empty
// file, after a plain removal the old contents.
QString witnessOf(const QString& path)
{
    const QString w = nvtest::freshFolder(QStringLiteral("witness")) + QStringLiteral("/w");
    EXPECT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(w).constData()), 0);
    return w;
}

const QString kSuccess = QStringLiteral("Success");
const QString kFail = QStringLiteral("Fail");

} // namespace

TEST(EraseQueue, ProgressIsEightyForOneItemAndZeroThirtyThreeSixtySixForThree)
{
    {
        const FileObjList one = files(nvtest::freshFolder(), 1);
        Recorder rec;
        RemoveFileAndFolder queue;
        ASSERT_TRUE(rec.run(queue, one));
        const auto seen = rec.seen();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].percent, 80.0f);
        EXPECT_TRUE(seen[0].onMain) << "the first report comes on the starting thread";
        EXPECT_EQ(one[0]->failStr(), kSuccess);
    }
    const FileObjList three = files(nvtest::freshFolder(), 3);
    Recorder rec;
    RemoveFileAndFolder queue;
    ASSERT_TRUE(rec.run(queue, three));
    const auto seen = rec.seen();
    ASSERT_EQ(seen.size(), 3u);
    const float percents[] = {0.0f, 33.0f, 66.0f};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(seen[i].percent, percents[i]);
        EXPECT_EQ(seen[i].path, three[i]->url());
        EXPECT_EQ(seen[i].index, i);
        EXPECT_EQ(seen[i].onMain, i == 0);
        EXPECT_EQ(rec.endList.value(i), three[i]) << "the done list keeps the order handled";
        EXPECT_EQ(three[i]->failStr(), kSuccess);
        EXPECT_FALSE(exists(three[i]->url()));
    }
    EXPECT_EQ(rec.endList.size(), 3);
    EXPECT_FALSE(rec.endOnMain);

    Recorder none;
    RemoveFileAndFolder idle;
    idle.setDelegate(&none);
    idle.benginToTraskWithArr({});
    EXPECT_EQ(none.endCalls, 1) << "an empty list ends at once";
    EXPECT_TRUE(none.seen().empty());
}

TEST(EraseQueue, CancelDuringTheSecondOfFiveItemsFinishesItAndStops)
{
    const FileObjList list = files(nvtest::freshFolder(), 5);
    Recorder rec;
    RemoveFileAndFolder queue;
    // The second item is announced; the user presses Cancel on the main
    // thread before the worker goes on with it.
    QSemaphore cancelled;
    rec.onProgress = [&](int index) {
        if (index != 1)
            return;
        platform::dispatch::main([&] {
            queue.isCancel();
            cancelled.release();
        });
        EXPECT_TRUE(cancelled.tryAcquire(1, 10000));
    };
    ASSERT_TRUE(rec.run(queue, list));
    ASSERT_EQ(rec.endList.size(), 2);
    EXPECT_EQ(list[1]->failStr(), kSuccess);
    EXPECT_FALSE(exists(list[1]->url()));
    for (int i = 2; i < 5; ++i)
        EXPECT_TRUE(list[i]->failStr().isNull() && exists(list[i]->url()));
}

TEST(EraseQueue, FoldersGoOnlyWhenEmptyAndApplicationFoldersAreShreddedLikeAnyOther)
{
    const QString dir = nvtest::freshFolder();
    const QString empty = dir + QStringLiteral("/empty");
    const QString holding = dir + QStringLiteral("/holding");
    const QString app = dir + QStringLiteral("/Tool.app");
    const QString unlisted = dir + QStringLiteral("/Other.app");
    ASSERT_TRUE(QDir().mkpath(empty));
    // Entries that are not on the list, as if they had failed: their folder
    // must stay, with them.
    ASSERT_TRUE(nvtest::writeFile(holding + QStringLiteral("/left.txt"), "left"));
    ASSERT_TRUE(nvtest::writeFile(unlisted + QStringLiteral("/data"), "unlisted"));
    ASSERT_TRUE(nvtest::writeFile(app + QStringLiteral("/Contents/binary"), QByteArray(20000, 'b')));
    const QString appWitness = witnessOf(app + QStringLiteral("/Contents/binary"));

    FileObjList list{record(empty, true), record(holding, true), record(app + QStringLiteral("/Contents/binary")),
                     record(app + QStringLiteral("/Contents"), true), record(app, true), record(unlisted, true)};
    Recorder rec;
    RemoveFileAndFolder queue;
    ASSERT_TRUE(rec.run(queue, list));
    const QStringList results{kSuccess, kFail, kSuccess, kSuccess, kSuccess, kFail};
    for (int i = 0; i < list.size(); ++i)
        EXPECT_EQ(list[i]->failStr(), results[i]) << list[i]->url();
    EXPECT_FALSE(exists(empty) || exists(app));
    EXPECT_EQ(QFileInfo(appWitness).size(), 0) << "the bundle's file was shredded, not dropped with its folder";
    EXPECT_TRUE(exists(holding + QStringLiteral("/left.txt")) && exists(unlisted + QStringLiteral("/data")));
    EXPECT_EQ(rec.failCalls, 0);
}

TEST(EraseQueue, ItemsWithoutDataAreRemovedAndLinksNeverWrittenThrough)
{
    const QString dir = nvtest::freshFolder();
    const QString elsewhere = nvtest::freshFolder();
    const QString target = elsewhere + QStringLiteral("/target.db");
    ASSERT_TRUE(nvtest::writeFile(target, QByteArray(40000, 't')));
    ASSERT_EQ(chmod(QFile::encodeName(target).constData(), 0400), 0);
    ASSERT_TRUE(QFile::link(target, dir + QStringLiteral("/link")));
    ASSERT_TRUE(QFile::link(target, dir + QStringLiteral("/sized-link")));
    ASSERT_TRUE(QFile::link(elsewhere, dir + QStringLiteral("/folder-link")));
    ASSERT_TRUE(nvtest::writeFile(dir + QStringLiteral("/empty.log"), QByteArray()));
    ASSERT_TRUE(nvtest::writeFile(dir + QStringLiteral("/grown.log"), QByteArray()));
    ASSERT_EQ(mkfifo(QFile::encodeName(dir + QStringLiteral("/pipe")).constData(), 0600), 0);
    FileObjList list;
    for (const QString& name : QDir(dir).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        list << record(dir + QLatin1Char('/') + name);
    list.last()->setSize(40000); // "sized-link": a size taken through the link
    // This file got its data after the list was made: it is shredded anyway.
    ASSERT_TRUE(nvtest::writeFile(dir + QStringLiteral("/grown.log"), "written later"));
    const QString grownWitness = witnessOf(dir + QStringLiteral("/grown.log"));
    const QString vanished = dir + QStringLiteral("/vanished");
    ASSERT_TRUE(nvtest::writeFile(vanished, "v"));
    list << record(vanished);
    QFile::remove(vanished);

    platform::LogCapture log;
    Recorder rec;
    RemoveFileAndFolder queue;
    ASSERT_TRUE(rec.run(queue, list));
    for (int i = 0; i + 1 < list.size(); ++i)
        EXPECT_EQ(list[i]->failStr(), kSuccess) << list[i]->url();
    EXPECT_EQ(list.last()->failStr(), kFail);
    EXPECT_EQ(rec.failCalls, 0) << "a vanished item is no rights problem";
    EXPECT_TRUE(QDir(dir).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    EXPECT_TRUE(log.contains(QStringLiteral("rm file sec %1/empty.log").arg(dir)));
    EXPECT_EQ(QFileInfo(grownWitness).size(), 0);

    struct stat st {};
    ASSERT_EQ(lstat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0400u) << "the unlock step never reaches through a link";
    QFile t(target);
    ASSERT_TRUE(t.open(QIODevice::ReadOnly));
    EXPECT_EQ(t.readAll(), QByteArray(40000, 't'));
}

TEST(EraseQueue, DestroyedQueueFinishesItsItemAndReportsNothingMore)
{
    const FileObjList list = files(nvtest::freshFolder(), 5);
    Recorder rec;
    auto queue = std::make_unique<RemoveFileAndFolder>();
    queue->setDelegate(&rec);
    rec.onProgress = [&](int index) {
        if (index == 1)
            queue.reset(); // the client lets go while the second item is announced
    };
    queue->benginToTraskWithArr(list);
    ASSERT_TRUE(platform::dispatch::waitForGlobalQueues(30000));
    nvtest::pump(100);
    EXPECT_EQ(rec.endCalls, 0);
    EXPECT_EQ(rec.seen().size(), 2u);
    EXPECT_EQ(list[1]->failStr(), kSuccess);
    EXPECT_TRUE(list[2]->failStr().isNull() && exists(list[4]->url()));
}

TEST(EraseQueue, UnlockGivesTheOwnerWriteOnlyAndPassCountComesFromTheDefault)
{
    const QString file = nvtest::freshFolder() + QStringLiteral("/ro");
    ASSERT_TRUE(nvtest::writeFile(file, "r"));
    ASSERT_EQ(chmod(QFile::encodeName(file).constData(), 0444), 0);
    const bool immutable = nvtest::isRoot()
                           && platform::runProcess(QStringLiteral("chattr"), {QStringLiteral("+i"), file}).succeeded();
    platform::LogCapture log;
    RemoveFileAndFolder::doUnLockFile(file);
    struct stat st {};
    ASSERT_EQ(lstat(QFile::encodeName(file).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    EXPECT_TRUE(log.contains(QStringLiteral("File unlocked successfully.")));
    if (immutable) {
        EXPECT_TRUE(QFile::remove(file)) << "the immutable flag was cleared";
    }

    for (const auto& [stored, used] : std::vector<std::pair<int, int>>{{0, 1}, {-2, 1}, {3, 3}, {35, 35}}) {
        platform::defaults::setInteger(QStringLiteral("EraserTimes"), stored);
        EXPECT_EQ(RemoveFileAndFolder::getEraserTimes(), used);
    }
    platform::defaults::remove(QStringLiteral("EraserTimes"));
}

// A file the user may neither write nor re-permit: it belongs to somebody
// else. Root prepares it and runs this same test as an unprivileged user.
TEST(EraseQueueRights, FileOfAnotherUserFailsWithOneNoticeAndItsFolderStays)
{
    const QString fixture = qEnvironmentVariable("NVTEST_RIGHTS_FIXTURE");
    if (!fixture.isEmpty()) {
        const QString locked = fixture + QStringLiteral("/locked.txt");
        FileObjList list{record(locked), record(fixture, true)};
        platform::LogCapture log;
        Recorder rec;
        RemoveFileAndFolder queue;
        ASSERT_TRUE(rec.run(queue, list));
        EXPECT_EQ(list[0]->failStr(), kFail);
        EXPECT_EQ(list[1]->failStr(), kFail);
        EXPECT_EQ(rec.failCalls, 1);
        EXPECT_FALSE(rec.failOffMain);
        EXPECT_TRUE(log.contains(QStringLiteral("--没有权限--------%1").arg(locked)));
        return;
    }
    if (!nvtest::isRoot() || platform::findProgram(QStringLiteral("setpriv")).isEmpty())
        GTEST_SKIP() << "needs root and setpriv to make a file of another user and act as that user";

    ASSERT_EQ(chmod(QFile::encodeName(nvtest::sandbox()).constData(), 0711), 0);
    const QString folder = nvtest::freshFolder(QStringLiteral("rights"));
    const QString childTemp = nvtest::freshFolder(QStringLiteral("rights-tmp"));
    ASSERT_TRUE(nvtest::writeFile(folder + QStringLiteral("/locked.txt"), "secret"));
    ASSERT_EQ(chmod(QFile::encodeName(folder + QStringLiteral("/locked.txt")).constData(), 0444), 0);
    for (const QString& p : {folder, childTemp})
        ASSERT_EQ(chown(QFile::encodeName(p).constData(), 65534, 65534), 0);

    platform::ProcessOptions options;
    options.timeoutMs = 120000;
    options.extraEnvironment = {QStringLiteral("NVTEST_RIGHTS_FIXTURE=") + folder, QStringLiteral("TMPDIR=") + childTemp};
    const auto r = platform::runProcess(
        QStringLiteral("setpriv"),
        {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"),
         QCoreApplication::applicationFilePath(), QStringLiteral("--gtest_filter=EraseQueueRights.*")},
        options);
    EXPECT_TRUE(r.succeeded() && r.standardOutput.contains("[  PASSED  ] 1 test"))
        << r.standardOutput.constData() << r.standardError.constData();
    QFile locked(folder + QStringLiteral("/locked.txt"));
    ASSERT_TRUE(locked.open(QIODevice::ReadOnly));
    EXPECT_EQ(locked.readAll(), QByteArray("secret"));
}

// Items reached from the ticked folder down: a folder on the way that is no
// longer the one listed leaves its items alone, wherever the path now leads.
TEST(EraseQueue, ItemsBehindAFolderThatIsNoLongerTheOneListedFailAndNothingIsTouched)
{
    const QString dir = nvtest::freshFolder();
    const QString linked = nvtest::freshFolder(QStringLiteral("linked"));
    const QString moved = nvtest::freshFolder(QStringLiteral("moved"));
    ASSERT_TRUE(nvtest::writeFile(dir + QStringLiteral("/d/sub/a.txt"), "mine"));
    ASSERT_TRUE(nvtest::writeFile(dir + QStringLiteral("/d/keep/b.txt"), "mine too"));
    ASSERT_TRUE(nvtest::writeFile(linked + QStringLiteral("/a.txt"), "precious"));
    ASSERT_TRUE(nvtest::writeFile(moved + QStringLiteral("/b.txt"), "precious"));
    const auto identity = [](const QString& folder) {
        struct stat st {};
        EXPECT_EQ(stat(QFile::encodeName(folder).constData(), &st), 0);
        return platform::ItemIdentity{st.st_dev, st.st_ino};
    };
    const auto job = [&](const QString& rel, const QString& parent, bool isDir = false) {
        FileObjPtr f = record(dir + rel, isDir);
        f->setJobRoot(dir + QStringLiteral("/d"));
        f->setParentIdentity(identity(dir + parent));
        return f;
    };
    FileObjList list{job(QStringLiteral("/d/sub/a.txt"), QStringLiteral("/d/sub")),
                     job(QStringLiteral("/d/sub"), QStringLiteral("/d"), true),
                     job(QStringLiteral("/d/keep/b.txt"), QStringLiteral("/d/keep")),
                     job(QStringLiteral("/d/keep"), QStringLiteral("/d"), true)};
    // After the listing: "sub" becomes a link to an unrelated folder, "keep"
    // is replaced by another unrelated folder.
    ASSERT_EQ(::rename(QFile::encodeName(dir + QStringLiteral("/d/sub")).constData(),
                       QFile::encodeName(dir + QStringLiteral("/sub-away")).constData()), 0);
    ASSERT_TRUE(QFile::link(linked, dir + QStringLiteral("/d/sub")));
    ASSERT_EQ(::rename(QFile::encodeName(dir + QStringLiteral("/d/keep")).constData(),
                       QFile::encodeName(dir + QStringLiteral("/keep-away")).constData()), 0);
    ASSERT_EQ(::rename(QFile::encodeName(moved).constData(), QFile::encodeName(dir + QStringLiteral("/d/keep")).constData()), 0);

    Recorder rec;
    RemoveFileAndFolder queue;
    ASSERT_TRUE(rec.run(queue, list));
    for (const FileObjPtr& f : list)
        EXPECT_EQ(f->failStr(), kFail) << f->url();
    EXPECT_TRUE(nvtest::fileContains(linked + QStringLiteral("/a.txt"), "precious"));
    EXPECT_TRUE(nvtest::fileContains(dir + QStringLiteral("/d/keep/b.txt"), "precious"));
    EXPECT_TRUE(nvtest::fileContains(dir + QStringLiteral("/sub-away/a.txt"), "mine"));
    EXPECT_TRUE(QFileInfo(dir + QStringLiteral("/d/sub")).isSymLink()) << "the link is not the folder listed: left too";
}

// The pass count is read once, as the run starts; the run ends by flushing
// the one volume it wrote to.
TEST(EraseQueue, ThePassCountIsReadOnceAndOnlyTheVolumesWrittenToAreFlushed)
{
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 7);
    const FileObjList list = files(nvtest::freshFolder(), 3, QByteArray(5000, 'p'));
    std::atomic<int> passEnds{0};
    RemoveFileAndFolder queue;
    queue.setEraseObserver({{}, [&](int) { ++passEnds; }});
    Recorder rec;
    // The user picks another standard while the run is under way.
    rec.onProgress = [](int index) {
        if (index == 1)
            platform::defaults::setInteger(QStringLiteral("EraserTimes"), 1);
    };
    platform::LogCapture log;
    ASSERT_TRUE(rec.run(queue, list));
    platform::defaults::remove(QStringLiteral("EraserTimes"));
    EXPECT_EQ(passEnds, 21) << "seven passes for each of the three files";
    for (const FileObjPtr& f : list)
        EXPECT_EQ(f->failStr(), kSuccess);
    EXPECT_TRUE(log.contains(QStringLiteral("synced 1 volume(s)"))) << log.lines();
}

// An item without data that cannot be removed is no success: it stays, and
// the queue says so (the removal is waited for, not started and forgotten).
TEST(EraseQueue, AnEmptyItemThatCannotBeRemovedFails)
{
    const QString dir = nvtest::freshFolder();
    const QString locked = dir + QStringLiteral("/locked");
    ASSERT_TRUE(nvtest::writeFile(locked + QStringLiteral("/empty.txt"), QByteArray()));
    ASSERT_TRUE(nvtest::writeFile(dir + QStringLiteral("/free.txt"), QByteArray()));
    // Root ignores permission bits: for root the folder is made immutable.
    const bool viaFlag = nvtest::isRoot();
    if (viaFlag) {
        if (!platform::runProcess(QStringLiteral("chattr"), {QStringLiteral("+i"), locked}).succeeded())
            GTEST_SKIP() << "this file system does not take the immutable flag";
    } else {
        ASSERT_EQ(chmod(QFile::encodeName(locked).constData(), 0555), 0);
    }
    FileObjList list{record(locked + QStringLiteral("/empty.txt")), record(dir + QStringLiteral("/free.txt"))};
    platform::LogCapture log;
    Recorder rec;
    RemoveFileAndFolder queue;
    const bool ran = rec.run(queue, list);
    if (viaFlag)
        platform::runProcess(QStringLiteral("chattr"), {QStringLiteral("-i"), locked});
    else
        chmod(QFile::encodeName(locked).constData(), 0755);
    ASSERT_TRUE(ran);
    EXPECT_EQ(list[0]->failStr(), kFail);
    EXPECT_TRUE(exists(locked + QStringLiteral("/empty.txt")));
    EXPECT_TRUE(log.contains(QStringLiteral("rm file fail %1/empty.txt").arg(locked)));
    EXPECT_EQ(list[1]->failStr(), kSuccess);
    EXPECT_FALSE(exists(dir + QStringLiteral("/free.txt")));
}

// The run ends by flushing what it wrote; a start that comes meanwhile finds
// the run still under way and is ignored, and once the end is reported the
// queue takes a new list.
TEST(EraseQueue, AStartWhileTheEndingRunFlushesIsIgnored)
{
    const FileObjList first = files(nvtest::freshFolder(), 1);
    const QString later = nvtest::freshFolder() + QStringLiteral("/later.txt");
    ASSERT_TRUE(nvtest::writeFile(later, QByteArray()));
    Recorder rec;
    RemoveFileAndFolder queue;
    std::atomic<int> flushes{0};
    queue.setFlushObserver([&] {
        if (flushes++ == 0)
            queue.benginToTraskWithArr({record(later)});
    });
    ASSERT_TRUE(rec.run(queue, first)) << "one end, for the first run only; ends: " << rec.endCalls;
    EXPECT_EQ(first[0]->failStr(), kSuccess);
    EXPECT_TRUE(exists(later));
    for (const Progress& p : rec.seen())
        EXPECT_NE(p.path, later);

    rec.endCalls = 0;
    ASSERT_TRUE(rec.run(queue, {record(later)}));
    EXPECT_FALSE(exists(later));
    EXPECT_EQ(flushes, 2);
}
