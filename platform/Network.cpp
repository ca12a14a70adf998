#include "Network.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <memory>

namespace platform::net {

Response get(const QString& address, int timeoutMs)
{
    Response result;
    const QUrl url(address);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        result.error = QStringLiteral("not an http address: %1").arg(address);
        return result;
    }

    // Everything lives on this thread and dies with this call, so the
    // function may be used from any thread that can run an event loop.
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(timeoutMs);

    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        result.timedOut = true;
        reply->abort();
        loop.quit();
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished()) {
        deadline.start(timeoutMs);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        deadline.stop();
    }

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    result.httpStatus = status.isValid() ? status.toInt() : 0;
    if (result.timedOut || reply->error() == QNetworkReply::OperationCanceledError
        || reply->error() == QNetworkReply::TimeoutError) {
        result.timedOut = true;
        result.error = QStringLiteral("timed out");
        return result;
    }
    result.finished = reply->isFinished();
    result.body = reply->readAll();
    if (reply->error() != QNetworkReply::NoError)
        result.error = reply->errorString();
    return result;
}

} // namespace platform::net
