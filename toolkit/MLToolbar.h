#pragma once
// A transparent strip that makes the three standard window buttons itself
// and lays them out in a row or a column. The pointer entering or leaving
// the area over the buttons is announced as "HMTrafficButtonMouseEnter" /
// "HMTrafficButtonMouseExit", so title-bar buttons react as to a title bar.
//
// Main thread only; the toolbar owns its buttons.

#include "MLGlassView.h"
#include "StandardWindowButton.h"

#include <QPointer>
#include <optional>

class MLToolbar : public MLGlassView {
    Q_OBJECT
public:
    // Made in code: the buttons end in the row 15 below the top.
    explicit MLToolbar(const QRect& frame, QWidget* parent = nullptr);
    // Made from a stored view description: only the common set-up runs, so
    // the buttons keep the row 5 below the top.
    struct FromStoredView {};
    MLToolbar(const QRect& frame, FromStoredView, QWidget* parent = nullptr);

    StandardWindowButton* closeButton() const { return closeButton_; }
    StandardWindowButton* minimizeButton() const { return minimizeButton_; }
    StandardWindowButton* maximizeButton() const { return maximizeButton_; }

    bool verticalButtons() const { return verticalButtons_; }
    void setVerticalButtons(bool vertical);
    bool hiddenButtons() const { return hiddenButtons_; }
    void setHiddenButtons(bool hidden);
    bool justClose() const { return justClose_; }
    void setJustClose(bool justClose);

    // The area over the buttons, in Qt coordinates; none while the buttons
    // are hidden.
    std::optional<QRect> trackingArea() const { return trackingArea_; }
    void createTrackingArea();

    // The pointer at `pos` (toolbar coordinates), or gone from the toolbar.
    void pointerAt(const QPoint& pos);
    void pointerGone();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void commonInit();
    void layoutButtons(int arrangement);

    QPointer<StandardWindowButton> closeButton_, minimizeButton_, maximizeButton_;
    bool verticalButtons_ = false;
    bool hiddenButtons_ = false;
    bool justClose_ = false;
    std::optional<QRect> trackingArea_;
    bool pointerInside_ = false;
};
