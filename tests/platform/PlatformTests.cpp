#include "TestSupport.h"

#include "platform/AptSimulation.h"
#include "platform/Dispatch.h"
#include "platform/FileAttributes.h"
#include "platform/Locations.h"
#include "platform/Log.h"
#include "platform/MountTable.h"
#include "platform/NotificationCenter.h"
#include "platform/Process.h"
#include "platform/PropertyList.h"
#include "platform/SecureRandom.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QThread>
#include <QXmlStreamReader>
#include <atomic>
#include <gtest/gtest.h>
#include <locale.h>
#include <optional>
#include <sys/stat.h>
#include <sys/xattr.h>

TEST(Locations, FixedLocationsGetTheTestPrefixAndUserPathsDoNot)
{
    const QString root = platform::rootPrefix();
    ASSERT_FALSE(root.isEmpty());
    EXPECT_EQ(platform::mapLocation(QStringLiteral("/Applications")), root + QStringLiteral("/Applications"));
    EXPECT_EQ(platform::mapLocation(QStringLiteral("~/Library/Caches")),
              root + QDir::homePath() + QStringLiteral("/Library/Caches"));
    EXPECT_EQ(platform::mapLocation(QStringLiteral("~")), root + QDir::homePath());
    EXPECT_EQ(platform::mapLocation(QStringLiteral("relative/x")), QStringLiteral("relative/x"));

    const QByteArray saved = qgetenv("NULLVANE_ROOT");
    qputenv("NULLVANE_ROOT", "/");
    EXPECT_EQ(platform::mapLocation(QStringLiteral("/Users/a/Library")), QStringLiteral("/Users/a/Library"));
    qputenv("NULLVANE_ROOT", "");
    EXPECT_EQ(platform::mapLocation(QStringLiteral("/Volumes")), QStringLiteral("/Volumes"));
    qputenv("NULLVANE_ROOT", saved);
}

TEST(Locations, PrivateTempFolderIsOwnerOnly)
{
    const QString folder = platform::privateTempFolder();
    ASSERT_FALSE(folder.isEmpty());
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(folder).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(platform::privateTempFolder(), folder);

    // The end of the run takes it with what it holds; the next use makes a new one.
    ASSERT_TRUE(QDir().mkpath(folder + "/inner"));
    QFile scratch(folder + "/inner/out.txt");
    ASSERT_TRUE(scratch.open(QIODevice::WriteOnly));
    scratch.close();
    platform::removePrivateTempFolder();
    EXPECT_FALSE(QFileInfo::exists(folder));
    const QString next = platform::privateTempFolder();
    EXPECT_TRUE(QFileInfo(next).isDir());
    EXPECT_NE(next, folder);
}

TEST(Dispatch, GlobalWorkPostsBackToTheMainThreadInOrder)
{
    QStringList seen;
    std::atomic<bool> ranOffMain{false};
    platform::dispatch::global(platform::dispatch::Priority::Background, [&] {
        ranOffMain = !platform::dispatch::isMainThread();
        platform::dispatch::main([&] { seen << QStringLiteral("first"); });
        platform::dispatch::main([&] {
            EXPECT_TRUE(platform::dispatch::isMainThread());
            seen << QStringLiteral("second");
        });
    });
    ASSERT_TRUE(nvtest::pumpUntil([&] { return seen.size() == 2; }));
    EXPECT_TRUE(ranOffMain);
    EXPECT_EQ(seen, (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
}

TEST(Dispatch, DelayedBlockWaitsItsTime)
{
    bool fired = false;
    qint64 firedAt = 0;
    QElapsedTimer clock;
    clock.start();
    platform::dispatch::after(150, [&] {
        fired = true;
        firedAt = clock.elapsed();
    });
    nvtest::pump(60);
    EXPECT_FALSE(fired);
    EXPECT_TRUE(nvtest::pumpUntil([&] { return fired; }, 2000));
    EXPECT_GE(firedAt, 150);
}

TEST(NotificationCenter, DeliversByNameToEveryObserverUntilRemoved)
{
    auto& center = platform::NotificationCenter::defaultCenter();
    int a = 0, b = 0;
    QVariantMap got;
    const auto ta = center.addObserver(QStringLiteral("N1"), [&](const platform::Notification& n) {
        ++a;
        got = n.userInfo;
    });
    const auto tb = center.addObserver(QStringLiteral("N2"), [&](const platform::Notification&) { ++b; });
    center.post(QStringLiteral("N1"), nullptr, {{QStringLiteral("k"), 7}});
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(got.value(QStringLiteral("k")).toInt(), 7);
    center.removeObserver(ta);
    center.post(QStringLiteral("N1"));
    EXPECT_EQ(a, 1);
    center.removeObserver(tb);
}

TEST(Process, ArgumentsReachTheProgramLiterallyAndExitCodesAreKept)
{
    const QString marker = nvtest::sandbox() + QStringLiteral("/pwned");
    const QString hostile = QStringLiteral("x\";touch %1;\"$(id)").arg(marker);
    const auto r = platform::runProcess(QStringLiteral("/bin/echo"), {hostile});
    ASSERT_TRUE(r.succeeded());
    EXPECT_EQ(QString::fromUtf8(r.standardOutput).trimmed(), hostile);
    EXPECT_FALSE(QFileInfo::exists(marker));

    const auto failing = platform::runProcess(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("exit 3")});
    EXPECT_TRUE(failing.started);
    EXPECT_EQ(failing.exitCode, 3);
    EXPECT_FALSE(failing.succeeded());

    const auto missing = platform::runProcess(QStringLiteral("/no/such/program"), {});
    EXPECT_FALSE(missing.started);
}

namespace {
QStringList qtWarnings;
void keepQtWarning(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        qtWarnings << text;
}
} // namespace

TEST(Process, MergedLinesAreTheProgramsOwnAndInOrder)
{
    // Our disk utility streams its checkers merged, and First Aid merges the
    // utility in turn: a Qt warning on our standard error would become a row.
    qtWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepQtWarning);
    QStringList lines;
    QStringList errLines;
    const auto r = platform::runProcessLines(
        QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("echo one; echo two >&2; echo three; printf four >&2")},
        [&](const QString& l) { lines << l; }, [&](const QString& l) { errLines << l; }, platform::LineChannels::Merged);
    qInstallMessageHandler(previous);
    ASSERT_TRUE(r.succeeded());
    EXPECT_EQ(lines, (QStringList{"one", "two", "three", "four"}));
    EXPECT_TRUE(errLines.isEmpty());
    EXPECT_TRUE(qtWarnings.isEmpty()) << qtWarnings;

    lines.clear();
    const auto separate = platform::runProcessLines(
        QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("echo out; echo err >&2")},
        [&](const QString& l) { lines << l; }, [&](const QString& l) { errLines << l; });
    ASSERT_TRUE(separate.succeeded());
    EXPECT_EQ(lines, QStringList{"out"});
    EXPECT_EQ(errLines, QStringList{"err"});
}

// A locale this machine lacks is never handed to a child: perl, which many
// of the tools we run start, complains of it on its standard error at every
// start. Our own process sets LC_TIME for Qt's dates whether the machine has
// that locale or not.
TEST(Process, ChildrenGetOnlyTheLocalesTheMachineHas)
{
    const QByteArray missing = "xx_YY.UTF-8";
    const locale_t probe = newlocale(LC_ALL_MASK, missing.constData(), locale_t(nullptr));
    if (probe)
        freelocale(probe);
    ASSERT_EQ(probe, locale_t(nullptr)) << "this machine has " << missing.constData();
    const QStringList names{QStringLiteral("LANG"), QStringLiteral("LC_TIME"), QStringLiteral("LC_MONETARY")};
    QList<std::optional<QByteArray>> saved;
    for (const QString& name : names)
        saved << (qEnvironmentVariableIsSet(name.toLatin1()) ? std::optional(qgetenv(name.toLatin1())) : std::nullopt);
    auto restore = qScopeGuard([&] {
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (saved[i])
                qputenv(names[i].toLatin1(), *saved[i]);
            else
                qunsetenv(names[i].toLatin1());
        }
    });
    qputenv("LANG", "C.UTF-8");
    qputenv("LC_TIME", missing);
    qputenv("LC_MONETARY", missing);

    platform::ProcessOptions options;
    options.extraEnvironment = {QStringLiteral("LC_NUMERIC=") + QString::fromLatin1(missing),
                                QStringLiteral("NULLVANE_TEST_KEPT=1")};
    const auto r = platform::runProcess(QStringLiteral("env"), {}, options);
    ASSERT_TRUE(r.succeeded());
    QStringList lines;
    platform::runProcessLines(QStringLiteral("env"), {}, [&](const QString& l) { lines << l; }, {});
    for (const QStringList& env : {QString::fromLocal8Bit(r.standardOutput).split(QLatin1Char('\n')), lines}) {
        EXPECT_TRUE(env.contains(QStringLiteral("LANG=C.UTF-8"))) << env.join(QLatin1Char(' '));
        for (const QString& line : env)
            EXPECT_FALSE(line.endsWith(QLatin1String(missing))) << line;
    }
    EXPECT_TRUE(QString::fromLocal8Bit(r.standardOutput).contains(QStringLiteral("NULLVANE_TEST_KEPT=1")));

    const QString perl = platform::findProgram(QStringLiteral("perl"));
    if (!perl.isEmpty()) {
        const auto quiet = platform::runProcess(perl, {QStringLiteral("-e"), QStringLiteral("1")});
        EXPECT_TRUE(quiet.succeeded());
        EXPECT_EQ(QString::fromLocal8Bit(quiet.standardError), QString());
    }
}

// A home folder named in a legacy encoding, or a tool's variable holding such
// a name, reaches every child as the bytes we hold, not as U+FFFD; the extra
// entries we set still join them.
TEST(Process, ChildrenGetOurEnvironmentByteForByte)
{
    const QByteArray home = qgetenv("HOME");
    const QByteArray legacyHome = home + "/\xe9t\xe9";
    qputenv("HOME", legacyHome);
    qputenv("NULLVANE_TEST_LEGACY", "caf\xe9");
    auto restore = qScopeGuard([&] {
        qputenv("HOME", home);
        qunsetenv("NULLVANE_TEST_LEGACY");
    });
    const QStringList names{QStringLiteral("HOME"), QStringLiteral("NULLVANE_TEST_LEGACY")};
    const QByteArray expected = legacyHome + "\ncaf\xe9\n";

    platform::ProcessOptions options;
    options.extraEnvironment = {QStringLiteral("NULLVANE_TEST_KEPT=是")};
    const auto r = platform::runProcess(QStringLiteral("printenv"), names + QStringList{"NULLVANE_TEST_KEPT"}, options);
    EXPECT_EQ(r.standardOutput, expected + "是\n");
    const auto lines = platform::runProcessLines(QStringLiteral("printenv"), names, {}, {});
    EXPECT_EQ(lines.standardOutput, expected);
}

TEST(AptSimulation, OnlyASimulationRemovingTheOnePackageAloneAllowsTheRemoval)
{
    using platform::apt::removesOnly;
    using platform::apt::simulatedRemovals;
    const std::string alone = "NOTE: This is only a simulation!\n"
                              "Reading package lists...\n"
                              "The following packages will be REMOVED:\n"
                              "  gedit\n"
                              "Remv gedit [44.2-1]\n";
    EXPECT_TRUE(removesOnly(simulatedRemovals(alone), "gedit"));
    EXPECT_TRUE(removesOnly(simulatedRemovals("Purg gedit:amd64 [44.2-1]\n"), "gedit:amd64"));

    const std::string withOthers = "Remv gedit [44.2-1]\nRemv gedit-plugins [44.2-1]\nPurg gedit [44.2-1]\n";
    EXPECT_EQ(simulatedRemovals(withOthers), (std::vector<std::string>{"gedit", "gedit-plugins"}));
    EXPECT_FALSE(removesOnly(simulatedRemovals(withOthers), "gedit"));
    // Another package in its place, or nothing at all, is no removal of it.
    EXPECT_FALSE(removesOnly(simulatedRemovals("Remv gnome-core [1]\n"), "gedit"));
    EXPECT_FALSE(removesOnly(simulatedRemovals("0 upgraded, 0 newly installed, 0 to remove\n"), "gedit"));
    EXPECT_FALSE(removesOnly(simulatedRemovals("  Remv gedit [1]\nRemvgedit\n"), "gedit"));
}

TEST(FileAttributes, ClearsUserAttributesRecursivelyWithoutFollowingLinks)
{
    const QString dir = nvtest::freshFolder();
    const QString file = dir + QStringLiteral("/sub/a.txt");
    const QString outside = nvtest::freshFolder() + QStringLiteral("/outside.txt");
    ASSERT_TRUE(nvtest::writeFile(file, "a"));
    ASSERT_TRUE(nvtest::writeFile(outside, "o"));
    ASSERT_TRUE(QFile::link(outside, dir + QStringLiteral("/link")));
    if (setxattr(QFile::encodeName(file).constData(), "user.tag", "v", 1, 0) != 0)
        GTEST_SKIP() << "this file system does not take user extended attributes";
    ASSERT_EQ(setxattr(QFile::encodeName(outside).constData(), "user.tag", "v", 1, 0), 0);

    EXPECT_TRUE(platform::clearExtendedAttributes(dir, true));
    char buf[8];
    EXPECT_LT(getxattr(QFile::encodeName(file).constData(), "user.tag", buf, sizeof buf), 0);
    EXPECT_EQ(getxattr(QFile::encodeName(outside).constData(), "user.tag", buf, sizeof buf), 1);
    EXPECT_FALSE(platform::clearExtendedAttributes(dir + QStringLiteral("/missing"), false));
}

TEST(FileAttributes, TimesModeAndFacts)
{
    const QString file = nvtest::freshFolder() + QStringLiteral("/f");
    ASSERT_TRUE(nvtest::writeFile(file, "12345"));
    EXPECT_TRUE(platform::setTimesToEpoch(file));
    EXPECT_EQ(QFileInfo(file).lastModified().toSecsSinceEpoch(), 0);
    EXPECT_TRUE(platform::setPermissions(file, 0600));
    const auto info = platform::itemInfo(file);
    EXPECT_TRUE(info.exists);
    EXPECT_TRUE(info.isRegular);
    EXPECT_EQ(info.size, 5);
    EXPECT_EQ(info.mode, 0600u);
    EXPECT_TRUE(platform::isDeletable(file));

    const QString link = file + QStringLiteral(".lnk");
    ASSERT_TRUE(QFile::link(QStringLiteral("/nonexistent-target"), link));
    EXPECT_TRUE(platform::itemInfo(link).isSymLink);
    EXPECT_TRUE(platform::itemExists(link));
    EXPECT_FALSE(platform::setPermissions(link, 0777));
}

TEST(FileAttributes, ImmutableFlagIsCleared)
{
    if (!nvtest::isRoot())
        GTEST_SKIP() << "setting the immutable flag needs root";
    const QString file = nvtest::freshFolder() + QStringLiteral("/locked");
    ASSERT_TRUE(nvtest::writeFile(file, "x"));
    const auto set = platform::runProcess(QStringLiteral("chattr"), {QStringLiteral("+i"), file});
    if (!set.succeeded())
        GTEST_SKIP() << "this file system does not take the immutable flag";
    EXPECT_FALSE(QFile::remove(file));
    EXPECT_TRUE(platform::clearImmutableFlags(file));
    EXPECT_TRUE(QFile::remove(file));
}

TEST(SecureRandom, FillsLargeAndSmallBuffersWithFreshBytes)
{
    QByteArray a(1 << 20, '\0'), b(1 << 20, '\0');
    ASSERT_TRUE(platform::secureRandomBytes(a.data(), a.size()));
    ASSERT_TRUE(platform::secureRandomBytes(b.data(), b.size()));
    EXPECT_NE(a, b);
    // A fair byte stream hits every byte value in a megabyte.
    std::array<int, 256> counts{};
    for (char c : a)
        ++counts[static_cast<unsigned char>(c)];
    for (int n : counts)
        EXPECT_GT(n, 3000);
    QByteArray small(16, '\0');
    ASSERT_TRUE(platform::secureRandomBytes(small.data(), small.size()));
    EXPECT_NE(small, QByteArray(16, '\0'));

    std::array<int, 26> letters{};
    for (int i = 0; i < 26000; ++i) {
        const auto r = platform::randomUniform(26);
        ASSERT_LT(r, 26u);
        ++letters[r];
    }
    for (int n : letters)
        EXPECT_GT(n, 700);
}

TEST(PropertyList, TextWithControlCharactersIsWrittenAsXmlEveryReaderAccepts)
{
    // A volume label or a file name can hold characters XML 1.0 does not
    // allow; the file written must still be read back, by us and by others.
    const QString odd = QStringLiteral("ab\x01" "c\x1f") + QChar(0xFFFE) + QStringLiteral("d\te");
    platform::plist::OrderedDict ordered;
    ordered.keys = {QStringLiteral("k\x02" "ey"), QStringLiteral("plain")};
    ordered.values = {{ordered.keys[0], odd}, {ordered.keys[1], qint64(1)}};
    const QVariantMap value{{QStringLiteral("name\x03"), odd},
                            {QStringLiteral("list"), QVariantList{odd}},
                            {QStringLiteral("ordered"), QVariant::fromValue(ordered)}};
    const QString path = nvtest::freshFolder() + QStringLiteral("/odd.plist");
    ASSERT_TRUE(platform::plist::writeFile(path, value));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader reader(file.readAll());
    while (!reader.atEnd())
        reader.readNext();
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();

    const QString readable = QStringLiteral("abcd\te");
    const QVariantMap back = platform::plist::readDictionary(path);
    EXPECT_EQ(back.value(QStringLiteral("name")).toString(), readable);
    EXPECT_EQ(back.value(QStringLiteral("list")).toList().value(0).toString(), readable);
    EXPECT_EQ(back.value(QStringLiteral("ordered")).toMap().value(QStringLiteral("key")).toString(), readable);
    EXPECT_EQ(back.value(QStringLiteral("ordered")).toMap().value(QStringLiteral("plain")).toLongLong(), 1);
}

TEST(PropertyList, RoundTripsEveryTypeAndKeepsKeyOrderOnRequest)
{
    QVariantMap inner{{QStringLiteral("n"), qint64(-5)}, {QStringLiteral("big"), qint64(5000000000000)}};
    const QVariantMap value{{QStringLiteral("text"), QStringLiteral("擦除 <&> \"q\"")},
                            {QStringLiteral("flag"), true},
                            {QStringLiteral("real"), 1.5},
                            {QStringLiteral("data"), QByteArray("\x00\x01\xff", 3)},
                            {QStringLiteral("list"), QVariantList{QStringLiteral("a"), qint64(2)}},
                            {QStringLiteral("inner"), inner}};
    const QString path = nvtest::freshFolder() + QStringLiteral("/x.plist");
    ASSERT_TRUE(platform::plist::writeFile(path, value));
    const QVariantMap back = platform::plist::readDictionary(path);
    EXPECT_EQ(back.value(QStringLiteral("text")).toString(), QStringLiteral("擦除 <&> \"q\""));
    EXPECT_EQ(back.value(QStringLiteral("flag")).toBool(), true);
    EXPECT_DOUBLE_EQ(back.value(QStringLiteral("real")).toDouble(), 1.5);
    EXPECT_EQ(back.value(QStringLiteral("data")).toByteArray(), QByteArray("\x00\x01\xff", 3));
    EXPECT_EQ(back.value(QStringLiteral("list")).toList().value(1).toLongLong(), 2);
    EXPECT_EQ(back.value(QStringLiteral("inner")).toMap().value(QStringLiteral("n")).toLongLong(), -5);
    EXPECT_EQ(back.value(QStringLiteral("inner")).toMap().value(QStringLiteral("big")).toLongLong(), 5000000000000);

    const QByteArray xml = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                           "<key>zeta</key><string>1</string><key>alpha</key><string>2</string>"
                           "<key>mid</key><integer>3</integer></dict></plist>";
    const auto ordered = platform::plist::fromData(xml, platform::plist::DictStyle::Ordered)
                             .value<platform::plist::OrderedDict>();
    EXPECT_EQ(ordered.keys, (QStringList{QStringLiteral("zeta"), QStringLiteral("alpha"), QStringLiteral("mid")}));

    EXPECT_FALSE(platform::plist::fromData("not a plist").isValid());
    EXPECT_FALSE(platform::plist::fromData(QByteArray()).isValid());
    ASSERT_TRUE(nvtest::writeFile(path, "<plist><array><string>x</string></array></plist>"));
    EXPECT_TRUE(platform::plist::readDictionary(path).isEmpty());
}

TEST(MountTable, UdevEscapesAreDecodedAndAnythingElseKept)
{
    EXPECT_EQ(platform::decodeUdevEscapes("MY\\x20STICK"), QStringLiteral("MY STICK"));
    // Escaped bytes of a UTF-8 name come together again.
    EXPECT_EQ(platform::decodeUdevEscapes("\\xe6\\x96\\x87\\xe4\\xbb\\xb6"), QStringLiteral("文件"));
    EXPECT_EQ(platform::decodeUdevEscapes("a\\x2fb"), QStringLiteral("a/b"));
    // Not an escape: not hex, cut short, or a backslash of its own.
    EXPECT_EQ(platform::decodeUdevEscapes("\\xZZ"), QStringLiteral("\\xZZ"));
    EXPECT_EQ(platform::decodeUdevEscapes("end\\x4"), QStringLiteral("end\\x4"));
    EXPECT_EQ(platform::decodeUdevEscapes("a\\b"), QStringLiteral("a\\b"));
}

TEST(MountTable, ListsTheRootAndALoopMountWithItsDeviceAndSpace)
{
    const auto root = platform::mountEntryAt(QStringLiteral("/"));
    ASSERT_TRUE(root.has_value());
    EXPECT_FALSE(root->fsType.isEmpty());
    const auto space = platform::fileSystemSpace(nvtest::sandbox());
    EXPECT_TRUE(space.ok);
    EXPECT_GT(space.totalBytes, 0);
    EXPECT_FALSE(platform::fileSystemSpace(QStringLiteral("/no/such/folder")).ok);

    nvtest::LoopDevice loop(40 << 20);
    NEED_LOOP(loop);
    ASSERT_TRUE(loop.format(QStringLiteral("ext4")));
    const QString point = loop.mount();
    ASSERT_FALSE(point.isEmpty());
    const auto entry = platform::mountEntryAt(point + QStringLiteral("/"));
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->device, loop.device());
    EXPECT_EQ(entry->fsType, QStringLiteral("ext4"));
    EXPECT_EQ(platform::mountEntriesOf(loop.device()).size(), 1);
    EXPECT_EQ(platform::kernelNameOf(loop.device()), loop.device().mid(5));
    loop.unmount();
    EXPECT_FALSE(platform::mountEntryAt(point).has_value());
}

TEST(MountTable, FindsTheMountHoldingAPathAndTheTypeOnAFuseDevice)
{
    const QString home = nvtest::freshFolder(QStringLiteral("holding"));
    ASSERT_TRUE(nvtest::writeFile(home + QStringLiteral("/f.txt"), "x"));
    const auto sandboxEntry = platform::mountEntryHolding(home + QStringLiteral("/f.txt"));
    ASSERT_TRUE(sandboxEntry.has_value());
    EXPECT_FALSE(platform::fileSystemTypeHolding(home).isEmpty());
    // A missing item is looked up by the folder it would be in.
    const auto missing = platform::mountEntryHolding(home + QStringLiteral("/no/such/item"));
    ASSERT_TRUE(missing.has_value());
    EXPECT_EQ(missing->mountPoint, sandboxEntry->mountPoint);
    EXPECT_FALSE(platform::mountEntryHolding(QString()).has_value());

    nvtest::LoopDevice loop(40 << 20);
    NEED_LOOP(loop);
    if (platform::findProgram(QStringLiteral("mkfs.ntfs")).isEmpty() || platform::findProgram(QStringLiteral("ntfs-3g")).isEmpty())
        GTEST_SKIP() << "mkfs.ntfs or ntfs-3g is not installed";
    ASSERT_TRUE(loop.format(QStringLiteral("ntfs")));
    const QString point = loop.mount(QStringLiteral("ntfs"));
    ASSERT_FALSE(point.isEmpty());
    ASSERT_TRUE(nvtest::writeFile(point + QStringLiteral("/doc.txt"), "on ntfs"));
    const auto entry = platform::mountEntryHolding(point + QStringLiteral("/doc.txt"));
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->mountPoint, point);
    EXPECT_EQ(entry->device, loop.device());
    // The mount table says "fuseblk"; the device says what it holds.
    EXPECT_EQ(entry->fsType, QStringLiteral("fuseblk"));
    EXPECT_EQ(platform::fileSystemTypeHolding(point + QStringLiteral("/doc.txt")), QStringLiteral("ntfs"));
    // A link on the sandbox pointing into the volume lies on the sandbox's file system.
    ASSERT_TRUE(QFile::link(point + QStringLiteral("/doc.txt"), home + QStringLiteral("/link")));
    EXPECT_EQ(platform::mountEntryHolding(home + QStringLiteral("/link"))->mountPoint, sandboxEntry->mountPoint);
    EXPECT_TRUE(loop.unmount());
}
