#include "TestSupport.h"

#include "core/RemoveFileAndFolder.h"
#include "platform/Defaults.h"
#include "platform/Dispatch.h"
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
        if (!platform::dispatch::isMainThread())
            failOffMain = true;
        ++failCalls;
    }
    void removeObjEnd(const FileObjList& doneList) override
    {
        {
            std::lock_guard lock(mutex);
            endList = doneList;
            endOnMain = platform::dispatch::isMainThread();
        }
        ++endCalls;
    }

    // Waits for the end, then a little longer so that a second end or a
    // late failure notice would be seen too.
    bool waitForEnd()
    {
        const bool ended = nvtest::pumpUntil([&] { return endCalls > 0; }, 60000);
        nvtest::pump(150);
        return ended;
    }

    std::vector<Progress> progressSeen()
    {
        std::lock_guard lock(mutex);
        return progress;
    }

    std::mutex mutex;
    std::vector<Progress> progress;
    FileObjList endList;
    bool endOnMain = true;
    std::atomic<int> endCalls{0};
    std::atomic<int> failCalls{0};
    std::atomic<bool> failOffMain{false};
    std::function<void(int)> onProgress;
};

FileObjPtr record(const QString& path, bool isDir = false)
{
    auto f = std::make_shared<FileObj>();
    f->setUrl(path);
    f->setName(QFileInfo(path).fileName());
    f->setIsDir(isDir);
    f->setType(isDir ? QStringLiteral("Folder") : QFileInfo(path).suffix());
    // A folder carries 0, a file its size, as the File Eraser fills them.
    const QFileInfo info(path);
    f->setSize(isDir || info.isSymLink() ? 0 : info.size());
    return f;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool exists(const QString& path)
{
    struct stat st {};
    return lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// A second name of the file outside the erased folder: after a shred it shows
// an empty file, after a plain removal the old contents.
QString witnessOf(const QString& path)
{
    const QString w = nvtest::freshFolder(QStringLiteral("witness")) + QStringLiteral("/w");
    EXPECT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(w).constData()), 0);
    return w;
}

} // namespace

TEST(EraseQueue, OneItemShowsEightyPercentAtOnceAndEndsOnce)
{
    const QString dir = nvtest::freshFolder();
    const QString file = dir + QStringLiteral("/only.txt");
    ASSERT_TRUE(nvtest::writeFile(file, "only"));
    Recorder rec;
    RemoveFileAndFolder queue;
    queue.setDelegate(&rec);
    queue.benginToTraskWithArr({record(file)});

    // The first report is made before the start returns.
    auto seen = rec.progressSeen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].percent, 80.0f);
    EXPECT_EQ(seen[0].path, file);
    EXPECT_EQ(seen[0].index, 0);
    EXPECT_TRUE(seen[0].onMain);

    ASSERT_TRUE(rec.waitForEnd());
    EXPECT_EQ(rec.endCalls, 1);
    EXPECT_FALSE(rec.endOnMain);
    ASSERT_EQ(rec.endList.size(), 1);
    EXPECT_EQ(rec.endList[0]->failStr(), QStringLiteral("Success"));
    EXPECT_EQ(rec.progressSeen().size(), 1u);
    EXPECT_FALSE(exists(file));
    EXPECT_EQ(queue.allFilesArr().size(), 1);
}

TEST(EraseQueue, ThreeItemsReportZeroThirtyThreeSixtySixInOrder)
{
    const QString dir = nvtest::freshFolder();
    FileObjList list;
    QStringList paths;
    for (int i = 0; i < 3; ++i) {
        paths << dir + QStringLiteral("/f%1").arg(i);
        ASSERT_TRUE(nvtest::writeFile(paths.last(), QByteArray(1000 * (i + 1), 'a' + i)));
        list << record(paths.last());
    }
    Recorder rec;
    RemoveFileAndFolder queue;
    queue.setDelegate(&rec);
    queue.benginToTraskWithArr(list);
    ASSERT_TRUE(rec.waitForEnd());

    const auto seen = rec.progressSeen();
    ASSERT_EQ(seen.size(), 3u);
    const float percents[] = {0.0f, 33.0f, 66.0f};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(seen[i].percent, percents[i]);
        EXPECT_EQ(seen[i].path, paths[i]);
        EXPECT_EQ(seen[i].index, i);
        EXPECT_EQ(seen[i].onMain, i == 0) << "only the first report comes on the starting thread";
    }
    EXPECT_EQ(rec.endCalls, 1);
    ASSERT_EQ(rec.endList.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rec.endList[i], list[i]) << "the done list keeps the order handled";
        EXPECT_EQ(list[i]->failStr(), QStringLiteral("Success"));
        EXPECT_FALSE(exists(paths[i]));
    }
    EXPECT_EQ(queue.deleteErrorArr().size(), 3);
}

TEST(EraseQueue, CancelDuringTheSecondOfFiveItemsFinishesItAndStops)
{
    const QString dir = nvtest::freshFolder();
    FileObjList list;
    QStringList paths;
    for (int i = 0; i < 5; ++i) {
        paths << dir + QStringLiteral("/item%1").arg(i);
        ASSERT_TRUE(nvtest::writeFile(paths.last(), QByteArray(3000, 'c')));
        list << record(paths.last());
    }
    Recorder rec;
    RemoveFileAndFolder queue;
    queue.setDelegate(&rec);
    // When the second item is announced, the user presses Cancel on the main
    // thread; the worker goes on only after that.
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
    queue.benginToTraskWithArr(list);
    ASSERT_TRUE(rec.waitForEnd());

    EXPECT_EQ(rec.endCalls, 1);
    ASSERT_EQ(rec.endList.size(), 2);
    EXPECT_EQ(list[0]->failStr(), QStringLiteral("Success"));
    EXPECT_EQ(list[1]->failStr(), QStringLiteral("Success"));
    for (int i = 2; i < 5; ++i) {
        EXPECT_TRUE(list[i]->failStr().isNull());
        EXPECT_TRUE(exists(paths[i]));
    }
    EXPECT_FALSE(exists(paths[1]));
    EXPECT_EQ(rec.progressSeen().size(), 2u);
}

TEST(EraseQueue, EmptyListEndsAtOnce)
{
    Recorder rec;
    RemoveFileAndFolder queue;
    queue.setDelegate(&rec);
    queue.benginToTraskWithArr({});
    EXPECT_EQ(rec.endCalls, 1);
    EXPECT_TRUE(rec.endList.isEmpty());
    EXPECT_TRUE(rec.progressSeen().empty());
    nvtest::pump(100);
    EXPECT_EQ(rec.endCalls, 1);
}

TEST(EraseQueue, FoldersGoOnlyWhenEmptyAndApplicationFoldersAreShreddedLikeAnyOther)
{
    const QString dir = nvtest::freshFolder();
    const QString empty = dir + QStringLiteral("/empty");
    const QString emptyFlaggedAsFile = dir + QStringLiteral("/empty2");
    const QString holding = dir + QStringLiteral("/holding");
    const QString app = dir + QStringLiteral("/Tool.app");
    const QString appUnlisted = dir + QStringLiteral("/Other.app");
    ASSERT_TRUE(QDir().mkpath(empty));
    ASSERT_TRUE(QDir().mkpath(emptyFlaggedAsFile));
    // "holding" keeps an entry that is not on the list (as if it had failed):
    // the folder must stay, with it.
    ASSERT_TRUE(nvtest::writeFile(holding + QStringLiteral("/left.txt"), "left behind"));
    ASSERT_TRUE(nvtest::writeFile(app + QStringLiteral("/Contents/binary"), QByteArray(20000, 'b')));
    ASSERT_TRUE(nvtest::writeFile(appUnlisted + QStringLiteral("/Contents/data"), "unlisted"));
    const QString appWitness = witnessOf(app + QStringLiteral("/Contents/binary"));

    FileObjList list{record(empty, true), record(emptyFlaggedAsFile, false), record(holding, true),
                     record(app + QStringLiteral("/Contents/binary")), record(app + QStringLiteral("/Contents"), true),
                     record(app, true), record(appUnlisted, true)};
    Recorder rec;
    RemoveFileAndFolder queue;
    queue.setDelegate(&rec);
    queue.benginToTraskWithArr(list);
    ASSERT_TRUE(rec.waitForEnd());

    EXPECT_EQ(list[0]->failStr(), QStringLiteral("Success"));
    EXPECT_FALSE(exists(empty));
    EXPECT_EQ(list[1]->failStr(), QStringLiteral("Success"));
    EXPECT_FALSE(exists(emptyFlaggedAsFile));

    EXPECT_EQ(list[2]->failStr(), QStringLiteral("Fail"));
    EXPECT_EQ(readAll(holding + QStringLiteral("/left.txt")), QByteArray("left behind"));

    // The application folder's file was shredded (its other name shows it
    // cut to nothing), then the emptied folders went.
    for (int i = 3; i < 6; ++i)
        EXPECT_EQ(list[i]->failStr(), QStringLiteral("Success")) << list[i]->url();
    EXPECT_FALSE(exists(app));
    EXPECT_EQ(QFileInfo(appWitness).size(), 0);

    // One whose contents were not listed is not removed whole.
    EXPECT_EQ(list[6]->failStr(), QStringLiteral("Fail"));
    EXPECT_EQ(readAll(appUnlisted + QStringLiteral("/Contents/data")), QByteArray("unlisted"));
    EXPECT_EQ(rec.failCalls, 0);
}

TEST(EraseQueue, ItemsWithoutDataAreRemovedDirectlyAndFilesWithDataAreAlwaysShredded)
{
    const QString dir = nvtest::freshFolder();
    const QString emptyFile = dir + QStringLiteral("/empty.log");
    const QString grown = dir + QStringLiteral("/grown.log");
    const QString pipe = dir + QStringLiteral("/pipe");
    ASSERT_TRUE(nvtest::writeFile(emptyFile, QByteArray()));
    ASSERT_TRUE(nvtest::writeFile(grown, QByteArray()));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    FileObjList list{record(emptyFile), record(grown), record(pipe)};
    // The file got its data after the list was made.
    ASSERT_TRUE(nvtest::writeFile(grown, "written later"));
    const QString grownWitness = witnessOf(grown);

    platform::LogCapture log;
    Recorder rec;
    RemoveFileAndFolder queue;
    queue.setDelegate(&rec);
    queue.benginToTraskWithArr(list);
    ASSERT_TRUE(rec.waitForEnd());

    for (const auto& r : list)
        EXPECT_EQ(r->failStr(), QStringLiteral("Success")) << r->url();
    EXPECT_TRUE(QDir(dir).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    EXPECT_TRUE(log.contains(QStringLiteral("rm file sec %1").arg(emptyFile)));
    EXPECT_EQ(QFileInfo(grownWitness).size(), 0) << "a file with data is shredded, not just unlinked";
}

TEST(EraseQueue, SymbolicLinksAreRemovedAndNeverWrittenThrough)
{
    const QString dir = nvtest::freshFolder();
    const QString elsewhere = nvtest::freshFolder();
    const QString target = elsewhere + QStringLiteral("/target.db");
    const QByteArray content(40000, 't');
    ASSERT_TRUE(nvtest::writeFile(target, content));
    ASSERT_TRUE(QFile::setPermissions(target, QFileDevice::ReadOwner));
    const QString linkA = dir + QStringLiteral("/a");
    const QString linkB = dir + QStringLiteral("/b");
    const QString linkFolder = dir + QStringLiteral("/folder");
    ASSERT_TRUE(QFile::link(target, linkA));
    ASSERT_TRUE(QFile::link(target, linkB));
    ASSERT_TRUE(QFile::link(elsewhere, linkFolder));

    FileObjList list{record(linkA), record(linkB), record(linkFolder, true)};
    list[1]->setSize(40000); // as if the size had been taken through the link
    Recorder rec;
    RemoveFileAndFolder queue;
    queue.setDelegate(&rec);
    queue.benginToTraskWithArr(list);
    ASSERT_TRUE(rec.waitForEnd());

    for (const auto& r : list) {
        EXPECT_EQ(r->failStr(), QStringLiteral("Success")) << r->url();
        EXPECT_FALSE(exists(r->url()));
    }
    EXPECT_EQ(readAll(target), content);
    struct stat st {};
    ASSERT_EQ(lstat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0400u) << "the unlock step never reaches through a link";
    EXPECT_EQ(QDir(elsewhere).entryList(QDir::Files), QStringList{QStringLiteral("target.db")});
}

TEST(EraseQueue, VanishedItemFailsWithoutARightsNotice)
{
    const QString dir = nvtest::freshFolder();
    const QString file = dir + QStringLiteral("/was-here");
    ASSERT_TRUE(nvtest::writeFile(file, "data"));
    FileObjList list{record(file)};
    QFile::remove(file);
    Recorder rec;
    RemoveFileAndFolder queue;
    queue.setDelegate(&rec);
    queue.benginToTraskWithArr(list);
    ASSERT_TRUE(rec.waitForEnd());
    EXPECT_EQ(list[0]->failStr(), QStringLiteral("Fail"));
    EXPECT_EQ(rec.failCalls, 0);
    EXPECT_FALSE(exists(file));
}

TEST(EraseQueue, DestroyedQueueFinishesItsItemAndReportsNothingMore)
{
    const QString dir = nvtest::freshFolder();
    FileObjList list;
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(nvtest::writeFile(dir + QStringLiteral("/d%1").arg(i), "x"));
        list << record(dir + QStringLiteral("/d%1").arg(i));
    }
    Recorder rec;
    auto queue = std::make_unique<RemoveFileAndFolder>();
    queue->setDelegate(&rec);
    // The client lets go of the queue while the second item is announced.
    rec.onProgress = [&](int index) {
        if (index == 1)
            queue.reset();
    };
    queue->benginToTraskWithArr(list);
    ASSERT_TRUE(platform::dispatch::waitForGlobalQueues(30000));
    nvtest::pump(100);

    EXPECT_EQ(rec.endCalls, 0);
    EXPECT_EQ(rec.progressSeen().size(), 2u);
    EXPECT_EQ(list[1]->failStr(), QStringLiteral("Success"));
    EXPECT_TRUE(list[2]->failStr().isNull());
    EXPECT_TRUE(exists(list[4]->url()));
}

TEST(EraseQueue, UnlockGivesTheOwnerWriteAndNobodyElse)
{
    const QString file = nvtest::freshFolder() + QStringLiteral("/ro");
    ASSERT_TRUE(nvtest::writeFile(file, "r"));
    ASSERT_EQ(chmod(QFile::encodeName(file).constData(), 0444), 0);
    platform::LogCapture log;
    RemoveFileAndFolder::doUnLockFile(file);
    struct stat st {};
    ASSERT_EQ(lstat(QFile::encodeName(file).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    EXPECT_TRUE(log.contains(QStringLiteral("File unlocked successfully.")));

    if (nvtest::isRoot()
        && platform::runProcess(QStringLiteral("chattr"), {QStringLiteral("+i"), file}).succeeded()) {
        RemoveFileAndFolder::doUnLockFile(file);
        EXPECT_TRUE(QFile::remove(file)) << "the immutable flag was cleared";
    }

    platform::LogCapture missing;
    RemoveFileAndFolder::doUnLockFile(file + QStringLiteral(".missing"));
    EXPECT_TRUE(missing.contains(QStringLiteral("Failed to unlock file. Exit status: 1")));
    EXPECT_TRUE(missing.contains(QStringLiteral("Error getting file attributes: ")));
}

TEST(EraseQueue, PassCountComesFromTheUserDefault)
{
    platform::defaults::remove(QStringLiteral("EraserTimes"));
    EXPECT_EQ(RemoveFileAndFolder::getEraserTimes(), 1);
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), -2);
    EXPECT_EQ(RemoveFileAndFolder::getEraserTimes(), 1);
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 3);
    EXPECT_EQ(RemoveFileAndFolder::getEraserTimes(), 3);
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 35);
    EXPECT_EQ(RemoveFileAndFolder::getEraserTimes(), 35);
    platform::defaults::remove(QStringLiteral("EraserTimes"));
}

// A file the user may neither write nor re-permit: it belongs to somebody
// else. Root prepares it and runs this same test as an unprivileged user.
TEST(EraseQueueRights, FileOfAnotherUserFailsWithOneNoticeAndItsFolderStays)
{
    const QString fixture = qEnvironmentVariable("NVTEST_RIGHTS_FIXTURE");
    if (!fixture.isEmpty()) {
        ASSERT_FALSE(nvtest::isRoot());
        const QString locked = fixture + QStringLiteral("/locked.txt");
        FileObjList list{record(locked), record(fixture, true)};
        ASSERT_EQ(list[0]->size(), 6);
        platform::LogCapture log;
        Recorder rec;
        RemoveFileAndFolder queue;
        queue.setDelegate(&rec);
        queue.benginToTraskWithArr(list);
        ASSERT_TRUE(rec.waitForEnd());
        EXPECT_EQ(list[0]->failStr(), QStringLiteral("Fail"));
        EXPECT_EQ(list[1]->failStr(), QStringLiteral("Fail"));
        EXPECT_EQ(rec.failCalls, 1);
        EXPECT_FALSE(rec.failOffMain);
        EXPECT_TRUE(log.contains(QStringLiteral("--没有权限--------%1").arg(locked)));
        return;
    }
    if (!nvtest::isRoot())
        GTEST_SKIP() << "needs root to make a file that belongs to another user";
    if (platform::findProgram(QStringLiteral("setpriv")).isEmpty())
        GTEST_SKIP() << "needs setpriv (util-linux) to run as another user";

    const uid_t nobody = 65534;
    ASSERT_EQ(chmod(QFile::encodeName(nvtest::sandbox()).constData(), 0711), 0);
    const QString folder = nvtest::freshFolder(QStringLiteral("rights"));
    const QString locked = folder + QStringLiteral("/locked.txt");
    ASSERT_TRUE(nvtest::writeFile(locked, "secret"));
    ASSERT_EQ(chmod(QFile::encodeName(locked).constData(), 0444), 0);
    ASSERT_EQ(chown(QFile::encodeName(folder).constData(), nobody, nobody), 0);
    const QString childTemp = nvtest::freshFolder(QStringLiteral("rights-tmp"));
    ASSERT_EQ(chown(QFile::encodeName(childTemp).constData(), nobody, nobody), 0);

    platform::ProcessOptions options;
    options.timeoutMs = 120000;
    options.extraEnvironment = {QStringLiteral("NVTEST_RIGHTS_FIXTURE=") + folder, QStringLiteral("TMPDIR=") + childTemp};
    const auto r = platform::runProcess(
        QStringLiteral("setpriv"),
        {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"),
         QCoreApplication::applicationFilePath(),
         QStringLiteral("--gtest_filter=EraseQueueRights.FileOfAnotherUserFailsWithOneNoticeAndItsFolderStays")},
        options);
    EXPECT_TRUE(r.succeeded()) << r.standardOutput.constData() << r.standardError.constData();
    EXPECT_TRUE(r.standardOutput.contains("[  PASSED  ] 1 test")) << r.standardOutput.constData();
    EXPECT_EQ(readAll(locked), QByteArray("secret"));
    EXPECT_TRUE(QFileInfo(folder).isDir());
}
