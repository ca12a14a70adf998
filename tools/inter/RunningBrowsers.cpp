#include "RunningBrowsers.h"

#include "BrowerObj.h"
#include "InterLog.h"

#include <QDateTime>
#include <QSet>

QString browserNameOfExecutable(const QString& executable)
{
    // The names the desktop entries of these builds give them.
    static const std::pair<const char*, const char*> kNames[] = {
        {"chrome", "Google Chrome"}, {"google-chrome", "Google Chrome"},
        {"firefox", "Firefox"},      {"firefox-bin", "Firefox"},
        {"firefox-esr", "Firefox ESR"}, {"opera", "Opera"},
    };
    for (const auto& [exe, name] : kNames) {
        if (executable == QLatin1String(exe))
            return QString::fromLatin1(name);
    }
    return {};
}

QList<RunningBrowser> runningBrowsers(platform::ProcessList& processes)
{
    QList<RunningBrowser> found;
    for (const platform::RunningProcess& p : platform::mainProcesses(processes.userProcesses())) {
        const QString name = browserNameOfExecutable(p.executable);
        if (!name.isEmpty())
            found.append({name, p});
    }
    return found;
}

bool countsAtScan(const RunningBrowser& browser)
{
    const QString& name = browser.name;
    if (name.contains(BrowserKey::Safari))
        return true;
    for (const QString& key : {BrowserKey::GoogleChrome, BrowserKey::Opera, BrowserKey::Firefox}) {
        if (name == key || name.startsWith(key + QLatin1Char(' ')))
            return true;
    }
    return false;
}

BrowserCloser::BrowserCloser(platform::ProcessList& processes, QObject* parent) : QObject(parent), processes_(processes)
{
    connect(&timer_, &QTimer::timeout, this, &BrowserCloser::poll);
}

void BrowserCloser::setTimeouts(int waitMs, int pollMs)
{
    waitMs_ = waitMs;
    pollMs_ = pollMs;
}

void BrowserCloser::close(const QList<platform::RunningProcess>& processes,
                          std::function<void(QList<platform::RunningProcess>)> done)
{
    timer_.stop();
    waitingFor_.clear();
    QSet<qint64> seen;
    for (const platform::RunningProcess& p : processes) {
        if (seen.contains(p.pid))
            continue;
        seen.insert(p.pid);
        const platform::TerminateResult result = platform::terminateProcess(processes_, p);
        if (result == platform::TerminateResult::Sent)
            waitingFor_.append(p);
        else if (result != platform::TerminateResult::Gone)
            interlog::info(QStringLiteral("not closed: %1 (%2)").arg(p.executable).arg(p.pid));
    }
    done_ = std::move(done);
    deadline_ = QDateTime::currentMSecsSinceEpoch() + waitMs_;
    timer_.start(pollMs_);
    poll();
}

QList<platform::RunningProcess> BrowserCloser::stillRunning() const
{
    QList<platform::RunningProcess> running;
    for (const platform::RunningProcess& p : waitingFor_) {
        const std::optional<platform::RunningProcess> now = processes_.process(p.pid);
        // A pid taken by another program means ours has ended.
        if (now && now->executable == p.executable && (p.startTime == 0 || now->startTime == p.startTime))
            running.append(p);
    }
    return running;
}

void BrowserCloser::poll()
{
    if (!done_)
        return;
    const QList<platform::RunningProcess> running = stillRunning();
    if (!running.isEmpty() && QDateTime::currentMSecsSinceEpoch() < deadline_)
        return;
    timer_.stop();
    auto done = std::move(done_);
    done_ = nullptr;
    waitingFor_.clear();
    done(running);
}
