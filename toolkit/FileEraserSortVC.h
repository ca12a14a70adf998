#pragma once
// The sort drop-down of the lists (the File Eraser's files, the uninstaller's
// items): three kinds (by name, by size, a third kind) and two directions,
// each a hover row with a check mark.

#include "SortSelectBgView.h"

#include <QObject>
#include <QPointer>
#include <array>

class NamedImageView;
class QLabel;

#include "PointerTrackingView.h"

class FileEraserSortVCDelegate {
public:
    virtual ~FileEraserSortVCDelegate() = default;
    virtual void selectSortbyType(int sortType, int sortAD) { Q_UNUSED(sortType); Q_UNUSED(sortAD); }
    // YES when the pointer left the list, NO when it entered it.
    virtual void mouseEixtView(bool exited) { Q_UNUSED(exited); }
};

class FileEraserSortVC : public QObject, public SortSelectBgViewDelegate {
    Q_OBJECT
public:
    explicit FileEraserSortVC(QObject* parent = nullptr);
    ~FileEraserSortVC() override;

    QWidget* view() const;

    // Not owned.
    void setDelegate(FileEraserSortVCDelegate* delegate) { delegate_ = delegate; }
    FileEraserSortVCDelegate* delegate() const { return delegate_; }

    // Shows the current choice; hosts call it right after creating the list.
    void setSortTypeWithSortAD(int sortType, int sortAD);

    // A row was clicked.
    void selectSortType(SortSelectBgView* row) override;

    void mouseEntered();
    void mouseExited();

    int sortType() const { return sortType_; }
    // The sort button's title for a choice: "%@、%@" with "大小" for kind 1,
    // else "名称", and "降序" for direction 1, else "升序".
    static QString sortTitle(int kind, int direction);
    int sortAD() const { return sortAD_; }

    // Outlets, 1-based as the rows are numbered.
    SortSelectBgView* row(int n) const { return views_.at(n - 1); }
    QLabel* label(int n) const { return labels_.at(n - 1); }
    NamedImageView* icon(int n) const { return icons_.at(n - 1); }

private:
    void loadView();
    void showKind(int kind);
    void showDirection(int direction);

    QPointer<toolkit::PointerTrackingView> view_;
    std::array<SortSelectBgView*, 5> views_{};
    std::array<QLabel*, 5> labels_{};
    std::array<NamedImageView*, 5> icons_{};
    int sortType_ = 0;
    int sortAD_ = 0;
    FileEraserSortVCDelegate* delegate_ = nullptr;
};
