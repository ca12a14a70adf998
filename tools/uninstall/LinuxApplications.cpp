#include "LinuxApplications.h"

#include "core/CommUti.h"
#include "platform/Locations.h"
#include "platform/Packaging.h"
#include "platform/Process.h"
#include "platform/gui/DesktopIcons.h"

#include <QFileInfo>
#include <QSet>

namespace LinuxApplications {

namespace {

QString idWithoutSuffix(const QString& id)
{
    return id.endsWith(QLatin1String(".desktop")) ? id.chopped(8) : id;
}

QDateTime installTime(const QString& file)
{
    const QFileInfo info(file);
    const QDateTime born = info.birthTime();
    return born.isValid() ? born : info.lastModified();
}

// The program an entry starts, as a file: an absolute Exec (mapped, as every
// fixed location is) or a name found on PATH. Empty when there is none.
QString programFile(const platform::DesktopEntry& entry)
{
    const QString program = entry.execProgram();
    if (program.isEmpty())
        return {};
    if (program.startsWith(QLatin1Char('/'))) {
        const QString mapped = platform::mapLocation(program);
        return QFileInfo(mapped).isFile() ? mapped : QString();
    }
    return platform::findProgram(program);
}

QString flatpakId(const platform::DesktopEntry& entry)
{
    const QString declared = entry.keys.value(QStringLiteral("X-Flatpak"));
    return declared.isEmpty() ? idWithoutSuffix(entry.id) : declared;
}

QString snapName(const platform::DesktopEntry& entry)
{
    QString name = entry.keys.value(QStringLiteral("X-SnapInstanceName"));
    if (name.isEmpty())
        name = idWithoutSuffix(entry.id).section(QLatin1Char('_'), 0, 0);
    return name;
}

bool underUserHome(const QString& path)
{
    const QString home = platform::mapLocation(QStringLiteral("~"));
    return !home.isEmpty() && path.startsWith(home + QLatin1Char('/'));
}

AMAppItemPtr baseItem(const platform::DesktopEntry& entry)
{
    auto item = std::make_shared<AMAppItem>();
    item->name = entry.displayName();
    item->path = entry.filePath;
    item->bundleID = idWithoutSuffix(entry.id);
    item->isSystemApp = false;
    item->isSystemAppStr = QStringLiteral("NO");
    item->date = installTime(entry.filePath);
    item->desktopEntry = entry.filePath;
    item->entryName = entry.name;
    item->iconName = entry.icon;
    const QString program = entry.execProgram().section(QLatin1Char('/'), -1);
    // A program started through env names nothing of the application's own.
    if (program != QLatin1String("env"))
        item->executableName = program;
    // Sizes come from the packaging, not from the entry file.
    item->bIsGetSize = true;
    return item;
}

} // namespace

bool isListed(const platform::DesktopEntry& entry)
{
    return entry.type == QLatin1String("Application") && !entry.hidden && !entry.noDisplay &&
           !entry.name.isEmpty();
}

bool isDesktopShell(const QString& packageName, const QString& desktopId)
{
    static const QSet<QString> packages{
        QStringLiteral("gnome-shell"),           QStringLiteral("gnome-control-center"),
        QStringLiteral("gnome-session"),         QStringLiteral("gnome-session-bin"),
        QStringLiteral("gnome-settings-daemon"), QStringLiteral("gnome-shell-extension-prefs"),
        QStringLiteral("plasma-workspace"),      QStringLiteral("plasma-desktop"),
        QStringLiteral("systemsettings"),        QStringLiteral("kde-cli-tools"),
        QStringLiteral("xfce4-session"),         QStringLiteral("xfce4-settings"),
        QStringLiteral("xfce4-panel"),           QStringLiteral("xfdesktop4"),
        QStringLiteral("lxqt-session"),          QStringLiteral("lxqt-config"),
        QStringLiteral("lxqt-panel"),            QStringLiteral("lxsession"),
        QStringLiteral("mate-control-center"),   QStringLiteral("mate-panel"),
        QStringLiteral("mate-session-manager"),  QStringLiteral("cinnamon"),
        QStringLiteral("cinnamon-control-center"), QStringLiteral("cinnamon-session"),
        QStringLiteral("budgie-desktop"),        QStringLiteral("budgie-control-center"),
    };
    if (packages.contains(packageName))
        return true;
    const QString id = idWithoutSuffix(desktopId);
    static const char* const idPrefixes[] = {
        "org.gnome.Settings", "gnome-control-center", "org.gnome.Shell", "systemsettings", "kcm_",
        "xfce-settings-manager", "xfce4-settings-manager", "lxqt-config", "mate-control-center",
        "cinnamon-settings",
    };
    for (const char* prefix : idPrefixes) {
        if (id.startsWith(QLatin1String(prefix)))
            return true;
    }
    return false;
}

QString standAloneRoot(const QString& program)
{
    const QString home = platform::mapLocation(QStringLiteral("~"));
    for (const QString& base : {home + QStringLiteral("/Applications/"), home + QStringLiteral("/.local/opt/"),
                                platform::mapLocation(QStringLiteral("/opt/"))}) {
        if (!program.startsWith(base))
            continue;
        const QString rest = program.mid(base.size());
        const qsizetype slash = rest.indexOf(QLatin1Char('/'));
        // A program directly in the folder is a file of its own (an AppImage).
        return slash < 0 ? program : base + rest.left(slash);
    }
    return program;
}

AMAppItemList scan(const QList<platform::DesktopDataFolder>& folders)
{
    QList<platform::DesktopEntry> entries;
    for (const platform::DesktopEntry& entry : platform::desktopEntries(folders)) {
        if (isListed(entry))
            entries << entry;
    }

    // One run of the package database for every entry and program file.
    QStringList askDpkg;
    QHash<QString, QString> programs; // entry file → program file
    for (const platform::DesktopEntry& entry : entries) {
        if (entry.source != platform::EntrySource::System && entry.source != platform::EntrySource::User)
            continue;
        askDpkg << entry.filePath;
        // Only a user's entry can stand alone, so only its program is asked about.
        if (entry.source != platform::EntrySource::User)
            continue;
        const QString program = programFile(entry);
        programs.insert(entry.filePath, program);
        if (!program.isEmpty())
            askDpkg << program;
    }
    const QMap<QString, QString> owners = platform::packaging::debOwners(askDpkg);
    QStringList packageNames;
    for (const QString& name : owners)
        if (!packageNames.contains(name))
            packageNames << name;
    const QMap<QString, platform::packaging::DebPackage> packages = platform::packaging::debPackages(packageNames);

    // Several menu entries of one Flatpak or Snap ask once.
    QHash<QPair<QString, bool>, std::optional<platform::packaging::FlatpakApp>> flatpaks;
    QHash<QString, std::optional<platform::packaging::SnapApp>> snaps;

    AMAppItemList items;
    for (const platform::DesktopEntry& entry : entries) {
        AMAppItemPtr item = baseItem(entry);
        switch (entry.source) {
        case platform::EntrySource::Flatpak: {
            item->packaging = AMAppItem::Packaging::Flatpak;
            item->executableName.clear(); // "flatpak", the launcher
            item->packageName = flatpakId(entry);
            item->userInstallation = underUserHome(entry.dataFolder);
            const QPair<QString, bool> key(item->packageName, item->userInstallation);
            auto known = flatpaks.constFind(key);
            if (known == flatpaks.constEnd())
                known = flatpaks.insert(key, platform::packaging::flatpakInfo(item->packageName, item->userInstallation));
            qint64 bytes = 0;
            if (const auto& info = *known) {
                item->bundleVersion = info->version;
                bytes = info->installedBytes;
            }
            item->size = CommUti::convertVolSpace(bytes);
            break;
        }
        case platform::EntrySource::Snap: {
            item->packaging = AMAppItem::Packaging::Snap;
            item->executableName.clear(); // the snap's launcher, not its files' name
            item->packageName = snapName(entry);
            auto known = snaps.constFind(item->packageName);
            if (known == snaps.constEnd())
                known = snaps.insert(item->packageName, platform::packaging::snapInfo(item->packageName));
            qint64 bytes = 0;
            if (const auto& info = *known) {
                item->bundleVersion = info->version;
                bytes = info->bytes;
            }
            item->size = CommUti::convertVolSpace(bytes);
            break;
        }
        case platform::EntrySource::System:
        case platform::EntrySource::User: {
            const QString owner = owners.value(entry.filePath);
            if (!owner.isEmpty()) {
                const auto package = packages.constFind(owner);
                if (package != packages.constEnd() && package->isSystemPackage())
                    continue;
                if (isDesktopShell(owner, entry.id))
                    continue;
                item->packaging = AMAppItem::Packaging::Debian;
                item->packageName = owner;
                if (package != packages.constEnd()) {
                    item->bundleVersion = package->version;
                    item->size = CommUti::convertVolSpace(package->installedSizeKiB * 1024);
                } else {
                    item->size = CommUti::convertVolSpace(0);
                }
                break;
            }
            if (isDesktopShell(QString(), entry.id))
                continue;
            // An entry of a system folder that no package is known to own
            // (dpkg gone or failing, or a system without it) is still the
            // system's: removing its files would leave the program installed.
            if (entry.source != platform::EntrySource::User)
                continue;
            // No package owns the entry: the application's own files and the
            // entry go, unless the program belongs to a package (then the
            // entry is only a shortcut of the user's, and goes alone).
            item->packaging = AMAppItem::Packaging::StandAlone;
            const QString program = programs.value(entry.filePath);
            if (!program.isEmpty() && !owners.contains(program) && underUserHome(program))
                item->standAlonePath = standAloneRoot(program);
            if (!item->standAlonePath.isEmpty()) {
                item->path = item->standAlonePath;
            } else {
                // A launcher of someone else's program ("steam steam://...",
                // "flatpak run ..."): that program's folders are not its own.
                item->executableName.clear();
            }
            const qint64 bytes = CommUti::sizeOfFileRef(item->path) +
                                 (item->path != entry.filePath ? QFileInfo(entry.filePath).size() : 0);
            item->size = CommUti::convertVolSpace(bytes);
            break;
        }
        }
        items << item;
    }
    return items;
}

QIcon iconFor(const AMAppItem& item)
{
    return platform::desktopIcon(item.iconName);
}

} // namespace LinuxApplications
