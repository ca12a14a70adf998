#include "TabBarView.h"

#include <QEvent>
#include <QWindowStateChangeEvent>

TabBarView::TabBarView(QWidget* parent)
    : QWidget(parent)
{
    closeButton = makeButton(QRect(0, 2, 12, 12), QStringLiteral("close"), &TabBarView::clickCloseButton);
    minButton = makeButton(QRect(18, 2, 12, 12), QStringLiteral("minimize"), &TabBarView::clickMinimizeButton);
    zoomButton = makeButton(QRect(36, 2, 12, 12), QStringLiteral("zoom"), &TabBarView::clickZoomButton);
    minButton->setEnabled(false);
    zoomButton->setEnabled(false);
    minButton->setInactiveState();
}

TabBarView::~TabBarView() = default;

HMTrafficButtonsContainer* TabBarView::makeButton(const QRect& frame, const QString& id, void (TabBarView::*action)())
{
    auto* button = new HMTrafficButtonsContainer(frame, this);
    button->setIdStr(id);
    connect(button, &QAbstractButton::clicked, this, action);
    button->setup();
    return button;
}

void TabBarView::setMinAction(bool enabled)
{
    minButton->setEnabled(enabled);
    minButton->setActiveState();
}

void TabBarView::enterEvent(QEnterEvent* event)
{
    platform::NotificationCenter::defaultCenter().post(QStringLiteral("HMTrafficButtonMouseEnter"), this);
    QWidget::enterEvent(event);
}

void TabBarView::leaveEvent(QEvent* event)
{
    platform::NotificationCenter::defaultCenter().post(QStringLiteral("HMTrafficButtonMouseExit"), this);
    QWidget::leaveEvent(event);
}

void TabBarView::clickCloseButton()
{
    if (delegate_)
        delegate_->closeWindowAction();
    if (QWidget* w = window())
        w->close();
}

QWidget* TabBarView::contentView() const
{
    QWidget* w = window();
    return w ? w->findChild<QWidget*>(QLatin1String(kContentViewName), Qt::FindDirectChildrenOnly) : nullptr;
}

void TabBarView::clickMinimizeButton()
{
    QWidget* w = window();
    if (!w)
        return;
    if (QWidget* content = contentView(); content && content->isVisible()) {
        content->hide();
        hiddenContent_ = content;
    }
    watchWindow();
    w->showMinimized();
}

void TabBarView::clickZoomButton()
{
    QWidget* w = window();
    if (!w)
        return;
    if (w->isMaximized())
        w->showNormal();
    else
        w->showMaximized();
}

void TabBarView::watchWindow()
{
    QWidget* w = window();
    if (watchedWindow_ == w)
        return;
    if (watchedWindow_)
        watchedWindow_->removeEventFilter(this);
    watchedWindow_ = w;
    w->installEventFilter(this);
}

bool TabBarView::eventFilter(QObject* watched, QEvent* event)
{
    // Restored, however it happened (taskbar, window manager, a second
    // launch): what minimising hid shows again.
    if (watched == watchedWindow_ && hiddenContent_
        && (event->type() == QEvent::WindowStateChange || event->type() == QEvent::Show)
        && !(watchedWindow_->windowState() & Qt::WindowMinimized) && watchedWindow_->isVisible()) {
        hiddenContent_->show();
        hiddenContent_.clear();
    }
    return QWidget::eventFilter(watched, event);
}
