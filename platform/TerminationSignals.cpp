#include "TerminationSignals.h"

#include "Log.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {
namespace {

int signalPipe[2] = {-1, -1};
std::function<void()>* currentHandler = nullptr;

// Only async-signal-safe calls here: one byte into the pipe.
void onSignal(int number)
{
    const char byte = static_cast<char>(number);
    const int saved = errno;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

void onTerminationRequest(std::function<void()> handler)
{
    if (!currentHandler)
        currentHandler = new std::function<void()>;
    *currentHandler = std::move(handler);
    if (signalPipe[0] >= 0)
        return;
    if (!QCoreApplication::instance() || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) {
        log(QStringLiteral("termination signals stay fatal: no application object or no socket pair"));
        return;
    }
    ::fcntl(signalPipe[1], F_SETFL, ::fcntl(signalPipe[1], F_GETFL) | O_NONBLOCK);
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char byte = 0;
        if (::read(signalPipe[0], &byte, 1) != 1)
            return;
        log(QStringLiteral("asked to end by signal %1").arg(int(static_cast<unsigned char>(byte))));
        if (currentHandler && *currentHandler)
            (*currentHandler)();
    });

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(number, &action, nullptr);
}

} // namespace platform
