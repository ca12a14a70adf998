#pragma once
// Plain helpers every screen uses: byte counts as text, and colours given the
// way the screens state them (red, green and blue 0–255, alpha 0–1).

#include <QString>
#include <QtGlobal>

// "%llu byte" up to 999, then "%0.2f KB", "%0.2f MB", and "%0.2f GB" from
// 1,000,000,000 up (no TB). Decimal units of 1,000; the quotient is printed as
// a single-precision value.
QString convertSize2String(quint64 bytes);

// Components 0–1. GUI code converts with QColor::fromRgbF.
struct RGBAColor {
    float red = 0;
    float green = 0;
    float blue = 0;
    float alpha = 1;
    bool operator==(const RGBAColor&) const = default;
};

// red, green and blue given 0–255 become 0–1; alpha is taken as it is.
RGBAColor getColor(float red, float green, float blue, float alpha);
