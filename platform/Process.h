#pragma once
// Child processes, always started from an argument list: no shell ever sees a
// name the user typed or read from a disk.

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

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
// childEnvironment() as posix_spawn takes it: a null-ended array whose
// strings live as long as this object.
class SpawnEnvironment {
public:
    SpawnEnvironment();
    char** data() { return pointers_.data(); }

private:
    QList<QByteArray> entries_;
    std::vector<char*> pointers_;
};
// The same, for QProcess::setProcessEnvironment. What we inherited reaches the
// child byte for byte: QProcessEnvironment keeps the values it reads from our
// own environment as bytes, where a list of texts would turn bytes that are
// no UTF-8 into U+FFFD.
QProcessEnvironment processEnvironment(const QStringList& extra = {});

// Whether this machine has the locale `name` ("zh_CN.UTF-8", "C").
bool localeAvailable(const QByteArray& name);

// A file in memory (never on a disk), for a child's standard error where it
// cannot be read through a pipe while it runs (a helper that talks on another
// channel): what lands there never reaches our standard error. Once logged,
// the file is emptied and refuses to grow, so every later write to it fails:
// it is only for a child that leaves no program behind that would still
// write there (the opener's programs go through startDetached instead).
// Falls back to the null device when no such file can be made.
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
// the application of a file) and does not wait for it. False when it could
// not be started.
//
// What it prints may name a file ("Unable to detect a launcher for
// 'file:///…'"): both its outputs go into a pipe, never to a file on a disk
// or our standard error, and what came through it until the opener ended, and
// for a quiet moment after (its first 64 KiB), is logged through logNames, on
// a thread of its own.
//
// The programs it starts inherit that output and may run for hours, longer
// than the opener and longer than we do; every write they make must succeed
// (a Python script ends at the first print that fails), and nothing of it may
// pile up in memory. A file in memory would have to grow without bound or
// refuse writes; a pipe only we read breaks, and kills them with SIGPIPE, the
// moment we quit. So the pipe is read by a relay started with the opener,
// `tee -p /dev/null`: it hands everything on to us and into the null device.
// Once the opener has ended and what it printed is logged, we close our end;
// -p makes tee shrug that off, and it goes on pouring into the null device
// until the last program holding the output ends, whether we still run or
// not. Only then does it end (reaped by the thread that followed the opener,
// or by the system when we are gone). Without tee, the thread drains the pipe
// itself for as long as we run.
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
