// The shell's logic that runs without its windows: editing keys, the update
// manifest and named links (the tab rules are tested through the main window).
#include "TestSupport.h"

#include "core/BundleSettings.h"
#include "core/EULinkUrl.h"
#include "platform/PropertyList.h"
#include "shell/MyNSApplication.h"
#include "shell/UpdateManifest.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

// ---------------------------------------------------------------- editing keys

namespace {

// A focusable widget that answers some editing actions and records what
// reached it.
class EditingTarget : public QWidget {
    Q_OBJECT
public:
    EditingTarget() { setFocusPolicy(Qt::StrongFocus); }
    QStringList actions;
    QList<int> keys;

public slots:
    void cut() { actions << QStringLiteral("cut"); }
    void copy() { actions << QStringLiteral("copy"); }
    void paste() { actions << QStringLiteral("paste"); }
    void undo() { actions << QStringLiteral("undo"); }
    void selectAll() { actions << QStringLiteral("selectAll"); }

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        // QTest presses the modifier keys themselves too; only letters matter.
        if (e->key() < Qt::Key_Shift || e->key() > Qt::Key_ScrollLock)
            keys << e->key();
    }
};

// Answers no editing action at all.
class PlainTarget : public QWidget {
public:
    PlainTarget() { setFocusPolicy(Qt::StrongFocus); }
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        // QTest presses the modifier keys themselves too; only letters matter.
        if (e->key() < Qt::Key_Shift || e->key() > Qt::Key_ScrollLock)
            keys << e->key();
    }
};

class KeyEquivalents : public ::testing::Test {
protected:
    void SetUp() override { qApp->installEventFilter(&filter); }
    void TearDown() override { qApp->removeEventFilter(&filter); }

    void focus(QWidget* w)
    {
        window.show();
        window.activateWindow();
        w->setFocus();
        ASSERT_TRUE(nvtest::pumpUntil([&] { return QApplication::focusWidget() == w; }, 3000));
    }

    KeyEquivalentFilter filter;
    QWidget window;
};

} // namespace

TEST(KeyEquivalentTable, CtrlAloneOrWithShiftAndTheFiveLetters)
{
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    EXPECT_STREQ(editingActionFor(Qt::Key_X, ctrl), "cut");
    EXPECT_STREQ(editingActionFor(Qt::Key_C, ctrl), "copy");
    EXPECT_STREQ(editingActionFor(Qt::Key_V, ctrl), "paste");
    EXPECT_STREQ(editingActionFor(Qt::Key_Z, ctrl), "undo");
    EXPECT_STREQ(editingActionFor(Qt::Key_A, ctrl), "selectAll");
    EXPECT_STREQ(editingActionFor(Qt::Key_Z, ctrlShift), "undo");
    EXPECT_STREQ(editingActionFor(Qt::Key_V, ctrlShift), "paste");
    EXPECT_STREQ(editingActionFor(Qt::Key_C, ctrl | Qt::KeypadModifier), "copy");

    EXPECT_EQ(editingActionFor(Qt::Key_C, Qt::NoModifier), nullptr);
    EXPECT_EQ(editingActionFor(Qt::Key_C, Qt::ShiftModifier), nullptr);
    EXPECT_EQ(editingActionFor(Qt::Key_C, Qt::AltModifier), nullptr);
    EXPECT_EQ(editingActionFor(Qt::Key_C, Qt::MetaModifier), nullptr);
    EXPECT_EQ(editingActionFor(Qt::Key_C, ctrl | Qt::AltModifier), nullptr);
    EXPECT_EQ(editingActionFor(Qt::Key_C, ctrlShift | Qt::MetaModifier), nullptr);
    EXPECT_EQ(editingActionFor(Qt::Key_Y, ctrl), nullptr);
    EXPECT_EQ(editingActionFor(Qt::Key_Q, ctrl), nullptr);
}

TEST_F(KeyEquivalents, EditingKeysReachTheFocusedWidgetAsActions)
{
    auto* target = new EditingTarget;
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(target);
    focus(target);

    QTest::keyClick(target, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(target, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(target->actions, (QStringList{QStringLiteral("cut"), QStringLiteral("copy"), QStringLiteral("paste"),
                                            QStringLiteral("undo"), QStringLiteral("selectAll")}));
    EXPECT_TRUE(target->keys.isEmpty()) << "a handled editing key must be consumed";

    // Other modifiers and other letters go on as ordinary keys.
    QTest::keyClick(target, Qt::Key_C, Qt::AltModifier);
    QTest::keyClick(target, Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(target, Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(target->actions.size(), 5);
    EXPECT_EQ(target->keys, (QList<int>{Qt::Key_C, Qt::Key_Y, Qt::Key_C}));
}

TEST_F(KeyEquivalents, AWidgetWithoutTheActionGetsTheKeyUnchanged)
{
    auto* target = new PlainTarget;
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(target);
    focus(target);
    QTest::keyClick(target, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(target->keys, (QList<int>{Qt::Key_C, Qt::Key_A}));
}

TEST_F(KeyEquivalents, ATextFieldCopiesAndCtrlShiftZUndoes)
{
    auto* edit = new QLineEdit;
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(edit);
    focus(edit);

    QTest::keyClicks(edit, QStringLiteral("secret"));
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(edit->selectedText(), QStringLiteral("secret"));
    QApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("secret"));

    // A text field would take Ctrl+Shift+Z as redo; here it is undo.
    QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), QString());
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(edit->text(), QStringLiteral("secret"));
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), QStringLiteral("secretsecret"));
}

// ---------------------------------------------------------------- named links

namespace {

class WithSettings : public ::testing::Test {
protected:
    void TearDown() override
    {
        BundleSettings::setShippedFilePath(QString());
        QFile::remove(BundleSettings::userFilePath());
    }

    // A shipped settings file holding `links` (no "Link" at all when invalid).
    static void ship(const QVariant& links, const QVariantMap& extra = {})
    {
        QVariantMap settings = extra;
        if (links.isValid())
            settings.insert(QStringLiteral("Link"), links);
        const QString path = nvtest::freshFolder(QStringLiteral("shipped")) + QStringLiteral("/NullvaneBase.plist");
        ASSERT_TRUE(platform::plist::writeFile(path, settings));
        BundleSettings::setShippedFilePath(path);
        QFile::remove(BundleSettings::userFilePath());
    }
};

} // namespace

using NamedLinks = WithSettings;

TEST_F(NamedLinks, LookupAnswersTextOnlyAndRereadsEveryCall)
{
    ship(QVariantMap{{QStringLiteral("UpdateURL"), QStringLiteral("https://a.example/download.html")},
                     {QStringLiteral("AboutURL"), QString()},
                     {QStringLiteral("UserGuide"), 7},
                     {QStringLiteral("HomePage"), QStringLiteral("https://a.example/en/")}});
    EXPECT_EQ(EULinkUrl::GetUrl(QStringLiteral("UpdateURL")), QStringLiteral("https://a.example/download.html"));
    EXPECT_TRUE(EULinkUrl::GetUrl(QStringLiteral("AboutURL")).isNull()) << "an empty link opens nothing";
    EXPECT_TRUE(EULinkUrl::GetUrl(QStringLiteral("UserGuide")).isNull()) << "a number is no address";
    EXPECT_TRUE(EULinkUrl::GetUrl(QStringLiteral("OnlineHelp")).isNull());
    EXPECT_EQ(EULinkUrl::sitePage(QStringLiteral("/support/faq.html")), QStringLiteral("https://a.example/support/faq.html"));

    // A change to the settings shows at the next call.
    ASSERT_TRUE(BundleSettings::setValue(QStringLiteral("Link"),
                                         QVariantMap{{QStringLiteral("UpdateURL"), QStringLiteral("https://b.example/")}}));
    EXPECT_EQ(EULinkUrl::GetUrl(QStringLiteral("UpdateURL")), QStringLiteral("https://b.example/"));
    EXPECT_TRUE(EULinkUrl::sitePage(QStringLiteral("/support/faq.html")).isNull());

    ship(QVariant());
    EXPECT_TRUE(EULinkUrl::GetUrl(QStringLiteral("UpdateURL")).isNull());
    ship(QStringList{QStringLiteral("not a dictionary")});
    EXPECT_TRUE(EULinkUrl::GetUrl(QStringLiteral("UpdateURL")).isNull());
}

TEST_F(NamedLinks, TheShippedSettingsNameEveryLinkTheProgramOpens)
{
    for (const char* key : {"IniURL", "UpdateURL", "AboutURL", "UserGuide", "SupportTeam", "OnlineHelp", "HomePage"}) {
        const QUrl url(EULinkUrl::GetUrl(QString::fromLatin1(key)));
        EXPECT_TRUE(url.isValid() && url.scheme() == QLatin1String("https")) << key;
    }
    EXPECT_TRUE(EULinkUrl::sitePage(QStringLiteral("/support/faq.html")).endsWith(QStringLiteral("/support/faq.html")));
}

// ---------------------------------------------------------------- update manifest

namespace {

QVariantMap manifest(const QVariant& versionCheck, const QVariant& version, const QVariantMap& lines = {})
{
    QVariantMap m = lines;
    if (versionCheck.isValid())
        m.insert(QStringLiteral("VersionCheck"), versionCheck);
    if (version.isValid())
        m.insert(QStringLiteral("Version"), version);
    return m;
}

} // namespace

TEST(UpdateManifest, OnlyAGreaterBuildNumberIsAnUpdate)
{
    const QVariantMap lines{{QStringLiteral("1"), QStringLiteral("Faster")}, {QStringLiteral("2"), QStringLiteral("Safer")}};
    EXPECT_FALSE(compareManifest(manifest(qint64(100), QStringLiteral("2.0"), lines), 100).haveUpdate);
    EXPECT_FALSE(compareManifest(manifest(qint64(99), QStringLiteral("1.9"), lines), 100).haveUpdate);

    const VersionDiff newer = compareManifest(manifest(qint64(101), QStringLiteral("2.1"), lines), 100);
    EXPECT_TRUE(newer.haveUpdate);
    EXPECT_EQ(newer.version, QStringLiteral("2.1"));
    EXPECT_EQ(newer.lines, (QStringList{QStringLiteral("Faster"), QStringLiteral("Safer")}));

    // A build number written as text still counts; anything else is malformed.
    EXPECT_TRUE(compareManifest(manifest(QStringLiteral(" 101 "), QStringLiteral("2.1")), 100).haveUpdate);
    EXPECT_FALSE(compareManifest(manifest(QStringLiteral("101a"), QStringLiteral("2.1")), 100).haveUpdate);
    EXPECT_FALSE(compareManifest(manifest(true, QStringLiteral("2.1")), 0).haveUpdate);
    EXPECT_FALSE(compareManifest(manifest(2.5, QStringLiteral("2.1")), 0).haveUpdate);
    EXPECT_EQ(manifestVersionCheck(manifest(QStringLiteral("x"), QVariant())), -1);
}

TEST(UpdateManifest, MissingKeysAndOtherShapesMeanNoUpdate)
{
    // No build number counts as 0.
    EXPECT_EQ(manifestVersionCheck(manifest(QVariant(), QStringLiteral("2.1"))), 0);
    EXPECT_FALSE(compareManifest(manifest(QVariant(), QStringLiteral("2.1")), 0).haveUpdate);
    EXPECT_TRUE(compareManifest(manifest(qint64(1), QStringLiteral("2.1")), 0).haveUpdate);
    // A newer build without a version text to show is not offered.
    EXPECT_FALSE(compareManifest(manifest(qint64(101), QVariant()), 100).haveUpdate);
    EXPECT_FALSE(compareManifest(manifest(qint64(101), qint64(2)), 100).haveUpdate);
    EXPECT_FALSE(compareManifest(manifest(qint64(101), QStringLiteral("  ")), 100).haveUpdate);
    // Not a dictionary at all, or nothing fetched.
    EXPECT_FALSE(compareManifest(QVariantList{qint64(101)}, 100).haveUpdate);
    EXPECT_FALSE(compareManifest(QVariant(), -5).haveUpdate);
    EXPECT_FALSE(compareManifest(parseManifest("<html>not found</html>"), -5).haveUpdate);
    EXPECT_FALSE(parseManifest(QByteArray()).isValid());
}

TEST(UpdateManifest, ChangeLinesComeInNumericOrderWhileTheyExistAndHoldText)
{
    QVariantMap twelve;
    for (int i = 12; i >= 1; --i)
        twelve.insert(QString::number(i), QStringLiteral("line %1").arg(i));
    const VersionDiff all = compareManifest(manifest(qint64(2), QStringLiteral("3.0"), twelve), 1);
    ASSERT_EQ(all.lines.size(), 12);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(all.lines[i], QStringLiteral("line %1").arg(i + 1));

    QVariantMap gap = twelve;
    gap.remove(QStringLiteral("5"));
    EXPECT_EQ(compareManifest(manifest(qint64(2), QStringLiteral("3.0"), gap), 1).lines.size(), 4);

    QVariantMap notText = twelve;
    notText.insert(QStringLiteral("3"), qint64(3));
    EXPECT_EQ(compareManifest(manifest(qint64(2), QStringLiteral("3.0"), notText), 1).lines.size(), 2);
    notText.insert(QStringLiteral("3"), QVariantMap{{QStringLiteral("x"), QStringLiteral("y")}});
    EXPECT_EQ(compareManifest(manifest(qint64(2), QStringLiteral("3.0"), notText), 1).lines.size(), 2);

    // Extra keys are ignored; an empty line is still a line; markup stays text.
    QVariantMap odd{{QStringLiteral("1"), QString()},
                    {QStringLiteral("2"), QStringLiteral("<b>bold</b>")},
                    {QStringLiteral("01"), QStringLiteral("not a line")},
                    {QStringLiteral("Notes"), QStringLiteral("ignored")}};
    EXPECT_EQ(compareManifest(manifest(qint64(2), QStringLiteral("3.0"), odd), 1).lines,
              (QStringList{QString(), QStringLiteral("<b>bold</b>")}));

    QVariantMap many;
    for (int i = 1; i <= kMaxChangeLines + 50; ++i)
        many.insert(QString::number(i), QStringLiteral("x"));
    EXPECT_EQ(compareManifest(manifest(qint64(2), QStringLiteral("3.0"), many), 1).lines.size(), kMaxChangeLines);

    EXPECT_TRUE(compareManifest(manifest(qint64(2), QStringLiteral("3.0")), 1).lines.isEmpty());
}

namespace {

// A loopback web server with one fixed answer, so nothing reaches the internet.
class OneAnswerServer {
public:
    explicit OneAnswerServer(QByteArray body, QByteArray status = "200 OK")
    {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, [this, body, status] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s, body, status] {
                    requests_ += s->readAll();
                    if (!requests_.endsWith("\r\n\r\n"))
                        return;
                    s->write("HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(body.size())
                             + "\r\nConnection: close\r\n\r\n" + body);
                    s->disconnectFromHost();
                });
                QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
    }
    QByteArray requests() const { return requests_; }

private:
    QTcpServer server_;
    QByteArray requests_;
};

} // namespace

using ManifestDownload = WithSettings;

TEST_F(ManifestDownload, FetchedFromTheIniLinkAndComparedWithTheLocalBuild)
{
    const QByteArray published = platform::plist::toXml(
        manifest(qint64(120), QStringLiteral("1.2"), {{QStringLiteral("1"), QStringLiteral("新的擦除算法")}}));
    OneAnswerServer server(published);
    ship(QVariantMap{{QStringLiteral("IniURL"), server.url(QStringLiteral("/update/NullvaneUpdate.plist"))}},
         {{QStringLiteral("VersionCheck"), qint64(110)}});
    EXPECT_EQ(localVersionCheck(), 110);
    const QVariant got = fetchManifest(5000);
    EXPECT_TRUE(server.requests().startsWith("GET /update/NullvaneUpdate.plist "));
    const VersionDiff diff = compareManifest(got, localVersionCheck());
    EXPECT_TRUE(diff.haveUpdate);
    EXPECT_EQ(diff.lines, QStringList{QStringLiteral("新的擦除算法")});
}

TEST_F(ManifestDownload, FailedOrMissingDownloadsGiveNoManifest)
{
    OneAnswerServer missing(platform::plist::toXml(manifest(qint64(999), QStringLiteral("9"))), "404 Not Found");
    ship(QVariantMap{{QStringLiteral("IniURL"), missing.url(QStringLiteral("/gone.plist"))}});
    EXPECT_FALSE(fetchManifest(5000).isValid()) << "an error page is no manifest, whatever it holds";

    ship(QVariantMap{});
    EXPECT_FALSE(fetchManifest(5000).isValid());
    EXPECT_EQ(localVersionCheck(), 0);

    OneAnswerServer huge(QByteArray(300 * 1024, ' '));
    ship(QVariantMap{{QStringLiteral("IniURL"), huge.url(QStringLiteral("/big.plist"))}});
    EXPECT_FALSE(fetchManifest(5000).isValid());
}

#include "ShellLogicTests.moc"
