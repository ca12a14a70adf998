#include "RepairDiskViewController.h"

#include "DiskToolCommands.h"
#include "RepairDiskRules.h"
#include "RepairDiskViews.h"

#include "core/CVolumeMgr.h"
#include "core/WatchMountUnmount.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/gui/Workspace.h"
#include "toolkit/CustomTableView.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"
#include "toolkit/ModalDialog.h"
#include "toolkit/NamedImageView.h"
#include "toolkit/RightBgView.h"
#include "toolkit/TextImageButton.h"
#include "toolkit/ToolArea.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <algorithm>
#include <QTimer>

namespace {

constexpr int kTableTop = 64;

// One column, "Name"; the rows are views, so no cell has a value.
class VolumeTableModel : public QAbstractTableModel {
public:
    VolumeTableModel(const QList<VolumeObjPtr>& rows, QObject* parent) : QAbstractTableModel(parent), rows_(rows) {}
    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(rows_.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : 1; }
    QVariant data(const QModelIndex&, int) const override { return {}; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole)
            return QStringLiteral("Name");
        return {};
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled : Qt::NoItemFlags;
    }
    void reload()
    {
        beginResetModel();
        endResetModel();
    }

private:
    const QList<VolumeObjPtr>& rows_;
};

QStringList smallButtonSkin()
{
    return {toolkit::imageName("btn_s_normal"), toolkit::imageName("btn_s_normal"), toolkit::imageName("btn_s_hover"),
            toolkit::imageName("btn_s_disable")};
}

} // namespace

RepairDiskViewController::RepairDiskViewController(QObject* parent, bool watchSystemMounts)
    : QObject(parent)
    , alive_(std::make_shared<bool>(true))
{
    openFile_ = [](const QString& path) { return platform::workspace::openFile(path); };
    loadView();
    scan_.onStarted = [this] { scanStarted(); };
    scan_.onFinished = [this](const QList<VolumeObjPtr>& records) { scanFinished(records); };
    aidRun_.onRow = [this](const QString& row) {
        if (showAidVC_)
            showAidVC_->changeShowOutPut(row);
    };
    aidRun_.onProgress = [this](float value) {
        if (showAidVC_)
            showAidVC_->setProgressValue(value);
    };

    if (watchSystemMounts)
        watchMu_ = WatchMountUnmount::shared();
    auto& center = platform::NotificationCenter::defaultCenter();
    for (const QString& name : {MCVolumeMountNotification, MCVolumeUnmountNotification})
        observers_ << center.addObserver(name, [this](const platform::Notification&) { scan_.requestAfterChange(); });
}

RepairDiskViewController::~RepairDiskViewController()
{
    *alive_ = false;
    for (auto token : std::as_const(observers_))
        platform::NotificationCenter::defaultCenter().removeObserver(token);
    if (view_ && !view_->parent())
        delete view_.data();
}

void RepairDiskViewController::loadView()
{
    view_ = new RightBgView;
    view_->resize(toolkit::kToolWidth, toolkit::kToolHeight);
    toolkit::makeLabel(view_, QRect(30, 18, 400, 30), QStringLiteral("磁盘工具"), toolkit::regularFont(18),
                       toolkit::whiteAlpha(1.0f));
    loadPro_ = new LoadingSpinner(view_);
    loadPro_->setGeometry(toolkit::kToolWidth - 56, 22, 22, 22);

    parTableView_ = new CustomTableView(view_);
    parTableView_->setGeometry(0, kTableTop, toolkit::kToolWidth, toolkit::kToolHeight - kTableTop - 10);
    model_ = new VolumeTableModel(allVolumeArr_, this);
    parTableView_->setModel(model_);
    parTableView_->horizontalHeader()->hide();
    parTableView_->verticalHeader()->hide();
    parTableView_->horizontalHeader()->setStretchLastSection(true);
    parTableView_->setShowGrid(false);
    parTableView_->setSelectionMode(QAbstractItemView::NoSelection);
    parTableView_->setFocusPolicy(Qt::NoFocus);
    parTableView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    parTableView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    parTableView_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    parTableView_->setFrameShape(QFrame::NoFrame);
    parTableView_->setStyleSheet(QStringLiteral(
        "QTableView { background: transparent; }"
        "QScrollBar:vertical { background: transparent; width: 6px; }"
        "QScrollBar::handle:vertical { background: rgba(255,255,255,60); border-radius: 3px; min-height: 20px; }"
        "QScrollBar::add-line, QScrollBar::sub-line { height: 0; }"));
}

QWidget* RepairDiskViewController::mainWindow() const
{
    return view_ ? view_->window() : nullptr;
}

// ------------------------------------------------------------------ rescan

void RepairDiskViewController::getallVolumes()
{
    scan_.request();
}

void RepairDiskViewController::scanStarted()
{
    // A rename being typed stays as it is while the scan runs: on a machine
    // that mounts often the table would otherwise be empty more than it is
    // full, and every keystroke in between would be lost. The rows on screen
    // are replaced when the new ones come.
    rowsKept_ = isRenameEdit_ && selectVolume_;
    if (rowsKept_) {
        loadPro_->startAnimation();
        return;
    }
    // Every mount on the machine rescans: what the user was looking at is
    // found again by its device once the new rows are in, so a click aimed
    // at one volume never lands on another.
    if (selectVolume_)
        keptVolume_ = selectVolume_;
    if (!allVolumeArr_.isEmpty())
        keptScroll_ = parTableView_->verticalScrollBar()->value();
    isRenameEdit_ = false;
    selectIndex_ = 0;
    selectVolume_.reset();
    allVolumeArr_.clear();
    loadPro_->startAnimation();
    reloadTable();
}

void RepairDiskViewController::scanFinished(const QList<VolumeObjPtr>& records)
{
    QScrollBar* bar = parTableView_->verticalScrollBar();
    // With the rows kept the user may have gone on choosing and typing
    // during the scan: take what is on screen now.
    struct Typing {
        QString text;
        int cursor = 0;
        int selectionStart = -1;
        int selectionLength = 0;
    };
    std::optional<Typing> typing;
    if (rowsKept_) {
        if (selectVolume_)
            keptVolume_ = selectVolume_;
        keptScroll_ = bar->value();
        if (QLineEdit* field = isRenameEdit_ ? renameField(selectIndex_) : nullptr)
            typing = Typing{field->text(), field->cursorPosition(), field->selectionStart(),
                            int(field->selectedText().size())};
    }
    rowsKept_ = false;

    allVolumeArr_ = records;
    loadPro_->stopAnimation();
    selectIndex_ = 0;
    // The volume our own format or rename changed comes first (unless a
    // rename is being typed on the rows kept): it is the one the user chose,
    // whatever the scans in between showed.
    const int changed = typing ? -1 : rowOf(ownChange_);
    if (changed >= 0 && ownChangeEnded_)
        ownChange_.reset();
    const int kept = changed >= 0 ? changed : rowOf(keptVolume_);
    const bool found = kept >= 0;
    if (found)
        selectIndex_ = kept;
    // The rename goes on while its volume is listed, wherever its row moved;
    // a volume that left the list ends it, and what was typed goes with it.
    isRenameEdit_ = typing && found;
    if (!isRenameEdit_)
        editStr_.reset();
    selectVolume_ = allVolumeArr_.isEmpty() ? nullptr : allVolumeArr_.at(selectIndex_);
    reloadTable();
    if (QLineEdit* field = isRenameEdit_ ? renameField(selectIndex_) : nullptr) {
        field->setText(typing->text);
        if (typing->selectionStart >= 0 && typing->selectionLength > 0) {
            // The cursor stays at the end of the selection it was at.
            if (typing->cursor == typing->selectionStart)
                field->setSelection(typing->selectionStart + typing->selectionLength, -typing->selectionLength);
            else
                field->setSelection(typing->selectionStart, typing->selectionLength);
        } else {
            field->setCursorPosition(typing->cursor);
        }
        // Now, not later: the next keystroke may already be on its way.
        field->setFocus();
    }
    // The table's own range follows its new rows only later; set it now so
    // the view is back where it was before anything is drawn.
    const int content = parTableView_->verticalHeader()->length();
    bar->setRange(0, std::max(0, content - parTableView_->viewport()->height()));
    bar->setValue(keptScroll_);
}

// ------------------------------------------------------------------ table

bool RepairDiskViewController::isVolumeMounted() const
{
    return repairdisk::isVolumeMounted(selectVolume_.get());
}

int RepairDiskViewController::rowOf(const VolumeObjPtr& volume) const
{
    for (int row = 0; volume && row < allVolumeArr_.size(); ++row)
        if (isSameVolume(*allVolumeArr_.at(row), *volume))
            return row;
    return -1;
}

void RepairDiskViewController::ownChangeStarted(const VolumeObjPtr& volume)
{
    ownChange_ = volume;
    ownChangeEnded_ = false;
}

void RepairDiskViewController::ownChangeEnded(const VolumeObjPtr& volume, const QVariantMap& info)
{
    // The user chose another row (or changed another volume) meanwhile.
    if (!volume || ownChange_ != volume)
        return;
    // What the volume is now: a format gave it a new file system, and so a
    // new UUID; a copy, since the record may still be a row of the table.
    auto now = std::make_shared<VolumeObj>(*volume);
    if (!info.isEmpty()) {
        now->setVolumeUUID(info.value(QStringLiteral("VolumeUUID")).toString());
        now->setDiskUUID(info.value(QStringLiteral("DiskUUID")).toString());
    }
    ownChange_ = now;
    ownChangeEnded_ = true;
    // A scan under way, or the next one (the change's own mount brings it),
    // finds it; so does this table if it lists the volume as it is now.
    const int row = scan_.isScanV() || isRenameEdit_ ? -1 : rowOf(now);
    if (row < 0)
        return;
    ownChange_.reset();
    const int previous = selectIndex_;
    selectIndex_ = row;
    selectVolume_ = allVolumeArr_.at(row);
    rebuildRows(previous == row ? QList<int>{row} : QList<int>{previous, row});
}

void RepairDiskViewController::selectRow(int row)
{
    if (row < 0 || row >= allVolumeArr_.size())
        return;
    // The user's own choice: no longer the volume a change of ours follows.
    ownChange_.reset();
    // Only the row left and the row chosen change how they look; rebuilding
    // every row's views would stop the window for a long list.
    const int previous = selectIndex_;
    selectIndex_ = row;
    isRenameEdit_ = false;
    selectVolume_ = allVolumeArr_.at(row);
    rebuildRows(previous == row ? QList<int>{row} : QList<int>{previous, row});
}

void RepairDiskViewController::rebuildRows(const QList<int>& rows)
{
    for (int row : rows) {
        if (row < 0 || row >= allVolumeArr_.size() || !model_->index(row, 0).isValid())
            continue;
        parTableView_->setRowHeight(row, repairdisk::rowHeight(row == selectIndex_));
        parTableView_->setIndexWidget(model_->index(row, 0), buildRow(row));
    }
    parTableView_->setSelectNum(selectIndex_);
}

void RepairDiskViewController::reloadTable()
{
    static_cast<VolumeTableModel*>(model_)->reload();
    for (int row = 0; row < allVolumeArr_.size(); ++row) {
        parTableView_->setRowHeight(row, repairdisk::rowHeight(row == selectIndex_));
        parTableView_->setIndexWidget(model_->index(row, 0), buildRow(row));
    }
    parTableView_->setSelectNum(selectIndex_);
}

RepairDiskTableCellView* RepairDiskViewController::rowView(int row) const
{
    if (row < 0 || row >= allVolumeArr_.size())
        return nullptr;
    return qobject_cast<RepairDiskTableCellView*>(parTableView_->indexWidget(model_->index(row, 0)));
}

TextImageButton* RepairDiskViewController::rowButton(int row, const QString& identifier) const
{
    RepairDiskTableCellView* cell = rowView(row);
    return cell ? cell->findChild<TextImageButton*>(identifier) : nullptr;
}

QLineEdit* RepairDiskViewController::renameField(int row) const
{
    RepairDiskTableCellView* cell = rowView(row);
    return cell ? cell->findChild<QLineEdit*>(QStringLiteral("editname")) : nullptr;
}

QWidget* RepairDiskViewController::buildRow(int row)
{
    const VolumeObj& volume = *allVolumeArr_.at(row);
    const bool selected = row == selectIndex_;
    const bool renaming = selected && isRenameEdit_;

    auto* cell = new RepairDiskTableCellView;
    cell->resize(parTableView_->width() - 10, repairdisk::rowHeight(selected));
    cell->setIsSelect(selected);
    cell->onPressed = [this, row] { selectRow(row); };

    auto* image = new NamedImageView(QRect(34, 8, 32, 32), cell);
    image->setImageName(repairdisk::volumeImageName(volume));
    image->setAttribute(Qt::WA_TransparentForMouseEvents);

    QLabel* name = toolkit::makeLabel(cell, QRect(80, 5, 320, 22), volume.volumeName(), toolkit::regularFont(15),
                                      toolkit::whiteAlpha(1.0f));
    name->setObjectName(QStringLiteral("name"));
    name->setToolTip(volume.volumeName().toHtmlEscaped());
    name->setVisible(!renaming);

    const QString type = repairdisk::typeText(volume.diskType());
    QLabel* typeLabel = toolkit::makeLabel(cell, QRect(80, 27, 240, 16), type, toolkit::lightFont(12),
                                           toolkit::whiteAlpha(0.6f));
    typeLabel->setObjectName(QStringLiteral("type"));
    typeLabel->setToolTip(type.toHtmlEscaped());

    const repairdisk::SizeText size = repairdisk::sizeText(volume.volumeFreeSize(), volume.volumeTotalSize());
    QLabel* sizeLabel = toolkit::makeLabel(cell, QRect(420, 13, 270, 22), QString(), toolkit::lightFont(12),
                                           toolkit::whiteAlpha(0.8f), Qt::AlignRight | Qt::AlignVCenter);
    sizeLabel->setObjectName(QStringLiteral("size"));
    toolkit::setTextWithBoldPart(sizeLabel, size.text, size.boldStart, size.boldLength, toolkit::BoldPart::LabelFont);
    sizeLabel->setToolTip(size.text.toHtmlEscaped());

    auto* editBg = new TextFiledBgView(cell);
    editBg->setObjectName(QStringLiteral("editnameview"));
    editBg->setGeometry(76, 5, 260, 26);
    auto* field = new QLineEdit(editBg);
    field->setObjectName(QStringLiteral("editname"));
    field->setGeometry(6, 0, 248, 26);
    field->setFrame(false);
    field->setFont(toolkit::lightFont(15));
    field->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; color: white; }"));
    field->setText(editStr_ && renaming ? *editStr_ : volume.volumeName());
    connect(field, &QLineEdit::textEdited, this, &RepairDiskViewController::controlTextDidChange);
    connect(field, &QLineEdit::returnPressed, this, &RepairDiskViewController::saveButtonAction, Qt::QueuedConnection);
    editBg->setVisible(renaming);
    if (renaming)
        QTimer::singleShot(0, field, [field] { field->setFocus(); });

    const bool mounted = selected && isVolumeMounted();
    if (selected)
        isMount_ = mounted;
    const QHash<repairdisk::RowButton, std::pair<QRect, void (RepairDiskViewController::*)()>> places = {
        {repairdisk::RowButton::Save, {QRect(344, 4, 64, 28), &RepairDiskViewController::saveButtonAction}},
        {repairdisk::RowButton::Open, {QRect(80, 52, 80, 28), &RepairDiskViewController::OpenButtonAction}},
        {repairdisk::RowButton::Mount, {QRect(168, 52, 80, 28), &RepairDiskViewController::mountButtonAction}},
        {repairdisk::RowButton::FristAid, {QRect(256, 52, 80, 28), &RepairDiskViewController::aidtButAction}},
        {repairdisk::RowButton::Rename, {QRect(344, 52, 80, 28), &RepairDiskViewController::renameButtonAction}},
        {repairdisk::RowButton::Format, {QRect(432, 52, 80, 28), &RepairDiskViewController::formatButtonAction}},
        {repairdisk::RowButton::Eject, {QRect(520, 52, 80, 28), &RepairDiskViewController::ejectButtonAction}},
    };
    for (repairdisk::RowButton which : repairdisk::rowButtons()) {
        const repairdisk::RowButtonState state = repairdisk::rowButtonState(which, volume, selected, isRenameEdit_, mounted);
        const auto& [frame, action] = places.value(which);
        TextImageButton* button = toolkit::makeTextButton(cell, frame, smallButtonSkin(), state.title, 12);
        button->setObjectName(repairdisk::rowButtonIdentifier(which));
        button->setButtonEnabled(state.enabled);
        button->setVisible(state.visible);
        // Queued: an action may run a modal dialog, during which a rescan
        // rebuilds the rows; the button must not be inside its own click then.
        connect(button, &QAbstractButton::clicked, this, action, Qt::QueuedConnection);
    }
    return cell;
}

// ------------------------------------------------------------------ row actions

void RepairDiskViewController::actionEnded(const QString& action, const repairdisk::CommandOutcome& outcome)
{
    // A refused password, or a name the volume cannot hold, changed nothing;
    // the user is told why the disk is as it was. (A format says it on its
    // own result dialog.)
    if ((outcome.refused || outcome.nameRefused) && action != QLatin1String("format")) {
        QMessageBox alert(QMessageBox::Warning, QStringLiteral("磁盘工具"), outcome.error, QMessageBox::Ok, mainWindow());
        // The text may quote a name the user typed.
        alert.setTextFormat(Qt::PlainText);
        alert.exec();
    }
    if (onActionEnded)
        onActionEnded(action, outcome.succeeded);
}

void RepairDiskViewController::OpenButtonAction()
{
    if (selectVolume_ && !selectVolume_->volumeMountPoint().isEmpty())
        openFile_(selectVolume_->volumeMountPoint());
}

void RepairDiskViewController::mountButtonAction()
{
    if (!selectVolume_)
        return;
    const QString device = repairdisk::deviceOf(*selectVolume_);
    if (device.isEmpty())
        return;
    const bool wasMounted = isMount_;
    isMount_ = !isMount_;
    std::shared_ptr<bool> alive = alive_;
    platform::dispatch::global(platform::dispatch::Priority::Default, [this, alive, device, wasMounted] {
        const repairdisk::CommandOutcome outcome = repairdisk::runMountOrUnmount(device, wasMounted);
        platform::dispatch::main([this, alive, outcome, wasMounted] {
            if (!*alive)
                return;
            scan_.requestAfterChange();
            actionEnded(wasMounted ? QStringLiteral("unmount") : QStringLiteral("mount"), outcome);
        });
    });
}

void RepairDiskViewController::renameButtonAction()
{
    editStr_.reset();
    isRenameEdit_ = true;
    rebuildRows({selectIndex_});
}

void RepairDiskViewController::controlTextDidChange(const QString& text)
{
    if (QLineEdit* field = renameField(selectIndex_))
        field->setFont(toolkit::lightFont(15));
    editStr_ = text;
}

void RepairDiskViewController::saveButtonAction()
{
    const VolumeObjPtr volume = selectVolume_;
    const std::optional<QString> name = volume ? repairdisk::renameName(editStr_, volume->diskType()) : std::nullopt;
    editStr_.reset();
    isRenameEdit_ = false;
    rebuildRows({selectIndex_});
    if (!name)
        return;
    const QString device = repairdisk::deviceOf(*volume);
    // A name the volume's label cannot hold is refused before the utility
    // (and its password prompt) is asked.
    const std::optional<QString> refusal = repairdisk::nameRefusal(*name, volume->diskType());
    if (!refusal)
        ownChangeStarted(volume);
    std::shared_ptr<bool> alive = alive_;
    platform::dispatch::global(platform::dispatch::Priority::Default, [this, alive, volume, device, name, refusal] {
        const repairdisk::CommandOutcome outcome =
            refusal ? repairdisk::CommandOutcome{false, *refusal, false, true} : repairdisk::runRename(device, *name);
        // The name the file system took (the utility cuts it to its rules)
        // and where the volume is mounted now.
        QVariantMap info;
        if (outcome.succeeded)
            info = CVolumeMgr().EUGetDiskInfo(device);
        platform::dispatch::main([this, alive, volume, name, outcome, info] {
            if (!*alive)
                return;
            if (outcome.succeeded) {
                const QString taken = info.value(QStringLiteral("VolumeName")).toString();
                volume->setVolumeName(taken.isEmpty() ? *name : taken);
                if (info.contains(QStringLiteral("MountPoint")))
                    volume->setVolumeMountPoint(info.value(QStringLiteral("MountPoint")).toString());
                rebuildRows({int(allVolumeArr_.indexOf(volume))});
            }
            ownChangeEnded(volume, info);
            actionEnded(QStringLiteral("rename"), outcome);
        });
    });
}

void RepairDiskViewController::ejectButtonAction()
{
    if (!selectVolume_)
        return;
    const QString device = repairdisk::deviceOf(*selectVolume_);
    if (device.isEmpty())
        return;
    std::shared_ptr<bool> alive = alive_;
    platform::dispatch::global(platform::dispatch::Priority::Default, [this, alive, device] {
        const repairdisk::CommandOutcome outcome = repairdisk::runEject(device);
        platform::dispatch::main([this, alive, outcome] {
            if (!*alive)
                return;
            scan_.requestAfterChange();
            actionEnded(QStringLiteral("eject"), outcome);
        });
    });
}

// ------------------------------------------------------------------ First Aid

void RepairDiskViewController::setAidLaunchDelay(int ms)
{
    aidRun_.setLaunchDelay(ms);
}

void RepairDiskViewController::aidtButAction()
{
    if (!selectVolume_)
        return;
    aidVolume_ = selectVolume_;
    fristAidVC_ = std::make_unique<FristAidViewController>();
    fristAidVC_->setDelegate(this);
    fristAidVC_->changeAidDiskName(aidVolume_->volumeName());
    FristAidViewController* vc = fristAidVC_.get();
    toolkit::runDialog(vc->view(), mainWindow(), [vc](StatusAttachedWindow* w) { vc->setSuperDelegate(w); }, 0, 3,
                       0.0f);
}

void RepairDiskViewController::checkDiskAction()
{
    // After the question's own modal run has ended.
    std::shared_ptr<bool> alive = alive_;
    platform::dispatch::main([this, alive] {
        if (*alive)
            startAid(false);
    });
}

void RepairDiskViewController::repairDiskAction()
{
    std::shared_ptr<bool> alive = alive_;
    platform::dispatch::main([this, alive] {
        if (*alive)
            startAid(true);
    });
}

void RepairDiskViewController::startAid(bool repair)
{
    const VolumeObjPtr volume = aidVolume_;
    if (!volume)
        return;
    showAidVC_ = std::make_unique<ShowAidViewControllrt>();
    showAidVC_->setDelegate(this);
    showAidVC_->setVolumeName(volume->volumeName(), repair);
    ShowAidViewControllrt* vc = showAidVC_.get();
    aidRun_.start(repair, repairdisk::deviceOf(*volume));
    toolkit::runDialog(vc->view(), mainWindow(), [vc](StatusAttachedWindow* w) { vc->setSuperDelegate(w); }, 0,
                       repair ? 3 : 1, repair ? 0.0f : 5.0f);
}

void RepairDiskViewController::closeShowAidWindow()
{
    scan_.requestAfterChange();
}

// ------------------------------------------------------------------ Format

void RepairDiskViewController::formatButtonAction()
{
    if (!selectVolume_)
        return;
    formatVolume_ = selectVolume_;
    makeSureFormatVC_ = std::make_unique<MakeSureFormatViewController>(nullptr, pickerCloseMs_);
    makeSureFormatVC_->setDelegate(this);
    makeSureFormatVC_->setName(formatVolume_->volumeName(), formatVolume_->diskType());
    MakeSureFormatViewController* vc = makeSureFormatVC_.get();
    toolkit::runDialog(vc->view(), mainWindow(), [vc](StatusAttachedWindow* w) { vc->setSuperDelegate(w); }, -3);
}

void RepairDiskViewController::makeSureToFormatSelectVolumeWithName(const QString& name, const QString& type)
{
    const VolumeObjPtr volume = formatVolume_;
    if (!volume) {
        if (makeSureFormatVC_)
            makeSureFormatVC_->closeWindow();
        return;
    }
    platform::log(QStringLiteral("-----:::::%1----::%2").arg(type, volume->diskType()));
    const bool byReformat = repairdisk::formatsByReformat(volume->diskType());
    const QString sentName = byReformat ? name : repairdisk::formatName(name, type);
    const QString device = repairdisk::deviceOf(*volume);
    formatName_ = volume->volumeName();
    formatType_ = byReformat ? volume->diskType() : type;
    // A name the new file system cannot hold is refused before anything
    // runs, and the result dialog says why.
    const std::optional<QString> refusal = byReformat ? std::nullopt : repairdisk::nameRefusal(sentName, type);
    if (!refusal)
        ownChangeStarted(volume);
    std::shared_ptr<bool> alive = alive_;
    platform::dispatch::global(platform::dispatch::Priority::Default,
                               [this, alive, volume, device, type, sentName, byReformat, refusal] {
        const repairdisk::CommandOutcome outcome =
            refusal ? repairdisk::CommandOutcome{false, *refusal, false, true}
                    : repairdisk::runFormat(device, type, sentName, byReformat);
        // The file system the volume holds now, and so its UUID.
        QVariantMap info;
        if (!outcome.refused && !outcome.nameRefused)
            info = CVolumeMgr().EUGetDiskInfo(device);
        platform::dispatch::main([this, alive, volume, outcome, info] {
            if (!*alive)
                return;
            ownChangeEnded(volume, info);
            formatSucceeded_ = outcome.succeeded;
            formatReason_ = outcome.error;
            if (makeSureFormatVC_)
                makeSureFormatVC_->closeWindow();
            std::shared_ptr<bool> stillAlive = alive_;
            platform::dispatch::after(500, [this, stillAlive] {
                if (*stillAlive)
                    showFormatEndWindow();
            });
            actionEnded(QStringLiteral("format"), outcome);
        });
    });
}

void RepairDiskViewController::showFormatEndWindow()
{
    makeSureFormatVC_.reset();
    formatEndVC_ = std::make_unique<FormatEndViewController>();
    formatEndVC_->setResult(formatName_, formatType_, formatSucceeded_, formatReason_);
    FormatEndViewController* vc = formatEndVC_.get();
    toolkit::runDialog(vc->view(), mainWindow(), [vc](StatusAttachedWindow* w) { vc->setSuperDelegate(w); }, -3);
}
