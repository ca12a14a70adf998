#pragma once
// The browser cleaner's work without its screen: finding the installed
// browsers, building the browser-and-item tree, the three-state selection,
// and measuring and cleaning each kind of browser data. The screen owns one
// engine, shows `browserArr` and hears back through InternetEngineDelegate.

#include "BrowerObj.h"
#include "platform/DesktopEntries.h"

#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

// What the engine asks of its screen. Every call comes on the main thread.
class InternetEngineDelegate {
public:
    virtual ~InternetEngineDelegate() = default;
    // Both lists changed (a check box was clicked).
    virtual void reloadLists() {}
    // The items shown on the right changed (an item was cleaned).
    virtual void reloadItemList() {}
    // The clean button is to be enabled or disabled.
    virtual void setCleanButtonEnabled(bool enabled) {}
};

class InternetEngine {
public:
    InternetEngine() = default;
    InternetEngine(const InternetEngine&) = delete;
    InternetEngine& operator=(const InternetEngine&) = delete;

    // The browser nodes of the last scan. The screen reads it on the main
    // thread, and only once a scan has finished.
    QList<BrowerObjPtr> browserArr;
    InternetEngineDelegate* delegate = nullptr;  // not owned; may stay unset

    // --- Discovery and the tree ------------------------------------------

    // The folders where the desktop keeps its applications: the data folders
    // whose applications/ hold desktop entries, the user's own first, then
    // the system's and the Flatpak and Snap exports (all mapped).
    QStringList applicationPaths() const;
    // Appends a browser node (with its items, measured) for each desktop
    // entry below `folder`/applications whose name holds a browser key.
    void applicationsInPath(const QString& folder);
    // Appends the item nodes of browser key `key` from the item table to `par`.
    // A table value that lists locations gives the first that exists (else
    // the first); one that is given per packaging gives that of par's.
    void getSubArrWithKey(const QString& key, const BrowerObjPtr& par);
    // The path format of a table value for a browser of `packaging`.
    static QString formatOfTableValue(const QVariant& value, const QString& packaging);
    // The image of a kind key from the image set; null for an unknown kind.
    // Main thread only.
    static QIcon getIconWithKey(const QString& key);
    // The user name that fills the "%@" of the browsers' paths: the
    // environment's "USER", else the login name.
    static QString userName();

    // Empties browserArr and goes through the installed desktop entries (an
    // entry of the user's masks the system's of the same id), measuring every
    // item. Runs on the calling thread; makes no images
    // (the nodes keep where their images come from, see loadIcons).
    void scanBrowsers();
    // The same on a global queue; when it ends, on the main queue, browserArr
    // is replaced, the images are made (loadIcons) and `done` is called.
    void getBrowserArr(std::function<void()> done);
    // Makes every node's image from its bundle path or kind image name. Main
    // thread only.
    void loadIcons();

    // --- Selection --------------------------------------------------------

    // The check box of `node` was clicked: applies the three-state rule, then
    // asks for both lists to reload and recomputes the clean button.
    void selectBrower(const BrowerObjPtr& node);
    // Enabled when some browser node is selected or partly selected. Tells
    // the delegate, and answers the same.
    bool changeCleanButtonState();

    // --- Measuring (on the scan's worker) ---------------------------------

    // The measure of `item` by the type of its browser; empty for a browser
    // without type.
    QString measureItem(const BrowerObjPtr& item);
    QString getGoogleFileSizeWithBrower(const BrowerObjPtr& item);
    QString getOpearSizeWithBrower(const BrowerObjPtr& item);
    QString getFirefoxSizeWithBrower(const BrowerObjPtr& item);
    QString getSafariSizeWithBrower(const BrowerObjPtr& item);

    // --- Cleaning ---------------------------------------------------------

    // Hands `item` to the cleaner of its browser's type; an item of a browser
    // without type is left alone. Main thread.
    void cleanItem(const BrowerObjPtr& item);
    // Cleans the items in order on a global queue. On the main queue, as each
    // one ends, it shows what is left of it, is unticked and the item list is
    // told (as cleanItem does); then `done` is called. Nothing reaches an
    // engine that is gone. The main thread must not change the items' names,
    // paths or browsers meanwhile (their ticks and size texts it may read).
    void cleanItems(const QList<BrowerObjPtr>& items, std::function<void()> done);
    // Whether a clean handed to cleanItems is still under way.
    bool isCleaning() const { return cleaning_; }

    // The clean of `item` without touching the node: whether its browser has
    // a type (else nothing was done), and the text of what is left (nothing
    // when that could not be read). Any thread.
    struct Cleaned {
        bool typed = false;
        std::optional<QString> text;
    };
    static Cleaned cleanedText(const BrowerObjPtr& item);
    // Each cleans, measures again and shows what is left, unticks the item
    // and asks for the item list to reload.
    void deleteGoogleWithBrower(const BrowerObjPtr& item);
    void deleteOpearWithBrower(const BrowerObjPtr& item);
    void deleteFirefoxWithBrower(const BrowerObjPtr& item);
    void deleteSafariWithBrower(const BrowerObjPtr& item);

    // --- File operations --------------------------------------------------

    // Bytes of a file, or of every non-folder entry below a folder. A link
    // counts as itself and is never followed; 0 when nothing is there.
    static qint64 fileSizeWithPath(const QString& path);
    // The names of a folder's direct entries, hidden ones included, sorted by
    // name; none for a missing, unreadable or blank path.
    static QStringList getAllFileWithPath(const QString& path);
    // The profile folder inside a Firefox profiles folder: the profiles folder
    // joined with the last entry whose name ends in ".default"; empty when
    // there is none.
    static QString getDefaultWithPath(const QString& profilesFolder);
    // The profile Firefox itself uses, as a path relative to its profiles
    // folder: the default of an install section of "profiles.ini" or
    // "installs.ini" (the first that names an existing profile), else the
    // profile marked Default=1. Empty when neither file names one; absolute
    // and ".." paths are never taken.
    static QString firefoxDefaultProfileName(const QString& profilesFolder);
    // Whether the folder holds Firefox's list of profiles.
    static bool hasFirefoxProfileList(const QString& profilesFolder);
    // The profile folder to clean below `folder`: `iniFolder`'s choice (the
    // profiles folder itself, or the one beside a caches folder) joined to
    // `folder`; without any list, the last ".default" entry of `folder`.
    static QString firefoxProfileWithPath(const QString& folder, const QString& iniFolder);
    // Unlocks (immutable flag) and removes the item, a folder with all its
    // contents, when the user may remove it; a link is removed as a link. A
    // database file takes its "-journal", "-wal" and "-shm" files with it.
    static void deleteFileWithPath(const QString& path);
    // Removes the item when something is there, without the unlock and the
    // deletable test; a link is removed as a link.
    static void plainRemoval(const QString& path);

    // Empties the saved logins of a Firefox "logins.json", keeping the file's
    // other keys. true when no login is left.
    static bool firefoxDeletePasswordWith(const QString& loginsPath);
    // The number of saved logins in a Firefox "logins.json"; 0 when there is
    // no such file, nothing when it cannot be read.
    static std::optional<int> firefoxPasswordCount(const QString& loginsPath);

    // An item's path format filled with the user name, through the location
    // mapping; "~%@/..." is the user's home folder. Empty when it cannot name
    // a place (no format, no user name, unknown home, not absolute).
    static QString filledPath(const BrowerObjPtr& item);
    // A fixed "/Users/%@/..." location of the user, through the mapping.
    static QString userLocation(const QString& format);

private:
    void addEntries(const QList<platform::DesktopEntry>& entries, QList<BrowerObjPtr>& into);
    void addBrowser(const platform::DesktopEntry& entry, const QString& key, int initialState, QList<BrowerObjPtr>& into);
    void finishClean(const BrowerObjPtr& item, const std::optional<QString>& text);
    static std::optional<QString> cleanGoogle(const BrowerObjPtr& item);
    static std::optional<QString> cleanOpera(const BrowerObjPtr& item);
    static std::optional<QString> cleanFirefox(const BrowerObjPtr& item);
    static std::optional<QString> cleanSafari(const BrowerObjPtr& item);

    bool cleaning_ = false;

    // Lets a scan that ends after this engine is gone drop its result.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
