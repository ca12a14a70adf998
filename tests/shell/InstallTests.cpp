// The installed program: `cmake --install` into a staging prefix gives a
// program that needs nothing of the build tree, finds its helpers in
// libexec/nullvane of its own prefix, and ships a valid desktop entry, icon
// and polkit policy.
#include "TestSupport.h"

#include "platform/Process.h"

#include <QDir>
#include <QDirIterator>
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
const QString kPolicyName = QStringLiteral("com.corvel.nullvane.policy");
const QString kIcon = QStringLiteral("share/icons/hicolor/scalable/apps/com.corvel.nullvane.svg");
// The prefix the staged tree is installed for; DESTDIR puts it, and the
// folders outside it, under the staging folder.
const QString kPrefix = QStringLiteral("/opt/nullvane-staged");

// The folder polkitd reads its actions from, as polkit itself says: its
// pkg-config policydir where the development files are installed, else the
// folder Debian's polkitd keeps polkit's own policy in. Empty when neither
// answers.
QString polkitActionsFolder()
{
    const auto pc = platform::runProcess(QStringLiteral("pkg-config"),
                                         {QStringLiteral("--variable=policydir"), QStringLiteral("polkit-gobject-1")},
                                         withTimeout(30000));
    const QString folder = QString::fromUtf8(pc.standardOutput).trimmed();
    if (pc.succeeded() && !folder.isEmpty())
        return QDir::cleanPath(folder);
    const auto listed = platform::runProcess(QStringLiteral("dpkg"), {QStringLiteral("-L"), QStringLiteral("polkitd")},
                                             withTimeout(30000));
    for (const QString& line : QString::fromUtf8(listed.standardOutput).split(QLatin1Char('\n')))
        if (line.endsWith(QLatin1String("/org.freedesktop.policykit.policy")))
            return QFileInfo(line).path();
    return {};
}

// One staging install for the whole program run.
class Staged : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        stage_ = nvtest::freshFolder(QStringLiteral("stage"));
        platform::ProcessOptions options = withTimeout(120000);
        options.extraEnvironment = {QStringLiteral("DESTDIR=") + stage_};
        const auto r = platform::runProcess(QStringLiteral("cmake"),
                                            {QStringLiteral("--install"), QStringLiteral(NULLVANE_BUILD_DIR),
                                             QStringLiteral("--prefix"), kPrefix},
                                            options);
        installed_ = r.succeeded();
        installLog_ = QString::fromUtf8(r.standardOutput + r.standardError);
    }
    void SetUp() override { ASSERT_TRUE(installed_) << installLog_; }

    static QString path(const QString& relative) { return stage_ + kPrefix + QLatin1Char('/') + relative; }
    // Every file of the staged install outside the prefix.
    static QStringList outsidePrefix()
    {
        QStringList found;
        QDirIterator it(stage_, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next().mid(stage_.size());
            if (!file.startsWith(kPrefix + QLatin1Char('/')))
                found << file;
        }
        return found;
    }

    // The staged policy file, wherever it went; empty when none.
    static QString policyFile()
    {
        QDirIterator it(stage_, {kPolicyName}, QDir::Files, QDirIterator::Subdirectories);
        return it.hasNext() ? it.next() : QString();
    }

    static QString stage_;
    static bool installed_;
    static QString installLog_;
};

QString Staged::stage_;
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
    for (const QString& file : {kDesktop, kIcon})
        EXPECT_TRUE(QFileInfo(path(file)).isFile()) << file;
    EXPECT_FALSE(policyFile().isEmpty());
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
    const auto r = platform::runProcess(xmllint, {QStringLiteral("--noout"), QStringLiteral("--nonet"), policyFile()},
                                        withTimeout(30000));
    EXPECT_TRUE(r.succeeded()) << r.standardError.toStdString();

    const QString policy = readAll(policyFile());
    EXPECT_EQ(policy.count(QStringLiteral("<action id=")), 2);
    EXPECT_TRUE(policy.contains(QStringLiteral("com.corvel.nullvane.remove-helper")));
    EXPECT_TRUE(policy.contains(QStringLiteral("com.corvel.nullvane.diskutil")));
    EXPECT_EQ(policy.count(QStringLiteral("<message xml:lang=\"zh_CN\">")), 2);
    EXPECT_TRUE(policy.contains(QStringLiteral("/libexec/nullvane/nullvane-remove-helper</annotate>")));
    EXPECT_TRUE(policy.contains(QStringLiteral("/libexec/nullvane/diskutil</annotate>")));
}

TEST_F(Staged, PolicyGoesWherePolkitReadsActionsWhateverThePrefix)
{
    const QString polkitFolder = polkitActionsFolder();
    if (polkitFolder.isEmpty())
        GTEST_SKIP() << "polkit does not say where it reads actions (neither polkit-gobject-1's pkg-config file nor "
                        "Debian's polkitd is installed)";
    // The policy is the one file outside the prefix, in polkit's own folder.
    EXPECT_EQ(outsidePrefix(), QStringList{polkitFolder + QLatin1Char('/') + kPolicyName});
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("share/polkit-1"))));
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
    NEED_LOOP(loop);
    ASSERT_TRUE(loop.format(QStringLiteral("ext4"), {QStringLiteral("-L"), QStringLiteral("STAGED")}));
    const auto r = platform::runProcess(path(QStringLiteral("libexec/nullvane/diskutil")),
                                        {QStringLiteral("info"), QStringLiteral("-plist"), loop.device()},
                                        withTimeout(30000));
    ASSERT_TRUE(r.succeeded()) << r.standardError.toStdString();
    const QString plist = QString::fromUtf8(r.standardOutput);
    EXPECT_TRUE(plist.contains(QStringLiteral("<string>STAGED</string>"))) << plist;
    EXPECT_TRUE(plist.contains(QStringLiteral("<string>ext4</string>"))) << plist;
}
