#pragma once
// The clickable row of the drop-down lists (sort order, erasure standard,
// file-system type): filled with the hover colour while the pointer is over
// it, and reporting a click to its delegate. Its owner tells the rows apart
// by their identifier, read as an integer.

#include <QString>
#include <QWidget>

class SortSelectBgView;

class SortSelectBgViewDelegate {
public:
    virtual ~SortSelectBgViewDelegate() = default;
    virtual void selectSortType(SortSelectBgView* row) { Q_UNUSED(row); }
};

class SortSelectBgView : public QWidget {
    Q_OBJECT
public:
    explicit SortSelectBgView(QWidget* parent = nullptr);
    SortSelectBgView(const QRect& frame, const QString& identifier, QWidget* parent);

    QString identifier() const { return identifier_; }
    void setIdentifier(const QString& identifier) { identifier_ = identifier; }

    // Not owned.
    SortSelectBgViewDelegate* delegate() const { return delegate_; }
    void setDelegate(SortSelectBgViewDelegate* delegate) { delegate_ = delegate; }

    bool isMouseIn() const { return isMouseIn_; }

    // The pointer's arrival and departure, as the tracking reports them.
    void mouseEntered();
    void mouseExited();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString identifier_;
    SortSelectBgViewDelegate* delegate_ = nullptr;
    bool isMouseIn_ = false;
};
