#include "Public.h"

#include "SizeText.h"

QString convertSize2String(quint64 bytes)
{
    if (bytes <= 999)
        return QString::asprintf("%llu byte", static_cast<unsigned long long>(bytes));
    const double b = static_cast<double>(bytes);
    if (bytes <= 999'999)
        return sizetext::twoDecimals(b / 1e3, "KB");
    if (bytes <= 999'999'999)
        return sizetext::twoDecimals(b / 1e6, "MB");
    return sizetext::twoDecimals(b / 1e9, "GB");
}

RGBAColor getColor(float red, float green, float blue, float alpha)
{
    return RGBAColor{red / 255.0f, green / 255.0f, blue / 255.0f, alpha};
}
