#include "TestSupport.h"

#include "platform/Network.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

namespace {

// A loopback web server that answers each request with fixed bytes, or never
// answers at all.
class Server : public QObject {
public:
    explicit Server(QByteArray answer, bool silent = false) : answer_(std::move(answer)), silent_(silent)
    {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                socket->setParent(this);
                QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                    request_ += socket->readAll();
                    if (!silent_ && request_.contains("\r\n\r\n")) {
                        socket->write(answer_);
                        socket->disconnectFromHost();
                    }
                });
            }
        });
    }
    QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
    }
    QByteArray request() const { return request_; }

private:
    QTcpServer server_;
    QByteArray answer_;
    bool silent_;
    QByteArray request_;
};

} // namespace

TEST(Network, GetReturnsStatusAndBody)
{
    Server server("HTTP/1.1 200 OK\r\nContent-Length: 11\r\nConnection: close\r\n\r\nhello world");
    const auto r = platform::net::get(server.url(QStringLiteral("/a/b.plist?x=1")), 5000);
    EXPECT_TRUE(r.finished);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.httpStatus, 200);
    EXPECT_EQ(r.body, QByteArray("hello world"));
    EXPECT_TRUE(r.error.isEmpty()) << r.error;
    EXPECT_TRUE(server.request().startsWith("GET /a/b.plist?x=1 HTTP/1.1\r\n")) << server.request().toStdString();
}

TEST(Network, ErrorStatusStillCarriesItsPage)
{
    Server server("HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\nConnection: close\r\n\r\ngone");
    const auto r = platform::net::get(server.url(QStringLiteral("/missing")), 5000);
    EXPECT_EQ(r.httpStatus, 404);
    EXPECT_EQ(r.body, QByteArray("gone"));
    EXPECT_FALSE(r.error.isEmpty());
}

TEST(Network, ASilentServerTimesOut)
{
    Server server(QByteArray(), /*silent=*/true);
    const auto r = platform::net::get(server.url(QStringLiteral("/")), 300);
    EXPECT_TRUE(r.timedOut);
    EXPECT_FALSE(r.finished);
    EXPECT_TRUE(r.body.isEmpty());
    EXPECT_FALSE(server.request().isEmpty()) << "the request never reached the server";
}

TEST(Network, OnlyWebAddressesAreFetched)
{
    for (const QString& address : {QStringLiteral("file:///etc/hostname"), QStringLiteral("ftp://127.0.0.1/x"),
                                   QStringLiteral(""), QStringLiteral("not a url")}) {
        const auto r = platform::net::get(address, 1000);
        EXPECT_FALSE(r.finished) << address;
        EXPECT_TRUE(r.body.isEmpty()) << address;
        EXPECT_FALSE(r.error.isEmpty()) << address;
    }
}
