#pragma once
// The application's own file panel, in two kinds with one look: a list of
// places at the left, the current folder as a tree with the desktop's file
// and folder icons (folders open in place, or are entered by a double click),
// "取消" and the accept button.
// - Open (the File Eraser's picker): files and folders together, several at
//   once, hidden items not shown; the accept button reads "添加".
// - Save (the history's export): one name typed in "存储为：" in the current
//   folder; the list shows folders and the files of the wanted suffix; an
//   existing file is replaced only when the user agrees; the accept button
//   reads "保存".
// Main thread only.

#include <QDialog>
#include <QStringList>

class QDateTime;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QListWidget;
class QTreeView;
class TextImageButton;
class TCImageButton;

class FilePickerPanel : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Open, Save };

    explicit FilePickerPanel(QWidget* parent = nullptr, Kind kind = Kind::Open);

    Kind kind() const { return kind_; }

    // The folder a new picker starts in: the Desktop, or the home folder
    // when there is none.
    static QString defaultStartFolder();

    // A modification date as the picker shows it: "2026/12/7 10:09".
    static QString dateText(const QDateTime& when);

    void setDirectory(const QString& folder);
    QString directory() const { return directory_; }

    // Open: the chosen items, in the order the tree shows them.
    QStringList selectedPaths() const;
    // Selects these items of the current folder (or below an opened folder).
    void selectPaths(const QStringList& paths);

    // Save: the name in the name field, and the suffix (without the dot)
    // whose files the list shows besides folders; a name typed without it
    // gets it.
    void setFileName(const QString& name);
    QString fileName() const;
    void setSuffix(const QString& suffix);
    // Save: the current folder joined with the typed name, once accepted;
    // empty before.
    QString selectedFile() const { return selectedFile_; }

    // The prompt of the accept button ("添加" or "保存").
    QString prompt() const;

    QTreeView* tree() const { return tree_; }
    QFileSystemModel* fileModel() const { return model_; }
    QListWidget* places() const { return places_; }
    QLineEdit* nameEdit() const { return nameEdit_; }
    TextImageButton* addButton() const { return addButton_; }
    TextImageButton* cancelButton() const { return cancelButton_; }

signals:
    // The picker moved to another folder.
    void directoryChanged(const QString& folder);

private:
    void buildPlaces();
    void updateAddButton();
    void acceptSave();

    Kind kind_;
    QFileSystemModel* model_ = nullptr;
    QTreeView* tree_ = nullptr;
    QListWidget* places_ = nullptr;
    QLabel* pathLabel_ = nullptr;
    QLineEdit* nameEdit_ = nullptr;
    TCImageButton* upButton_ = nullptr;
    TextImageButton* addButton_ = nullptr;
    TextImageButton* cancelButton_ = nullptr;
    QString directory_;
    QString selectedFile_;
    QString suffix_;
};
