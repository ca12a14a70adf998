#include "RFOverlayScrollView.h"

#include "RFOverlayScroller.h"

#include <QAbstractScrollArea>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QTreeView>
#include <algorithm>

namespace {

bool isOverlayScroller(const QWidget* w) { return qobject_cast<const RFOverlayScroller*>(w) != nullptr; }

int headerHeight(const QHeaderView* header)
{
    if (!header || header->isHidden())
        return 0;
    if (header->minimumHeight() == header->maximumHeight())
        return header->maximumHeight();
    return header->sizeHint().height();
}

} // namespace

int scrollerAboveSiblingViewsComparator(const QWidget* a, const QWidget* b)
{
    if (isOverlayScroller(a))
        return 1;
    if (isOverlayScroller(b))
        return -1;
    return 0;
}

RFOverlayScrollView::RFOverlayScrollView(QWidget* parent) : QWidget(parent), scroller_(new RFOverlayScroller(this))
{
    scroller_->hide();
    headerOffset_ = tableHeaderOffsetFromSuperview();
}

RFOverlayScrollView::RFOverlayScrollView(const QRect& frame, QWidget* parent) : RFOverlayScrollView(parent)
{
    setGeometry(frame);
}

void RFOverlayScrollView::setDocumentView(QAbstractScrollArea* list)
{
    if (list_)
        list_->verticalScrollBar()->disconnect(this);
    list_ = list;
    if (!list)
        return;
    list->setParent(this);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->show();
    QScrollBar* own = list->verticalScrollBar();
    connect(own, &QScrollBar::rangeChanged, this, [this] { syncFromList(); });
    connect(own, &QScrollBar::valueChanged, this, [this] { syncFromList(); });
    connect(scroller_, &QScrollBar::valueChanged, this, [this](int value) {
        if (list_ && list_->verticalScrollBar()->value() != value)
            list_->verticalScrollBar()->setValue(value);
    });
    headerOffset_ = tableHeaderOffsetFromSuperview();
    syncFromList();
    tile();
}

int RFOverlayScrollView::tableHeaderOffsetFromSuperview() const
{
    for (QObject* child : children()) {
        if (auto* table = qobject_cast<QTableView*>(child))
            return headerHeight(table->horizontalHeader());
        if (auto* tree = qobject_cast<QTreeView*>(child))
            return headerHeight(tree->header());
    }
    return 0;
}

void RFOverlayScrollView::syncFromList()
{
    if (!list_)
        return;
    const QScrollBar* own = list_->verticalScrollBar();
    const QSignalBlocker block(scroller_);
    scroller_->setRange(own->minimum(), own->maximum());
    scroller_->setPageStep(own->pageStep());
    scroller_->setSingleStep(own->singleStep());
    scroller_->setValue(own->value());
    scroller_->setVisible(own->maximum() > own->minimum());
    scroller_->update();
}

void RFOverlayScrollView::tile()
{
    // The list takes the full width: the scroller takes none of it.
    if (list_)
        list_->setGeometry(rect());
    const int w = RFOverlayScroller::scrollerWidth();
    scroller_->setGeometry(width() - w, headerOffset_, w, std::max(0, height() - headerOffset_));
    syncFromList();

    // Overlay scrollers above every sibling.
    QList<QWidget*> siblings;
    for (QObject* child : children()) {
        if (auto* widget = qobject_cast<QWidget*>(child))
            siblings.push_back(widget);
    }
    std::stable_sort(siblings.begin(), siblings.end(), [](const QWidget* a, const QWidget* b) {
        return scrollerAboveSiblingViewsComparator(a, b) < 0;
    });
    for (QWidget* widget : siblings)
        widget->raise();
}

void RFOverlayScrollView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    tile();
}
