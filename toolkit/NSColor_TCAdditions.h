#pragma once
// A colour as the window layers take it: its red, green, blue and alpha in
// plain RGB, whatever form the colour was given in.

#include <QColor>

QColor VE_CGColorCreate(const QColor& color);
