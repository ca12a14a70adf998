#include "TestSupport.h"

#include "core/BundleSettings.h"
#include "core/CommUti.h"
#include "core/ErasureStandards.h"
#include "core/PublicUtilities.h"

#include "platform/Defaults.h"
#include "platform/Log.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }

    static void reset()
    {
        BundleSettings::setShippedFilePath(QString());
        QFile::remove(BundleSettings::userFilePath());
        platform::defaults::remove(QStringLiteral("EraserTimesTag"));
    }

    static QVariantMap userCopy() { return platform::plist::readDictionary(BundleSettings::userFilePath()); }

    static QByteArray fileBytes(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

} // namespace

TEST_F(SettingsTest, ShippedFileHoldsEveryKeyTheProgramReads)
{
    const QString shipped = BundleSettings::shippedFilePath();
    EXPECT_TRUE(shipped.startsWith(QStringLiteral(":/nullvane/"))) << shipped;
    const QVariantMap dict = platform::plist::readDictionary(shipped);
    ASSERT_FALSE(dict.isEmpty()) << "the shipped settings file is missing from the binary";

    for (const char* key : {"FontLight", "FontRegular", "FontBold"})
        EXPECT_TRUE(dict.value(QLatin1String(key)).toString().startsWith(QStringLiteral("Noto Sans CJK SC"))) << key;
    EXPECT_EQ(dict.value(QStringLiteral("WipeFileHistory")), QVariant(QStringLiteral("0")));
    EXPECT_EQ(dict.value(QStringLiteral("WipeVolumeHistory")), QVariant(QStringLiteral("0")));
    EXPECT_TRUE(dict.contains(QStringLiteral("USERNAME")));
    EXPECT_TRUE(dict.contains(QStringLiteral("FirstLoad")));
    EXPECT_EQ(dict.value(QStringLiteral("VersionCheck")).metaType().id(), QMetaType::LongLong);
    EXPECT_GT(dict.value(QStringLiteral("VersionCheck")).toLongLong(), 0);

    const QVariantMap links = BundleSettings::links();
    for (const char* key : {"IniURL", "UpdateURL", "AboutURL", "UserGuide", "SupportTeam", "OnlineHelp", "HomePage"}) {
        const QString url = links.value(QLatin1String(key)).toString();
        EXPECT_TRUE(url.startsWith(QStringLiteral("https://www.nullvane.example/"))) << key << ": " << url;
    }

    // Nothing was written, so no user copy exists yet and the getters answer
    // from the shipped file.
    EXPECT_FALSE(QFileInfo::exists(BundleSettings::userFilePath()));
    EXPECT_EQ(CommUti::getLightFontName(), dict.value(QStringLiteral("FontLight")).toString());
    EXPECT_EQ(PublicUtilities::getUpDataHistoryStr(QStringLiteral("WipeFileHistory")), QStringLiteral("0"));
}

TEST_F(SettingsTest, AWriteKeepsEveryOtherKeyAndLandsInTheUserCopyOnly)
{
    const QByteArray shippedBefore = fileBytes(BundleSettings::shippedFilePath());

    CommUti::writLightFont(QStringLiteral("Light Face"));
    CommUti::writRegularFont(QStringLiteral("Regular Face"));
    CommUti::writBoldFont(QStringLiteral("Bold Face"));
    PublicUtilities::writeUpDataHistoryStr(QStringLiteral("WipeFileHistory"), QStringLiteral("1"));

    EXPECT_EQ(CommUti::getLightFontName(), QStringLiteral("Light Face"));
    EXPECT_EQ(CommUti::getRegularFontName(), QStringLiteral("Regular Face"));
    EXPECT_EQ(CommUti::getBoldFontName(), QStringLiteral("Bold Face"));
    EXPECT_EQ(PublicUtilities::getUpDataHistoryStr(QStringLiteral("WipeFileHistory")), QStringLiteral("1"));
    // A key never written still comes from the shipped file.
    EXPECT_EQ(PublicUtilities::getUpDataHistoryStr(QStringLiteral("WipeVolumeHistory")), QStringLiteral("0"));

    const QVariantMap user = userCopy();
    EXPECT_EQ(user.keys(), (QStringList{QStringLiteral("FontBold"), QStringLiteral("FontLight"),
                                        QStringLiteral("FontRegular"), QStringLiteral("WipeFileHistory")}));
    EXPECT_EQ(fileBytes(BundleSettings::shippedFilePath()), shippedBefore);

    // Rewriting one key again leaves the others, and no temporary file stays
    // behind in the folder.
    CommUti::writBoldFont(QStringLiteral("Bold Face 2"));
    EXPECT_EQ(CommUti::getLightFontName(), QStringLiteral("Light Face"));
    EXPECT_EQ(CommUti::getBoldFontName(), QStringLiteral("Bold Face 2"));
    const QStringList files = QDir(QFileInfo(BundleSettings::userFilePath()).path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(files, QStringList{QStringLiteral("NullvaneBase.plist")});
}

TEST_F(SettingsTest, EveryReadSeesTheFileAsItIsNow)
{
    PublicUtilities::writeUpDataHistoryStr(QStringLiteral("WipeVolumeHistory"), QStringLiteral("1"));
    ASSERT_EQ(PublicUtilities::getUpDataHistoryStr(QStringLiteral("WipeVolumeHistory")), QStringLiteral("1"));

    // Another writer (or the user) changes the file behind our back.
    QVariantMap user = userCopy();
    user.insert(QStringLiteral("WipeVolumeHistory"), QStringLiteral("0"));
    user.insert(QStringLiteral("USERNAME"), QStringLiteral("someone"));
    ASSERT_TRUE(platform::plist::writeFile(BundleSettings::userFilePath(), user));

    EXPECT_EQ(PublicUtilities::getUpDataHistoryStr(QStringLiteral("WipeVolumeHistory")), QStringLiteral("0"));
    EXPECT_EQ(PublicUtilities::getUpDataHistoryStr(QStringLiteral("USERNAME")), QStringLiteral("someone"));
}

TEST_F(SettingsTest, KeysNeverWrittenFollowTheShippedFileOfTheRunningVersion)
{
    const QString folder = nvtest::freshFolder(QStringLiteral("release"));
    const QString oldRelease = folder + QStringLiteral("/old.plist");
    const QString newRelease = folder + QStringLiteral("/new.plist");
    ASSERT_TRUE(platform::plist::writeFile(oldRelease, QVariantMap{
        {QStringLiteral("VersionCheck"), 100},
        {QStringLiteral("FontBold"), QStringLiteral("Old Bold")},
        {QStringLiteral("Link"), QVariantMap{{QStringLiteral("IniURL"), QStringLiteral("https://old.example/ini")}}},
    }));
    ASSERT_TRUE(platform::plist::writeFile(newRelease, QVariantMap{
        {QStringLiteral("VersionCheck"), 250},
        {QStringLiteral("FontBold"), QStringLiteral("New Bold")},
        {QStringLiteral("Link"), QVariantMap{{QStringLiteral("IniURL"), QStringLiteral("https://new.example/ini")}}},
    }));

    BundleSettings::setShippedFilePath(oldRelease);
    CommUti::writLightFont(QStringLiteral("User Light"));
    EXPECT_EQ(BundleSettings::value(QStringLiteral("VersionCheck")).toLongLong(), 100);

    // The program is upgraded; the user copy stays.
    BundleSettings::setShippedFilePath(newRelease);
    EXPECT_EQ(BundleSettings::value(QStringLiteral("VersionCheck")).toLongLong(), 250);
    EXPECT_EQ(BundleSettings::links().value(QStringLiteral("IniURL")).toString(), QStringLiteral("https://new.example/ini"));
    EXPECT_EQ(CommUti::getBoldFontName(), QStringLiteral("New Bold"));
    EXPECT_EQ(CommUti::getLightFontName(), QStringLiteral("User Light"));

    // Removing a key from the user copy brings the shipped value back.
    CommUti::writBoldFont(QStringLiteral("User Bold"));
    EXPECT_EQ(CommUti::getBoldFontName(), QStringLiteral("User Bold"));
    EXPECT_TRUE(BundleSettings::setValue(QStringLiteral("FontBold"), QVariant()));
    EXPECT_EQ(CommUti::getBoldFontName(), QStringLiteral("New Bold"));
    EXPECT_EQ(CommUti::getLightFontName(), QStringLiteral("User Light"));
}

TEST_F(SettingsTest, MissingSettingsFilesGiveNothingAndTheFirstWriteCreatesTheUserCopy)
{
    BundleSettings::setShippedFilePath(nvtest::freshFolder(QStringLiteral("none")) + QStringLiteral("/NullvaneBase.plist"));

    EXPECT_TRUE(CommUti::getLightFontName().isNull());
    EXPECT_TRUE(CommUti::getRegularFontName().isNull());
    EXPECT_TRUE(CommUti::getBoldFontName().isNull());
    EXPECT_TRUE(PublicUtilities::getUpDataHistoryStr(QStringLiteral("WipeFileHistory")).isNull());
    EXPECT_TRUE(BundleSettings::links().isEmpty());
    EXPECT_FALSE(BundleSettings::value(QStringLiteral("VersionCheck")).isValid());

    CommUti::writRegularFont(QStringLiteral("Only Regular"));
    EXPECT_EQ(CommUti::getRegularFontName(), QStringLiteral("Only Regular"));
    EXPECT_TRUE(CommUti::getLightFontName().isNull());
    EXPECT_EQ(userCopy().size(), 1);
}

TEST_F(SettingsTest, AnUnreadableUserCopyIsNeverOverwritten)
{
    const QByteArray garbage("this is not a property list\n");
    ASSERT_TRUE(nvtest::writeFile(BundleSettings::userFilePath(), garbage));

    EXPECT_FALSE(BundleSettings::setValue(QStringLiteral("FontLight"), QStringLiteral("X")));
    CommUti::writBoldFont(QStringLiteral("Y"));
    EXPECT_EQ(fileBytes(BundleSettings::userFilePath()), garbage);

    // Reads still answer from the shipped file.
    const QVariantMap shipped = platform::plist::readDictionary(BundleSettings::shippedFilePath());
    EXPECT_EQ(CommUti::getBoldFontName(), shipped.value(QStringLiteral("FontBold")).toString());

    // A property list that is not a dictionary counts as unreadable too.
    ASSERT_TRUE(platform::plist::writeFile(BundleSettings::userFilePath(), QVariantList{1, 2}));
    const QByteArray listBytes = fileBytes(BundleSettings::userFilePath());
    EXPECT_FALSE(BundleSettings::setValue(QStringLiteral("FontLight"), QStringLiteral("X")));
    EXPECT_EQ(fileBytes(BundleSettings::userFilePath()), listBytes);
}

TEST_F(SettingsTest, TextsWithQuotesChineseAndEmojiRoundTrip)
{
    const QString name = QStringLiteral("张三 \"O'Brien\" <&> 🚀");
    PublicUtilities::writeUpDataHistoryStr(QStringLiteral("USERNAME"), name);
    PublicUtilities::writeUpDataHistoryStr(QStringLiteral("键 'quoted'"), QStringLiteral("值 😀"));
    EXPECT_EQ(PublicUtilities::getUpDataHistoryStr(QStringLiteral("USERNAME")), name);
    EXPECT_EQ(PublicUtilities::getUpDataHistoryStr(QStringLiteral("键 'quoted'")), QStringLiteral("值 😀"));
}

TEST_F(SettingsTest, EraserTimesNamesTheChosenStandard)
{
    const char* const expected[] = {
        "HMG Infosec Standard 5 (擦除1次)", "NIST 800-88 (擦除1次)",
        "Corvel Secure Erase (擦除1次)", "Peter Gutmann's algorithm 2 (擦除2次)",
        "DoD 5220.22-M (擦除3次)", "U.S. Army AR380-19 (擦除3次)",
        "DoD 5220.22-M ECE (擦除7次)", "Peter Gutmann's algorithm 35 (擦除35次)",
    };
    // Nothing stored reads as 0.
    EXPECT_EQ(PublicUtilities::getEraserTimes(), QString::fromUtf8(expected[0]));
    for (int tag = 0; tag < 8; ++tag) {
        platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), tag);
        platform::defaults::setInteger(QStringLiteral("EraserTimes"), erasureStandardPasses(tag));
        EXPECT_EQ(PublicUtilities::getEraserTimes(), QString::fromUtf8(expected[tag])) << tag;
    }
    // A standard stored beside a count it does not have (as the pass-count
    // panel used to leave it) is not named: the count is what runs.
    platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), 4);
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 1);
    EXPECT_EQ(PublicUtilities::getEraserTimes(), QString::fromUtf8(expected[0]));
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 7);
    EXPECT_EQ(PublicUtilities::getEraserTimes(), QString::fromUtf8(expected[6]));
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 5);
    EXPECT_EQ(PublicUtilities::getEraserTimes(), QStringLiteral("自定义 (擦除5次)"));
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 1);
    for (int tag : {8, -1, 100}) {
        platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), tag);
        EXPECT_EQ(PublicUtilities::getEraserTimes(), QStringLiteral("HMG Infosec Standard 5 擦除1次")) << tag;
    }
    // A pass count chosen on its own that no standard has is named by itself.
    platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), kPassCountOnlyTag);
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 5);
    EXPECT_EQ(PublicUtilities::getEraserTimes(), QStringLiteral("自定义 (擦除5次)"));
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 0);
    EXPECT_EQ(PublicUtilities::getEraserTimes(), QString::fromUtf8(expected[0]));
    platform::defaults::remove(QStringLiteral("EraserTimes"));
}

TEST(ErasureStandards, PassCountsAgreeWithTheLabels)
{
    ASSERT_EQ(erasureStandardCount(), 8);
    const int passes[] = {1, 1, 1, 2, 3, 3, 7, 35};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(erasureStandardPasses(i), passes[i]) << i;
        EXPECT_TRUE(erasureStandardLabel(i).endsWith(QStringLiteral(" (擦除%1次)").arg(passes[i]))) << erasureStandardLabel(i);
    }
    for (int i : {-1, 8, 1000}) {
        EXPECT_EQ(erasureStandardPasses(i), 1) << i;
        EXPECT_TRUE(erasureStandardLabel(i).isEmpty()) << i;
    }
}

namespace {

QString userDefaultsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Corvel/Nullvane.conf");
}

// Every file the defaults may have put aside, so that each case begins with
// none.
void removeAsideFiles()
{
    const QFileInfo file(userDefaultsFile());
    for (const QString& name : QDir(file.path()).entryList({file.fileName() + QStringLiteral("*.damaged")}, QDir::Files))
        QFile::remove(file.path() + QLatin1Char('/') + name);
}

// The user's defaults file, with nothing put aside before the test and
// nothing of it left after.
class UserDefaults : public ::testing::Test {
protected:
    void SetUp() override { removeAsideFiles(); }
    void TearDown() override
    {
        removeAsideFiles();
        QFile::remove(file);
    }
    const QString file = userDefaultsFile();
    const QString aside = file + QStringLiteral(".damaged");
};

} // namespace

TEST_F(UserDefaults, ADamagedFileIsKeptAsideBeforeDefaultsAreWritten)
{
    // A file that reads cleanly keeps every key it holds.
    ASSERT_TRUE(nvtest::writeFile(file, "[General]\nEraserTimes=3\nMyOwnKey=kept\n"));
    platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), 2);
    EXPECT_FALSE(QFileInfo::exists(aside));
    EXPECT_EQ(platform::defaults::value(QStringLiteral("MyOwnKey")).toString(), QStringLiteral("kept"));

    // One that does not is set aside whole, logged, and a fresh one begins.
    const QByteArray damaged = "[General]\nEraserTimes=3\nMyOwnKey=kept\n[broken\n\x01\x02 no equals sign here\n";
    for (const QString& expectedAside : {aside, file + QStringLiteral(".2.damaged")}) {
        ASSERT_TRUE(nvtest::writeFile(file, damaged));
        platform::LogCapture logs;
        platform::defaults::setInteger(QStringLiteral("EraserTimes"), 1);
        EXPECT_TRUE(logs.contains(expectedAside)) << expectedAside;
        QFile kept(expectedAside);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly)) << expectedAside;
        EXPECT_EQ(kept.readAll(), damaged);
        EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimes")), 1);
    }
}

// Lines the reader passes over without reporting an error: each would be
// dropped, and the user's keys sorted anew, by the next write. The file is
// kept aside as it was, its keys in their own order.
TEST_F(UserDefaults, AFileWithALineTheReaderPassesOverIsKeptAsideAsItWas)
{
    const std::pair<const char*, QByteArray> cases[] = {
        {"a line without a value", "[General]\nZeta=1\nEraserTimes=3\nno equals sign here\nAlpha=2\n"},
        {"control bytes", "[General]\nZeta=1\nEraserTimes=3\n\x01\x02\nAlpha=2\n"},
        {"bytes that are not UTF-8", "[General]\nZeta=1\nEraserTimes=3\nName=\xff\xfe\nAlpha=2\n"},
        {"a key without a name", "[General]\nZeta=1\nEraserTimes=3\n=orphan\nAlpha=2\n"},
        {"a value it cannot decode", "[General]\nZeta=1\nEraserTimes=3\nBlob=@Variant(\\0\\0\\0garbage)\nAlpha=2\n"},
        {"a quote left open", "[General]\nZeta=1\nEraserTimes=\"3\nAlpha=2\n"},
        {"a line that runs on", "[General]\nZeta=1\nEraserTimes=3\\\nAlpha=2\n"},
        {"a key given twice", "[General]\nZeta=1\nEraserTimes=3\nZeta=4\nAlpha=2\n"},
        {"a key given twice in two spellings", "[General]\nDiskName=a\nEraserTimes=3\n%44iskName=b\nAlpha=2\n"},
        {"a key spelt with a long escape", "[General]\nDiskName=a\nEraserTimes=3\n%U0044iskName=b\nAlpha=2\n"},
        {"a key at the top and under [General]", "Zeta=1\nEraserTimes=3\n[General]\nZeta=4\nAlpha=2\n"},
        {"a key under its group and as a path", "[Disk]\nName=a\n[General]\nEraserTimes=3\nDisk\\Name=b\nAlpha=2\n"},
        {"a NUL byte", QByteArray("[General]\nZeta=1\nEraserTimes=3\0\nAlpha=2\n", 40)},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        removeAsideFiles();
        ASSERT_TRUE(nvtest::writeFile(file, bytes));
        platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), 4);
        QFile kept(aside);
        EXPECT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), bytes);
        EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimesTag")), 4);
    }
}

// What the program writes itself, however odd the values, and what a person
// may add by hand (comments, Windows line ends, a byte-order mark), reads
// whole: it is never taken for damaged and put aside.
TEST_F(UserDefaults, FilesTheProgramOrAPersonWritesAreNeverTakenForDamaged)
{
    QFile::remove(file);
    const QVariantMap values{
        {QStringLiteral("Quotes"), QStringLiteral("say \"hi\" and 'bye'")},
        {QStringLiteral("Backslashes"), QStringLiteral("C:\\path\\")},
        {QStringLiteral("Separators"), QStringLiteral("a;b,c=d # e")},
        {QStringLiteral("Lines"), QStringLiteral("one\ntwo\r\n")},
        {QStringLiteral("Spaces"), QStringLiteral("  padded  ")},
        {QStringLiteral("Chinese"), QStringLiteral("擦除 😀")},
        {QStringLiteral("List"), QStringList{QStringLiteral("x, y"), QStringLiteral("\"z\"")}},
        {QStringLiteral("Bytes"), QByteArray("\0\x01\xff\\\"", 5)},
        {QStringLiteral("Nothing"), QVariant()},
        {QStringLiteral("Empty"), QString()},
        {QStringLiteral("key with = and ; and \""), 7},
        {QStringLiteral("Group/Inner"), true},
    };
    for (auto it = values.begin(); it != values.end(); ++it)
        platform::defaults::setValue(it.key(), it.value());
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 2);
    EXPECT_TRUE(QDir(QFileInfo(file).path()).entryList({QStringLiteral("*.damaged")}).isEmpty());
    for (auto it = values.begin(); it != values.end(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        const QVariant read = platform::defaults::value(it.key());
        EXPECT_EQ(read.toString(), it.value().toString());
        EXPECT_EQ(read.toStringList(), it.value().toStringList());
        EXPECT_EQ(read.toByteArray(), it.value().toByteArray());
    }

    // Keys that differ only in case, or whose escapes decode to other keys,
    // are keys of their own.
    const QByteArray byHand = "\xEF\xBB\xBF; my notes\r\n# more notes\r\n[General]\r\nEraserTimes=3\r\n\r\n  Spaced = 5  \r\n"
                              "Diskname=6\r\nDiskName=7\r\n%25=8\r\n%2525=9\r\n";
    ASSERT_TRUE(nvtest::writeFile(file, byHand));
    platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), 1);
    EXPECT_TRUE(QDir(QFileInfo(file).path()).entryList({QStringLiteral("*.damaged")}).isEmpty());
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimes")), 3);
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("Spaced")), 5);
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("Diskname")), 6);
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("DiskName")), 7);
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("%")), 8);
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("%25")), 9);
}
