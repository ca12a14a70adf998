// The Disk tools against our real disk utility on loop devices (root only):
// mount, unmount, open, rename and eject on ext4, FAT32, exFAT and NTFS (the
// last three through FUSE where the kernel has no driver), hostile names set
// literally, First Aid on a clean and on a damaged ext4, formats to every
// offered type and back, and a format refused at the password.

#include "ScreenTestSupport.h"

#include "tools/repairdisk/DiskToolCommands.h"
#include "tools/repairdisk/FirstAidRun.h"
#include "tools/repairdisk/FormatEndViewController.h"
#include "tools/repairdisk/MakeSureFormatViewController.h"
#include "tools/repairdisk/RepairDiskRules.h"
#include "tools/repairdisk/RepairDiskViewController.h"
#include "tools/repairdisk/VolumeScan.h"

#include "core/CVolumeMgr.h"
#include "toolkit/TextImageButton.h"
#include "platform/DiskutilProgram.h"
#include "platform/Locations.h"
#include "platform/MountTable.h"
#include "platform/Process.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace repairdisk;

namespace {

constexpr qint64 kDiskSize = 64LL * 1000 * 1000;


QString kname(const nvtest::LoopDevice& d)
{
    return d.kernelName();
}

using nvtest::haveTool;

// The record the enumeration gives for a device, after a fresh scan.
VolumeObjPtr scanFor(const QString& device)
{
    nvtest::pump(1100);
    CVolumeMgr().changeIValue();
    VolumeScan scan;
    QList<VolumeObjPtr> found;
    bool done = false;
    scan.onFinished = [&](const QList<VolumeObjPtr>& r) {
        found = r;
        done = true;
    };
    scan.request();
    if (!nvtest::pumpUntil([&] { return done; }, 20000))
        return nullptr;
    for (const VolumeObjPtr& v : found)
        if (v->volumePath() == device)
            return v;
    return nullptr;
}

QVariantMap infoOf(const QString& device)
{
    return CVolumeMgr().EUGetDiskInfo(device);
}

// ntfs-3g sometimes answers a mount with "Resource temporarily unavailable"
// on this busy shared machine; whether the volume then got mounted or not,
// asking again gives the truth ("already mounted" or a mount).
bool ntfsFlake(const CommandOutcome& r)
{
    return !r.succeeded && r.error.contains(QLatin1String("temporarily unavailable"));
}

CommandOutcome mountVolume(const QString& device)
{
    CommandOutcome r = runMountOrUnmount(device, false);
    if (ntfsFlake(r)) {
        nvtest::pump(500);
        r = runMountOrUnmount(device, false);
    }
    return r;
}

struct FsCase {
    const char* name;       // what the test is called
    const char* mkfs;       // the mkfs program
    QStringList mkfsArgs;
    const char* fsName;     // FilesystemName
    const char* needs;      // a tool the case cannot do without
    QString newName;        // asked for
    QString expectName;     // what the file system keeps
};

class RepairDiskLoop : public ::testing::TestWithParam<FsCase> {};

// Volumes are mounted inside this program's own folder.
class MountBase : public ::testing::Environment {
public:
    void SetUp() override
    {
        qputenv("NULLVANE_MOUNT_BASE", QFile::encodeName(nvtest::freshFolder("media")));
    }
};
const auto* const kMountBase = ::testing::AddGlobalTestEnvironment(new MountBase);

} // namespace

TEST_P(RepairDiskLoop, MountUnmountOpenRenameAndEject)
{
    const FsCase c = GetParam();
    if (!haveTool(c.needs))
        GTEST_SKIP() << c.needs << " is needed for " << c.name;
    nvtest::LoopDevice dev(kDiskSize);
    NEED_LOOP(dev);
    ASSERT_TRUE(platform::runProcess(platform::findProgram(c.mkfs), c.mkfsArgs + QStringList{dev.device()}).succeeded());
    const QString id = kname(dev);

    VolumeObjPtr v = scanFor(id);
    ASSERT_TRUE(v) << "the table does not list " << id;
    EXPECT_EQ(v->diskType(), c.fsName);
    EXPECT_FALSE(isVolumeMounted(v.get()));
    EXPECT_EQ(volumeImageName(*v), "ic_usb") << "a loop device is ejectable";
    EXPECT_EQ(rowButtonState(RowButton::Mount, *v, true, false, false).title, "装载");

    // Mount, and the row says so; Open has a folder to open.
    CommandOutcome r = mountVolume(deviceOf(*v));
    ASSERT_TRUE(r.succeeded) << r.error;
    v = scanFor(id);
    ASSERT_TRUE(v);
    EXPECT_TRUE(isVolumeMounted(v.get()));
    EXPECT_TRUE(QFileInfo(v->volumeMountPoint()).isDir()) << v->volumeMountPoint();
    EXPECT_TRUE(v->volumeMountPoint().startsWith(qEnvironmentVariable("NULLVANE_MOUNT_BASE")));
    EXPECT_TRUE(nvtest::writeFile(v->volumeMountPoint() + "/kept.txt", "kept"));

    // Rename while mounted: the name reaches the label literally (within the
    // file system's own rules), and the volume stays mounted.
    r = runRename(deviceOf(*v), c.newName);
    if (ntfsFlake(r))
        r = mountVolume(deviceOf(*v)); // the label is written; the remount was what failed
    ASSERT_TRUE(r.succeeded) << r.error;
    v = scanFor(id);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->volumeName(), c.expectName);
    EXPECT_TRUE(isVolumeMounted(v.get()));
    EXPECT_TRUE(QFileInfo::exists(v->volumeMountPoint() + "/kept.txt"));
    EXPECT_FALSE(QFileInfo::exists("/tmp/q")) << "a name ran as a command";

    // Unmount.
    r = runMountOrUnmount(deviceOf(*v), true);
    ASSERT_TRUE(r.succeeded) << r.error;
    v = scanFor(id);
    ASSERT_TRUE(v);
    EXPECT_FALSE(isVolumeMounted(v.get()));

    // Eject: the volume is unmounted and the loop device let go.
    r = mountVolume(deviceOf(*v));
    ASSERT_TRUE(r.succeeded) << r.error;
    r = runEject(id);
    ASSERT_TRUE(r.succeeded) << r.error;
    EXPECT_TRUE(nvtest::pumpUntil([&] { return dev.attachedNodes().isEmpty(); }, 5000)) << "still attached";
}

INSTANTIATE_TEST_SUITE_P(
    FileSystems, RepairDiskLoop,
    ::testing::Values(
        FsCase{"ext4", "mkfs.ext4", {"-q", "-F", "-L", "OLD"}, "ext4", "tune2fs", "$(touch /tmp/q)", "$(touch /tmp/q)"},
        FsCase{"fat32", "mkfs.fat", {"-F", "32", "-n", "OLD"}, "MS-DOS FAT32", "fatlabel", "a'b$(c)", "A'B$(C)"},
        FsCase{"exfat", "mkfs.exfat", {"-L", "OLD"}, "ExFAT", "exfatlabel", "-n it's", "-n it's"},
        FsCase{"ntfs", "mkfs.ntfs", {"-Q", "-F", "-L", "OLD"}, "NTFS", "ntfslabel", "-x \"q\" `id`", "-x \"q\" `id`"}),
    [](const ::testing::TestParamInfo<FsCase>& info) { return std::string(info.param.name); });

TEST(RepairDiskLoopRemount, AFatVolumeShowsMountedAgainAfterARenameAndAFormat)
{
    if (!haveTool("fatlabel") || !haveTool("mkfs.fat"))
        GTEST_SKIP() << "dosfstools is needed";
    nvtest::LoopDevice dev(kDiskSize);
    NEED_LOOP(dev);
    ASSERT_TRUE(dev.format("ext4", {"-L", "START"}));
    const QString id = kname(dev);
    ASSERT_TRUE(runMountOrUnmount(id, false).succeeded);
    // A failed check must not leave a FUSE server holding the device.
    const auto unmount = qScopeGuard([&] { runMountOrUnmount(id, true); });

    // The screen as the main window holds it: rescans follow the machine's
    // own mount and unmount notifications, and nothing else.
    RepairDiskViewController screen;
    screen.view()->show();
    const auto row = [&]() -> VolumeObjPtr {
        for (const VolumeObjPtr& v : screen.allVolumeArr())
            if (v->volumePath() == id)
                return v;
        return nullptr;
    };
    const auto shownMounted = [&](const QString& type) {
        return nvtest::pumpUntil([&] {
            const VolumeObjPtr v = row();
            return !screen.isScanV() && v && v->diskType() == type && !v->volumeMountPoint().isEmpty();
        }, 20000);
    };
    screen.getallVolumes();
    ASSERT_TRUE(shownMounted("ext4"));

    // Formatted to FAT32: the table hears the old volume go and the new one come.
    ASSERT_TRUE(runFormat(id, "MS-DOS FAT32", "FATTY", false).succeeded);
    EXPECT_TRUE(shownMounted("MS-DOS FAT32")) << "the FAT volume is shown unmounted after the format";
    EXPECT_FALSE(infoOf(id).value("MountPoint").toString().isEmpty());

    // Renamed through the row: still mounted, under the name FAT took.
    ASSERT_TRUE(nvtest::pumpUntil([&] { return row() != nullptr; }));
    screen.selectRow(int(screen.allVolumeArr().indexOf(row())));
    bool renamed = false;
    screen.onActionEnded = [&](const QString& action, bool ok) { renamed = action == "rename" && ok; };
    screen.renameButtonAction();
    screen.controlTextDidChange("fat name");
    screen.saveButtonAction();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return renamed; }, 20000));
    nvtest::pump(1500);
    EXPECT_TRUE(shownMounted("MS-DOS FAT32")) << "the FAT volume is shown unmounted after the rename";
    ASSERT_TRUE(row());
    EXPECT_EQ(row()->volumeName(), "FAT NAME");
    EXPECT_EQ(infoOf(id).value("VolumeName").toString(), "FAT NAME");
    EXPECT_FALSE(infoOf(id).value("MountPoint").toString().isEmpty());
    // Mounted as the system sees it too (lsblk, findmnt, mkfs), and with the
    // free space the FAT holds rather than the nothing fusefat tells.
    const QList<platform::MountEntry> system = platform::mountEntriesOf(dev.device());
    ASSERT_EQ(system.size(), 1);
    EXPECT_EQ(system.first().mountPoint, row()->volumeMountPoint());
    EXPECT_GT(row()->volumeFreeSizeNum(), kDiskSize / 2);
}

TEST(RepairDiskLoopNames, HostileNamesAreSetLiterally)
{
    nvtest::LoopDevice dev(kDiskSize);
    NEED_LOOP(dev);
    ASSERT_TRUE(dev.format("ext4", {"-L", "OLD"}));
    const QString id = kname(dev);
    for (const QString& name : {QStringLiteral("it's \"q\""), QStringLiteral("$(touch /tmp/q)"),
                                QStringLiteral("a; rm -rf /x"), QStringLiteral("-n"), QStringLiteral("`id`>/tmp/q")}) {
        const CommandOutcome r = runRename(id, name);
        ASSERT_TRUE(r.succeeded) << name << ": " << r.error;
        EXPECT_EQ(infoOf(id).value("VolumeName").toString(), name);
    }
    // Longer than ext4 allows: cut to its 16 bytes by the utility.
    ASSERT_TRUE(runRename(id, "abcdefghijklmnopqrstuvwxyz").succeeded);
    EXPECT_EQ(infoOf(id).value("VolumeName").toString(), "abcdefghijklmnop");
    EXPECT_FALSE(QFileInfo::exists("/tmp/q"));
}

// A FAT label holds part of ASCII only: a Chinese name is refused before
// anything changes, in Chinese on the screen and by the utility itself (it is
// run directly too); the volume keeps its name, its file system and its files.
TEST(RepairDiskLoopNames, AFatVolumeRefusesANameItsLabelCannotHold)
{
    SKIP_FOR(haveTool("mkfs.fat") && haveTool("fatlabel") && haveTool("fusefat")
                 ? QString()
                 : QStringLiteral("a FAT volume needs mkfs.fat and fatlabel (dosfstools) and fusefat"));
    nvtest::LoopDevice dev(kDiskSize);
    NEED_LOOP(dev);
    ASSERT_TRUE(dev.format("vfat", {"-F", "32", "-n", "OLD"}));
    const QString id = kname(dev);
    ASSERT_TRUE(runMountOrUnmount(id, false).succeeded);
    const auto unmount = qScopeGuard([&] { runMountOrUnmount(id, true); });
    const QVariantMap before = infoOf(id);
    ASSERT_TRUE(nvtest::writeFile(before.value("MountPoint").toString() + "/kept.txt", "kept"));
    const auto unchanged = [&] {
        const QVariantMap now = infoOf(id);
        EXPECT_EQ(now.value("VolumeName").toString(), "OLD");
        EXPECT_EQ(now.value("VolumeUUID").toString(), before.value("VolumeUUID").toString());
        EXPECT_TRUE(nvtest::fileContains(now.value("MountPoint").toString() + "/kept.txt", "kept"));
    };
    const QString name = QStringLiteral("小盘");

    RepairDiskViewController screen(nullptr, false);
    screen.view()->show();
    screen.getallVolumes();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !screen.isScanV() && !screen.allVolumeArr().isEmpty(); }, 20000));
    for (int i = 0; i < screen.allVolumeArr().size(); ++i)
        if (screen.allVolumeArr()[i]->volumePath() == id)
            screen.selectRow(i);
    ASSERT_TRUE(screen.selectVolume() && screen.selectVolume()->volumePath() == id);
    QString said;
    screentest::answerNextMessageBox("loop-rename-fat-refused", QMessageBox::Ok, [&](const QString& t) { said = t; });
    screen.renameButtonAction();
    screen.controlTextDidChange(name);
    screen.saveButtonAction();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !said.isEmpty(); }, 20000)) << "no message";
    EXPECT_TRUE(said.contains(name) && said.contains("FAT 卷名只能使用")) << said.toStdString();
    unchanged();

    // mkfs.fat refuses a label starting with a blank only once the old file
    // system is wiped.
    for (const QStringList& args : {QStringList{"rename", id, name}, {"eraseVolume", "MS-DOS FAT32", name, id},
                                    {"eraseVolume", "MS-DOS FAT32", " X", id}}) {
        const platform::ProcessResult r = platform::runProcess(platform::diskutilProgram(), args);
        EXPECT_FALSE(r.succeeded()) << args.join(' ').toStdString();
        EXPECT_TRUE(r.standardError.contains("a FAT label cannot hold")) << r.standardError.toStdString();
        EXPECT_FALSE(r.standardOutput.contains("Started erase")) << r.standardOutput.toStdString();
        unchanged();
    }
}

namespace {

struct AidWatch {
    QStringList rows;
    QList<float> values;
    bool ended = false;
    bool succeeded = false;

    explicit AidWatch(FirstAidRun& run)
    {
        run.onRow = [this](const QString& r) { rows << r; };
        run.onProgress = [this](float v) { values << v; };
        run.onEnd = [this](bool ok) {
            ended = true;
            succeeded = ok;
        };
    }
    QString text() const { return rows.join("\n"); }
    // Only the tools' own lines: nothing our programs' libraries print.
    void checkOnlyToolOutput() const { EXPECT_FALSE(text().contains("QProcess")) << text().toStdString(); }
    // The bar never showed more than 99 % before the end, and 100 % at it.
    void checkBar() const
    {
        ASSERT_FALSE(values.isEmpty());
        EXPECT_EQ(values.last(), kAidEndMark);
        for (int i = 0; i + 1 < values.size(); ++i)
            EXPECT_LE(aidProgressPercent(values[i]), 99.0f);
        EXPECT_EQ(aidProgressPercent(values.last()), 100.0f);
    }
};

} // namespace

TEST(RepairDiskLoopFirstAid, VerifyAndRepairCleanAndDamagedExt4)
{
    if (!haveTool("debugfs"))
        GTEST_SKIP() << "debugfs (e2fsprogs) is needed to damage a volume";
    nvtest::LoopDevice clean(kDiskSize);
    NEED_LOOP(clean);
    ASSERT_TRUE(clean.format("ext4", {"-L", "CLEAN"}));
    const QString cleanId = kname(clean);
    ASSERT_TRUE(runMountOrUnmount(cleanId, false).succeeded);

    FirstAidRun run(0);
    {
        AidWatch w(run);
        run.start(false, cleanId);
        ASSERT_TRUE(nvtest::pumpUntil([&] { return w.ended; }, 30000));
        EXPECT_TRUE(w.succeeded) << w.text();
        EXPECT_TRUE(w.text().contains("appears to be OK")) << w.text();
        w.checkBar();
        w.checkOnlyToolOutput();
    }
    {
        AidWatch w(run);
        run.start(true, cleanId);
        ASSERT_TRUE(nvtest::pumpUntil([&] { return w.ended; }, 30000));
        EXPECT_TRUE(w.succeeded) << w.text();
        EXPECT_TRUE(w.text().contains("repaired successfully")) << w.text();
    }
    EXPECT_FALSE(infoOf(cleanId).value("MountPoint").toString().isEmpty()) << "mounted again after the check";
    runMountOrUnmount(cleanId, true);

    nvtest::LoopDevice hurt(kDiskSize);
    NEED_LOOP(hurt);
    ASSERT_TRUE(nvtest::damageExt4(hurt));
    const QString hurtId = kname(hurt);
    {
        AidWatch w(run);
        run.start(false, hurtId);
        ASSERT_TRUE(nvtest::pumpUntil([&] { return w.ended; }, 30000));
        EXPECT_FALSE(w.succeeded);
        EXPECT_TRUE(w.text().contains("Pass 1")) << w.text();
        EXPECT_TRUE(w.text().contains("needs to be repaired")) << w.text();
        EXPECT_TRUE(w.text().contains("exit code")) << "the error output is among the rows: " << w.text();
        w.checkBar();
        w.checkOnlyToolOutput();
    }
    {
        AidWatch w(run);
        run.start(true, hurtId);
        ASSERT_TRUE(nvtest::pumpUntil([&] { return w.ended; }, 30000));
        EXPECT_TRUE(w.succeeded) << w.text();
    }
    {
        AidWatch w(run);
        run.start(false, hurtId);
        ASSERT_TRUE(nvtest::pumpUntil([&] { return w.ended; }, 30000));
        EXPECT_TRUE(w.succeeded) << w.text();
    }
}

TEST(RepairDiskLoopFirstAid, RowsArriveBeforeTheUtilityEnds)
{
    nvtest::LoopDevice dev(kDiskSize);
    NEED_LOOP(dev);
    ASSERT_TRUE(dev.format("ext4"));
    // A checker that prints one line and then waits for the test.
    const QString bin = nvtest::freshFolder("fakebin");
    const QString go = bin + "/go";
    ASSERT_TRUE(nvtest::writeWaitingChecker(bin + "/e2fsck", go));
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin) + ":" + oldPath);

    FirstAidRun run(0);
    AidWatch w(run);
    run.start(false, kname(dev));
    const bool early = nvtest::pumpUntil([&] { return w.text().contains("Pass 1: first line"); }, 20000);
    const bool endedEarly = w.ended;
    nvtest::writeFile(go, "go");
    ASSERT_TRUE(nvtest::pumpUntil([&] { return w.ended; }, 30000));
    qputenv("PATH", oldPath);
    EXPECT_TRUE(early) << w.text();
    EXPECT_FALSE(endedEarly);
    EXPECT_TRUE(w.succeeded) << w.text();
    EXPECT_TRUE(w.text().contains("Pass 2: second line"));
    w.checkBar();
}

TEST(RepairDiskLoopFormat, EveryOfferedTypeAndBack)
{
    nvtest::LoopDevice dev(kDiskSize);
    NEED_LOOP(dev);
    ASSERT_TRUE(dev.format("ext4", {"-L", "START"}));
    const QString id = kname(dev);
    for (const QString& type : formatTypes() + QStringList{QStringLiteral("ext4")}) {
        const QString name = formatName("fmt" + type.left(3), type);
        const CommandOutcome r = runFormat(id, type, name, false);
        ASSERT_TRUE(r.succeeded) << type << ": " << r.error;
        const QVariantMap info = infoOf(id);
        EXPECT_EQ(info.value("FilesystemName").toString(), type);
        EXPECT_EQ(info.value("VolumeName").toString(), name);
        EXPECT_FALSE(info.value("MountPoint").toString().isEmpty()) << "mounted after the format";
        ASSERT_TRUE(runMountOrUnmount(id, true).succeeded);
    }
    // No Linux tool makes HFS+: refused, and the volume is left as it was.
    const CommandOutcome hfs = runFormat(id, "Journaled HFS+", "X", false);
    EXPECT_FALSE(hfs.succeeded);
    EXPECT_EQ(infoOf(id).value("FilesystemName").toString(), "ext4");
}

TEST(RepairDiskLoopFormat, TheResultDialogTellsARefusedPasswordFromSuccess)
{
    if (!haveTool("setpriv"))
        GTEST_SKIP() << "setpriv (util-linux) is needed to run as another user";
    nvtest::LoopDevice dev(kDiskSize);
    NEED_LOOP(dev);
    ASSERT_TRUE(dev.format("ext4", {"-L", "KEEP"}));
    const QString id = kname(dev);

    // Our disk utility as a user without rights, with a pkexec that refuses.
    QTemporaryDir shared(QStringLiteral("/tmp/nvrp-XXXXXX"));
    ASSERT_TRUE(shared.isValid());
    QFile::setPermissions(shared.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                             | QFileDevice::ReadOther | QFileDevice::ExeOther);
    const QString pkexec = shared.path() + "/pkexec";
    nvtest::writeFile(pkexec, "#!/bin/sh\necho 'Not authorized' >&2\nexit 126\n");
    const QString wrapper = shared.path() + "/diskutil";
    nvtest::writeFile(wrapper, QStringLiteral("#!/bin/sh\nNULLVANE_PKEXEC='%1' exec '%2' --reuid=65534 --regid=65534 "
                                              "--clear-groups '%3' \"$@\"\n")
                                   .arg(pkexec, platform::findProgram("setpriv"), platform::helperProgram("diskutil"))
                                   .toUtf8());
    for (const QString& f : {pkexec, wrapper})
        QFile::setPermissions(f, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                     | QFileDevice::ExeOther);
    const auto probe = platform::runProcess(wrapper, {"list", "-plist"});
    if (!probe.succeeded())
        GTEST_SKIP() << "the build folder cannot be reached by another user: " << probe.standardError.toStdString();

    RepairDiskViewController screen(nullptr, false);
    screen.view()->show();
    const auto formatThroughScreen = [&](const QString& type, const QString& png) {
        nvtest::pump(1100);
        CVolumeMgr().changeIValue();
        const int before = screen.scan().scansStarted();
        screen.getallVolumes();
        EXPECT_TRUE(nvtest::pumpUntil([&] { return screen.scan().scansStarted() > before && !screen.isScanV(); }, 20000));
        int row = -1;
        for (int i = 0; i < screen.allVolumeArr().size(); ++i)
            if (screen.allVolumeArr()[i]->volumePath() == id)
                row = i;
        EXPECT_GE(row, 0);
        if (row < 0)
            return QString();
        screen.selectRow(row);
        QString title;
        screentest::whenDialogShown([&](StatusAttachedWindow*) {
            MakeSureFormatViewController* vc = screen.makeSureFormatVC();
            vc->selectFormatbyType(formatTypes().indexOf(type));
            vc->nameTextFiled()->setText("Formatted");
            screentest::whenShown<StatusAttachedWindow>(
                [&]() -> StatusAttachedWindow* {
                    StatusAttachedWindow* d = screentest::runningDialog();
                    return d && screen.formatEndVC() && screen.formatEndVC()->view()->window() == d ? d : nullptr;
                },
                [&](StatusAttachedWindow* end) {
                    title = screen.formatEndVC()->titleLabel()->text();
                    screentest::savePng(end, png);
                    screen.formatEndVC()->closeButton()->click();
                });
            vc->okButton()->click();
        });
        screen.formatButtonAction();
        EXPECT_TRUE(nvtest::pumpUntil([&] { return !title.isEmpty(); }, 30000));
        return title;
    };

    // Mounted, so the Format button is usable.
    ASSERT_TRUE(runMountOrUnmount(id, false).succeeded);
    qputenv("NULLVANE_DISKUTIL", QFile::encodeName(wrapper));
    EXPECT_EQ(formatThroughScreen("ExFAT", "loop-format-refused"), "格式化失败");
    qunsetenv("NULLVANE_DISKUTIL");
    EXPECT_EQ(infoOf(id).value("FilesystemName").toString(), "ext4") << "a refused format changed the volume";
    EXPECT_EQ(infoOf(id).value("VolumeName").toString(), "KEEP");

    EXPECT_EQ(formatThroughScreen("ExFAT", "loop-format-success"), "格式化完成");
    EXPECT_EQ(infoOf(id).value("FilesystemName").toString(), "ExFAT");
    EXPECT_EQ(infoOf(id).value("VolumeName").toString(), "Formatted");
    runMountOrUnmount(id, true);
}
