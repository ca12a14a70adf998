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
#include <cerrno>
#include <gtest/gtest.h>

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
    const QString base = nvtest::freshFolder(QStringLiteral("helper"));
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
    const QString base = nvtest::freshFolder(QStringLiteral("refuse"));
    const QString real = fx::makeFolder(base + QStringLiteral("/real"));
    const QString victim = fx::makeFile(real + QStringLiteral("/victim"));
    ASSERT_TRUE(QFile::link(real, base + QStringLiteral("/link")));
    const QString inner = fx::makeFile(real + QStringLiteral("/sub/inner"));

    const QString relative = QStringLiteral("real/victim");
    const QStringList answers = runHelper({
        QStringLiteral("/"),
        relative,
        base + QStringLiteral("/link/victim"),      // the parent is a link
        base + QStringLiteral("/link/sub/inner"),   // a link further up
        base + QStringLiteral("/real/sub/../victim"),
        base + QStringLiteral("/real/./victim"),
        base + QStringLiteral("//real/victim"),
        base + QStringLiteral("/real/sub/"),
        QStringLiteral("//"),
    });
    ASSERT_EQ(answers.size(), 10);
    EXPECT_EQ(answers.first(), QStringLiteral("ready"));
    for (int i = 1; i < answers.size(); ++i)
        EXPECT_EQ(answers.at(i), QStringLiteral("refused")) << "request " << i;
    EXPECT_TRUE(exists(victim));
    EXPECT_TRUE(exists(inner));
    EXPECT_TRUE(exists(base + QStringLiteral("/link")));
}

TEST(RemoveHelper, ALinkAtTheEndIsRemovedItselfAndAnItemThatStaysFails)
{
    const QString base = nvtest::freshFolder(QStringLiteral("helperlink"));
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
