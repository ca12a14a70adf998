#pragma once
// The Disk tools tab: one row per volume the enumeration lists, and on the
// selected row the actions Open, Mount or Unmount, First Aid, Rename, Format
// and Safe eject. The table rescans on every entry to the tab, after mount,
// unmount and eject, when First Aid's output is closed, and whenever the
// system mounts or unmounts a volume.
//
// The rules live in RepairDiskRules, the rescan in VolumeScan, the disk
// utility calls in DiskToolCommands and First Aid's run in FirstAidRun; this
// controller wires them to the views. Main thread only, but getallVolumes()
// may be asked from any thread.

#include "DiskToolCommands.h"
#include "FirstAidRun.h"
#include "FormatEndViewController.h"
#include "FristAidViewController.h"
#include "MakeSureFormatViewController.h"
#include "ShowAidViewControllrt.h"
#include "VolumeScan.h"

#include "core/VolumeObj.h"
#include "platform/NotificationCenter.h"
#include "toolkit/LoadingSpinner.h"
#include "toolkit/ToolScreen.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class CustomTableView;
class QAbstractTableModel;
class QLabel;
class QLineEdit;
class RepairDiskTableCellView;
class TextImageButton;
class WatchMountUnmount;

class RepairDiskViewController : public QObject,
                                 public VolumeToolScreen,
                                 public FristAidVCDelegate,
                                 public ShowAidVCDelegate,
                                 public MakeSureFormatVCDelegate {
    Q_OBJECT
public:
    // `watchSystemMounts`: whether the screen holds the shared mount relay
    // (tests post the relay's notifications themselves).
    explicit RepairDiskViewController(QObject* parent = nullptr, bool watchSystemMounts = true);
    ~RepairDiskViewController() override;

    // --- ToolScreen ---
    QWidget* view() override { return view_; }
    void getallVolumes() override;

    // --- the table ---
    const QList<VolumeObjPtr>& allVolumeArr() const { return allVolumeArr_; }
    int selectIndex() const { return selectIndex_; }
    VolumeObjPtr selectVolume() const { return selectVolume_; }
    bool isScanV() const { return scan_.isScanV(); }
    bool isRenameEdit() const { return isRenameEdit_; }
    std::optional<QString> editStr() const { return editStr_; }
    bool isMount() const { return isMount_; }
    bool isVolumeMounted() const;
    void selectRow(int row);
    void reloadTable();
    // The row view of `row` (null when there is none).
    RepairDiskTableCellView* rowView(int row) const;
    TextImageButton* rowButton(int row, const QString& identifier) const;
    QLineEdit* renameField(int row) const;
    CustomTableView* parTableView() const { return parTableView_; }
    LoadingSpinner* loadPro() const { return loadPro_; }
    repairdisk::VolumeScan& scan() { return scan_; }

    // --- row actions ---
    void OpenButtonAction();
    void mountButtonAction();
    void renameButtonAction();
    void controlTextDidChange(const QString& text);
    void saveButtonAction();
    void ejectButtonAction();

    // --- First Aid ---
    void aidtButAction();
    void checkDiskAction() override;
    void repairDiskAction() override;
    void closeShowAidWindow() override;
    FristAidViewController* fristAidVC() const { return fristAidVC_.get(); }
    ShowAidViewControllrt* showAidVC() const { return showAidVC_.get(); }
    repairdisk::FirstAidRun& aidRun() { return aidRun_; }

    // --- Format ---
    void formatButtonAction();
    void makeSureToFormatSelectVolumeWithName(const QString& name, const QString& type) override;
    void showFormatEndWindow();
    MakeSureFormatViewController* makeSureFormatVC() const { return makeSureFormatVC_.get(); }
    FormatEndViewController* formatEndVC() const { return formatEndVC_.get(); }

    // --- where the outside world is reached; tests replace these ---
    void setFileOpener(std::function<bool(const QString&)> opener) { openFile_ = std::move(opener); }
    // How long First Aid waits before launching the utility (1 s).
    void setAidLaunchDelay(int ms);
    // The format picker's timed close (2 s).
    void setPickerCloseMs(int ms) { pickerCloseMs_ = ms; }
    // Runs once an action's disk utility call has ended (on the main thread).
    std::function<void(const QString& action, bool succeeded)> onActionEnded;

private:
    void loadView();
    void scanStarted();
    void scanFinished(const QList<VolumeObjPtr>& records);
    QWidget* buildRow(int row);
    // Builds the views of these rows again (and their heights).
    void rebuildRows(const QList<int>& rows);
    QWidget* mainWindow() const;
    void startAid(bool repair);
    void actionEnded(const QString& action, const repairdisk::CommandOutcome& outcome);
    // The row that lists `volume` (isSameVolume), or -1.
    int rowOf(const VolumeObjPtr& volume) const;
    // Our own rename or format of `volume` starts, and ends with the facts
    // the disk utility gives of its device then (`info`, empty when unread).
    void ownChangeStarted(const VolumeObjPtr& volume);
    void ownChangeEnded(const VolumeObjPtr& volume, const QVariantMap& info);

    QList<VolumeObjPtr> allVolumeArr_;
    int selectIndex_ = 0;
    VolumeObjPtr selectVolume_;
    bool isRenameEdit_ = false;
    std::optional<QString> editStr_;
    bool isMount_ = false;
    repairdisk::VolumeScan scan_;
    repairdisk::FirstAidRun aidRun_;
    std::shared_ptr<WatchMountUnmount> watchMu_;
    QList<platform::NotificationCenter::Token> observers_;
    std::shared_ptr<bool> alive_;
    int pickerCloseMs_ = 2000;
    // The selected volume and the table's scroll when a rescan emptied it,
    // found again by device when the new rows come.
    VolumeObjPtr keptVolume_;
    int keptScroll_ = 0;
    // The rescan left the rows on screen: a rename was being typed.
    bool rowsKept_ = false;
    // The volume our own rename or format changes: the selection stays on it
    // through the rescans the change brings, though it leaves the list while
    // unmounted and a format gives it a new file-system UUID. At the end it
    // takes the UUIDs its device has then; it is let go once a scan has found
    // it so, or when the user chooses a row.
    VolumeObjPtr ownChange_;
    bool ownChangeEnded_ = false;

    std::unique_ptr<FristAidViewController> fristAidVC_;
    std::unique_ptr<ShowAidViewControllrt> showAidVC_;
    std::unique_ptr<MakeSureFormatViewController> makeSureFormatVC_;
    std::unique_ptr<FormatEndViewController> formatEndVC_;
    // The volumes the open First Aid and format dialogs named: the table may
    // rescan while they are up, and the action must reach the named volume.
    VolumeObjPtr aidVolume_;
    VolumeObjPtr formatVolume_;
    // The format's outcome, for the result dialog.
    QString formatName_;
    QString formatType_;
    bool formatSucceeded_ = false;
    QString formatReason_;

    std::function<bool(const QString&)> openFile_;

    QPointer<QWidget> view_;
    CustomTableView* parTableView_ = nullptr;
    QAbstractTableModel* model_ = nullptr;
    LoadingSpinner* loadPro_ = nullptr;
};
