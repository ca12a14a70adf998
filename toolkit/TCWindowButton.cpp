#include "TCWindowButton.h"

#include <QEnterEvent>
#include <QHash>
#include <QMouseEvent>
#include <QPainter>
#include <memory>

TCWindowButtonGroup* TCWindowButtonGroup::groupWithIdentifier(const QString& identifier)
{
    static QHash<QString, std::shared_ptr<TCWindowButtonGroup>> registry;
    const QString key = identifier.isEmpty() ? QString::fromLatin1(kDefaultIdentifier) : identifier;
    auto& slot = registry[key];
    if (!slot)
        slot = std::make_shared<TCWindowButtonGroup>(key);
    return slot.get();
}

void TCWindowButtonGroup::setNumberOfCaptures(int count)
{
    if (count < 0 || count == numberOfCaptures_)
        return;
    numberOfCaptures_ = count;
    platform::NotificationCenter::defaultCenter().post(QString::fromLatin1(kDidUpdateRolloverStateNotification),
                                                       this);
}

TCWindowButton* TCWindowButton::windowButtonWithSize(const QSize& size, const QString& groupIdentifier,
                                                     QWidget* parent)
{
    return new TCWindowButton(size, groupIdentifier, parent);
}

TCWindowButton::TCWindowButton(const QSize& size, const QString& groupIdentifier, QWidget* parent)
    : QAbstractButton(parent), groupIdentifier_(groupIdentifier)
{
    setGeometry(QRect(QPoint(0, 0), size));
    setText(QString());
    setFocusPolicy(Qt::NoFocus);
    const void* ownGroup = group();
    groupObserver_ = platform::NotificationCenter::defaultCenter().addObserver(
        QString::fromLatin1(TCWindowButtonGroup::kDidUpdateRolloverStateNotification),
        [this, ownGroup](const platform::Notification& n) {
            if (n.sender == ownGroup)
                updateRollOverImage();
        });
    watchWindowAndParent();
}

TCWindowButton::~TCWindowButton()
{
    platform::NotificationCenter::defaultCenter().removeObserver(groupObserver_);
    if (captured_)
        group()->didReleaseMousePointer();
}

void TCWindowButton::setButtonEnabled(bool enabled)
{
    setEnabled(enabled);
    shown_ = enabled ? activeImage : inactiveImage;
    update();
}

void TCWindowButton::updateRollOverImage()
{
    if (group()->shouldDisplayRollOver() && isEnabled()) {
        shown_ = rolloverImage;
        update();
        return;
    }
    updateImage();
}

void TCWindowButton::updateImage()
{
    if (!isEnabled())
        shown_ = inactiveImage;
    else if (window() && window()->isActiveWindow())
        shown_ = activeImage;
    else
        shown_ = activeNotKeyWindowImage;
    update();
}

toolkit::NamedImage TCWindowButton::shownImage() const
{
    if (isDown() && !pressedImage_.isNull())
        return pressedImage_;
    return shown_;
}

QRect TCWindowButton::mouseTrackingArea() const { return geometry().adjusted(-4, -4, 4, 4); }

void TCWindowButton::pointerEntered()
{
    if (captured_)
        return;
    captured_ = true;
    group()->didCaptureMousePointer();
    updateRollOverImage();
}

void TCWindowButton::pointerExited()
{
    if (!captured_)
        return;
    captured_ = false;
    group()->didReleaseMousePointer();
    updateRollOverImage();
}

void TCWindowButton::viewDidEndLiveResize()
{
    captured_ = false;
    group()->resetMouseCaptures();
}

void TCWindowButton::pointerAt(const QPoint& parentPos)
{
    if (mouseTrackingArea().contains(parentPos))
        pointerEntered();
    else
        pointerExited();
}

void TCWindowButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Disabled buttons keep their images undimmed.
    shownImage().draw(painter, QRectF(rect()));
}

void TCWindowButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    pointerEntered();
}

void TCWindowButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    // Leaving the button itself may still be inside the 4-point margin.
    if (parentWidget())
        pointerAt(parentWidget()->mapFromGlobal(QCursor::pos()));
    else
        pointerExited();
}

void TCWindowButton::changeEvent(QEvent* event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        updateImage();
}

bool TCWindowButton::event(QEvent* event)
{
    if (event->type() == QEvent::ParentChange) {
        watchWindowAndParent();
        if (window())
            updateImage();
    }
    return QAbstractButton::event(event);
}

void TCWindowButton::watchWindowAndParent()
{
    // Stop following the old window before following the new one.
    if (watchedWindow_)
        watchedWindow_->removeEventFilter(this);
    if (watchedParent_)
        watchedParent_->removeEventFilter(this);
    watchedParent_ = parentWidget();
    if (watchedParent_) {
        watchedParent_->setMouseTracking(true);
        watchedParent_->installEventFilter(this);
    }
    watchedWindow_ = window() != this ? window() : nullptr;
    if (watchedWindow_ && watchedWindow_ != watchedParent_)
        watchedWindow_->installEventFilter(this);
}

bool TCWindowButton::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == watchedParent_) {
        if (event->type() == QEvent::MouseMove)
            pointerAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        else if (event->type() == QEvent::Leave)
            pointerExited();
    }
    if (watched == watchedWindow_ && event->type() == QEvent::WindowStateChange) {
        // Full screen hides the button and clears the roll-over count, so no
        // roll-over image is left showing once full screen ends.
        const bool fullScreen = watchedWindow_->windowState() & Qt::WindowFullScreen;
        const bool wasFullScreen = static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowFullScreen;
        if (fullScreen != wasFullScreen) {
            captured_ = false;
            group()->resetMouseCaptures();
            setVisible(!fullScreen);
            updateImage();
        }
    }
    return QAbstractButton::eventFilter(watched, event);
}
