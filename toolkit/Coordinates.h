#pragma once
// The one place where the system's coordinates (origin bottom-left, y up)
// meet Qt's (origin top-left, y down).
//
// Screen coordinates: the system measures from the bottom-left corner of the
// primary screen, Qt from its top-left corner; both use the same units.
// Window coordinates ("base" coordinates): from the bottom-left corner of the
// window's client area. A window that draws its own shadow keeps it in a band
// around that area; the band is no part of the window's frame.

#include <QPointF>
#include <QRectF>
#include <QTransform>

class QScreen;
class QWidget;

namespace toolkit {

// A rectangle inside a parent of `parentHeight`, converted either way
// (the conversion is its own inverse).
inline QRectF flipRect(const QRectF& r, double parentHeight)
{
    return QRectF(r.x(), parentHeight - r.y() - r.height(), r.width(), r.height());
}

inline QPointF flipPoint(const QPointF& p, double parentHeight)
{
    return QPointF(p.x(), parentHeight - p.y());
}

// Maps a path drawn in system coordinates onto a Qt painter of that height.
inline QTransform flipTransform(double height) { return QTransform(1, 0, 0, -1, 0, height); }

// Height of the primary screen: the axis both screen systems share.
double primaryScreenHeight();

// Screen rectangles and points, system <-> Qt global.
QRectF screenRectToQt(const QRectF& systemRect);
QRectF screenRectFromQt(const QRectF& qtRect);
QPointF screenPointToQt(const QPointF& systemPoint);
QPointF screenPointFromQt(const QPointF& qtPoint);

// The width of the shadow band a top-level window draws around its client
// area (0 when none); the window that draws it says so.
int shadowBandOf(const QWidget* window);
void setShadowBand(QWidget* window, int band);

// A top-level window's client area in system screen coordinates.
QRectF systemFrameOfWindow(const QWidget* window);

// The visible area (without panels) of a screen, in system screen coordinates.
// `screen` null means the primary screen.
QRectF systemVisibleFrame(const QScreen* screen);

// A point in a window's base coordinates, in system screen coordinates.
QPointF convertBaseToScreen(const QWidget* window, const QPointF& basePoint);

// A point of `widget` (Qt coordinates) in the base coordinates of its window.
QPointF windowBasePoint(const QWidget* widget, const QPointF& localQtPoint);

} // namespace toolkit
