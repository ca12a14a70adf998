// The Disk tools screen offscreen, against a substitute disk utility: the
// table's rows, buttons and rename mode, the row actions' calls, First Aid's
// dialogs with live rows, and the format dialogs with the picker and the
// result. Every view is saved as a picture under test-output/repairdisk.

#include "RepairTestSupport.h"
#include "ScreenTestSupport.h"

#include "tools/repairdisk/FormatEndViewController.h"
#include "tools/repairdisk/FormatTypeViewController.h"
#include "tools/repairdisk/FristAidViewController.h"
#include "tools/repairdisk/MakeSureFormatViewController.h"
#include "tools/repairdisk/RepairDiskViewController.h"
#include "tools/repairdisk/RepairDiskViews.h"
#include "tools/repairdisk/ShowAidViewControllrt.h"

#include "core/CVolumeMgr.h"
#include "platform/Dispatch.h"
#include "platform/Privileged.h"
#include "toolkit/CustomTableView.h"
#include "toolkit/NamedImageView.h"
#include "toolkit/TextImageButton.h"

#include <QAbstractButton>
#include <QLabel>
#include <QScrollBar>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>

using repairtest::FakeDiskutil;
using repairtest::volumeInfo;

namespace {

// Whether an image button takes clicks.
bool usable(const ImageButtonBase* button)
{
    return button->flags().usable;
}

// The modal dialog that shows `view`, once it runs.
StatusAttachedWindow* shownBy(QWidget* view)
{
    StatusAttachedWindow* d = screentest::runningDialog();
    return d && view && view->window() == d ? d : nullptr;
}

class RepairDiskScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        nvtest::pump(1100); // the enumerator's own guard from an earlier test
        CVolumeMgr().changeIValue();
        fake.setVolumes({volumeInfo("sdb1", "USB", "MS-DOS FAT32", "/media/u/USB", true),
                         volumeInfo("sda2", "System", "ext4", "/", false),
                         volumeInfo("sdc1", "Backup", "", "", true),
                         volumeInfo("sdd1", "Win", "NTFS", "/media/u/Win", true)});
        // Mounts elsewhere on this machine would rescan at random; the relay's
        // notifications are posted by the tests that need them.
        screen = std::make_unique<RepairDiskViewController>(nullptr, false);
        screen->setAidLaunchDelay(0);
        screen->setFileOpener([this](const QString& path) {
            opened << path;
            return true;
        });
        screen->onActionEnded = [this](const QString& action, bool ok) { ended << action + (ok ? ":ok" : ":fail"); };
        screen->view()->show();
        rescan();
    }

    void rescan()
    {
        nvtest::pump(1100);
        const int before = screen->scan().scansStarted();
        screen->getallVolumes();
        ASSERT_TRUE(nvtest::pumpUntil([&] { return screen->scan().scansStarted() > before && !screen->isScanV(); }, 10000));
        nvtest::pump(50);
    }

    // Chooses `row` once the table lists it again, and clicks its button
    // `identifier` unless that is null. A rescan empties the rows while it
    // runs, and the one an action asks for may start up to the scan's guard
    // time after the action ended: with `rescanAfter`, the scan to wait for
    // is the first one started after that many had.
    ::testing::AssertionResult chooseRow(int row, const char* identifier = nullptr,
                                         std::optional<int> rescanAfter = std::nullopt)
    {
        const bool listed = nvtest::pumpUntil(
            [&] {
                return (!rescanAfter || screen->scan().scansStarted() > *rescanAfter) && !screen->isScanV()
                       && row < screen->allVolumeArr().size();
            },
            10000);
        if (!listed)
            return ::testing::AssertionFailure() << "row " << row << " was not listed after the rescan";
        screen->selectRow(row);
        if (!identifier)
            return ::testing::AssertionSuccess();
        TextImageButton* button = screen->rowButton(row, identifier);
        if (!button)
            return ::testing::AssertionFailure() << "row " << row << " has no button " << identifier;
        button->click();
        return ::testing::AssertionSuccess();
    }

    bool waitFor(const QString& action)
    {
        return nvtest::pumpUntil([&] { return ended.contains(action + ":ok") || ended.contains(action + ":fail"); }, 10000);
    }

    // Formats `row` through its dialogs with `name` typed, and answers with
    // what the result dialog says (saved as the picture `png`); "" when it
    // never came.
    QString formatRow(int row, const QString& name, const QString& png, std::optional<int> rescanAfter = std::nullopt)
    {
        QString detail;
        screentest::whenShown<StatusAttachedWindow>(
            [&]() -> StatusAttachedWindow* {
                return shownBy(screen->makeSureFormatVC() ? screen->makeSureFormatVC()->view() : nullptr);
            },
            [&](StatusAttachedWindow*) {
                MakeSureFormatViewController* vc = screen->makeSureFormatVC();
                ASSERT_TRUE(nvtest::pumpUntil([&] { return !vc->nameTextFiled()->isReadOnly(); }, 2000));
                vc->nameTextFiled()->setText(name);
                screentest::whenShown<StatusAttachedWindow>(
                    [&]() -> StatusAttachedWindow* {
                        return shownBy(screen->formatEndVC() ? screen->formatEndVC()->view() : nullptr);
                    },
                    [&](StatusAttachedWindow* end) {
                        detail = screen->formatEndVC()->detailLabel()->text();
                        screentest::savePng(end, png);
                        screen->formatEndVC()->closeButton()->click();
                    });
                vc->okButton()->click();
            });
        const ::testing::AssertionResult chosen = chooseRow(row, "format", rescanAfter);
        EXPECT_TRUE(chosen);
        if (!chosen || !waitFor("format"))
            return {};
        nvtest::pumpUntil([&] { return !detail.isEmpty(); }, 10000);
        return detail;
    }

    FakeDiskutil fake;
    std::unique_ptr<RepairDiskViewController> screen;
    QStringList opened;
    QStringList ended;
};

} // namespace

TEST_F(RepairDiskScreen, RowsImagesTextsAndButtons)
{
    ASSERT_EQ(screen->allVolumeArr().size(), 4);
    EXPECT_EQ(screen->selectIndex(), 0);
    EXPECT_EQ(screen->selectVolume(), screen->allVolumeArr().first());
    CustomTableView* table = screen->parTableView();
    EXPECT_EQ(table->rowHeight(0), 88);
    EXPECT_EQ(table->rowHeight(1), 48);
    EXPECT_TRUE(screen->rowView(0)->isSelect());
    EXPECT_FALSE(screen->rowView(1)->isSelect());

    const auto image = [&](int row) { return screen->rowView(row)->findChild<NamedImageView*>()->imageName(); };
    EXPECT_EQ(image(0), "ic_usb");
    EXPECT_EQ(image(1), "ic_os");
    const auto label = [&](int row, const char* id) { return screen->rowView(row)->findChild<QLabel*>(id); };
    EXPECT_EQ(label(0, "name")->text(), "USB");
    EXPECT_EQ(label(2, "type")->text(), "未知格式");
    EXPECT_EQ(label(0, "size")->toolTip(), "2.00 GB 可用, 共 8.00 GB");
    EXPECT_EQ(label(0, "size")->text(), "<b>2.00 GB</b> 可用, 共 8.00 GB");

    // The selected row's buttons.
    EXPECT_EQ(screen->rowButton(0, "mount")->textField()->text(), "卸载");
    for (const char* id : {"open", "mount", "fristaid", "rename", "format", "eject"}) {
        EXPECT_TRUE(screen->rowButton(0, id)->isVisibleTo(screen->rowView(0))) << id;
        EXPECT_TRUE(usable(screen->rowButton(0, id))) << id;
        EXPECT_FALSE(screen->rowButton(1, id)->isVisibleTo(screen->rowView(1))) << id;
    }
    EXPECT_FALSE(screen->rowButton(0, "save")->isVisibleTo(screen->rowView(0)));
    screentest::savePng(screen->view(), "table");

    // The system volume: no format, no unmount, no eject.
    screen->selectRow(1);
    EXPECT_EQ(table->rowHeight(0), 48);
    EXPECT_EQ(table->rowHeight(1), 88);
    EXPECT_FALSE(usable(screen->rowButton(1, "format")));
    EXPECT_FALSE(usable(screen->rowButton(1, "mount")));
    EXPECT_FALSE(usable(screen->rowButton(1, "eject")));
    EXPECT_TRUE(usable(screen->rowButton(1, "fristaid")));
    screentest::savePng(screen->view(), "table-system-selected");

    // Not mounted: "装载", and nothing that needs the files.
    screen->selectRow(2);
    EXPECT_EQ(screen->rowButton(2, "mount")->textField()->text(), "装载");
    EXPECT_FALSE(screen->isMount());
    for (const char* id : {"open", "fristaid", "rename", "format"})
        EXPECT_FALSE(usable(screen->rowButton(2, id))) << id;
    EXPECT_TRUE(usable(screen->rowButton(2, "eject")));
    screentest::savePng(screen->view(), "table-unmounted-selected");
}

TEST_F(RepairDiskScreen, RenameModeItsRulesAndItsEnds)
{
    screen->rowButton(0, "rename")->click();
    nvtest::pump(100); // row actions run from the event loop
    EXPECT_TRUE(screen->isRenameEdit());
    QLineEdit* field = screen->renameField(0);
    ASSERT_TRUE(field);
    EXPECT_TRUE(field->isVisibleTo(screen->rowView(0)));
    EXPECT_EQ(field->text(), "USB");
    EXPECT_TRUE(screen->rowButton(0, "save")->isVisibleTo(screen->rowView(0)));
    EXPECT_FALSE(screen->rowView(0)->findChild<QLabel*>("name")->isVisibleTo(screen->rowView(0)));
    for (const char* id : {"open", "mount", "fristaid", "rename", "format", "eject"})
        EXPECT_FALSE(usable(screen->rowButton(0, id))) << id;
    screentest::savePng(screen->view(), "table-rename");

    // Saving what was never typed, or one blank, runs nothing.
    screen->saveButtonAction();
    EXPECT_FALSE(screen->isRenameEdit());
    screen->renameButtonAction();
    screen->controlTextDidChange(" ");
    screen->saveButtonAction();
    nvtest::pump(300);
    EXPECT_TRUE(fake.callsOf("rename").isEmpty());
    EXPECT_EQ(screen->selectVolume()->volumeName(), "USB");

    // Selecting another row ends rename mode without saving.
    screen->renameButtonAction();
    screen->controlTextDidChange("Other");
    screen->selectRow(1);
    EXPECT_FALSE(screen->isRenameEdit());
    nvtest::pump(200);
    EXPECT_TRUE(fake.callsOf("rename").isEmpty());

    screen->selectRow(0);

    // A refused rename keeps the old name.
    fake.setVerbScript("rename", "echo 'Volume on sdb1 could not be renamed: busy' >&2; exit 1\n");
    screen->renameButtonAction();
    screen->controlTextDidChange("abcdefghijklmn");
    screen->saveButtonAction();
    ASSERT_TRUE(waitFor("rename"));
    EXPECT_TRUE(ended.contains("rename:fail"));
    EXPECT_EQ(fake.callsOf("rename").value(0), QStringList({"rename", "sdb1", "ABCDEFGHIJK"}));
    EXPECT_EQ(screen->allVolumeArr().first()->volumeName(), "USB");

    // A successful one takes the name the volume has now.
    ended.clear();
    fake.setVerbScript("rename", "exit 0\n");
    QVariantMap renamed = volumeInfo("sdb1", "ABCDEFGHIJK", "MS-DOS FAT32", "/media/u/ABCDEFGHIJK", true);
    fake.setVolumes({renamed});
    screen->renameButtonAction();
    screen->controlTextDidChange("abcdefghijklmn");
    screen->saveButtonAction();
    ASSERT_TRUE(waitFor("rename"));
    EXPECT_EQ(screen->allVolumeArr().first()->volumeName(), "ABCDEFGHIJK");
    EXPECT_EQ(screen->allVolumeArr().first()->volumeMountPoint(), "/media/u/ABCDEFGHIJK");
}

// Rescans come with every mount on the machine: a rename being typed lives
// through them as long as its volume is listed, wherever its row goes.
TEST_F(RepairDiskScreen, ARenameBeingTypedOutlivesRescansWhileItsVolumeIsListed)
{
    const QVariantMap usb = volumeInfo("sdb1", "USB", "MS-DOS FAT32", "/media/u/USB", true);
    const QVariantMap system = volumeInfo("sda2", "System", "ext4", "/", false);
    const QVariantMap backup = volumeInfo("sdc1", "Backup", "", "", true);
    const QVariantMap win = volumeInfo("sdd1", "Win", "NTFS", "/media/u/Win", true);
    screen->rowButton(0, "rename")->click();
    nvtest::pump(100);
    QLineEdit* field = screen->renameField(0);
    ASSERT_TRUE(field);
    QTest::keyClicks(field, "photos");
    EXPECT_EQ(screen->editStr(), "USBphotos");
    field->setSelection(3, 2);

    // A mount elsewhere: a new volume comes first and the row moves. The
    // scan is slow enough to go on typing while it runs.
    fake.setVolumes({volumeInfo("sdz1", "New", "ext4", "/media/u/New", true), system, backup, usb, win});
    fake.setVerbScript("list", "sleep 0.5\ncat '" + fake.folder() + "/list.plist'\n");
    nvtest::pump(1100);
    screen->getallVolumes();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return screen->loadPro()->isAnimating(); }));
    ASSERT_TRUE(screen->isScanV());
    field = screen->renameField(screen->selectIndex());
    ASSERT_TRUE(field) << "the field closed while the scan ran";
    EXPECT_TRUE(field->isVisibleTo(screen->view()));
    QTest::keyClicks(field, "X"); // over the selected "ph"
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !screen->isScanV() && !screen->loadPro()->isAnimating(); }, 10000));
    nvtest::pump(50);
    ASSERT_EQ(screen->allVolumeArr().size(), 5);
    EXPECT_TRUE(screen->isRenameEdit());
    EXPECT_EQ(screen->selectIndex(), 3);
    EXPECT_EQ(screen->selectVolume()->volRootDir(), "/dev/sdb1");
    EXPECT_TRUE(screen->rowView(3)->isSelect());
    field = screen->renameField(3);
    ASSERT_TRUE(field);
    EXPECT_TRUE(field->isVisibleTo(screen->view()));
    EXPECT_EQ(field->text(), "USBXotos");
    EXPECT_EQ(field->cursorPosition(), 4);
    EXPECT_EQ(screen->editStr(), "USBXotos");
    EXPECT_FALSE(screen->renameField(0)->isVisibleTo(screen->view()));
    screentest::savePng(screen->view(), "table-rename-after-rescan");

    // A selection, with the cursor at its start, is kept as it was.
    QFile::remove(fake.folder() + "/verb-list");
    fake.setVolumes({usb, system, backup, win});
    field->setSelection(6, -3);
    rescan();
    field = screen->renameField(0);
    ASSERT_TRUE(field);
    ASSERT_TRUE(screen->isRenameEdit());
    EXPECT_EQ(field->selectedText(), "Xot");
    EXPECT_EQ(field->cursorPosition(), 3);

    // Saved, the name goes to the device that was being renamed.
    QTest::keyClicks(field, "Y");
    screen->saveButtonAction();
    ASSERT_TRUE(waitFor("rename"));
    EXPECT_EQ(fake.callsOf("rename"), QList<QStringList>({{"rename", "sdb1", "USBYOS"}}));

    // Another medium on the same node is another volume: the rename ends and
    // what was typed is not sent anywhere.
    fake.clearCalls();
    screen->renameButtonAction();
    QTest::keyClicks(screen->renameField(0), "2");
    QVariantMap other = usb;
    other["VolumeUUID"] = "FS-OTHER";
    fake.setVolumes({system, other, win});
    rescan();
    EXPECT_FALSE(screen->isRenameEdit());
    EXPECT_FALSE(screen->editStr());
    EXPECT_EQ(screen->selectIndex(), 0);
    EXPECT_FALSE(screen->renameField(1)->isVisibleTo(screen->view()));
    screen->saveButtonAction();
    nvtest::pump(300);
    EXPECT_TRUE(fake.callsOf("rename").isEmpty());
}

// Two volumes may carry one label; the choice is a device.
TEST_F(RepairDiskScreen, TheChoiceFollowsItsDeviceNotItsLabel)
{
    const QVariantMap first = volumeInfo("sdb1", "USB", "MS-DOS FAT32", "/media/u/USB", true);
    const QVariantMap system = volumeInfo("sda2", "System", "ext4", "/", false);
    const QVariantMap chosen = volumeInfo("sde1", "USB", "ExFAT", "/media/u/USB1", true);
    fake.setVolumes({first, system, chosen});
    rescan();
    screen->selectRow(2);
    // The other volume of that label comes before it, then after it.
    for (const QList<QVariantMap>& order : {QList<QVariantMap>{system, first, chosen}, QList<QVariantMap>{chosen, system, first}}) {
        fake.setVolumes(order);
        rescan();
        ASSERT_TRUE(screen->selectVolume());
        EXPECT_EQ(screen->selectVolume()->volRootDir(), "/dev/sde1");
        EXPECT_EQ(screen->selectVolume(), screen->allVolumeArr().value(screen->selectIndex()));
        EXPECT_TRUE(screen->rowView(screen->selectIndex())->isSelect());
    }
}

// Our own format gives the volume a new file-system UUID, and our own rename
// unmounts it for a while: after either, the choice is on that device again,
// never on the system disk above it.
TEST_F(RepairDiskScreen, OurOwnFormatOrRenameKeepsTheChoiceOnItsDevice)
{
    const QVariantMap system = volumeInfo("sda2", "System", "ext4", "/", false);
    QVariantMap data = volumeInfo("sdb1", "Data", "ExFAT", "/media/u/Data", false);
    fake.setVolumes({system, data});
    rescan();
    screen->selectRow(1);
    const auto choiceIsOnTheDevice = [&] {
        rescan(); // the one the change's own mount brings
        EXPECT_EQ(screen->selectIndex(), 1);
        EXPECT_EQ(screen->selectVolume()->volumeUUID(), "FS-FORMATTED");
    };

    data["VolumeUUID"] = "FS-FORMATTED";
    fake.setVerbScript("eraseVolume", fake.volumesCommand({system, data}));
    screentest::whenDialogShown([&](StatusAttachedWindow*) {
        screentest::whenShown<StatusAttachedWindow>(
            [&]() -> StatusAttachedWindow* { return shownBy(screen->formatEndVC() ? screen->formatEndVC()->view() : nullptr); },
            [&](StatusAttachedWindow*) { screen->formatEndVC()->closeButton()->click(); });
        screen->makeSureFormatVC()->okButton()->click();
    });
    screen->rowButton(1, "format")->click();
    ASSERT_TRUE(waitFor("format"));
    choiceIsOnTheDevice();

    // A rescan while the rename has the volume unmounted does not list it.
    const QString gate = fake.folder() + "/go";
    fake.setVerbScript("rename", fake.volumesCommand({system}) + "while [ ! -f '" + gate + "' ]; do sleep 0.05; done\n"
                                     + fake.volumesCommand({system, data}));
    screen->selectRow(1);
    screen->renameButtonAction();
    screen->controlTextDidChange("Photos");
    screen->saveButtonAction();
    rescan();
    EXPECT_EQ(screen->allVolumeArr().size(), 1);
    nvtest::writeFile(gate, "go");
    ASSERT_TRUE(waitFor("rename"));
    choiceIsOnTheDevice();
}

TEST_F(RepairDiskScreen, MountRelayNotificationsRescan)
{
    nvtest::pump(1100);
    const int scans = screen->scan().scansStarted();
    fake.setVolumes({volumeInfo("sdb1", "USB", "MS-DOS FAT32", "/media/u/USB", true)});
    platform::NotificationCenter::defaultCenter().post("MCVolumeUnmount", nullptr, {});
    ASSERT_TRUE(nvtest::pumpUntil([&] { return screen->scan().scansStarted() > scans && !screen->isScanV(); }, 5000));
    EXPECT_EQ(screen->allVolumeArr().size(), 1);
    nvtest::pump(1100);
    platform::NotificationCenter::defaultCenter().post("MCVolumeMount", nullptr, {});
    ASSERT_TRUE(nvtest::pumpUntil([&] { return screen->scan().scansStarted() > scans + 1; }, 5000));
}

TEST_F(RepairDiskScreen, ARescanEmptiesTheTableThenKeepsTheSelectedVolumeAndTheScroll)
{
    QList<QVariantMap> volumes;
    for (int i = 1; i <= 20; ++i)
        volumes << volumeInfo(QStringLiteral("sdk%1").arg(i), QStringLiteral("V%1").arg(i), "ExFAT",
                              QStringLiteral("/media/u/V%1").arg(i), true);
    fake.setVolumes(volumes);
    rescan();
    screen->selectRow(9);
    QScrollBar* bar = screen->parTableView()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 200);
    bar->setValue(200);

    // A mount elsewhere: a new volume comes first, and the table empties while
    // the scan runs.
    volumes.prepend(volumeInfo("sdz1", "New", "ext4", "/media/u/New", true));
    fake.setVolumes(volumes);
    nvtest::pump(1100);
    bool emptied = false;
    screen->getallVolumes();
    ASSERT_TRUE(nvtest::pumpUntil([&] {
        emptied = emptied || (screen->isScanV() && screen->allVolumeArr().isEmpty());
        return screen->allVolumeArr().size() == 21 && !screen->isScanV();
    }));
    EXPECT_TRUE(emptied);
    EXPECT_EQ(screen->selectIndex(), 10);
    EXPECT_EQ(screen->selectVolume()->volumePath(), "sdk10");
    EXPECT_TRUE(screen->rowView(10)->isSelect());
    EXPECT_EQ(screen->parTableView()->rowHeight(10), 88);
    EXPECT_EQ(bar->value(), 200);
    nvtest::pump(50); // the table's own later layout keeps it too
    EXPECT_EQ(bar->value(), 200);
    screentest::savePng(screen->view(), "table-after-rescan");

    // The selected volume gone: the first row, as before.
    volumes.removeAt(10);
    fake.setVolumes(volumes);
    rescan();
    EXPECT_EQ(screen->selectIndex(), 0);
    EXPECT_EQ(screen->selectVolume()->volumePath(), "sdz1");
}

TEST_F(RepairDiskScreen, OpenMountUnmountAndEjectNameTheDeviceAndRescan)
{
    screen->rowButton(0, "open")->click();
    nvtest::pump(100); // row actions run from the event loop
    EXPECT_EQ(opened, QStringList({"/media/u/USB"}));

    nvtest::pump(1100);
    int scans = screen->scan().scansStarted();
    screen->rowButton(0, "mount")->click();
    nvtest::pump(100); // row actions run from the event loop
    ASSERT_TRUE(waitFor("unmount"));
    EXPECT_EQ(fake.callsOf("unmount").value(0), QStringList({"unmount", "sdb1"}));
    ASSERT_TRUE(nvtest::pumpUntil([&] { return screen->scan().scansStarted() > scans && !screen->isScanV(); }, 5000));

    screen->selectRow(2);
    nvtest::pump(1100);
    scans = screen->scan().scansStarted();
    screen->rowButton(2, "mount")->click();
    nvtest::pump(100); // row actions run from the event loop
    ASSERT_TRUE(waitFor("mount"));
    EXPECT_EQ(fake.callsOf("mount").value(0), QStringList({"mount", "sdc1"}));
    ASSERT_TRUE(nvtest::pumpUntil([&] { return screen->scan().scansStarted() > scans && !screen->isScanV(); }, 5000));
    EXPECT_EQ(screen->selectVolume()->volumePath(), "sdc1") << "the rescan moved the selection";

    screen->selectRow(0);
    fake.setVerbScript("eject", "echo 'Disk sdb could not be ejected: a volume is in use' >&2; exit 1\n");
    screen->rowButton(0, "eject")->click();
    nvtest::pump(100); // row actions run from the event loop
    ASSERT_TRUE(waitFor("eject"));
    EXPECT_TRUE(ended.contains("eject:fail"));
    EXPECT_EQ(fake.callsOf("eject").value(0), QStringList({"eject", "sdb1"}));
}

TEST_F(RepairDiskScreen, FirstAidQuestionThenLiveRowsThenDone)
{
    const QString gate = fake.folder() + "/go";
    fake.setVerbScript("verifyvolume",
                 "echo \"Started file system verification on $2 (USB)\"\n"
                 "echo 'Checking file system'\n"
                 "while [ ! -f '" + gate + "' ]; do sleep 0.05; done\n"
                 "echo 'fsck.fat: 1 files, 1/2044 clusters'\n"
                 "echo 'The volume USB appears to be OK'\n"
                 "exit 0\n");
    bool cancelled = false;
    bool sawRowsBeforeEnd = false;
    bool doneDisabledWhileRunning = false;
    bool done = false;

    // Cancel first: nothing runs, nothing rescans.
    screentest::whenDialogShown([&](StatusAttachedWindow*) {
        ASSERT_TRUE(screen->fristAidVC());
        EXPECT_EQ(screen->fristAidVC()->topLabel()->text(), "在'USB'上运行急救？");
        screentest::savePng(screen->fristAidVC()->view()->window(), "firstaid-question");
        screen->fristAidVC()->cancelBut()->click();
        cancelled = true;
    });
    nvtest::pump(1100);
    int scans = screen->scan().scansStarted();
    screen->rowButton(0, "fristaid")->click();
    nvtest::pump(100); // row actions run from the event loop
    EXPECT_TRUE(cancelled);
    nvtest::pump(200);
    EXPECT_EQ(screen->scan().scansStarted(), scans);
    EXPECT_TRUE(fake.callsOf("verifyvolume").isEmpty());

    screentest::whenShown<StatusAttachedWindow>(
        [&]() -> StatusAttachedWindow* { return shownBy(screen->fristAidVC() ? screen->fristAidVC()->view() : nullptr); },
        [&](StatusAttachedWindow*) {
            screentest::whenShown<StatusAttachedWindow>(
                [&]() -> StatusAttachedWindow* { return shownBy(screen->showAidVC() ? screen->showAidVC()->view() : nullptr); },
                [&](StatusAttachedWindow* w) {
                    ShowAidViewControllrt* vc = screen->showAidVC();
                    ASSERT_TRUE(nvtest::pumpUntil([&] { return vc->allShowStrArr().join("\n").contains("Checking"); }, 8000));
                    sawRowsBeforeEnd = true;
                    doneDisabledWhileRunning = !usable(vc->completeBut());
                    EXPECT_FLOAT_EQ(vc->progressPercent(), 5.0f * float(vc->allShowStrArr().size()));
                    screentest::savePng(w, "firstaid-running");
                    nvtest::writeFile(gate, "go");
                    ASSERT_TRUE(nvtest::pumpUntil([&] { return usable(vc->completeBut()); }, 8000));
                    EXPECT_FLOAT_EQ(vc->progressPercent(), 100);
                    EXPECT_EQ(vc->progress()->used(), float(vc->progress()->width()));
                    screentest::savePng(w, "firstaid-done");
                    vc->completeBut()->click();
                    done = true;
                });
            screen->fristAidVC()->checkBut()->click();
        });
    nvtest::pump(1100);
    scans = screen->scan().scansStarted();
    screen->rowButton(0, "fristaid")->click();
    nvtest::pump(100); // row actions run from the event loop
    ASSERT_TRUE(nvtest::pumpUntil([&] { return done; }, 15000));
    EXPECT_TRUE(sawRowsBeforeEnd);
    EXPECT_TRUE(doneDisabledWhileRunning) << "完成 was usable before the utility ended";
    // A row is a chunk as it arrived; together they are the whole output.
    EXPECT_EQ(screen->showAidVC()->allShowStrArr().join("\n"),
              "Started file system verification on sdb1 (USB)\nChecking file system\n"
              "fsck.fat: 1 files, 1/2044 clusters\nThe volume USB appears to be OK");
    EXPECT_EQ(fake.callsOf("verifyvolume").value(0), QStringList({"verifyvolume", "sdb1"}));
    ASSERT_TRUE(nvtest::pumpUntil([&] { return screen->scan().scansStarted() > scans; }, 5000))
        << "closing the output rescans";
}

TEST_F(RepairDiskScreen, FormatWithThePickerThenTheResult)
{
    fake.setVerbScript("eraseVolume", "sleep 0.3; echo \"Finished erase on $4 $3\"; exit 0\n");
    screen->setPickerCloseMs(400);
    bool asked = false, resultSeen = false;
    screentest::whenShown<StatusAttachedWindow>(
        [&]() -> StatusAttachedWindow* {
            return shownBy(screen->makeSureFormatVC() ? screen->makeSureFormatVC()->view() : nullptr);
        },
        [&](StatusAttachedWindow* w) {
            MakeSureFormatViewController* vc = screen->makeSureFormatVC();
            EXPECT_EQ(vc->nameLabel()->text(), "格式化'USB'?");
            EXPECT_EQ(vc->nodeLabel()->text(), "'USB'上的所有数据在格式化后都将被删除，是否格式化？");
            EXPECT_EQ(vc->typeLabel()->text(), "MS-DOS FAT32");
            ASSERT_TRUE(nvtest::pumpUntil([&] { return !vc->nameTextFiled()->isReadOnly(); }, 2000));
            screentest::savePng(w, "format-confirm");

            // A picker the pointer never enters closes by itself.
            vc->typeSelectBut()->click();
            ASSERT_TRUE(vc->isPopSortWin());
            ASSERT_TRUE(vc->formatTypeVC());
            EXPECT_EQ(vc->formatTypeVC()->rows().size(), 3) << "no APFS row";
            QImage picker = vc->sortAttachedWindow()->grab().toImage();
            picker.save(nvtest::outputFolder("repairdisk") + "/format-picker.png");
            vc->typeSelectBut()->click(); // again while open: nothing
            EXPECT_TRUE(vc->isPopSortWin());
            ASSERT_TRUE(nvtest::pumpUntil([&] { return !vc->isPopSortWin(); }, 3000));

            // One the pointer entered stays until a row is chosen.
            vc->typeSelectBut()->click();
            vc->mouseEixtView(false);
            nvtest::pump(700);
            ASSERT_TRUE(vc->isPopSortWin());
            vc->formatTypeVC()->selectSortType(vc->formatTypeVC()->rows().at(2));
            EXPECT_EQ(vc->typeLabel()->text(), "ext4");
            EXPECT_FALSE(vc->isPopSortWin());
            vc->typeSelectBut()->click();
            vc->formatTypeVC()->selectSortType(vc->formatTypeVC()->rows().at(1));
            EXPECT_EQ(vc->typeLabel()->text(), "MS-DOS FAT32");

            vc->nameTextFiled()->setText("abcdefghijklm");
            screentest::whenShown<StatusAttachedWindow>(
                [&]() -> StatusAttachedWindow* {
                    return shownBy(screen->formatEndVC() ? screen->formatEndVC()->view() : nullptr);
                },
                [&](StatusAttachedWindow* end) {
                    EXPECT_EQ(screen->formatEndVC()->titleLabel()->text(), "格式化完成");
                    EXPECT_EQ(screen->formatEndVC()->resultImage()->imageName(), "result_success");
                    screentest::savePng(end, "format-result-success");
                    screen->formatEndVC()->closeButton()->click();
                    resultSeen = true;
                });
            vc->okButton()->click();
            EXPECT_FALSE(vc->makeSureView()->isVisible());
            EXPECT_TRUE(vc->formatView()->isVisible());
            EXPECT_TRUE(vc->loading()->isAnimating());
            screentest::savePng(w, "format-working");
            asked = true;
        });
    screen->rowButton(0, "format")->click();
    nvtest::pump(100); // row actions run from the event loop
    ASSERT_TRUE(nvtest::pumpUntil([&] { return resultSeen; }, 10000));
    EXPECT_TRUE(asked);
    EXPECT_EQ(fake.callsOf("eraseVolume").value(0), QStringList({"eraseVolume", "MS-DOS FAT32", "ABCDEFGHIJK", "sdb1"}));
}

TEST_F(RepairDiskScreen, ARefusedFormatSaysSoAndNtfsKeepsItsType)
{
    fake.setVerbScript("eraseVolume", "echo 'sdd1 holds the running system; it is left alone' >&2; exit 1\n");
    screen->selectRow(3);
    bool resultSeen = false;
    screentest::whenShown<StatusAttachedWindow>(
        [&]() -> StatusAttachedWindow* {
            return shownBy(screen->makeSureFormatVC() ? screen->makeSureFormatVC()->view() : nullptr);
        },
        [&](StatusAttachedWindow* w) {
            MakeSureFormatViewController* vc = screen->makeSureFormatVC();
            EXPECT_EQ(vc->typeLabel()->text(), "NTFS");
            EXPECT_FALSE(vc->typeSelectBut()->isEnabled());
            EXPECT_FALSE(vc->openImageV()->isVisibleTo(vc->view()));
            vc->typeSelectBut()->click();
            EXPECT_FALSE(vc->isPopSortWin()) << "an NTFS volume keeps its type";
            screentest::savePng(w, "format-confirm-ntfs");
            vc->nameTextFiled()->setText(" ");
            screentest::whenShown<StatusAttachedWindow>(
                [&]() -> StatusAttachedWindow* {
                    return shownBy(screen->formatEndVC() ? screen->formatEndVC()->view() : nullptr);
                },
                [&](StatusAttachedWindow* end) {
                    EXPECT_EQ(screen->formatEndVC()->titleLabel()->text(), "格式化失败");
                    EXPECT_TRUE(screen->formatEndVC()->detailLabel()->text().contains("left alone"));
                    EXPECT_EQ(screen->formatEndVC()->resultImage()->imageName(), "result_fail");
                    screentest::savePng(end, "format-result-refused");
                    screen->formatEndVC()->closeButton()->click();
                    resultSeen = true;
                });
            vc->okButton()->click();
        });
    screen->rowButton(3, "format")->click();
    nvtest::pump(100); // row actions run from the event loop
    ASSERT_TRUE(nvtest::pumpUntil([&] { return resultSeen; }, 10000));
    EXPECT_EQ(fake.callsOf("eraseVolume").value(0), QStringList({"eraseVolume", "NTFS", "NEW", "sdd1"}));

    // Cancel runs nothing.
    fake.clearCalls();
    bool cancelled = false;
    screentest::whenDialogShown([&](StatusAttachedWindow*) {
        screen->makeSureFormatVC()->noButton()->click();
        cancelled = true;
    });
    screen->rowButton(3, "format")->click();
    nvtest::pump(100); // row actions run from the event loop
    EXPECT_TRUE(cancelled);
    nvtest::pump(700);
    EXPECT_TRUE(fake.callsOf("eraseVolume").isEmpty());
    EXPECT_FALSE(screen->formatEndVC() && screen->formatEndVC()->superDelegate());
}

TEST_F(RepairDiskScreen, DialogsActOnTheVolumeTheyNamedThoughTheTableRescans)
{
    // While the confirmation is up the table rescans and another volume
    // comes first: the format still reaches the volume the dialog named.
    screen->selectRow(3);
    bool resultSeen = false;
    screentest::whenShown<StatusAttachedWindow>(
        [&]() -> StatusAttachedWindow* {
            return shownBy(screen->makeSureFormatVC() ? screen->makeSureFormatVC()->view() : nullptr);
        },
        [&](StatusAttachedWindow*) {
            EXPECT_EQ(screen->makeSureFormatVC()->nameLabel()->text(), "格式化'Win'?");
            fake.setVolumes({volumeInfo("sde1", "Other", "ExFAT", "/media/u/Other", true),
                             volumeInfo("sdd1", "Win", "NTFS", "/media/u/Win", true)});
            rescan();
            EXPECT_EQ(screen->selectVolume()->volumeName(), "Win") << "the selection follows its volume";
            screentest::whenShown<StatusAttachedWindow>(
                [&]() -> StatusAttachedWindow* {
                    return shownBy(screen->formatEndVC() ? screen->formatEndVC()->view() : nullptr);
                },
                [&](StatusAttachedWindow*) {
                    screen->formatEndVC()->closeButton()->click();
                    resultSeen = true;
                });
            screen->makeSureFormatVC()->okButton()->click();
        });
    screen->rowButton(3, "format")->click();
    nvtest::pump(100); // row actions run from the event loop
    ASSERT_TRUE(nvtest::pumpUntil([&] { return resultSeen; }, 10000));
    EXPECT_EQ(fake.callsOf("eraseVolume").value(0), QStringList({"eraseVolume", "NTFS", "Win", "sdd1"}));

    // The same for First Aid.
    bool ran = false;
    screentest::whenShown<StatusAttachedWindow>(
        [&]() -> StatusAttachedWindow* { return shownBy(screen->fristAidVC() ? screen->fristAidVC()->view() : nullptr); },
        [&](StatusAttachedWindow*) {
            EXPECT_EQ(screen->fristAidVC()->topLabel()->text(), "在'Other'上运行急救？");
            fake.setVolumes({volumeInfo("sdd1", "Win", "NTFS", "/media/u/Win", true),
                             volumeInfo("sde1", "Other", "ExFAT", "/media/u/Other", true)});
            rescan();
            screentest::whenShown<StatusAttachedWindow>(
                [&]() -> StatusAttachedWindow* {
                    return shownBy(screen->showAidVC() ? screen->showAidVC()->view() : nullptr);
                },
                [&](StatusAttachedWindow*) {
                    ShowAidViewControllrt* vc = screen->showAidVC();
                    ASSERT_TRUE(nvtest::pumpUntil([&] { return usable(vc->completeBut()); }, 8000));
                    vc->completeBut()->click();
                    ran = true;
                });
            screen->fristAidVC()->repairBut()->click();
        });
    screen->selectRow(0);
    screen->rowButton(0, "fristaid")->click();
    nvtest::pump(100); // row actions run from the event loop
    ASSERT_TRUE(nvtest::pumpUntil([&] { return ran; }, 10000));
    EXPECT_EQ(fake.callsOf("repairvolume").value(0), QStringList({"repairvolume", "sde1"}));
}

// A FAT label cannot start with a blank: a name typed so is refused in our
// words before the disk utility (and its password prompt) is asked, for a
// rename and for a format alike, and the volume keeps its name.
TEST_F(RepairDiskScreen, AFatNameStartingWithABlankIsRefusedBeforeTheUtilityIsAsked)
{
    QString said;
    screentest::answerNextMessageBox("rename-fat-leading-blank", QMessageBox::Ok, [&](const QString& t) { said = t; });
    ASSERT_TRUE(chooseRow(0));
    screen->renameButtonAction();
    screen->controlTextDidChange(" x");
    screen->saveButtonAction();
    ASSERT_TRUE(waitFor("rename"));
    EXPECT_TRUE(ended.contains("rename:fail"));
    EXPECT_EQ(said, QStringLiteral("名称“ X”以空格开头，FAT 卷名不能以空格开头。卷的名称和内容都没有改变。"));
    EXPECT_TRUE(fake.callsOf("rename").isEmpty());
    EXPECT_EQ(screen->allVolumeArr().first()->volumeName(), "USB");

    const QString detail = formatRow(0, " X", "format-result-fat-leading-blank");
    EXPECT_TRUE(detail.contains(QStringLiteral("以空格开头"))) << detail.toStdString();
    EXPECT_TRUE(fake.callsOf("eraseVolume").isEmpty());
    EXPECT_TRUE(fake.callsOf("reformat").isEmpty());
}

TEST_F(RepairDiskScreen, ARefusedPasswordIsSaidInOurWordsOnEveryAction)
{
    using platform::privileged::Ending;
    // Mount, unmount, eject and closing First Aid's output each ask for a
    // rescan: the next action waits for it.
    std::optional<int> rescanAfter;
    for (const Ending ending : {Ending::Cancelled, Ending::Refused}) {
        const int status = ending == Ending::Cancelled ? 126 : 127;
        SCOPED_TRACE(status);
        const QString expected = platform::privileged::refusalText(ending);
        // What our disk utility ends with when pkexec refused its restart.
        const QString refused = QStringLiteral("echo 'Error executing command as another user: Not authorized' >&2\n"
                                               "echo 'This incident has been reported.' >&2\nexit %1\n")
                                    .arg(status);
        for (const char* verb : {"mount", "unmount", "rename", "eject", "eraseVolume"})
            fake.setVerbScript(verb, refused);
        ended.clear();

        // Mount, unmount, rename and eject: a message says why nothing changed.
        struct Action {
            const char* name;
            int row;
            const char* button; // null: the rename, typed and saved
        };
        const QList<Action> actions = {
            {"unmount", 0, "mount"},
            {"mount", 2, "mount"},
            {"rename", 0, nullptr},
            {"eject", 0, "eject"},
        };
        for (const Action& action : actions) {
            SCOPED_TRACE(action.name);
            QString said;
            screentest::answerNextMessageBox(QStringLiteral("refused-%1-%2").arg(action.name).arg(status), QMessageBox::Ok,
                                             [&](const QString& text) { said = text; });
            ASSERT_TRUE(chooseRow(action.row, action.button, rescanAfter));
            if (!action.button) {
                screen->renameButtonAction();
                screen->controlTextDidChange("Other");
                screen->saveButtonAction();
            }
            // The click runs from the event loop, so no rescan of its own has started yet.
            rescanAfter = action.button ? std::optional<int>(screen->scan().scansStarted()) : std::nullopt;
            ASSERT_TRUE(waitFor(action.name));
            EXPECT_TRUE(ended.contains(QLatin1String(action.name) + ":fail"));
            EXPECT_EQ(said, expected);
            if (!action.button) {
                ASSERT_FALSE(screen->allVolumeArr().isEmpty());
                EXPECT_EQ(screen->allVolumeArr().first()->volumeName(), "USB");
            }
        }

        // Format: its result dialog says it, and nothing of pkexec's.
        const QString detail = formatRow(0, "NEW", QStringLiteral("format-result-password-%1").arg(status), rescanAfter);
        rescanAfter.reset();
        EXPECT_TRUE(detail.endsWith(expected)) << detail.toStdString();
        EXPECT_FALSE(detail.contains("incident")) << detail.toStdString();

        // First Aid: the check never ran, and its last row says why.
        fake.setVerbScript("verifyvolume", QStringLiteral("exit %1\n").arg(status));
        QStringList rows;
        screentest::whenShown<StatusAttachedWindow>(
            [&]() -> StatusAttachedWindow* { return shownBy(screen->fristAidVC() ? screen->fristAidVC()->view() : nullptr); },
            [&](StatusAttachedWindow*) {
                screentest::whenShown<StatusAttachedWindow>(
                    [&]() -> StatusAttachedWindow* {
                        return shownBy(screen->showAidVC() ? screen->showAidVC()->view() : nullptr);
                    },
                    [&](StatusAttachedWindow* w) {
                        ShowAidViewControllrt* vc = screen->showAidVC();
                        ASSERT_TRUE(nvtest::pumpUntil([&] { return usable(vc->completeBut()); }, 8000));
                        rows = vc->allShowStrArr();
                        screentest::savePng(w, QStringLiteral("firstaid-password-%1").arg(status));
                        vc->completeBut()->click();
                    });
                screen->fristAidVC()->checkBut()->click();
            });
        rescanAfter = screen->scan().scansStarted();
        ASSERT_TRUE(chooseRow(0, "fristaid"));
        ASSERT_TRUE(nvtest::pumpUntil([&] { return !rows.isEmpty(); }, 15000));
        EXPECT_EQ(rows.value(rows.size() - 1), expected) << rows.join("|").toStdString();
    }
}
