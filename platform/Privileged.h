#pragma once
// The one door for starting a program with administrator rights: the removal
// helper, the disk utility for the disk wipe, and the disk utility's own
// restart when a desktop user asks it to change a disk all go through here.
//
// Without root, the program is started through pkexec with
// --disable-internal-agent, so only the desktop's own polkit agent ever asks
// for the password, never a terminal the application was started from.
// NULLVANE_PKEXEC names another launcher; it is then used even by root, so
// tests can put a fake in pkexec's place and refuse the password.
//
// pkexec ends with 126 when the user dismissed the password dialog and with
// 127 when the authorization was refused (a wrong password, no agent, or the
// agent went away). Our helpers never end with either status themselves, so
// both mean "refused, nothing was done" wherever they come back from.
//
// Everything here is plain and thread-safe; nothing blocks.

#include <QString>
#include <QStringList>

namespace platform {
struct ProcessResult;
}

namespace platform::privileged {

// NULLVANE_PKEXEC when set, else pkexec from the usual folders.
QString launcherProgram();

// Whether a privileged start goes through the launcher: when this process is
// not root, or a launcher was named explicitly.
bool usesLauncher();

struct Command {
    QString program;
    QStringList arguments;
    bool operator==(const Command&) const = default;
};

// How `program` (made absolute: pkexec wants the path of what it runs) is
// started with `arguments`, through `launcher` when `viaLauncher`, else
// directly.
Command commandFor(const QString& launcher, bool viaLauncher, const QString& program, const QStringList& arguments);

// The same with this process's launcher and rights.
Command command(const QString& program, const QStringList& arguments);

enum class Ending {
    Succeeded,   // the program ran and ended with 0
    Failed,      // the program ran and failed (or was killed)
    Cancelled,   // the user dismissed the password dialog (126)
    Refused,     // the authorization was refused (127)
    NotStarted,  // the launcher or the program could not be started
};

// Reads how a privileged start ended from its exit status.
Ending endingOf(bool started, bool finished, bool crashed, int exitCode);
Ending endingOf(const ProcessResult& result);
inline bool wasRefused(Ending e)
{
    return e == Ending::Cancelled || e == Ending::Refused;
}

// What the user is told when the rights were not given: that the password was
// refused or the request cancelled, and that nothing was changed. Empty for
// any other ending. pkexec's own text is never shown.
QString refusalText(Ending e);

} // namespace platform::privileged
