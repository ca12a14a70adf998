#pragma once
// The format picker: one hover row per file system our disk utility can make
// here ("ExFAT", "MS-DOS FAT32", "ext4"); a click reports the row's number,
// the pointer's arrival and departure go to the host.

#include "toolkit/PointerTrackingView.h"
#include "toolkit/SortSelectBgView.h"

#include <QList>
#include <QObject>
#include <QPointer>

class QLabel;

class FormatTypeVCDelegate {
public:
    virtual ~FormatTypeVCDelegate() = default;
    virtual void selectFormatbyType(int row) { Q_UNUSED(row); }
    // YES when the pointer left the list, NO when it entered it.
    virtual void mouseEixtView(bool exited) { Q_UNUSED(exited); }
};

class FormatTypeViewController : public QObject, public SortSelectBgViewDelegate {
    Q_OBJECT
public:
    explicit FormatTypeViewController(QObject* parent = nullptr);
    ~FormatTypeViewController() override;

    QWidget* view() const { return view_; }
    void setDelegate(FormatTypeVCDelegate* delegate) { delegate_ = delegate; }

    void selectSortType(SortSelectBgView* row) override;
    void mouseEntered();
    void mouseExited();

    QList<SortSelectBgView*> rows() const { return rows_; }

private:
    QPointer<toolkit::PointerTrackingView> view_;
    QList<SortSelectBgView*> rows_;
    FormatTypeVCDelegate* delegate_ = nullptr;
};
