// The installed program: `cmake --install` into a staging prefix gives a
// program that needs nothing of the build tree, finds its helpers in
// libexec/nullvane of its own prefix, and ships a valid desktop entry, icon
// and polkit policy.
#include "TestSupport.h"

#include "platform/Process.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <csignal>
#include <gtest/gtest.h>

namespace {

platform::ProcessOptions withTimeout(int ms)
{
    platform::ProcessOptions options;
    options.timeoutMs = ms;
    return options;
}

const QString kDesktop = QStringLiteral("share/applications/com.corvel.nullvane.desktop");
const QString kPolicy = QStringLiteral("share/polkit-1/actions/com.corvel.nullvane.policy");
const QString kIcon = QStringLiteral("share/icons/hicolor/scalable/apps/com.corvel.nullvane.svg");

// One staging install for the whole program run.
class Staged : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        prefix_ = nvtest::freshFolder(QStringLiteral("stage"));
        const auto r = platform::runProcess(QStringLiteral("cmake"),
                                            {QStringLiteral("--install"), QStringLiteral(NULLVANE_BUILD_DIR),
                                             QStringLiteral("--prefix"), prefix_},
                                            withTimeout(120000));
        installed_ = r.succeeded();
        installLog_ = QString::fromUtf8(r.standardOutput + r.standardError);
    }
    void SetUp() override { ASSERT_TRUE(installed_) << installLog_; }

    static QString path(const QString& relative) { return prefix_ + QLatin1Char('/') + relative; }

    static QString prefix_;
    static bool installed_;
    static QString installLog_;
};

QString Staged::prefix_;
bool Staged::installed_ = false;
QString Staged::installLog_;

QString readAll(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

TEST_F(Staged, LaysOutTheProgramItsHelpersAndItsDesktopFiles)
{
    for (const QString& exe : {QStringLiteral("bin/nullvane"), QStringLiteral("libexec/nullvane/diskutil"),
                               QStringLiteral("libexec/nullvane/nullvane-remove-helper")})
        EXPECT_TRUE(QFileInfo(path(exe)).isExecutable()) << exe;
    for (const QString& file : {kDesktop, kPolicy, kIcon})
        EXPECT_TRUE(QFileInfo(path(file)).isFile()) << file;
    // Nothing beside the program: the helpers are not in bin/.
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("bin/diskutil"))));
}

TEST_F(Staged, DesktopEntryIsValid)
{
    const QString validate = platform::findProgram(QStringLiteral("desktop-file-validate"));
    if (validate.isEmpty())
        GTEST_SKIP() << "desktop-file-validate is not installed (Debian package desktop-file-utils)";
    const auto r = platform::runProcess(validate, {path(kDesktop)}, withTimeout(30000));
    EXPECT_TRUE(r.succeeded()) << r.standardOutput.toStdString() << r.standardError.toStdString();
    const QString entry = readAll(path(kDesktop));
    EXPECT_TRUE(entry.contains(QStringLiteral("Exec=")));
    EXPECT_TRUE(entry.contains(QStringLiteral("Icon=com.corvel.nullvane")));
    EXPECT_TRUE(entry.contains(QStringLiteral("Comment[zh_CN]=")));
}

TEST_F(Staged, PolicyIsWellFormedWithOneChineseActionPerHelper)
{
    const QString xmllint = platform::findProgram(QStringLiteral("xmllint"));
    if (xmllint.isEmpty())
        GTEST_SKIP() << "xmllint is not installed (Debian package libxml2-utils)";
    const auto r = platform::runProcess(xmllint, {QStringLiteral("--noout"), QStringLiteral("--nonet"), path(kPolicy)},
                                        withTimeout(30000));
    EXPECT_TRUE(r.succeeded()) << r.standardError.toStdString();

    const QString policy = readAll(path(kPolicy));
    EXPECT_EQ(policy.count(QStringLiteral("<action id=")), 2);
    EXPECT_TRUE(policy.contains(QStringLiteral("com.corvel.nullvane.remove-helper")));
    EXPECT_TRUE(policy.contains(QStringLiteral("com.corvel.nullvane.diskutil")));
    EXPECT_EQ(policy.count(QStringLiteral("<message xml:lang=\"zh_CN\">")), 2);
    EXPECT_TRUE(policy.contains(QStringLiteral("/libexec/nullvane/nullvane-remove-helper</annotate>")));
    EXPECT_TRUE(policy.contains(QStringLiteral("/libexec/nullvane/diskutil</annotate>")));
}

TEST_F(Staged, InstalledProgramStartsAndFindsItsHelpersInItsPrefix)
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
    env.remove(QStringLiteral("NULLVANE_DISKUTIL"));
    program.setProcessEnvironment(env);
    program.start(path(QStringLiteral("bin/nullvane")), {});
    ASSERT_TRUE(program.waitForStarted(10000));

    const QString expected = QStringLiteral("disk utility: ") +
                             QDir::cleanPath(path(QStringLiteral("libexec/nullvane/diskutil")));
    QString log;
    QElapsedTimer clock;
    clock.start();
    while (!log.contains(expected) && clock.elapsed() < 20000 && program.state() != QProcess::NotRunning) {
        program.waitForReadyRead(100);
        log += QString::fromUtf8(program.readAllStandardError());
    }
    EXPECT_TRUE(log.contains(expected)) << log;
    ::kill(pid_t(program.processId()), SIGTERM);
    EXPECT_TRUE(program.waitForFinished(15000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

TEST_F(Staged, InstalledDiskUtilityAnswersForALoopVolume)
{
    if (!nvtest::isRoot())
        GTEST_SKIP() << "needs root for a loop device";
    nvtest::LoopDevice loop(40 * 1000 * 1000);
    if (!loop.valid())
        GTEST_SKIP() << loop.skipReason().toStdString();
    ASSERT_TRUE(loop.format(QStringLiteral("ext4"), {QStringLiteral("-L"), QStringLiteral("STAGED")}));
    const auto r = platform::runProcess(path(QStringLiteral("libexec/nullvane/diskutil")),
                                        {QStringLiteral("info"), QStringLiteral("-plist"), loop.device()},
                                        withTimeout(30000));
    ASSERT_TRUE(r.succeeded()) << r.standardError.toStdString();
    const QString plist = QString::fromUtf8(r.standardOutput);
    EXPECT_TRUE(plist.contains(QStringLiteral("<string>STAGED</string>"))) << plist;
    EXPECT_TRUE(plist.contains(QStringLiteral("<string>ext4</string>"))) << plist;
}
