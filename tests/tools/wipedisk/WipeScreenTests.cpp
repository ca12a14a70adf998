// The disk-wipe screen offscreen: its panes and dialogs as a person sees them
// (saved as pictures), and every end a run can reach, through a stand-in disk
// utility, a stand-in pkexec and a fill that only reports.

#include "ScreenTestSupport.h"
#include "WipeTestSupport.h"

#include "core/DoDataBase.h"
#include "core/ErasureStandards.h"
#include "core/PublicUtilities.h"
#include "core/WatchMountUnmount.h"
#include "platform/Privileged.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "tools/erasepanels/ErasureStandardChoice.h"
#include "tools/erasepanels/NTFSViewController.h"
#include "tools/erasepanels/StandardConfirmViewController.h"
#include "tools/wipedisk/WipeDiskViewController.h"
#include "tools/wipedisk/WipeVolumeTable.h"
#include "toolkit/CustomTableView.h"
#include "toolkit/EUHandButton.h"
#include "toolkit/ITProgressBar.h"
#include "toolkit/MAAttachedWindow.h"
#include "toolkit/SortSelectBgView.h"
#include "toolkit/StepProgressViewVC.h"
#include "toolkit/TCImageButton.h"
#include "toolkit/TextImageButton.h"
#include "toolkit/ToolArea.h"

#include <QLabel>
#include <QTest>
#include <QThread>
#include <QTextDocument>

static ::testing::Environment* const kNoAnimations = ::testing::AddGlobalTestEnvironment(new screentest::NoAnimations);

using wipetest::facts;

namespace {

struct FakeMainWindow : MainWindowHost {
    QList<bool> calls;
    void canChangeType(bool enabled) override { calls << enabled; }
};

QString plainText(QLabel* label)
{
    if (label->textFormat() != Qt::RichText)
        return label->text();
    QTextDocument doc;
    doc.setHtml(label->text());
    return doc.toPlainText();
}

// Clicks the dialog button titled `title`.
bool clickTitled(QWidget* window, const QString& title)
{
    for (TextImageButton* b : window->findChildren<TextImageButton*>())
        if (b->textField() && b->textField()->text() == title) {
            QTest::mouseClick(b, Qt::LeftButton);
            return true;
        }
    return false;
}

// Picks the standard of `index` in the confirmation's drop-down, as a person
// does: a click on the standard's box, then on its row.
bool pickStandard(StatusAttachedWindow* dialog, int index)
{
    auto* menu = dialog->findChild<StandardMenuButton*>();
    if (!menu)
        return false;
    QTest::mouseClick(menu, Qt::LeftButton);
    auto* list = screentest::visibleTopLevel<MAAttachedWindow>();
    if (!list)
        return false;
    for (SortSelectBgView* row : list->findChildren<SortSelectBgView*>())
        if (row->identifier() == QString::number(index)) {
            QTest::mouseClick(row, Qt::LeftButton);
            return true;
        }
    return false;
}

// The screen without a relay of the machine's own mounts: other tests mount
// loop volumes meanwhile, and each would rescan this screen's list.
class QuietScreen : public WipeDiskViewController {
public:
    using WipeDiskViewController::WipeDiskViewController;

protected:
    std::shared_ptr<QObject> makeMountRelay() override { return nullptr; }
};

// The image buttons keep their usable flag under the name isDisabled.
bool usable(ImageButtonBase* button) { return button->isDisabled(); }

bool showing(QWidget* pane) { return pane->isVisible() && pane->pos() == QPoint(0, 0); }

class WipeScreenTest : public ::testing::Test {
public:
    void SetUp() override
    {
        QFile::remove(DoDataBase::getDataBase());
        PublicUtilities::writeUpDataHistoryStr(QStringLiteral("WipeVolumeHistory"), QStringLiteral("0"));
        platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), 4);
        platform::defaults::setInteger(QStringLiteral("EraserTimes"), 3);
        volumeRoot = nvtest::freshFolder("volume");
        du.setInfo("sdb1", facts("sdb1", "Photos", "ExFAT", volumeRoot, 64000000000ULL, 12500000000ULL));
        QVariantMap usb = facts("sdc1", "Backup", "ext4", "/media/u/Backup", 2000000000000ULL, 900000000000ULL);
        usb.insert("Ejectable", true);
        du.setInfo("sdc1", usb);
        du.setInfo("sdd1", facts("sdd1", "Windows", "NTFS", "/media/u/Windows", 500000000000ULL, 100000000000ULL));
        du.setInfo("nvme0n1p2", facts("nvme0n1p2", "System", "ext4", "/", 512000000000ULL, 200000000000ULL));
        du.setVerb("reformat", "Started erase on sdb1\nMounting disk\n", 0);

        auto f = std::make_unique<wipetest::FakeFill>();
        fill = f.get();
        screen = std::make_unique<QuietScreen>(std::move(f));
        screen->run().setTimings(20, 10, 2);
        screen->run().setMountCheck([](const QVariantMap& f, const QString&) { return !f.value("MountPoint").toString().isEmpty(); });
        screen->scanner().setEntrySource([] {
            return QList<WipeVolumeScanner::Entry>{{"/media/u/Photos", "sdb1"}, {"/media/u/Backup", "sdc1"},
                                                  {"/media/u/Windows", "sdd1"}, {"/", "nvme0n1p2"}};
        });
        screen->setSuperDelegate(&host);
        screen->setUrlOpener([this](const QUrl& u) { urlsOpened << u; });
        window.resize(toolkit::kToolWidth, toolkit::kToolHeight);
        screen->view()->setParent(&window);
        screen->view()->move(0, 0);
        window.show();
        screen->loadBaseView();
        screen->changeFormatOrFreeSpaceView(1);
        waitForList();
    }
    void TearDown() override
    {
        screen->stopRunningWork(10000);
        screen.reset();
    }

    // The scan's source lists these devices, in this order, after `delayMs`.
    void listDevices(const QStringList& devices, int delayMs = 0)
    {
        const QMap<QString, QString> points{{"sdb1", "/media/u/Photos"}, {"sdc1", "/media/u/Backup"},
                                            {"sdd1", "/media/u/Windows"}, {"nvme0n1p2", "/"}};
        screen->scanner().setEntrySource([devices, points, delayMs] {
            QThread::msleep(delayMs);
            QList<WipeVolumeScanner::Entry> out;
            for (const QString& d : devices)
                out.append({points.value(d), d});
            return out;
        });
    }
    void rescan()
    {
        screen->getallVolumes();
        waitForList();
    }
    void waitForList()
    {
        nvtest::pump(10);
        ASSERT_TRUE(screen->scanner().waitForScan(10000));
        nvtest::pump(10);
    }
    void choose(int row)
    {
        screen->tableViewShouldSelectRow(row);
        ASSERT_EQ(screen->selectVolumeObj(), screen->volumeList().allVolumeArr().value(row));
    }
    // Answers the next dialog with the button titled `title`, after its picture.
    void answerNextDialog(const QString& title, const QString& png = QString())
    {
        screentest::whenDialogShown([title, png](StatusAttachedWindow* window) {
            if (!png.isEmpty())
                screentest::savePng(window, png);
            EXPECT_TRUE(clickTitled(window, title)) << title;
        });
    }

    wipetest::FakeDiskutil du;
    wipetest::FakeFill* fill = nullptr;
    FakeMainWindow host;
    QWidget window;
    std::unique_ptr<WipeDiskViewController> screen;
    QString volumeRoot;
    QList<QUrl> urlsOpened;
};

} // namespace

TEST_F(WipeScreenTest, TheListItsImagesAndTheWipeButton)
{
    const auto& list = screen->volumeList().allVolumeArr();
    ASSERT_EQ(list.size(), 4);
    EXPECT_FALSE(screen->loadPro()->isVisible());
    EXPECT_FALSE(usable(screen->wipeButton())) << "no volume chosen yet";
    EXPECT_TRUE(screen->wipeHardNodeView()->isVisible());
    EXPECT_FALSE(screen->wipeFreeSpaceNodeView()->isVisible());
    screentest::savePng(&window, "WipeVolume-list-unchosen");
    choose(0);
    EXPECT_TRUE(usable(screen->wipeButton()));
    screentest::savePng(&window, "WipeVolume-list");
    screen->changeFormatOrFreeSpaceView(2);
    EXPECT_EQ(screen->selectEraserType(), 1);
    EXPECT_FALSE(screen->wipeHardNodeView()->isVisible());
    EXPECT_TRUE(screen->wipeFreeSpaceNodeView()->isVisible());
    choose(1);
    screentest::savePng(&window, "WipeFreeSpace-list");

    // A rescan keeps the chosen row.
    screen->getallVolumes();
    waitForList();
    EXPECT_EQ(screen->selectVolumeObj()->volumeName(), "Backup");
    EXPECT_TRUE(usable(screen->wipeButton()));
    // A mount elsewhere rescans.
    const int before = du.calls().size();
    platform::NotificationCenter::defaultCenter().post(MCVolumeMountNotification);
    waitForList();
    EXPECT_GT(du.calls().size(), before);
}

TEST_F(WipeScreenTest, WipeVolumeToTheSuccessPane)
{
    choose(0);
    fill->finishAtOnce = false;
    answerNextDialog("继续", "MakeSureWipeDiskViewController");
    screen->wipeButtonAction();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return fill->started == 1; }, 10000));
    EXPECT_EQ(host.calls, (QList<bool>{false})) << "the tabs are locked during the run";
    EXPECT_TRUE(showing(screen->wipeDiskProgress().pane));
    EXPECT_FALSE(screen->mainView()->isVisible());
    EXPECT_TRUE(usable(screen->wipeDiskProgress().cancelButton)) << "usable once the fill runs";
    EXPECT_EQ(screen->wipeDiskProgress().typeLabel->text(), "DoD 5220.22-M (擦除3次)");
    EXPECT_EQ(screen->wipeDiskProgress().diskNameLabel->text(), "Photos");
    fill->delegate->showWipeDiskRound(0.42, "已擦除 42.00%, 1/3次", false);
    nvtest::pump(60);
    EXPECT_EQ(screen->wipeDiskProgress().roundLabel->text(), "已擦除 42.00%, 1/3次");
    EXPECT_FALSE(screen->wipeDiskProgress().clockLabel->text().isEmpty());
    screentest::savePng(&window, "WipeVolume-progress");

    fill->finish();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return host.calls.size() == 2; }, 5000));
    EXPECT_EQ(host.calls, (QList<bool>{false, true}));
    nvtest::pump(20);
    EXPECT_TRUE(showing(screen->wipeSussView().pane));
    EXPECT_FALSE(screen->wipeDiskProgress().pane->isVisible());
    EXPECT_EQ(screen->wipeSussView().message->text(), "该磁盘或设备上的所有数据均被成功擦除。");
    EXPECT_EQ(screen->wipeDiskProgress().roundLabel->text(), " ");
    EXPECT_DOUBLE_EQ(screen->wipeDiskProgress().bar->floatValue(), 0.0);
    EXPECT_EQ(PublicUtilities::getUpDataHistoryStr("WipeVolumeHistory"), "1");
    screentest::savePng(&window, "WipeVolume-success");

    QTest::mouseClick(screen->wipeSussView().okButton, Qt::LeftButton);
    nvtest::pump(20);
    EXPECT_TRUE(screen->mainView()->isVisible());
    EXPECT_FALSE(screen->wipeSussView().pane->isVisible());
    waitForList();
    EXPECT_EQ(screen->volumeList().allVolumeArr().size(), 4);
    // The screen still follows mounts after the run.
    const int before = du.calls().size();
    platform::NotificationCenter::defaultCenter().post(MCVolumeUnmountNotification);
    waitForList();
    EXPECT_GT(du.calls().size(), before);
}

// The choice belongs to the volume, not to its row: a volume mounted again
// comes last in the list and the choice goes with it; a volume no longer
// listed leaves nothing chosen and nothing to wipe, whatever fills its row.
// Both tabs.
TEST_F(WipeScreenTest, TheChoiceFollowsItsVolumeThroughRescans)
{
    for (const int tab : {1, 2}) {
        SCOPED_TRACE(tab == 1 ? "Wipe Volume" : "Wipe Free Space");
        screen->changeFormatOrFreeSpaceView(tab);
        listDevices({"sdb1", "sdc1", "sdd1", "nvme0n1p2"});
        rescan();
        choose(0);
        ASSERT_EQ(screen->selectVolumeObj()->volRootDir(), "/dev/sdb1");

        listDevices({"sdc1", "sdd1", "nvme0n1p2", "sdb1"});
        rescan();
        ASSERT_TRUE(screen->selectVolumeObj());
        EXPECT_EQ(screen->selectVolumeObj()->volRootDir(), "/dev/sdb1");
        EXPECT_EQ(screen->selectVolumeObj(), screen->volumeList().allVolumeArr().value(3)) << "the record of this scan";
        EXPECT_EQ(screen->volumeList().selectIndex(), 3);
        EXPECT_EQ(screen->parTableView()->rowNum(), 3);
        EXPECT_TRUE(usable(screen->wipeButton()));
        if (tab == 1)
            screentest::savePng(&window, "WipeVolume-list-choice-moved");

        // What "继续" hands the run.
        host.calls.clear();
        const int fills = fill->started;
        fill->finishAtOnce = false;
        answerNextDialog("继续");
        screen->wipeButtonAction();
        ASSERT_TRUE(nvtest::pumpUntil([&] { return fill->started == fills + 1; }, 10000));
        EXPECT_EQ(fill->volume->volRootDir(), "/dev/sdb1");
        fill->finish();
        ASSERT_TRUE(nvtest::pumpUntil([&] { return host.calls.size() == 2; }, 10000));
        if (tab == 1) {
            EXPECT_TRUE(du.calls().contains("reformat /dev/sdb1")) << du.calls().join("|");
            EXPECT_TRUE(du.calls().filter("reformat /dev/sdc1").isEmpty()) << du.calls().join("|");
        }
        nvtest::pump(20);
        QTest::mouseClick(screen->wipeSussView().okButton, Qt::LeftButton);
        waitForList();
        ASSERT_TRUE(screen->selectVolumeObj()) << "the volume the run worked on stays chosen";
        EXPECT_EQ(screen->selectVolumeObj()->volRootDir(), "/dev/sdb1");

        // While a scan runs nothing is wiped.
        const QList<WipeVolumeScanner::Entry> slow{{"/media/u/Backup", "sdc1"}, {"/media/u/Photos", "sdb1"}};
        screen->scanner().setEntrySource([slow] {
            QThread::msleep(300);
            return slow;
        });
        screen->getallVolumes();
        EXPECT_TRUE(screen->scanner().isScanV());
        EXPECT_FALSE(usable(screen->wipeButton()));
        screen->wipeButtonAction();
        EXPECT_EQ(screentest::runningDialog(), nullptr);
        waitForList();
        EXPECT_TRUE(usable(screen->wipeButton()));

        // Unmounted: another volume takes its row, none is chosen.
        listDevices({"sdc1", "sdd1", "nvme0n1p2"});
        rescan();
        EXPECT_EQ(screen->selectVolumeObj(), nullptr);
        EXPECT_EQ(screen->volumeList().selectIndex(), -1);
        EXPECT_EQ(screen->parTableView()->rowNum(), -1);
        EXPECT_FALSE(usable(screen->wipeButton()));
        if (tab == 1)
            screentest::savePng(&window, "WipeVolume-list-choice-gone");
        const QStringList callsBefore = du.calls();
        screen->wipeButtonAction();
        nvtest::pump(20);
        EXPECT_EQ(screentest::runningDialog(), nullptr);
        EXPECT_FALSE(screen->run().isRunning());
        EXPECT_EQ(fill->started, fills + 1);
        EXPECT_EQ(du.calls(), callsBefore);
    }
}

// A mount elsewhere rescans; a click on a row meanwhile chooses that row's
// volume, and the finished scan finds it again wherever its row went.
TEST_F(WipeScreenTest, AClickDuringARescanChoosesTheVolumeClicked)
{
    choose(0);
    listDevices({"sdd1", "nvme0n1p2", "sdb1", "sdc1"}, 300);
    platform::NotificationCenter::defaultCenter().post(MCVolumeMountNotification);
    ASSERT_TRUE(screen->scanner().isScanV());
    const QModelIndex backup = screen->parTableView()->model()->index(1, WipeVolumeTableModel::NameColumn);
    QTest::mouseClick(screen->parTableView()->viewport(), Qt::LeftButton, {},
                      screen->parTableView()->visualRect(backup).center());
    screentest::savePng(&window, "WipeVolume-list-clicked-during-rescan");
    waitForList();
    EXPECT_EQ(screen->volumeList().selectIndex(), 3);
    answerNextDialog("继续");
    screen->wipeButtonAction();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return fill->started == 1; }, 10000));
    EXPECT_EQ(du.calls().filter("reformat"), QStringList{"reformat /dev/sdc1"});
}

TEST_F(WipeScreenTest, TheVolumeChosenIsWipedWhateverTheListDoesDuringTheConfirmation)
{
    choose(0);
    const VolumeObjPtr chosen = screen->selectVolumeObj();
    ASSERT_EQ(chosen->volumeName(), "Photos");
    // A stick plugged in while the confirmation is open: the rescan lists
    // another volume in the chosen row.
    screentest::whenDialogShown([this](StatusAttachedWindow* window) {
        screen->scanner().setEntrySource([] {
            return QList<WipeVolumeScanner::Entry>{{"/media/u/Backup", "sdc1"}, {"/media/u/Photos", "sdb1"},
                                                  {"/media/u/Windows", "sdd1"}, {"/", "nvme0n1p2"}};
        });
        platform::NotificationCenter::defaultCenter().post(MCVolumeMountNotification);
        nvtest::pump(10);
        EXPECT_TRUE(screen->scanner().waitForScan(10000));
        nvtest::pump(10);
        EXPECT_EQ(screen->volumeList().allVolumeArr().value(0)->volumeName(), "Backup");
        EXPECT_TRUE(clickTitled(window, "继续"));
    });
    screen->wipeButtonAction();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return fill->started == 1; }, 10000));
    EXPECT_EQ(screen->run().selectVolumeObj(), chosen);
    EXPECT_EQ(fill->volume, chosen);
    EXPECT_TRUE(du.calls().contains("reformat /dev/sdb1")) << du.calls().join("|");
    EXPECT_TRUE(du.calls().filter("reformat /dev/sdc1").isEmpty()) << du.calls().join("|");
    EXPECT_EQ(screen->wipeDiskProgress().diskNameLabel->text(), "Photos");
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !screen->run().isRunning(); }, 10000));
    nvtest::pump(20);
    QTest::mouseClick(screen->wipeSussView().okButton, Qt::LeftButton);
    waitForList();

    // Wipe Free Space, its volume unmounted while the confirmation is open:
    // the run still gets that volume (and finds it gone), never the one the
    // list now holds in its row.
    screen->changeFormatOrFreeSpaceView(2);
    listDevices({"sdb1", "sdc1", "sdd1", "nvme0n1p2"});
    rescan();
    choose(1);
    const VolumeObjPtr backup = screen->selectVolumeObj();
    ASSERT_EQ(backup->volRootDir(), "/dev/sdc1");
    fill->finishAtOnce = false;
    screentest::whenDialogShown([this](StatusAttachedWindow* window) {
        listDevices({"sdb1", "sdd1", "nvme0n1p2"});
        rescan();
        EXPECT_EQ(screen->selectVolumeObj(), nullptr);
        EXPECT_TRUE(clickTitled(window, "继续"));
    });
    screen->wipeButtonAction();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return fill->started == 2; }, 10000));
    EXPECT_EQ(fill->volume, backup);
}

// The progress pane names the standard the fill runs: the one picked in the
// confirmation's drop-down, or one stored while a reformat ran, never the
// one stored when the Wipe button was pressed.
TEST_F(WipeScreenTest, TheProgressPaneNamesTheStandardThatRuns)
{
    screen->changeFormatOrFreeSpaceView(2);
    fill->finishAtOnce = false;
    for (const int index : {7, 6}) {
        SCOPED_TRACE(index);
        choose(1);
        host.calls.clear();
        screentest::whenDialogShown([index](StatusAttachedWindow* w) {
            EXPECT_TRUE(pickStandard(w, index));
            EXPECT_TRUE(clickTitled(w, "继续"));
        });
        screen->wipeButtonAction();
        ASSERT_TRUE(screen->run().isRunning());
        EXPECT_EQ(screen->wipeFreeSpaceProgressView().typeLabel->text(), erasureStandardLabel(index));
        nvtest::pump(20);
        if (index == 7)
            screentest::savePng(&window, "WipeFreeSpace-progress-standard-picked");
        fill->finish();
        ASSERT_TRUE(nvtest::pumpUntil([&] { return host.calls.size() == 2; }, 5000));
        nvtest::pump(20);
        QTest::mouseClick(screen->wipeSussView().okButton, Qt::LeftButton);
        waitForList();
    }

    // Wipe Volume: picked in the confirmation, then changed again (as the
    // pass-count panel may) before the reformat is done: the run keeps the
    // standard it was confirmed with.
    screen->changeFormatOrFreeSpaceView(1);
    choose(0);
    screentest::whenDialogShown([](StatusAttachedWindow* w) {
        EXPECT_TRUE(pickStandard(w, 5));
        EXPECT_TRUE(clickTitled(w, "继续"));
        standardchoice::storeErasureStandard(2);
    });
    screen->wipeButtonAction();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return fill->started == 3; }, 10000));
    EXPECT_EQ(screen->wipeDiskProgress().typeLabel->text(), erasureStandardLabel(5));
    EXPECT_EQ(fill->passesGiven, erasureStandardPasses(5));
}

// 擦除1次 saved in the pass-count panel during a run started with
// "DoD 5220.22-M ECE (擦除7次)" is the next run's: this run's fill, pane and
// record keep 7 passes. Wipe Free Space saves during its fill, Wipe Volume
// during its reformat.
TEST_F(WipeScreenTest, ACountSavedDuringARunLeavesThatRunsStandard)
{
    const QString dod7 = erasureStandardLabel(6);
    fill->finishAtOnce = false;
    for (const int tab : {2, 1}) {
        SCOPED_TRACE(tab);
        standardchoice::storeErasureStandard(6);
        screen->changeFormatOrFreeSpaceView(tab);
        choose(0);
        screentest::whenDialogShown([this](StatusAttachedWindow* w) {
            EXPECT_TRUE(clickTitled(w, "继续"));
            QTest::mouseClick(screen->setButton(), Qt::LeftButton);
            QTest::mouseClick(screen->setEraserLevelVC()->button("1"), Qt::LeftButton);
            QTest::mouseClick(screen->setEraserLevelVC()->saveButton(), Qt::LeftButton);
            EXPECT_EQ(platform::defaults::integerForKey("EraserTimes"), 1);
        });
        screen->wipeButtonAction();
        ASSERT_TRUE(nvtest::pumpUntil([&] { return fill->started == 3 - tab; }, 10000));
        EXPECT_EQ(fill->passesGiven, 7);
        EXPECT_EQ((tab == 2 ? screen->wipeFreeSpaceProgressView() : screen->wipeDiskProgress()).typeLabel->text(), dod7);
        screentest::savePng(&window, QStringLiteral("WipeDisk-count-saved-during-run-%1").arg(tab));
        fill->finish();
        ASSERT_TRUE(nvtest::pumpUntil([&] { return !screen->run().isRunning(); }, 5000));
        // The newest row of the newest key: runs within one second share it.
        EXPECT_EQ(DoDataBase::returnDoDataBase()->getAllData().last().last().value("Erasure algorithm"), dod7);
        QTest::mouseClick(screen->wipeSussView().okButton, Qt::LeftButton);
        waitForList();
    }
}

TEST_F(WipeScreenTest, FailuresAndACancelEndOnTheFailurePane)
{
    struct Road {
        const char* name;
        std::function<void(WipeScreenTest&)> prepare;
        bool cancel;
    };
    std::unique_ptr<wipetest::FakePkexec> pkexec;
    const QList<Road> roads = {
        {"utility-fails", [](WipeScreenTest& t) { t.du.setVerb("reformat", "", 1, "mkfs failed\n"); }, false},
        {"password-cancelled",
         [&pkexec](WipeScreenTest&) {
             pkexec = std::make_unique<wipetest::FakePkexec>();
             pkexec->refuse(126);
         },
         false},
        {"password-refused",
         [&pkexec](WipeScreenTest&) {
             pkexec = std::make_unique<wipetest::FakePkexec>();
             pkexec->refuse(127);
         },
         false},
        {"cancelled", [](WipeScreenTest& t) { t.fill->finishAtOnce = false; }, true},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        host.calls.clear();
        road.prepare(*this);
        choose(0);
        answerNextDialog("继续");
        screen->wipeButtonAction();
        if (road.cancel) {
            ASSERT_TRUE(nvtest::pumpUntil([&] { return fill->started > 0 && usable(screen->wipeDiskProgress().cancelButton); }, 10000));
            QTest::mouseClick(screen->wipeDiskProgress().cancelButton, Qt::LeftButton);
            EXPECT_TRUE(screen->wipeDiskProgress().cancelLabel->isVisible());
            EXPECT_FALSE(usable(screen->wipeDiskProgress().cancelButton));
            fill->finish();
        }
        ASSERT_TRUE(nvtest::pumpUntil([&] { return host.calls.size() == 2; }, 10000));
        EXPECT_EQ(host.calls, (QList<bool>{false, true}));
        nvtest::pump(20);
        EXPECT_TRUE(showing(screen->wipeFailView().pane));
        // The note says why where the user can act on it: a cancel, or rights
        // that were not given (never the disk's fault, never pkexec's words).
        const QString road_ = QLatin1String(road.name);
        const QString expectedNote =
            road.cancel ? QStringLiteral("该操作已被用户取消。")
            : road_ == "password-cancelled" ? platform::privileged::refusalText(platform::privileged::Ending::Cancelled)
            : road_ == "password-refused"   ? platform::privileged::refusalText(platform::privileged::Ending::Refused)
                                            : QString();
        EXPECT_EQ(screen->wipeFailView().note->isVisible(), !expectedNote.isEmpty());
        if (!expectedNote.isEmpty()) {
            EXPECT_EQ(screen->wipeFailView().note->text(), expectedNote);
        }
        EXPECT_TRUE(wipetest::historyHolds("磁盘擦除:Photos", "擦除失败"));
        screentest::savePng(&window, QStringLiteral("WipeVolume-failure-%1").arg(road.name));
        QTest::mouseClick(screen->wipeFailView().backButton, Qt::LeftButton);
        waitForList();
        pkexec.reset();
        du.setVerb("reformat", "Mounting disk\n", 0);
        fill->finishAtOnce = true;
    }
}

TEST_F(WipeScreenTest, WipeFreeSpaceDeclinedThenRun)
{
    screen->changeFormatOrFreeSpaceView(2);
    choose(1);
    answerNextDialog("取消", "MakeSureWipeFreeSpaceViewController");
    screen->wipeButtonAction();
    const QString clock = screen->wipeFreeSpaceProgressView().clockLabel->text();
    nvtest::pump(100);
    EXPECT_EQ(screen->wipeFreeSpaceProgressView().clockLabel->text(), clock) << "declining stops the clock";
    EXPECT_EQ(fill->started, 0);
    EXPECT_TRUE(host.calls.isEmpty());

    fill->finishAtOnce = false;
    answerNextDialog("继续");
    screen->wipeButtonAction();
    ASSERT_EQ(fill->started, 1);
    EXPECT_FALSE(fill->partition);
    nvtest::pump(20);
    EXPECT_TRUE(showing(screen->wipeFreeSpaceProgressView().pane));
    EXPECT_EQ(screen->stepProVC()->label_2()->text(), "擦除剩余空间");
    fill->delegate->showWipeFreeSpaceRound(0.3, "已擦除 30.00%, 1/3次", false);
    nvtest::pump(20);
    screentest::savePng(&window, "WipeFreeSpace-progress");
    fill->finish();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return host.calls.size() == 2; }, 5000));
    nvtest::pump(20);
    EXPECT_TRUE(showing(screen->wipeSussView().pane));
    EXPECT_EQ(screen->wipeSussView().message->text(), "剩余磁盘空间擦除完成。");
    screentest::savePng(&window, "WipeFreeSpace-success");
    // Switching tabs slides the result pane out.
    screen->changeFormatOrFreeSpaceView(1);
    nvtest::pump(20);
    EXPECT_FALSE(screen->wipeSussView().pane->isVisible());
    EXPECT_TRUE(screen->mainView()->isVisible());
}

// The fill found another volume in the chosen one's place and wrote
// nothing: the failure pane says so, and the history records a failure.
TEST_F(WipeScreenTest, WipeFreeSpaceOnAnotherVolumeSaysSoOnTheFailurePane)
{
    screen->changeFormatOrFreeSpaceView(2);
    choose(1);
    const QString name = screen->selectVolumeObj()->volumeName();
    fill->error = QStringLiteral("所选磁盘的位置上现在是另一个磁盘，未向其写入任何数据。");
    // The engine tells its end from the event loop, after the run started.
    fill->finishAtOnce = false;
    answerNextDialog("继续");
    screen->wipeButtonAction();
    fill->finish();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return host.calls.size() == 2; }, 5000));
    nvtest::pump(20);
    EXPECT_TRUE(showing(screen->wipeFailView().pane));
    EXPECT_TRUE(screen->wipeFailView().note->isVisible());
    EXPECT_EQ(screen->wipeFailView().note->text(), fill->error);
    EXPECT_TRUE(wipetest::historyHolds("剩余空间擦除:" + name, "擦除失败"));
    screentest::savePng(&window, "WipeFreeSpace-failure-another-volume");
}

TEST_F(WipeScreenTest, NoticesInsteadOfTheWork)
{
    // Wipe Volume of the running system: the notice and nothing else.
    choose(3);
    screentest::whenDialogShown([this](StatusAttachedWindow* w) {
        screentest::savePng(w, "SystemEraserViewController");
        auto* label = w->findChild<QLabel*>();
        EXPECT_TRUE(label);
        for (auto* b : w->findChildren<QAbstractButton*>())
            if (qobject_cast<EUHandButton*>(b))
                b->click();
        EXPECT_TRUE(clickTitled(w, "关闭"));
    });
    screen->wipeButtonAction();
    EXPECT_FALSE(screen->run().isRunning());
    EXPECT_TRUE(du.calls().filter("reformat").isEmpty());
    ASSERT_EQ(urlsOpened.size(), 1);
    EXPECT_TRUE(urlsOpened[0].path().endsWith("/articles/wipe-system-drive.html")) << urlsOpened[0].toString();

    // Wipe Free Space on it proceeds to its confirmation.
    screen->changeFormatOrFreeSpaceView(2);
    choose(3);
    answerNextDialog("取消");
    screen->wipeButtonAction();
    EXPECT_TRUE(host.calls.isEmpty());

    // Wipe Free Space of an NTFS volume: the NTFS notice only.
    choose(2);
    screentest::whenDialogShown([](StatusAttachedWindow* w) {
        screentest::savePng(w, "NTFSViewController-wipe");
        EXPECT_TRUE(clickTitled(w, "好"));
    });
    screen->wipeButtonAction();
    EXPECT_EQ(fill->started, 0);
}

TEST(WipeDialogs, SystemNoticeEmphasisAndStandards)
{
    SystemEraserViewController notice;
    EXPECT_EQ(notice.setNodeLabelStyle(), 2);
    EXPECT_TRUE(notice.nodeLabel()->text().contains("font-weight:bold"));
    EXPECT_EQ(plainText(notice.nodeLabel()), "您可以用文件擦除擦除其上的文件，用剩余空间擦除擦除已删除文件留下的数据。");
    notice.nodeLabel()->setTextFormat(Qt::PlainText);
    notice.nodeLabel()->setText("nothing to emphasise <b>");
    EXPECT_EQ(notice.setNodeLabelStyle(), 0);
    EXPECT_EQ(notice.nodeLabel()->textFormat(), Qt::PlainText);

    platform::defaults::setInteger("EraserTimesTag", 9);
    platform::defaults::setInteger("EraserTimes", 1);
    MakeSureWipeDiskViewController disk;
    EXPECT_EQ(disk.formatTypeText()->text(), "HMG Infosec Standard 5 (擦除1次)");
    disk.setLevelStr("6");
    EXPECT_EQ(disk.formatTypeText()->text(), "DoD 5220.22-M ECE (擦除7次)");
    disk.setLevelStr("x");
    EXPECT_EQ(disk.formatTypeText()->text(), "HMG Infosec Standard 5 (擦除1次)");

    struct Delegate : MakeSureWipeFreeSpaceVCDelegate {
        int confirmed = 0;
        void makeSureToWipeFreeSpaceSelectVolume() override { ++confirmed; }
    } delegate;
    MakeSureWipeFreeSpaceViewController free;
    free.setDelegate(&delegate);
    free.view()->show();
    free.openMenuAction();
    ASSERT_TRUE(free.isPopSortWin());
    QWidget* first = free.sortAttachedWindow();
    free.openMenuAction();
    EXPECT_EQ(free.sortAttachedWindow(), first) << "a second click while open does nothing";
    screentest::savePng(first, "MakeSureWipeFreeSpaceViewController-standards");
    free.selectFormatbyType(3);
    EXPECT_EQ(free.formatTypeText()->text(), "Peter Gutmann's algorithm 2 (擦除2次)");
    EXPECT_FALSE(free.isPopSortWin());
    free.okButtonAction();
    EXPECT_EQ(delegate.confirmed, 1);
}

TEST_F(WipeScreenTest, SidePanelsAndLinks)
{
    screen->historyButtonAction();
    nvtest::pump(20);
    EXPECT_TRUE(showing(screen->historyView()));
    EXPECT_EQ(screen->historyVC()->typeStr(), "WipeVolume");
    screentest::savePng(&window, "WipeDisk-history");
    screen->closeHistoryView();
    screen->setButtonAction();
    nvtest::pump(20);
    EXPECT_TRUE(showing(screen->setEraserLevelView()));
    screentest::savePng(&window, "WipeDisk-passes");
    screen->changeFormatOrFreeSpaceView(2);
    nvtest::pump(20);
    EXPECT_FALSE(screen->setEraserLevelView()->isVisible());
    screen->getmoreButton();
    screen->aboutButtonAction();
    ASSERT_GE(urlsOpened.size(), 1);
    EXPECT_TRUE(urlsOpened[0].path().endsWith("/articles/wipe-free-space.html"));
}
