#pragma once
// Holds a list at its full width and lays the vertical scroller over the
// list's right edge, below the list's header.

#include <QPointer>
#include <QWidget>

class QAbstractScrollArea;
class RFOverlayScroller;

// Orders siblings so that overlay scrollers come last (drawn on top):
// -1 when `a` goes before `b`, 1 when after, 0 when either order will do.
int scrollerAboveSiblingViewsComparator(const QWidget* a, const QWidget* b);

class RFOverlayScrollView : public QWidget {
    Q_OBJECT
public:
    explicit RFOverlayScrollView(QWidget* parent = nullptr);
    RFOverlayScrollView(const QRect& frame, QWidget* parent);

    // Puts `list` inside at full size; its own vertical scroll bar gives way
    // to the overlay scroller, which drives it. Takes the list as a child.
    void setDocumentView(QAbstractScrollArea* list);
    QAbstractScrollArea* documentView() const { return list_; }
    RFOverlayScroller* verticalScroller() const { return scroller_; }

    // Height of the header of the list inside, or 0 without one.
    int tableHeaderOffsetFromSuperview() const;

    int headerOffset() const { return headerOffset_; }
    // Does not re-tile.
    void setHeaderOffset(int offset) { headerOffset_ = offset; }

    // Lays the list and the scroller out.
    void tile();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void syncFromList();

    QPointer<QAbstractScrollArea> list_;
    RFOverlayScroller* scroller_;
    int headerOffset_ = 0;
};
