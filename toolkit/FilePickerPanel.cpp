#include "FilePickerPanel.h"

#include "InterfaceStyle.h"
#include "Label.h"
#include "TCImageButton.h"
#include "TextImageButton.h"

#include "core/SizeText.h"
#include "platform/MountTable.h"
#include "platform/gui/Workspace.h"

#include <QAbstractFileIconProvider>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

constexpr int kPathRole = Qt::UserRole + 1;

// The icons the desktop shows for files and folders, with our generic ones
// where its theme has none. The model asks from its own gathering thread too,
// so the one provider lives as long as the program.
class DesktopFileIcons : public QAbstractFileIconProvider {
public:
    QIcon icon(const QFileInfo& info) const override { return platform::workspace::iconForFile(info.filePath()); }
};

QAbstractFileIconProvider* desktopFileIcons()
{
    static DesktopFileIcons* icons = new DesktopFileIcons;
    return icons;
}

// The folder's items in the list's own words: sizes through the list's
// formatter (decimal, as the list shows them), dates in the Chinese form, the
// list's column titles.
class PickerFileModel : public QFileSystemModel {
public:
    using QFileSystemModel::QFileSystemModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::DisplayRole && index.isValid()) {
            if (index.column() == kSizeColumn)
                return isDir(index) ? QStringLiteral("--")
                                    : sizetext::byteToTeraText(static_cast<double>(std::max<qint64>(0, size(index))));
            if (index.column() == kDateColumn)
                return FilePickerPanel::dateText(lastModified(index));
        }
        return QFileSystemModel::data(index, role);
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
            if (section == 0)
                return QStringLiteral("名称");
            if (section == kSizeColumn)
                return QStringLiteral("大小");
            if (section == kDateColumn)
                return QStringLiteral("修改日期");
        }
        return QFileSystemModel::headerData(section, orientation, role);
    }

    static constexpr int kSizeColumn = 1;
    static constexpr int kDateColumn = 3;
};

QString pickerStyle()
{
    return QStringLiteral(
        "FilePickerPanel { background: rgb(50,50,62); border: 1px solid rgba(255,255,255,0.22); }"
        "QListWidget { background: rgb(39,39,48); border: none; color: rgba(255,255,255,0.85); padding-top: 8px; padding-left: 10px; }"
        "QListWidget::item { min-height: 30px; }"
        "QListWidget::item:selected { background: rgba(255,255,255,0.10); color: white; }"
        "QTreeView { background: rgb(50,50,61); border: none; color: rgba(255,255,255,0.9);"
        "  selection-background-color: rgba(10,132,255,0.55); selection-color: white;"
        "  alternate-background-color: rgb(54,54,66); }"
        "QHeaderView::section { background: rgb(61,73,110); color: rgb(194,200,230); border: none;"
        "  padding-left: 6px; height: 24px; }"
        "QLineEdit { background: rgb(39,39,48); border: 1px solid rgba(255,255,255,0.22); border-radius: 4px;"
        "  color: white; padding: 3px 6px; selection-background-color: rgba(10,132,255,0.55); }"
        "QScrollBar:vertical { background: transparent; width: 10px; }"
        "QScrollBar::handle:vertical { background: rgba(255,255,255,0.2); border-radius: 4px; min-height: 24px; }"
        "QScrollBar::add-line, QScrollBar::sub-line { height: 0; }");
}

} // namespace

FilePickerPanel::FilePickerPanel(QWidget* parent, Kind kind) : QDialog(parent), kind_(kind)
{
    const bool saving = kind == Kind::Save;
    setWindowTitle(saving ? QStringLiteral("保存") : QStringLiteral("添加"));
    setObjectName(QStringLiteral("FilePickerPanel"));
    setStyleSheet(pickerStyle());
    setAttribute(Qt::WA_StyledBackground);
    resize(760, 480);

    auto* root = new QHBoxLayout(this);
    // Room for the edge that sets the picker apart from the window under it.
    root->setContentsMargins(1, 1, 1, 1);
    root->setSpacing(0);

    places_ = new QListWidget;
    places_->setFixedWidth(170);
    places_->setFont(toolkit::lightFont(13));
    places_->setFocusPolicy(Qt::NoFocus);
    root->addWidget(places_);

    auto* right = new QWidget;
    auto* column = new QVBoxLayout(right);
    column->setContentsMargins(16, 12, 16, 14);
    column->setSpacing(10);
    root->addWidget(right, 1);

    if (saving) {
        auto* nameRow = new QHBoxLayout;
        nameRow->setSpacing(10);
        auto* nameTitle = new QLabel(QStringLiteral("存储为："));
        nameTitle->setFont(toolkit::regularFont(13));
        toolkit::setLabelColor(nameTitle, toolkit::whiteAlpha(0.9f));
        nameRow->addWidget(nameTitle);
        nameEdit_ = new QLineEdit;
        nameEdit_->setFont(toolkit::regularFont(13));
        nameEdit_->setFixedHeight(28);
        nameRow->addWidget(nameEdit_, 1);
        column->addLayout(nameRow);
    }

    auto* top = new QHBoxLayout;
    top->setSpacing(10);
    upButton_ = new TCImageButton;
    upButton_->setFixedSize(24, 24);
    upButton_->setButtonEnabled(true);
    upButton_->setImageFromFileNormalName(QStringLiteral("back"), QStringLiteral("back_press"),
                                          QStringLiteral("back_hover"), QStringLiteral("back_disable"));
    upButton_->setToolTip(QStringLiteral("上一级"));
    top->addWidget(upButton_);
    pathLabel_ = new QLabel;
    pathLabel_->setTextFormat(Qt::PlainText);
    pathLabel_->setFont(toolkit::regularFont(13));
    toolkit::setLabelColor(pathLabel_, toolkit::whiteAlpha(0.9f));
    pathLabel_->setMinimumWidth(100);
    pathLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    top->addWidget(pathLabel_, 1);
    column->addLayout(top);

    model_ = new PickerFileModel(this);
    // Hidden items stay out of sight, as in the desktop's own pickers.
    model_->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::AllDirs);
    model_->setReadOnly(true);
    model_->setIconProvider(desktopFileIcons());
    model_->setRootPath(QStringLiteral("/"));
    tree_ = new QTreeView;
    tree_->setModel(model_);
    tree_->setSelectionMode(saving ? QAbstractItemView::SingleSelection : QAbstractItemView::ExtendedSelection);
    tree_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tree_->setSortingEnabled(true);
    tree_->sortByColumn(0, Qt::AscendingOrder);
    tree_->setAlternatingRowColors(true);
    tree_->setExpandsOnDoubleClick(false);
    tree_->setFont(toolkit::lightFont(13));
    tree_->header()->setFont(toolkit::lightFont(12));
    tree_->setColumnHidden(2, true);
    tree_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tree_->header()->setStretchLastSection(false);
    tree_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    tree_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    tree_->header()->setSectionResizeMode(3, QHeaderView::ResizeToContents);
    column->addWidget(tree_, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    cancelButton_ = toolkit::makeTextButton(nullptr, QRect(0, 0, 100, 34), toolkit::secondaryButtonSkin(),
                                            QStringLiteral("取消"));
    cancelButton_->setFixedSize(100, 34);
    bottom->addWidget(cancelButton_);
    addButton_ = toolkit::makeTextButton(nullptr, QRect(0, 0, 100, 34), toolkit::primaryButtonSkin(),
                                         saving ? QStringLiteral("保存") : QStringLiteral("添加"));
    addButton_->setFixedSize(100, 34);
    bottom->addWidget(addButton_);
    column->addLayout(bottom);

    connect(cancelButton_, &QAbstractButton::clicked, this, &QDialog::reject);
    connect(addButton_, &QAbstractButton::clicked, this, [this] {
        if (kind_ == Kind::Save)
            acceptSave();
        else if (!selectedPaths().isEmpty())
            accept();
    });
    connect(upButton_, &QAbstractButton::clicked, this, [this] {
        QDir up(directory_);
        if (up.cdUp())
            setDirectory(up.absolutePath());
    });
    connect(tree_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        const QString path = model_->filePath(index.sibling(index.row(), 0));
        if (model_->isDir(index))
            setDirectory(path);
        else if (kind_ == Kind::Save)
            acceptSave();
        else
            accept();
    });
    connect(tree_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        // Saving: a file picked in the list lends its name.
        if (kind_ == Kind::Save) {
            const QModelIndexList rows = tree_->selectionModel()->selectedRows(0);
            if (!rows.isEmpty() && !model_->isDir(rows.first()))
                nameEdit_->setText(model_->fileName(rows.first()));
        }
        updateAddButton();
    });
    if (nameEdit_) {
        connect(nameEdit_, &QLineEdit::textChanged, this, [this] { updateAddButton(); });
        connect(nameEdit_, &QLineEdit::returnPressed, this, &FilePickerPanel::acceptSave);
    }
    connect(places_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { setDirectory(item->data(kPathRole).toString()); });

    buildPlaces();
    setDirectory(defaultStartFolder());
}

QString FilePickerPanel::dateText(const QDateTime& when)
{
    // Asked for every painted cell.
    static const QLocale chinese(QLocale::Chinese, QLocale::China);
    return chinese.toString(when, QStringLiteral("yyyy/M/d HH:mm"));
}

QString FilePickerPanel::defaultStartFolder()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (!desktop.isEmpty() && QFileInfo(desktop).isDir() && QDir::cleanPath(desktop) != QDir::homePath())
        return desktop;
    return QDir::homePath();
}

void FilePickerPanel::buildPlaces()
{
    const auto add = [this](const QString& title, const QString& path) {
        if (path.isEmpty() || !QFileInfo(path).isDir())
            return;
        for (int i = 0; i < places_->count(); ++i)
            if (places_->item(i)->data(kPathRole).toString() == path)
                return;
        auto* item = new QListWidgetItem(title, places_);
        item->setData(kPathRole, path);
        item->setToolTip(path.toHtmlEscaped());
    };
    add(QStringLiteral("主文件夹"), QDir::homePath());
    add(QStringLiteral("桌面"), QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    add(QStringLiteral("文档"), QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    add(QStringLiteral("下载"), QStandardPaths::writableLocation(QStandardPaths::DownloadLocation));
    // Mounted volumes where the desktop puts them.
    for (const platform::MountEntry& e : platform::readMountTable()) {
        if (e.device.isEmpty())
            continue;
        const QString point = e.mountPoint;
        if (point.startsWith(QLatin1String("/media/")) || point.startsWith(QLatin1String("/run/media/"))
            || point.startsWith(QLatin1String("/mnt/")))
            add(QFileInfo(point).fileName(), point);
    }
    add(QStringLiteral("文件系统"), QStringLiteral("/"));
}

void FilePickerPanel::setDirectory(const QString& folder)
{
    const QString clean = QDir::cleanPath(folder);
    if (!QFileInfo(clean).isDir())
        return;
    directory_ = clean;
    tree_->setRootIndex(model_->index(clean));
    tree_->clearSelection();
    pathLabel_->setText(clean);
    pathLabel_->setToolTip(clean.toHtmlEscaped());
    for (int i = 0; i < places_->count(); ++i)
        places_->item(i)->setSelected(places_->item(i)->data(kPathRole).toString() == clean);
    updateAddButton();
    emit directoryChanged(clean);
}

QStringList FilePickerPanel::selectedPaths() const
{
    QModelIndexList rows = tree_->selectionModel()->selectedRows(0);
    std::sort(rows.begin(), rows.end(), [this](const QModelIndex& a, const QModelIndex& b) {
        return tree_->visualRect(a).y() < tree_->visualRect(b).y();
    });
    QStringList out;
    for (const QModelIndex& index : rows)
        out << model_->filePath(index);
    return out;
}

void FilePickerPanel::selectPaths(const QStringList& paths)
{
    tree_->clearSelection();
    for (const QString& path : paths) {
        const QModelIndex index = model_->index(path);
        if (!index.isValid())
            continue;
        tree_->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    updateAddButton();
}

QString FilePickerPanel::prompt() const
{
    return addButton_->textField() ? addButton_->textField()->text() : QString();
}

void FilePickerPanel::setFileName(const QString& name)
{
    if (!nameEdit_)
        return;
    nameEdit_->setText(name);
    nameEdit_->selectAll();
    nameEdit_->setFocus();
}

QString FilePickerPanel::fileName() const
{
    return nameEdit_ ? nameEdit_->text() : QString();
}

void FilePickerPanel::setSuffix(const QString& suffix)
{
    suffix_ = suffix;
    if (suffix.isEmpty()) {
        model_->setNameFilters({});
        return;
    }
    model_->setNameFilters({QStringLiteral("*.") + suffix});
    model_->setNameFilterDisables(false); // other files are left out, not greyed
}

void FilePickerPanel::acceptSave()
{
    QString name = fileName().trimmed();
    // A name, not a path: "/" has no place in one, "." and ".." are folders.
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") || name == QLatin1String(".."))
        return;
    if (QFileInfo(QDir(directory_).filePath(name)).isDir()) {
        setDirectory(QDir(directory_).filePath(name));
        return;
    }
    // The name the file will have, so the question below is about that file.
    const QString dotted = QLatin1Char('.') + suffix_;
    if (!suffix_.isEmpty() && !name.endsWith(dotted, Qt::CaseInsensitive))
        name += dotted;
    const QString path = QDir(directory_).filePath(name);
    const QFileInfo target(path);
    if (target.isDir()) {
        setDirectory(path);
        return;
    }
    if (target.exists() || target.isSymLink()) {
        const auto answer = QMessageBox::question(this, windowTitle(),
                                                  QStringLiteral("“%1”已存在。要替换它吗？").arg(name),
                                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }
    selectedFile_ = path;
    accept();
}

void FilePickerPanel::updateAddButton()
{
    if (kind_ == Kind::Save)
        addButton_->setButtonEnabled(!fileName().trimmed().isEmpty());
    else
        addButton_->setButtonEnabled(tree_->selectionModel()->hasSelection());
}
