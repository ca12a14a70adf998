// The File Eraser screen: its set-up, the empty state and the list pane,
// adding by the picker or by a drop, ticks, the row menu and sorting. The
// run's panes are in FileEraserRunPanes.cpp, the side panels in
// FileEraserSidePanels.cpp.
#include "FileEraserViewController.h"

#include "FileEraserTable.h"
#include "toolkit/Label.h"
#include "toolkit/ToolArea.h"
#include "toolkit/ModalDialog.h"
#include "toolkit/Coordinates.h"
#include "toolkit/FilePickerPanel.h"
#include "tools/erasepanels/NTFSViewController.h"
#include "TextIconImageBtton.h"

#include "core/BundleSettings.h"
#include "core/PublicUtilities.h"
#include "platform/MountTable.h"
#include "platform/gui/Workspace.h"
#include "toolkit/Animation.h"
#include "toolkit/CheckButtonCell.h"
#include "toolkit/MAAttachedWindow.h"
#include "toolkit/DropDownHost.h"
#include "toolkit/ITProgressBar.h"
#include "toolkit/ImageAndTextCell.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/NamedImageView.h"
#include "toolkit/RFOverlayScrollView.h"
#include "toolkit/RightBgView.h"
#include "toolkit/TCImageButton.h"
#include "toolkit/TextImageButton.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

using toolkit::kToolHeight;
using toolkit::kToolWidth;
using toolkit::makeLabel;
using toolkit::makeTextButton;

namespace {

// The dashed frame of the empty state's drop area.
class DropZoneFrame : public QWidget {
public:
    explicit DropZoneFrame(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath frame;
        frame.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 10, 10);
        painter.fillPath(frame, toolkit::colorOf(255, 255, 255, 0.03));
        QPen pen(toolkit::colorOf(255, 255, 255, 0.22));
        pen.setWidthF(1.5);
        pen.setDashPattern({5, 4});
        painter.setPen(pen);
        painter.drawPath(frame);
    }
};

const QStringList kMainSkin{QStringLiteral("btn_main"), QStringLiteral("btn_main_press"),
                            QStringLiteral("btn_main_press"), QStringLiteral("btn_main_disable")};
const QStringList kSmallSkin{QStringLiteral("btn_s_normal"), QStringLiteral("btn_s_normal"),
                             QStringLiteral("btn_s_hover"), QStringLiteral("btn_s_disable")};
const QStringList kBackSkin{QStringLiteral("back"), QStringLiteral("back_press"), QStringLiteral("back_hover"),
                            QStringLiteral("back_disable")};

} // namespace

FileEraserViewController::FileEraserViewController(QObject* parent) : QObject(parent)
{
    loadView();

    connect(&run_, &FileEraserRun::progressChanged, this,
            [this](const QString& count, double bar, const QString& path) {
                eraserRoundLabel_->setText(count);
                progressBar_->animateFloatValue(bar);
                eraserPathLabel_->setText(
                    QFontMetrics(eraserPathLabel_->font()).elidedText(path, Qt::ElideMiddle, eraserPathLabel_->width()));
                eraserPathLabel_->setToolTip(QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(path.toHtmlEscaped()));
            });
    connect(&run_, &FileEraserRun::elapsedChanged, this, [this](const QString& text) { usedTimeLabel_->setText(text); });
    connect(&run_, &FileEraserRun::longFileHint, this, [this](bool shown) { bigFileNode_->setVisible(shown); });
    connect(&run_, &FileEraserRun::finished, this, &FileEraserViewController::showEndView);
}

FileEraserViewController::~FileEraserViewController()
{
    delete sortControl_;
    sortControl_ = nullptr;
    historyVC_.reset();
    setEraserLevelVC_.reset();
    delete view_.data();
}

QWidget* FileEraserViewController::mainWindow() const
{
    return view_ ? view_->window() : nullptr;
}

// ---------------------------------------------------------------- set-up

void FileEraserViewController::loadView()
{
    view_ = new RightBgView;
    view_->resize(kToolWidth, kToolHeight);
    setupMainView();
    setupListView();
    setupToolbar();
    setupProgressView();
    setupEndViews();

    setEraserLevelView_ = new RightBgView(view_);
    setEraserLevelView_->setGeometry(kToolWidth, 0, kToolWidth, kToolHeight);
    setEraserLevelView_->hide();
    historyView_ = new RightBgView(view_);
    historyView_->setGeometry(kToolWidth, 0, kToolWidth, kToolHeight);
    historyView_->hide();

    changeHistoryButtonState();
    changeSelectAllButtonState();
}

void FileEraserViewController::setupMainView()
{
    mainView_ = new RightBgView(view_);
    mainView_->setGeometry(0, 0, kToolWidth, kToolHeight);
    makeLabel(mainView_, QRect(48, 28, 420, 30), QStringLiteral("文件擦除"), toolkit::regularFont(20),
              toolkit::whiteAlpha(1.0f));
    makeLabel(mainView_, QRect(48, 62, 540, 22), QStringLiteral("彻底擦除文件和文件夹，擦除后的数据无法恢复。"),
              toolkit::lightFont(13), toolkit::whiteAlpha(0.6f));

    drayView_ = new DragView(QRect(48, 108, 634, 424), mainView_);
    drayView_->setDelegate(this);
    auto* frame = new DropZoneFrame(drayView_);
    frame->setGeometry(drayView_->rect());
    auto* art = new NamedImageView(QRect((634 - 120) / 2, 80, 120, 110), drayView_);
    art->setImageName(QStringLiteral("fileeraser_drop"));
    art->setAttribute(Qt::WA_TransparentForMouseEvents);
    makeLabel(drayView_, QRect(0, 210, 634, 26), QStringLiteral("将文件或文件夹拖放到这里"), toolkit::regularFont(16),
              toolkit::whiteAlpha(0.9f), Qt::AlignCenter);
    makeLabel(drayView_, QRect(0, 240, 634, 22), QStringLiteral("也可以点击“添加”选择要擦除的项目"),
              toolkit::lightFont(13), toolkit::whiteAlpha(0.5f), Qt::AlignCenter);
    mainAddButton_ = makeTextButton(drayView_, QRect((634 - 180) / 2, 300, 180, 46), kMainSkin, QStringLiteral("添加"), 16);
    connect(mainAddButton_, &QAbstractButton::clicked, this, [this] { selectFileButtonAction(); });
}

void FileEraserViewController::setupListView()
{
    listView_ = new RightBgView(view_);
    listView_->setGeometry(kToolWidth, 0, kToolWidth, kToolHeight);
    listView_->hide();

    backButton_ = toolkit::makeIconButton(listView_, QRect(20, 22, 32, 32), kBackSkin, QStringLiteral("返回"));
    connect(backButton_, &QAbstractButton::clicked, this, &FileEraserViewController::backButtonAction);
    makeLabel(listView_, QRect(62, 24, 100, 28), QStringLiteral("文件列表"), toolkit::regularFont(18),
              toolkit::whiteAlpha(1.0f));
    selectCountLabel_ = new QLabel(listView_);
    selectCountLabel_->setGeometry(164, 26, 260, 26);
    selectCountLabel_->setFont(toolkit::lightFont(13));
    selectCountLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    toolkit::setLabelColor(selectCountLabel_, toolkit::whiteAlpha(0.7f));

    listDragView_ = new DragView(QRect(0, 70, kToolWidth, 424), listView_);
    listDragView_->setDelegate(this);
    valueTableView_ = new CustomTableView;
    model_ = new FileEraserTableModel(list_, this);
    valueTableView_->setModel(model_);
    valueTableView_->_setupHeaderCell();
    valueTableView_->setListDelegate(this);
    valueTableView_->verticalHeader()->setDefaultSectionSize(CustomTableView::kCardHeight + 2);
    valueTableView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    valueTableView_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    const int widths[] = {45, 25, 190, 287, 100, 83};
    for (int c = 0; c < FileEraserTableModel::ColumnCount; ++c)
        valueTableView_->setColumnWidth(c, widths[c]);

    auto* check = new CheckButtonCellItemDelegate(valueTableView_);
    check->setWillDisplay([this](CheckButtonCell& cell, const QModelIndex& index) {
        const FileObjPtr item = list_.at(index.row());
        cell.setTag(index.row());
        cell.setImage(toolkit::ImageCache::iconNamed(item && item->isSelect() ? QStringLiteral("checkbox_yes")
                                                                              : QStringLiteral("checkbox_no")));
        cell.setAction([this](CheckButtonCell& c) { selectListButton(c.tag()); });
    });
    valueTableView_->setItemDelegateForColumn(FileEraserTableModel::CheckBoxColumn, check);

    auto* search = new SearchCellDelegate(valueTableView_);
    search->onClick = [this](int row) {
        valueTableView_->setRowNum(row);
        valueTableView_->viewport()->update();
        openFileButton();
    };
    valueTableView_->setItemDelegateForColumn(FileEraserTableModel::SearchColumn, search);

    const auto textColumn = [this](int column, float width, float alpha, bool withIcon) {
        auto* cell = new ImageAndTextCellItemDelegate(valueTableView_);
        cell->prototype().setColor(toolkit::whiteAlpha(alpha));
        cell->setWillDisplay([this, column, width, withIcon](ImageAndTextCell& c, const QModelIndex& index) {
            const FileObjPtr item = list_.at(index.row());
            if (!item)
                return;
            const auto which = static_cast<FileEraserList::Column>(column - FileEraserTableModel::NameColumn);
            c.setTitle(FileEraserList::cellText(*item, which), 13, width);
            if (withIcon)
                c.setImage(item->icon().value<QIcon>());
        });
        valueTableView_->setItemDelegateForColumn(column, cell);
    };
    textColumn(FileEraserTableModel::NameColumn, 150, 1.0f, true);
    textColumn(FileEraserTableModel::PathColumn, 287 - 12, 0.6f, false);
    textColumn(FileEraserTableModel::SizeColumn, 100, 0.6f, false);
    textColumn(FileEraserTableModel::TypeColumn, 80, 0.6f, false);

    connect(valueTableView_, &QAbstractItemView::pressed, this, [this](const QModelIndex& index) {
        valueTableView_->setRowNum(index.row());
        valueTableView_->viewport()->update();
    });

    auto* scroller = new RFOverlayScrollView(QRect(0, 0, kToolWidth, 424), listDragView_);
    scroller->setDocumentView(valueTableView_);

    selectAllButton_ = makeTextButton(listView_, QRect(20, 516, 80, 30), kSmallSkin, QStringLiteral("取消全选"), 12);
    connect(selectAllButton_, &QAbstractButton::clicked, this, &FileEraserViewController::setAllSelectOrNoSelect);
    emptyButton_ = makeTextButton(listView_, QRect(108, 516, 80, 30), kSmallSkin, QStringLiteral("清空列表"), 12);
    connect(emptyButton_, &QAbstractButton::clicked, this, &FileEraserViewController::emptyListButtonAction);
    listAddButton_ = new TextIconImageBtton(QRect(196, 516, 100, 30), listView_);
    listAddButton_->setButtonEnabled(true);
    listAddButton_->setImageFromFileNormalName(QStringLiteral("btn_b_normal"), QStringLiteral("btn_b_hover"),
                                               QStringLiteral("btn_b_hover"), QStringLiteral("btn_b_normal"));
    listAddButton_->setTextWithName(QStringLiteral("添加更多"), 12);
    connect(listAddButton_, &QAbstractButton::clicked, this, [this] { selectFileButtonAction(); });

    // The sort control: its icon, with the current order beside it.
    // The list opens upward from the control.
    sortControl_ = new SortControl(QRect(400, 519, 130, 24), listView_, SortControl::Opens::Above);
    // On the main thread, where the list lives: nothing added meanwhile is lost.
    sortControl_->onChoice = [this](int sortType, int sortAD) {
        list_.sortBy(sortType, sortAD);
        reloadTable();
    };

    eraserFileButton_ = makeTextButton(listView_, QRect(550, 508, 160, 46), kMainSkin, QStringLiteral("立即擦除"), 16);
    connect(eraserFileButton_, &QAbstractButton::clicked, this, &FileEraserViewController::eraserNowButtonAction);
}

// ---------------------------------------------------------------- adding

bool FileEraserViewController::isOnNtfs(const QString& path) const
{
    if (ntfsTest_)
        return ntfsTest_(path);
    const QString type = platform::fileSystemTypeHolding(path);
    if (type.isEmpty() || type == QLatin1String("(null)") || !type.toLower().contains(QLatin1String("ntfs")))
        return false;
    const auto mount = platform::mountEntryHolding(path);
    PublicUtilities::writeFileWithTab(QStringLiteral("NTFS: %1 on %2 (%3, %4)")
                                          .arg(path, mount ? mount->mountPoint : QString(), type,
                                               mount && mount->readOnly ? QStringLiteral("read-only")
                                                                        : QStringLiteral("writable")));
    return true;
}

FileObjPtr FileEraserViewController::buildFileObj(const QString& path, bool isDir) const
{
    return FileEraserList::buildFileObj(path, isDir, [](const QString& p, bool) {
        return QVariant::fromValue(platform::workspace::iconForFile(p));
    });
}

void FileEraserViewController::selectFileButtonAction()
{
    FilePickerPanel panel(mainWindow());
    panel.setWindowModality(Qt::WindowModal);
    if (newPathStr_.size() >= 2)
        panel.setDirectory(newPathStr_);
    if (rectNew_.isEmpty()) {
        // The first time: the main window's size, a little smaller, over it.
        const QWidget* window = mainWindow();
        const QRect frame = window ? window->frameGeometry() : QRect(0, 0, 900, 620);
        const QSize size(std::max(640, frame.width() - 100), std::max(420, frame.height() - 50));
        panel.resize(size);
        panel.move(frame.center() - QPoint(size.width() / 2, size.height() / 2));
    } else {
        panel.setGeometry(rectNew_);
    }
    if (pickerHook_)
        QTimer::singleShot(0, &panel, [this, &panel] { pickerHook_(&panel); });
    const bool chosen = panel.exec() == QDialog::Accepted;
    const QStringList paths = chosen ? panel.selectedPaths() : QStringList();
    if (!paths.isEmpty() && isOnNtfs(paths.first())) {
        showNTFSWindow();
        return;
    }
    rectNew_ = panel.geometry();
    if (!paths.isEmpty())
        addChosenPaths(paths);
    else
        refreshAfterAdd();
}

void FileEraserViewController::viewDragAction(const QStringList& paths)
{
    addChosenPaths(paths);
}

void FileEraserViewController::addChosenPaths(const QStringList& paths)
{
    const FileEraserList::AddOutcome outcome =
        list_.addPaths(paths, [this](const QString& path) { return isOnNtfs(path); },
                       [](const QString& path, bool) { return QVariant::fromValue(platform::workspace::iconForFile(path)); });
    if (!outcome.refusedNtfs.isEmpty())
        showNTFSWindow();
    refreshAfterAdd();
}

void FileEraserViewController::refreshAfterAdd()
{
    if (list_.isEmpty())
        return;
    reloadTable();
    changeHistoryButtonState();
    if (!listView_->isVisible() || listView_->pos() != QPoint(0, 0)) {
        listView_->show();
        listView_->raise();
        toolbar_->raise();
        QPointer<QWidget> mainView(mainView_);
        toolkit::animateProperty(listView_, "pos", QPoint(0, 0), toolkit::kSlideMs, QEasingCurve::InOutQuad,
                                 [mainView] {
                                     if (mainView)
                                         mainView->hide();
                                 });
    }
    changeSelectAllButtonState();
}

void FileEraserViewController::showNTFSWindow()
{
    NTFSViewController notice;
    if (openUrl_)
        notice.setUrlOpener(openUrl_);
    toolkit::runDialog(notice.view(), mainWindow(),
                            [&notice](StatusAttachedWindow* window) { notice.setSuperDelegate(window); });
}

// ---------------------------------------------------------------- the list

void FileEraserViewController::reloadTable()
{
    model_->reloadData();
    valueTableView_->viewport()->update();
}

int FileEraserViewController::returnSelectAllState()
{
    updateCountLabel(list_.selectCountText());
    return list_.returnSelectAllState();
}

void FileEraserViewController::updateCountLabel(const FileEraserList::CountText& text)
{
    toolkit::setTextWithBoldPart(selectCountLabel_, text.text, text.boldStart, text.boldLength);
}

void FileEraserViewController::changeSelectAllButtonState()
{
    aSelectAllState_ = returnSelectAllState();
    selectAllButton_->setTextWithName(FileEraserList::selectAllTitle(aSelectAllState_), 12);
    eraserFileButton_->setButtonEnabled(aSelectAllState_ != 0);
    reloadTable();
}

void FileEraserViewController::setAllSelectOrNoSelect()
{
    if (list_.isEmpty())
        return;
    aSelectAllState_ = list_.setAllSelectOrNoSelect();
    eraserFileButton_->setButtonEnabled(aSelectAllState_ != 0);
    selectAllButton_->setTextWithName(FileEraserList::selectAllTitle(aSelectAllState_), 12);
    reloadTable();
    changeSelectAllButtonState();
}

void FileEraserViewController::selectListButton(int row)
{
    if (!list_.flipTick(row))
        return;
    changeSelectAllButtonState();
}

void FileEraserViewController::emptyListButtonAction()
{
    list_.clear();
    reloadTable();
    mainView_->move(0, 0);
    mainView_->show();
    toolkit::slideOut(listView_);
    changeSelectAllButtonState();
}

void FileEraserViewController::backButtonAction()
{
    emptyListButtonAction();
}

void FileEraserViewController::listRightMouseDown(QMouseEvent* event)
{
    if (list_.isEmpty() || !event)
        return;
    const int row = valueTableView_->rowAt(static_cast<int>(event->position().y()));
    const FileObjPtr item = list_.at(row);
    if (!item || item->url().isEmpty())
        return;
    if (menu_)
        menu_->close();
    auto* menu = new QMenu(valueTableView_);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(QStringLiteral("打开"), this, [this, item] { openFinderWhenClickItems(item); });
    menu->addAction(QStringLiteral("在文件夹中查看"), this, [this, item] { showInFinderWhenClickItems(item); });
    menu_ = menu;
    menu->popup(event->globalPosition().toPoint());
}

void FileEraserViewController::openFinderWhenClickItems(const FileObjPtr& item)
{
    if (!item || item->url().isEmpty()) {
        showAlert(QStringLiteral("文件夹不能打开"));
        return;
    }
    const bool opened = openFile_ ? openFile_(item->url()) : platform::workspace::openFile(item->url());
    if (!opened)
        showAlert(QStringLiteral("文件夹不能打开"));
}

void FileEraserViewController::showInFinderWhenClickItems(const FileObjPtr& item)
{
    if (!item || item->url().isEmpty()) {
        showAlert(QStringLiteral("文件夹不能打开"));
        return;
    }
    // The file manager shows the item selected in the folder that holds it.
    const bool shown = revealFile_ ? revealFile_(item->url()) : platform::workspace::revealInFileManager({item->url()});
    if (!shown)
        showAlert(QStringLiteral("文件夹不能打开"));
}

void FileEraserViewController::openFileButton()
{
    const FileObjPtr item = list_.at(valueTableView_->rowNum());
    if (item)
        showInFinderWhenClickItems(item);
}

void FileEraserViewController::showAlert(const QString& message)
{
    QMessageBox alert(QMessageBox::Critical, QStringLiteral("文件擦除"), message, QMessageBox::Ok, mainWindow());
    alert.setTextFormat(Qt::PlainText);
    alert.exec();
}

// ---------------------------------------------------------------- sorting

FileEraserSortVC* FileEraserViewController::fileEraserSortVC() const
{
    return sortControl_->sortVC();
}

void FileEraserViewController::sortButtonAction()
{
    sortControl_->sortButtonAction();
}

void FileEraserViewController::closeMattachedWindow()
{
    sortControl_->closeMattachedWindow();
}

void FileEraserViewController::mouseEixtView(bool exited)
{
    sortControl_->mouseEixtView(exited);
}

void FileEraserViewController::selectSortbyType(int sortType, int sortAD)
{
    sortControl_->selectSortbyType(sortType, sortAD);
}
