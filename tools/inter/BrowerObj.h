#pragma once
// One node of the browser cleaner's two-level tree: a browser found among the
// desktop's applications, or one kind of data (history, cookies, ...) of it.

#include <QIcon>
#include <QList>
#include <QString>
#include <memory>

class BrowerObj;
using BrowerObjPtr = std::shared_ptr<BrowerObj>;

class BrowerObj {
public:
    // Browser node: none. Item node: the browser it belongs to (not owned).
    std::weak_ptr<BrowerObj> parObj;
    // Browser node: the application's display name. Item node: the kind key.
    QString name;
    // Browser node: its items in creation order. Item node: empty.
    QList<BrowerObjPtr> chrArr;
    // Item node: the measured amount as display text ("12 项", "3.20 MB"), or
    // empty for a kind its browser does not measure.
    QString size;
    // Item node: the path format from the item table ("/Users/%@/...").
    QString urlStr;
    // Browser node: the desktop's icon of the bundle. Item node: the kind's image.
    QIcon iconImage;
    // 0 not selected, 1 selected, 2 partly selected (browser nodes only).
    qint32 isSelect = 0;

    // Where iconImage comes from, so it can be made on the main thread after
    // a background scan: the desktop entry file of a browser node and its
    // icon name, the image name of an item's kind (empty for an unknown kind).
    QString appPath;
    QString appIcon;
    QString iconName;
    // Browser node: how the browser was installed, which decides where its
    // data lives: "snap", "flatpak" or "default".
    QString packaging;

    BrowerObjPtr parent() const { return parObj.lock(); }
    // An item keeps knowing it is one even when its browser has gone.
    bool isItem() const
    {
        const std::weak_ptr<BrowerObj> none;
        return parObj.owner_before(none) || none.owner_before(parObj);
    }
};

// Keys of the item table; also the texts looked for in application names.
namespace BrowserKey {
inline const QString Safari = QStringLiteral("Safari");
inline const QString GoogleChrome = QStringLiteral("Google Chrome");
inline const QString Firefox = QStringLiteral("Firefox");
inline const QString Opera = QStringLiteral("Opera");
} // namespace BrowserKey

// Which measuring and cleaning rules serve a browser node.
enum class BrowserType { None, GoogleChrome, Firefox, Opera, Safari };

// The first of "Google Chrome", "Firefox", "Opera", "Safari" that the display
// name contains decides; a name holding none of them has no type.
BrowserType browserTypeOfName(const QString& displayName);

// The list label of a kind key ("Browsing History" → "浏览记录"); an unknown
// key is its own label.
QString labelWithKey(const QString& kindKey);

// The image name of a kind key ("Cookies" → "icon_cookies"); empty when the
// kind has no image.
QString imageNameWithKey(const QString& kindKey);
