#include "SizeText.h"

#include <QByteArray>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace sizetext {

QString twoDecimals(double quotient, const char* unit)
{
    const float single = static_cast<float>(quotient);
    return QString::asprintf("%0.2f %s", static_cast<double>(single), unit);
}

QString byteToTeraText(double bytes)
{
    if (bytes <= 999)
        return QString::asprintf("%.0f byte", static_cast<double>(static_cast<float>(bytes)));
    if (bytes <= 999'999)
        return twoDecimals(bytes / 1e3, "KB");
    if (bytes <= 999'999'999)
        return twoDecimals(bytes / 1e6, "MB");
    if (bytes < 1e12)
        return twoDecimals(bytes / 1e9, "GB");
    return twoDecimals(bytes / 1e12, "TB");
}

float leadingFloat(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    // Only the leading number matters; characters past it may be anything.
    QByteArray rest = text.mid(i).toLatin1();
    if (rest.startsWith('+') && !rest.startsWith("+-"))
        rest.remove(0, 1);
    double value = 0;
    const auto [end, ec] = std::from_chars(rest.constData(), rest.constData() + rest.size(), value,
                                           std::chars_format::general);
    if (ec != std::errc() || end == rest.constData())
        return 0.0f;
    return static_cast<float>(value);
}

quint64 toByteCount(double value)
{
    if (std::isnan(value) || value <= 0)
        return 0;
    // 2^64 as a double; anything from there up does not fit.
    constexpr double limit = 18446744073709551616.0;
    if (value >= limit)
        return std::numeric_limits<quint64>::max();
    return static_cast<quint64>(value);
}

} // namespace sizetext
