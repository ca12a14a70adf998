#include "UninstallList.h"

#include "core/CommUti.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>

namespace {

using RowOrder = std::function<bool(const AMAppItemPtr&, const AMAppItemPtr&)>;

RowOrder rowOrder(bool bySize, bool ascending)
{
    if (bySize) {
        return [ascending](const AMAppItemPtr& a, const AMAppItemPtr& b) {
            const quint64 x = CommUti::volSpaceFromString(a->size);
            const quint64 y = CommUti::volSpaceFromString(b->size);
            return ascending ? x < y : x > y;
        };
    }
    // By the name the row shows, as a reader of this Chinese interface orders
    // names: case does not count, Han names go by their pinyin. The rows show
    // an entry's Simplified Chinese name where it has one, so the collation
    // is Simplified Chinese's whatever locale the session runs in (which may
    // well be C or English, ordering Han names by code point).
    QCollator collator(QLocale(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::China));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return [ascending, collator](const AMAppItemPtr& a, const AMAppItemPtr& b) {
        const int c = collator.compare(a->name, b->name);
        return ascending ? c < 0 : c > 0;
    };
}

void sortRows(AMAppItemList& rows, bool bySize, bool ascending)
{
    std::stable_sort(rows.begin(), rows.end(), rowOrder(bySize, ascending));
}

} // namespace

UninstallList::UninstallList(Sources sources) : sources_(std::move(sources)) {}

void UninstallList::setKind(int kind)
{
    appsType_ = std::clamp(kind, int(Applications), int(Plugins));
    searchKey_.clear();
    showListArr_ = source();
    putInChosenOrder();
}

AMAppItemPtr UninstallList::at(int row) const
{
    return row >= 0 && row < showListArr_.size() ? showListArr_.at(row) : AMAppItemPtr();
}

int UninstallList::rowOf(const AMAppItemPtr& item) const
{
    return item ? static_cast<int>(showListArr_.indexOf(item)) : -1;
}

void UninstallList::showAll()
{
    searchKey_.clear();
    showListArr_ = source();
    putInChosenOrder();
}

void UninstallList::reloadFromSource()
{
    search(searchKey_);
}

void UninstallList::applicationAdded(const AMAppItemPtr& item)
{
    if (appsType_ != Applications || !item || !matches(item) || showListArr_.contains(item))
        return;
    // Rows a header click put in its own order are no guide for where the
    // new one goes: it is a filling like any other, in the control's order.
    if (!inChosenOrder_) {
        showListArr_.append(item);
        putInChosenOrder();
        return;
    }
    showListArr_.insert(
        std::upper_bound(showListArr_.begin(), showListArr_.end(), item, rowOrder(sortType_ != 0, sortAD_ == 0)), item);
}

QString UninstallList::headerTitle() const
{
    if (appsType_ == Applications)
        return QStringLiteral("   应用程序(共: %1 个程序)").arg(rowCount());
    return QStringLiteral("   项(共: %1 项)").arg(rowCount());
}

bool UninstallList::matches(const AMAppItemPtr& item) const
{
    return searchKey_.isEmpty() || item->name.toLower().contains(searchKey_);
}

void UninstallList::search(const QString& text)
{
    searchKey_ = text.toLower();
    showListArr_.clear();
    for (const AMAppItemPtr& item : source())
        if (item && matches(item))
            showListArr_.append(item);
    putInChosenOrder();
}

void UninstallList::putInChosenOrder()
{
    sortRows(showListArr_, sortType_ != 0, sortAD_ == 0);
    inChosenOrder_ = true;
}

bool UninstallList::sortByColumn(const QString& columnId)
{
    const bool bySize = columnId == QLatin1String("Size");
    if (!bySize && columnId != QLatin1String("appname"))
        return false;
    sortRows(showListArr_, bySize, isSort_);
    isSort_ = !isSort_;
    inChosenOrder_ = false;
    return true;
}

void UninstallList::sortBy(int sortType, int sortAD)
{
    sortType_ = sortType;
    sortAD_ = sortAD;
    putInChosenOrder();
}

const AMAppItemList& UninstallList::selection(int kind) const
{
    return selections_[std::clamp(kind, int(Applications), int(Plugins))];
}

bool UninstallList::isTicked(const AMAppItemPtr& item) const
{
    return item && currentSelection().contains(item);
}

bool UninstallList::flipTick(int row)
{
    const AMAppItemPtr item = at(row);
    if (!item)
        return false;
    AMAppItemList& ticked = selections_[appsType_];
    if (!ticked.removeOne(item))
        ticked.append(item);
    return true;
}

void UninstallList::selectAll()
{
    AMAppItemList& ticked = selections_[appsType_];
    if (ticked.size() == showListArr_.size())
        ticked.clear();
    else
        ticked = showListArr_;
}

void UninstallList::clearSelection(int kind)
{
    if (kind >= Applications && kind <= Plugins)
        selections_[kind].clear();
}

UninstallList::Counters UninstallList::counters() const
{
    Counters out;
    const int n = static_cast<int>(currentSelection().size());
    const int m = rowCount();
    if (n == 0) {
        out.label = QStringLiteral("共: %1 个程序").arg(m);
        out.selectAllTitle = QStringLiteral("全选");
        return out;
    }
    const QString number = QString::number(n);
    out.label = QStringLiteral("已选择: %1/%2 个程序").arg(number).arg(m);
    out.boldStart = static_cast<int>(out.label.indexOf(number));
    out.boldLength = static_cast<int>(number.size());
    out.selectAllTitle = n < m ? QStringLiteral("全选") : QStringLiteral("取消全选");
    out.uninstallEnabled = true;
    return out;
}

AMAppItemList UninstallList::dropRemoved(const AMAppItemList& handled, int kind,
                                         const std::function<bool(const QString&)>& isGone)
{
    kind = std::clamp(kind, int(Applications), int(Plugins));
    AMAppItemList dropped;
    AMAppItemList& sourceList = sources_(kind);
    for (const AMAppItemPtr& item : handled) {
        if (!item || dropped.contains(item) || !isGone(item->path))
            continue;
        sourceList.removeAll(item);
        selections_[kind].removeAll(item);
        dropped.append(item);
    }
    showAll();
    return dropped;
}
