#pragma once
// The erase history's outline: every row on a rounded card, the selected
// row's card darker, no system selection colour.

#include "toolkit/CustemOutlineView.h"

#include <QPersistentModelIndex>

class EUCustomOutlineView : public CustemOutlineView {
    Q_OBJECT
public:
    static constexpr int kCardWidth = 634;
    static constexpr int kCardHeight = 40;
    static constexpr int kRowHeight = 44;

    explicit EUCustomOutlineView(QWidget* parent = nullptr);

    // The row drawn as selected, kept by its item so that expanding,
    // collapsing and reloading never move the mark to another row.
    void setSelectCellBackgroundColorWithRow(const QModelIndex& index);
    QModelIndex isSelectRow() const { return selected_; }

    // The card of a row, in viewport coordinates.
    QRect cardRect(const QModelIndex& index) const;

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;

private:
    QPersistentModelIndex selected_;
};
