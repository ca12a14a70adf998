#pragma once
// Fonts and colours of the interface, from the shared utilities: the three
// stored font names (light, regular, bold) and getColor().

#include "core/Public.h"

#include <QColor>
#include <QFont>
#include <QString>

namespace toolkit {

// A stored font name such as "Noto Sans CJK SC Light" as a font of
// `pixelSize`: a trailing style word (Light, Regular, Bold, ...) becomes the
// weight, the rest the family. A null or empty name gives the default
// family with `fallbackWeight`.
QFont fontFromName(const QString& name, qreal pixelSize, QFont::Weight fallbackWeight);

// The three interface fonts. Their names are read once; call
// reloadInterfaceFonts() after storing other names.
QFont lightFont(qreal pixelSize);
QFont regularFont(qreal pixelSize);
QFont boldFont(qreal pixelSize);
void reloadInterfaceFonts();

inline QColor toQColor(const RGBAColor& c) { return QColor::fromRgbF(c.red, c.green, c.blue, c.alpha); }

// getColor() as a QColor: red, green and blue 0–255, alpha 0–1.
inline QColor colorOf(float red, float green, float blue, float alpha)
{
    return toQColor(getColor(red, green, blue, alpha));
}

// White with an alpha, the colour of titles on dark buttons.
inline QColor whiteAlpha(float alpha) { return colorOf(255, 255, 255, alpha); }

} // namespace toolkit
