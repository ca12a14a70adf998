#pragma once
// Filling a path with an inner shadow: the shadow a frame around the path
// would cast, seen only inside the path.

#include <QColor>
#include <QPainterPath>
#include <QPointF>

class QPainter;

namespace mcadditions {

struct Shadow {
    QColor color;
    QPointF offset; // y down, as the painter measures
    double blurRadius = 0;
};

// Draws only the shadow of the area around `path`, clipped to the path.
void fillWithInnerShadow(QPainter& painter, const QPainterPath& path, const Shadow& shadow);

} // namespace mcadditions
