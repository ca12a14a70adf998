#pragma once
// The picker of the File Eraser: files and folders together, several at
// once, hidden items not shown. A list of places at the left, the current
// folder as a tree (folders open in place, or are entered by a double
// click), "取消" and "添加".

#include <QDialog>
#include <QStringList>

class QDateTime;
class QFileSystemModel;
class QLabel;
class QListWidget;
class QTreeView;
class TextImageButton;
class TCImageButton;

class FilePickerPanel : public QDialog {
    Q_OBJECT
public:
    explicit FilePickerPanel(QWidget* parent = nullptr);

    // The folder a new picker starts in: the Desktop, or the home folder
    // when there is none.
    static QString defaultStartFolder();

    // A modification date as the picker shows it: "2026/12/7 10:09".
    static QString dateText(const QDateTime& when);

    void setDirectory(const QString& folder);
    QString directory() const { return directory_; }

    // The chosen items, in the order the tree shows them.
    QStringList selectedPaths() const;
    // Selects these items of the current folder (or below an opened folder).
    void selectPaths(const QStringList& paths);

    // The prompt of the accept button ("添加").
    QString prompt() const;

    QTreeView* tree() const { return tree_; }
    QFileSystemModel* fileModel() const { return model_; }
    QListWidget* places() const { return places_; }
    TextImageButton* addButton() const { return addButton_; }
    TextImageButton* cancelButton() const { return cancelButton_; }

signals:
    // The picker moved to another folder.
    void directoryChanged(const QString& folder);

private:
    void buildPlaces();
    void updateAddButton();

    QFileSystemModel* model_ = nullptr;
    QTreeView* tree_ = nullptr;
    QListWidget* places_ = nullptr;
    QLabel* pathLabel_ = nullptr;
    TCImageButton* upButton_ = nullptr;
    TextImageButton* addButton_ = nullptr;
    TextImageButton* cancelButton_ = nullptr;
    QString directory_;
};
