#pragma once
// One installed item of the App uninstaller (an application, a widget or a
// plug-in), and equally one related file found for it. Items are shared and
// compared by identity: selection and confirmation lists hold the very objects.

#include <QDateTime>
#include <QIcon>
#include <QList>
#include <QString>
#include <memory>

class AMAppItem {
public:
    // Empty texts, no icon, the current date, every flag NO.
    AMAppItem();
    // The icon comes first (the item is built from what was read of a path).
    AMAppItem(const QIcon& image, const QString& name, const QString& path, const QString& bundleID,
              const QString& bundleVersion, const QDateTime& date, const QString& isSystemAppStr,
              const QString& size);
    // A copy takes the icon, the texts and the date; isSystemApp, bIsSelected
    // and bIsGetSize start NO whatever they were in the original.
    AMAppItem(const AMAppItem& other);
    AMAppItem& operator=(const AMAppItem&) = delete;

    std::shared_ptr<AMAppItem> copy() const { return std::make_shared<AMAppItem>(*this); }

    QIcon image;
    QString name;
    QString path;
    QString bundleID;          // "CFBundleIdentifier", empty when there is none
    bool isSystemApp = false;  // the identifier begins with "com.apple."
    QString bundleVersion;     // "CFBundleShortVersionString", empty when there is none
    QDateTime date;            // creation date of the path
    bool bIsSelected = false;
    QString isSystemAppStr;    // "YES" / "NO"
    QString size;              // display text; "0KB" until measured for listed items
    bool bIsGetSize = false;   // the size measurement has been started
    // A user document (found in the Downloads folder): the confirmation lists
    // it, but does not tick it for removal at first.
    bool isUserDocument = false;

    // How an application of the Linux desktop was installed, and so how it
    // is removed: by its packaging, never by deleting package-owned files.
    enum class Packaging { None, Debian, Flatpak, Snap, StandAlone };
    Packaging packaging = Packaging::None;
    // Removed by a packaging system (Debian, Flatpak, Snap), never as files.
    bool isPackaged() const
    {
        return packaging == Packaging::Debian || packaging == Packaging::Flatpak || packaging == Packaging::Snap;
    }
    QString packageName;        // Debian package, Flatpak id or Snap name
    bool userInstallation = false; // a Flatpak of the user's own installation
    QString desktopEntry;       // the desktop entry file it was found by
    QString entryName;          // that entry's own Name, untranslated: a key of its files
    QString executableName;     // the program's file name, a key of its files
    QString iconName;           // the entry's theme icon name or icon file
    // The program file or folder of a stand-alone application, removed with
    // its desktop entry.
    QString standAlonePath;
    // Why its removal failed, where the packaging said (set by the executor
    // before it reports the failure).
    QString failureReason;
    // For a file found for an application of the Linux desktop: that
    // application's path. Its files stay when its packaging keeps it.
    QString ownerPath;
};

using AMAppItemPtr = std::shared_ptr<AMAppItem>;
using AMAppItemList = QList<AMAppItemPtr>;
