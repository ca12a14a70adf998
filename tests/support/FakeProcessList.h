#pragma once
// A process list faked at the platform boundary: the processes a test names,
// every signal recorded. A signalled process ends unless it is stubborn (or
// unless endOnSignal is off).

#include "platform/RunningProcesses.h"

#include <QList>
#include <utility>

namespace nvtest {

struct FakeProcessList : platform::ProcessList {
    QList<platform::RunningProcess> list;
    QList<qint64> stubborn;
    QList<std::pair<qint64, int>> signalled;
    bool endOnSignal = true;
    uid_t me = 1000;

    QList<platform::RunningProcess> userProcesses() const override { return list; }
    std::optional<platform::RunningProcess> process(qint64 pid) const override
    {
        for (const auto& p : list) {
            if (p.pid == pid)
                return p;
        }
        return std::nullopt;
    }
    bool sendSignal(qint64 pid, int signal) override
    {
        signalled.append({pid, signal});
        if (endOnSignal && !stubborn.contains(pid))
            list.removeIf([pid](const platform::RunningProcess& p) { return p.pid == pid; });
        return true;
    }
    uid_t currentUser() const override { return me; }

    static platform::RunningProcess make(qint64 pid, qint64 parent, const char* exe, uid_t uid = 1000, quint64 start = 5)
    {
        platform::RunningProcess p;
        p.pid = pid;
        p.parentPid = parent;
        p.executable = QString::fromLatin1(exe);
        p.uid = uid;
        p.startTime = start;
        return p;
    }
    void add(qint64 pid, const char* exe, qint64 parent = 1) { list.append(make(pid, parent, exe)); }
};

} // namespace nvtest
