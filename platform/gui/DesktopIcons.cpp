#include "DesktopIcons.h"

#include "platform/DesktopEntries.h"

namespace platform {

QIcon desktopIcon(const QString& iconName)
{
    if (iconName.isEmpty())
        return {};
    if (!iconName.startsWith(QLatin1Char('/'))) {
        const QIcon themed = QIcon::fromTheme(iconName);
        if (!themed.isNull())
            return themed;
    }
    const QString file = findIconFile(iconName);
    return file.isEmpty() ? QIcon() : QIcon(file);
}

} // namespace platform
