#include "DropDownHost.h"

#include "MAAttachedWindow.h"

#include <QWidget>

using toolkit::DropDownState;

DropDownHost::DropDownHost(DropDownState::Reopen reopen, QObject* parent,
                           std::unique_ptr<toolkit::DropDownScheduler> scheduler, int timedCloseMs)
    : QObject(parent),
      scheduler_(scheduler ? std::move(scheduler) : toolkit::makeDefaultScheduler()),
      state_(*scheduler_, reopen, [this](DropDownState::Opening opening) { closeWindow(opening); }, timedCloseMs)
{
}

DropDownHost::~DropDownHost()
{
    if (window_) {
        window_->hide();
        delete window_.data();
    }
    delete controller_.data();
}

bool DropDownHost::canOpen() const
{
    return state_.reopen() == DropDownState::Reopen::Replace || !state_.isShown();
}

MAAttachedWindow* DropDownHost::open(QObject* controller, QWidget* view, QWidget* parentWindow,
                                     const QPointF& basePoint, int side, float distance)
{
    if (!view) {
        delete controller;
        return nullptr;
    }
    if (!state_.open()) {
        delete controller; // ignored while a list is shown
        return nullptr;
    }
    controller_ = controller;
    window_ = MAAttachedWindow::initWithView(view, basePoint, parentWindow, side, distance, 0.8f);
    window_->show();
    window_->raise();
    return window_;
}

void DropDownHost::mouseEixtView(bool exited) { state_.mouseEixtView(exited); }

void DropDownHost::closeMattachedWindow() { state_.closeMattachedWindow(); }

void DropDownHost::choiceMade() { state_.choiceMade(); }

void DropDownHost::closeWindow(DropDownState::Opening)
{
    // The choice or the pointer report usually comes from inside the list's
    // own event handling: hide now, delete once that handling has returned.
    if (window_) {
        window_->hide();
        window_->deleteLater();
        window_ = nullptr;
    }
    if (controller_) {
        controller_->deleteLater();
        controller_ = nullptr;
    }
    emit closed();
}
