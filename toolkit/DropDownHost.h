#pragma once
// The host side of a drop-down list: owns the list's controller and its
// MAAttachedWindow for one opening, closes it after the timed close, when the
// pointer leaves, or on a choice, and follows DropDownState for all of it.
//
// A host screen keeps one DropDownHost and forwards the list's reports:
//   void mouseEixtView(bool exited) { sortDropDown_.mouseEixtView(exited); }
//   void selectSortbyType(int type, int ad) { sortDropDown_.choiceMade(); ...apply... }

#include "DropDownState.h"

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <memory>

class MAAttachedWindow;
class QWidget;

class DropDownHost : public QObject {
    Q_OBJECT
public:
    // `scheduler` null: the default clock (real timers unless a test set one).
    explicit DropDownHost(toolkit::DropDownState::Reopen reopen, QObject* parent = nullptr,
                          std::unique_ptr<toolkit::DropDownScheduler> scheduler = nullptr,
                          int timedCloseMs = toolkit::DropDownState::kTimedCloseMs);
    ~DropDownHost() override;

    // Whether open() would show a list now.
    bool canOpen() const;

    // Shows `view` in a new drop-down window attached to `parentWindow` at
    // `basePoint` (its base coordinates) and adds it above that window. The
    // host takes `controller` (the list's owner, may be null) and releases it
    // when the list closes. Returns the window, or null when the opening was
    // ignored (then `controller` is released at once).
    MAAttachedWindow* open(QObject* controller, QWidget* view, QWidget* parentWindow, const QPointF& basePoint,
                           int side, float distance = 0.0f);

    // The list's pointer report: NO entered, YES left (closes at once).
    void mouseEixtView(bool exited);
    // Closes unless the pointer is inside the list.
    void closeMattachedWindow();
    // A row was chosen: closes the list.
    void choiceMade();

    bool isPopSortWin() const { return state_.isPopSortWin(); }
    bool isShown() const { return state_.isShown(); }
    MAAttachedWindow* attachedWindow() const { return window_; }
    QObject* listController() const { return controller_; }
    const toolkit::DropDownState& state() const { return state_; }

signals:
    // The list of that opening has been taken down.
    void closed();

private:
    void closeWindow(toolkit::DropDownState::Opening opening);

    std::unique_ptr<toolkit::DropDownScheduler> scheduler_;
    toolkit::DropDownState state_;
    QPointer<MAAttachedWindow> window_;
    QPointer<QObject> controller_;
};
