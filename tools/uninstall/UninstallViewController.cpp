#include "UninstallViewController.h"

#include "ImageTextCell.h"
#include "SearchBgView.h"
#include "UninstallTable.h"

#include "platform/Dispatch.h"
#include "platform/Removal.h"
#include "toolkit/CheckButtonCell.h"
#include "toolkit/Coordinates.h"
#include "toolkit/CustomHeaderCell.h"
#include "toolkit/CustomTableView.h"
#include "toolkit/DropDownHost.h"
#include "toolkit/ImageAndTextCell.h"
#include "toolkit/MAAttachedWindow.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"
#include "toolkit/ModalDialog.h"
#include "toolkit/NamedImageView.h"
#include "toolkit/RFOverlayScrollView.h"
#include "toolkit/RightBgView.h"
#include "toolkit/TCImageButton.h"
#include "toolkit/TextImageButton.h"
#include "toolkit/ToolArea.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>

using toolkit::kToolHeight;
using toolkit::kToolWidth;

namespace {

const QStringList kSmallSkin{QStringLiteral("btn_s_normal"), QStringLiteral("btn_s_normal"),
                             QStringLiteral("btn_s_hover"), QStringLiteral("btn_s_disable")};
const QStringList kMainSkin{QStringLiteral("btn_main"), QStringLiteral("btn_main_press"),
                            QStringLiteral("btn_main_press"), QStringLiteral("btn_main_disable")};

// The kind switcher's origin, measured from the tool area's bottom-left.
constexpr int kSegmentX = 20;
constexpr int kSegmentY = 544;
constexpr int kListTop = 48;
constexpr int kListHeight = 452;

} // namespace

UninstallViewController::UninstallViewController(QObject* parent)
    : QObject(parent), list_([this](int kind) -> AMAppItemList& { return engine_.sourceList(kind); })
{
    engine_.setListener(this);
    loadView();
    list_.setKind(UninstallList::Applications);
    retitleHeader();
    changeSelectAllButtonState();
    scanStarted();
    engine_.begimScanFile();
}

UninstallViewController::~UninstallViewController()
{
    engine_.setListener(nullptr);
    delete sortControl_;
    sortControl_ = nullptr;
    makeSureUninstallVC_.reset();
    typeSegment_.reset();
    delete view_.data();
}

QWidget* UninstallViewController::mainWindow() const
{
    return view_ ? view_->window() : nullptr;
}

// ---------------------------------------------------------------- set-up

void UninstallViewController::loadView()
{
    view_ = new RightBgView;
    view_->resize(kToolWidth, kToolHeight);
    setupTopBar();
    setupTable();
    setupBottomBar();
}

void UninstallViewController::setupTopBar()
{
    typeSegment_ = std::make_unique<CustemSegmentVC>();
    typeSegment_->setDelegate(this);
    QWidget* segment = typeSegment_->view();
    segment->setParent(view_);
    segment->move(toolkit::flipRect(QRectF(QPointF(kSegmentX, kSegmentY), segment->size()), kToolHeight)
                      .topLeft()
                      .toPoint());
    segment->show();

    searchBg_ = new SearchBgView(view_);
    searchBg_->move(388, 10);
    searchBarIcon_ = new NamedImageView(QRect(8, 4, 16, 16), searchBg_);
    searchBarIcon_->setImageName(QStringLiteral("ic_search"));
    searchBarIcon_->setAttribute(Qt::WA_TransparentForMouseEvents);
    searchTextFiled_ = new CustemTextField(searchBg_);
    searchTextFiled_->setGeometry(30, 0, SearchBgView::kWidth - 30 - 26, SearchBgView::kHeight);
    searchTextFiled_->setPlaceholder(QStringLiteral("搜索"));
    searchTextFiled_->setCTdelegate(this);
    connect(searchTextFiled_, &QLineEdit::textChanged, this, [this] { controlTextDidChange(); });
    connect(searchTextFiled_, &QLineEdit::editingFinished, this, [this] { controlTextDidEndEditing(); });
    closeSearchButton_ = new TCImageButton(QRect(SearchBgView::kWidth - 22, 4, 16, 16), searchBg_);
    closeSearchButton_->setButtonEnabled(true);
    closeSearchButton_->setImageFromFileNormalName(QStringLiteral("ic_close"), QStringLiteral("ic_close_press"),
                                                   QStringLiteral("ic_close_hover"), QStringLiteral("ic_close"));
    closeSearchButton_->hide();
    connect(closeSearchButton_, &QAbstractButton::clicked, this, [this] { closeSearchButton(); });

    // The sort control; its list hangs below it.
    sortControl_ = new SortControl(QRect(596, 10, 120, 24), view_, SortControl::Opens::Below);
    // On the main thread, where the rows live: a search made meanwhile is
    // never overwritten by an older order.
    sortControl_->onChoice = [this](int sortType, int sortAD) {
        list_.sortBy(sortType, sortAD);
        reloadTable();
    };
}

void UninstallViewController::setupTable()
{
    listViewTabel_ = new CustomTableView;
    model_ = new UninstallTableModel(list_, this);
    listViewTabel_->setModel(model_);
    listViewTabel_->_setupHeaderCell();
    listViewTabel_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    listViewTabel_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    listViewTabel_->horizontalHeader()->setSectionsClickable(true);
    const int widths[] = {45, 320, 120, 130, 115};
    for (int c = 0; c < UninstallTableModel::ColumnCount; ++c)
        listViewTabel_->setColumnWidth(c, widths[c]);
    connect(listViewTabel_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &UninstallViewController::tableViewDidClickTableColumn);

    auto* check = new CheckButtonCellItemDelegate(listViewTabel_);
    check->setWillDisplay([this](CheckButtonCell& cell, const QModelIndex& index) {
        const AMAppItemPtr item = list_.at(index.row());
        cell.setTag(index.row());
        cell.setImage(toolkit::ImageCache::iconNamed(list_.isTicked(item) ? QStringLiteral("checkbox_yes")
                                                                          : QStringLiteral("checkbox_no")));
        cell.setAction([this](CheckButtonCell& c) { clickButtonAction(c.tag()); });
    });
    listViewTabel_->setItemDelegateForColumn(UninstallTableModel::CheckBoxColumn, check);

    auto* name = new ImageTextCellItemDelegate(listViewTabel_);
    name->setWillDisplay([this](ImageTextCell& cell, const QModelIndex& index) {
        const AMAppItemPtr item = list_.at(index.row());
        if (!item)
            return;
        cell.setIconImage(item->image);
        cell.setPrimaryTextKeyPath(item->name);
        cell.setSecondaryTextKeyPath(item->bundleID);
    });
    listViewTabel_->setItemDelegateForColumn(UninstallTableModel::AppNameColumn, name);

    auto* version = new ImageAndTextCellItemDelegate(listViewTabel_);
    version->prototype().setColor(toolkit::colorOf(255, 255, 255, 0.6f));
    version->setWillDisplay([this](ImageAndTextCell& cell, const QModelIndex& index) {
        if (const AMAppItemPtr item = list_.at(index.row()))
            cell.setTitle(item->bundleVersion, 0, 120);
    });
    listViewTabel_->setItemDelegateForColumn(UninstallTableModel::VersionColumn, version);

    auto* size = new ImageAndTextCellItemDelegate(listViewTabel_);
    size->prototype().setColor(toolkit::colorOf(249, 249, 255, 1.0f));
    size->setWillDisplay([this](ImageAndTextCell& cell, const QModelIndex& index) {
        const AMAppItemPtr item = list_.at(index.row());
        if (!item)
            return;
        // Shown for the first time: measured now, drawn again when known.
        if (!item->bIsGetSize)
            engine_.measureSize(item);
        cell.setTitle(item->size, 0, 120);
    });
    listViewTabel_->setItemDelegateForColumn(UninstallTableModel::SizeColumn, size);

    auto* trash = new TrashCellDelegate(listViewTabel_);
    trash->hoverRow = [this] { return selectRow_; };
    trash->onClick = [this](int row) { oneAppRemove(row); };
    listViewTabel_->setItemDelegateForColumn(UninstallTableModel::UninstallColumn, trash);

    connect(listViewTabel_, &QAbstractItemView::pressed, this,
            [this](const QModelIndex& index) { shouldSelectRow(index.row()); });
    connect(listViewTabel_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!listViewTabel_->selectionModel()->hasSelection())
            selectRow_ = -1;
    });

    auto* scroller = new RFOverlayScrollView(QRect(0, kListTop, kToolWidth, kListHeight), view_);
    scroller->setDocumentView(listViewTabel_);
}

void UninstallViewController::setupBottomBar()
{
    selectAllBut_ = toolkit::makeTextButton(view_, QRect(20, 516, 80, 30), kSmallSkin, QStringLiteral("全选"), 12);
    connect(selectAllBut_, &QAbstractButton::clicked, this, &UninstallViewController::selectAllButtonAction);
    refButton_ = toolkit::makeTextButton(view_, QRect(108, 516, 80, 30), kSmallSkin, QStringLiteral("刷新"), 12);
    connect(refButton_, &QAbstractButton::clicked, this, &UninstallViewController::refButtonAction);

    selectCountLabel_ = new QLabel(view_);
    selectCountLabel_->setGeometry(204, 518, 320, 26);
    selectCountLabel_->setFont(toolkit::lightFont(13));
    selectCountLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    toolkit::setLabelColor(selectCountLabel_, toolkit::whiteAlpha(0.7f));

    uninstallButton_ = toolkit::makeTextButton(view_, QRect(550, 508, 160, 46), kMainSkin, QStringLiteral("卸载"), 16);
    uninstallButton_->setButtonEnabled(false);
    connect(uninstallButton_, &QAbstractButton::clicked, this, &UninstallViewController::uninstallAppButtonAction);
}

// ---------------------------------------------------------------- the engine's reports

void UninstallViewController::scanStarted()
{
    typeSegment_->setSegmentEndit(false);
    refButton_->setButtonEnabled(false);
}

void UninstallViewController::applicationAdded(const AMAppItemPtr& item)
{
    list_.applicationAdded(item);
    reloadTable();
}

void UninstallViewController::selectionCleared(int kind)
{
    list_.clearSelection(kind);
}

void UninstallViewController::scanFinished()
{
    list_.reloadFromSource();
    reloadTable();
    changeSelectAllButtonState();
    typeSegment_->setSegmentEndit(true);
    refButton_->setButtonEnabled(true);
    retitleHeader();
}

void UninstallViewController::refreshFinished(int kind)
{
    if (kind != list_.appsType())
        return;
    list_.reloadFromSource();
    reloadTable();
    retitleHeader();
    changeSelectAllButtonState();
}

void UninstallViewController::sizeMeasured(const AMAppItemPtr& item)
{
    model_->reloadCell(list_.rowOf(item), UninstallTableModel::SizeColumn);
}

void UninstallViewController::refButtonAction()
{
    if (engine_.isScan())
        return;
    engine_.refButtonAction(list_.appsType());
    list_.reloadFromSource();
    reloadTable();
    retitleHeader();
    changeSelectAllButtonState();
}

// ---------------------------------------------------------------- kinds, search, sort

void UninstallViewController::reloadTable()
{
    model_->reloadData();
    listViewTabel_->viewport()->update();
}

void UninstallViewController::retitleHeader()
{
    model_->setAppNameTitle(list_.headerTitle());
    listViewTabel_->_setupHeaderCell();
    applySortIndicator();
}

void UninstallViewController::applySortIndicator()
{
    CustomHeaderView* header = listViewTabel_->customHeader();
    for (int c = 0; c < header->cellCount(); ++c)
        header->headerCell(c)->setSortAscending(c == aTableColumn_ ? sortIndicatorAscending_ : true,
                                                c == aTableColumn_ ? 0 : 1);
    header->viewport()->update();
}

void UninstallViewController::segmentSelectWithIndex(int kind)
{
    if (!searchTextFiled_->text().isEmpty()) {
        const QSignalBlocker quiet(searchTextFiled_);
        searchTextFiled_->clear();
    }
    if (!searchTextFiled_->hasFocus()) {
        closeSearchButton_->hide();
        searchBarIcon_->show();
    }
    list_.setKind(kind);
    retitleHeader();
    reloadTable();
    changeSelectAllButtonState();
}

void UninstallViewController::beginToEnditForTextField()
{
    searchBarIcon_->hide();
    closeSearchButton_->show();
    searchBg_->update();
}

void UninstallViewController::controlTextDidChange()
{
    list_.search(searchTextFiled_->text());
    retitleHeader();
    reloadTable();
    changeSelectAllButtonState();
}

void UninstallViewController::controlTextDidEndEditing()
{
    searchBg_->update();
    if (searchTextFiled_->text().isEmpty()) {
        closeSearchButton_->hide();
        searchBarIcon_->show();
    }
}

void UninstallViewController::closeSearchButton()
{
    {
        const QSignalBlocker quiet(searchTextFiled_);
        searchTextFiled_->clear();
    }
    searchTextFiled_->clearFocus();
    searchBg_->update();
    list_.showAll();
    closeSearchButton_->hide();
    searchBarIcon_->show();
    reloadTable();
    retitleHeader();
    changeSelectAllButtonState();
}

void UninstallViewController::tableViewDidClickTableColumn(int column)
{
    if (engine_.isScan())
        return;
    if (!list_.sortByColumn(UninstallTableModel::identifier(column)))
        return;
    reloadTable();
    // The direction just used is the opposite of the next one.
    aTableColumn_ = column;
    sortIndicatorAscending_ = !list_.isSort();
    applySortIndicator();
    reloadTable();
}

FileEraserSortVC* UninstallViewController::fileEraserSortVC() const
{
    return sortControl_->sortVC();
}

void UninstallViewController::sortButtonAction()
{
    sortControl_->sortButtonAction();
}

void UninstallViewController::closeMattachedWindow()
{
    sortControl_->closeMattachedWindow();
}

void UninstallViewController::mouseEixtView(bool exited)
{
    sortControl_->mouseEixtView(exited);
}

void UninstallViewController::selectSortbyType(int sortType, int sortAD)
{
    sortControl_->selectSortbyType(sortType, sortAD);
}

// ---------------------------------------------------------------- ticks and counters

void UninstallViewController::shouldSelectRow(int row)
{
    selectRow_ = row;
    listViewTabel_->setRowNum(row);
    listViewTabel_->viewport()->update();
}

void UninstallViewController::clickButtonAction(int row)
{
    if (engine_.isScan())
        return;
    if (!list_.flipTick(row))
        return;
    reloadTable();
    changeSelectAllButtonState();
}

void UninstallViewController::selectAllButtonAction()
{
    list_.selectAll();
    reloadTable();
    changeSelectAllButtonState();
}

void UninstallViewController::changeSelectAllButtonState()
{
    const UninstallList::Counters c = list_.counters();
    uninstallButton_->setButtonEnabled(c.uninstallEnabled && !removalPending());
    selectAllBut_->setTextWithName(c.selectAllTitle, 12);
    toolkit::setTextWithBoldPart(selectCountLabel_, c.label, c.boldStart, c.boldLength);
}

// ---------------------------------------------------------------- removal

bool UninstallViewController::removalPending() const
{
    return makeSureUninstallVC_ && makeSureUninstallVC_->isRunning();
}

void UninstallViewController::uninstallAppButtonAction()
{
    if (engine_.isScan() || removalPending())
        return;
    const AMAppItemList items = list_.itemsToUninstall();
    if (items.isEmpty())
        return;
    isUninsatllOne_ = false;
    findGroupsAndConfirm(items);
}

void UninstallViewController::oneAppRemove(int row)
{
    if (engine_.isScan() || removalPending())
        return;
    const AMAppItemPtr item = list_.at(row);
    if (!item)
        return;
    isUninsatllOne_ = true;
    shouldSelectRow(row);
    findGroupsAndConfirm({item});
}

void UninstallViewController::findGroupsAndConfirm(const AMAppItemList& items)
{
    // The folders are searched and the files measured on a worker; the
    // confirmation opens when the groups arrive. A newer click supersedes.
    const int kind = list_.appsType();
    engine_.findRelatedFiles(items, [this, kind](const AMAppItemList& items, const QList<AMAppItemList>& groups) {
        if (engine_.isScan() || removalPending())
            return;
        handledItems_ = items;
        handledKind_ = kind;
        showSelectListWindiwWith(groups);
    });
}

bool UninstallViewController::stopRunningWork(int timeoutMs)
{
    engine_.cancelSearches();
    return platform::dispatch::waitForGlobalQueues(timeoutMs);
}

void UninstallViewController::showSelectListWindiwWith(const QList<AMAppItemList>& groups)
{
    makeSureUninstallVC_ = std::make_unique<MakeSureUninstallViewController>(groups);
    MakeSureUninstallViewController* dialog = makeSureUninstallVC_.get();
    dialog->setDelegate(this);
    dialog->setMainWindow(mainWindow());
    if (confirmationHook_)
        confirmationHook_(dialog);
    // Attached 3 points left of the main window's centre.
    toolkit::runDialog(
        dialog->view(), mainWindow(), [dialog](StatusAttachedWindow* window) { dialog->setSuperDelegate(window); }, -3);
    // A run may be under way now; "卸载" waits for it.
    changeSelectAllButtonState();
}

void UninstallViewController::completeCleanRelatedFiles()
{
    // Only what is really gone leaves the lists; a failed item stays, ticked
    // as it was, so the user can try again.
    list_.dropRemoved(handledItems_, handledKind_, [](const QString& path) { return platform::itemIsGone(path); });
    handledItems_.clear();
    // The row pressed to start the removal is gone or moved, and the pointer
    // left it for the dialogs: no row stays lit with a red bin.
    selectRow_ = -1;
    listViewTabel_->clearSelection();
    listViewTabel_->setRowNum(selectRow_);
    retitleHeader();
    changeSelectAllButtonState();
    reloadTable();
}
