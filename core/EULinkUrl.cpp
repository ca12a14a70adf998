#include "EULinkUrl.h"

#include "BundleSettings.h"

#include <QUrl>

QString EULinkUrl::GetUrl(const QString& key)
{
    const QVariant value = BundleSettings::links().value(key);
    if (value.typeId() != QMetaType::QString)
        return QString();
    const QString text = value.toString();
    return text.isEmpty() ? QString() : text;
}

QString EULinkUrl::sitePage(const QString& path)
{
    const QString home = GetUrl(QStringLiteral("HomePage"));
    if (home.isEmpty())
        return QString();
    const QUrl base(home);
    if (!base.isValid() || base.host().isEmpty())
        return QString();
    return base.resolved(QUrl(path)).toString();
}
