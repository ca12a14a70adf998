#include "HMTrafficButtonsContainer.h"

#include <QGuiApplication>
#include <QPainter>
#include <QWindow>

namespace {

struct ButtonImages {
    const char* id;
    QString active;
    QString hover;
    QString press;
};

// Spelled out whole so the image check of the repository finds every name.
const ButtonImages& imagesFor(const QString& id)
{
    static const ButtonImages table[] = {
        {"close", toolkit::imageName("window-button-close-active"), toolkit::imageName("window-button-close-hover"),
         toolkit::imageName("window-button-close-press")},
        {"minimize", toolkit::imageName("window-button-minimize-active"),
         toolkit::imageName("window-button-minimize-hover"), toolkit::imageName("window-button-minimize-press")},
        {"zoom", toolkit::imageName("window-button-zoom-active"), toolkit::imageName("window-button-zoom-hover"),
         toolkit::imageName("window-button-zoom-press")},
    };
    static const ButtonImages none{"", QString(), QString(), QString()};
    for (const ButtonImages& entry : table) {
        if (id == QLatin1String(entry.id))
            return entry;
    }
    return none;
}

} // namespace

HMTrafficButtonsContainer::HMTrafficButtonsContainer(const QRect& frame, QWidget* parent)
    : QAbstractButton(parent)
{
    setGeometry(frame);
    setFocusPolicy(Qt::NoFocus);
}

HMTrafficButtonsContainer::~HMTrafficButtonsContainer()
{
    stopObserving();
}

void HMTrafficButtonsContainer::setup()
{
    const ButtonImages& names = imagesFor(idStr_);
    auto load = [](const QString& name) { return name.isEmpty() ? toolkit::NamedImage() : toolkit::imageNamed(name); };
    active = load(names.active);
    hover = load(names.hover);
    press = load(names.press);
    inactive = toolkit::imageNamed(QStringLiteral("window-button-all-inactive"));
    setActiveState();

    stopObserving();
    // Any window of the application gaining focus counts as becoming main,
    // and the application losing focus as the main window resigning.
    focusConnection_ = connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* now) {
        if (now)
            setActiveState();
        else
            setInactiveState();
    });
    auto& center = platform::NotificationCenter::defaultCenter();
    observers_ << center.addObserver(QStringLiteral("HMTrafficButtonMouseEnter"),
                                     [this](const platform::Notification&) { hoverIn(); });
    observers_ << center.addObserver(QStringLiteral("HMTrafficButtonMouseExit"),
                                     [this](const platform::Notification&) { hoverOut(); });
}

void HMTrafficButtonsContainer::stopObserving()
{
    for (auto token : observers_)
        platform::NotificationCenter::defaultCenter().removeObserver(token);
    observers_.clear();
    disconnect(focusConnection_);
}

void HMTrafficButtonsContainer::setActiveState()
{
    activeState_ = true;
    show(hoverState_ ? hover : active);
}

void HMTrafficButtonsContainer::setInactiveState()
{
    activeState_ = false;
    show(inactive);
}

void HMTrafficButtonsContainer::hoverIn()
{
    if (!activeState_)
        return;
    hoverState_ = true;
    show(hover);
}

void HMTrafficButtonsContainer::hoverOut()
{
    if (!activeState_)
        return;
    hoverState_ = false;
    show(active);
}

void HMTrafficButtonsContainer::show(const toolkit::NamedImage& image)
{
    shown_ = image;
    update();
}

void HMTrafficButtonsContainer::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    shown_.draw(painter, QRectF(rect()));
}

void HMTrafficButtonsContainer::mousePressEvent(QMouseEvent* event)
{
    hoverState_ = false;
    pressedState_ = true;
    QAbstractButton::mousePressEvent(event);
}

void HMTrafficButtonsContainer::mouseReleaseEvent(QMouseEvent* event)
{
    hoverState_ = true;
    pressedState_ = false;
    QAbstractButton::mouseReleaseEvent(event);
}
