#pragma once
// The erase-history panel: every recorded run, newest first, as an outline
// of run rows (their time) with the run's rows beneath; the newest run opens
// expanded. The selected run row offers export and delete; "清空所有" clears
// every run; "关闭" hands the panel back to its host.

#include "HistoryTextFieldCell.h"

#include "core/DoDataBase.h"

#include <QObject>
#include <QPointer>
#include <functional>

class EUCustomOutlineView;
class QLabel;
class QStandardItemModel;
class TextImageButton;

class HistoryVCDelegate {
public:
    virtual ~HistoryVCDelegate() = default;
    virtual void closeHistoryView() {}
};

class HistoryViewController : public QObject, public HistoryDeleteTextFieldCellDelegate {
    Q_OBJECT
public:
    // Asks where to save a page; answers the chosen path, or "" when the user
    // cancelled. The default is Qt's save dialog, which asks before it
    // replaces a file.
    using SavePanel = std::function<QString(QWidget* parent, const QString& proposedName)>;
    // Shows the notice after an export (modal); the default is the
    // ExportViewController dialog.
    using ExportNotice = std::function<void(bool written, const QString& path, const QString& reason)>;

    explicit HistoryViewController(QObject* parent = nullptr);
    ~HistoryViewController() override;

    QWidget* view() const;

    void setDelegate(HistoryVCDelegate* delegate) { delegate_ = delegate; }
    void setTypeStr(const QString& type) { typeStr_ = type; }
    QString typeStr() const { return typeStr_; }

    // (Re)loads the records and shows them. The store is read on a worker;
    // the records show when they arrive, and a newer load supersedes one
    // still on its way.
    void getEraserHistory();
    // A load (or a delete and the load after it) is on its way.
    bool isLoading() const { return loading_; }

    // HistoryDeleteTextFieldCellDelegate: the run of the row clicked.
    void clickExportWithDate(const QString& key) override;
    void clickDeleteWithDate(const QString& key) override;

    void emptyAllButtonAction();
    void closeButtonAction();

    // A row was clicked: it becomes the selected row; a run row also
    // becomes the run the icons act on.
    void outlineViewShouldSelectItem(const QModelIndex& index);

    // Writes the page of run `key` to the path the save panel gives, and
    // shows the notice. Answers whether a page was written.
    bool exportRun(const QString& key);

    void setSavePanel(SavePanel panel) { savePanel_ = std::move(panel); }
    void setExportNotice(ExportNotice notice) { exportNotice_ = std::move(notice); }
    static QString defaultSavePanel(QWidget* parent, const QString& proposedName);

    const HistoryRecords& historyDic() const { return HistoryDic_; }
    const QStringList& historyAllArr() const { return historyAllArr_; }
    QString keyClickStr() const { return keyClickStr_; }
    int selectCellIndex() const { return selectCellIndex_; }

    EUCustomOutlineView* historyOutlineView() const { return outline_; }
    QStandardItemModel* model() const { return model_; }
    HistoryDeleteTextFieldCell* stateCell() const { return stateCell_; }
    QWidget* haveView() const { return haveView_; }
    QWidget* noView() const { return noView_; }
    TextImageButton* emptyAllButton() const { return emptyAllButton_; }
    TextImageButton* closeButton() const { return closeButton_; }
    TextImageButton* noCloseButton() const { return noCloseButton_; }

    // The model row of run `key`, or an invalid index.
    QModelIndex indexOfRun(const QString& key) const;

private:
    void loadView();
    void rebuildModel();
    // Runs `change` (a delete, or nothing) and then reads every record, on a
    // worker, in the order asked; shows the records of the newest request,
    // then calls `then` on the main thread.
    void loadRecords(std::function<void()> change, std::function<void()> then = {});
    void showRecords(const HistoryRecords& records);
    void showExportNotice(bool written, const QString& path, const QString& reason);

    QPointer<QWidget> view_;
    QWidget* haveView_ = nullptr;
    QWidget* noView_ = nullptr;
    EUCustomOutlineView* outline_ = nullptr;
    QStandardItemModel* model_ = nullptr;
    HistoryDeleteTextFieldCell* stateCell_ = nullptr;
    TextImageButton* emptyAllButton_ = nullptr;
    TextImageButton* closeButton_ = nullptr;
    TextImageButton* noCloseButton_ = nullptr;

    HistoryRecords HistoryDic_;
    QStringList historyAllArr_;
    QString keyClickStr_;
    int selectCellIndex_ = -1;
    quint64 loadRequest_ = 0;
    bool loading_ = false;
    QString typeStr_;
    HistoryVCDelegate* delegate_ = nullptr;
    SavePanel savePanel_;
    ExportNotice exportNotice_;
};
