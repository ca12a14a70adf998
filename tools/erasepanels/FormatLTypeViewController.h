#pragma once
// The erasure-standard drop-down: one hover row per standard. A click stores
// the standard's index and pass count in the user defaults and tells the
// host which row was picked.

#include "toolkit/SortSelectBgView.h"

#include <QObject>
#include <QPointer>
#include <array>

class QLabel;

#include "toolkit/PointerTrackingView.h"

class FormatLTypeVCDelegate {
public:
    virtual ~FormatLTypeVCDelegate() = default;
    // A standard was picked and is stored already.
    virtual void selectFormatbyType(int index) { Q_UNUSED(index); }
    // YES when the pointer left the list, NO when it entered it.
    virtual void mouseEixtView(bool exited) { Q_UNUSED(exited); }
};

class FormatLTypeViewController : public QObject, public SortSelectBgViewDelegate {
    Q_OBJECT
public:
    static constexpr int kRowCount = 8;

    explicit FormatLTypeViewController(QObject* parent = nullptr);
    ~FormatLTypeViewController() override;

    QWidget* view() const;

    void setDelegate(FormatLTypeVCDelegate* delegate) { delegate_ = delegate; }
    FormatLTypeVCDelegate* delegate() const { return delegate_; }

    // A row was clicked: picks the row's standard.
    void selectSortType(SortSelectBgView* row) override;
    // Stores the standard of `index`: its pass count and the index.
    void delegateMouseEntered(int index);
    void delegateMouseExited() {}

    void mouseEntered();
    void mouseExited();

    SortSelectBgView* row(int n) const { return views_.at(n - 1); }
    QLabel* text(int n) const { return texts_.at(n - 1); }

private:
    void loadView();

    QPointer<toolkit::PointerTrackingView> view_;
    std::array<SortSelectBgView*, kRowCount> views_{};
    std::array<QLabel*, kRowCount> texts_{};
    FormatLTypeVCDelegate* delegate_ = nullptr;
};
