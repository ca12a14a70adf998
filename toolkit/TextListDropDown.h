#pragma once
// A drop-down list of texts: one hover row (`SortSelectBgView`) per text,
// each row 30 high across the list's width, inside a see-through view that
// reports the pointer's arrival and departure. A click reports the row's
// number to the delegate, after `rowPicked` has had it. The controller owns
// its view; main thread only.

#include "toolkit/PointerTrackingView.h"
#include "toolkit/SortSelectBgView.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

class QLabel;

namespace toolkit {

class TextListDropDownDelegate {
public:
    virtual ~TextListDropDownDelegate() = default;
    // The row of this number was clicked.
    virtual void selectFormatbyType(int row) { Q_UNUSED(row); }
    // YES when the pointer left the list, NO when it entered it.
    virtual void mouseEixtView(bool exited) { Q_UNUSED(exited); }
};

class TextListDropDown : public QObject, public SortSelectBgViewDelegate {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 30;

    TextListDropDown(const QStringList& texts, int width, QObject* parent = nullptr);
    ~TextListDropDown() override;

    QWidget* view() const { return view_; }

    // Not owned.
    void setDelegate(TextListDropDownDelegate* delegate) { delegate_ = delegate; }
    TextListDropDownDelegate* delegate() const { return delegate_; }

    // A row was clicked: `rowPicked`, then the delegate.
    void selectSortType(SortSelectBgView* row) override;
    void mouseEntered();
    void mouseExited();

    QList<SortSelectBgView*> rows() const { return rows_; }
    QList<QLabel*> texts() const { return texts_; }

protected:
    // What the list itself does with a picked row before the delegate hears.
    virtual void rowPicked(int row) { Q_UNUSED(row); }

private:
    QPointer<PointerTrackingView> view_;
    QList<SortSelectBgView*> rows_;
    QList<QLabel*> texts_;
    TextListDropDownDelegate* delegate_ = nullptr;
};

} // namespace toolkit
