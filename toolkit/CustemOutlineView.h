#pragma once
// The dark tree list: the list header look, no selection colour.

#include <QStyledItemDelegate>
#include <QTreeView>

class CustomHeaderView;

// Draws items as they are, without the selection colour or focus frame:
// the dark lists show their chosen row their own way.
class PlainItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

class CustemOutlineViewDelegate {
public:
    virtual ~CustemOutlineViewDelegate() = default;
};

class CustemOutlineView : public QTreeView {
    Q_OBJECT
public:
    static constexpr int kHeaderHeight = 26;

    explicit CustemOutlineView(QWidget* parent = nullptr);

    void _setupHeaderCell();
    CustomHeaderView* customHeader() const { return header_; }

    // Stored only.
    int rowNum() const { return rowNum_; }
    void setRowNum(int row) { rowNum_ = row; }

    CustemOutlineViewDelegate* listDelegate() const { return listDelegate_; }
    void setListDelegate(CustemOutlineViewDelegate* delegate) { listDelegate_ = delegate; }

protected:
    // Draws the row as it stands; it does not ask for another redraw.
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    CustomHeaderView* header_;
    int rowNum_ = 0;
    CustemOutlineViewDelegate* listDelegate_ = nullptr;
};
