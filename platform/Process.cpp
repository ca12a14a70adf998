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
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <fcntl.h>
#include <locale.h>
#include <spawn.h>
#include <sys/mman.h>
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
    const QString printed = QString::fromUtf8(text()).trimmed();
    // Read once: what a program the child left running writes from now on
    // would only grow this memory, so it is emptied and may not grow again
    // (such writes fail; no signal is raised).
    if (::ftruncate(fd_, 0) == 0)
        ::fcntl(fd_, F_ADD_SEALS, F_SEAL_GROW);
    if (printed.isEmpty())
        return;
    for (const QString& line : printed.split(QLatin1Char('\n')))
        logNames(QStringLiteral("%1: %2").arg(who, line.trimmed()));
}

bool startDetached(const QString& program, const QStringList& arguments)
{
    const QString path = program.contains(QLatin1Char('/')) ? program : findProgram(program);
    if (path.isEmpty())
        return false;
    std::vector<QByteArray> args{QFile::encodeName(path)};
    for (const QString& a : arguments)
        args.push_back(QFile::encodeName(a));
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    QList<QByteArray> env = childEnvironment();
    std::vector<char*> envp;
    for (QByteArray& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    auto output = std::make_shared<OutputFile>();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, output->fd(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output->fd(), STDERR_FILENO);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;
    // Reaped, and what it said logged, away from the caller: it may take its
    // time to find the application.
    const QString who = QFileInfo(path).fileName();
    std::thread([pid, output, who] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        output->logText(who);
    }).detach();
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
