// A disk-wipe run against a stand-in disk utility, a stand-in pkexec and a
// fill that only reports: the reformat roads, the failure roads, the clock,
// the end of the run and its history record.

#include "WipeTestSupport.h"

#include "core/DoDataBase.h"
#include "core/PublicUtilities.h"
#include "platform/Log.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <algorithm>
#include <gtest/gtest.h>

using wipetest::facts;

namespace {

VolumeObjPtr volume(const QString& id, const QString& name, const QString& type, const QString& mountPoint = "/media/u/V")
{
    auto v = std::make_shared<VolumeObj>();
    v->setVolumeName(name);
    v->setVolumeType(type);
    v->setVolRootDir("/dev/" + id);
    v->setVolumePath("/dev/" + id);
    v->setVolumeMountPoint(mountPoint);
    v->setVolumeFreeSizeNum(1000);
    return v;
}

struct RunFixture {
    RunFixture()
    {
        auto f = std::make_unique<wipetest::FakeFill>();
        fill = f.get();
        run = std::make_unique<WipeDiskRun>(std::move(f));
        run->setTimings(20, 10, 3);
        // The stand-in utility mounts nothing: its facts are taken at their word.
        run->setMountCheck([](const QVariantMap& f, const QString&) { return !f.value("MountPoint").toString().isEmpty(); });
        // Every record under a key of its own, in the order written.
        DoDataBase::returnDoDataBase()->setClock([] {
            static int n = 0;
            return QDateTime(QDate(2026, 1, 1), QTime(0, 0)).addSecs(++n);
        });
        QObject::connect(run.get(), &WipeDiskRun::runEnded, [this](bool s, bool c) {
            ended = true, success = s, cancelled = c;
        });
        QObject::connect(run.get(), &WipeDiskRun::tabsLocked, [this](bool l) { locks << l; });
        QObject::connect(run.get(), &WipeDiskRun::stepChanged, [this](int s) { steps << s; });
        QObject::connect(run.get(), &WipeDiskRun::rescanRequested, [this] { ++rescans; });
        before = wipetest::historyRows().size();
        PublicUtilities::writeUpDataHistoryStr("WipeVolumeHistory", "0");
    }
    bool wait(int ms = 15000) { return nvtest::pumpUntil([this] { return ended; }, ms); }
    QList<HistoryRow> newRows() const { return wipetest::historyRows().mid(before); }

    wipetest::FakeFill* fill = nullptr;
    std::unique_ptr<WipeDiskRun> run;
    bool ended = false, success = false, cancelled = false;
    QList<bool> locks;
    QList<int> steps;
    int rescans = 0;
    qsizetype before = 0;
};

// The end every failed run shares: the failure, one record, the flag, the tabs
// unlocked again and the clock stopped.
void expectFailedEnd(RunFixture& r, const QString& item)
{
    EXPECT_FALSE(r.success);
    EXPECT_EQ(r.locks, (QList<bool>{true, false}));
    EXPECT_FALSE(r.run->isRunning());
    EXPECT_FALSE(r.run->isBegin());
    const QList<HistoryRow> rows = r.newRows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].value("Items"), item);
    EXPECT_EQ(rows[0].value("Result"), "擦除失败");
    EXPECT_EQ(PublicUtilities::getUpDataHistoryStr("WipeVolumeHistory"), "1");
    const int seconds = r.run->eraserTimeR();
    nvtest::pump(80);
    EXPECT_EQ(r.run->eraserTimeR(), seconds) << "the clock stopped";
    EXPECT_FALSE(r.steps.contains(3));
}

} // namespace

TEST(WipeRun, ReformatRoads)
{
    struct Row {
        const char* type;
        const char* name;
        QStringList args;
        const char* after;
    };
    const QList<Row> rows = {
        {"NTFS", "Win", {"eraseVolume", "MS-DOS FAT32", "NEW", "/dev/sdb1"}, "NEW"},
        {"ntfs", "Win", {"eraseVolume", "MS-DOS FAT32", "NEW", "/dev/sdb1"}, "NEW"},
        {"ExFAT", "Untitled", {"eraseVolume", "ExFAT", "NEWExFAT", "/dev/sdb1"}, "NEWExFAT"},
        {"ExFAT", "Photos", {"reformat", "/dev/sdb1"}, "Photos"},
        {"MS-DOS FAT32", "Untitled", {"reformat", "/dev/sdb1"}, "Untitled"},
        {"ext4", "it's \"$(x)\"", {"reformat", "/dev/sdb1"}, "it's \"$(x)\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.type);
        const auto c = wiperun::reformatCommandFor(*volume("sdb1", row.name, row.type));
        EXPECT_EQ(c.arguments, row.args);
        EXPECT_EQ(c.nameAfter, row.after);
    }
    for (const char* kept : {".fseventsd", ".Spotlight-V100", ".TemporaryItems", ".Trashes", "lost+found"})
        EXPECT_TRUE(wiperun::isKeptRootEntry(kept));
    EXPECT_FALSE(wiperun::isKeptRootEntry(".Trash-1000"));
    // A FUSE FAT driver shows the volume's label as an empty file of that name.
    const QString root = nvtest::freshFolder("labels");
    nvtest::writeFile(root + "/STICK", "");
    nvtest::writeFile(root + "/notes", "");
    nvtest::writeFile(root + "/DATA", "x");
    EXPECT_TRUE(wiperun::isVolumeLabelEntry(root, "STICK", "STICK"));
    EXPECT_FALSE(wiperun::isVolumeLabelEntry(root, "notes", "STICK"));
    EXPECT_FALSE(wiperun::isVolumeLabelEntry(root, "DATA", "DATA")) << "a file with data is shredded";
    auto v = volume("sdb1", "V", "MS-DOS FAT32");
    v->setVolumeTotalSizeNum(64000000);
    v->setVolumeFreeSizeNum(0);
    EXPECT_EQ(wiperun::fillBudgetFor(*v), 64000000) << "no free space told: the whole volume";
    v->setVolumeFreeSizeNum(5000);
    EXPECT_EQ(wiperun::fillBudgetFor(*v), 5000);
    EXPECT_EQ(wiperun::elapsedText(1), "0:00:01");
    EXPECT_EQ(wiperun::elapsedText(90), "0:01:30");
    EXPECT_EQ(wiperun::elapsedText(3600 * 12 + 61), "12:01:01");
    EXPECT_EQ(wiperun::stepCaptions(2), (QStringList{"格式化", "擦除数据", "完成"}));
    EXPECT_EQ(wiperun::stepCaptions(1), (QStringList{"获取剩余空间", "擦除剩余空间", "完成"}));
}

TEST(WipeRun, AFailedReformatEndsTheRunAndNoFillStarts)
{
    for (const char* type : {"ext4", "NTFS"}) {
        SCOPED_TRACE(type);
        wipetest::FakeDiskutil du;
        du.setVerb("reformat", "Started erase on sdb1\n", 1, "mkfs.ext4: Device or resource busy\n");
        du.setVerb("eraseVolume", "Started erase on sdb1\n", 1, "mkfs.fat: failed\n");
        du.setInfo("sdb1", facts("sdb1", "NEW", "MS-DOS FAT32", "/media/u/NEW"));
        RunFixture r;
        r.run->setSelectVolumeObj(volume("sdb1", "Vol", type));
        r.run->makeSureToWipeSelectVolume();
        EXPECT_TRUE(r.run->isBegin());
        EXPECT_TRUE(r.run->isRunning());
        ASSERT_TRUE(r.wait());
        EXPECT_EQ(r.fill->started, 0);
        EXPECT_EQ(r.run->errorString(), wiperun::kReformatFailText);
        EXPECT_EQ(r.steps.value(0), 1);
        expectFailedEnd(r, "磁盘擦除:Vol");
        const QStringList calls = du.calls();
        const qsizetype changed = std::max(calls.indexOf(QStringLiteral("reformat /dev/sdb1")),
                                           calls.indexOf(QStringLiteral("eraseVolume MS-DOS FAT32 NEW /dev/sdb1")));
        ASSERT_GE(changed, 0) << calls.join("|");
        EXPECT_FALSE(calls.mid(changed + 1).join("|").contains("info")) << "nothing is looked for after a failure";
    }
}

TEST(WipeRun, ErrorTextAloneDoesNotDecideAndTheRootIsShredded)
{
    wipetest::FakeDiskutil du;
    const QString root = nvtest::freshFolder("volume");
    for (const char* name : {"secret.txt", ".Trash-0/old", ".Trashes/x", "lost+found/y", ".fseventsd/z"})
        nvtest::writeFile(root + "/" + name, "data");
    du.setVerb("reformat", "Started erase on sdb1\nMounting disk\nFinished erase on sdb1 Vol\n", 0,
               "mke2fs: warning: something harmless\n");
    du.setInfo("sdb1", facts("sdb1", "Vol", "ext4", root, 100000000, 77777));
    RunFixture r;
    const VolumeObjPtr v = volume("sdb1", "Vol", "ext4", "/media/u/Old");
    r.run->setSelectVolumeObj(v);
    r.run->makeSureToWipeSelectVolume();
    ASSERT_TRUE(r.wait());
    EXPECT_TRUE(r.success) << r.run->errorString();
    EXPECT_EQ(r.fill->started, 1);
    EXPECT_TRUE(r.fill->partition);
    EXPECT_EQ(r.fill->mode, 2);
    EXPECT_EQ(r.fill->volume, v);
    EXPECT_EQ(v->volumeMountPoint(), root) << "the record follows the volume to its new mount point";
    EXPECT_EQ(v->volumeFreeSizeNum(), 77777);
    EXPECT_GE(r.rescans, 1) << "\"Mounting disk\" asks for a rescan";
    EXPECT_EQ(r.steps, (QList<int>{1, 2, 3}));
    EXPECT_FALSE(QFileInfo::exists(root + "/secret.txt"));
    EXPECT_FALSE(QFileInfo::exists(root + "/.Trash-0/old"));
    for (const char* kept : {".Trashes/x", "lost+found/y", ".fseventsd/z"})
        EXPECT_TRUE(QFileInfo::exists(root + "/" + kept)) << kept;
    EXPECT_EQ(r.locks, (QList<bool>{true, false}));
    const auto rows = r.newRows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].value("Items"), "磁盘擦除:Vol");
    EXPECT_EQ(rows[0].value("Result"), "擦除成功");
    EXPECT_EQ(PublicUtilities::getUpDataHistoryStr("WipeVolumeHistory"), "1");
    EXPECT_TRUE(du.calls().contains("reformat /dev/sdb1"));
}

TEST(WipeRun, AnUnnamedExfatVolumeIsRecordedUnderItsNewName)
{
    wipetest::FakeDiskutil du;
    du.setVerb("eraseVolume", "Mounting disk\n", 0);
    du.setInfo("sdb1", facts("sdb1", "NEWExFAT", "ExFAT", nvtest::freshFolder("exfat")));
    RunFixture r;
    const VolumeObjPtr v = volume("sdb1", "Untitled", "ExFAT");
    r.run->setSelectVolumeObj(v);
    r.run->makeSureToWipeSelectVolume();
    EXPECT_EQ(v->volumeName(), "NEWExFAT") << "named before the utility starts";
    ASSERT_TRUE(r.wait());
    EXPECT_TRUE(r.success);
    EXPECT_TRUE(du.calls().contains("eraseVolume ExFAT NEWExFAT /dev/sdb1"));
    ASSERT_EQ(r.newRows().size(), 1);
    EXPECT_EQ(r.newRows()[0].value("Items"), "磁盘擦除:NEWExFAT");
}

TEST(WipeRun, AVolumeThatDoesNotComeBackEndsTheRunAfterBoundedLooks)
{
    wipetest::FakeDiskutil du;
    du.setVerb("reformat", "", 0);
    du.setInfo("sdb1", facts("sdb1", "Vol", "ext4", ""));
    // Another volume now carries the same name: it must not be taken.
    du.setInfo("sdc1", facts("sdc1", "Vol", "ext4", "/media/u/Vol"));
    RunFixture r;
    r.run->setSelectVolumeObj(volume("sdb1", "Vol", "ext4"));
    r.run->makeSureToWipeSelectVolume();
    ASSERT_TRUE(r.wait());
    EXPECT_EQ(r.fill->started, 0);
    EXPECT_EQ(r.run->errorString(), wiperun::kNotFoundText);
    // One look before the reformat (is it still the disk chosen?), then three.
    EXPECT_EQ(du.calls().count("info -plist /dev/sdb1"), 4);
    EXPECT_FALSE(du.calls().join("|").contains("sdc1"));
    EXPECT_GE(r.rescans, 3);
    expectFailedEnd(r, "磁盘擦除:Vol");
}

TEST(WipeRun, ADiskThatIsNoLongerTheOneChosenIsNotReformatted)
{
    struct Road {
        const char* name;
        const char* uuidNow;  // nullptr: the device answers nothing
        const char* volumeUuidNow;
        bool reformatted;
    };
    const QList<Road> roads = {
        {"another disk on the same node", "2222-OTHER", "AAAA-0001", false},
        {"the device is gone", nullptr, nullptr, false},
        {"a new file system on the partition chosen", "1111-CHOSEN", "BBBB-0002", false},
        {"still the disk chosen", "1111-CHOSEN", "AAAA-0001", true},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        wipetest::FakeDiskutil du;
        du.setVerb("reformat", "Mounting disk\n", 0);
        if (road.uuidNow) {
            QVariantMap now = facts("sdb1", "Vol", "ext4", nvtest::freshFolder("v"));
            now.insert("DiskUUID", road.uuidNow);
            now.insert("VolumeUUID", road.volumeUuidNow);
            du.setInfo("sdb1", now);
        }
        RunFixture r;
        const VolumeObjPtr v = volume("sdb1", "Vol", "ext4");
        v->setDiskUUID("1111-CHOSEN");
        v->setVolumeUUID("AAAA-0001");
        r.run->setSelectVolumeObj(v);
        r.run->makeSureToWipeSelectVolume();
        ASSERT_TRUE(r.wait());
        EXPECT_EQ(!du.calls().filter("reformat").isEmpty(), road.reformatted) << du.calls().join("|");
        if (road.reformatted) {
            EXPECT_TRUE(r.success) << r.run->errorString();
            continue;
        }
        EXPECT_EQ(r.run->errorString(), wiperun::kNotFoundText);
        EXPECT_EQ(r.fill->started, 0);
        expectFailedEnd(r, "磁盘擦除:Vol");
    }
}

TEST(WipeRun, ARefusedPasswordChangesNothing)
{
    wipetest::FakeDiskutil du;
    du.setVerb("reformat", "Mounting disk\n", 0);
    du.setInfo("sdb1", facts("sdb1", "Vol", "ext4", nvtest::freshFolder("v")));
    {
        wipetest::FakePkexec pk;
        pk.refuse();
        RunFixture r;
        r.run->setSelectVolumeObj(volume("sdb1", "Vol", "ext4"));
        r.run->makeSureToWipeSelectVolume();
        ASSERT_TRUE(r.wait());
        EXPECT_EQ(pk.calls().size(), 1);
        EXPECT_TRUE(pk.calls().value(0).endsWith("diskutil reformat /dev/sdb1")) << pk.calls();
        // Only the look at the disk before the change ran, without the launcher.
        EXPECT_EQ(du.calls(), QStringList{"info -plist /dev/sdb1"}) << "the change never ran: " << du.calls().join("|");
        EXPECT_EQ(r.fill->started, 0);
        expectFailedEnd(r, "磁盘擦除:Vol");
    }
    {
        // Granted: the utility runs through the launcher; only the change does.
        wipetest::FakePkexec pk;
        RunFixture r;
        r.run->setSelectVolumeObj(volume("sdb1", "Vol", "ext4"));
        r.run->makeSureToWipeSelectVolume();
        ASSERT_TRUE(r.wait());
        EXPECT_TRUE(r.success);
        EXPECT_EQ(pk.calls().size(), 1);
        EXPECT_TRUE(du.calls().contains("reformat /dev/sdb1"));
        EXPECT_TRUE(du.calls().contains("info -plist /dev/sdb1"));
    }
}

TEST(WipeRun, WipeFreeSpaceClockConfirmationAndEnd)
{
    RunFixture r;
    QSignalSpy elapsed(r.run.get(), &WipeDiskRun::elapsedChanged);
    r.run->setSelectVolumeObj(volume("sdb1", "Data", "ext4"));
    // The time the confirmation stands open is no part of the run, and a
    // declined one leaves no clock running.
    r.run->prepareFreeSpace();
    EXPECT_TRUE(r.locks.isEmpty()) << "not locked before the confirmation";
    nvtest::pump(100);
    EXPECT_EQ(elapsed.count(), 0);
    EXPECT_EQ(r.fill->started, 0);

    r.steps.clear();
    r.run->prepareFreeSpace();
    nvtest::pump(100);
    elapsed.clear();
    r.run->makeSureToWipeFreeSpaceSelectVolume();
    ASSERT_GE(elapsed.count(), 1);
    EXPECT_EQ(elapsed.at(0).at(0).toString(), "0:00:01") << "the clock starts at the confirmation";
    ASSERT_TRUE(r.wait());
    EXPECT_TRUE(r.success);
    EXPECT_FALSE(r.run->isBegin());
    EXPECT_FALSE(r.fill->partition);
    EXPECT_EQ(r.fill->mode, 1);
    EXPECT_EQ(r.steps, (QList<int>{1, 2, 3}));
    EXPECT_EQ(r.locks, (QList<bool>{true, false}));
    ASSERT_EQ(r.newRows().size(), 1);
    EXPECT_EQ(r.newRows()[0].value("Items"), "剩余空间擦除:Data");
    EXPECT_EQ(r.newRows()[0].value("Result"), "擦除成功");
}

TEST(WipeRun, CancelDuringTheFillAndAVolumeGoneEndAsFailed)
{
    {
        RunFixture r;
        r.fill->finishAtOnce = false;
        r.run->setSelectVolumeObj(volume("sdb1", "Data", "ext4"));
        r.run->prepareFreeSpace();
        r.run->makeSureToWipeFreeSpaceSelectVolume();
        r.run->cancelEraser();
        EXPECT_TRUE(r.fill->cancel);
        r.fill->finish();
        ASSERT_TRUE(r.wait());
        EXPECT_TRUE(r.cancelled);
        EXPECT_EQ(r.run->errorString(), "该操作被用户取消。");
        expectFailedEnd(r, "剩余空间擦除:Data");
    }
    {
        RunFixture r;
        r.fill->stillThere = false;
        r.run->setSelectVolumeObj(volume("sdb1", "Data", "ext4"));
        r.run->prepareFreeSpace();
        r.run->makeSureToWipeFreeSpaceSelectVolume();
        ASSERT_TRUE(r.wait());
        EXPECT_FALSE(r.cancelled);
        expectFailedEnd(r, "剩余空间擦除:Data");
    }
    {
        RunFixture r;
        r.fill->error = "硬盘驱动器已被占用或为只读,关闭其他程序或删除只读属性以重试。";
        r.run->setSelectVolumeObj(volume("sdb1", "RO", "ext4"));
        r.run->prepareFreeSpace();
        r.run->makeSureToWipeFreeSpaceSelectVolume();
        ASSERT_TRUE(r.wait());
        EXPECT_EQ(r.run->errorString(), r.fill->error);
        expectFailedEnd(r, "剩余空间擦除:RO");
    }
}

TEST(WipeRun, QuitDuringTheReformatStopsTheRunWithoutAFill)
{
    wipetest::FakeDiskutil du;
    // A reformat that takes a while.
    du.setVerbScript("reformat", "sleep 0.3\n");
    du.setInfo("sdb1", facts("sdb1", "Vol", "ext4", nvtest::freshFolder("v")));
    RunFixture r;
    r.run->setSelectVolumeObj(volume("sdb1", "Vol", "ext4"));
    r.run->makeSureToWipeSelectVolume();
    EXPECT_TRUE(r.run->stopRunningWork(10000));
    ASSERT_TRUE(r.wait());
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.fill->started, 0);
    EXPECT_GE(r.fill->removeCalls, 1);
}

TEST(WipeRun, ACancelWakesTheWaitBetweenLooksForTheVolume)
{
    wipetest::FakeDiskutil du;
    du.setVerb("reformat", "", 0);
    // Not mounted again yet: the run waits before looking once more.
    du.setInfo("sdb1", facts("sdb1", "Vol", "ext4", ""));
    RunFixture r;
    r.run->setTimings(20, 60000, 3);
    r.run->setSelectVolumeObj(volume("sdb1", "Vol", "ext4"));
    r.run->makeSureToWipeSelectVolume();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return r.rescans >= 1; }, 10000)) << "the first look came to nothing";
    QElapsedTimer clock;
    clock.start();
    r.run->cancelEraser();
    ASSERT_TRUE(r.wait(5000));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.fill->started, 0);
}

TEST(WipeRun, QuittingTwiceWaitsOnlyOnceForTheWorker)
{
    wipetest::FakeDiskutil du;
    // A reformat that outlasts the time quitting may take.
    du.setVerbScript("reformat", "sleep 2\n");
    du.setInfo("sdb1", facts("sdb1", "Vol", "ext4", nvtest::freshFolder("v")));
    RunFixture r;
    r.run->setSelectVolumeObj(volume("sdb1", "Vol", "ext4"));
    r.run->makeSureToWipeSelectVolume();
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(r.run->stopRunningWork(300));
    // The destructor asks again after the main window did: the same budget.
    EXPECT_FALSE(r.run->stopRunningWork(5000));
    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_TRUE(r.run->waitForWorker(10000));
}

// A run's lines that name the volume, its label or its mount point, are for
// developers who ask for them: at the default level standard error names
// neither, whether the run ends well or the reformat fails; asked for, the
// same runs name the label, so they do reach such lines.
TEST(WipeRun, TheDefaultLevelNamesNoVolume)
{
    const QString label = QStringLiteral("私人卷-Q7");
    const QString point = nvtest::freshFolder(QStringLiteral("挂载-Z3"));
    const auto runs = [&] {
        for (const bool fails : {false, true}) {
            wipetest::FakeDiskutil du;
            if (fails)
                du.setVerb("reformat", "", 1, QStringLiteral("mkfs: cannot open %1\n").arg(label));
            else
                du.setVerb("reformat", QStringLiteral("Started erase on %1\nMounting disk\n").arg(label), 0);
            // No free space told: the run says it fills the volume whole.
            du.setInfo("sdb1", facts("sdb1", label, "ext4", point, 8000000000ULL, 0));
            RunFixture r;
            r.run->setSelectVolumeObj(volume("sdb1", label, "ext4", point));
            r.run->makeSureToWipeSelectVolume();
            EXPECT_TRUE(r.wait());
            EXPECT_EQ(r.success, !fails) << r.run->errorString();
        }
    };
    const QString quiet = QString::fromUtf8(nvtest::standardErrorOf(runs));
    EXPECT_FALSE(quiet.contains(label)) << "the label is named at the default level:\n" << quiet;
    EXPECT_FALSE(quiet.contains(point)) << "the mount point is named at the default level:\n" << quiet;

    QLoggingCategory::setFilterRules(QStringLiteral("nullvane.*.debug=true"));
    const QString asked = QString::fromUtf8(nvtest::standardErrorOf(runs));
    QLoggingCategory::setFilterRules(QString());
    EXPECT_TRUE(asked.contains(label)) << asked;
}
