#pragma once
// The erasure-standard drop-down: one hover row per standard. A click stores
// the standard's index and pass count in the user defaults and tells the
// host which row was picked.

#include "toolkit/TextListDropDown.h"

class QLabel;

using FormatLTypeVCDelegate = toolkit::TextListDropDownDelegate;

class FormatLTypeViewController : public toolkit::TextListDropDown {
    Q_OBJECT
public:
    static constexpr int kRowCount = 8;

    explicit FormatLTypeViewController(QObject* parent = nullptr);

    // Stores the standard of `index`: its pass count and the index.
    void delegateMouseEntered(int index);
    void delegateMouseExited() {}

    SortSelectBgView* row(int n) const { return rows().at(n - 1); }
    QLabel* text(int n) const { return texts().at(n - 1); }

protected:
    void rowPicked(int index) override { delegateMouseEntered(index); }
};
