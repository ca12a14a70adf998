#include "AMAppItem.h"

AMAppItem::AMAppItem() : date(QDateTime::currentDateTime()) {}

AMAppItem::AMAppItem(const QIcon& image_, const QString& name_, const QString& path_, const QString& bundleID_,
                     const QString& bundleVersion_, const QDateTime& date_, const QString& isSystemAppStr_,
                     const QString& size_)
    : image(image_),
      name(name_),
      path(path_),
      bundleID(bundleID_),
      bundleVersion(bundleVersion_),
      date(date_),
      isSystemAppStr(isSystemAppStr_),
      size(size_)
{
}

AMAppItem::AMAppItem(const AMAppItem& other)
    : AMAppItem(other.image, other.name, other.path, other.bundleID, other.bundleVersion, other.date,
                other.isSystemAppStr, other.size)
{
    // What an item is stays with its copy; what was done with it does not.
    isUserDocument = other.isUserDocument;
    packaging = other.packaging;
    packageName = other.packageName;
    userInstallation = other.userInstallation;
    desktopEntry = other.desktopEntry;
    entryName = other.entryName;
    executableName = other.executableName;
    iconName = other.iconName;
    standAlonePath = other.standAlonePath;
    ownerPath = other.ownerPath;
}
