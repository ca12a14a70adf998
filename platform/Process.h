#pragma once
// Child processes, always started from an argument list: no shell ever sees a
// name the user typed or read from a disk.

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
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

// This process's environment as every child gets it ("NAME=value"), with
// `extra` entries put over it. A locale variable (LANG, LC_ALL, LC_...)
// naming a locale this machine does not have is left out: each program that
// sets its locale would complain of it on its standard error (perl does, at
// every start), and our own process sets LC_TIME for Qt's dates whether the
// machine has that locale or not. Every other variable keeps its bytes, also
// those that are no valid text (a folder named in a legacy encoding in HOME).
QList<QByteArray> childEnvironment(const QStringList& extra = {});
// The same, for QProcess::setProcessEnvironment. What we inherited reaches the
// child byte for byte: QProcessEnvironment keeps the values it reads from our
// own environment as bytes, where a list of texts would turn bytes that are
// no UTF-8 into U+FFFD.
QProcessEnvironment processEnvironment(const QStringList& extra = {});

// Whether this machine has the locale `name` ("zh_CN.UTF-8", "C").
bool localeAvailable(const QByteArray& name);

// A file in memory (never on a disk), for a child's standard output and
// error where they cannot be read through a pipe while it runs (a child that
// lives on its own, a helper that talks on another channel): what lands there
// never reaches our standard error, and a program the child leaves running
// may go on writing there without harm once we stopped reading (once logged,
// the file is emptied and refuses to grow). Falls back to the null device
// when no such file can be made.
class OutputFile {
public:
    OutputFile();
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    int fd() const { return fd_; }
    // What was written so far, up to its first `limit` bytes.
    QByteArray text(qsizetype limit = 64 * 1024) const;
    // Logs what was written through logNames, each line after `who`, then
    // empties the file for good.
    void logText(const QString& who) const;

private:
    int fd_ = -1;
};

// Starts a program that hands its work on and ends soon (xdg-open starting
// the application of a file) and does not wait for it. Nothing it, or the
// programs it starts, prints reaches our standard error: both its outputs go
// to a file without a name, and what it printed up to its end is logged
// through logNames, since it may name a file ("Unable to detect a launcher
// for 'file:///…'"). False when it could not be started.
bool startDetached(const QString& program, const QStringList& arguments);

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
