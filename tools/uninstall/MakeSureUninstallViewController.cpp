#include "MakeSureUninstallViewController.h"

#include "UninstallCell.h"

#include "toolkit/CustemOutlineView.h"
#include "toolkit/ImageCache.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"
#include "toolkit/ModalDialog.h"
#include "toolkit/RFOverlayScrollView.h"
#include "toolkit/TextImageButton.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace {

constexpr int kRowHeight = 36;
constexpr quintptr kGroupRow = 0; // internal id of a group row; members carry group + 1

// The tick box of a tree row: the row's box image, 16 × 16 at the start of
// the cell; a click released on it reports the row.
class TreeCheckDelegate : public QStyledItemDelegate {
public:
    using Image = std::function<QString(const QModelIndex&)>;
    using Click = std::function<void(const QModelIndex&)>;
    TreeCheckDelegate(Image image, Click click, QObject* parent)
        : QStyledItemDelegate(parent), image_(std::move(image)), click_(std::move(click))
    {
    }

    static QRect boxFor(const QRect& cell) { return QRect(cell.x() + 4, cell.y() + (cell.height() - 16) / 2, 16, 16); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        painter->save();
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        toolkit::ImageCache::iconNamed(image_(index)).paint(painter, boxFor(option.rect), Qt::AlignCenter);
        painter->restore();
    }

    bool editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override
    {
        if (event->type() != QEvent::MouseButtonRelease)
            return false;
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !boxFor(option.rect).adjusted(-4, -4, 4, 4).contains(mouse->position().toPoint()))
            return false;
        click_(index);
        return true;
    }

private:
    Image image_;
    Click click_;
};

} // namespace

// ---------------------------------------------------------------- the tree's model

ConfirmationTreeModel::ConfirmationTreeModel(const ConfirmationTicks& ticks, QObject* parent)
    : QAbstractItemModel(parent), ticks_(ticks)
{
}

QString ConfirmationTreeModel::identifier(int column)
{
    static const QStringList ids{QStringLiteral("CheckBox"), QStringLiteral("Name"), QStringLiteral("Size")};
    return ids.value(column);
}

int ConfirmationTreeModel::groupOf(const QModelIndex& index) const
{
    return index.isValid() && index.internalId() == kGroupRow ? index.row() : -1;
}

AMAppItemPtr ConfirmationTreeModel::memberOf(const QModelIndex& index) const
{
    if (!index.isValid() || index.internalId() == kGroupRow)
        return {};
    const int group = static_cast<int>(index.internalId() - 1);
    if (group < 0 || group >= ticks_.groups().size())
        return {};
    return ticks_.groups().at(group).value(index.row());
}

QModelIndex ConfirmationTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || column < 0 || column >= ColumnCount)
        return {};
    if (!parent.isValid())
        return row < ticks_.groups().size() ? createIndex(row, column, kGroupRow) : QModelIndex();
    const int group = groupOf(parent);
    if (group < 0 || row >= ticks_.groups().at(group).size())
        return {};
    return createIndex(row, column, quintptr(group) + 1);
}

QModelIndex ConfirmationTreeModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == kGroupRow)
        return {};
    return createIndex(static_cast<int>(child.internalId() - 1), 0, kGroupRow);
}

int ConfirmationTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return static_cast<int>(ticks_.groups().size());
    if (parent.column() != 0)
        return 0;
    const int group = groupOf(parent);
    return group < 0 ? 0 : static_cast<int>(ticks_.groups().at(group).size());
}

int ConfirmationTreeModel::columnCount(const QModelIndex&) const
{
    return ColumnCount;
}

QVariant ConfirmationTreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::SizeHintRole)
        return QSize(-1, kRowHeight);
    const int group = groupOf(index);
    if (role == Qt::ToolTipRole) {
        // Rows of one name ("music" under ~/.config and under ~/.cache) are
        // told apart by where they are. Escaped and kept on one line.
        const AMAppItemPtr item = group >= 0 ? ticks_.groups().at(group).value(0) : memberOf(index);
        if (!item || item->path.isEmpty())
            return {};
        return QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(item->path.toHtmlEscaped());
    }
    if (role != Qt::DisplayRole)
        return {};
    if (group >= 0) {
        const AMAppItemList& members = ticks_.groups().at(group);
        if (index.column() == NameColumn)
            return members.isEmpty() ? QString() : members.first()->name;
        return ConfirmationTicks::groupSize(members);
    }
    const AMAppItemPtr item = memberOf(index);
    if (!item)
        return {};
    switch (index.column()) {
    case NameColumn:
        return item->name;
    case SizeColumn:
        return item->size;
    default:
        return {};
    }
}

QVariant ConfirmationTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn:
        return QStringLiteral("名称");
    case SizeColumn:
        return QStringLiteral("大小");
    default:
        return QString();
    }
}

Qt::ItemFlags ConfirmationTreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Only the name and the tick box take part; nothing is editable.
    if (index.column() == SizeColumn)
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void ConfirmationTreeModel::reloadData()
{
    beginResetModel();
    endResetModel();
}

void ConfirmationTreeModel::ticksChanged()
{
    const int groups = static_cast<int>(ticks_.groups().size());
    if (groups == 0)
        return;
    emit dataChanged(index(0, 0), index(groups - 1, ColumnCount - 1));
    for (int g = 0; g < groups; ++g) {
        const QModelIndex parent = index(g, 0);
        const int members = rowCount(parent);
        if (members > 0)
            emit dataChanged(index(0, 0, parent), index(members - 1, ColumnCount - 1, parent));
    }
}

// ---------------------------------------------------------------- the dialog

MakeSureUninstallViewController::MakeSureUninstallViewController(const QList<AMAppItemList>& groups, QObject* parent)
    : QObject(parent), ticks_(groups)
{
    loadView();
}

MakeSureUninstallViewController::~MakeSureUninstallViewController()
{
    if (deleteExecutor_)
        deleteExecutor_->setDelegate(nullptr);
    uninstallPVC_.reset();
    delete view_.data();
}

void MakeSureUninstallViewController::loadView()
{
    view_ = new QWidget;
    view_->resize(kWidth, kHeight);
    toolkit::makeLabel(view_, QRect(28, 20, kWidth - 56, 26), QStringLiteral("确定要卸载以下项目吗？"),
                       toolkit::regularFont(16), toolkit::whiteAlpha(1.0f));
    toolkit::makeLabel(view_, QRect(28, 48, kWidth - 56, 20), QStringLiteral("已勾选的项目和关联文件将被删除，取消勾选要保留的文件。"),
                       toolkit::lightFont(13), toolkit::whiteAlpha(0.6f));

    // The thin overlay scroller of every other list, not the classic bar.
    auto* scroller = new RFOverlayScrollView(QRect(20, 80, kWidth - 40, kHeight - 80 - 76), view_);
    outlineView_ = new CustemOutlineView(scroller);
    model_ = new ConfirmationTreeModel(ticks_, this);
    outlineView_->setModel(model_);
    outlineView_->_setupHeaderCell();
    outlineView_->setUniformRowHeights(true);
    outlineView_->setIndentation(20);
    outlineView_->setExpandsOnDoubleClick(false);
    outlineView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    outlineView_->header()->setStretchLastSection(false);
    outlineView_->header()->setSectionResizeMode(QHeaderView::Fixed);
    outlineView_->header()->setSectionsClickable(false);
    outlineView_->setColumnWidth(ConfirmationTreeModel::CheckBoxColumn, 64);
    outlineView_->setColumnWidth(ConfirmationTreeModel::NameColumn, 356);
    outlineView_->setColumnWidth(ConfirmationTreeModel::SizeColumn, 120);

    auto* check = new TreeCheckDelegate(
        [this](const QModelIndex& index) {
            const int group = model_->groupOf(index);
            return group >= 0 ? ticks_.groupImageName(group) : ticks_.memberImageName(model_->memberOf(index));
        },
        [this](const QModelIndex& index) { selectRemoveLanguage(index); }, outlineView_);
    outlineView_->setItemDelegateForColumn(ConfirmationTreeModel::CheckBoxColumn, check);

    auto* name = new UninstallCellItemDelegate(outlineView_);
    name->setWillDisplay([this](UninstallCell& cell, const QModelIndex& index) {
        const int group = model_->groupOf(index);
        const AMAppItemPtr item = group >= 0 ? ticks_.groups().at(group).value(0) : model_->memberOf(index);
        if (!item)
            return;
        cell.setImage(item->image);
        cell.setTitle(item->name);
        cell.setFont(group >= 0 ? toolkit::regularFont(14) : toolkit::lightFont(13));
        cell.setTextColor(toolkit::whiteAlpha(group >= 0 ? 1.0f : 0.85f));
    });
    outlineView_->setItemDelegateForColumn(ConfirmationTreeModel::NameColumn, name);

    auto* size = new UninstallCellItemDelegate(outlineView_);
    size->setWillDisplay([this](UninstallCell& cell, const QModelIndex& index) {
        cell.setTitle(model_->data(index, Qt::DisplayRole).toString());
        cell.setFont(toolkit::lightFont(12));
        cell.setTextColor(toolkit::whiteAlpha(0.6f));
    });
    outlineView_->setItemDelegateForColumn(ConfirmationTreeModel::SizeColumn, size);

    connect(outlineView_, &QAbstractItemView::doubleClicked, this, &MakeSureUninstallViewController::openOrClose);
    connect(outlineView_, &QAbstractItemView::pressed, this, [this](const QModelIndex& index) {
        // The row as the tree shows it now, counting the open groups' members.
        int row = 0;
        for (QModelIndex above = outlineView_->indexAbove(index.sibling(index.row(), 0)); above.isValid();
             above = outlineView_->indexAbove(above))
            ++row;
        outlineView_->setRowNum(row);
        outlineView_->viewport()->update();
    });

    cancelButton_ = toolkit::makeTextButton(view_, QRect(kWidth - 28 - 110 - 14 - 110, kHeight - 24 - 36, 110, 36),
                                            toolkit::secondaryButtonSkin(), QStringLiteral("取消"));
    connect(cancelButton_, &QAbstractButton::clicked, this, &MakeSureUninstallViewController::clickedCancelBtn);
    uninstallButton_ = toolkit::makeTextButton(view_, QRect(kWidth - 28 - 110, kHeight - 24 - 36, 110, 36),
                                               toolkit::primaryButtonSkin(), QStringLiteral("卸载"));
    connect(uninstallButton_, &QAbstractButton::clicked, this, &MakeSureUninstallViewController::clickedDeleteBtn);
    uninstallButton_->setButtonEnabled(ticks_.hasTicks());

    scroller->setDocumentView(outlineView_);

    if (!ticks_.groups().isEmpty())
        outlineView_->expand(model_->index(0, 0));
}

void MakeSureUninstallViewController::selectRemoveLanguage(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    outlineView_->setCurrentIndex(index);
    const int group = model_->groupOf(index);
    if (group >= 0) {
        selectCell_ = ticks_.groups().at(group).value(0);
        ticks_.toggleGroup(group);
    } else {
        selectCell_ = model_->memberOf(index);
        ticks_.toggleMember(selectCell_);
    }
    uninstallButton_->setButtonEnabled(ticks_.hasTicks());
    model_->ticksChanged();
    outlineView_->viewport()->update();
}

void MakeSureUninstallViewController::openOrClose(const QModelIndex& index)
{
    const QModelIndex row = index.sibling(index.row(), 0);
    if (model_->groupOf(row) < 0)
        return;
    outlineView_->setExpanded(row, !outlineView_->isExpanded(row));
}

void MakeSureUninstallViewController::clickedDeleteBtn()
{
    confirmed_ = ticks_.hasTicks();
    closeWindow();
    QTimer::singleShot(removeDelayMs_, this, &MakeSureUninstallViewController::doRemove);
}

void MakeSureUninstallViewController::clickedCancelBtn()
{
    closeWindow();
}

void MakeSureUninstallViewController::closeWindow()
{
    if (superDelegate_)
        superDelegate_->close();
}

void MakeSureUninstallViewController::doRemove()
{
    if (!ticks_.hasTicks() || running_) {
        confirmed_ = running_;
        return;
    }
    confirmed_ = true;
    if (!deleteExecutor_) {
        deleteExecutor_ = std::make_unique<AsMDeleteExecutor>();
        deleteExecutor_->setDelegate(this);
    }
    selectedRelatedFiles_ = ticks_.selectDeletePath();
    removed_.clear();
    failed_.clear();
    tally_.start(static_cast<int>(selectedRelatedFiles_.size()));
    running_ = true;
    endAsked_ = false;
    deleteExecutor_->executeDelete(selectedRelatedFiles_);
    showProgress();
}

void MakeSureUninstallViewController::showProgress()
{
    // The previous dialog's title bar may still be unwinding its click.
    if (uninstallPVC_)
        uninstallPVC_.release()->deleteLater();
    uninstallPVC_ = std::make_unique<UninstallProgressViewController>();
    uninstallPVC_->setDelegate(this);
    UninstallProgressViewController* progress = uninstallPVC_.get();
    // Told before the dialog runs: the removal may already be under way by
    // the time its modal loop turns, and its first reports must not be missed.
    if (progressHook_)
        progressHook_(progress);
    toolkit::runDialog(
        progress->view(), mainWindow_, [progress](StatusAttachedWindow* window) { progress->setSuperDelegate(window); },
        -3);
}

void MakeSureUninstallViewController::deleteRelatedFile(const AMAppItemPtr& item)
{
    outcome(item, true);
}

void MakeSureUninstallViewController::deleteRelatedFileFail(const AMAppItemPtr& item)
{
    outcome(item, false);
}

void MakeSureUninstallViewController::outcome(const AMAppItemPtr& item, bool removed)
{
    if (!running_)
        return;
    (removed ? removed_ : failed_).append(item);
    const UninstallTally::Step step = tally_.record(item, removed);
    // A progress dialog the user has closed hears nothing more.
    if (uninstallPVC_ && !endAsked_) {
        if (step.percent >= 100)
            uninstallPVC_->changeLabel(tally_.endMessage(), !tally_.isFail());
        uninstallPVC_->changeProgressValue(step.percent, item ? item->path : QString());
    }
    if (step.finished) {
        running_ = false;
        finishIfDone();
    }
}

void MakeSureUninstallViewController::uninstallEnd()
{
    endAsked_ = true;
    finishIfDone();
}

void MakeSureUninstallViewController::finishIfDone()
{
    // The screen hears of the end once the user has closed the progress and
    // every item has reported, whichever comes last.
    if (running_ || !endAsked_)
        return;
    endAsked_ = false;
    confirmed_ = false;
    ticks_.clear();
    model_->reloadData();
    if (delegate_)
        delegate_->completeCleanRelatedFiles();
    clickedCancelBtn();
}
