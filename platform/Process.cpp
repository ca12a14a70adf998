#include "Process.h"

#include "Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <chrono>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <fcntl.h>
#include <locale.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <memory>
#include <utility>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace platform {

namespace {

bool isLocaleVariable(QByteArrayView name)
{
    return name == "LANG" || name.startsWith("LC_");
}

// What a child printed, one logged line (as names: it may name a file) per
// printed line, each after `who`.
void logPrinted(const QString& who, const QByteArray& bytes)
{
    const QString printed = QString::fromUtf8(bytes).trimmed();
    if (printed.isEmpty())
        return;
    for (const QString& line : printed.split(QLatin1Char('\n')))
        logNames(QStringLiteral("%1: %2").arg(who, line.trimmed()));
}

} // namespace

QProcessEnvironment processEnvironment(const QStringList& extra)
{
    const auto split = [](const QByteArray& entry) {
        const qsizetype eq = entry.indexOf('=');
        return eq <= 0 ? std::pair<QByteArray, QByteArray>() : std::pair(entry.left(eq), entry.mid(eq + 1));
    };
    QHash<QByteArray, QByteArray> inherited;
    for (char** e = environ; e && *e; ++e) {
        const auto [name, value] = split(QByteArray(*e));
        if (!name.isEmpty())
            inherited.insert(name, value);
    }
    QHash<QByteArray, QByteArray> wanted;
    for (const QByteArray& entry : childEnvironment(extra)) {
        const auto [name, value] = split(entry);
        if (!name.isEmpty())
            wanted.insert(name, value);
    }
    // Only what changes goes through text: the locale variables left out and
    // the extra entries, whose names are plain ASCII and whose values were
    // text to begin with.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (auto it = inherited.cbegin(); it != inherited.cend(); ++it) {
        if (!wanted.contains(it.key()))
            env.remove(QString::fromLocal8Bit(it.key()));
    }
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
        const auto was = inherited.constFind(it.key());
        if (was == inherited.cend() || *was != it.value())
            env.insert(QString::fromLocal8Bit(it.key()), QString::fromLocal8Bit(it.value()));
    }
    return env;
}

bool localeAvailable(const QByteArray& name)
{
    static QMutex lock;
    static QHash<QByteArray, bool> known;
    QMutexLocker locker(&lock);
    const auto it = known.constFind(name);
    if (it != known.constEnd())
        return *it;
    const locale_t loc = newlocale(LC_ALL_MASK, name.constData(), locale_t(nullptr));
    if (loc)
        freelocale(loc);
    known.insert(name, loc != nullptr);
    return loc != nullptr;
}

QList<QByteArray> childEnvironment(const QStringList& extra)
{
    QList<QByteArray> entries;
    for (char** e = environ; e && *e; ++e)
        entries << QByteArray(*e);
    for (const QString& entry : extra) {
        const QByteArray bytes = entry.toLocal8Bit();
        const qsizetype eq = bytes.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArrayView name = QByteArrayView(bytes).first(eq + 1);
        entries.removeIf([&](const QByteArray& old) { return old.startsWith(name); });
        entries << bytes;
    }
    entries.removeIf([](const QByteArray& entry) {
        const qsizetype eq = entry.indexOf('=');
        if (eq <= 0 || !isLocaleVariable(QByteArrayView(entry).first(eq)))
            return false;
        const QByteArray value = entry.mid(eq + 1);
        return !value.isEmpty() && !localeAvailable(value);
    });
    return entries;
}

SpawnEnvironment::SpawnEnvironment()
    : entries_(childEnvironment())
{
    for (QByteArray& e : entries_)
        pointers_.push_back(e.data());
    pointers_.push_back(nullptr);
}

ProcessResult runProcess(const QString& program, const QStringList& arguments,
                         const ProcessOptions& options)
{
    ProcessResult result;
    QProcess process;
    process.setProcessEnvironment(processEnvironment(options.extraEnvironment));
    if (!options.standardOutputFile.isEmpty())
        process.setStandardOutputFile(options.standardOutputFile, QIODevice::Truncate);
    if (options.standardInput.isNull())
        process.setStandardInputFile(QProcess::nullDevice());

    process.start(program, arguments, QIODevice::ReadWrite);
    if (!process.waitForStarted(-1)) {
        result.standardError = process.errorString().toUtf8();
        return result;
    }
    result.started = true;
    if (!options.standardInput.isNull()) {
        process.write(options.standardInput);
        process.closeWriteChannel();
    }
    result.finished = process.waitForFinished(options.timeoutMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished(-1);
    }
    result.crashed = process.exitStatus() == QProcess::CrashExit;
    result.exitCode = process.exitCode();
    if (options.standardOutputFile.isEmpty())
        result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    return result;
}

OutputFile::OutputFile()
{
    // In memory: what a child prints may name the user's files, and a file
    // in the temporary folder would leave it in that disk's blocks.
    fd_ = ::memfd_create("nullvane-output", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd_ < 0)
        fd_ = ::open("/dev/null", O_RDWR | O_CLOEXEC);
}

OutputFile::~OutputFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

QByteArray OutputFile::text(qsizetype limit) const
{
    QByteArray bytes;
    char buf[8192];
    while (fd_ >= 0 && bytes.size() < limit) {
        const ssize_t n = ::pread(fd_, buf, size_t(std::min<qsizetype>(sizeof buf, limit - bytes.size())),
                                  off_t(bytes.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        bytes.append(buf, n);
    }
    return bytes;
}

void OutputFile::logText(const QString& who) const
{
    const QByteArray printed = text();
    // Read once: what a program the child left running writes from now on
    // would only grow this memory, so it is emptied and may not grow again
    // (such writes fail; no signal is raised).
    if (::ftruncate(fd_, 0) == 0)
        ::fcntl(fd_, F_ADD_SEALS, F_SEAL_GROW);
    logPrinted(who, printed);
}

namespace {

// Starts `path` with `arguments` and the children's environment, without
// waiting. Each of `in`, `out` and `err` is a descriptor of ours the child
// gets as that channel, or -1 for the null device. -1 when it did not start.
pid_t spawnProgram(const QString& path, const QStringList& arguments, int in, int out, int err)
{
    std::vector<QByteArray> args{QFile::encodeName(path)};
    for (const QString& a : arguments)
        args.push_back(QFile::encodeName(a));
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    SpawnEnvironment envp;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const int channels[3][2] = {{STDIN_FILENO, in}, {STDOUT_FILENO, out}, {STDERR_FILENO, err}};
    for (const auto& [channel, fd] : channels) {
        if (fd >= 0)
            posix_spawn_file_actions_adddup2(&actions, fd, channel);
        else
            posix_spawn_file_actions_addopen(&actions, channel, "/dev/null", channel == STDIN_FILENO ? O_RDONLY : O_WRONLY, 0);
    }
    // Nothing else of ours: the relay may outlive us by hours, and a
    // descriptor we leaked to it (a file on a volume to unmount) would stay
    // held all that time.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

void reap(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// Reads what `opener` prints from `fd` until it ends, logs it, and then leaves
// the output to the relay (closing our end) or, without one, drains it for as
// long as a program the opener started holds it.
void followOpener(pid_t opener, pid_t relay, int fd, const QString& who)
{
    constexpr qsizetype kLogged = 64 * 1024;
    QByteArray printed;
    bool open = true;   // a program still holds the output
    const auto take = [&](bool keep) {
        char buf[8192];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
            open = false;
        else if (n > 0 && keep)
            printed.append(buf, std::min<qsizetype>(n, std::max<qsizetype>(0, kLogged - printed.size())));
    };

    // Waits for data and for the opener's end at once; without a process
    // descriptor (an old kernel), it looks for the end twice a second.
    const int pidfd = int(::syscall(SYS_pidfd_open, opener, 0));
    bool ended = false;
    while (open && !ended) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {pidfd, POLLIN, 0}};
        if (::poll(fds, pidfd >= 0 ? 2 : 1, pidfd >= 0 ? -1 : 500) < 0 && errno != EINTR)
            break;
        if (fds[0].revents)
            take(true);
        int status = 0;
        ended = waitpid(opener, &status, WNOHANG) != 0;
    }
    if (!ended)
        reap(opener);
    if (pidfd >= 0)
        ::close(pidfd);
    // What it printed just before its end may still be on its way through
    // the relay: read on until the output has been quiet for a moment.
    const auto settled = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (open && std::chrono::steady_clock::now() < settled) {
        pollfd quiet{fd, POLLIN, 0};
        if (::poll(&quiet, 1, 100) == 0)
            break;
        take(true);
    }
    logPrinted(who, printed);

    if (relay <= 0) {
        while (open)
            take(false);
    }
    ::close(fd);
    if (relay > 0)
        reap(relay);
}

} // namespace

bool startDetached(const QString& program, const QStringList& arguments)
{
    const QString path = program.contains(QLatin1Char('/')) ? program : findProgram(program);
    if (path.isEmpty())
        return false;
    int output[2];
    if (::pipe2(output, O_CLOEXEC) != 0)
        return false;
    int readEnd = output[0];
    pid_t relay = -1;
    const QString tee = findProgram(QStringLiteral("tee"));
    int relayed[2];
    if (!tee.isEmpty() && ::pipe2(relayed, O_CLOEXEC) == 0) {
        // -p: a reader of its standard output that went away is no reason to
        // stop; it goes on into the null device.
        relay = spawnProgram(tee, {QStringLiteral("-p"), QStringLiteral("/dev/null")}, output[0], relayed[1], -1);
        ::close(relayed[1]);
        if (relay > 0) {
            ::close(output[0]);
            readEnd = relayed[0];
        } else {
            ::close(relayed[0]);
        }
    }
    const pid_t pid = spawnProgram(path, arguments, -1, output[1], output[1]);
    ::close(output[1]);
    if (pid <= 0) {
        // With no writer left, the relay reaches the end of its input.
        ::close(readEnd);
        if (relay > 0)
            reap(relay);
        return false;
    }
    // Followed away from the caller: it may take its time to find the
    // application.
    const QString who = QFileInfo(path).fileName();
    std::thread([pid, relay, readEnd, who] { followOpener(pid, relay, readEnd, who); }).detach();
    return true;
}

QString findProgram(const QString& name)
{
    QString found = QStandardPaths::findExecutable(name);
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/local/sbin"), QStringLiteral("/usr/sbin"),
                                                      QStringLiteral("/sbin")});
    return found;
}

} // namespace platform

namespace platform {

ProcessResult runProcessLines(const QString& program, const QStringList& arguments, const LineHandler& outLine,
                              const LineHandler& errLine, LineChannels channels)
{
    ProcessResult result;
    QProcess process;
    if (channels == LineChannels::Merged)
        process.setProcessChannelMode(QProcess::MergedChannels);
    process.setProcessEnvironment(processEnvironment());
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(-1)) {
        result.standardError = process.errorString().toUtf8();
        return result;
    }
    result.started = true;
    QByteArray pendingOut;
    QByteArray pendingErr;
    const auto drain = [](QByteArray& pending, const QByteArray& more, const LineHandler& handler, bool all) {
        pending += more;
        for (;;) {
            const qsizetype nl = pending.indexOf('\n');
            if (nl < 0)
                break;
            QByteArray line = pending.left(nl);
            pending.remove(0, nl + 1);
            if (line.endsWith('\r'))
                line.chop(1);
            if (handler)
                handler(QString::fromUtf8(line));
        }
        if (all && !pending.isEmpty()) {
            if (handler)
                handler(QString::fromUtf8(pending));
            pending.clear();
        }
    };
    // A merged process has no error channel of its own: asking for it makes
    // Qt print a warning on our standard error, which a caller that merges
    // our output (First Aid's rows) would show as the tool's.
    const bool merged = channels == LineChannels::Merged;
    const auto take = [&](bool all) {
        const QByteArray out = process.readAllStandardOutput();
        result.standardOutput += out;
        drain(pendingOut, out, outLine, all);
        if (merged)
            return;
        const QByteArray err = process.readAllStandardError();
        result.standardError += err;
        drain(pendingErr, err, errLine, all);
    };
    while (process.state() != QProcess::NotRunning) {
        process.waitForFinished(50);
        take(false);
    }
    take(true);
    result.finished = true;
    result.crashed = process.exitStatus() == QProcess::CrashExit;
    result.exitCode = process.exitCode();
    return result;
}

} // namespace platform
