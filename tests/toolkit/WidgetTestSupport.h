#pragma once
// Pictures of widgets for people to look at, and the toolkit's test set-up.

#include <QColor>
#include <QImage>
#include <QString>

class QWidget;

namespace tktest {

// The window body colour, the backdrop most pictures are taken on.
QColor bodyColor();

// The widget drawn over a plain backdrop, at its own size.
QImage render(QWidget* widget, const QColor& backdrop = bodyColor());

// Saves `image` as <build>/test-output/toolkit/<name>.png; returns the path.
QString savePng(const QImage& image, const QString& name);

// render() and savePng() in one.
QImage saveRendering(QWidget* widget, const QString& name, const QColor& backdrop = bodyColor());

// Several pictures side by side with a gap, for one sheet.
QImage sheet(const QList<QImage>& images, int columns, const QColor& backdrop = bodyColor(), int gap = 16);

// Whether two colours are within `tolerance` on each channel.
bool near(const QColor& a, const QColor& b, int tolerance = 3);

} // namespace tktest
