#include "ShellTestSupport.h"

#include "core/BundleSettings.h"
#include "platform/Dispatch.h"
#include "platform/PropertyList.h"
#include "toolkit/RightBgView.h"

#include "platform/gui/Workspace.h"
#include <QFile>
#include <QPixmap>
#include <QTcpSocket>
#include <QThread>

namespace shelltest {

FakeScreen::FakeScreen(QString name, ToolCalls& calls)
    : name_(std::move(name)), calls_(calls), view_(new RightBgView)
{
    view_->setObjectName(name_);
}

FakeScreen::~FakeScreen()
{
    if (view_ && !view_->parent())
        delete view_;
}

void FakeScreen::setSuperDelegate(MainWindowHost* h)
{
    host = h;
    calls_.add(name_ + QStringLiteral(".setSuperDelegate"));
}

bool FakeScreen::stopRunningWork(int timeoutMs)
{
    lastStopBudget = timeoutMs;
    calls_.add(name_ + QStringLiteral(".stopRunningWork"));
    if (stopTakesMs > 0)
        QThread::msleep(static_cast<unsigned long>(std::min(stopTakesMs, timeoutMs)));
    return stopSucceeds;
}

void FakeScreen::getallVolumes()
{
    if (!platform::dispatch::isMainThread())
        ++calls_.offMainRepairScans;
    calls_.add(name_ + QStringLiteral(".getallVolumes"));
}

OpenedUrls::OpenedUrls()
{
    platform::workspace::setWebOpener([this](const QUrl& url) {
        open(url);
        return true;
    });
}

OpenedUrls::~OpenedUrls()
{
    platform::workspace::setWebOpener({});
}

UpdateServer::UpdateServer()
{
    server_.listen(QHostAddress::LocalHost);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
        while (QTcpSocket* s = server_.nextPendingConnection()) {
            auto* request = new QByteArray;
            QObject::connect(s, &QTcpSocket::readyRead, s, [this, s, request] {
                *request += s->readAll();
                if (!request->contains("\r\n\r\n"))
                    return;
                const QByteArray path = request->split(' ').value(1);
                const QByteArray body = path == "/" ? QByteArray("ok") : manifest;
                const QByteArray status = body.isEmpty() ? "404 Not Found" : "200 OK";
                s->write("HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(body.size())
                         + "\r\nConnection: close\r\n\r\n" + body);
                s->disconnectFromHost();
            });
            QObject::connect(s, &QTcpSocket::disconnected, s, [s, request] {
                delete request;
                s->deleteLater();
            });
        }
    });
}

QString UpdateServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
}

void shipSettings(const QVariantMap& links, qint64 versionCheck)
{
    // The program's own shipped file with other links and another build.
    BundleSettings::setShippedFilePath(QString());
    QVariantMap settings = platform::plist::readDictionary(BundleSettings::shippedFilePath());
    settings.insert(QStringLiteral("Link"), links);
    settings.insert(QStringLiteral("VersionCheck"), versionCheck);
    const QString path = nvtest::freshFolder(QStringLiteral("shipped")) + QStringLiteral("/NullvaneBase.plist");
    platform::plist::writeFile(path, settings);
    BundleSettings::setShippedFilePath(path);
    QFile::remove(BundleSettings::userFilePath());
}

void resetSettings()
{
    BundleSettings::setShippedFilePath(QString());
    QFile::remove(BundleSettings::userFilePath());
}

QString shot(QWidget* widget, const QString& name)
{
    const QString path = nvtest::outputFolder(QStringLiteral("shell")) + QLatin1Char('/') + name + QStringLiteral(".png");
    widget->grab().save(path);
    return path;
}

} // namespace shelltest
