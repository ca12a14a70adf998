#include "FileEraserSortVC.h"

#include "Label.h"
#include "PointerTrackingView.h"

#include "InterfaceStyle.h"
#include "NamedImageView.h"

#include <QLabel>

namespace {

constexpr int kWidth = 150;
constexpr int kRowHeight = 30;
constexpr int kGap = 9;

const QColor kChosen = toolkit::colorOf(255, 255, 255, 1.0);
const QColor kOther = toolkit::colorOf(255, 255, 255, 0.7);

} // namespace

FileEraserSortVC::FileEraserSortVC(QObject* parent) : QObject(parent)
{
    loadView();
}

FileEraserSortVC::~FileEraserSortVC()
{
    delete view_.data();
}

QWidget* FileEraserSortVC::view() const
{
    return view_;
}

void FileEraserSortVC::loadView()
{
    view_ = new toolkit::PointerTrackingView;
    view_->resize(kWidth, kRowHeight * 5 + kGap);
    view_->onEntered = [this] { mouseEntered(); };
    view_->onExited = [this] { mouseExited(); };

    const QStringList texts{QStringLiteral("名称"), QStringLiteral("大小"), QStringLiteral("其他"),
                            QStringLiteral("升序"), QStringLiteral("降序")};
    for (int i = 0; i < 5; ++i) {
        const int y = i * kRowHeight + (i >= 3 ? kGap : 0);
        auto* row = new SortSelectBgView(QRect(0, y, kWidth, kRowHeight), QString::number(i), view_);
        row->setDelegate(this);
        auto* icon = new NamedImageView(QRect(12, (kRowHeight - 12) / 2, 12, 12), row);
        icon->setImageName(QStringLiteral("ic_checkmark"));
        icon->setAttribute(Qt::WA_TransparentForMouseEvents);
        icon->hide();
        labels_[static_cast<size_t>(i)] = toolkit::makeLabel(row, QRect(34, 0, kWidth - 40, kRowHeight), texts.at(i),
                                                                  toolkit::lightFont(13), kOther);
        views_[static_cast<size_t>(i)] = row;
        icons_[static_cast<size_t>(i)] = icon;
    }
    // A thin line between the kinds and the directions.
    auto* line = new QWidget(view_);
    line->setGeometry(10, kRowHeight * 3 + kGap / 2, kWidth - 20, 1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, toolkit::colorOf(255, 255, 255, 0.12));
    line->setPalette(palette);
}

void FileEraserSortVC::showKind(int kind)
{
    sortType_ = kind;
    toolkit::setLabelColor(labels_[static_cast<size_t>(kind)], kChosen);
    for (int i = 0; i < 3; ++i)
        icons_[static_cast<size_t>(i)]->setVisible(i == kind);
}

void FileEraserSortVC::showDirection(int direction)
{
    sortAD_ = direction;
    toolkit::setLabelColor(labels_[static_cast<size_t>(3 + direction)], kChosen);
    icons_[3]->setVisible(direction == 0);
    icons_[4]->setVisible(direction == 1);
}

void FileEraserSortVC::setSortTypeWithSortAD(int sortType, int sortAD)
{
    if (sortType >= 0 && sortType <= 2)
        showKind(sortType);
    if (sortAD == 0 || sortAD == 1)
        showDirection(sortAD);
}

void FileEraserSortVC::selectSortType(SortSelectBgView* row)
{
    if (!row)
        return;
    for (QLabel* label : labels_)
        toolkit::setLabelColor(label, kOther);
    const QString id = row->identifier();
    if (id == QLatin1String("0") || id == QLatin1String("1") || id == QLatin1String("2")) {
        showKind(id.toInt());
    } else if (id == QLatin1String("3") || id == QLatin1String("4")) {
        showDirection(id.toInt() - 3);
    }
    if (delegate_)
        delegate_->selectSortbyType(sortType_, sortAD_);
}

void FileEraserSortVC::mouseEntered()
{
    if (delegate_)
        delegate_->mouseEixtView(false);
}

void FileEraserSortVC::mouseExited()
{
    if (delegate_)
        delegate_->mouseEixtView(true);
}

QString FileEraserSortVC::sortTitle(int kind, int direction)
{
    return QStringLiteral("%1、%2").arg(kind == 1 ? QStringLiteral("大小") : QStringLiteral("名称"),
                                        direction == 1 ? QStringLiteral("降序") : QStringLiteral("升序"));
}
