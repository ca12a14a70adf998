// The desktop-facing stand-ins the shell starts with: single instance,
// display-sleep inhibit, language and tool-tip delay.
#include "TestSupport.h"

#include "platform/gui/DisplaySleep.h"
#include "platform/gui/Language.h"
#include "platform/gui/SingleInstance.h"
#include "platform/gui/Workspace.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/TerminationSignals.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QLockFile>
#include <QMutex>
#include <QProcess>
#include <QProxyStyle>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QStyle>
#include <QThread>
#include <QUuid>
#include <atomic>
#include <barrier>
#include <gtest/gtest.h>
#include <csignal>
#include <locale.h>
#include <thread>

using platform::SingleInstance;

namespace {

QString uniqueKey()
{
    return QStringLiteral("com.corvel.nullvane.test-") + QUuid::createUuid().toString(QUuid::Id128);
}

} // namespace

TEST(SingleInstance, FirstCopyRunsAndALaterCopyAsksItToComeForward)
{
    const QString key = uniqueKey();
    SingleInstance first(key);
    int raised = 0;
    QObject::connect(&first, &SingleInstance::raiseRequested, [&] { ++raised; });
    ASSERT_EQ(first.claim(), SingleInstance::Outcome::Primary);
    EXPECT_TRUE(first.isPrimary());
    EXPECT_TRUE(first.serverName().contains(QString::number(getuid())));

    SingleInstance second(key);
    EXPECT_EQ(second.claim(1000), SingleInstance::Outcome::OtherRunning);
    EXPECT_FALSE(second.isPrimary());
    EXPECT_TRUE(nvtest::pumpUntil([&] { return raised == 1; }, 3000));

    SingleInstance third(key);
    EXPECT_EQ(third.claim(1000), SingleInstance::Outcome::OtherRunning);
    EXPECT_TRUE(nvtest::pumpUntil([&] { return raised == 2; }, 3000));

    // Once the first copy has quit, the next one runs.
    first.release();
    SingleInstance fourth(key);
    EXPECT_EQ(fourth.claim(1000), SingleInstance::Outcome::Primary);
}

TEST(SingleInstance, CopiesStartedAtTheSameMomentNeverAllGiveUp)
{
    for (int round = 0; round < 5; ++round) {
        const QString key = uniqueKey();
        constexpr int copies = 6;
        std::barrier start(copies);
        std::barrier done(copies);
        std::atomic<int> primaries{0};
        std::atomic<int> others{0};
        std::atomic<int> undecided{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < copies; ++i) {
            threads.emplace_back([&] {
                SingleInstance copy(key);
                start.arrive_and_wait();
                switch (copy.claim(3000)) {
                case SingleInstance::Outcome::Primary: ++primaries; break;
                case SingleInstance::Outcome::OtherRunning: ++others; break;
                case SingleInstance::Outcome::Undecided: ++undecided; break;
                }
                // The running copy stays up until every other has decided.
                done.arrive_and_wait();
            });
        }
        for (auto& t : threads)
            t.join();
        EXPECT_EQ(primaries.load(), 1) << "round " << round;
        EXPECT_EQ(others.load(), copies - 1) << "round " << round;
        EXPECT_EQ(undecided.load(), 0) << "round " << round;
    }
}

TEST(SingleInstance, LeftoversOfADeadCopyDoNotKeepTheNextOneOut)
{
    const QString key = uniqueKey();
    SingleInstance probe(key);

    // A lock written by a process that has ended since.
    QProcess shortLived;
    shortLived.start(QStringLiteral("/bin/true"), {});
    ASSERT_TRUE(shortLived.waitForStarted());
    const qint64 deadPid = shortLived.processId();
    ASSERT_TRUE(shortLived.waitForFinished());
    QByteArray content;
    {
        QLockFile own(probe.lockFilePath());
        ASSERT_TRUE(own.tryLock(0));
        QFile f(probe.lockFilePath());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        content = f.readAll();
    }
    const int firstLineEnd = content.indexOf('\n');
    ASSERT_GT(firstLineEnd, 0);
    content.replace(0, firstLineEnd, QByteArray::number(deadPid));
    ASSERT_TRUE(nvtest::writeFile(probe.lockFilePath(), content));
    // And a socket file nobody listens on.
    ASSERT_TRUE(nvtest::writeFile(probe.serverName(), "stale"));

    SingleInstance next(key);
    int raised = 0;
    QObject::connect(&next, &SingleInstance::raiseRequested, [&] { ++raised; });
    ASSERT_EQ(next.claim(1000), SingleInstance::Outcome::Primary);
    SingleInstance later(key);
    EXPECT_EQ(later.claim(1000), SingleInstance::Outcome::OtherRunning);
    EXPECT_TRUE(nvtest::pumpUntil([&] { return raised == 1; }, 3000));
}

TEST(SingleInstance, AnOwnerThatNeverAnswersEndsTheWaitInBoundedTime)
{
    const QString key = uniqueKey();
    SingleInstance probe(key);
    // A live owner (this process) holds the lock but never listens.
    QLockFile held(probe.lockFilePath());
    held.setStaleLockTime(0);
    ASSERT_TRUE(held.tryLock(0));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(probe.claim(300), SingleInstance::Outcome::Undecided);
    EXPECT_LT(clock.elapsed(), 5000);
    // When the owner goes away during the wait, the waiting copy takes over.
    std::thread releaser([&] {
        QThread::msleep(200);
        held.unlock();
    });
    EXPECT_EQ(probe.claim(5000), SingleInstance::Outcome::Primary);
    releaser.join();
}

namespace {

// The desktop's screen-saver service, as far as the inhibitor talks to it.
class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QMutex mutex;
    QStringList calls;

public slots:
    uint Inhibit(const QString& application, const QString& reason)
    {
        QMutexLocker lock(&mutex);
        calls << QStringLiteral("Inhibit %1 %2").arg(application, reason);
        return 42;
    }
    void UnInhibit(uint cookie)
    {
        QMutexLocker lock(&mutex);
        calls << QStringLiteral("UnInhibit %1").arg(cookie);
    }
};

// A session bus of our own, so no test talks to the real desktop.
class PrivateBus {
public:
    PrivateBus()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            return;
        process_.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                                QStringLiteral("--address=unix:path=") + nvtest::freshFolder(QStringLiteral("bus")) + QStringLiteral("/socket")});
        if (!process_.waitForStarted(5000))
            return;
        QByteArray line;
        for (int i = 0; i < 100 && !line.contains('\n'); ++i) {
            process_.waitForReadyRead(100);
            line += process_.readAllStandardOutput();
        }
        address_ = QString::fromUtf8(line).trimmed();
    }
    ~PrivateBus()
    {
        process_.terminate();
        process_.waitForFinished(3000);
    }
    QString address() const { return address_; }

private:
    QProcess process_;
    QString address_;
};

struct ServiceThread {
    QThread thread;
    FakeScreenSaver* fake = new FakeScreenSaver;
    ServiceThread()
    {
        fake->moveToThread(&thread);
        thread.start();
    }
    ~ServiceThread()
    {
        QMetaObject::invokeMethod(fake, &QObject::deleteLater);
        thread.quit();
        thread.wait();
    }
    QStringList calls()
    {
        QMutexLocker lock(&fake->mutex);
        return fake->calls;
    }
};

} // namespace

TEST(DisplaySleep, HeldWhileTheInhibitorLivesAndReleasedAfter)
{
    PrivateBus bus;
    if (bus.address().isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed (package dbus-daemon)";
    for (const QString& path : {QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("/ScreenSaver")}) {
        const QString serviceName = QStringLiteral("svc") + QUuid::createUuid().toString(QUuid::Id128);
        QDBusConnection serviceBus = QDBusConnection::connectToBus(bus.address(), serviceName);
        ASSERT_TRUE(serviceBus.isConnected());
        ServiceThread service;
        ASSERT_TRUE(serviceBus.registerObject(path, service.fake, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(serviceBus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));

        const QString clientName = QStringLiteral("cli") + QUuid::createUuid().toString(QUuid::Id128);
        QDBusConnection client = QDBusConnection::connectToBus(bus.address(), clientName);
        {
            platform::DisplaySleepInhibitor inhibitor(QStringLiteral("Nullvane"), QStringLiteral("PreventUserIdleDisplaySleep"),
                                                      client);
            EXPECT_TRUE(inhibitor.isHeld()) << path;
            EXPECT_EQ(inhibitor.cookie(), 42u);
            EXPECT_EQ(service.calls(), QStringList{QStringLiteral("Inhibit Nullvane PreventUserIdleDisplaySleep")});
        }
        EXPECT_EQ(service.calls().value(1), QStringLiteral("UnInhibit 42"));
        EXPECT_EQ(service.calls().size(), 2);
        serviceBus.unregisterService(QStringLiteral("org.freedesktop.ScreenSaver"));
        serviceBus.unregisterObject(path);
        QDBusConnection::disconnectFromBus(serviceName);
        QDBusConnection::disconnectFromBus(clientName);
    }
}

TEST(DisplaySleep, NoBusOrNoServiceMeansQuietlyNothing)
{
    QDBusConnection none = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("none"));
    platform::DisplaySleepInhibitor withoutBus(QStringLiteral("Nullvane"), QStringLiteral("PreventUserIdleDisplaySleep"), none);
    EXPECT_FALSE(withoutBus.isHeld());
    withoutBus.release();

    PrivateBus bus;
    if (bus.address().isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed (package dbus-daemon)";
    QDBusConnection empty = QDBusConnection::connectToBus(bus.address(), QStringLiteral("empty"));
    ASSERT_TRUE(empty.isConnected());
    platform::DisplaySleepInhibitor withoutService(QStringLiteral("Nullvane"), QStringLiteral("PreventUserIdleDisplaySleep"),
                                                   empty);
    EXPECT_FALSE(withoutService.isHeld());
    QDBusConnection::disconnectFromBus(QStringLiteral("empty"));
}

TEST(Language, QtsOwnDialogsSpeakChineseAndToolTipsWakeEarly)
{
    ASSERT_TRUE(platform::useSimplifiedChinese()) << "Qt's Chinese translation is missing (package qt6-translations-l10n)";
    EXPECT_EQ(QLocale().language(), QLocale::Chinese);
    EXPECT_EQ(QLocale().territory(), QLocale::China);
    QDialogButtonBox box(QDialogButtonBox::Cancel | QDialogButtonBox::Open);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    EXPECT_TRUE(platform::useSimplifiedChinese()); // a second call changes nothing

    const int fallAsleep = QApplication::style()->styleHint(QStyle::SH_ToolTip_FallAsleepDelay);
    const QString look = QApplication::style()->name();
    platform::setToolTipDelay(300);
    QWidget w;
    EXPECT_EQ(w.style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay, nullptr, &w), 300);
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_ToolTip_FallAsleepDelay), fallAsleep);
    // Setting it again keeps the same look underneath.
    platform::setToolTipDelay(250);
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 250);
    auto* proxy = qobject_cast<QProxyStyle*>(QApplication::style());
    ASSERT_NE(proxy, nullptr);
    EXPECT_EQ(proxy->baseStyle()->name(), look);
}

// A file is opened through the desktop's opener (xdg-open on PATH, here a
// stand-in): it gets the file, and what it prints, which names the file, does
// not reach our standard error. It is handed the dates' locale only when the
// machine has it.
TEST(Workspace, OpeningAFileOrAPageKeepsWhatTheOpenerPrintsOffOurStandardError)
{
    const nvtest::ProgramOnPath fake(QStringLiteral("xdg-open"),
                                     "env > \"$0.env\"\nprintf '%s' \"$1\" > \"$0.args\"\n"
                                     "echo \"xdg-open: Unable to detect a launcher for 'file://$1'\" >&2\n");
    ASSERT_TRUE(fake.valid());
    const QString opener = fake.path();

    const QString file = nvtest::freshFolder(QStringLiteral("documents")) + QStringLiteral("/测试文件");
    ASSERT_TRUE(nvtest::writeFile(file, "text"));
    platform::LogCapture capture;
    const QString err = QString::fromUtf8(nvtest::standardErrorOf([&] {
        EXPECT_TRUE(platform::workspace::openFile(file));
        EXPECT_TRUE(nvtest::pumpUntil([&] { return capture.contains(QStringLiteral("Unable to detect a launcher")); }));
    }));
    EXPECT_FALSE(err.contains(QStringLiteral("测试文件"))) << err;
    QFile args(opener + QStringLiteral(".args"));
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(args.readAll()), file);

    QFile env(opener + QStringLiteral(".env"));
    ASSERT_TRUE(env.open(QIODevice::ReadOnly));
    const QList<QByteArray> entries = env.readAll().split('\n');
    const bool timeAvailable = [] {
        const locale_t loc = newlocale(LC_ALL_MASK, "zh_CN.UTF-8", locale_t(nullptr));
        if (loc)
            freelocale(loc);
        return loc != nullptr;
    }();
    EXPECT_EQ(entries.contains("LC_TIME=zh_CN.UTF-8"), timeAvailable);

    // A web page goes through the same opener, not Qt's, which would leave
    // what it prints on our standard error and hand it our locale settings.
    const QUrl page(QStringLiteral("https://nullvane.invalid/support/faq.html"));
    platform::LogCapture pageCapture;
    const QString pageErr = QString::fromUtf8(nvtest::standardErrorOf([&] {
        EXPECT_TRUE(platform::workspace::openUrl(page));
        EXPECT_TRUE(nvtest::pumpUntil([&] { return pageCapture.contains(QStringLiteral("nullvane.invalid")); }));
    }));
    EXPECT_FALSE(pageErr.contains(QStringLiteral("Unable to detect a launcher"))) << pageErr;
    args.close();
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(args.readAll()), page.toString());
}

// The opener hands the file to a program that outlives it (a script, a
// terminal program) and goes on printing after the opener ended and what it
// printed was logged: every write succeeds and none waits, also for far more
// than the pipes hold.
TEST(Workspace, AProgramTheOpenerStartedGoesOnPrintingAfterTheOpenerEnded)
{
    // Started as our program starts it, with SIGPIPE at its default, which
    // an earlier test of this program may have left ignored (a relay that
    // inherits that goes on past a reader that left, with or without -p).
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    struct sigaction before = {};
    ASSERT_EQ(::sigaction(SIGPIPE, &byDefault, &before), 0);
    const auto restore = qScopeGuard([&] { ::sigaction(SIGPIPE, &before, nullptr); });

    const QString folder = nvtest::freshFolder(QStringLiteral("opened"));
    const QString go = folder + QStringLiteral("/go");
    const QString done = folder + QStringLiteral("/done");
    const nvtest::ProgramOnPath fake(
        QStringLiteral("xdg-open"),
        QStringLiteral("( while [ ! -e '%1' ]; do sleep 0.05; done\n"
                       "  yes 'line of the opened program' | head -c 8000000 || exit 1\n"
                       "  echo written > '%2' ) &\n"
                       "echo \"opening $1\"\n")
            .arg(go, done)
            .toUtf8());
    ASSERT_TRUE(fake.valid());
    const QString file = folder + QStringLiteral("/说明.txt");
    ASSERT_TRUE(nvtest::writeFile(file, "text"));

    platform::LogCapture capture;
    ASSERT_TRUE(platform::workspace::openFile(file));
    ASSERT_TRUE(nvtest::pumpUntil([&] { return capture.contains(QStringLiteral("opening ") + file); }));
    ASSERT_TRUE(nvtest::writeFile(go, ""));
    EXPECT_TRUE(nvtest::pumpUntil([&] { return QFileInfo::exists(done); }, 30000));
    QFile written(done);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().trimmed(), "written");
}

TEST(TerminationSignals, EachSignalBecomesACallOnTheMainThread)
{
    int calls = 0;
    bool allOnMain = true;
    platform::onTerminationRequest([&] {
        ++calls;
        allOnMain = allOnMain && platform::dispatch::isMainThread();
    });
    ASSERT_EQ(::raise(SIGTERM), 0);
    EXPECT_TRUE(nvtest::pumpUntil([&] { return calls == 1; }, 3000));
    std::thread([] { ::kill(::getpid(), SIGHUP); }).join();
    EXPECT_TRUE(nvtest::pumpUntil([&] { return calls == 2; }, 3000));

    int replaced = 0;
    platform::onTerminationRequest([&] { ++replaced; });
    ASSERT_EQ(::raise(SIGINT), 0);
    EXPECT_TRUE(nvtest::pumpUntil([&] { return replaced == 1; }, 3000));
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(allOnMain);
    platform::onTerminationRequest({});
    ASSERT_EQ(::raise(SIGTERM), 0); // survived: no handler, no death
    nvtest::pump(50);
}

#include "PlatformGuiTests.moc"
