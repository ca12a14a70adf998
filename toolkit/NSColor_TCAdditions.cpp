#include "NSColor_TCAdditions.h"

QColor VE_CGColorCreate(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return QColor::fromRgbF(rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF());
}
