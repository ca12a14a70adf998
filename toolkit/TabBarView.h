#pragma once
// The title bar of the borderless windows (the main window, the uninstall
// progress pop-up): close, minimise and zoom buttons at its left end. The
// pointer entering or leaving it is announced to every window button as
// "HMTrafficButtonMouseEnter" / "HMTrafficButtonMouseExit".

#include "HMTrafficButtonsContainer.h"

#include <QPointer>
#include <QWidget>

// Told before the title bar closes its window.
class TabBarVDelegate {
public:
    virtual ~TabBarVDelegate() = default;
    virtual void closeWindowAction() {}
};

class TabBarView : public QWidget {
    Q_OBJECT
public:
    // Builds the three buttons: close enabled, minimise disabled until
    // setMinAction, zoom never enabled.
    explicit TabBarView(QWidget* parent = nullptr);
    ~TabBarView() override;

    HMTrafficButtonsContainer* closeButton = nullptr;
    HMTrafficButtonsContainer* minButton = nullptr;
    HMTrafficButtonsContainer* zoomButton = nullptr;

    // Enables or disables the minimise button; either way it shows as active.
    void setMinAction(bool enabled);

    // Not owned; it must outlive the title bar or be unset first.
    TabBarVDelegate* delegate() const { return delegate_; }
    void setDelegate(TabBarVDelegate* delegate) { delegate_ = delegate; }

    void clickCloseButton();
    void clickMinimizeButton();
    void clickZoomButton();

    // The name a window gives the child that holds all it shows, so that
    // minimising can hide it.
    static constexpr const char* kContentViewName = "contentView";

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    HMTrafficButtonsContainer* makeButton(const QRect& frame, const QString& id, void (TabBarView::*action)());
    QWidget* contentView() const;
    void watchWindow();

    TabBarVDelegate* delegate_ = nullptr;
    QPointer<QWidget> watchedWindow_;
    QPointer<QWidget> hiddenContent_;
};
