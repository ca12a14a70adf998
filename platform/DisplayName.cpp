#include "DisplayName.h"

namespace platform {

QString displayNameAtPath(const QString& path)
{
    QString p = path;
    while (p.endsWith(QLatin1Char('/')))
        p.chop(1);
    QString name = p.mid(p.lastIndexOf(QLatin1Char('/')) + 1);
    static const QLatin1String kBundleExtension(".app");
    if (name.size() > kBundleExtension.size() && name.endsWith(kBundleExtension))
        name.chop(kBundleExtension.size());
    return name;
}

} // namespace platform
