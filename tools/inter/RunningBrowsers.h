#pragma once
// The browsers that run now, and closing them before a scan or a clean.
//
// A running browser is a main process of this user whose executable is a
// browser's ("chrome" of Google Chrome, "firefox", "firefox-esr", "opera"),
// named by the name its desktop entry usually shows; it is matched against a
// browser node by the kind both names give (browserTypeOfName). Closing
// sends SIGTERM through the platform, which re-checks every process before
// signalling it; then the closer waits, on the main thread's event loop and
// for a bounded time, until they have exited.
// Main thread only.

#include "platform/RunningProcesses.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

struct RunningBrowser {
    QString name;                    // "Google Chrome", "Firefox ESR", ...
    platform::RunningProcess process;
};

// The browser name of an executable's file name; empty for anything else.
QString browserNameOfExecutable(const QString& executable);

// The running browsers, one per main process, in pid order.
QList<RunningBrowser> runningBrowsers(platform::ProcessList& processes);

// Whether a scan offers to close it: the name holds "Safari" or is one of
// the other three browsers, an edition such as "Firefox ESR" included.
bool countsAtScan(const RunningBrowser& browser);

class BrowserCloser : public QObject {
    Q_OBJECT
public:
    explicit BrowserCloser(platform::ProcessList& processes, QObject* parent = nullptr);

    // How long to wait for the closed browsers, and how often to look.
    void setTimeouts(int waitMs, int pollMs);
    int waitMs() const { return waitMs_; }

    // Sends SIGTERM to each process (once per pid), then calls `done` on the
    // main thread with those that are still running when all have exited or
    // the wait is over. A new close abandons an earlier unfinished one.
    void close(const QList<platform::RunningProcess>& processes,
               std::function<void(QList<platform::RunningProcess> stillRunning)> done);
    bool isWaiting() const { return timer_.isActive(); }

private:
    void poll();
    QList<platform::RunningProcess> stillRunning() const;

    platform::ProcessList& processes_;
    QList<platform::RunningProcess> waitingFor_;
    std::function<void(QList<platform::RunningProcess>)> done_;
    QTimer timer_;
    qint64 deadline_ = 0;
    int waitMs_ = 10000;
    int pollMs_ = 100;
};
