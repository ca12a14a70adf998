// Plain removal as the user, and the privileged removal helper run for real on
// temporary trees.

#include "TestSupport.h"
#include "UninstallFixtures.h"
#include "platform/FileAttributes.h"
#include "platform/Locations.h"
#include "platform/Process.h"
#include "platform/Removal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <stdio.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

bool exists(const QString& path)
{
    return platform::itemExists(path);
}

// Runs the helper on `paths` and gives its answer lines.
QStringList runHelper(const QStringList& paths)
{
    QByteArray input;
    for (const QString& p : paths)
        input += QFile::encodeName(p) + '\0';
    platform::ProcessOptions options;
    options.standardInput = input;
    options.timeoutMs = 30000;
    const auto r = platform::runProcess(platform::helperProgram(QStringLiteral("nullvane-remove-helper")), {}, options);
    EXPECT_TRUE(r.succeeded()) << r.standardError.constData();
    return QString::fromUtf8(r.standardOutput).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// A fresh folder inside one the uninstaller searches, where the helper may act.
QString searchedFolder(const QString& hint)
{
    return fx::makeFolder(fx::at(QStringLiteral("~/Library/Caches/")) + QFileInfo(nvtest::freshFolder(hint)).fileName());
}

// A link as someone else would leave it: owned by another user.
bool foreignLink(const QString& target, const QString& link)
{
    return QFile::link(target, link) && lchown(QFile::encodeName(link).constData(), 65534, 65534) == 0;
}

} // namespace

TEST(PlainRemoval, RemovesTreesAndLinksButNeverWhatALinkPointsTo)
{
    const QString base = nvtest::freshFolder(QStringLiteral("plain"));
    const QString tree = fx::makeFolder(base + QStringLiteral("/Tree.app/Contents/Resources"));
    fx::makeFile(tree + QStringLiteral("/a.bin"), 100);
    fx::makeFile(base + QStringLiteral("/Tree.app/Contents/Info.plist"));

    const QString target = fx::makeFolder(base + QStringLiteral("/kept"));
    fx::makeFile(target + QStringLiteral("/precious"));
    const QString link = base + QStringLiteral("/cache-link");
    ASSERT_TRUE(QFile::link(target, link));
    // A link inside a removed tree is removed as a link too.
    ASSERT_TRUE(QFile::link(target, tree + QStringLiteral("/inner-link")));

    int error = -1;
    EXPECT_TRUE(platform::removeItem(base + QStringLiteral("/Tree.app"), &error));
    EXPECT_EQ(error, 0);
    EXPECT_FALSE(exists(base + QStringLiteral("/Tree.app")));

    // Even written with a trailing slash, the link goes and its target stays.
    EXPECT_TRUE(platform::removeItem(link + QLatin1Char('/')));
    EXPECT_FALSE(exists(link));
    EXPECT_TRUE(exists(target + QStringLiteral("/precious")));

    EXPECT_TRUE(platform::itemIsGone(base + QStringLiteral("/never-was")));
    EXPECT_TRUE(platform::removeItem(base + QStringLiteral("/never-was")));
}

TEST(PlainRemoval, AnItemThatStaysIsAFailure)
{
    const QString base = nvtest::freshFolder(QStringLiteral("plainlocked"));
    const QString locked = fx::makeFolder(base + QStringLiteral("/locked"));
    const QString file = fx::makeFile(locked + QStringLiteral("/data.plist"));
    fx::FolderLock lock(locked);
    if (!lock.locked())
        GTEST_SKIP() << "this file system cannot lock a folder";
    int error = 0;
    EXPECT_FALSE(platform::removeItem(file, &error));
    EXPECT_NE(error, 0);
    EXPECT_TRUE(exists(file));
    EXPECT_FALSE(platform::itemIsGone(file));
}

TEST(RemoveHelper, RemovesOddNamesAndAnswersOneLinePerPathInOrder)
{
    const QString base = searchedFolder(QStringLiteral("helper"));
    const QString nonAscii = fx::makeFolder(base + QStringLiteral("/应用 支持/Café Ünïcode.app"));
    fx::makeFile(nonAscii + QStringLiteral("/数据.bin"), 64);
    // Names rm would read as options if they were not after "--".
    const QString dash = fx::makeFile(base + QStringLiteral("/-rf"));
    const QString dashDash = fx::makeFolder(base + QStringLiteral("/--no-preserve-root"));
    const QString sibling = fx::makeFile(base + QStringLiteral("/sibling"));
    // A name with a line break cannot confuse the answers.
    const QString newline = fx::makeFile(base + QStringLiteral("/two\nlines"));

    const QStringList answers = runHelper({nonAscii, dash, base + QStringLiteral("/missing"), dashDash, newline});
    EXPECT_EQ(answers, (QStringList{QStringLiteral("ready"), QStringLiteral("removed"), QStringLiteral("removed"),
                                    QStringLiteral("removed"), QStringLiteral("removed"), QStringLiteral("removed")}));
    EXPECT_FALSE(exists(nonAscii));
    EXPECT_TRUE(exists(base + QStringLiteral("/应用 支持")));
    EXPECT_FALSE(exists(dash));
    EXPECT_FALSE(exists(dashDash));
    EXPECT_FALSE(exists(newline));
    EXPECT_TRUE(exists(sibling));
}

TEST(RemoveHelper, RefusesRootRelativeUnplainAndLinkedParents)
{
    const QString base = searchedFolder(QStringLiteral("refuse"));
    const QString real = fx::makeFolder(base + QStringLiteral("/real"));
    const QString victim = fx::makeFile(real + QStringLiteral("/victim"));
    const QString inner = fx::makeFile(real + QStringLiteral("/sub/inner"));

    const QString relative = QStringLiteral("real/victim");
    QStringList requests{
        QStringLiteral("/"),
        relative,
        base + QStringLiteral("/real/sub/../victim"),
        base + QStringLiteral("/real/./victim"),
        base + QStringLiteral("//real/victim"),
        base + QStringLiteral("/real/sub/"),
        QStringLiteral("//"),
    };
    if (nvtest::isRoot()) {
        // Links someone else put on the way are not followed.
        ASSERT_TRUE(foreignLink(real, base + QStringLiteral("/link")));
        requests << base + QStringLiteral("/link/victim")      // the parent is a link
                 << base + QStringLiteral("/link/sub/inner");  // a link further up
    }
    const QStringList answers = runHelper(requests);
    ASSERT_EQ(answers.size(), requests.size() + 1);
    EXPECT_EQ(answers.first(), QStringLiteral("ready"));
    for (int i = 1; i < answers.size(); ++i)
        EXPECT_EQ(answers.at(i), QStringLiteral("refused")) << "request " << i;
    EXPECT_TRUE(exists(victim));
    EXPECT_TRUE(exists(inner));
}

TEST(RemoveHelper, RemovesOnlyInsideTheFoldersTheUninstallerSearches)
{
    fx::resetRoot();
    QStringList inside;
    for (const char* item : {"/Applications/Tool.app", "~/Applications/Mine.app", "/Network/Applications/N.app",
                             "/Developer/Applications/D.app", "~/Library/Caches/org.tool", "/Library/Preferences/org.tool.plist",
                             "~/Downloads/tool-setup.zip"})
        inside << fx::makeFile(fx::at(QString::fromUtf8(item)) + QStringLiteral("/data"));
    for (QString& p : inside)
        p = QFileInfo(p).path();

    const QString elsewhere = nvtest::freshFolder(QStringLiteral("elsewhere"));
    const QString outsideFile = fx::makeFile(elsewhere + QStringLiteral("/precious"));
    QStringList refused{
        outsideFile,
        fx::makeFile(fx::at(QStringLiteral("~/Documents/report.txt"))),
        fx::makeFile(fx::at(QStringLiteral("~/Library2/lookalike"))),
        fx::makeFile(fx::at(QStringLiteral("/Applications.old/Tool.app"))),
        // The searched folders themselves.
        fx::at(QStringLiteral("~/Library")),
        fx::at(QStringLiteral("/Library")),
        fx::at(QStringLiteral("/Applications")),
        fx::at(QStringLiteral("~/Downloads")),
    };
    // A link inside a searched folder that leads out of it: even one root
    // owns, which is followed, ends outside.
    const QString exit = fx::at(QStringLiteral("~/Library/Caches/exit"));
    ASSERT_TRUE(QFile::link(elsewhere, exit));
    refused << exit + QStringLiteral("/precious");

    const QStringList answers = runHelper(inside + refused);
    ASSERT_EQ(answers.size(), inside.size() + refused.size() + 1);
    for (int i = 0; i < inside.size(); ++i) {
        EXPECT_EQ(answers.at(1 + i), QStringLiteral("removed")) << inside.at(i);
        EXPECT_FALSE(exists(inside.at(i))) << inside.at(i);
    }
    for (int i = 0; i < refused.size(); ++i) {
        EXPECT_EQ(answers.at(1 + inside.size() + i), QStringLiteral("refused")) << refused.at(i);
        EXPECT_TRUE(exists(refused.at(i))) << refused.at(i);
    }
    EXPECT_TRUE(exists(outsideFile));
}

TEST(RemoveHelper, ALinkAtTheEndIsRemovedItselfAndAnItemThatStaysFails)
{
    const QString base = searchedFolder(QStringLiteral("helperlink"));
    const QString target = fx::makeFolder(base + QStringLiteral("/target"));
    fx::makeFile(target + QStringLiteral("/keep"));
    const QString link = base + QStringLiteral("/Plugin.bundle");
    ASSERT_TRUE(QFile::link(target, link));

    const QString locked = fx::makeFolder(base + QStringLiteral("/locked"));
    const QString stuck = fx::makeFile(locked + QStringLiteral("/stuck"));
    fx::FolderLock lock(locked);

    const QStringList answers = runHelper({link, stuck});
    ASSERT_EQ(answers.size(), 3);
    EXPECT_EQ(answers.at(1), QStringLiteral("removed"));
    EXPECT_FALSE(exists(link));
    EXPECT_TRUE(exists(target + QStringLiteral("/keep")));
    if (lock.locked()) {
        // rm gives up on it; the answer says what is on disk.
        EXPECT_EQ(answers.at(2), QStringLiteral("failed"));
        EXPECT_TRUE(exists(stuck));
    }
}

// ---------------------------------------------------------------------------
// Races and mounts, as another local user or a mounted volume would bring them.

TEST(PlainRemoval, AParentSwappedForALinkNeverSendsTheRemovalOutside)
{
    if (!nvtest::isRoot())
        GTEST_SKIP() << "the race matters when we run as root; needs root to own the tree";
    const QString base = nvtest::freshFolder(QStringLiteral("swap"));
    const QString parent = base + QStringLiteral("/parent");
    const QString outside = base + QStringLiteral("/outside");
    const QString swap = base + QStringLiteral("/swap");
    const QByteArray parentName = QFile::encodeName(parent);
    const QByteArray swapName = QFile::encodeName(swap);
    const auto fill = [](const QString& item) {
        for (int d = 0; d < 3; ++d)
            for (int f = 0; f < 12; ++f)
                fx::makeFile(item + QStringLiteral("/d%1/f%2").arg(d).arg(f));
    };
    const auto countFiles = [](const QString& folder) {
        return QDir(folder).entryList(QDir::Files).size();
    };
    fill(outside + QStringLiteral("/item"));
    ASSERT_TRUE(foreignLink(outside, swap));

    int touched = 0, falseReports = 0, removed = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fill(parent + QStringLiteral("/item"));
        std::atomic<bool> stop{false};
        std::atomic<int> swaps{0};
        std::thread racer([&] {
            while (!stop.load()) {
                if (renameat2(AT_FDCWD, parentName.constData(), AT_FDCWD, swapName.constData(), RENAME_EXCHANGE) == 0)
                    ++swaps;
            }
        });
        std::this_thread::sleep_for(std::chrono::microseconds(50 * (attempt % 7)));
        const bool reported = platform::removeItem(parent + QStringLiteral("/item"));
        stop = true;
        racer.join();
        if (swaps % 2) {
            ASSERT_EQ(renameat2(AT_FDCWD, parentName.constData(), AT_FDCWD, swapName.constData(), RENAME_EXCHANGE), 0);
        }
        ASSERT_TRUE(QFileInfo(parent).isDir() && !QFileInfo(parent).isSymLink());

        int outsideFiles = 0;
        for (int d = 0; d < 3; ++d)
            outsideFiles += countFiles(outside + QStringLiteral("/item/d%1").arg(d));
        if (outsideFiles != 36) {
            ++touched;
            QDir(outside + QStringLiteral("/item")).removeRecursively();
            fill(outside + QStringLiteral("/item"));
        }
        if (reported && exists(parent + QStringLiteral("/item")))
            ++falseReports;
        removed += reported;
        QDir(parent + QStringLiteral("/item")).removeRecursively();
    }
    EXPECT_EQ(touched, 0) << "the outside tree was entered";
    EXPECT_EQ(falseReports, 0) << "reported removed while the item was still there";
    EXPECT_GT(removed, 0) << "no attempt removed anything at all";
}

namespace {

// Runs `body` in a child process with a mount namespace of its own, so the
// mounts it makes vanish with it. Gives the child's exit code, or -1.
int inPrivateMountNamespace(const std::function<int()>& body)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            _exit(90);
        _exit(body());
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

bool bindMount(const QString& from, const QString& to)
{
    return mount(QFile::encodeName(from).constData(), QFile::encodeName(to).constData(), nullptr, MS_BIND, nullptr) == 0;
}

// An item with another volume's folder mounted inside it, and an item that is
// itself a mount; `volume` holds the mounted files.
struct MountedItems {
    QString volume, inner, item, mountedItem;
    explicit MountedItems(const QString& base)
    {
        volume = fx::makeFolder(nvtest::freshFolder(QStringLiteral("volume")));
        fx::makeFile(volume + QStringLiteral("/user-file"));
        fx::makeFile(volume + QStringLiteral("/deep/other-file"));
        item = fx::makeFolder(base + QStringLiteral("/Item.app"));
        fx::makeFile(item + QStringLiteral("/own-file"));
        inner = fx::makeFolder(item + QStringLiteral("/Contents/mnt"));
        mountedItem = fx::makeFolder(base + QStringLiteral("/Mounted.app"));
    }
    bool mountAll() const { return bindMount(volume, inner) && bindMount(volume, mountedItem); }
    bool volumeIntact() const
    {
        return exists(volume + QStringLiteral("/user-file")) && exists(volume + QStringLiteral("/deep/other-file"));
    }
};

} // namespace

TEST(PlainRemoval, AVolumeMountedInsideAnItemIsLeftAndTheItemFails)
{
    if (!nvtest::isRoot())
        GTEST_SKIP() << "needs root to mount in a private mount namespace";
    const MountedItems m(nvtest::freshFolder(QStringLiteral("mounted")));
    const int code = inPrivateMountNamespace([&] {
        if (!m.mountAll())
            return 91;
        int inner = 0, whole = 0;
        const bool innerRemoved = platform::removeItem(m.item, &inner);
        const bool wholeRemoved = platform::removeItem(m.mountedItem, &whole);
        if (innerRemoved || wholeRemoved)
            return 1;
        return inner == EXDEV && whole == EXDEV ? 0 : 2;
    });
    ASSERT_NE(code, 90) << "no private mount namespace here";
    ASSERT_NE(code, 91) << "bind mount failed";
    EXPECT_EQ(code, 0) << (code == 1 ? "an item with a volume in it was reported removed" : "not failed with EXDEV");
    EXPECT_TRUE(m.volumeIntact()) << "the mounted volume was emptied";
    // What is the item's own still went.
    EXPECT_FALSE(exists(m.item + QStringLiteral("/own-file")));
}

TEST(RemoveHelper, AVolumeMountedInsideAnItemIsLeftAndTheItemFails)
{
    if (!nvtest::isRoot())
        GTEST_SKIP() << "needs root to mount in a private mount namespace";
    const MountedItems m(searchedFolder(QStringLiteral("helpermounted")));
    const QString helper = platform::helperProgram(QStringLiteral("nullvane-remove-helper"));
    const QString answers = nvtest::freshFolder(QStringLiteral("answers")) + QStringLiteral("/out");
    const int code = inPrivateMountNamespace([&] {
        if (!m.mountAll())
            return 91;
        // The helper's standard input is a file of requests, its output a file.
        const QString requests = answers + QStringLiteral(".in");
        nvtest::writeFile(requests, QFile::encodeName(m.item) + '\0' + QFile::encodeName(m.mountedItem) + '\0');
        const int in = open(QFile::encodeName(requests).constData(), O_RDONLY);
        const int out = open(QFile::encodeName(answers).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const pid_t child = fork();
        if (child == 0) {
            dup2(in, 0);
            dup2(out, 1);
            const QByteArray program = QFile::encodeName(helper);
            execl(program.constData(), program.constData(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 92;
    });
    ASSERT_NE(code, 90) << "no private mount namespace here";
    ASSERT_NE(code, 91) << "bind mount failed";
    EXPECT_EQ(code, 0);
    QFile f(answers);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), QStringLiteral("ready\nfailed\nfailed\n"));
    EXPECT_TRUE(m.volumeIntact()) << "the mounted volume was emptied";
}
