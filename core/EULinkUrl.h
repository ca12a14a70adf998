#pragma once
// Named links: the web pages the screens and menus open ("UpdateURL",
// "AboutURL", "UserGuide", "SupportTeam", "OnlineHelp") and the address of
// the update manifest ("IniURL"), kept in the "Link" dictionary of the bundle
// settings file.

#include <QString>

class EULinkUrl {
public:
    // The address under `key`, read afresh from the settings on every call, so
    // an edited settings file takes effect at once. A null text when the
    // dictionary or the key is missing, or the value is empty or not text: the
    // caller then opens nothing.
    static QString GetUrl(const QString& key);

    // A page of the maker's web site ("/support/faq.html"), on the site named
    // by the "HomePage" link; a null text when that link is missing.
    static QString sitePage(const QString& path);
};
