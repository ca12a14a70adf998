#include "TestSupport.h"

#include "core/BundleSettings.h"
#include "core/CommUti.h"
#include "core/Public.h"
#include "core/PublicUtilities.h"

#include "platform/PropertyList.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

// ---------------------------------------------------------------- size texts

TEST(SizeText, LongLongDiskSizeBoundaries)
{
    EXPECT_EQ(CommUti::longlongDiskSize(0), QStringLiteral("0 byte"));
    EXPECT_EQ(CommUti::longlongDiskSize(-5), QStringLiteral("-5 byte"));
    EXPECT_EQ(CommUti::longlongDiskSize(999), QStringLiteral("999 byte"));
    EXPECT_EQ(CommUti::longlongDiskSize(1'000), QStringLiteral("1.00 KB"));
    EXPECT_EQ(CommUti::longlongDiskSize(999'999), QStringLiteral("1000.00 KB"));
    EXPECT_EQ(CommUti::longlongDiskSize(1'000'000), QStringLiteral("1.00 MB"));
    EXPECT_EQ(CommUti::longlongDiskSize(999'999'999), QStringLiteral("1000.00 MB"));
    EXPECT_EQ(CommUti::longlongDiskSize(1'000'000'000), QStringLiteral("1.00 GB"));
    EXPECT_EQ(CommUti::longlongDiskSize(999'999'999'999), QStringLiteral("1000.00 GB"));
    EXPECT_EQ(CommUti::longlongDiskSize(1'000'000'000'000), QStringLiteral("1.00 TB"));
    EXPECT_EQ(CommUti::longlongDiskSize(123'456'789'012'345), QStringLiteral("123.46 TB"));
    // Printed in single precision: 9223372.036... TB shows as 9223372.00.
    EXPECT_EQ(CommUti::longlongDiskSize(std::numeric_limits<qint64>::max()), QStringLiteral("9223372.00 TB"));
}

TEST(SizeText, ConvertVolSpaceHasNoByteUnitAndNoTB)
{
    EXPECT_EQ(CommUti::convertVolSpace(0), QStringLiteral("0.00 KB"));
    EXPECT_EQ(CommUti::convertVolSpace(500), QStringLiteral("0.50 KB"));
    EXPECT_EQ(CommUti::convertVolSpace(999'999), QStringLiteral("1000.00 KB"));
    EXPECT_EQ(CommUti::convertVolSpace(1'000'000), QStringLiteral("1.00 MB"));
    EXPECT_EQ(CommUti::convertVolSpace(12'345'678), QStringLiteral("12.35 MB"));
    EXPECT_EQ(CommUti::convertVolSpace(999'999'999), QStringLiteral("1000.00 MB"));
    EXPECT_EQ(CommUti::convertVolSpace(1'000'000'000), QStringLiteral("1.00 GB"));
    EXPECT_EQ(CommUti::convertVolSpace(5'000'000'000'000), QStringLiteral("5000.00 GB"));
    // A negative count is read as unsigned: 2^64 - 1 bytes, single precision.
    EXPECT_EQ(CommUti::convertVolSpace(-1), QStringLiteral("18446743552.00 GB"));
}

TEST(SizeText, ConvertSize2StringStopsAtGB)
{
    EXPECT_EQ(convertSize2String(0), QStringLiteral("0 byte"));
    EXPECT_EQ(convertSize2String(999), QStringLiteral("999 byte"));
    EXPECT_EQ(convertSize2String(1'000), QStringLiteral("1.00 KB"));
    EXPECT_EQ(convertSize2String(999'999), QStringLiteral("1000.00 KB"));
    EXPECT_EQ(convertSize2String(1'000'000), QStringLiteral("1.00 MB"));
    EXPECT_EQ(convertSize2String(1'000'000'000), QStringLiteral("1.00 GB"));
    EXPECT_EQ(convertSize2String(999'999'999'999), QStringLiteral("1000.00 GB"));
    EXPECT_EQ(convertSize2String(5'000'000'000'000), QStringLiteral("5000.00 GB"));
    EXPECT_EQ(convertSize2String(std::numeric_limits<quint64>::max()), QStringLiteral("18446743552.00 GB"));
}

TEST(SizeText, ParsersReadTheFormattersOwnTexts)
{
    EXPECT_EQ(PublicUtilities::volSpaceFromString(QStringLiteral("12.34 MB")), 12'340'000u);
    EXPECT_EQ(CommUti::volSpaceFromString(QStringLiteral("12.34 MB")), 12'340'000u);
    EXPECT_EQ(PublicUtilities::volSpaceFromString(QStringLiteral("5 KB")), 5'000u);
    EXPECT_EQ(CommUti::volSpaceFromString(QStringLiteral("5 KB")), 5'000u);
    EXPECT_EQ(PublicUtilities::volSpaceFromString(QStringLiteral("2.00 GB")), 2'000'000'000u);
    EXPECT_EQ(CommUti::volSpaceFromString(QStringLiteral("2.00 GB")), 2'000'000'000u);
    // The TB factor is 10^12 as a single-precision value.
    EXPECT_EQ(PublicUtilities::volSpaceFromString(QStringLiteral("1.00 TB")), 999'999'995'904u);
    EXPECT_EQ(CommUti::volSpaceFromString(QStringLiteral("1.00 TB")), 999'999'995'904u);
    // Single against double precision in the multiplication.
    EXPECT_EQ(PublicUtilities::volSpaceFromString(QStringLiteral("1.5 TB")), 1'500'000'026'624u);
    EXPECT_EQ(CommUti::volSpaceFromString(QStringLiteral("1.5 TB")), 1'499'999'993'856u);

    const qint64 counts[] = {1, 500, 999'999, 1'000'000, 12'345'678, 987'654'321, 1'000'000'000,
                             123'456'789'012, 5'000'000'000'000};
    for (qint64 n : counts) {
        const double tolerance = 0.005 * static_cast<double>(n) + 10.0;
        const QString vol = CommUti::convertVolSpace(n);
        EXPECT_NEAR(static_cast<double>(CommUti::volSpaceFromString(vol)), static_cast<double>(n), tolerance) << vol;
        EXPECT_NEAR(static_cast<double>(PublicUtilities::volSpaceFromString(vol)), static_cast<double>(n), tolerance) << vol;
        if (n >= 1000) {
            const QString disk = CommUti::longlongDiskSize(n);
            EXPECT_NEAR(static_cast<double>(CommUti::volSpaceFromString(disk)), static_cast<double>(n), tolerance) << disk;
            EXPECT_NEAR(static_cast<double>(PublicUtilities::volSpaceFromString(disk)), static_cast<double>(n), tolerance) << disk;
        }
    }
}

TEST(SizeText, ParsersRejectWhatTheyCannotRead)
{
    for (const QString& text : {QString(), QString(QStringLiteral("")), QStringLiteral("3.00 PB"), QStringLiteral("999 byte"),
                                QStringLiteral("0.00 KB"), QStringLiteral("KB"), QStringLiteral("B"), QStringLiteral("abc MB"),
                                QStringLiteral("-5.00 MB"), QStringLiteral("-2 KB")}) {
        EXPECT_EQ(PublicUtilities::volSpaceFromString(text), 0u) << text;
        EXPECT_EQ(CommUti::volSpaceFromString(text), 0u) << text;
    }
    // Whatever follows the number is ignored; the decimal point is always '.'.
    EXPECT_EQ(CommUti::volSpaceFromString(QStringLiteral(" 7.5xyz MB")), 7'500'000u);
    EXPECT_EQ(PublicUtilities::volSpaceFromString(QStringLiteral("7,5 MB")), 7'000'000u);
    // Far past the range of the count: the largest count, not garbage.
    EXPECT_EQ(CommUti::volSpaceFromString(QStringLiteral("1e30 TB")), std::numeric_limits<quint64>::max());
}

// ---------------------------------------------------------- version, colour

TEST(SystemVersion, AnswersFifteenZero)
{
    EXPECT_EQ(PublicUtilities::getSystemVersion(), 1500);
    unsigned major = 99, minor = 99, bugFix = 99;
    PublicUtilities::getSystemVersionMajor(&major, &minor, &bugFix);
    EXPECT_EQ(major, 15u);
    EXPECT_EQ(minor, 0u);
    EXPECT_EQ(bugFix, 0u);
    unsigned onlyMinor = 99;
    PublicUtilities::getSystemVersionMajor(nullptr, &onlyMinor, nullptr);
    EXPECT_EQ(onlyMinor, 0u);

    EXPECT_EQ(PublicUtilities::systemVersionNumber(10, 9), 1009);
    EXPECT_EQ(PublicUtilities::systemVersionNumber(10, 14), 1014);
    EXPECT_EQ(PublicUtilities::systemVersionNumber(11, 0), 1100);
    EXPECT_EQ(PublicUtilities::systemVersionNumber(11, 2), 1102);
}

TEST(Colour, ComponentsAreScaledButAlphaIsNot)
{
    const RGBAColor c = getColor(255, 51, 0, 0.34f);
    EXPECT_FLOAT_EQ(c.red, 1.0f);
    EXPECT_FLOAT_EQ(c.green, 0.2f);
    EXPECT_FLOAT_EQ(c.blue, 0.0f);
    EXPECT_FLOAT_EQ(c.alpha, 0.34f);
    EXPECT_FLOAT_EQ(getColor(10, 132, 255, 1.0f).green, 132.0f / 255.0f);
}

// ------------------------------------------------------------- folder size

namespace {
QString makeFile(const QString& path, qint64 bytes)
{
    EXPECT_TRUE(nvtest::writeFile(path, QByteArray(static_cast<qsizetype>(bytes), 'x'))) << path;
    return path;
}
} // namespace

TEST(FolderSize, FilesAndEmptyFolders)
{
    const QString dir = nvtest::freshFolder(QStringLiteral("size"));
    EXPECT_EQ(CommUti::sizeOfFileRef(dir), 0);
    EXPECT_EQ(CommUti::sizeOfFileRef(makeFile(dir + QStringLiteral("/plain.bin"), 12'345)), 12'345);
    EXPECT_EQ(CommUti::sizeOfFileRef(dir + QStringLiteral("/missing")), 0);
    EXPECT_EQ(CommUti::sizeOfFileRef(QString()), 0);

    // The logical size counts, not what is allocated on disk.
    const QString sparse = dir + QStringLiteral("/sparse.img");
    QFile f(sparse);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(10'000'000));
    f.close();
    EXPECT_EQ(CommUti::sizeOfFileRef(sparse), 10'000'000);
}

TEST(FolderSize, TreeSumsFilesAndNeverFollowsLinks)
{
    const QString outside = nvtest::freshFolder(QStringLiteral("outside"));
    makeFile(outside + QStringLiteral("/big.bin"), 1'000'000);

    const QString tree = nvtest::freshFolder(QStringLiteral("tree"));
    makeFile(tree + QStringLiteral("/a.txt"), 100);
    makeFile(tree + QStringLiteral("/sub/b.txt"), 2'000);
    makeFile(tree + QStringLiteral("/sub/deeper/c 文件 🚀.txt"), 30'000);
    QDir().mkpath(tree + QStringLiteral("/sub/empty"));
    const QByteArray target = QFile::encodeName(outside + QStringLiteral("/big.bin"));
    ASSERT_EQ(symlink(target.constData(), QFile::encodeName(tree + QStringLiteral("/link-to-file")).constData()), 0);
    const QByteArray folderTarget = QFile::encodeName(outside);
    ASSERT_EQ(symlink(folderTarget.constData(), QFile::encodeName(tree + QStringLiteral("/sub/link-to-folder")).constData()), 0);
    // A loop of links must not make the walk go round.
    ASSERT_EQ(symlink("..", QFile::encodeName(tree + QStringLiteral("/sub/up")).constData()), 0);
    ASSERT_EQ(mkfifo(QFile::encodeName(tree + QStringLiteral("/pipe")).constData(), 0600), 0);

    // Links count their own text, which is what lstat reports as their size.
    const qint64 links = target.size() + folderTarget.size() + 2;
    EXPECT_EQ(CommUti::sizeOfFileRef(tree), 100 + 2'000 + 30'000 + links);

    // A link given as the path itself is not followed either.
    const QString top = nvtest::freshFolder(QStringLiteral("top")) + QStringLiteral("/link");
    ASSERT_EQ(symlink(folderTarget.constData(), QFile::encodeName(top).constData()), 0);
    EXPECT_EQ(CommUti::sizeOfFileRef(top), folderTarget.size());
}

TEST(FolderSize, DeepTreesAndManyEntries)
{
    const QString tree = nvtest::freshFolder(QStringLiteral("deep"));
    QString path = tree;
    for (int level = 0; level < 200; ++level) {
        path += QStringLiteral("/d");
        makeFile(path + QStringLiteral("/f"), 3);
    }
    // More entries than fit into one directory read.
    for (int i = 0; i < 1500; ++i)
        makeFile(tree + QStringLiteral("/wide/file-with-a-rather-long-name-%1.dat").arg(i), 7);
    EXPECT_EQ(CommUti::sizeOfFileRef(tree), 200 * 3 + 1500 * 7);
}

TEST(FolderSize, UnreadableFoldersAreSkipped)
{
    if (nvtest::isRoot())
        GTEST_SKIP() << "root reads every folder, so none can be made unreadable";
    const QString tree = nvtest::freshFolder(QStringLiteral("locked"));
    makeFile(tree + QStringLiteral("/ok.bin"), 50);
    makeFile(tree + QStringLiteral("/locked/hidden.bin"), 5'000);
    ASSERT_TRUE(QFile::setPermissions(tree + QStringLiteral("/locked"), QFileDevice::Permissions()));
    EXPECT_EQ(CommUti::sizeOfFileRef(tree), 50);
    QFile::setPermissions(tree + QStringLiteral("/locked"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// ------------------------------------------------------------ search folders

TEST(SearchFolders, AllGoThroughTheLocationMapping)
{
    const QString root = qEnvironmentVariable("NULLVANE_ROOT");
    ASSERT_FALSE(root.isEmpty());
    const QString home = root + QDir::homePath();

    EXPECT_EQ(CommUti::applicationPaths(),
              (QStringList{home + QStringLiteral("/Applications"), root + QStringLiteral("/Applications"),
                           root + QStringLiteral("/Network/Applications"), root + QStringLiteral("/Developer/Applications")}));
    EXPECT_EQ(CommUti::widgetPaths(),
              (QStringList{home + QStringLiteral("/Library/Widgets"), root + QStringLiteral("/Library/Widgets")}));

    const QStringList subs{QStringLiteral("Address Book Plug-Ins"), QStringLiteral("Contextual Menu Items"),
                           QStringLiteral("Dictionaries"), QStringLiteral("iTunes"), QStringLiteral("Spotlight"),
                           QStringLiteral("Screen Savers"), QStringLiteral("QuickLook"), QStringLiteral("QuickTime"),
                           QStringLiteral("Internet Plug-Ins"), QStringLiteral("Safari")};
    QStringList expected;
    for (const QString& library : {home + QStringLiteral("/Library"), root + QStringLiteral("/Library")})
        for (const QString& sub : subs)
            expected << library + QLatin1Char('/') + sub;
    expected << home + QStringLiteral("/Library/Input Methods") << root + QStringLiteral("/Library/Input Methods");
    EXPECT_EQ(CommUti::pluginPaths(), expected);
}

// ------------------------------------------------------------ network probe

namespace {

// A one-shot web server on the loopback interface, run by the event loop of
// the thread that owns it.
class LocalServer : public QObject {
public:
    enum class Mode { Answer, Silent, CloseAtOnce };

    explicit LocalServer(Mode mode, QByteArray answer = {}) : mode_(mode), answer_(std::move(answer))
    {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                socket->setParent(this);
                if (mode_ == Mode::CloseAtOnce) {
                    socket->close();
                    continue;
                }
                QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                    request_ += socket->readAll();
                    if (mode_ == Mode::Answer && request_.contains("\r\n\r\n")) {
                        socket->write(answer_);
                        socket->disconnectFromHost();
                    }
                });
            }
        });
    }
    QString url(const QString& path = QStringLiteral("/")) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
    }
    QByteArray request() const { return request_; }

private:
    QTcpServer server_;
    Mode mode_;
    QByteArray answer_;
    QByteArray request_;
};

QByteArray httpAnswer(int status, const QByteArray& body)
{
    return "HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Length: " + QByteArray::number(body.size())
           + "\r\nConnection: close\r\n\r\n" + body;
}

class NetworkProbeTest : public ::testing::Test {
protected:
    void TearDown() override { QFile::remove(BundleSettings::userFilePath()); }
    static void setHomePage(const QString& url)
    {
        QVariantMap links;
        if (!url.isNull())
            links.insert(PublicUtilities::homePageLinkKey(), url);
        ASSERT_TRUE(BundleSettings::setValue(QStringLiteral("Link"), links));
    }
};

} // namespace

TEST_F(NetworkProbeTest, AnswersYesWhenTheHomePageSendsData)
{
    LocalServer server(LocalServer::Mode::Answer, httpAnswer(200, "<html>home</html>"));
    setHomePage(server.url(QStringLiteral("/index.html")));
    EXPECT_TRUE(PublicUtilities::isCanBeUseNetWork());
    EXPECT_TRUE(server.request().startsWith("GET /index.html HTTP/1.1\r\n")) << server.request().toStdString();
}

TEST_F(NetworkProbeTest, AnswersNoWithoutData)
{
    {
        LocalServer empty(LocalServer::Mode::Answer, httpAnswer(204, QByteArray()));
        setHomePage(empty.url());
        EXPECT_FALSE(PublicUtilities::isCanBeUseNetWork());
        EXPECT_FALSE(empty.request().isEmpty()) << "the probe never reached the server";
    }
    {
        LocalServer hangUp(LocalServer::Mode::CloseAtOnce);
        setHomePage(hangUp.url());
        EXPECT_FALSE(PublicUtilities::isCanBeUseNetWork());
    }
    {
        // Nothing listens on a port that was just closed.
        QString refused;
        {
            LocalServer gone(LocalServer::Mode::Answer);
            refused = gone.url();
        }
        setHomePage(refused);
        EXPECT_FALSE(PublicUtilities::isCanBeUseNetWork());
    }
}

TEST_F(NetworkProbeTest, NoAddressOrAnAddressThatIsNotAWebPageMeansNo)
{
    setHomePage(QString());
    EXPECT_FALSE(PublicUtilities::isCanBeUseNetWork());

    const QString local = nvtest::freshFolder(QStringLiteral("page")) + QStringLiteral("/index.html");
    ASSERT_TRUE(nvtest::writeFile(local, "<html>local file</html>"));
    setHomePage(QStringLiteral("file://") + local);
    EXPECT_FALSE(PublicUtilities::isCanBeUseNetWork());
}
