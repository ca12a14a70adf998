#include "Coordinates.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace toolkit {

double primaryScreenHeight()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() : 0.0;
}

QRectF screenRectToQt(const QRectF& systemRect) { return flipRect(systemRect, primaryScreenHeight()); }
QRectF screenRectFromQt(const QRectF& qtRect) { return flipRect(qtRect, primaryScreenHeight()); }
QPointF screenPointToQt(const QPointF& p) { return flipPoint(p, primaryScreenHeight()); }
QPointF screenPointFromQt(const QPointF& p) { return flipPoint(p, primaryScreenHeight()); }

namespace {
constexpr char kShadowBand[] = "toolkitShadowBand";
}

int shadowBandOf(const QWidget* window)
{
    return window ? window->window()->property(kShadowBand).toInt() : 0;
}

void setShadowBand(QWidget* window, int band)
{
    window->setProperty(kShadowBand, band);
}

QRectF systemFrameOfWindow(const QWidget* window)
{
    if (!window)
        return {};
    const QWidget* top = window->window();
    const int band = shadowBandOf(top);
    return screenRectFromQt(QRectF(top->geometry().adjusted(band, band, -band, -band)));
}

QRectF systemVisibleFrame(const QScreen* screen)
{
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    return screenRectFromQt(QRectF(screen->availableGeometry()));
}

QPointF convertBaseToScreen(const QWidget* window, const QPointF& basePoint)
{
    const QRectF frame = systemFrameOfWindow(window);
    return frame.topLeft() + basePoint; // topLeft() of a system rect is its bottom-left corner
}

QPointF windowBasePoint(const QWidget* widget, const QPointF& localQtPoint)
{
    const QWidget* window = widget->window();
    const int band = shadowBandOf(window);
    const QPointF inWindow = widget->mapTo(window, localQtPoint);
    return QPointF(inWindow.x() - band, window->height() - band - inWindow.y());
}

} // namespace toolkit
