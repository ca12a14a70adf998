#include "ShowAidViewControllrt.h"

#include "RepairDiskRules.h"
#include "RepairDiskViews.h"

#include "platform/Dispatch.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"
#include "toolkit/NamedImageView.h"
#include "toolkit/TextImageButton.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QScrollBar>
#include <QTextDocument>

namespace {

constexpr int kWidth = 540;
constexpr int kHeight = 420;
constexpr int kTextWidth = 450;

QFont rowFont()
{
    QFont f = QApplication::font();
    f.setPixelSize(12);
    return f;
}

// The rows as one column of texts; a row's height follows its text, laid
// out once when the row comes.
class AidRowsModel : public QAbstractListModel {
public:
    explicit AidRowsModel(QStringList& rows, QObject* parent) : QAbstractListModel(parent), rows_(rows) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(rows_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= rows_.size())
            return {};
        switch (role) {
        case Qt::DisplayRole: return rows_.at(index.row());
        case Qt::ForegroundRole: return toolkit::whiteAlpha(0.85f);
        case Qt::FontRole: return rowFont();
        case Qt::SizeHintRole: return QSize(kTextWidth, heights_.at(index.row()));
        default: return {};
        }
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }
    void append(const QString& text)
    {
        const int row = int(rows_.size());
        const int height = int(repairdisk::aidRowHeight(ShowAidViewControllrt::heightOfText(text, kTextWidth)));
        beginInsertRows(QModelIndex(), row, row);
        rows_ << text;
        heights_ << height;
        endInsertRows();
    }

private:
    QStringList& rows_;
    // Parallel to the rows.
    QList<int> heights_;
};

} // namespace

ShowAidViewControllrt::ShowAidViewControllrt(QObject* parent) : QObject(parent)
{
    loadView();
}

ShowAidViewControllrt::~ShowAidViewControllrt()
{
    delete view_.data();
}

double ShowAidViewControllrt::heightOfText(const QString& text, int width)
{
    QTextDocument doc;
    doc.setDefaultFont(rowFont());
    doc.setDocumentMargin(0);
    doc.setPlainText(text);
    doc.setTextWidth(width);
    return doc.documentLayout()->documentSize().height();
}

void ShowAidViewControllrt::loadView()
{
    view_ = new QWidget;
    view_->resize(kWidth, kHeight);
    iconImageView_ = new NamedImageView(QRect(24, 20, 36, 36), view_);
    iconImageView_->setImageName(QStringLiteral("ic_repair_sel"));
    nodeLabel_ = toolkit::makeLabel(view_, QRect(72, 22, kWidth - 96, 32), QStringLiteral("急救"),
                                    toolkit::regularFont(15), toolkit::whiteAlpha(1.0f));

    auto* panel = new PopBgView(view_);
    panel->setGeometry(24, 68, kWidth - 48, 260);
    showTableView_ = new QListView(panel);
    showTableView_->setGeometry(10, 8, kWidth - 48 - 20, 244);
    showTableView_->setFrameShape(QFrame::NoFrame);
    showTableView_->setWordWrap(true);
    showTableView_->setUniformItemSizes(false);
    showTableView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    showTableView_->setSelectionMode(QAbstractItemView::SingleSelection);
    showTableView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    showTableView_->setStyleSheet(QStringLiteral(
        "QListView { background: transparent; color: rgba(255,255,255,217); }"
        "QListView::item:selected { background: rgba(255,255,255,25); color: white; }"
        "QScrollBar:vertical { background: transparent; width: 6px; }"
        "QScrollBar::handle:vertical { background: rgba(255,255,255,60); border-radius: 3px; min-height: 20px; }"
        "QScrollBar::add-line, QScrollBar::sub-line { height: 0; }"));
    model_ = new AidRowsModel(allShowStrArr_, this);
    showTableView_->setModel(model_);

    progress_ = new AidProgress(view_);
    progress_->setGeometry(24, 344, kWidth - 48, 7);

    completeBut_ = toolkit::makeTextButton(view_, QRect(kWidth - 24 - 110, 366, 110, 34), toolkit::primaryButtonSkin(),
                                           QStringLiteral("完成"), 12);
    connect(completeBut_, &QAbstractButton::clicked, this, &ShowAidViewControllrt::completeButAction);
    completeBut_->setButtonEnabled(false);
    setProgressValue(0.2f); // 1 %
}

void ShowAidViewControllrt::setVolumeName(const QString& name, bool repair)
{
    nodeLabel_->setText(repair ? QStringLiteral("正在修复'%1'").arg(name) : QStringLiteral("正在验证'%1'").arg(name));
}

void ShowAidViewControllrt::changeShowOutPut(const QString& chunk)
{
    static_cast<AidRowsModel*>(model_)->append(repairdisk::aidRowText(chunk));
    showTableView_->scrollToBottom();
}

void ShowAidViewControllrt::setProgressValue(float value)
{
    percent_ = repairdisk::aidProgressPercent(value);
    progress_->changeProgressValue(percent_);
    if (value == repairdisk::kAidEndMark)
        completeBut_->setButtonEnabled(true);
}

void ShowAidViewControllrt::completeButAction()
{
    if (superDelegate_)
        superDelegate_->close();
    if (delegate_)
        delegate_->closeShowAidWindow();
}
