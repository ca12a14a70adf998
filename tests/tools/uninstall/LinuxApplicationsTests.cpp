// The applications of a Linux desktop as uninstaller items: desktop entries
// of the system, the user, Flatpak and Snap under NULLVANE_ROOT, packaging
// answers from recorded tool output (fake dpkg-query, apt-get, flatpak and
// snap), the system's own items hidden, related files per packaging with the
// boundary traps, and removal by the packaging.
#include "TestSupport.h"
#include "UninstallFixtures.h"

#include "core/CommUti.h"
#include "platform/Privileged.h"
#include "platform/Removal.h"
#include "platform/Locations.h"
#include "platform/Packaging.h"
#include "tools/uninstall/ConfirmationTicks.h"
#include "tools/uninstall/LinuxApplications.h"
#include "tools/uninstall/RelatedAppFilesScanner.h"
#include "tools/uninstall/UninstallTally.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

QString writeScript(const QString& name, const QString& body)
{
    const QString path = nvtest::freshFolder(QStringLiteral("fake")) + QLatin1Char('/') + name;
    nvtest::writeFile(path, ("#!/bin/sh\n" + body).toUtf8());
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

void entry(const QString& location, const QString& text)
{
    nvtest::writeFile(fx::at(location), ("[Desktop Entry]\n" + text).toUtf8());
}

// A small world of installed applications, answered by recorded tool output.
// The fakes keep what was removed in a state folder, so the packaging can
// report an application gone afterwards.
class LinuxApps : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx::resetRoot();
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("XDG_DATA_DIRS");
        state_ = nvtest::freshFolder(QStringLiteral("state"));
        qputenv("NVFAKE_STATE", QFile::encodeName(state_));
        const QString home = fx::at(QStringLiteral("~"));

        entry(QStringLiteral("/usr/share/applications/org.gnome.gedit.desktop"),
              QStringLiteral("Type=Application\nName=Text Editor\nName[zh_CN]=文本编辑器\nIcon=org.gnome.gedit\n"
                             "Exec=/usr/bin/gedit %U\n"));
        entry(QStringLiteral("/usr/share/applications/coreutils-info.desktop"),
              QStringLiteral("Type=Application\nName=Core Info\nExec=/usr/bin/info\n"));
        // Required but not essential, as Debian's debconf is.
        entry(QStringLiteral("/usr/share/applications/debconf-gui.desktop"),
              QStringLiteral("Type=Application\nName=Debconf\nExec=/usr/bin/debconf-gui\n"));
        entry(QStringLiteral("/usr/share/applications/org.gnome.Settings.desktop"),
              QStringLiteral("Type=Application\nName=Settings\nExec=gnome-control-center\n"));
        entry(QStringLiteral("/usr/share/applications/mimehandler.desktop"),
              QStringLiteral("Type=Application\nName=Handler\nNoDisplay=true\nExec=/usr/bin/handler\n"));
        entry(QStringLiteral("/usr/share/applications/gone.desktop"),
              QStringLiteral("Type=Application\nName=Gone\nHidden=true\nExec=/usr/bin/gone\n"));
        entry(QStringLiteral("~/.local/share/flatpak/exports/share/applications/org.example.Paint.desktop"),
              QStringLiteral("Type=Application\nName=Paint\nX-Flatpak=org.example.Paint\n"
                             "Exec=/usr/bin/flatpak run org.example.Paint\n"));
        entry(QStringLiteral("/var/lib/snapd/desktop/applications/firefox_firefox.desktop"),
              QStringLiteral("Type=Application\nName=Firefox\nX-SnapInstanceName=firefox\n"
                             "Exec=/snap/bin/firefox %u\n"));
        fx::makeFile(QStringLiteral("%1/Applications/MyTool/bin/mytool").arg(home), 3000);
        fx::makeFile(QStringLiteral("%1/Applications/MyTool/share/data.bin").arg(home), 2000);
        entry(QStringLiteral("~/.local/share/applications/mytool.desktop"),
              QStringLiteral("Type=Application\nName=My Tool\nExec=%1/Applications/MyTool/bin/mytool\n")
                  .arg(platform::homeFolder()));
        fx::makeFile(fx::at(QStringLiteral("/var/lib/snapd/snaps/firefox_4336.snap")), 5000);

        qputenv("NULLVANE_DPKG_QUERY", QFile::encodeName(writeScript(QStringLiteral("dpkg-query"), QStringLiteral(R"(
if [ "$1" = "-S" ]; then
  shift
  for p in "$@"; do
    case "$p" in
      */org.gnome.gedit.desktop|/usr/bin/gedit) echo "gedit: $p" ;;
      */coreutils-info.desktop) echo "coreutils: $p" ;;
      */debconf-gui.desktop) echo "debconf: $p" ;;
      */org.gnome.Settings.desktop) echo "gnome-control-center: $p" ;;
      *) echo "dpkg-query: no path found matching pattern $p" >&2 ;;
    esac
  done
  exit 0
fi
if [ "$1" = "-W" ]; then
  [ -e "$NVFAKE_STATE/dpkg-broken" ] && { echo "dpkg-query: error: database is locked" >&2; exit 2; }
  shift; shift
  for n in "$@"; do
    [ -e "$NVFAKE_STATE/removed-$n" ] && continue
    case "$n" in
      gedit) printf 'gedit\t44.2-1\t1800\toptional\tno\tinstall ok installed\n' ;;
      coreutils) printf 'coreutils\t9.1-1\t18000\trequired\tyes\tinstall ok installed\n' ;;
      debconf) printf 'debconf\t1.5.82\t500\trequired\tno\tinstall ok installed\n' ;;
      gnome-control-center) printf 'gnome-control-center\t43.6-2\t9000\toptional\tno\tinstall ok installed\n' ;;
    esac
  done
  exit 0
fi
exit 2
)"))));
        qputenv("NULLVANE_APT_GET", QFile::encodeName(writeScript(QStringLiteral("apt-get"), QStringLiteral(R"(
echo "$@" >> "$NVFAKE_STATE/apt-calls"
if [ "$1" = "-s" ]; then
  echo "Remv $4 [1.0]"
  [ -e "$NVFAKE_STATE/dependants" ] && cat "$NVFAKE_STATE/dependants"
  exit 0
fi
if [ "$1" = "remove" ]; then
  [ -e "$NVFAKE_STATE/apt-refuses" ] && { echo "E: Could not get lock" >&2; exit 100; }
  touch "$NVFAKE_STATE/removed-$4"; exit 0
fi
exit 1
)"))));
        qputenv("NULLVANE_FLATPAK", QFile::encodeName(writeScript(QStringLiteral("flatpak"), QStringLiteral(R"(
if [ "$1" = "info" ]; then
  [ -e "$NVFAKE_STATE/flatpak-info-broken" ] && kill -KILL $$
  [ -e "$NVFAKE_STATE/removed-$4" ] && { echo "error: $4 not installed" >&2; exit 1; }
  [ "$2" = "--user" ] || exit 1
  printf 'Paint - Draw pictures\n\n          ID: %s\n         Ref: app/%s/x86_64/stable\n     Version: 2.0\n   Installed: 12.5 MB\n' "$4" "$4"
  exit 0
fi
if [ "$1" = "uninstall" ]; then
  [ -e "$NVFAKE_STATE/flatpak-refuses" ] && { echo "error: no permission" >&2; exit 1; }
  touch "$NVFAKE_STATE/removed-$6"; exit 0
fi
exit 1
)"))));
        qputenv("NULLVANE_SNAP", QFile::encodeName(writeScript(QStringLiteral("snap"), QStringLiteral(R"(
if [ "$1" = "list" ]; then
  [ -e "$NVFAKE_STATE/snap-list-broken" ] && { echo "error: cannot communicate with server" >&2; exit 2; }
  [ -e "$NVFAKE_STATE/removed-$3" ] && { echo "error: no matching snaps installed" >&2; exit 1; }
  printf 'Name     Version  Rev   Tracking         Publisher  Notes\n%s  133.0    4336  latest/stable    mozilla**  -\n' "$3"
  exit 0
fi
if [ "$1" = "remove" ]; then
  [ -e "$NVFAKE_STATE/snap-refuses" ] && { echo "error: access denied" >&2; exit 1; }
  touch "$NVFAKE_STATE/removed-$3"; exit 0
fi
exit 1
)"))));
    }

    void TearDown() override
    {
        for (const char* v : {"NULLVANE_DPKG_QUERY", "NULLVANE_APT_GET", "NULLVANE_FLATPAK", "NULLVANE_SNAP",
                              "NVFAKE_STATE"})
            qunsetenv(v);
    }

    static AMAppItemPtr find(const AMAppItemList& items, const QString& bundleID)
    {
        for (const AMAppItemPtr& item : items)
            if (item->bundleID == bundleID)
                return item;
        return nullptr;
    }

    QString state_;
};

} // namespace

TEST_F(LinuxApps, ListsDesktopApplicationsWithTheirPackagingAndHidesTheSystemsOwn)
{
    const AMAppItemList items = LinuxApplications::scan();
    QStringList ids;
    for (const AMAppItemPtr& item : items)
        ids << item->bundleID;
    // Required packages, the desktop's settings, NoDisplay and Hidden entries
    // are not listed.
    EXPECT_FALSE(ids.contains(QStringLiteral("coreutils-info"))) << ids;
    EXPECT_FALSE(ids.contains(QStringLiteral("debconf-gui"))) << ids;
    EXPECT_FALSE(ids.contains(QStringLiteral("org.gnome.Settings"))) << ids;
    EXPECT_FALSE(ids.contains(QStringLiteral("mimehandler"))) << ids;
    EXPECT_FALSE(ids.contains(QStringLiteral("gone"))) << ids;
    ASSERT_EQ(items.size(), 4) << ids;

    const AMAppItemPtr gedit = find(items, QStringLiteral("org.gnome.gedit"));
    ASSERT_TRUE(gedit);
    EXPECT_EQ(gedit->name, QStringLiteral("文本编辑器"));
    EXPECT_EQ(gedit->packaging, AMAppItem::Packaging::Debian);
    EXPECT_EQ(gedit->packageName, QStringLiteral("gedit"));
    EXPECT_EQ(gedit->bundleVersion, QStringLiteral("44.2-1"));
    EXPECT_EQ(gedit->size, CommUti::convertVolSpace(1800 * 1024));
    EXPECT_EQ(gedit->executableName, QStringLiteral("gedit"));
    EXPECT_EQ(gedit->iconName, QStringLiteral("org.gnome.gedit"));
    EXPECT_TRUE(gedit->bIsGetSize);

    const AMAppItemPtr paint = find(items, QStringLiteral("org.example.Paint"));
    ASSERT_TRUE(paint);
    EXPECT_EQ(paint->packaging, AMAppItem::Packaging::Flatpak);
    EXPECT_TRUE(paint->userInstallation);
    EXPECT_EQ(paint->bundleVersion, QStringLiteral("2.0"));
    EXPECT_EQ(paint->size, CommUti::convertVolSpace(12500000));

    const AMAppItemPtr firefox = find(items, QStringLiteral("firefox_firefox"));
    ASSERT_TRUE(firefox);
    EXPECT_EQ(firefox->packaging, AMAppItem::Packaging::Snap);
    EXPECT_EQ(firefox->packageName, QStringLiteral("firefox"));
    EXPECT_EQ(firefox->bundleVersion, QStringLiteral("133.0"));
    EXPECT_EQ(firefox->size, CommUti::convertVolSpace(5000));

    const AMAppItemPtr tool = find(items, QStringLiteral("mytool"));
    ASSERT_TRUE(tool);
    EXPECT_EQ(tool->packaging, AMAppItem::Packaging::StandAlone);
    EXPECT_EQ(tool->path, fx::at(QStringLiteral("~/Applications/MyTool")));
    EXPECT_EQ(tool->size, CommUti::convertVolSpace(5000 + QFileInfo(tool->desktopEntry).size()));
}

TEST_F(LinuxApps, RelatedFilesPerPackagingWithTheBoundaryAndLongerKeyRules)
{
    for (const char* f : {"~/.config/gedit/prefs", "~/.config/geditor-pro/x", "~/.cache/org.gnome.gedit/c",
                          "~/.local/state/gedit.log", "~/.local/share/Text Editor/recent",
                          "~/.var/app/org.example.Paint/config/p", "~/snap/firefox/common/x",
                          "~/.config/My Tool/settings", "~/.config/mytool-extra/settings",
                          "~/.config/paint/p", "~/.config/Paint Studio/p"})
        fx::makeFile(fx::at(QString::fromLatin1(f)), 100);
    const AMAppItemList items = LinuxApplications::scan();
    AMAppItemList installed = items;
    // Another installed application whose longer name owns "Paint Studio".
    auto pro = std::make_shared<AMAppItem>();
    pro->name = QStringLiteral("Paint Studio");
    pro->path = fx::at(QStringLiteral("/Applications/Paint Studio.app"));
    fx::makeBundle(pro->path, fx::appInfo(QStringLiteral("Paint Studio"), QStringLiteral("com.example.studio")));
    installed << pro;
    const QStringList keys = RelatedAppFilesScanner::keysOfItems(installed);

    const AMAppItemList gedit =
        RelatedAppFilesScanner::relatedFilesToItem(find(items, QStringLiteral("org.gnome.gedit")), keys);
    const QStringList geditPaths = fx::pathsOf(gedit);
    EXPECT_EQ(geditPaths.value(0), find(items, QStringLiteral("org.gnome.gedit"))->path);
    EXPECT_TRUE(geditPaths.contains(fx::at(QStringLiteral("~/.config/gedit"))));          // the program's name
    EXPECT_TRUE(geditPaths.contains(fx::at(QStringLiteral("~/.cache/org.gnome.gedit")))); // the desktop file id
    EXPECT_TRUE(geditPaths.contains(fx::at(QStringLiteral("~/.local/state/gedit.log"))));
    EXPECT_TRUE(geditPaths.contains(fx::at(QStringLiteral("~/.local/share/Text Editor"))));  // the entry's own name
    EXPECT_FALSE(geditPaths.contains(fx::at(QStringLiteral("~/.config/geditor-pro"))));     // no boundary

    const QStringList paint = fx::pathsOf(
        RelatedAppFilesScanner::relatedFilesToItem(find(items, QStringLiteral("org.example.Paint")), keys));
    EXPECT_TRUE(paint.contains(fx::at(QStringLiteral("~/.var/app/org.example.Paint"))));
    EXPECT_TRUE(paint.contains(fx::at(QStringLiteral("~/.config/paint"))));
    EXPECT_FALSE(paint.contains(fx::at(QStringLiteral("~/.config/Paint Studio")))) << paint;
    // The launcher a Flatpak starts through is no key of its files.
    EXPECT_TRUE(find(items, QStringLiteral("org.example.Paint"))->executableName.isEmpty());

    const QStringList firefox = fx::pathsOf(
        RelatedAppFilesScanner::relatedFilesToItem(find(items, QStringLiteral("firefox_firefox")), keys));
    EXPECT_TRUE(firefox.contains(fx::at(QStringLiteral("~/snap/firefox"))));

    const AMAppItemPtr toolItem = find(items, QStringLiteral("mytool"));
    const QStringList tool = fx::pathsOf(RelatedAppFilesScanner::relatedFilesToItem(toolItem, keys));
    EXPECT_EQ(tool.value(0), fx::at(QStringLiteral("~/Applications/MyTool")));
    EXPECT_EQ(tool.value(1), toolItem->desktopEntry);
    EXPECT_TRUE(tool.contains(fx::at(QStringLiteral("~/.config/My Tool"))));
    EXPECT_TRUE(tool.contains(fx::at(QStringLiteral("~/.config/mytool-extra"))));
}

TEST_F(LinuxApps, AStandAloneApplicationsEntryCountsOnceInItsGroupAndInTheSpaceFreed)
{
    // Sizes whose texts are exact, so that sums of texts are sums of bytes.
    const fx::StandAloneApp app = fx::makeStandAloneApp(QStringLiteral("sketchpad"), 4000, 200);
    const AMAppItemPtr item = find(LinuxApplications::scan(), QStringLiteral("sketchpad"));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->size, CommUti::convertVolSpace(4200)); // the list's row: program and entry

    const AMAppItemList group = RelatedAppFilesScanner::relatedFilesToItem(item);
    ASSERT_EQ(fx::pathsOf(group), (QStringList{app.program, app.entry}));
    EXPECT_EQ(ConfirmationTicks::groupSize(group), CommUti::convertVolSpace(4200));
    const fx::RemovalReport report = fx::removeThroughExecutor(group);
    EXPECT_EQ(report.removed.size(), 2);
    EXPECT_EQ(fx::tallyOf(report).endMessage(),
              QStringLiteral("Nullvane已成功删除所选应用程序和所有关联文件。释放4.20 KB磁盘空间。"));
}

TEST_F(LinuxApps, AUsersLauncherOfAnotherProgramTakesNothingButItsEntry)
{
    // Launchers the user keeps for a Steam game and for a Flatpak: their
    // programs belong to packages.
    fx::makeFile(fx::at(QStringLiteral("/usr/games/steam")), 100);
    fx::makeFile(fx::at(QStringLiteral("/usr/bin/flatpak")), 100);
    entry(QStringLiteral("~/.local/share/applications/steam_app_620.desktop"),
          QStringLiteral("Type=Application\nName=Portal 2\nIcon=steam_icon_620\n"
                         "Exec=/usr/games/steam steam://rungameid/620\n"));
    entry(QStringLiteral("~/.local/share/applications/gimp-here.desktop"),
          QStringLiteral("Type=Application\nName=Gimp Here\nExec=/usr/bin/flatpak run org.gimp.GIMP\n"));
    for (const char* f : {"~/.local/share/Steam/steamapps/common/Portal 2/x", "~/.config/steam/s",
                          "~/.cache/flatpak/c", "~/.local/share/Portal 2/save",
                          "~/.config/gimp-here/g", "~/.config/gedit/prefs"})
        fx::makeFile(fx::at(QString::fromLatin1(f)), 100);
    // ~/.local/share/flatpak holds the user's Flatpak installation (Paint).
    ASSERT_TRUE(QFileInfo(fx::at(QStringLiteral("~/.local/share/flatpak"))).isDir());

    const AMAppItemList items = LinuxApplications::scan();
    const QStringList keys = RelatedAppFilesScanner::keysOfItems(items);
    for (const char* id : {"steam_app_620", "gimp-here"}) {
        const AMAppItemPtr launcher = find(items, QString::fromLatin1(id));
        ASSERT_TRUE(launcher) << id;
        EXPECT_EQ(launcher->packaging, AMAppItem::Packaging::StandAlone);
        EXPECT_EQ(launcher->path, launcher->desktopEntry);
        const QStringList paths = fx::pathsOf(RelatedAppFilesScanner::relatedFilesToItem(launcher, keys));
        EXPECT_EQ(paths, QStringList{launcher->desktopEntry}) << id;
        EXPECT_FALSE(paths.contains(fx::at(QStringLiteral("~/.local/share/Steam")))) << paths;
        EXPECT_FALSE(paths.contains(fx::at(QStringLiteral("~/.local/share/flatpak")))) << paths;
    }

    // The applications that do hold their program keep their files.
    const QStringList gedit =
        fx::pathsOf(RelatedAppFilesScanner::relatedFilesToItem(find(items, QStringLiteral("org.gnome.gedit")), keys));
    EXPECT_TRUE(gedit.contains(fx::at(QStringLiteral("~/.config/gedit"))));
    const QStringList tool =
        fx::pathsOf(RelatedAppFilesScanner::relatedFilesToItem(find(items, QStringLiteral("mytool")), keys));
    EXPECT_EQ(tool.value(0), fx::at(QStringLiteral("~/Applications/MyTool")));
}

TEST_F(LinuxApps, WithoutAnAnswerFromDpkgTheSystemsEntriesAreNotOffered)
{
    for (const QString& tool : {QStringLiteral("/nonexistent/dpkg-query"),
                                writeScript(QStringLiteral("dpkg-query"), QStringLiteral("exit 2\n"))}) {
        qputenv("NULLVANE_DPKG_QUERY", QFile::encodeName(tool));
        const AMAppItemList items = LinuxApplications::scan();
        QStringList ids;
        for (const AMAppItemPtr& item : items)
            ids << item->bundleID;
        // Text Editor and Core Info are still packaged: nothing of theirs is
        // offered as files of their own.
        EXPECT_FALSE(ids.contains(QStringLiteral("org.gnome.gedit"))) << tool << ids;
        EXPECT_FALSE(ids.contains(QStringLiteral("coreutils-info"))) << tool << ids;
        for (const AMAppItemPtr& item : items)
            EXPECT_FALSE(item->path.startsWith(fx::at(QStringLiteral("/usr/")))) << item->path;
        // The user's own application, the Flatpak and the Snap are listed.
        EXPECT_EQ(ids.size(), 3) << tool << ids;
        ASSERT_TRUE(find(items, QStringLiteral("mytool"))) << tool;
        EXPECT_EQ(find(items, QStringLiteral("mytool"))->packaging, AMAppItem::Packaging::StandAlone);
        EXPECT_TRUE(find(items, QStringLiteral("org.example.Paint"))) << tool;
        EXPECT_TRUE(find(items, QStringLiteral("firefox_firefox"))) << tool;
    }
}

TEST_F(LinuxApps, RemovalGoesThroughThePackagingAndTellsTheTruth)
{
    if (!nvtest::isRoot())
        GTEST_SKIP() << "a Debian package is removed as root; as another user it goes through pkexec";
    const AMAppItemList items = LinuxApplications::scan();

    // A package that would take another with it is not removed at all.
    nvtest::writeFile(state_ + QStringLiteral("/dependants"), "Remv gedit-plugins [44.2-1]\n");
    nvtest::writeFile(state_ + QStringLiteral("/snap-refuses"), "");
    const AMAppItemList refused{find(items, QStringLiteral("org.gnome.gedit")), find(items, QStringLiteral("firefox_firefox"))};
    EXPECT_EQ(fx::pathsOf(fx::removeThroughExecutor(refused).failed), fx::pathsOf(refused));
    EXPECT_TRUE(find(items, QStringLiteral("org.gnome.gedit"))->failureReason.contains(QStringLiteral("gedit-plugins")));
    QFile calls(state_ + QStringLiteral("/apt-calls"));
    ASSERT_TRUE(calls.open(QIODevice::ReadOnly));
    EXPECT_FALSE(calls.readAll().contains("remove -y")); // only the simulation ran
    EXPECT_FALSE(QFileInfo::exists(state_ + QStringLiteral("/removed-gedit")));

    UninstallTally tally;
    tally.start(1);
    tally.record(find(items, QStringLiteral("org.gnome.gedit")), false);
    EXPECT_TRUE(tally.endMessage().contains(QStringLiteral("gedit-plugins")));

    // Alone, each goes through its own packaging and is reported gone only
    // when the packaging no longer knows it.
    QFile::remove(state_ + QStringLiteral("/dependants"));
    QFile::remove(state_ + QStringLiteral("/snap-refuses"));
    const fx::RemovalReport alone = fx::removeThroughExecutor({find(items, QStringLiteral("org.gnome.gedit")),
                                                               find(items, QStringLiteral("org.example.Paint")),
                                                               find(items, QStringLiteral("firefox_firefox"))});
    EXPECT_EQ(alone.removed.size(), 3) << fx::pathsOf(alone.failed);
    EXPECT_TRUE(QFileInfo::exists(state_ + QStringLiteral("/removed-gedit")));
    EXPECT_TRUE(QFileInfo::exists(state_ + QStringLiteral("/removed-org.example.Paint")));
    EXPECT_TRUE(QFileInfo::exists(state_ + QStringLiteral("/removed-firefox")));
    // Package-owned files were never touched as files.
    EXPECT_TRUE(QFileInfo::exists(find(items, QStringLiteral("org.gnome.gedit"))->desktopEntry));
}

TEST_F(LinuxApps, AnApplicationItsPackagingKeepsKeepsItsFilesWhateverOrderTheyWereTicked)
{
    fx::makeFile(fx::at(QStringLiteral("~/snap/firefox/common/x")), 100);
    const AMAppItemList items = LinuxApplications::scan();
    const AMAppItemList group =
        RelatedAppFilesScanner::relatedFilesToItem(find(items, QStringLiteral("firefox_firefox")));
    ASSERT_EQ(fx::pathsOf(group).value(1), fx::at(QStringLiteral("~/snap/firefox")));
    nvtest::writeFile(state_ + QStringLiteral("/snap-refuses"), "");

    // The application unticked and ticked again: it comes after its files.
    const fx::RemovalReport report = fx::removeThroughExecutor({group[1], group[0]});
    EXPECT_TRUE(report.removed.isEmpty()) << fx::pathsOf(report.removed);
    EXPECT_TRUE(QFileInfo::exists(fx::at(QStringLiteral("~/snap/firefox/common/x"))));
    EXPECT_EQ(fx::pathsOf(report.failed), (QStringList{group[0]->path, group[1]->path})); // the application first
}

TEST_F(LinuxApps, ARefusedPasswordForAPackageIsGivenAsTheReasonAndNothingIsRemoved)
{
    using platform::privileged::Ending;
    for (const Ending ending : {Ending::Cancelled, Ending::Refused}) {
        SCOPED_TRACE(int(ending));
        fx::FakePkexec pkexec;
        pkexec.answer({ending == Ending::Cancelled ? QStringLiteral("cancel") : QStringLiteral("refuse")});
        const platform::packaging::Removal removal = platform::packaging::removeDebPackage(QStringLiteral("gedit"));
        EXPECT_FALSE(removal.removed);
        EXPECT_EQ(removal.message, platform::privileged::refusalText(ending));
        // The helper was asked for through the one launcher, for this package.
        EXPECT_EQ(pkexec.calls(),
                  QStringList{QStringLiteral("--disable-internal-agent %1 --remove-package gedit")
                                  .arg(QFileInfo(platform::PrivilegedRemover::helperProgram()).absoluteFilePath())});
        EXPECT_TRUE(platform::packaging::debInstalled(QStringLiteral("gedit")));
    }
}

TEST_F(LinuxApps, TwoApplicationsOfOnePackageAreOneRemovalAndOneSize)
{
    if (!nvtest::isRoot())
        GTEST_SKIP() << "a Debian package is removed as root; as another user it goes through pkexec";
    const AMAppItemList items = LinuxApplications::scan();
    const AMAppItemPtr editor = find(items, QStringLiteral("org.gnome.gedit"));
    ASSERT_TRUE(editor);
    // A second menu entry the same package installs.
    const AMAppItemPtr tools = editor->copy();
    tools->path = fx::at(QStringLiteral("/usr/share/applications/org.gnome.gedit-tools.desktop"));
    tools->bundleID = QStringLiteral("org.gnome.gedit-tools");

    const fx::RemovalReport report = fx::removeThroughExecutor({editor, tools});
    EXPECT_EQ(report.removed, (AMAppItemList{editor, tools}));
    EXPECT_TRUE(report.failed.isEmpty());
    QFile calls(state_ + QStringLiteral("/apt-calls"));
    ASSERT_TRUE(calls.open(QIODevice::ReadOnly));
    EXPECT_EQ(calls.readAll().count("remove -y"), 1);

    const UninstallTally tally = fx::tallyOf(report);
    EXPECT_EQ(tally.totalSize(), CommUti::volSpaceFromString(editor->size));
    EXPECT_FALSE(tally.isFail());
}

TEST_F(LinuxApps, RemovalIsNotReportedWhenTheToolFailedOrThePackagingCannotBeAsked)
{
    using namespace platform::packaging;
    const auto mark = [&](const char* name) { nvtest::writeFile(state_ + QLatin1Char('/') + QLatin1String(name), ""); };

    // The removal fails and the packaging cannot be asked afterwards: nothing
    // says the application is gone.
    mark("snap-refuses");
    mark("snap-list-broken");
    Removal snap = removeSnap(QStringLiteral("firefox"));
    EXPECT_FALSE(snap.removed);
    EXPECT_TRUE(snap.message.contains(QStringLiteral("access denied"))) << snap.message;

    mark("flatpak-refuses");
    mark("flatpak-info-broken");
    Removal flatpak = uninstallFlatpak(QStringLiteral("org.example.Paint"), true);
    EXPECT_FALSE(flatpak.removed);
    EXPECT_FALSE(flatpak.message.isEmpty());

    // The removal says it succeeded, but the check afterwards could not run.
    QFile::remove(state_ + QStringLiteral("/flatpak-refuses"));
    flatpak = uninstallFlatpak(QStringLiteral("org.example.Paint"), true);
    EXPECT_FALSE(flatpak.removed);
    EXPECT_FALSE(flatpak.message.isEmpty());
    QFile::remove(state_ + QStringLiteral("/flatpak-info-broken"));
    EXPECT_TRUE(uninstallFlatpak(QStringLiteral("org.example.Paint"), true).removed);

    if (nvtest::isRoot()) {
        mark("apt-refuses");
        mark("dpkg-broken");
        const Removal deb = removeDebPackage(QStringLiteral("gedit"));
        EXPECT_FALSE(deb.removed);
        EXPECT_TRUE(deb.message.contains(QStringLiteral("lock"))) << deb.message;
    }
}

TEST(PackagingParsers, RecordedToolOutput)
{
    using namespace platform::packaging;
    const auto owners = parseDpkgSearch("gedit: /usr/bin/gedit\n"
                                        "libc6:amd64: /usr/lib/x86_64-linux-gnu/libc.so.6\n"
                                        "firefox-esr, firefox-esr-l10n: /usr/share/doc/x\n"
                                        "diversion by dash from: /bin/sh\n");
    EXPECT_EQ(owners.value(QStringLiteral("/usr/bin/gedit")), QStringLiteral("gedit"));
    EXPECT_EQ(owners.value(QStringLiteral("/usr/lib/x86_64-linux-gnu/libc.so.6")), QStringLiteral("libc6"));
    EXPECT_EQ(owners.value(QStringLiteral("/usr/share/doc/x")), QStringLiteral("firefox-esr"));
    EXPECT_FALSE(owners.contains(QStringLiteral("/bin/sh")));

    const auto packages = parseDpkgShow("vim\t2:9.0\t3700\toptional\tno\tinstall ok installed\n"
                                        "old\t1.0\t10\toptional\tno\tdeinstall ok config-files\n"
                                        "bash\t5.2\t7000\trequired\tyes\tinstall ok installed\n");
    EXPECT_EQ(packages.size(), 2);
    EXPECT_FALSE(packages.value(QStringLiteral("vim")).isSystemPackage());
    EXPECT_TRUE(packages.value(QStringLiteral("bash")).isSystemPackage());

    EXPECT_EQ(parseAptSimulation("NOTE: simulation\nRemv a [1]\nRemv b:amd64 [2]\nPurg a [1]\n"),
              (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(parseDecimalSize(QStringLiteral("12.5 MB")), 12500000);
    EXPECT_EQ(parseDecimalSize(QStringLiteral("950 kB")), 950000);
    EXPECT_EQ(parseDecimalSize(QStringLiteral("1,2 GB")), 1200000000);
    EXPECT_EQ(parseDecimalSize(QStringLiteral("nothing")), 0);
    const auto snap = parseSnapList("Name  Version  Rev  Tracking  Publisher  Notes\n"
                                    "vlc   3.0.20   3777 latest/stable videolan** -\n",
                                    QStringLiteral("vlc"));
    ASSERT_TRUE(snap);
    EXPECT_EQ(snap->revision, QStringLiteral("3777"));
    EXPECT_FALSE(parseSnapList("Name Version\n", QStringLiteral("vlc")));
}
