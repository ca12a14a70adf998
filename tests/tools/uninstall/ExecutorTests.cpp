// The deletion executor with a fake pkexec at the platform boundary: the fake
// records each call and grants (starting the real helper), refuses or cancels,
// as each test asks.

#include "TestSupport.h"
#include "UninstallFixtures.h"
#include "platform/Dispatch.h"
#include "platform/FileAttributes.h"
#include "platform/Log.h"
#include "platform/Privileged.h"
#include "platform/Removal.h"
#include "tools/uninstall/AsMDeleteExecutor.h"
#include "tools/uninstall/UninstallEngine.h"
#include "tools/uninstall/UninstallList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QPointer>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {


class Recorder : public QObject, public AsMDeleteExecutorDelegate {
public:
    explicit Recorder(int* counter = nullptr) : counter_(counter) {}
    void deleteRelatedFile(const AMAppItemPtr& item) override { note(QStringLiteral("removed "), item); }
    void deleteRelatedFileFail(const AMAppItemPtr& item) override { note(QStringLiteral("failed "), item); }

    QStringList events;
    QList<AMAppItemPtr> items;
    bool allOnMainThread = true;

private:
    void note(const QString& what, const AMAppItemPtr& item)
    {
        allOnMainThread = allOnMainThread && platform::dispatch::isMainThread();
        events << what + item->path;
        items << item;
        if (counter_)
            ++*counter_;
    }
    int* counter_;
};

AMAppItemPtr itemAt(const QString& path)
{
    auto item = std::make_shared<AMAppItem>();
    item->path = path;
    item->name = QFileInfo(path).fileName();
    return item;
}

unsigned modeOf(const QString& path)
{
    return platform::itemInfo(path).mode;
}

class Executor : public ::testing::Test {
protected:
    void SetUp() override
    {
        base_ = nvtest::freshFolder(QStringLiteral("executor"));
        // The helper removes only inside the folders the uninstaller searches.
        const QString caches = fx::makeFolder(fx::at(QStringLiteral("~/Library/Caches/")) + QFileInfo(base_).fileName());
        free_ = fx::makeFolder(caches + QStringLiteral("/free"));
        locked_ = fx::makeFolder(caches + QStringLiteral("/locked"));
    }

    void TearDown() override { platform::dispatch::waitForGlobalQueues(30000); }

    void answer(const QStringList& modes) { pkexec_.answer(modes); }
    void grantUnlocks() { pkexec_.unlockOnGrant(locked_); }
    QStringList calls() const { return pkexec_.calls(); }

    static bool waitFor(const Recorder& r, int count)
    {
        return nvtest::pumpUntil([&] { return r.events.size() >= count; }, 20000);
    }
    // Removes `items`, telling `recorder`, and waits until each is reported.
    static bool removeAll(AsMDeleteExecutor& executor, Recorder& recorder, const AMAppItemList& items)
    {
        executor.setDelegate(&recorder);
        executor.executeDelete(items);
        return waitFor(recorder, int(items.size()));
    }

    fx::FakePkexec pkexec_;
    QString base_, free_, locked_;
};

} // namespace

TEST_F(Executor, AsksOnceForSeveralItemsAndReportsInListOrderOnTheMainThread)
{
    const QString freeApp = fx::makeBundle(free_ + QStringLiteral("/Free.app"), fx::appInfo("Free", "org.free"));
    const QString lockedApp = fx::makeBundle(locked_ + QStringLiteral("/Locked One.app"), fx::appInfo("L", "org.l"));
    fx::makeFile(lockedApp + QStringLiteral("/Contents/MacOS/Locked One"), 4096);
    const QString nonAscii = fx::makeFile(locked_ + QStringLiteral("/数据 – 设置.plist"));
    const QString dash = fx::makeFolder(locked_ + QStringLiteral("/-rf"));
    fx::makeFile(dash + QStringLiteral("/x"));
    fx::FolderLock lock(locked_);
    ASSERT_TRUE(lock.locked());
    grantUnlocks();

    Recorder recorder;
    AsMDeleteExecutor executor;
    executor.setDelegate(&recorder);
    const AMAppItemList items{itemAt(freeApp), itemAt(lockedApp), itemAt(nonAscii), itemAt(dash)};
    executor.executeDelete(items);
    EXPECT_EQ(executor.trashFiles(), items);
    ASSERT_TRUE(waitFor(recorder, 4));

    EXPECT_EQ(recorder.events, (QStringList{QStringLiteral("removed ") + freeApp, QStringLiteral("removed ") + lockedApp,
                                            QStringLiteral("removed ") + nonAscii, QStringLiteral("removed ") + dash}));
    EXPECT_EQ(recorder.items, items); // the very items handed in
    EXPECT_TRUE(recorder.allOnMainThread);
    for (const QString& p : {freeApp, lockedApp, nonAscii, dash})
        EXPECT_FALSE(platform::itemExists(p)) << p;

    // One password request for the three items that needed it, with the helper
    // named by its absolute path and no shell in between.
    const QStringList c = calls();
    ASSERT_EQ(c.size(), 1);
    EXPECT_EQ(c.first(), QStringLiteral("--disable-internal-agent ") +
                             QFileInfo(platform::PrivilegedRemover::helperProgram()).absoluteFilePath());
    EXPECT_TRUE(executor.isValidAuth());
}

TEST_F(Executor, ARefusedOrCancelledPasswordFailsThatItemAndTheNextItemAsksAgain)
{
    const QString a = fx::makeFile(locked_ + QStringLiteral("/a.plist"));
    const QString b = fx::makeFolder(locked_ + QStringLiteral("/B.app"));
    fx::makeFile(b + QStringLiteral("/inside"));
    QFile::setPermissions(a, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    QFile::setPermissions(b, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                 QFile::ExeGroup);
    fx::FolderLock lock(locked_);
    ASSERT_TRUE(lock.locked());
    const unsigned lockedMode = modeOf(locked_);
    answer({QStringLiteral("refuse"), QStringLiteral("cancel")});

    platform::LogCapture logs;
    Recorder recorder;
    AsMDeleteExecutor executor;
    ASSERT_TRUE(removeAll(executor, recorder, {itemAt(a), itemAt(b)}));

    EXPECT_EQ(recorder.events, (QStringList{QStringLiteral("failed ") + a, QStringLiteral("failed ") + b}));
    EXPECT_EQ(calls().size(), 2);
    EXPECT_FALSE(executor.isValidAuth());
    EXPECT_TRUE(logs.contains(QStringLiteral("Alloc authorization failed!!!")));
    EXPECT_TRUE(platform::itemExists(a));
    EXPECT_TRUE(platform::itemExists(b));
    // Nothing was opened up on the way: no item, and no folder, became
    // world-writable.
    EXPECT_EQ(modeOf(a), 0640u);
    EXPECT_EQ(modeOf(b), 0750u);
    EXPECT_EQ(modeOf(locked_), lockedMode);
}

TEST_F(Executor, AfterACancelTheNextItemAsksAgainAndCanBeGranted)
{
    const QString a = fx::makeFile(locked_ + QStringLiteral("/first.cache"));
    const QString b = fx::makeFile(locked_ + QStringLiteral("/second.cache"));
    fx::FolderLock lock(locked_);
    ASSERT_TRUE(lock.locked());
    grantUnlocks();
    answer({QStringLiteral("cancel"), QStringLiteral("grant")});

    Recorder recorder;
    AsMDeleteExecutor executor;
    ASSERT_TRUE(removeAll(executor, recorder, {itemAt(a), itemAt(b)}));

    EXPECT_EQ(recorder.events, (QStringList{QStringLiteral("failed ") + a, QStringLiteral("removed ") + b}));
    EXPECT_EQ(calls().size(), 2);
    EXPECT_TRUE(platform::itemExists(a));
    EXPECT_FALSE(platform::itemExists(b));
    EXPECT_TRUE(executor.isValidAuth());
}

TEST_F(Executor, AMissingPathAsksNothingAndAPathListedTwiceIsHandledOnce)
{
    const QString missing = locked_ + QStringLiteral("/gone-already.plist");
    const QString stuck = fx::makeFile(locked_ + QStringLiteral("/stuck.plist"));
    const QString loose = fx::makeFile(free_ + QStringLiteral("/loose.plist"));
    fx::FolderLock lock(locked_);
    ASSERT_TRUE(lock.locked());
    answer({QStringLiteral("cancel"), QStringLiteral("cancel")});

    Recorder recorder;
    AsMDeleteExecutor executor;
    ASSERT_TRUE(removeAll(executor, recorder, {itemAt(missing), itemAt(stuck), itemAt(stuck), itemAt(loose), itemAt(loose)}));

    EXPECT_EQ(recorder.events,
              (QStringList{QStringLiteral("removed ") + missing, QStringLiteral("failed ") + stuck,
                           QStringLiteral("failed ") + stuck, QStringLiteral("removed ") + loose,
                           QStringLiteral("removed ") + loose}));
    // Only the first listing of the stuck item asked; the missing one never did.
    EXPECT_EQ(calls().size(), 1);
    EXPECT_TRUE(platform::itemExists(stuck));
}

TEST_F(Executor, SuccessMeansThePathIsGoneNotThatTheHelperWasQuiet)
{
    // Granted, but the privileged side cannot remove these either.
    const QString a = fx::makeFile(locked_ + QStringLiteral("/a.log"));
    const QString b = fx::makeFile(locked_ + QStringLiteral("/b.log"));
    fx::FolderLock lock(locked_);
    ASSERT_TRUE(lock.locked());

    platform::LogCapture logs;
    Recorder recorder;
    AsMDeleteExecutor executor;
    ASSERT_TRUE(removeAll(executor, recorder, {itemAt(a), itemAt(b)}));

    EXPECT_EQ(recorder.events, (QStringList{QStringLiteral("failed ") + a, QStringLiteral("failed ") + b}));
    EXPECT_TRUE(logs.contains(QStringLiteral("Clean file by authorization failed: ") + a));
    EXPECT_TRUE(logs.contains(QStringLiteral("Clean file by authorization failed: ") + b));
    // The session stays: the second item did not ask again.
    EXPECT_EQ(calls().size(), 1);
    EXPECT_TRUE(executor.isValidAuth());

    // A helper that claims success without removing anything is not believed.
    const QString liar = base_ + QStringLiteral("/lying-helper");
    ASSERT_TRUE(nvtest::writeFile(liar, "#!/bin/bash\necho ready\n"
                                        "while IFS= read -r -d '' p; do echo removed; done\n"));
    QFile::setPermissions(liar, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("NULLVANE_REMOVE_HELPER", QFile::encodeName(liar));
    Recorder second;
    AsMDeleteExecutor another;
    ASSERT_TRUE(removeAll(another, second, {itemAt(a)}));
    EXPECT_EQ(second.events, QStringList{QStringLiteral("failed ") + a});
    EXPECT_EQ(calls().size(), 2);
}

TEST_F(Executor, AHelperThatGoesAwayEndsTheSessionAndTheNextItemAsksAgain)
{
    const QString a = fx::makeFile(locked_ + QStringLiteral("/a.data"));
    const QString b = fx::makeFile(locked_ + QStringLiteral("/b.data"));
    fx::FolderLock lock(locked_);
    ASSERT_TRUE(lock.locked());
    grantUnlocks();
    answer({QStringLiteral("vanish"), QStringLiteral("grant")});

    Recorder recorder;
    AsMDeleteExecutor executor;
    ASSERT_TRUE(removeAll(executor, recorder, {itemAt(a), itemAt(b)}));

    EXPECT_EQ(recorder.events, (QStringList{QStringLiteral("failed ") + a, QStringLiteral("removed ") + b}));
    EXPECT_EQ(calls().size(), 2);
}

TEST_F(Executor, AHelperThatCannotBeStartedFailsTheItem)
{
    const QString a = fx::makeFile(locked_ + QStringLiteral("/a.data"));
    fx::FolderLock lock(locked_);
    ASSERT_TRUE(lock.locked());
    qputenv("NULLVANE_REMOVE_HELPER", QFile::encodeName(base_ + QStringLiteral("/no-such-helper")));

    platform::LogCapture logs;
    Recorder recorder;
    AsMDeleteExecutor executor;
    ASSERT_TRUE(removeAll(executor, recorder, {itemAt(a)}));

    EXPECT_EQ(recorder.events, QStringList{QStringLiteral("failed ") + a});
    EXPECT_TRUE(logs.contains(QStringLiteral("Error Creating Initial Authorization")));
    EXPECT_TRUE(logs.contains(QStringLiteral("Alloc authorization failed!!!")));
    EXPECT_TRUE(calls().isEmpty());
}

TEST_F(Executor, AClosedDelegateIsNeverCalledAndTheRunStillFinishes)
{
    const QString one = fx::makeFile(free_ + QStringLiteral("/one"));
    const QString two = fx::makeFile(free_ + QStringLiteral("/two"));
    const QString three = fx::makeFile(free_ + QStringLiteral("/three"));

    // The dialog goes away before any outcome reached the main thread.
    int calledAfterClose = 0;
    auto* closing = new Recorder(&calledAfterClose);
    AsMDeleteExecutor executor;
    executor.setDelegate(closing);
    executor.executeDelete({itemAt(one), itemAt(two)});
    delete closing;
    ASSERT_TRUE(platform::dispatch::waitForGlobalQueues(20000));
    nvtest::pump(200);
    EXPECT_EQ(calledAfterClose, 0);
    EXPECT_FALSE(platform::itemExists(one));
    EXPECT_FALSE(platform::itemExists(two));

    // The executor itself goes away before its outcomes are delivered.
    Recorder stays;
    {
        AsMDeleteExecutor shortLived;
        shortLived.setDelegate(&stays);
        shortLived.executeDelete({itemAt(three)});
    }
    ASSERT_TRUE(platform::dispatch::waitForGlobalQueues(20000));
    nvtest::pump(200);
    EXPECT_TRUE(stays.events.isEmpty());
    EXPECT_FALSE(platform::itemExists(three));
}

TEST_F(Executor, AnApplicationAsksForTheRightsBeforeAnyOfItGoesAndARefusalKeepsAllOfIt)
{
    // A stand-alone program and its desktop entry the user owns, and a
    // settings folder only root may remove.
    const QString program = fx::makeFolder(free_ + QStringLiteral("/Tool"));
    fx::makeFile(program + QStringLiteral("/tool"), 2048);
    const QString entry = fx::makeFile(free_ + QStringLiteral("/tool.desktop"));
    const QString settings = fx::makeFolder(locked_ + QStringLiteral("/tool"));
    fx::makeFile(settings + QStringLiteral("/state"));
    fx::FolderLock lock(locked_);
    ASSERT_TRUE(lock.locked());
    answer({QStringLiteral("cancel"), QStringLiteral("refuse"), QStringLiteral("grant")});
    grantUnlocks();

    const auto group = [&] {
        AMAppItemPtr app = itemAt(program);
        app->name = QStringLiteral("Tool");
        app->packaging = AMAppItem::Packaging::StandAlone;
        AMAppItemList items{app};
        for (const QString& file : {entry, settings}) {
            items << itemAt(file);
            items.last()->ownerPath = program;
        }
        return items;
    };
    using platform::privileged::Ending;
    for (const Ending ending : {Ending::Cancelled, Ending::Refused}) {
        SCOPED_TRACE(int(ending));
        Recorder recorder;
        AsMDeleteExecutor executor;
        const AMAppItemList items = group();
        ASSERT_TRUE(removeAll(executor, recorder, items));
        EXPECT_EQ(recorder.events, (QStringList{QStringLiteral("failed ") + program, QStringLiteral("failed ") + entry,
                                                QStringLiteral("failed ") + settings}));
        for (const QString& p : {program, entry, settings})
            EXPECT_TRUE(platform::itemExists(p)) << p;
        EXPECT_EQ(items.first()->failureReason,
                  QStringLiteral("Tool：") + platform::privileged::refusalText(ending));
    }
    EXPECT_EQ(calls().size(), 2);

    // Granted, all of it goes, for one request.
    Recorder recorder;
    AsMDeleteExecutor executor;
    ASSERT_TRUE(removeAll(executor, recorder, group()));
    EXPECT_EQ(recorder.events, (QStringList{QStringLiteral("removed ") + program, QStringLiteral("removed ") + entry,
                                            QStringLiteral("removed ") + settings}));
    EXPECT_EQ(calls().size(), 3);
}

// The same through the group the screen removes: the files found for a
// stand-alone application are its own, so a refused password keeps them and
// the application, not the application's files that needed no rights.
TEST_F(Executor, AStandAloneApplicationsFoundFilesAreItsOwnAndARefusalKeepsAllOfThem)
{
    const QString program = fx::makeFolder(fx::at(QStringLiteral("~/Applications/Standalone Tool")));
    fx::makeFile(program + QStringLiteral("/standalone-tool"), 2048);
    const QString entry = fx::makeFile(fx::at(QStringLiteral("~/.local/share/applications/standalone-tool.desktop")));
    const QString cache = fx::makeFile(fx::at(QStringLiteral("~/.cache/standalone-tool")));
    const QString settings = fx::makeFolder(fx::at(QStringLiteral("~/.config/standalone-tool")));
    const QString locked = fx::makeFolder(settings + QStringLiteral("/state"));
    fx::makeFile(locked + QStringLiteral("/s"));
    fx::FolderLock lock(locked);
    ASSERT_TRUE(lock.locked());
    answer({QStringLiteral("refuse")});

    UninstallEngine engine;
    auto app = std::make_shared<AMAppItem>();
    app->name = QStringLiteral("Standalone Tool");
    app->entryName = app->name;
    app->bundleID = QStringLiteral("standalone-tool");
    app->executableName = QStringLiteral("standalone-tool");
    app->desktopEntry = entry;
    app->packaging = AMAppItem::Packaging::StandAlone;
    app->standAlonePath = program;
    app->path = program;
    engine.sourceList(UninstallList::Applications) << app;
    const AMAppItemList group = engine.relatedFilesOf(app);
    ASSERT_EQ(fx::pathsOf(group), (QStringList{program, entry, settings, cache}));

    Recorder recorder;
    AsMDeleteExecutor executor;
    ASSERT_TRUE(removeAll(executor, recorder, group));
    EXPECT_EQ(calls().size(), 1);
    for (const QString& p : {program, entry, settings, cache})
        EXPECT_TRUE(platform::itemExists(p)) << p;
    EXPECT_EQ(recorder.events, (QStringList{QStringLiteral("failed ") + program, QStringLiteral("failed ") + entry,
                                            QStringLiteral("failed ") + settings, QStringLiteral("failed ") + cache}));
}

TEST(PrivilegedLauncher, ArgumentsAndExitStatusesAsATable)
{
    using namespace platform::privileged;
    const QString here = QDir::currentPath();
    struct Start {
        bool viaLauncher;
        QString program;
        QStringList arguments;
        Command expected;
    };
    const QList<Start> starts = {
        // Every start through pkexec names the program absolutely and keeps
        // pkexec's own agent (and so the terminal) out.
        {true, "/usr/libexec/nullvane/diskutil", {"reformat", "/dev/sdb1"},
         {"/usr/bin/pkexec", {"--disable-internal-agent", "/usr/libexec/nullvane/diskutil", "reformat", "/dev/sdb1"}}},
        {true, "/usr/libexec/nullvane/nullvane-remove-helper", {},
         {"/usr/bin/pkexec", {"--disable-internal-agent", "/usr/libexec/nullvane/nullvane-remove-helper"}}},
        {true, "/usr/libexec/nullvane/nullvane-remove-helper", {"--remove-package", "-rf"},
         {"/usr/bin/pkexec",
          {"--disable-internal-agent", "/usr/libexec/nullvane/nullvane-remove-helper", "--remove-package", "-rf"}}},
        {true, "bin/diskutil", {"rename", "sdb1", "My Disk; rm -rf ~"},
         {"/usr/bin/pkexec", {"--disable-internal-agent", here + "/bin/diskutil", "rename", "sdb1", "My Disk; rm -rf ~"}}},
        // Root needs no launcher.
        {false, "/usr/libexec/nullvane/diskutil", {"mount", "sdb1"}, {"/usr/libexec/nullvane/diskutil", {"mount", "sdb1"}}},
    };
    for (const Start& s : starts) {
        SCOPED_TRACE(s.program.toStdString());
        const Command c = commandFor(QStringLiteral("/usr/bin/pkexec"), s.viaLauncher, s.program, s.arguments);
        EXPECT_EQ(c.program, s.expected.program);
        EXPECT_EQ(c.arguments, s.expected.arguments);
    }

    struct Status {
        bool started, finished, crashed;
        int exitCode;
        Ending ending;
    };
    const QList<Status> statuses = {
        {true, true, false, 0, Ending::Succeeded},
        {true, true, false, 1, Ending::Failed},
        {true, true, false, 3, Ending::Failed},      // the helper's own refusal of a package
        {true, true, false, 100, Ending::Failed},    // apt-get's failure
        {true, true, false, 126, Ending::Cancelled}, // the password dialog was dismissed
        {true, true, false, 127, Ending::Refused},   // a wrong password, or no agent to ask
        {true, true, false, 128, Ending::Failed},
        {true, true, true, 127, Ending::Failed},     // killed: no word of pkexec's
        {true, false, false, 126, Ending::Failed},   // still running at its time-out
        {false, false, false, -1, Ending::NotStarted},
    };
    for (const Status& s : statuses) {
        SCOPED_TRACE(s.exitCode);
        EXPECT_EQ(endingOf(s.started, s.finished, s.crashed, s.exitCode), s.ending);
        EXPECT_EQ(wasRefused(s.ending), s.ending == Ending::Cancelled || s.ending == Ending::Refused);
        EXPECT_EQ(refusalText(s.ending).isEmpty(), !wasRefused(s.ending));
    }
    // The two refusals say which it was, and that nothing changed.
    EXPECT_TRUE(refusalText(Ending::Cancelled).contains(QStringLiteral("取消")));
    EXPECT_TRUE(refusalText(Ending::Refused).contains(QStringLiteral("密码")));
    for (const Ending e : {Ending::Cancelled, Ending::Refused})
        EXPECT_TRUE(refusalText(e).contains(QStringLiteral("未做任何更改")));

    // A launcher named for tests is used even by root.
    qputenv("NULLVANE_PKEXEC", "/tmp/fake-pkexec");
    const Command named = command(QStringLiteral("/bin/true"), {QStringLiteral("x")});
    EXPECT_EQ(named.program, QStringLiteral("/tmp/fake-pkexec"));
    EXPECT_EQ(named.arguments, (QStringList{"--disable-internal-agent", "/bin/true", "x"}));
    qunsetenv("NULLVANE_PKEXEC");
}
