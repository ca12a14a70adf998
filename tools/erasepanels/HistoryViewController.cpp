#include "HistoryViewController.h"

#include "EUCustomOutlineView.h"
#include "ExportViewController.h"
#include "toolkit/Label.h"
#include "toolkit/ToolArea.h"
#include "toolkit/ModalDialog.h"
#include "HistoryExport.h"

#include "platform/Dispatch.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/FilePickerPanel.h"
#include "toolkit/RFOverlayScrollView.h"
#include "toolkit/RightBgView.h"
#include "toolkit/TextImageButton.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTimer>
#include <deque>
#include <mutex>

namespace {

// The history panels' work on the store, one block at a time in the order
// asked, on a worker: a read asked after a delete sees the delete.
void inStoreOrder(std::function<void()> block)
{
    static std::mutex mutex;
    static std::deque<std::function<void()>> waiting;
    static bool draining = false;
    {
        std::lock_guard lock(mutex);
        waiting.push_back(std::move(block));
        if (draining)
            return;
        draining = true;
    }
    platform::dispatch::global(platform::dispatch::Priority::Default, [] {
        for (;;) {
            std::function<void()> next;
            {
                std::lock_guard lock(mutex);
                if (waiting.empty()) {
                    draining = false;
                    return;
                }
                next = std::move(waiting.front());
                waiting.pop_front();
            }
            next();
        }
    });
}

constexpr int kNameWidth = 262;
constexpr int kTypeWidth = 238;
constexpr int kStateWidth = 134;

QString plainToolTip(const QString& text)
{
    return text.isEmpty() ? QString() : QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(text.toHtmlEscaped());
}

QStandardItem* cellItem(const QString& title, const QString& key, bool isRun)
{
    auto* item = new QStandardItem;
    item->setEditable(false);
    item->setData(title, historyroles::Title);
    item->setData(key, historyroles::RunKey);
    item->setData(isRun, historyroles::IsRun);
    item->setData(plainToolTip(title), Qt::ToolTipRole);
    return item;
}

TextImageButton* secondaryButton(QWidget* parent, const QRect& frame, const QString& title)
{
    return toolkit::makeTextButton(parent, frame, toolkit::secondaryButtonSkin(), title);
}

} // namespace

HistoryViewController::HistoryViewController(QObject* parent) : QObject(parent)
{
    loadView();
}

HistoryViewController::~HistoryViewController()
{
    delete view_.data();
}

QWidget* HistoryViewController::view() const
{
    return view_;
}

void HistoryViewController::loadView()
{
    view_ = new RightBgView;
    view_->resize(toolkit::kToolWidth, toolkit::kToolHeight);
    toolkit::makeLabel(view_, QRect(48, 28, 400, 30), QStringLiteral("擦除历史"), toolkit::regularFont(20),
                            toolkit::whiteAlpha(1.0f));

    haveView_ = new QWidget(view_);
    haveView_->setGeometry(48, 76, 634, 410);
    model_ = new QStandardItemModel(0, 3, this);
    model_->setHorizontalHeaderLabels({QStringLiteral("时间 / 项目"), QStringLiteral("擦除标准"), QStringLiteral("结果")});
    outline_ = new EUCustomOutlineView;
    outline_->setModel(model_);
    outline_->_setupHeaderCell();
    outline_->setItemDelegateForColumn(0, new HistoryTextFieldCell(outline_));
    // A standard's label gives way in its name, never in its pass count.
    outline_->setItemDelegateForColumn(1,
                                       new HistoryTextFieldCell(outline_, HistoryTextFieldCell::TitleCut::KeepPassCount));
    stateCell_ = new HistoryDeleteTextFieldCell(outline_);
    stateCell_->setDelegate(this);
    outline_->setItemDelegateForColumn(2, stateCell_);
    outline_->header()->setSectionResizeMode(QHeaderView::Fixed);
    outline_->header()->setStretchLastSection(false);
    outline_->setColumnWidth(0, kNameWidth);
    outline_->setColumnWidth(1, kTypeWidth);
    outline_->setColumnWidth(2, kStateWidth);
    auto* scroller = new RFOverlayScrollView(QRect(0, 0, haveView_->width(), haveView_->height()), haveView_);
    scroller->setDocumentView(outline_);
    connect(outline_, &QAbstractItemView::pressed, this,
            [this](const QModelIndex& index) { outlineViewShouldSelectItem(index); });

    noView_ = new QWidget(view_);
    noView_->setGeometry(0, 76, toolkit::kToolWidth, toolkit::kToolHeight - 76);
    toolkit::makeLabel(noView_, QRect(0, 150, toolkit::kToolWidth, 30), QStringLiteral("暂无擦除记录"),
                            toolkit::regularFont(16), toolkit::whiteAlpha(0.8f), Qt::AlignCenter);
    toolkit::makeLabel(noView_, QRect(0, 184, toolkit::kToolWidth, 24),
                            QStringLiteral("每次擦除完成后，结果都会记录在这里。"), toolkit::lightFont(13),
                            toolkit::whiteAlpha(0.5f), Qt::AlignCenter);
    // In the place of the list's close button.
    noCloseButton_ = secondaryButton(noView_, QRect(562, 512 - 76, 120, 36), QStringLiteral("关闭"));
    connect(noCloseButton_, &QAbstractButton::clicked, this, &HistoryViewController::closeButtonAction);
    noView_->hide();

    emptyAllButton_ = secondaryButton(view_, QRect(432, 512, 120, 36), QStringLiteral("清空所有"));
    connect(emptyAllButton_, &QAbstractButton::clicked, this, &HistoryViewController::emptyAllButtonAction);
    closeButton_ = secondaryButton(view_, QRect(562, 512, 120, 36), QStringLiteral("关闭"));
    connect(closeButton_, &QAbstractButton::clicked, this, &HistoryViewController::closeButtonAction);
}

QModelIndex HistoryViewController::indexOfRun(const QString& key) const
{
    for (int row = 0; row < model_->rowCount(); ++row) {
        const QModelIndex index = model_->index(row, 0);
        if (index.data(historyroles::RunKey).toString() == key)
            return index;
    }
    return {};
}

void HistoryViewController::rebuildModel()
{
    model_->removeRows(0, model_->rowCount());
    for (const QString& key : std::as_const(historyAllArr_)) {
        QList<QStandardItem*> run{cellItem(key, key, true), cellItem(QString(), key, true), cellItem(QString(), key, true)};
        for (const HistoryRow& row : HistoryDic_.value(key)) {
            const historyexport::CellTexts texts = historyexport::cellTexts(row);
            run.first()->appendRow({cellItem(texts.name, key, false), cellItem(texts.type, key, false),
                                    cellItem(texts.state, key, false)});
        }
        model_->appendRow(run);
    }
}

void HistoryViewController::getEraserHistory()
{
    loadRecords({});
}

void HistoryViewController::loadRecords(std::function<void()> change, std::function<void()> then)
{
    const quint64 request = ++loadRequest_;
    loading_ = true;
    // Nothing to clear until the records are there.
    emptyAllButton_->setButtonEnabled(false);
    QPointer<HistoryViewController> self(this);
    inStoreOrder([self, request, change = std::move(change), then = std::move(then)] {
        if (change)
            change();
        HistoryRecords records = DoDataBase::returnDoDataBase()->getAllData();
        platform::dispatch::main([self, request, records = std::move(records), then] {
            if (!self)
                return;
            if (request == self->loadRequest_) {
                self->loading_ = false;
                self->showRecords(records);
            }
            if (then)
                then();
        });
    });
}

void HistoryViewController::showRecords(const HistoryRecords& records)
{
    HistoryDic_ = records;
    historyAllArr_ = historyexport::sortedKeys(HistoryDic_);
    rebuildModel();

    // The selected run stays selected while it exists.
    const QModelIndex selected = indexOfRun(keyClickStr_);
    if (!selected.isValid()) {
        keyClickStr_.clear();
        selectCellIndex_ = -1;
    }
    stateCell_->setShownRunKey(keyClickStr_);
    outline_->setSelectCellBackgroundColorWithRow(selected);

    if (historyAllArr_.isEmpty()) {
        haveView_->hide();
        noView_->show();
        emptyAllButton_->setButtonEnabled(false);
        closeButton_->hide();
        return;
    }
    haveView_->show();
    noView_->hide();
    closeButton_->show();
    emptyAllButton_->setButtonEnabled(true);
    outline_->expandRecursively(model_->index(0, 0));
}

void HistoryViewController::outlineViewShouldSelectItem(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    const QModelIndex first = index.sibling(index.row(), 0);
    // The row's number as the outline shows it now.
    selectCellIndex_ = 0;
    for (QModelIndex i = model_->index(0, 0); i.isValid() && i != first; i = outline_->indexBelow(i))
        ++selectCellIndex_;
    outline_->setSelectCellBackgroundColorWithRow(first);
    if (first.data(historyroles::IsRun).toBool()) {
        keyClickStr_ = first.data(historyroles::RunKey).toString();
        stateCell_->setShownRunKey(keyClickStr_);
    }
    outline_->viewport()->update();
}

void HistoryViewController::clickDeleteWithDate(const QString& key)
{
    if (key.isEmpty())
        return;
    // After the click's own handling has returned: the rows go away.
    QPointer<HistoryViewController> self(this);
    QTimer::singleShot(0, this, [self, key] {
        if (self)
            self->loadRecords([key] { DoDataBase::returnDoDataBase()->deleteDataWithKey(key); });
    });
}

void HistoryViewController::clickExportWithDate(const QString& key)
{
    if (key.isEmpty())
        return;
    QPointer<HistoryViewController> self(this);
    QTimer::singleShot(0, this, [self, key] {
        if (self)
            self->exportRun(key);
    });
}

bool HistoryViewController::exportRun(const QString& key)
{
    // The run as the panel shows it (kept, as a load may land while the
    // save panel is open); the store is not read again here.
    const HistoryRecords records = HistoryDic_;
    if (!records.contains(key))
        return false;
    const QString proposed = historyexport::proposedFileName(QDateTime::currentDateTime());
    const QString chosen = savePanel_ ? savePanel_(view_, proposed) : defaultSavePanel(view_, proposed);
    if (chosen.isEmpty())
        return false;
    const QString path = historyexport::withHtmlSuffix(chosen);
    // The panel asked about the name it gave; a name we completed is asked
    // about here.
    if (path != chosen && QFileInfo::exists(path)) {
        const auto answer = QMessageBox::question(view_, QStringLiteral("导出擦除历史"),
                                                  QStringLiteral("“%1”已存在。要替换它吗？").arg(QFileInfo(path).fileName()),
                                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return false;
    }
    QString reason;
    const bool written =
        historyexport::writeHistoryHtml(path, historyexport::historyHtmlPage(key, records.value(key)), &reason);
    showExportNotice(written, path, reason);
    return written;
}

QString HistoryViewController::defaultSavePanel(QWidget* parent, const QString& proposedName)
{
    // The application's own panel, the look of the File Eraser's picker.
    QWidget* window = parent ? parent->window() : nullptr;
    FilePickerPanel panel(window, FilePickerPanel::Kind::Save);
    panel.setWindowTitle(QStringLiteral("导出擦除历史"));
    panel.setWindowModality(Qt::WindowModal);
    panel.setSuffix(QStringLiteral("html"));
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    panel.setDirectory(folder);
    panel.setFileName(proposedName);
    if (window)
        panel.move(window->frameGeometry().center() - QPoint(panel.width() / 2, panel.height() / 2));
    if (panel.exec() != QDialog::Accepted)
        return {};
    return panel.selectedFile();
}

void HistoryViewController::showExportNotice(bool written, const QString& path, const QString& reason)
{
    if (exportNotice_) {
        exportNotice_(written, path, reason);
        return;
    }
    ExportViewController notice;
    if (written)
        notice.setExported(path);
    else
        notice.setFailed(path, reason);
    toolkit::runDialog(notice.view(), view_->window(),
                            [&notice](StatusAttachedWindow* window) { notice.setSuperDelegate(window); });
}

void HistoryViewController::emptyAllButtonAction()
{
    const QStringList keys = HistoryDic_.keys();
    QPointer<HistoryViewController> self(this);
    loadRecords(
        [keys] {
            for (const QString& key : keys)
                DoDataBase::returnDoDataBase()->deleteDataWithKey(key);
        },
        [self] {
            if (!self)
                return;
            self->emptyAllButton_->setButtonEnabled(false);
            self->closeButtonAction();
        });
}

void HistoryViewController::closeButtonAction()
{
    if (delegate_)
        delegate_->closeHistoryView();
}
