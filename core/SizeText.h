#pragma once
// Shared pieces of the size formatters and parsers.

#include <QString>
#include <QtGlobal>

namespace sizetext {

// "%0.2f <unit>" of the quotient after rounding it to single precision, the
// precision every size text of the application is printed with.
QString twoDecimals(double quotient, const char* unit);

// "%.0f byte" up to 999 bytes (negative counts too), then KB, MB and GB with
// two decimals, and TB from 1,000,000,000,000. A whole count of any integer
// type may be given: every bound is exact in a double, so it changes unit at
// the same count as when compared as an integer.
QString byteToTeraText(double bytes);

// The number at the start of `text` the way a text's float value is read:
// leading blanks skipped, then an optional sign, digits with an optional
// decimal point and exponent; anything after it is ignored, and a text that
// does not start with a number gives 0. Always '.' as the decimal point.
float leadingFloat(const QString& text);

// A byte count cut to a whole unsigned number; negative or not-a-number
// values give 0 and values past the type's range give its largest value.
quint64 toByteCount(double value);

} // namespace sizetext

namespace sizetext {
// 10^12 rounded to single precision (999,999,995,904): the factor "TB" texts
// are read back with.
inline constexpr float kTeraAsFloat = 1e12f;
} // namespace sizetext
