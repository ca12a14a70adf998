// diskutil: lists, inspects, mounts, renames, erases and checks volumes, and
// answers with XML property lists. See DiskUtil.h for the verbs.
//
// Verbs that change a disk need root. Run by anyone else, the program starts
// itself again through the privileged launcher (platform/Privileged.h), so the
// desktop asks for the administrator's password; a refused password ends it
// with pkexec's 126 or 127, which the program never uses otherwise.

#include "DiskUtil.h"

#include "platform/FillLeftovers.h"
#include "platform/Privileged.h"
#include "platform/Process.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

void printLine(FILE* stream, const QString& line)
{
    const QByteArray bytes = line.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

int escalate(int argc, char** argv)
{
    // Through the one privileged launcher, as the application's own starts go:
    // the desktop's agent asks, never the terminal we were started from.
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const platform::privileged::Command command = platform::privileged::command(self, {});
    if (command.program.isEmpty() || access(QFile::encodeName(command.program).constData(), X_OK) != 0) {
        printLine(stderr, QStringLiteral("This needs administrator rights, and %1 was not found").arg(command.program));
        return 1;
    }
    std::vector<QByteArray> bytes{QFile::encodeName(command.program)};
    for (const QString& a : command.arguments)
        bytes.push_back(QFile::encodeName(a));
    std::vector<char*> args;
    for (QByteArray& b : bytes)
        args.push_back(b.data());
    // Our own arguments as they came, byte for byte.
    for (int i = 1; i < argc; ++i)
        args.push_back(argv[i]);
    args.push_back(nullptr);
    std::fflush(stdout);

    // Standard output is the launched utility's own. Standard error is held
    // until the end: when the password was refused, all it holds is pkexec's
    // English explanation, which the application replaces with its own words;
    // otherwise it is passed on as it came.
    int errPipe[2];
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        printLine(stderr, QStringLiteral("Could not start %1").arg(command.program));
        return 1;
    }
    platform::SpawnEnvironment envp;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    pid_t child = -1;
    const int rc = posix_spawn(&child, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(errPipe[1]);
    if (rc != 0) {
        close(errPipe[0]);
        printLine(stderr, QStringLiteral("Could not start %1").arg(command.program));
        return 1;
    }
    QByteArray held;
    char buf[4096];
    for (;;) {
        const ssize_t n = read(errPipe[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        // Bounded: a chatty failure keeps its last words.
        held.append(buf, n);
        if (held.size() > 256 * 1024)
            held.remove(0, held.size() - 128 * 1024);
    }
    close(errPipe[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return 1;
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (!platform::privileged::wasRefused(platform::privileged::endingOf(true, true, false, code))) {
        std::fwrite(held.constData(), 1, size_t(held.size()), stderr);
        std::fflush(stderr);
    }
    // pkexec's status (126, 127 for a refused password) becomes ours.
    return code;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && geteuid() != 0 && diskutil::needsRoot(QString::fromLocal8Bit(argv[1])))
        return escalate(argc, argv);

    QCoreApplication app(argc, argv);
    // A free-space fill killed on its way leaves its volume short of ext4's
    // reserve and holding its folder; that is put right before any verb.
    platform::settleKilledFills();
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    diskutil::DiskUtil tool(
        diskutil::Tools::real(), diskutil::Settings::fromEnvironment(),
        [](const QString& line) { printLine(stdout, line); },
        [](const QString& line) { printLine(stderr, line); });
    return tool.run(arguments);
}
