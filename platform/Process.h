#pragma once
// Child processes, always started from an argument list: no shell ever sees a
// name the user typed or read from a disk.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

namespace platform {

struct ProcessResult {
    bool started = false;   // the program could be started
    bool finished = false;  // it ended on its own (not killed after the time-out)
    bool crashed = false;   // it ended through a signal
    int exitCode = -1;
    QByteArray standardOutput;
    QByteArray standardError;

    bool succeeded() const { return started && finished && !crashed && exitCode == 0; }
};

struct ProcessOptions {
    int timeoutMs = -1;                 // -1: wait for as long as it runs
    QByteArray standardInput;           // written, then the input is closed
    QString standardOutputFile;         // when set, the output goes to this file instead
    QStringList extraEnvironment;       // "NAME=value" entries added to this process's own
};

// Starts `program` with `arguments`, waits for its end and returns what it did.
// Blocks the calling thread; callers run it on a worker.
ProcessResult runProcess(const QString& program, const QStringList& arguments,
                         const ProcessOptions& options = {});

// Searches PATH (and the usual sbin folders, which a user's PATH may lack).
QString findProgram(const QString& name);

} // namespace platform

namespace platform {

using LineHandler = std::function<void(const QString& line)>;

enum class LineChannels {
    Separate,   // standard output to `outLine`, standard error to `errLine`
    Merged,     // both to `outLine`, in the order printed (`errLine` is unused)
};

// Like runProcess, but hands over each line the program prints, on standard
// output to `outLine` and on standard error to `errLine`, as soon as it is
// printed, on the calling thread. Blocks until the program ends.
ProcessResult runProcessLines(const QString& program, const QStringList& arguments, const LineHandler& outLine,
                              const LineHandler& errLine, LineChannels channels = LineChannels::Separate);

} // namespace platform
