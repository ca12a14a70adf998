#include "ImageButtonBase.h"

#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>

using toolkit::ButtonImage;

ImageButtonBase::ImageButtonBase(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

ImageButtonBase::ImageButtonBase(const QRect& frame, QWidget* parent) : ImageButtonBase(parent)
{
    setGeometry(frame);
}

void ImageButtonBase::setImageFromFileNormalName(const QString& normalName, const QString& activeName,
                                                 const QString& hoverName, const QString& disableName)
{
    normalName_ = normalName;
    normalImage_ = toolkit::ImageCache::imageNamed(normalName);
    activeImage_ = toolkit::ImageCache::imageNamed(activeName);
    hoverImage_ = toolkit::ImageCache::imageNamed(hoverName);
    disableImage_ = toolkit::ImageCache::imageNamed(disableName);
    dstRect_ = imageRectFor(normalImage_);
    srcRect_ = dstRect_;
    // One pointer-tracking area covers the whole button; setting a skin again
    // keeps the same one.
    tracksPointer_ = true;
    setMouseTracking(true);
    lookChanged();
    update();
}

QLabel* ImageButtonBase::addTitleLabel()
{
    auto* label = new QLabel(this);
    label->setAlignment(Qt::AlignCenter);
    label->setTextFormat(Qt::PlainText);
    // Inside a button a label would take the button's text role; the title
    // colour lives in WindowText.
    label->setForegroundRole(QPalette::WindowText);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setAutoFillBackground(false);
    label->show();
    return label;
}

QRectF ImageButtonBase::imageRectFor(const toolkit::NamedImage&) const
{
    return QRectF(0, 0, width(), height());
}

void ImageButtonBase::setButtonEnabled(bool usable)
{
    isDisabled_ = usable;
    if (!usable && isTracking_) {
        // A press under way when the button turns unusable sends nothing.
        isTracking_ = false;
        setDown(false);
    }
    lookChanged();
    repaint();
}

toolkit::ButtonFlags ImageButtonBase::flags() const
{
    toolkit::ButtonFlags f;
    f.hasNormal = !normalImage_.isNull();
    f.hasActive = !activeImage_.isNull();
    f.hasHover = !hoverImage_.isNull();
    f.hasDisable = !disableImage_.isNull();
    f.enabled = isEnabled();
    f.usable = isDisabled_;
    f.tracking = isTracking_;
    f.focus = isFocus_;
    return f;
}

void ImageButtonBase::drawImage(QPainter& painter, ButtonImage which) const
{
    const toolkit::NamedImage* image = nullptr;
    switch (which) {
    case ButtonImage::Normal: image = &normalImage_; break;
    case ButtonImage::Active: image = &activeImage_; break;
    case ButtonImage::Hover: image = &hoverImage_; break;
    case ButtonImage::Disable: image = &disableImage_; break;
    case ButtonImage::Standard:
    case ButtonImage::None: return;
    }
    if (image && !image->isNull())
        image->draw(painter, dstRect_, QRectF(QPointF(0, 0), image->size()));
}

void ImageButtonBase::drawStandardButton(QPainter& painter)
{
    QStyleOptionButton option;
    option.initFrom(this);
    if (isDown())
        option.state |= QStyle::State_Sunken;
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
}

void ImageButtonBase::mousePressEvent(QMouseEvent* event)
{
    if (!isDisabled_ || event->button() != Qt::LeftButton) {
        event->accept(); // unusable: no tracking, no click, and nothing behind it either
        return;
    }
    if (isEnabled()) {
        isTracking_ = true;
        lookChanged();
        repaint();
    }
    press_.reset(static_cast<QMouseEvent*>(event->clone()));
    QAbstractButton::mousePressEvent(event);
}

void ImageButtonBase::mouseMoveEvent(QMouseEvent* event)
{
    if (enterWaitsForMotion_ && rect().contains(event->position().toPoint())) {
        enterWaitsForMotion_ = false;
        if (tracksPointer_ && isEnabled())
            setHovered(true);
    }
    if (!isTracking_) {
        event->accept();
        return;
    }
    QAbstractButton::mouseMoveEvent(event);
}

void ImageButtonBase::mouseReleaseEvent(QMouseEvent* event)
{
    if (!press_ || event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    if (isDisabled_)
        QAbstractButton::mouseReleaseEvent(event); // sends the click when released inside
    else
        setDown(false);
    isTracking_ = false;
    lookChanged();
    update();
    const std::unique_ptr<QMouseEvent> press = std::move(press_);
    trackingEnded(*press);
}

void ImageButtonBase::keyPressEvent(QKeyEvent* event)
{
    if (!isDisabled_) {
        event->ignore();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void ImageButtonBase::keyReleaseEvent(QKeyEvent* event)
{
    if (!isDisabled_) {
        event->ignore();
        return;
    }
    QAbstractButton::keyReleaseEvent(event);
}

void ImageButtonBase::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    if (!tracksPointer_ || !isEnabled() || !rect().contains(event->position().toPoint()))
        return;
    // The pointer coming in moves over the button right after; an enter
    // without a move is the window server's for a window shown, or a pane
    // slid, under a pointer that stands still.
    enterWaitsForMotion_ = true;
}

void ImageButtonBase::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    // Cleared whether or not the button is enabled, so that a button enabled
    // again later never shows a stale hover look.
    enterWaitsForMotion_ = false;
    if (tracksPointer_)
        setHovered(false);
}

void ImageButtonBase::showEvent(QShowEvent* event)
{
    QAbstractButton::showEvent(event);
    enterWaitsForMotion_ = false;
    if (isFocus_)
        setHovered(false);
}

bool ImageButtonBase::eventFilter(QObject* watched, QEvent* event)
{
    if (isFocus_ && watched == window() && event->type() == QEvent::Move
        && !rect().contains(mapFromGlobal(QCursor::pos())))
        setHovered(false);
    return QAbstractButton::eventFilter(watched, event);
}

void ImageButtonBase::setHovered(bool hovered)
{
    if (QWidget* top = window(); top && top != this) {
        if (hovered)
            top->installEventFilter(this);
        else
            top->removeEventFilter(this);
    }
    isFocus_ = hovered;
    lookChanged();
    repaint();
}

void ImageButtonBase::changeEvent(QEvent* event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        lookChanged();
        update();
    }
}
