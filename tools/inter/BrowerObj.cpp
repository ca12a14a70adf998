#include "BrowerObj.h"

#include "toolkit/ImageCache.h"

#include <utility>

BrowserType browserTypeOfName(const QString& displayName)
{
    // The order matters: a name holding both "Opera" and "Safari" is Opera.
    static const std::pair<QString, BrowserType> kOrder[] = {
        {BrowserKey::GoogleChrome, BrowserType::GoogleChrome},
        {BrowserKey::Firefox, BrowserType::Firefox},
        {BrowserKey::Opera, BrowserType::Opera},
        {BrowserKey::Safari, BrowserType::Safari},
    };
    for (const auto& [text, type] : kOrder) {
        if (displayName.contains(text, Qt::CaseSensitive))
            return type;
    }
    return BrowserType::None;
}

namespace {
struct KindEntry {
    QString key;
    QString label;
    QString image;
};

const KindEntry* kindOf(const QString& key)
{
    using toolkit::imageName;
    static const KindEntry kKinds[] = {
        {QStringLiteral("Browsing History"), QStringLiteral("浏览记录"), imageName("icon_history")},
        {QStringLiteral("Session"), QStringLiteral("自动填充表单数据"), imageName("icon_autofill")},
        {QStringLiteral("Caches"), QStringLiteral("缓存的图片和文件"), imageName("icon_caches")},
        {QStringLiteral("Cookies"), QStringLiteral("Cookies"), imageName("icon_cookies")},
        {QStringLiteral("Download History"), QStringLiteral("下载记录"), imageName("icon_download")},
        {QStringLiteral("Downloads History"), QStringLiteral("下载记录"), imageName("icon_download")},
        {QStringLiteral("Save Password"), QStringLiteral("密码或其它登录数据"), imageName("icon_password")},
        {QStringLiteral("Form Values"), QStringLiteral("表单数据"), imageName("icon_tabform")},
    };
    for (const KindEntry& k : kKinds) {
        if (key == k.key)
            return &k;
    }
    return nullptr;
}
} // namespace

QString labelWithKey(const QString& kindKey)
{
    const KindEntry* k = kindOf(kindKey);
    return k ? k->label : kindKey;
}

QString imageNameWithKey(const QString& kindKey)
{
    const KindEntry* k = kindOf(kindKey);
    return k ? k->image : QString();
}
