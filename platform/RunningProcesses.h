#pragma once
// The user's running programs and asking one of them to quit.
//
// The list comes from /proc: only processes of this user (their real user id
// is ours), each named by its executable. A process is signalled only after
// looking at it again: the same pid must still run the same executable, for
// the same user, started at the same moment; a pid below 2 is never signalled.
//
// ProcessList is the seam tests replace; the system's one is stateless and
// may be used from any thread.

#include <QList>
#include <QString>
#include <optional>
#include <sys/types.h>

namespace platform {

struct RunningProcess {
    qint64 pid = 0;
    qint64 parentPid = 0;
    uid_t uid = 0;                 // real user id
    QString executable;            // file name of the executable: "firefox-esr", "chrome"
    QString executablePath;        // its full path, " (deleted)" removed; empty when unreadable
    quint64 startTime = 0;         // clock ticks after boot; 0 when unknown
};

class ProcessList {
public:
    virtual ~ProcessList() = default;
    // Every process of this user, by pid.
    virtual QList<RunningProcess> userProcesses() const;
    // One process as it is now, of any user; nothing when it has ended.
    virtual std::optional<RunningProcess> process(qint64 pid) const;
    // kill(2); true when the signal was delivered.
    virtual bool sendSignal(qint64 pid, int signal);
    // This user's id.
    virtual uid_t currentUser() const;
};

// The system's process list (reads /proc).
ProcessList& systemProcesses();

// Of `processes`, those whose parent does not run the same executable: the
// main process of a program that forks helpers under its own name.
QList<RunningProcess> mainProcesses(const QList<RunningProcess>& processes);

enum class TerminateResult {
    Sent,       // SIGTERM delivered
    Gone,       // the process has ended already
    Refused,    // the pid is below 2, or now runs something else, or for another user
    Failed,     // kill(2) failed
};

// Sends SIGTERM to `expected.pid` after re-checking, through `list`, that it
// still is the process `expected` describes and belongs to this user.
TerminateResult terminateProcess(ProcessList& list, const RunningProcess& expected);

// Reads one process from a /proc-like folder (the seam for the parsing).
std::optional<RunningProcess> readProcess(const QString& procFolder, qint64 pid);

} // namespace platform
