#include "RunningProcesses.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace platform {

namespace {

QByteArray readSmall(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(64 * 1024);
}

// "Uid:\treal\teffective\tsaved\tfs" of /proc/PID/status.
std::optional<uid_t> realUid(const QByteArray& status)
{
    for (const QByteArray& line : status.split('\n')) {
        if (!line.startsWith("Uid:"))
            continue;
        const QList<QByteArray> fields = line.mid(4).simplified().split(' ');
        bool ok = false;
        const uint uid = fields.value(0).toUInt(&ok);
        if (ok)
            return uid_t(uid);
    }
    return std::nullopt;
}

} // namespace

std::optional<RunningProcess> readProcess(const QString& procFolder, qint64 pid)
{
    if (pid <= 0)
        return std::nullopt;
    const QString base = procFolder + QLatin1Char('/') + QString::number(pid);
    const QByteArray stat = readSmall(base + QStringLiteral("/stat"));
    const std::optional<uid_t> uid = realUid(readSmall(base + QStringLiteral("/status")));
    if (stat.isEmpty() || !uid)
        return std::nullopt;

    RunningProcess p;
    p.pid = pid;
    p.uid = *uid;
    // "pid (comm) state ppid ... starttime(22nd)"; comm may hold spaces and ")".
    const qsizetype open = stat.indexOf('('), close = stat.lastIndexOf(')');
    if (open < 0 || close < open)
        return std::nullopt;
    const QString comm = QString::fromUtf8(stat.mid(open + 1, close - open - 1));
    const QList<QByteArray> rest = stat.mid(close + 2).simplified().split(' ');
    p.parentPid = rest.value(1).toLongLong();   // rest[0] is the state
    p.startTime = rest.value(19).toULongLong(); // field 22 of the whole line

    QString exe = QFileInfo(base + QStringLiteral("/exe")).symLinkTarget();
    if (exe.isEmpty()) {
        // symLinkTarget does not give targets that no longer exist.
        const QByteArray target = QFile::encodeName(base + QStringLiteral("/exe"));
        char buffer[4096];
        const ssize_t n = readlink(target.constData(), buffer, sizeof buffer - 1);
        if (n > 0)
            exe = QFile::decodeName(QByteArray(buffer, int(n)));
    }
    if (exe.endsWith(QLatin1String(" (deleted)")))
        exe.chop(10);   // the program was upgraded while it runs
    p.executablePath = exe;
    // A kernel thread or a process we cannot look into is named by its comm
    // (at most 15 characters).
    p.executable = exe.isEmpty() ? comm : QFileInfo(exe).fileName();
    return p;
}

QList<RunningProcess> ProcessList::userProcesses() const
{
    QList<RunningProcess> found;
    const uid_t me = currentUser();
    const QStringList names = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        bool ok = false;
        const qint64 pid = name.toLongLong(&ok);
        if (!ok)
            continue;
        const std::optional<RunningProcess> p = readProcess(QStringLiteral("/proc"), pid);
        if (p && p->uid == me)
            found.append(*p);
    }
    std::sort(found.begin(), found.end(), [](const RunningProcess& a, const RunningProcess& b) { return a.pid < b.pid; });
    return found;
}

std::optional<RunningProcess> ProcessList::process(qint64 pid) const
{
    return readProcess(QStringLiteral("/proc"), pid);
}

bool ProcessList::sendSignal(qint64 pid, int signal)
{
    if (pid < 2)
        return false;
    return ::kill(pid_t(pid), signal) == 0;
}

uid_t ProcessList::currentUser() const
{
    return getuid();
}

ProcessList& systemProcesses()
{
    static ProcessList list;
    return list;
}

QList<RunningProcess> mainProcesses(const QList<RunningProcess>& processes)
{
    QHash<qint64, QString> executableOf;
    for (const RunningProcess& p : processes)
        executableOf.insert(p.pid, p.executable);
    QList<RunningProcess> mains;
    for (const RunningProcess& p : processes) {
        if (executableOf.value(p.parentPid) != p.executable)
            mains.append(p);
    }
    return mains;
}

TerminateResult terminateProcess(ProcessList& list, const RunningProcess& expected)
{
    // 0 is our own process group, 1 is init, negatives are groups.
    if (expected.pid < 2)
        return TerminateResult::Refused;
    const std::optional<RunningProcess> now = list.process(expected.pid);
    if (!now)
        return TerminateResult::Gone;
    const bool same = now->uid == list.currentUser() && now->uid == expected.uid
                      && now->executable == expected.executable
                      && (expected.startTime == 0 || now->startTime == expected.startTime);
    if (!same)
        return TerminateResult::Refused;
    if (list.sendSignal(expected.pid, SIGTERM))
        return TerminateResult::Sent;
    return errno == ESRCH ? TerminateResult::Gone : TerminateResult::Failed;
}

} // namespace platform
