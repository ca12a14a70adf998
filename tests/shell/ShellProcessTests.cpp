// The program itself: started twice, started twice at once, asked to end by a
// signal, and its start settling a free-space fill that was killed (root). It
// runs offscreen with this test's sandboxed folders, and its links point at a
// closed local port, so nothing reaches the network.
#include "TestSupport.h"

#include "core/BundleSettings.h"
#include "platform/FillFile.h"
#include "platform/FillLeftovers.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <csignal>
#include <gtest/gtest.h>

namespace {

QString program()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/nullvane");
}

class Copy {
public:
    Copy()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // Keep the copies away from a real desktop's session bus.
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
        process.setProcessEnvironment(env);
        process.setProgram(program());
    }
    ~Copy()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    void start() { process.start(); }
    QString log()
    {
        output += QString::fromUtf8(process.readAllStandardError());
        return output;
    }
    bool waitForLine(const QString& text, int ms = 15000)
    {
        QElapsedTimer clock;
        clock.start();
        while (!log().contains(text)) {
            if (clock.elapsed() > ms || process.state() == QProcess::NotRunning)
                return log().contains(text);
            process.waitForReadyRead(100);
        }
        return true;
    }
    bool ended(int ms = 15000) { return process.state() == QProcess::NotRunning || process.waitForFinished(ms); }
    bool cleanExit() const { return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0; }

    QProcess process;
    QString output;
};

class Program : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo(program()).isExecutable()) << "build the program first";
        // Every link of the copies leads to a closed local port.
        const QString closed = QStringLiteral("http://127.0.0.1:1/");
        ASSERT_TRUE(BundleSettings::setValue(
            QStringLiteral("Link"),
            QVariantMap{{QStringLiteral("IniURL"), closed + QStringLiteral("NullvaneUpdate.plist")},
                        {QStringLiteral("HomePage"), closed}}));
    }
    void TearDown() override { BundleSettings::setValue(QStringLiteral("Link"), QVariant()); }
};

const QString kStarted = QStringLiteral("main set lanague to = (zh-Hans)");

} // namespace

TEST_F(Program, ASecondCopyGivesWayAndTheFirstEndsCleanlyOnASignal)
{
    Copy first;
    first.start();
    ASSERT_TRUE(first.waitForLine(kStarted)) << first.log();

    Copy second;
    second.start();
    ASSERT_TRUE(second.ended()) << "a second copy must not stay";
    EXPECT_TRUE(second.cleanExit()) << second.log();
    EXPECT_TRUE(second.log().contains(QStringLiteral("another copy of Nullvane runs"))) << second.log();
    EXPECT_FALSE(second.log().contains(kStarted)) << "it touched nothing";
    EXPECT_EQ(first.process.state(), QProcess::Running);

    ::kill(static_cast<pid_t>(first.process.processId()), SIGTERM);
    ASSERT_TRUE(first.ended());
    EXPECT_TRUE(first.cleanExit()) << first.log();
    EXPECT_TRUE(first.log().contains(QStringLiteral("asked to end by signal 15"))) << first.log();

    // The lock went with it: the next start runs.
    Copy next;
    next.start();
    EXPECT_TRUE(next.waitForLine(kStarted)) << next.log();
    ::kill(static_cast<pid_t>(next.process.processId()), SIGINT);
    ASSERT_TRUE(next.ended());
    EXPECT_TRUE(next.cleanExit());
}

TEST_F(Program, TwoCopiesStartedTogetherLeaveExactlyOneRunning)
{
    for (int round = 0; round < 3; ++round) {
        Copy a;
        Copy b;
        a.start();
        b.start();
        ASSERT_TRUE(a.process.waitForStarted() && b.process.waitForStarted());
        // One of them ends soon, cleanly; the other stays.
        QElapsedTimer clock;
        clock.start();
        while (a.process.state() == QProcess::Running && b.process.state() == QProcess::Running && clock.elapsed() < 15000) {
            a.process.waitForFinished(50);
            b.process.waitForFinished(50);
        }
        Copy& gone = a.process.state() == QProcess::Running ? b : a;
        Copy& stays = &gone == &a ? b : a;
        ASSERT_EQ(gone.process.state(), QProcess::NotRunning) << "round " << round << ": neither gave way";
        EXPECT_TRUE(gone.cleanExit()) << gone.log();
        EXPECT_TRUE(stays.waitForLine(kStarted)) << "round " << round << ": " << stays.log();
        EXPECT_EQ(stays.process.state(), QProcess::Running) << "round " << round << ": both gave way";
        ::kill(static_cast<pid_t>(stays.process.processId()), SIGTERM);
        ASSERT_TRUE(stays.ended());
        EXPECT_TRUE(stays.cleanExit()) << stays.log();
    }
}

// A free-space fill killed as root leaves its record, ext4's reserve lent
// (at 0) and its fill folder on the volume. The program's start puts both
// right (away from the window) and drops the record.
TEST_F(Program, ItsStartSettlesAKilledFill)
{
    nvtest::LoopDevice loop(64LL << 20);
    NEED_LOOP(loop);
    ASSERT_TRUE(loop.format(QStringLiteral("ext4"), {QStringLiteral("-E"), QStringLiteral("nodiscard")}));
    const QString point = loop.mount();
    ASSERT_FALSE(point.isEmpty());
    const QString kernel = loop.kernelName();
    const long long reserved = platform::ReservedClustersLoan::readReserved(kernel);
    ASSERT_GT(reserved, 0);
    const QString folder = point + QStringLiteral("/.VOVU");
    {
        // What the fill had done when it was killed; its record stays behind.
        platform::VolumeRoot root;
        ASSERT_TRUE(root.open(point, loop.device()));
        platform::FillRecord record;
        ASSERT_TRUE(record.begin(root, QStringLiteral(".VOVU")));
        ASSERT_TRUE(record.noteLent(reserved));
        QFile sysfs(platform::ReservedClustersLoan::sysfsFile(kernel));
        ASSERT_TRUE(sysfs.open(QIODevice::WriteOnly) && sysfs.write("0\n") == 2 && sysfs.flush());
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(nvtest::writeFile(folder + QStringLiteral("/.VOVU_1"), "fill"));
    }
    ASSERT_EQ(platform::ReservedClustersLoan::readReserved(kernel), 0);
    ASSERT_FALSE(QDir(platform::FillRecord::folder()).isEmpty());

    // The disk utility settles records at its own start: the program gets
    // one that does nothing, so only the program's start can have settled.
    Copy copy;
    QProcessEnvironment env = copy.process.processEnvironment();
    env.insert(QStringLiteral("NULLVANE_DISKUTIL"), QStringLiteral("/bin/false"));
    copy.process.setProcessEnvironment(env);
    copy.start();
    ASSERT_TRUE(copy.waitForLine(kStarted)) << copy.log();
    const bool settled = nvtest::pumpUntil([&] {
        return !QFileInfo::exists(folder) && platform::ReservedClustersLoan::readReserved(kernel) == reserved
               && QDir(platform::FillRecord::folder()).isEmpty();
    }, 15000);
    ::kill(static_cast<pid_t>(copy.process.processId()), SIGTERM);
    ASSERT_TRUE(copy.ended());
    EXPECT_TRUE(settled);
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_EQ(platform::ReservedClustersLoan::readReserved(kernel), reserved);
    EXPECT_TRUE(QDir(platform::FillRecord::folder()).isEmpty());
}
