#pragma once
// The sort control of the list screens: the sort icon with the current order
// beside it ("名称、升序"). A click opens the sort drop-down by the control;
// a choice closes it, retitles the control and is handed to `onChoice`.
// Main thread only.

#include "FileEraserSortVC.h"

#include <QObject>
#include <QRect>
#include <functional>

class DropDownHost;
class QLabel;
class TCImageButton;

class SortControl : public QObject, public FileEraserSortVCDelegate {
    Q_OBJECT
public:
    // Where the drop-down hangs: above the control or below it.
    enum class Opens { Above, Below };

    SortControl(const QRect& frame, QWidget* parent, Opens opens);
    ~SortControl() override;

    // The choice made, after the control shows it.
    std::function<void(int sortType, int sortAD)> onChoice;

    // Opens the drop-down (the control's click) with the current choice shown.
    void sortButtonAction();
    void closeMattachedWindow();
    void mouseEixtView(bool exited) override;
    void selectSortbyType(int sortType, int sortAD) override;

    int sortType() const { return sortType_; }
    int sortAD() const { return sortAD_; }
    TCImageButton* button() const { return button_; }
    QLabel* titleLabel() const { return titleLabel_; }
    DropDownHost* dropDown() const { return dropDown_; }
    // The open drop-down's list, if any.
    FileEraserSortVC* sortVC() const;

private:
    TCImageButton* button_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    DropDownHost* dropDown_ = nullptr;
    Opens opens_;
    int sortType_ = 0;
    int sortAD_ = 0;
};
