#pragma once
// The uninstaller screen's list apart from its drawing: which kind is shown,
// the rows shown (the kind's items, filtered by the search text, and put in
// the order the sort control names every time they are filled),
// the items ticked per kind in the order they were ticked, the counters and
// button states, and which items a removal hands over and drops afterwards.
//
// The source lists themselves belong to the UninstallEngine that fills them;
// this holds the very item objects, compared by identity. Main thread only.

#include "AMAppItem.h"

#include <QString>
#include <functional>

class UninstallList {
public:
    enum Kind { Applications = 0, Widgets = 1, Plugins = 2 };

    // `sources` gives the source list of a kind (the engine's); the lists must
    // outlive this one.
    using Sources = std::function<AMAppItemList&(int kind)>;
    explicit UninstallList(Sources sources);

    // --- the kind and the rows shown ---
    int appsType() const { return appsType_; }
    // Shows the whole source list of `kind` (the search text is dropped).
    void setKind(int kind);
    const AMAppItemList& showListArr() const { return showListArr_; }
    int rowCount() const { return static_cast<int>(showListArr_.size()); }
    // The item of a row; null outside the rows.
    AMAppItemPtr at(int row) const;
    int rowOf(const AMAppItemPtr& item) const;
    // Shows the whole source list of the current kind again.
    void showAll();
    // The source list of the current kind changed under us (a scan or a
    // refresh): the rows are rebuilt with the current search text.
    void reloadFromSource();
    // An application reached the source list: it is shown when the
    // applications are and it matches the search text.
    void applicationAdded(const AMAppItemPtr& item);

    // "   应用程序(共: %d 个程序)" for applications, "   项(共: %d 项)" for
    // the others, with the number of rows shown.
    QString headerTitle() const;

    // --- search ---
    // Rows become the items of the kind whose display name contains the text,
    // ignoring case; the text is taken literally (no pattern). An empty text
    // shows every item.
    void search(const QString& text);
    QString searchKey() const { return searchKey_; }

    // --- sorting ---
    // A click on a column header: "Size" by the size texts read back to
    // bytes, "appname" by the name shown (case-insensitive, in Simplified
    // Chinese collation); other columns do nothing (returns false).
    // The first click sorts descending and every later click, on either
    // column, reverses the direction.
    bool sortByColumn(const QString& columnId);
    // Direction of the next header-click sort: true ascending.
    bool isSort() const { return isSort_; }
    // The sort pop-up's choice: criterion 0 by name, any other by size;
    // direction 0 ascending, any other descending. Equal keys keep their order.
    // The rows are filled in this order from now on (by name, ascending, at
    // first), as the control's title says; a header click's order lasts only
    // until they are filled again.
    void sortBy(int sortType, int sortAD);

    // --- ticks ---
    // The ticked items of a kind, in the order ticked.
    const AMAppItemList& selection(int kind) const;
    const AMAppItemList& currentSelection() const { return selection(appsType_); }
    bool isTicked(const AMAppItemPtr& item) const;
    // Ticks the row's item, or unticks it when it is ticked already (it goes
    // to the end of the order when ticked again). False outside the rows.
    bool flipTick(int row);
    // With as many items ticked as rows shown, unticks everything; otherwise
    // the ticked items become exactly the rows shown, in row order.
    void selectAll();
    // A walk of this kind starts over: its ticks are void.
    void clearSelection(int kind);

    // --- counters ---
    struct Counters {
        QString label;          // "已选择: %@/%d 个程序" or "共: %d 个程序"
        int boldStart = -1;     // where the ticked count stands in `label`, -1 for none
        int boldLength = 0;
        QString selectAllTitle; // "全选" or "取消全选"
        bool uninstallEnabled = false;
    };
    Counters counters() const;

    // --- removal ---
    // The items a press of "卸载" removes: the ticked items of the kind, in
    // the order ticked.
    AMAppItemList itemsToUninstall() const { return currentSelection(); }
    // After a run: each of `handled` whose path is gone leaves its kind's
    // source list and ticks; an item still on disk stays, ticked as it was.
    // The rows then show the whole kind. Returns the items dropped.
    AMAppItemList dropRemoved(const AMAppItemList& handled, int kind, const std::function<bool(const QString&)>& isGone);

private:
    const AMAppItemList& source() const { return sources_(appsType_); }
    bool matches(const AMAppItemPtr& item) const;
    void putInChosenOrder();

    Sources sources_;
    int appsType_ = Applications;
    AMAppItemList showListArr_;
    AMAppItemList selections_[3];
    QString searchKey_;
    bool isSort_ = false;
    int sortType_ = 0;
    int sortAD_ = 0;
    bool inChosenOrder_ = true; // false after a header click, until the next filling
};
