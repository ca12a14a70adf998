// The desktop-entry reader and the running-process list.
#include "FakeProcessList.h"
#include "TestSupport.h"

#include "platform/DesktopEntries.h"
#include "platform/Locations.h"
#include "platform/RunningProcesses.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::DesktopEntry;
using platform::EntrySource;

namespace {

// A fresh NULLVANE_ROOT and XDG variables for one test, restored afterwards.
struct DesktopRoot {
    QByteArray savedRoot = qgetenv("NULLVANE_ROOT"), savedDirs = qgetenv("XDG_DATA_DIRS"),
               savedHome = qgetenv("XDG_DATA_HOME");
    QString root = nvtest::freshFolder(QStringLiteral("desktop"));
    DesktopRoot()
    {
        qputenv("NULLVANE_ROOT", QFile::encodeName(root));
        qunsetenv("XDG_DATA_DIRS");
        qunsetenv("XDG_DATA_HOME");
    }
    ~DesktopRoot()
    {
        qputenv("NULLVANE_ROOT", savedRoot);
        qputenv("XDG_DATA_DIRS", savedDirs);
        qputenv("XDG_DATA_HOME", savedHome);
    }
    // Writes <mapped location>/applications/<relative>.
    QString entry(const QString& dataFolder, const QString& relative, const QByteArray& text) const
    {
        const QString path = platform::mapLocation(dataFolder) + QStringLiteral("/applications/") + relative;
        EXPECT_TRUE(nvtest::writeFile(path, text));
        return path;
    }
};

QByteArray app(const char* name, const QByteArray& more = {})
{
    return QByteArray("[Desktop Entry]\nType=Application\nName=") + name + "\nExec=" + name + " %u\n" + more;
}

QStringList ids(const QList<DesktopEntry>& entries)
{
    QStringList out;
    for (const DesktopEntry& e : entries)
        out << e.id;
    return out;
}

const DesktopEntry* byId(const QList<DesktopEntry>& entries, const QString& id)
{
    for (const DesktopEntry& e : entries) {
        if (e.id == id)
            return &e;
    }
    return nullptr;
}

} // namespace

TEST(DesktopEntries, ParsesTheEntryGroupWithEscapesListsAndLocalisedNames)
{
    const QByteArray text =
        "# comment\n[Desktop Entry]\r\nVersion=1.0\nType = Application\nName=Firefox ESR\nName[zh_CN]=Firefox ESR 浏览器\n"
        "Name[zh]=ignored\nGenericName=Web Browser\nIcon=firefox-esr\nExec=\"/opt/my firefox/firefox\" --name a\\sb %u\n"
        "TryExec=firefox-esr\nCategories=Network;WebBrowser;\nOnlyShowIn=GNOME;KDE;\nNotShowIn=X\\;Y;\nNoDisplay=false\n"
        "Comment=line\\none\\ttab\\\\back\nName=second value ignored\n"
        "[Desktop Action new-window]\nName=New Window\nExec=firefox-esr --new-window\n";
    const std::optional<DesktopEntry> e = platform::parseDesktopEntry(text);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->type, QStringLiteral("Application"));
    EXPECT_EQ(e->name, QStringLiteral("Firefox ESR"));
    EXPECT_EQ(e->chineseName, QStringLiteral("Firefox ESR 浏览器"));
    EXPECT_EQ(e->displayName(), QStringLiteral("Firefox ESR 浏览器"));
    EXPECT_EQ(e->genericName, QStringLiteral("Web Browser"));
    EXPECT_EQ(e->icon, QStringLiteral("firefox-esr"));
    EXPECT_EQ(e->execProgram(), QStringLiteral("/opt/my firefox/firefox"));
    EXPECT_EQ(e->categories, QStringList({"Network", "WebBrowser"}));
    EXPECT_EQ(e->onlyShowIn, QStringList({"GNOME", "KDE"}));
    EXPECT_EQ(e->notShowIn, QStringList({"X;Y"}));
    EXPECT_EQ(e->keys.value(QStringLiteral("Comment")), QStringLiteral("line\none\ttab\\back"));
    EXPECT_FALSE(e->noDisplay);
    EXPECT_FALSE(e->hidden);
    // The action group's keys do not leak into the entry.
    EXPECT_EQ(e->exec.left(25), QStringLiteral("\"/opt/my firefox/firefox\""));
    EXPECT_TRUE(e->shownIn({"KDE"}));
    EXPECT_FALSE(e->shownIn({"XFCE"}));

    const std::optional<DesktopEntry> zh = platform::parseDesktopEntry("[Desktop Entry]\nName=A\nName[zh]=甲\nNoDisplay=true\n");
    ASSERT_TRUE(zh);
    EXPECT_EQ(zh->chineseName, QStringLiteral("甲"));
    EXPECT_TRUE(zh->noDisplay);
    EXPECT_TRUE(zh->shownIn({}));
    EXPECT_FALSE(platform::parseDesktopEntry("[Other]\nName=A\n"));
    EXPECT_FALSE(platform::parseDesktopEntry(""));
    EXPECT_FALSE(platform::readDesktopEntry(QStringLiteral("/nonexistent/x.desktop")));
}

TEST(DesktopEntries, DataFoldersInPrecedenceWithTheExportsAndTheirSources)
{
    DesktopRoot r;
    const QString root = r.root;
    QList<platform::DesktopDataFolder> folders = platform::desktopDataFolders();
    QStringList paths;
    for (const auto& f : folders)
        paths << f.path;
    const QString home = platform::mapLocation(QStringLiteral("~/.local/share"));
    EXPECT_EQ(paths, QStringList({home, root + "/usr/local/share", root + "/usr/share",
                                  platform::mapLocation(QStringLiteral("~/.local/share/flatpak/exports/share")),
                                  root + "/var/lib/flatpak/exports/share", root + "/var/lib/snapd/desktop"}));
    EXPECT_EQ(folders[0].source, EntrySource::User);
    EXPECT_EQ(folders[2].source, EntrySource::System);
    EXPECT_EQ(folders[3].source, EntrySource::Flatpak);
    EXPECT_EQ(folders[4].source, EntrySource::Flatpak);
    EXPECT_EQ(folders[5].source, EntrySource::Snap);

    // The environment's order wins, each folder once, relative entries ignored.
    qputenv("XDG_DATA_HOME", "/data/home");
    qputenv("XDG_DATA_DIRS", "/var/lib/snapd/desktop:relative/share:/opt/share/:/opt/share");
    folders = platform::desktopDataFolders();
    paths.clear();
    for (const auto& f : folders)
        paths << f.path;
    EXPECT_EQ(paths, QStringList({root + "/data/home", root + "/var/lib/snapd/desktop", root + "/opt/share",
                                  platform::mapLocation(QStringLiteral("~/.local/share/flatpak/exports/share")),
                                  root + "/var/lib/flatpak/exports/share"}));
    EXPECT_EQ(folders[0].source, EntrySource::User);
    EXPECT_EQ(folders[1].source, EntrySource::Snap);
}

TEST(DesktopEntries, FirstOfAnIdWinsHiddenDeletesAndIdsJoinSubfolders)
{
    DesktopRoot r;
    r.entry("/usr/share", "firefox-esr.desktop", app("Firefox ESR", "Icon=firefox-esr\n"));
    r.entry("/usr/share", "kde/kate.desktop", app("Kate"));
    r.entry("/usr/share", "gone.desktop", app("Gone"));
    r.entry("/usr/share", "notes.txt", "not an entry");
    r.entry("/usr/share", "broken.desktop", "no group here");
    r.entry("/usr/local/share", "firefox-esr.desktop", app("Local Firefox"));
    // The user's own copy overrides the system's; a Hidden one deletes it.
    r.entry("~/.local/share", "firefox-esr.desktop", app("My Firefox"));
    r.entry("~/.local/share", "gone.desktop", app("Gone", "Hidden=true\n"));
    r.entry("/var/lib/flatpak/exports/share", "org.mozilla.firefox.desktop", app("Firefox"));
    r.entry("/var/lib/snapd/desktop", "firefox_firefox.desktop", app("Firefox", "Icon=/snap/firefox/1/default256.png\n"));

    const QList<DesktopEntry> entries = platform::installedDesktopEntries();
    EXPECT_EQ(ids(entries), QStringList({"firefox-esr.desktop", "kde-kate.desktop", "org.mozilla.firefox.desktop",
                                         "firefox_firefox.desktop"}));
    const DesktopEntry* mine = byId(entries, QStringLiteral("firefox-esr.desktop"));
    ASSERT_TRUE(mine);
    EXPECT_EQ(mine->name, QStringLiteral("My Firefox"));
    EXPECT_EQ(mine->source, EntrySource::User);
    EXPECT_EQ(mine->filePath, platform::mapLocation(QStringLiteral("~/.local/share/applications/firefox-esr.desktop")));
    EXPECT_EQ(byId(entries, QStringLiteral("kde-kate.desktop"))->dataFolder, r.root + "/usr/share");
    EXPECT_EQ(byId(entries, QStringLiteral("org.mozilla.firefox.desktop"))->source, EntrySource::Flatpak);
    EXPECT_EQ(byId(entries, QStringLiteral("firefox_firefox.desktop"))->source, EntrySource::Snap);
    EXPECT_EQ(platform::desktopFileId(QStringLiteral("a/b/c.desktop")), QStringLiteral("a-b-c.desktop"));
}

TEST(DesktopEntries, TryExecLooksForTheProgramUnderTheMapping)
{
    DesktopRoot r;
    DesktopEntry e;
    EXPECT_TRUE(e.tryExecPresent());
    e.tryExec = QStringLiteral("/opt/google/chrome/chrome");
    EXPECT_FALSE(e.tryExecPresent());
    const QString program = platform::mapLocation(e.tryExec);
    ASSERT_TRUE(nvtest::writeFile(program, "#!/bin/sh\n"));
    EXPECT_FALSE(e.tryExecPresent());   // there, but not executable
    chmod(QFile::encodeName(program).constData(), 0755);
    EXPECT_TRUE(e.tryExecPresent());
    e.tryExec = QStringLiteral("sh");
    EXPECT_TRUE(e.tryExecPresent());
    e.tryExec = QStringLiteral("no-such-program-anywhere");
    EXPECT_FALSE(e.tryExecPresent());
}

TEST(DesktopEntries, IconFilesFromHicolorPixmapsAndAbsoluteNames)
{
    DesktopRoot r;
    const QString share = r.root + "/usr/share";
    const QString userShare = platform::mapLocation(QStringLiteral("~/.local/share"));
    nvtest::writeFile(share + "/icons/hicolor/16x16/apps/chrome.png", "p");
    nvtest::writeFile(share + "/icons/hicolor/256x256/apps/chrome.png", "p");
    nvtest::writeFile(share + "/icons/hicolor/64x64/apps/chrome.png", "p");
    nvtest::writeFile(share + "/icons/hicolor/32x32/apps/opera.png", "p");
    nvtest::writeFile(share + "/icons/hicolor/scalable/apps/firefox.svg", "s");
    nvtest::writeFile(share + "/icons/hicolor/48x48/apps/firefox.png", "p");
    nvtest::writeFile(share + "/pixmaps/old.xpm", "x");
    nvtest::writeFile(userShare + "/icons/hicolor/48x48/apps/opera.png", "p");
    nvtest::writeFile(r.root + "/snap/firefox/1/default256.png", "p");

    EXPECT_EQ(platform::findIconFile(QStringLiteral("chrome")), share + "/icons/hicolor/64x64/apps/chrome.png");
    EXPECT_EQ(platform::findIconFile(QStringLiteral("chrome"), 512), share + "/icons/hicolor/256x256/apps/chrome.png");
    EXPECT_EQ(platform::findIconFile(QStringLiteral("firefox")), share + "/icons/hicolor/scalable/apps/firefox.svg");
    // The user's folder comes first.
    EXPECT_EQ(platform::findIconFile(QStringLiteral("opera")), userShare + "/icons/hicolor/48x48/apps/opera.png");
    EXPECT_EQ(platform::findIconFile(QStringLiteral("old")), share + "/pixmaps/old.xpm");
    EXPECT_EQ(platform::findIconFile(QStringLiteral("/snap/firefox/1/default256.png")),
              r.root + "/snap/firefox/1/default256.png");
    EXPECT_EQ(platform::findIconFile(QStringLiteral("missing")), QString());
    EXPECT_EQ(platform::findIconFile(QStringLiteral("../pixmaps/old")), QString());
}

// --- Running processes -------------------------------------------------------

namespace {

platform::RunningProcess proc(qint64 pid, qint64 parent, const char* exe, uid_t uid = 1000, quint64 start = 5)
{
    return nvtest::FakeProcessList::make(pid, parent, exe, uid, start);
}

} // namespace

TEST(RunningProcesses, SignalsOnlyTheSameProcessOfTheSameUserAfterLookingAgain)
{
    nvtest::FakeProcessList f;
    f.endOnSignal = false;
    f.list = {proc(1, 0, "systemd"), proc(300, 1, "firefox-esr"), proc(301, 300, "firefox-esr"),
              proc(400, 1, "chrome"), proc(500, 1, "opera", 0)};
    using R = platform::TerminateResult;
    EXPECT_EQ(platform::terminateProcess(f, proc(300, 1, "firefox-esr")), R::Sent);
    EXPECT_EQ(f.signalled, (QList<std::pair<qint64, int>>{{300, SIGTERM}}));
    // The pid now runs another program, or was reused (another start), or is gone.
    EXPECT_EQ(platform::terminateProcess(f, proc(400, 1, "firefox-esr")), R::Refused);
    EXPECT_EQ(platform::terminateProcess(f, proc(400, 1, "chrome", 1000, 6)), R::Refused);
    EXPECT_EQ(platform::terminateProcess(f, proc(999, 1, "chrome")), R::Gone);
    // Another user's process, and the pids that mean groups or init.
    EXPECT_EQ(platform::terminateProcess(f, proc(500, 1, "opera", 0)), R::Refused);
    EXPECT_EQ(platform::terminateProcess(f, proc(1, 0, "systemd")), R::Refused);
    EXPECT_EQ(platform::terminateProcess(f, proc(0, 0, "x")), R::Refused);
    EXPECT_EQ(platform::terminateProcess(f, proc(-300, 0, "firefox-esr")), R::Refused);
    EXPECT_EQ(f.signalled.size(), 1);

    // The helpers a browser forks under its own name are not main processes.
    QList<qint64> mains;
    for (const auto& p : platform::mainProcesses(f.list))
        mains << p.pid;
    EXPECT_EQ(mains, (QList<qint64>{1, 300, 400, 500}));
}

TEST(RunningProcesses, ARealChildIsListedReadAndEndedBySigterm)
{
    QProcess child;
    child.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(child.waitForStarted());
    const qint64 pid = child.processId();

    platform::ProcessList& system = platform::systemProcesses();
    std::optional<platform::RunningProcess> found;
    for (const auto& p : system.userProcesses()) {
        if (p.pid == pid)
            found = p;
    }
    ASSERT_TRUE(found) << "the child is not in the list of our processes";
    EXPECT_EQ(found->executable, QStringLiteral("sleep"));
    EXPECT_TRUE(found->executablePath.endsWith(QStringLiteral("/sleep")));
    EXPECT_EQ(found->parentPid, qint64(getpid()));
    EXPECT_EQ(found->uid, getuid());
    EXPECT_GT(found->startTime, 0u);

    // A record that does not match what runs there is refused and the child lives on.
    platform::RunningProcess other = *found;
    other.executable = QStringLiteral("firefox");
    EXPECT_EQ(platform::terminateProcess(system, other), platform::TerminateResult::Refused);
    EXPECT_FALSE(child.waitForFinished(200));

    EXPECT_EQ(platform::terminateProcess(system, *found), platform::TerminateResult::Sent);
    ASSERT_TRUE(child.waitForFinished(5000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);   // ended by the signal
    EXPECT_EQ(platform::terminateProcess(system, *found), platform::TerminateResult::Gone);
}

TEST(RunningProcesses, ReadsStatLinesWithAwkwardNames)
{
    const QString proc = nvtest::freshFolder(QStringLiteral("proc"));
    nvtest::writeFile(proc + "/42/stat", "42 (Web Content) (x) S 7 42 42 0 -1 4194560 1 0 0 0 0 0 0 0 20 0 1 0 12345 0 0\n");
    nvtest::writeFile(proc + "/42/status", "Name:\tWeb Content\nUid:\t1000\t1000\t1000\t1000\n");
    const std::optional<platform::RunningProcess> p = platform::readProcess(proc, 42);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->parentPid, 7);
    EXPECT_EQ(p->startTime, 12345u);
    EXPECT_EQ(p->uid, uid_t(1000));
    EXPECT_EQ(p->executable, QStringLiteral("Web Content) (x"));   // no exe link: the comm
    EXPECT_FALSE(platform::readProcess(proc, 43));
}

TEST(DesktopEntries, HomeFolderOfAUser)
{
    EXPECT_EQ(platform::homeFolderOf(platform::userName()), QDir::homePath());
    EXPECT_EQ(platform::homeFolderOf(QStringLiteral("no-such-user-here")), QString());
    EXPECT_EQ(platform::homeFolderOf(QString()), QString());
    const QByteArray saved = qgetenv("USER");
    qputenv("USER", "tester");   // the session's own user name
    EXPECT_EQ(platform::homeFolderOf(QStringLiteral("tester")), QDir::homePath());
    qputenv("USER", saved);
}
