#include "Packaging.h"

#include "AptSimulation.h"
#include "Locations.h"
#include "Privileged.h"
#include "Process.h"
#include "Removal.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <unistd.h>

namespace platform::packaging {

namespace {

constexpr int kQueryTimeoutMs = 60000;
constexpr int kRemovalTimeoutMs = 30 * 60000;

QString tool(const char* variable, const char* name)
{
    const QString fake = qEnvironmentVariable(variable);
    if (!fake.isEmpty())
        return fake;
    return findProgram(QString::fromLatin1(name));
}

QString dpkgRoot()
{
    QString root = qEnvironmentVariable("NULLVANE_DPKG_ROOT");
    while (root.size() > 1 && root.endsWith(QLatin1Char('/')))
        root.chop(1);
    return root == QLatin1String("/") ? QString() : root;
}

// The tools answer in English whatever the user's language, so the parsers
// read one form.
QStringList cLocale() { return {QStringLiteral("LC_ALL=C"), QStringLiteral("LANG=C")}; }

ProcessResult run(const QString& program, const QStringList& args, int timeoutMs = kQueryTimeoutMs)
{
    if (program.isEmpty())
        return {};
    ProcessOptions options;
    options.timeoutMs = timeoutMs;
    options.extraEnvironment = cLocale() << QStringLiteral("DEBIAN_FRONTEND=noninteractive");
    return runProcess(program, args, options);
}

// apt-get, in the private dpkg root when there is one: then with its own
// configuration only, or not at all.
ProcessResult runApt(const QStringList& args, int timeoutMs = kQueryTimeoutMs)
{
    bool usable = true;
    const QStringList environment = aptEnvironment(&usable);
    const QString program = tool("NULLVANE_APT_GET", "apt-get");
    if (!usable || program.isEmpty()) {
        ProcessResult refused;
        refused.standardError = "apt-get: the private dpkg root's configuration could not be written";
        return refused;
    }
    ProcessOptions options;
    options.timeoutMs = timeoutMs;
    options.extraEnvironment = cLocale() << QStringLiteral("DEBIAN_FRONTEND=noninteractive") << environment;
    return runProcess(program, aptRootArguments() + args, options);
}

const QRegularExpression& debNamePattern()
{
    static const QRegularExpression pattern(QStringLiteral("^[a-z0-9][a-z0-9+.-]+(:[a-z0-9-]+)?$"));
    return pattern;
}

} // namespace

bool DebPackage::isSystemPackage() const
{
    return essential || priority == QLatin1String("required") || priority == QLatin1String("important");
}

QStringList dpkgRootArguments()
{
    const QString root = dpkgRoot();
    if (root.isEmpty())
        return {};
    return {QStringLiteral("--admindir=") + root + QStringLiteral("/var/lib/dpkg")};
}

QStringList aptRootArguments()
{
    QStringList args;
    for (const std::string& option : apt::rootOptions(QFile::encodeName(dpkgRoot()).toStdString()))
        args << QFile::decodeName(QByteArray::fromStdString(option));
    return args;
}

QStringList aptEnvironment(bool* usable)
{
    if (usable)
        *usable = true;
    const QString root = dpkgRoot();
    if (root.isEmpty())
        return {};
    const std::string config = apt::privateConfig(QFile::encodeName(root).toStdString());
    if (config.empty()) {
        if (usable)
            *usable = false;
        return {};
    }
    return {QStringLiteral("APT_CONFIG=") + QFile::decodeName(QByteArray::fromStdString(config))};
}

QString pathForDpkg(const QString& mappedPath)
{
    const QString root = dpkgRoot();
    if (!root.isEmpty() && mappedPath.startsWith(root + QLatin1Char('/')))
        return mappedPath.mid(root.size());
    return mappedPath;
}

// ---- parsers

QMap<QString, QString> parseDpkgSearch(const QByteArray& output)
{
    // "pkg: /path", "pkg:amd64: /path", "pkg1, pkg2: /path"; diversion lines
    // ("diversion by x from: /path") are not ownership.
    QMap<QString, QString> owners;
    for (const QByteArray& raw : output.split('\n')) {
        const QString line = QString::fromUtf8(raw);
        if (line.startsWith(QLatin1String("diversion ")) || line.trimmed().isEmpty())
            continue;
        const qsizetype sep = line.indexOf(QLatin1String(": /"));
        if (sep <= 0)
            continue;
        QString package = line.left(sep).section(QLatin1Char(','), 0, 0).trimmed();
        package = package.section(QLatin1Char(':'), 0, 0);
        const QString path = line.mid(sep + 2);
        if (!package.isEmpty() && !owners.contains(path))
            owners.insert(path, package);
    }
    return owners;
}

QMap<QString, DebPackage> parseDpkgShow(const QByteArray& output)
{
    QMap<QString, DebPackage> packages;
    for (const QByteArray& raw : output.split('\n')) {
        const QStringList f = QString::fromUtf8(raw).split(QLatin1Char('\t'));
        if (f.size() < 6 || f[0].isEmpty())
            continue;
        // Only installed packages count.
        if (!f[5].contains(QLatin1String("install ok installed")))
            continue;
        DebPackage p;
        p.name = f[0];
        p.version = f[1];
        p.installedSizeKiB = f[2].toLongLong();
        p.priority = f[3].trimmed();
        p.essential = f[4].trimmed() == QLatin1String("yes");
        packages.insert(p.name, p);
    }
    return packages;
}

QStringList parseAptSimulation(const QByteArray& output)
{
    // The removal helper reads the simulation again as root, with the same code.
    QStringList removed;
    for (const std::string& name : apt::simulatedRemovals(output.toStdString()))
        removed << QString::fromStdString(name);
    return removed;
}

qint64 parseDecimalSize(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*([0-9]+(?:[.,][0-9]+)?)\\s*([A-Za-z]*)"));
    const auto m = pattern.match(text);
    if (!m.hasMatch())
        return 0;
    QString number = m.captured(1);
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    const double value = number.toDouble();
    const QString unit = m.captured(2).toLower();
    double factor = 1;
    if (unit == QLatin1String("kb") || unit == QLatin1String("k"))
        factor = 1e3;
    else if (unit == QLatin1String("mb") || unit == QLatin1String("m"))
        factor = 1e6;
    else if (unit == QLatin1String("gb") || unit == QLatin1String("g"))
        factor = 1e9;
    else if (unit == QLatin1String("tb"))
        factor = 1e12;
    return qint64(value * factor + 0.5);
}

std::optional<FlatpakApp> parseFlatpakInfo(const QByteArray& output)
{
    FlatpakApp app;
    bool any = false;
    for (const QByteArray& raw : output.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        const QString key = line.left(colon).trimmed();
        const QString value = line.mid(colon + 1).trimmed();
        if (key == QLatin1String("ID") || key == QLatin1String("Ref")) {
            if (key == QLatin1String("ID"))
                app.id = value;
            else if (app.id.isEmpty())
                app.id = value.section(QLatin1Char('/'), 1, 1);
            any = true;
        } else if (key == QLatin1String("Version")) {
            app.version = value;
        } else if (key == QLatin1String("Installed")) {
            app.installedBytes = parseDecimalSize(value);
        } else if (key == QLatin1String("Installation")) {
            app.userInstallation = value == QLatin1String("user");
        }
    }
    if (!any)
        return std::nullopt;
    return app;
}

std::optional<SnapApp> parseSnapList(const QByteArray& output, const QString& name)
{
    // Name  Version  Rev  Tracking  Publisher  Notes
    for (const QByteArray& raw : output.split('\n')) {
        const QStringList f = QString::fromUtf8(raw).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (f.size() < 3 || f[0] != name)
            continue;
        SnapApp app;
        app.name = f[0];
        app.version = f[1];
        app.revision = f[2];
        return app;
    }
    return std::nullopt;
}

// ---- queries

QMap<QString, QString> debOwners(const QStringList& paths)
{
    QMap<QString, QString> result;
    if (paths.isEmpty())
        return result;
    QMap<QString, QString> forDpkg; // dpkg's path → ours
    for (const QString& p : paths)
        forDpkg.insert(pathForDpkg(p), p);
    QStringList args = dpkgRootArguments();
    args << QStringLiteral("-S") << forDpkg.keys();
    // Exit status 1 only says some path has no owner.
    const ProcessResult r = run(tool("NULLVANE_DPKG_QUERY", "dpkg-query"), args);
    const QMap<QString, QString> owners = parseDpkgSearch(r.standardOutput);
    for (auto it = owners.begin(); it != owners.end(); ++it) {
        if (forDpkg.contains(it.key()))
            result.insert(forDpkg.value(it.key()), it.value());
    }
    return result;
}

namespace {

// After a removal, "not installed" must be a real answer of the packaging
// tool: a tool that could not run, ran out of time or failed otherwise knows
// nothing, and the application may well still be there.
enum class Presence { Installed, Absent, Unknown };

bool ranToTheEnd(const ProcessResult& r) { return r.started && r.finished && !r.crashed; }

ProcessResult debShow(const QStringList& names)
{
    QStringList args = dpkgRootArguments();
    args << QStringLiteral("-W")
         << QStringLiteral("-f=${Package}\\t${Version}\\t${Installed-Size}\\t${Priority}\\t${Essential}\\t${Status}\\n")
         << names;
    return run(tool("NULLVANE_DPKG_QUERY", "dpkg-query"), args);
}

Presence debPresence(const QString& name)
{
    const ProcessResult r = debShow({name});
    // dpkg-query exits with 1 when it knows no such package; anything else
    // but 0 is its own trouble.
    if (!ranToTheEnd(r) || (r.exitCode != 0 && r.exitCode != 1))
        return Presence::Unknown;
    if (parseDpkgShow(r.standardOutput).contains(name))
        return Presence::Installed;
    // Gone is no more than configuration files left: a package whose
    // removal script failed half-way is neither installed nor gone.
    for (const QByteArray& line : r.standardOutput.split('\n')) {
        const QList<QByteArray> f = line.split('\t');
        if (f.size() >= 6 && QString::fromUtf8(f[0]) == name && !f[5].endsWith("not-installed") &&
            !f[5].endsWith("config-files"))
            return Presence::Unknown;
    }
    return Presence::Absent;
}

ProcessResult flatpakShow(const QString& id, bool userInstallation)
{
    return run(tool("NULLVANE_FLATPAK", "flatpak"),
               {QStringLiteral("info"), userInstallation ? QStringLiteral("--user") : QStringLiteral("--system"),
                QStringLiteral("--"), id});
}

ProcessResult snapShow(const QString& name)
{
    return run(tool("NULLVANE_SNAP", "snap"), {QStringLiteral("list"), QStringLiteral("--"), name});
}

// flatpak and snap answer an unknown name with exit status 1 and an error
// line; one that could not be asked is unknown.
Presence presenceFrom(const ProcessResult& r, bool parsed)
{
    if (!ranToTheEnd(r))
        return Presence::Unknown;
    if (r.exitCode == 0)
        return parsed ? Presence::Installed : Presence::Unknown;
    return r.exitCode == 1 ? Presence::Absent : Presence::Unknown;
}

} // namespace

QMap<QString, DebPackage> debPackages(const QStringList& names)
{
    if (names.isEmpty())
        return {};
    return parseDpkgShow(debShow(names).standardOutput);
}

bool debInstalled(const QString& name)
{
    return debPackages({name}).contains(name);
}

QStringList debSimulateRemoval(const QStringList& names, QString* error)
{
    for (const QString& name : names) {
        if (!debNamePattern().match(name).hasMatch()) {
            if (error)
                *error = QStringLiteral("not a package name: ") + name;
            return {};
        }
    }
    if (names.isEmpty())
        return {};
    const ProcessResult r =
        runApt(QStringList{QStringLiteral("-s"), QStringLiteral("remove"), QStringLiteral("--")} + names);
    if (!r.succeeded()) {
        if (error)
            *error = QString::fromUtf8(r.standardError).trimmed();
        return {};
    }
    return parseAptSimulation(r.standardOutput);
}

std::optional<FlatpakApp> flatpakInfo(const QString& id, bool userInstallation)
{
    const ProcessResult r = flatpakShow(id, userInstallation);
    if (!r.succeeded())
        return std::nullopt;
    auto app = parseFlatpakInfo(r.standardOutput);
    if (app) {
        if (app->id.isEmpty())
            app->id = id;
        app->userInstallation = userInstallation;
    }
    return app;
}

std::optional<SnapApp> snapInfo(const QString& name)
{
    const ProcessResult r = snapShow(name);
    if (!r.succeeded())
        return std::nullopt;
    auto app = parseSnapList(r.standardOutput, name);
    if (app) {
        const QString image =
            mapLocation(QStringLiteral("/var/lib/snapd/snaps/%1_%2.snap").arg(app->name, app->revision));
        app->bytes = QFileInfo(image).size();
    }
    return app;
}

// ---- removal

namespace {

// Gone only when the removal itself succeeded and the packaging, asked
// afterwards, no longer knows the application.
Removal removalOutcome(const ProcessResult& removal, Presence after)
{
    Removal result;
    result.removed = removal.succeeded() && after == Presence::Absent;
    if (result.removed)
        return result;
    result.message = QString::fromUtf8(removal.standardError).trimmed();
    if (result.message.isEmpty() && !removal.started)
        result.message = QStringLiteral("无法运行卸载程序");
    else if (result.message.isEmpty() && after == Presence::Unknown)
        result.message = QStringLiteral("无法确认应用程序已被卸载");
    return result;
}

// Removes `going` in one apt-get run (through the helper for one password
// when not root) and writes each outcome into `results`, which hold one
// entry per name of `names`.
QList<Removal> removeGoing(const QStringList& going, const QStringList& names, QList<Removal> results)
{
    if (going.isEmpty())
        return results;

    ProcessResult r;
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("NULLVANE_PKEXEC")) {
        r = runApt(QStringList{QStringLiteral("remove"), QStringLiteral("-y"), QStringLiteral("--")} + going,
                   kRemovalTimeoutMs);
    } else {
        // The removal helper runs apt-get as root for these packages, after
        // its own simulation shows that they go alone.
        const privileged::Command command = privileged::command(
            PrivilegedRemover::helperProgram(), QStringList{QStringLiteral("--remove-package")} + going);
        r = run(command.program, command.arguments, kRemovalTimeoutMs);
        const QString refused = privileged::refusalText(privileged::endingOf(r));
        if (!refused.isEmpty()) {
            // pkexec's own words are not the user's; nothing was removed.
            for (qsizetype i = 0; i < names.size(); ++i)
                if (going.contains(names[i]))
                    results[i].message = refused;
            return results;
        }
    }
    // One run removed packages that have nothing to do with each other: one
    // whose own scripts failed keeps apt's complaint, one that went is gone.
    for (const QString& name : going) {
        const Presence after = debPresence(name);
        const Removal outcome = after == Presence::Absent && ranToTheEnd(r) ? Removal{true, QString()}
                                                                            : removalOutcome(r, after);
        for (qsizetype i = 0; i < names.size(); ++i)
            if (names[i] == name)
                results[i] = outcome;
    }
    return results;
}

} // namespace

QList<Removal> removeDebPackages(const QStringList& names)
{
    QList<Removal> results(names.size());
    const auto setMessage = [&](const QString& name, const QString& message) {
        for (qsizetype i = 0; i < names.size(); ++i)
            if (names[i] == name)
                results[i].message = message;
    };
    const auto notChosen = [&](const QStringList& packages, const QStringList& chosen) {
        QStringList others;
        for (const QString& name : packages)
            if (!chosen.contains(name))
                others << name;
        return others;
    };
    const auto takesAlong = [](const QStringList& going, const QStringList& others) {
        return QStringLiteral("卸载 %1 会同时删除: %2")
            .arg(going.join(QStringLiteral(", ")), others.join(QStringLiteral(", ")));
    };
    QStringList chosen;
    for (const QString& name : names)
        if (!chosen.contains(name))
            chosen << name;

    const auto sameSet = [](QStringList a, QStringList b) {
        a.sort();
        b.sort();
        return a == b;
    };

    // Mostly the chosen packages go and nothing else: one simulation says
    // so, where weighing each takes a simulation apiece (a second or two on
    // a full package cache).
    const QStringList jointly = chosen.size() > 1 ? debSimulateRemoval(chosen) : QStringList();
    if (chosen.size() > 1 && sameSet(jointly, chosen))
        return removeGoing(chosen, names, results);

    // Otherwise each chosen package is weighed on its own: one that would
    // take a package nobody chose, or that apt does not know, stays with its
    // own reason and keeps no other back. What it takes that was chosen too
    // (an add-on of it) is the reason it goes together with those.
    QStringList going;
    QMap<QString, QStringList> takes;
    for (const QString& name : chosen) {
        QString error;
        const QStringList wouldGo = debSimulateRemoval({name}, &error);
        if (!wouldGo.contains(name)) {
            setMessage(name, error.isEmpty() ? QStringLiteral("无法卸载软件包 %1").arg(name) : error);
            continue;
        }
        if (const QStringList others = notChosen(wouldGo, chosen); !others.isEmpty()) {
            setMessage(name, takesAlong({name}, others));
            continue;
        }
        going << name;
        takes.insert(name, wouldGo);
    }
    // Together they may take more than each alone (a package needing one of
    // two chosen ones): those are added one at a time, with what each takes,
    // and one that would bring that about stays.
    if (going.size() > 1 && !sameSet(going.size() == chosen.size() ? jointly : debSimulateRemoval(going), going)) {
        QStringList together;
        for (const QString& name : going) {
            if (together.contains(name))
                continue;
            QStringList trial = together;
            for (const QString& taken : takes.value(name))
                if (!trial.contains(taken))
                    trial << taken;
            const QStringList wouldGo = debSimulateRemoval(trial);
            const QStringList others = notChosen(wouldGo, trial);
            if (sameSet(wouldGo, trial))
                together = trial;
            else if (others.isEmpty())
                setMessage(name, QStringLiteral("无法卸载软件包 %1").arg(name));
            else
                setMessage(name, takesAlong(trial, others));
        }
        going = together;
    }
    return removeGoing(going, names, results);
}

Removal removeDebPackage(const QString& name)
{
    return removeDebPackages({name}).value(0);
}

Removal uninstallFlatpak(const QString& id, bool userInstallation)
{
    const QString flatpak = tool("NULLVANE_FLATPAK", "flatpak");
    const ProcessResult r =
        run(flatpak,
            {QStringLiteral("uninstall"), userInstallation ? QStringLiteral("--user") : QStringLiteral("--system"),
             QStringLiteral("-y"), QStringLiteral("--noninteractive"), QStringLiteral("--"), id},
            kRemovalTimeoutMs);
    const ProcessResult shown = flatpakShow(id, userInstallation);
    return removalOutcome(r, presenceFrom(shown, parseFlatpakInfo(shown.standardOutput).has_value()));
}

Removal removeSnap(const QString& name)
{
    const ProcessResult r =
        run(tool("NULLVANE_SNAP", "snap"), {QStringLiteral("remove"), QStringLiteral("--"), name}, kRemovalTimeoutMs);
    const ProcessResult shown = snapShow(name);
    return removalOutcome(r, presenceFrom(shown, parseSnapList(shown.standardOutput, name).has_value()));
}

} // namespace platform::packaging
