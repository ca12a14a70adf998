#include "BrowerObj.h"

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
    const char* key;
    const char* label;
    const char* image;
};

constexpr KindEntry kKinds[] = {
    {"Browsing History", "浏览记录", "icon_history"},
    {"Session", "自动填充表单数据", "icon_autofill"},
    {"Caches", "缓存的图片和文件", "icon_caches"},
    {"Cookies", "Cookies", "icon_cookies"},
    {"Download History", "下载记录", "icon_download"},
    {"Downloads History", "下载记录", "icon_download"},
    {"Save Password", "密码或其它登录数据", "icon_password"},
    {"Form Values", "表单数据", "icon_tabform"},
};

const KindEntry* kindOf(const QString& key)
{
    for (const KindEntry& k : kKinds) {
        if (key == QLatin1String(k.key))
            return &k;
    }
    return nullptr;
}
} // namespace

QString labelWithKey(const QString& kindKey)
{
    const KindEntry* k = kindOf(kindKey);
    return k ? QString::fromUtf8(k->label) : kindKey;
}

QString imageNameWithKey(const QString& kindKey)
{
    const KindEntry* k = kindOf(kindKey);
    return k ? QString::fromLatin1(k->image) : QString();
}
