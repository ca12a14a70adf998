#include "SingleInstance.h"

#include "platform/Log.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <unistd.h>

namespace platform {
namespace {

const QByteArray raiseMessage = QByteArrayLiteral("raise\n");

// The runtime folder belongs to the user alone (mode 0700), so nobody else can
// put a socket or a lock where we look for ours.
QString rendezvousFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder;
}

} // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent)
    : QObject(parent)
{
    const QString base = QStringLiteral("%1/%2-%3").arg(rendezvousFolder(), key).arg(getuid());
    serverName_ = base + QStringLiteral(".socket");
    lockPath_ = base + QStringLiteral(".lock");
}

SingleInstance::~SingleInstance()
{
    release();
}

SingleInstance::Outcome SingleInstance::claim(int waitMs)
{
    if (primary_)
        return Outcome::Primary;
    if (!lock_) {
        lock_ = std::make_unique<QLockFile>(lockPath_);
        // A running copy holds its lock for days; only a dead owner makes it
        // stale, never its age.
        lock_->setStaleLockTime(0);
    }
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        // tryLock takes over a lock whose owner process is gone.
        if (lock_->tryLock(0)) {
            becomePrimary();
            return Outcome::Primary;
        }
        if (askRunningCopy())
            return Outcome::OtherRunning;
        // The owner is still starting (no socket yet) or already quitting
        // (socket closed, lock not yet given up): look again shortly.
        if (clock.elapsed() >= waitMs)
            return Outcome::Undecided;
        QThread::msleep(50);
    }
}

bool SingleInstance::becomePrimary()
{
    primary_ = true;
    // We hold the lock, so a socket file left here is a dead copy's.
    QLocalServer::removeServer(serverName_);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_.get(), &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    if (!server_->listen(serverName_)) {
        // Still the one copy that runs (we hold the lock); later copies just
        // cannot reach us to ask for the window.
        log(QStringLiteral("single instance: cannot listen on %1: %2").arg(serverName_, server_->errorString()));
        server_.reset();
        return false;
    }
    return true;
}

bool SingleInstance::askRunningCopy()
{
    QLocalSocket socket;
    socket.connectToServer(serverName_, QIODevice::WriteOnly);
    if (!socket.waitForConnected(500))
        return false;
    socket.write(raiseMessage);
    const bool sent = socket.waitForBytesWritten(1000) || socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    return sent;
}

void SingleInstance::onNewConnection()
{
    while (server_ && server_->hasPendingConnections()) {
        QLocalSocket* socket = server_->nextPendingConnection();
        auto readMessage = [this, socket] {
            // Nothing but the one short request is expected; a peer that keeps
            // talking is cut off.
            const QByteArray got = socket->read(64);
            if (got.contains("raise"))
                emit raiseRequested();
            socket->disconnectFromServer();
        };
        connect(socket, &QLocalSocket::readyRead, this, readMessage);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->bytesAvailable() > 0)
            readMessage();
    }
}

void SingleInstance::release()
{
    // Stop answering before the lock goes, so a copy that starts now waits for
    // the lock instead of talking to a copy on its way out.
    if (server_) {
        server_->close();
        server_.reset();
    }
    if (lock_ && lock_->isLocked())
        lock_->unlock();
    primary_ = false;
}

} // namespace platform
