#include "FatLabel.h"

#include <algorithm>

namespace platform {

bool isFatLabelCharacter(QChar c)
{
    static const QString symbols = QStringLiteral(" !#$%&'()-@^_`{}~");
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || symbols.contains(c);
}

bool fatLabelHolds(const QString& name)
{
    const QString upper = name.toUpper();
    return std::all_of(upper.cbegin(), upper.cend(), isFatLabelCharacter);
}

bool fatLabelStartsWithBlank(const QString& name)
{
    return name.startsWith(QLatin1Char(' ')) && !name.trimmed().isEmpty();
}

} // namespace platform
