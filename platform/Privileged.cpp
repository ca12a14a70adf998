#include "Privileged.h"

#include "Process.h"

#include <QFileInfo>
#include <unistd.h>

namespace platform::privileged {

QString launcherProgram()
{
    const QString configured = qEnvironmentVariable("NULLVANE_PKEXEC");
    if (!configured.isEmpty())
        return configured;
    for (const char* candidate : {"/usr/bin/pkexec", "/bin/pkexec", "/usr/local/bin/pkexec"}) {
        if (access(candidate, X_OK) == 0)
            return QString::fromLatin1(candidate);
    }
    return QStringLiteral("/usr/bin/pkexec");
}

bool usesLauncher()
{
    return geteuid() != 0 || !qEnvironmentVariableIsEmpty("NULLVANE_PKEXEC");
}

Command commandFor(const QString& launcher, bool viaLauncher, const QString& program, const QStringList& arguments)
{
    const QString absolute = program.isEmpty() ? QString() : QFileInfo(program).absoluteFilePath();
    if (!viaLauncher)
        return {absolute, arguments};
    // Only the desktop's polkit agent may ask; never a terminal.
    return {launcher, QStringList{QStringLiteral("--disable-internal-agent"), absolute} + arguments};
}

Command command(const QString& program, const QStringList& arguments)
{
    const bool via = usesLauncher();
    return commandFor(via ? launcherProgram() : QString(), via, program, arguments);
}

Ending endingOf(bool started, bool finished, bool crashed, int exitCode)
{
    if (!started)
        return Ending::NotStarted;
    if (!finished || crashed)
        return Ending::Failed;
    switch (exitCode) {
    case 0:
        return Ending::Succeeded;
    case 126:
        return Ending::Cancelled;
    case 127:
        return Ending::Refused;
    default:
        return Ending::Failed;
    }
}

Ending endingOf(const ProcessResult& result)
{
    return endingOf(result.started, result.finished, result.crashed, result.exitCode);
}

QString refusalText(Ending e)
{
    switch (e) {
    case Ending::Cancelled:
        return QStringLiteral("已取消管理员授权，未做任何更改。");
    case Ending::Refused:
        return QStringLiteral("未获得管理员授权（密码未被接受或无法询问密码），未做任何更改。");
    default:
        return {};
    }
}

} // namespace platform::privileged
