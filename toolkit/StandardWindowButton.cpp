#include "StandardWindowButton.h"

#include "WindowButtonLayout.h"

#include <QEvent>
#include <QPainter>

namespace {

struct KindImages {
    QString active, hover, press, inactive;
};

// Spelled out whole so the repository's image check finds every name.
KindImages imagesOf(StandardWindowButton::Kind kind)
{
    switch (kind) {
    case StandardWindowButton::CloseButton:
        return {toolkit::imageName("window-button-close-active"), toolkit::imageName("window-button-close-hover"),
                toolkit::imageName("window-button-close-press"), toolkit::imageName("window-button-all-inactive")};
    case StandardWindowButton::MiniaturizeButton:
        return {toolkit::imageName("window-button-minimize-active"),
                toolkit::imageName("window-button-minimize-hover"),
                toolkit::imageName("window-button-minimize-press"), toolkit::imageName("window-button-all-inactive")};
    case StandardWindowButton::ZoomButton:
        return {toolkit::imageName("window-button-zoom-active"), toolkit::imageName("window-button-zoom-hover"),
                toolkit::imageName("window-button-zoom-press"), toolkit::imageName("window-button-all-inactive")};
    }
    return {};
}

} // namespace

StandardWindowButton* StandardWindowButton::standardWindowButton(Kind kind, QWidget* parent)
{
    return new StandardWindowButton(kind, parent);
}

StandardWindowButton::StandardWindowButton(Kind kind, QWidget* parent) : QAbstractButton(parent), kind_(kind)
{
    setGeometry(QRect(QPoint(0, 0), toolkit::standardWindowButtonSize().toSize()));
    setFocusPolicy(Qt::NoFocus);
    const KindImages names = imagesOf(kind);
    active_ = toolkit::imageNamed(names.active);
    hover_ = toolkit::imageNamed(names.hover);
    press_ = toolkit::imageNamed(names.press);
    inactive_ = toolkit::imageNamed(names.inactive);
}

bool StandardWindowButton::showsSymbol() const
{
    if (!window() || !window()->isActiveWindow())
        return false;
    if (const auto* holder = dynamic_cast<const WindowButtonGroupHolder*>(parentWidget()))
        return holder->mouseInGroup(this);
    return underMouse();
}

toolkit::NamedImage StandardWindowButton::shownImage() const
{
    if (!window() || !window()->isActiveWindow())
        return inactive_;
    if (isDown())
        return momentaryChange_ ? press_ : hover_;
    return showsSymbol() ? hover_ : active_;
}

void StandardWindowButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    shownImage().draw(painter, QRectF(rect()));
}

void StandardWindowButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    update();
}

void StandardWindowButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    update();
}

void StandardWindowButton::changeEvent(QEvent* event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        update();
}
