// A real Debian package, built here with dpkg-deb and installed with dpkg into
// a private root (its own status database and file tree, so the machine's own
// packages are never touched), found by the uninstaller and removed through
// the executor with apt-get; a package that another one depends on is refused
// after the simulation, and both stay installed.
#include "TestSupport.h"
#include "UninstallFixtures.h"

#include "platform/Locations.h"
#include "platform/Packaging.h"
#include "platform/Process.h"
#include "platform/Removal.h"
#include "tools/uninstall/LinuxApplications.h"
#include "tools/uninstall/RelatedAppFilesScanner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

platform::ProcessOptions withTimeout(int ms)
{
    platform::ProcessOptions options;
    options.timeoutMs = ms;
    return options;
}

// `scripts`: maintainer scripts by name ("prerm", "postinst"), when any.
QString buildPackage(const QString& name, const QString& depends, bool withEntry,
                     const QList<std::pair<QString, QByteArray>>& scripts = {})
{
    const QString tree = nvtest::freshFolder(QStringLiteral("pkg-") + name);
    for (const auto& [script, text] : scripts) {
        const QString path = tree + QStringLiteral("/DEBIAN/") + script;
        nvtest::writeFile(path, text);
        // dpkg-deb takes a script only when everyone may read and run it.
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                        QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    }
    QString control = QStringLiteral("Package: %1\nVersion: 1.0\nArchitecture: all\nMaintainer: Test <t@example.invalid>\n"
                                     "Priority: optional\nInstalled-Size: 8\nDescription: test package\n")
                          .arg(name);
    if (!depends.isEmpty())
        control += QStringLiteral("Depends: %1\n").arg(depends);
    nvtest::writeFile(tree + QStringLiteral("/DEBIAN/control"), control.toUtf8());
    if (withEntry) {
        const QString program = tree + QStringLiteral("/usr/bin/") + name;
        nvtest::writeFile(program, "#!/bin/sh\necho hello\n");
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                           QFile::ExeOther);
        nvtest::writeFile(tree + QStringLiteral("/usr/share/applications/%1.desktop").arg(name),
                          QStringLiteral("[Desktop Entry]\nType=Application\nName=NV Hello\nExec=/usr/bin/%1\n")
                              .arg(name)
                              .toUtf8());
    }
    const QString deb = tree + QStringLiteral(".deb");
    const auto r = platform::runProcess(QStringLiteral("dpkg-deb"),
                                        {QStringLiteral("--root-owner-group"), QStringLiteral("-b"), tree, deb},
                                        withTimeout(60000));
    return r.succeeded() ? deb : QString();
}

class DebPackage : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!nvtest::isRoot())
            GTEST_SKIP() << "installing a package into a private root needs root";
        if (platform::findProgram(QStringLiteral("dpkg-deb")).isEmpty() ||
            platform::findProgram(QStringLiteral("apt-get")).isEmpty())
            GTEST_SKIP() << "dpkg-deb or apt-get is missing";
        fx::resetRoot();
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("XDG_DATA_DIRS");
        root_ = platform::rootPrefix();
        ASSERT_FALSE(root_.isEmpty());
        for (const char* folder : {"/var/lib/dpkg/info", "/var/lib/dpkg/updates", "/var/lib/dpkg/triggers",
                                   "/var/lib/apt/lists/partial", "/var/cache/apt/archives/partial",
                                   "/etc/apt/apt.conf.d", "/etc/apt/preferences.d", "/etc/apt/sources.list.d",
                                   "/var/log/apt"})
            QDir().mkpath(root_ + QLatin1String(folder));
        for (const char* file : {"/var/lib/dpkg/status", "/var/lib/dpkg/available", "/etc/apt/sources.list"})
            nvtest::writeFile(root_ + QLatin1String(file), "");
        qputenv("NULLVANE_DPKG_ROOT", QFile::encodeName(root_));
    }
    void TearDown() override { qunsetenv("NULLVANE_DPKG_ROOT"); }

    bool install(const QStringList& debs)
    {
        QStringList args{QStringLiteral("--root=") + root_, QStringLiteral("--log=") + dpkgLog(),
                         QStringLiteral("--force-script-chrootless"), QStringLiteral("-i")};
        const auto r = platform::runProcess(QStringLiteral("dpkg"), args + debs, withTimeout(120000));
        if (!r.succeeded())
            ADD_FAILURE() << r.standardError.toStdString();
        return r.succeeded();
    }

    // dpkg writes its log to the machine's own path unless told otherwise.
    QString dpkgLog() const { return root_ + QStringLiteral("/var/log/dpkg.log"); }

    // The removal helper as pkexec would start it, as root, in the private root.
    platform::ProcessResult removeWithHelper(const QStringList& names)
    {
        return platform::runProcess(platform::PrivilegedRemover::helperProgram(),
                                    QStringList{QStringLiteral("--remove-package")} + names, withTimeout(120000));
    }

    AMAppItemPtr listed(const QString& id)
    {
        for (const AMAppItemPtr& item : LinuxApplications::scan())
            if (item->bundleID == id)
                return item;
        return nullptr;
    }

    QString root_;
};

} // namespace

TEST_F(DebPackage, RemovedWithItsRelatedFilesAndNothingElse)
{
    const QString deb = buildPackage(QStringLiteral("nvtest-hello"), QString(), true);
    ASSERT_FALSE(deb.isEmpty());
    ASSERT_TRUE(install({deb}));
    const QString config = fx::makeFile(fx::at(QStringLiteral("~/.config/nvtest-hello/settings.ini")), 200);
    const QString unrelated = fx::makeFile(fx::at(QStringLiteral("~/.config/nvtest-other/settings.ini")), 200);

    const AMAppItemPtr item = listed(QStringLiteral("nvtest-hello"));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->packaging, AMAppItem::Packaging::Debian);
    EXPECT_EQ(item->packageName, QStringLiteral("nvtest-hello"));
    EXPECT_EQ(item->bundleVersion, QStringLiteral("1.0"));

    const AMAppItemList group = RelatedAppFilesScanner::relatedFilesToItem(item);
    ASSERT_EQ(fx::pathsOf(group), (QStringList{item->path, fx::at(QStringLiteral("~/.config/nvtest-hello"))}));
    EXPECT_TRUE(fx::removeThroughExecutor(group).failed.isEmpty());

    EXPECT_FALSE(platform::packaging::debInstalled(QStringLiteral("nvtest-hello")));
    EXPECT_FALSE(QFileInfo::exists(root_ + QStringLiteral("/usr/bin/nvtest-hello")));
    EXPECT_FALSE(QFileInfo::exists(item->path));
    EXPECT_FALSE(QFileInfo::exists(config));
    EXPECT_TRUE(QFileInfo::exists(unrelated));
    EXPECT_FALSE(listed(QStringLiteral("nvtest-hello")));

    // The removal is logged inside the private root, not in the machine's log.
    QFile log(dpkgLog());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("remove nvtest-hello:all 1.0"));
}

TEST_F(DebPackage, APackageOthersDependOnIsRefusedAndBothStay)
{
    const QString hello = buildPackage(QStringLiteral("nvtest-hello"), QString(), true);
    const QString plugin = buildPackage(QStringLiteral("nvtest-hello-plugin"), QStringLiteral("nvtest-hello"), false);
    ASSERT_TRUE(install({hello, plugin}));
    const AMAppItemPtr item = listed(QStringLiteral("nvtest-hello"));
    ASSERT_TRUE(item);
    const QString config = fx::makeFile(fx::at(QStringLiteral("~/.config/nvtest-hello/settings.ini")), 200);
    const AMAppItemList group = RelatedAppFilesScanner::relatedFilesToItem(item);
    ASSERT_EQ(group.size(), 2);

    // The application stays installed, so its settings stay with it.
    EXPECT_EQ(fx::pathsOf(fx::removeThroughExecutor(group).failed), (QStringList{item->path, group[1]->path}));
    EXPECT_TRUE(QFileInfo::exists(config));
    EXPECT_TRUE(group[0]->failureReason.contains(QStringLiteral("nvtest-hello-plugin"))) << group[0]->failureReason;
    EXPECT_TRUE(platform::packaging::debInstalled(QStringLiteral("nvtest-hello")));
    EXPECT_TRUE(platform::packaging::debInstalled(QStringLiteral("nvtest-hello-plugin")));
    EXPECT_TRUE(QFileInfo::exists(root_ + QStringLiteral("/usr/bin/nvtest-hello")));
}

TEST_F(DebPackage, TheRemovalHelperRemovesOnlyTheNamedPackage)
{
    const QString base = buildPackage(QStringLiteral("nvtest-base"), QString(), false);
    const QString app = buildPackage(QStringLiteral("nvtest-app"), QStringLiteral("nvtest-base"), true);
    ASSERT_FALSE(base.isEmpty());
    ASSERT_FALSE(app.isEmpty());
    ASSERT_TRUE(install({base, app}));
    const auto helper = [&](const QString& name) { return removeWithHelper({name}); };

    // Removing the library would take the application with it: refused
    // after the helper's own simulation, and both stay.
    const auto refused = helper(QStringLiteral("nvtest-base"));
    EXPECT_EQ(refused.exitCode, 3) << refused.standardError.toStdString();
    EXPECT_TRUE(QString::fromUtf8(refused.standardError).contains(QStringLiteral("nvtest-app")));
    EXPECT_TRUE(platform::packaging::debInstalled(QStringLiteral("nvtest-base")));
    EXPECT_TRUE(platform::packaging::debInstalled(QStringLiteral("nvtest-app")));

    // The application alone goes.
    const auto removed = helper(QStringLiteral("nvtest-app"));
    EXPECT_TRUE(removed.succeeded()) << removed.standardError.toStdString();
    EXPECT_FALSE(platform::packaging::debInstalled(QStringLiteral("nvtest-app")));
    EXPECT_TRUE(platform::packaging::debInstalled(QStringLiteral("nvtest-base")));
}

// Chosen packages that depend on each other go together; every other one
// goes, or stays, on its own: one that would take a package nobody chose, or
// that apt does not know, keeps no other back and is the only one refused.
TEST_F(DebPackage, ChosenPackagesGoTogetherOnlyWhereTheyDependOnEachOther)
{
    const QString base = buildPackage(QStringLiteral("nvtest-base"), QString(), true);
    const QString addon = buildPackage(QStringLiteral("nvtest-addon"), QStringLiteral("nvtest-base"), true);
    const QString other = buildPackage(QStringLiteral("nvtest-other"), QStringLiteral("nvtest-base"), false);
    const QString lone = buildPackage(QStringLiteral("nvtest-lone"), QString(), true);
    const QString purged = buildPackage(QStringLiteral("nvtest-purged"), QString(), true);
    ASSERT_TRUE(install({base, other, lone, purged}));
    const auto installed = [](const QString& name) { return platform::packaging::debInstalled(name); };

    // The base is needed by a package nobody chose: it stays, and so does
    // that one; the unrelated package goes, with no refusal of its own.
    AMAppItemList chosen{listed(QStringLiteral("nvtest-base")), listed(QStringLiteral("nvtest-lone"))};
    ASSERT_TRUE(chosen[0] && chosen[1]);
    fx::RemovalReport report = fx::removeThroughExecutor(chosen);
    EXPECT_EQ(fx::pathsOf(report.failed), QStringList{chosen[0]->path});
    EXPECT_EQ(fx::pathsOf(report.removed), QStringList{chosen[1]->path});
    EXPECT_EQ(chosen[0]->failureReason, QStringLiteral("卸载 nvtest-base 会同时删除: nvtest-other"));
    EXPECT_TRUE(chosen[1]->failureReason.isEmpty()) << chosen[1]->failureReason.toStdString();
    EXPECT_FALSE(installed(QStringLiteral("nvtest-lone")));
    EXPECT_TRUE(installed(QStringLiteral("nvtest-base")));
    EXPECT_TRUE(installed(QStringLiteral("nvtest-other")));

    // A package apt no longer knows (purged meanwhile) stays, said so in
    // apt's words; the other chosen one goes.
    ASSERT_TRUE(install({lone}));
    chosen = {listed(QStringLiteral("nvtest-purged")), listed(QStringLiteral("nvtest-lone"))};
    ASSERT_TRUE(chosen[0] && chosen[1]);
    const auto purge = platform::runProcess(
        QStringLiteral("dpkg"),
        {QStringLiteral("--root=") + root_, QStringLiteral("--log=") + dpkgLog(), QStringLiteral("--force-script-chrootless"),
         QStringLiteral("--purge"), QStringLiteral("nvtest-purged")},
        withTimeout(120000));
    ASSERT_TRUE(purge.succeeded()) << purge.standardError.toStdString();
    report = fx::removeThroughExecutor(chosen);
    EXPECT_EQ(fx::pathsOf(report.removed), QStringList{chosen[1]->path});
    EXPECT_TRUE(chosen[0]->failureReason.contains(QStringLiteral("nvtest-purged"))) << chosen[0]->failureReason.toStdString();
    EXPECT_TRUE(chosen[1]->failureReason.isEmpty()) << chosen[1]->failureReason.toStdString();
    EXPECT_FALSE(installed(QStringLiteral("nvtest-lone")));

    // The helper, given the base with its add-on, refuses them together
    // while the package nobody chose needs the base.
    ASSERT_TRUE(install({addon, lone}));
    const auto refused = removeWithHelper({QStringLiteral("nvtest-base"), QStringLiteral("nvtest-addon")});
    EXPECT_EQ(refused.exitCode, 3);
    EXPECT_TRUE(refused.standardError.contains("nvtest-other") && refused.standardError.contains("nothing was removed"))
        << refused.standardError.toStdString();

    // Without it, the base with the add-on that needs it and an unrelated
    // package all go, in one removal through the helper for one password.
    ASSERT_TRUE(removeWithHelper({QStringLiteral("nvtest-other")}).succeeded());
    chosen = {listed(QStringLiteral("nvtest-base")), listed(QStringLiteral("nvtest-addon")),
              listed(QStringLiteral("nvtest-lone"))};
    ASSERT_TRUE(chosen[0] && chosen[1] && chosen[2]);
    fx::FakePkexec pkexec;
    report = fx::removeThroughExecutor(chosen);
    EXPECT_EQ(fx::pathsOf(report.removed), fx::pathsOf(chosen));
    EXPECT_EQ(pkexec.calls().size(), 1) << pkexec.calls().join(QLatin1Char('\n'));
    for (const char* name : {"nvtest-base", "nvtest-addon", "nvtest-lone"})
        EXPECT_FALSE(installed(QLatin1String(name))) << name;

    // A package needs either of two chosen ones: the second of them stays,
    // naming it. One whose removal fails half-way (its scripts fail, and so
    // does the way back) is not gone, and stays with apt's words; those
    // removed in the same run are not blamed for it.
    const QString stuck = buildPackage(QStringLiteral("nvtest-stuck"), QString(), true,
                                       {{"prerm", "#!/bin/sh\nexit 1\n"}, {"postinst", "#!/bin/sh\n[ \"$1\" = configure ]\n"}});
    ASSERT_TRUE(install({buildPackage(QStringLiteral("nvtest-one"), QString(), true),
                         buildPackage(QStringLiteral("nvtest-two"), QString(), true),
                         buildPackage(QStringLiteral("nvtest-either"), QStringLiteral("nvtest-one | nvtest-two"), false),
                         stuck, lone}));
    chosen = {listed(QStringLiteral("nvtest-one")), listed(QStringLiteral("nvtest-two")),
              listed(QStringLiteral("nvtest-stuck")), listed(QStringLiteral("nvtest-lone"))};
    ASSERT_TRUE(chosen[0] && chosen[1] && chosen[2] && chosen[3]);
    report = fx::removeThroughExecutor(chosen);
    EXPECT_EQ(fx::pathsOf(report.removed), (QStringList{chosen[0]->path, chosen[3]->path}));
    EXPECT_EQ(chosen[1]->failureReason, QStringLiteral("卸载 nvtest-one, nvtest-two 会同时删除: nvtest-either"));
    EXPECT_FALSE(chosen[2]->failureReason.isEmpty());
    EXPECT_TRUE(chosen[0]->failureReason.isEmpty() && chosen[3]->failureReason.isEmpty())
        << chosen[0]->failureReason.toStdString() << chosen[3]->failureReason.toStdString();
    EXPECT_TRUE(installed(QStringLiteral("nvtest-two")) && installed(QStringLiteral("nvtest-either")));
    EXPECT_TRUE(QFileInfo::exists(root_ + QStringLiteral("/usr/bin/nvtest-stuck")));
}

TEST_F(DebPackage, AptReadsThePrivateRootsConfigurationAndNoneOfTheMachines)
{
    // A setting only the private root's own apt.conf.d holds.
    nvtest::writeFile(root_ + QStringLiteral("/etc/apt/apt.conf.d/50nvtest"), "Nvtest::Marker \"private\";\n");
    bool usable = false;
    platform::ProcessOptions options = withTimeout(60000);
    options.extraEnvironment = platform::packaging::aptEnvironment(&usable);
    ASSERT_TRUE(usable);
    const QStringList dump = platform::packaging::aptRootArguments() << QStringLiteral("dump");
    const auto inRoot = platform::runProcess(QStringLiteral("apt-config"), dump, options);
    ASSERT_TRUE(inRoot.succeeded()) << inRoot.standardError.toStdString();
    const QString privateConfig = QString::fromUtf8(inRoot.standardOutput);
    EXPECT_TRUE(privateConfig.contains(QStringLiteral("Nvtest::Marker \"private\";"))) << privateConfig.toStdString();

    // Whatever hooks the machine's own configuration sets never run here.
    const auto machine = platform::runProcess(QStringLiteral("apt-config"), {QStringLiteral("dump")}, withTimeout(60000));
    const QString machineConfig = QString::fromUtf8(machine.standardOutput);
    for (const char* hook : {"DPkg::Pre-Install-Pkgs", "DPkg::Pre-Invoke", "DPkg::Post-Invoke",
                             "APT::Update::Post-Invoke-Success"}) {
        const QString key = QLatin1String(hook) + QLatin1Char(' ');
        if (machineConfig.contains(key)) {
            EXPECT_FALSE(privateConfig.contains(key)) << hook;
        }
    }
}
