#pragma once
// What the Linux packaging systems say about installed applications, and
// removing an application the way its packaging requires: a Debian package
// through apt-get (after a simulation), a Flatpak through flatpak, a Snap
// through snap. Package-owned files are never removed as files.
//
// The tools are found on PATH; tests put fakes in their place through
// NULLVANE_DPKG_QUERY, NULLVANE_APT_GET, NULLVANE_FLATPAK and NULLVANE_SNAP.
// NULLVANE_DPKG_ROOT names a private dpkg root (its own status database and
// file tree); the real system is then never consulted. Paths handed in are
// the application's mapped paths; the root prefix is taken off before dpkg
// sees them.
//
// Every call starts child processes with argument lists and blocks the
// calling thread; call from a worker. Failure to run a tool answers "not
// known" (empty results), never a guess.

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace platform::packaging {

// ---- Debian packages

struct DebPackage {
    QString name;
    QString version;
    qint64 installedSizeKiB = 0;
    QString priority;     // "required", "important", "standard", "optional", ...
    bool essential = false;
    // Debian marks these as the system's own: required or important, or
    // essential.
    bool isSystemPackage() const;
};

// The package owning each of `paths` (one dpkg-query run for all); paths no
// package owns are missing from the map.
QMap<QString, QString> debOwners(const QStringList& paths);
// Facts of installed packages (one run for all); unknown names are missing.
QMap<QString, DebPackage> debPackages(const QStringList& names);
bool debInstalled(const QString& name);

// The packages apt-get would remove with `names` (those included), from one
// simulation of removing them together; nothing when the simulation failed
// (`error` says why).
QStringList debSimulateRemoval(const QStringList& names, QString* error = nullptr);

// ---- Flatpak and Snap

struct FlatpakApp {
    QString id;
    bool userInstallation = false;
    QString version;
    qint64 installedBytes = 0;
};
std::optional<FlatpakApp> flatpakInfo(const QString& id, bool userInstallation);

struct SnapApp {
    QString name;
    QString version;
    QString revision;
    qint64 bytes = 0;   // the size of the snap's image
};
std::optional<SnapApp> snapInfo(const QString& name);

// ---- removal

struct Removal {
    bool removed = false;   // the packaging reports the application gone
    QString message;        // why not, in the user's language where we say it
};

// Removes the packages `names`, each that can go, in one apt-get run, so
// that one of them that depends on another goes with it. Simulated first,
// all together and, unless exactly they would go, each on its own: one that
// would take a package not among `names` stays, its message naming those
// others only, and one apt does not know stays with apt's words; neither
// keeps any other back. One outcome per name, in order
// (a name given twice is removed once). Needs root: as another user it goes
// through pkexec (NULLVANE_PKEXEC), once for all of them.
QList<Removal> removeDebPackages(const QStringList& names);
// The same for one package: removed only when apt-get would remove it alone.
Removal removeDebPackage(const QString& name);
Removal uninstallFlatpak(const QString& id, bool userInstallation);
Removal removeSnap(const QString& name);

// ---- parsers, on recorded output

QMap<QString, QString> parseDpkgSearch(const QByteArray& output);
QMap<QString, DebPackage> parseDpkgShow(const QByteArray& output);
QStringList parseAptSimulation(const QByteArray& output);
std::optional<FlatpakApp> parseFlatpakInfo(const QByteArray& output);
std::optional<SnapApp> parseSnapList(const QByteArray& output, const QString& name);
// "123.4 MB", "950 kB", "12 bytes" (flatpak's decimal units).
qint64 parseDecimalSize(const QString& text);

// The argument prefixes for a private dpkg root (empty in normal use).
QStringList dpkgRootArguments();
QStringList aptRootArguments();
// The environment apt-get runs with: in a private dpkg root, APT_CONFIG naming
// the root's own configuration (apt::privateConfig), so that nothing of the
// machine's apt configuration and hooks runs. `usable` false: that file could
// not be written, and apt-get must not run.
QStringList aptEnvironment(bool* usable = nullptr);
// A mapped path as dpkg knows it (the root prefix taken off).
QString pathForDpkg(const QString& mappedPath);

} // namespace platform::packaging
