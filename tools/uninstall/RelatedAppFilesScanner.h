#pragma once
// Building items from paths, and finding the files an installed item left in
// the user's folders: on Linux ~/.config, ~/.cache, ~/.local/state and
// ~/.local/share, where the system has its Library folders (which are
// searched too). A class of static operations only.

#include "AMAppItem.h"

#include <QIcon>
#include <QString>
#include <QStringList>

class RelatedAppFilesScanner {
public:
    RelatedAppFilesScanner() = delete;

    // An item read from the path: icon, display name, identifier, version,
    // system flag and creation date; the size text is left empty. The flag is
    // accepted and not used. Off the main thread the icon is left empty (the
    // icon theme may only be asked on the main thread): fill it with
    // iconForPath() once the item gets there.
    static AMAppItemPtr getAppItemWithFilePath(const QString& path, int appFlag);
    // The same with the size text "0KB": a listed item, measured on demand.
    static AMAppItemPtr constructItem(const QString& path, int appFlag);
    // The same with the size measured at once: an item about to be removed.
    static AMAppItemPtr aConstructItem(const QString& path, int appFlag);
    // The size of the file or folder tree at `path` as display text.
    static QString getFileSizeItem(const QString& path);

    // The bundle's own icon where it is an image we can read, else the icon the
    // desktop shows for the path. Empty without a GUI application; main thread.
    static QIcon iconForPath(const QString& path);

    // The two keys a bundle's related files are named by: the name
    // ("CFBundleName", else "CFBundleExecutable") and the identifier.
    struct BundleKeys {
        QString name;
        QString identifier;
    };
    static BundleKeys keysOfBundle(const QString& path);
    // The keys of every given item, for installedKeys of the search below.
    static QStringList keysOfItems(const AMAppItemList& items);

    // The group of `path`: the item itself, then every related file found, in
    // search order, each place once. `installedKeys` are the keys of the other installed items:
    // a file that another item's longer key also names belongs to that item
    // and is left out here.
    static AMAppItemList relatedFilesToApplicationAtPath(const QString& path,
                                                         const QStringList& installedKeys = {});

    // The group of an installed item: for an application of the Linux
    // desktop, itself, the entry of a stand-alone one (then the first row's
    // size is the program's alone) and its files in the user's folders (named by its entry's name, its desktop file id or its
    // program), then a Flatpak's or Snap's own folder; a user's launcher of
    // a program it does not hold is only its entry; for any other item,
    // relatedFilesToApplicationAtPath of its path.
    static AMAppItemList relatedFilesToItem(const AMAppItemPtr& item, const QStringList& installedKeys = {});

    // The seven searches, in the order the search runs them. Each appends what
    // it finds to `group`; user folders come before local ones, and in each
    // folder the name is tried before the identifier.
    static void GetPreferencePaths(AMAppItemList& group, const QString& name, const QString& bundleID,
                                   const QStringList& installedKeys);
    static void GetCachePaths(AMAppItemList& group, const QString& name, const QString& bundleID,
                              const QStringList& installedKeys);
    static void GetLogPaths(AMAppItemList& group, const QString& name, const QString& bundleID,
                            const QStringList& installedKeys);
    static void GetSavedStatePaths(AMAppItemList& group, const QString& name, const QString& bundleID,
                                   const QStringList& installedKeys);
    static void GetAppSupportPaths(AMAppItemList& group, const QString& name, const QString& bundleID,
                                   const QStringList& installedKeys);
    // Documents the user downloaded: found, but marked as user documents, so
    // the confirmation does not tick them at first.
    static void GetDownloadPaths(AMAppItemList& group, const QString& name, const QString& bundleID,
                                 const QStringList& installedKeys);
    static void GetGrowlPaths(AMAppItemList& group, const QString& name, const QStringList& installedKeys);

    // Appends every entry of `folder` that `key` names (folders are taken
    // whole, not entered), except one the group already holds: the same
    // entry, or the same place reached through a linked folder.
    static void AddPathIfExists(AMAppItemList& group, const QString& folder, const QString& key,
                                const QStringList& installedKeys, bool userDocuments = false);

    // How much of `entryName` the key names: the key, or the key without its
    // blanks, at the start of the name, ignoring case, and followed by the end
    // of the name, ".", " ", "-" or "_". 0 when it does not name the entry.
    static int matchLength(const QString& entryName, const QString& key);
    // Whether the entry is named by `key` and by no longer key among `others`.
    static bool belongsTo(const QString& entryName, const QString& key, const QStringList& others);
};
