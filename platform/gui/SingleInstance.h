#pragma once
// One running copy per user. The copy that takes the lock runs and listens on
// a local socket; a later copy finds the lock taken, asks the running one to
// come to the front through that socket, and is told to end.
//
// The lock decides, never the socket: two copies started at the same moment
// cannot both see the other and both give up, and a lock left by a copy that
// died is taken over.

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

namespace platform {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `key` names the application ("com.corvel.nullvane"); the user id is
    // added, so two users of one machine each run their own copy.
    explicit SingleInstance(const QString& key, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Outcome {
        Primary,        // this copy runs; raiseRequested() tells of later copies
        OtherRunning,   // another copy runs and was asked to come forward
        Undecided,      // the lock is held but its owner never answered
    };

    // Decides whether this copy runs. A later copy keeps trying for up to
    // `waitMs` while the running copy is still starting or already quitting.
    Outcome claim(int waitMs = 5000);

    bool isPrimary() const { return primary_; }

    // The socket name and lock file this instance uses (for tests).
    QString serverName() const { return serverName_; }
    QString lockFilePath() const { return lockPath_; }

    // Stops listening and gives the lock up, so a new copy can start at once.
    void release();

signals:
    // A later copy asked this one to show itself.
    void raiseRequested();

private:
    bool becomePrimary();
    bool askRunningCopy();
    void onNewConnection();

    QString serverName_;
    QString lockPath_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
    bool primary_ = false;
};

} // namespace platform
