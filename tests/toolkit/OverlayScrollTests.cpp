// The overlay scroller: the list keeps its full width, the slim knob lies
// over its right edge below the header, and stays on top and visible.
#include "WidgetTestSupport.h"

#include "TestSupport.h"
#include "toolkit/CustemOutlineView.h"
#include "toolkit/CustomTableView.h"
#include "toolkit/ImageAndTextCell.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/RFOverlayScrollView.h"
#include "toolkit/RFOverlayScroller.h"

#include <QApplication>
#include <QEnterEvent>
#include <QHeaderView>
#include <QLabel>
#include <QStandardItemModel>
#include <gtest/gtest.h>

namespace {

struct LongList {
    QStandardItemModel model{40, 2};
    CustomTableView* table = new CustomTableView;
    ImageAndTextCellItemDelegate cells;
    RFOverlayScrollView scroll{QRect(0, 0, 730, 300), nullptr};

    LongList()
    {
        model.setHorizontalHeaderLabels({QStringLiteral("名称"), QStringLiteral("大小")});
        table->setModel(&model);
        table->_setupHeaderCell();
        table->setColumnWidth(0, 400);
        table->setColumnWidth(1, 200);
        table->setItemDelegate(&cells);
        cells.setWillDisplay([](ImageAndTextCell& cell, const QModelIndex& index) {
            cell.setTitle(index.column() == 0 ? QStringLiteral("应用程序 %1").arg(index.row() + 1)
                                              : QStringLiteral("%1.00 MB").arg((index.row() * 37) % 900),
                          12, 300);
            cell.setColor(toolkit::whiteAlpha(index.column() == 0 ? 1.0f : 0.6f));
        });
        scroll.setDocumentView(table);
    }
};

} // namespace

TEST(RFOverlayScrollView, ScrollerLiesOverTheListBelowTheHeader)
{
    LongList list;
    list.scroll.show();
    EXPECT_EQ(list.scroll.tableHeaderOffsetFromSuperview(), 25);
    EXPECT_EQ(list.scroll.headerOffset(), 25);
    EXPECT_EQ(list.table->geometry(), QRect(0, 0, 730, 300)) << "the list keeps its full width";
    EXPECT_EQ(list.table->viewport()->width(), 730);
    RFOverlayScroller* scroller = list.scroll.verticalScroller();
    EXPECT_EQ(scroller->geometry(), QRect(730 - 15, 25, 15, 275));
    EXPECT_TRUE(scroller->isVisible());
    tktest::saveRendering(&list.scroll, QStringLiteral("overlay_scroll_list_top"));
}

TEST(RFOverlayScrollView, TitlesOfAListWithoutATickColumnStayInsideTheirCards)
{
    LongList list;
    list.scroll.show();
    const QImage image = tktest::render(&list.scroll);
    tktest::savePng(image, QStringLiteral("overlay_scroll_titles_inside_cards"));
    // Nothing bright left of the cards, in the header or the rows.
    int leftmost = image.width();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < 200; ++x)
            if (qGray(image.pixel(x, y)) > 150) {
                leftmost = std::min(leftmost, x);
                break;
            }
    EXPECT_GE(leftmost, CustomTableView::kContentMinX) << "a title starts at x " << leftmost;
    EXPECT_LT(leftmost, CustomTableView::kContentMinX + 6) << "the titles begin at the card's inner edge";
    // The header's first title begins at the same edge as the rows' titles.
    int headerLeft = image.width();
    for (int y = 0; y < CustomTableView::kHeaderHeight; ++y)
        for (int x = 0; x < 200; ++x)
            if (qGray(image.pixel(x, y)) > 150) {
                headerLeft = std::min(headerLeft, x);
                break;
            }
    EXPECT_NEAR(headerLeft, leftmost, 3);
}

TEST(RFOverlayScrollView, ScrollerIsTopmostAfterEveryLayout)
{
    LongList list;
    auto* late = new QLabel(QStringLiteral("later sibling"), &list.scroll);
    late->show();
    late->raise();
    list.scroll.tile();
    const QObjectList children = list.scroll.children();
    QWidget* last = nullptr;
    for (QObject* child : children) {
        if (auto* w = qobject_cast<QWidget*>(child))
            last = w;
    }
    EXPECT_EQ(last, list.scroll.verticalScroller());
    list.scroll.show();
    list.scroll.resize(600, 250);
    EXPECT_EQ(list.scroll.verticalScroller()->geometry(), QRect(600 - 15, 25, 15, 225));
}

TEST(RFOverlayScrollView, ListWithoutAHeaderPutsTheScrollerAtTheTop)
{
    LongList list;
    list.table->horizontalHeader()->hide();
    EXPECT_EQ(list.scroll.tableHeaderOffsetFromSuperview(), 0);
    list.scroll.setHeaderOffset(list.scroll.tableHeaderOffsetFromSuperview());
    EXPECT_EQ(list.scroll.verticalScroller()->y(), 25) << "setting the offset does not re-tile";
    list.scroll.tile();
    EXPECT_EQ(list.scroll.verticalScroller()->y(), 0);

    RFOverlayScrollView empty(QRect(0, 0, 100, 100), nullptr);
    EXPECT_EQ(empty.tableHeaderOffsetFromSuperview(), 0);

    QStandardItemModel model(3, 1);
    auto* tree = new CustemOutlineView;
    tree->setModel(&model);
    RFOverlayScrollView treeScroll(QRect(0, 0, 300, 200), nullptr);
    treeScroll.setDocumentView(tree);
    EXPECT_EQ(treeScroll.headerOffset(), 26);
}

TEST(RFOverlayScrollView, ScrollerAndListMoveTogether)
{
    LongList list;
    list.scroll.show();
    RFOverlayScroller* scroller = list.scroll.verticalScroller();
    QScrollBar* own = list.table->verticalScrollBar();
    ASSERT_GT(own->maximum(), 0);
    EXPECT_EQ(scroller->maximum(), own->maximum());
    scroller->setValue(own->maximum() / 2);
    EXPECT_EQ(own->value(), own->maximum() / 2);
    list.table->scrollToBottom();
    EXPECT_EQ(scroller->value(), own->maximum());
    const QRectF knob = scroller->knobRect();
    EXPECT_DOUBLE_EQ(knob.x(), 3);
    EXPECT_DOUBLE_EQ(knob.width(), 8);
    EXPECT_NEAR(knob.bottom(), scroller->height(), 0.5) << "at the bottom the knob reaches the end";

    // Leaving the list leaves the knob fully visible.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(scroller, &leave);
    EXPECT_TRUE(scroller->isVisible());
    EXPECT_DOUBLE_EQ(scroller->knobOpacity(), 1.0);
    tktest::saveRendering(&list.scroll, QStringLiteral("overlay_scroll_list_bottom"));
}

TEST(RFOverlayScrollView, ShortListShowsNoKnob)
{
    LongList list;
    list.model.setRowCount(2);
    list.scroll.show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(list.scroll.verticalScroller()->isVisible());
}

TEST(RFOverlayScroller, OnlyTheClassItselfIsOverlayCompatible)
{
    struct Derived : RFOverlayScroller {};
    RFOverlayScroller base;
    Derived derived;
    EXPECT_TRUE(base.isCompatibleWithOverlayScrollers());
    EXPECT_FALSE(derived.isCompatibleWithOverlayScrollers());
    EXPECT_DOUBLE_EQ(RFOverlayScroller::zeroWidth(), 0.0);

    QWidget plain;
    EXPECT_EQ(scrollerAboveSiblingViewsComparator(&base, &plain), 1);
    EXPECT_EQ(scrollerAboveSiblingViewsComparator(&plain, &base), -1);
    QWidget other;
    EXPECT_EQ(scrollerAboveSiblingViewsComparator(&plain, &other), 0);
}
