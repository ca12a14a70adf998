#pragma once
// What the Disk tools ask of our disk utility: each verb's argument list, by
// device, and the blocking calls that run them through the command runners.
// A volume name is one argument whatever it holds; no shell ever sees it.
//
// The disk utility asks for the administrator's password (through pkexec)
// itself when the program does not run as root; a refused or cancelled
// password is a failed command that changed nothing (`refused`).
//
// The run functions block: call them on a worker.

#include "core/VolumeObj.h"

#include <QString>
#include <QStringList>

namespace repairdisk {

// The device a command names for a volume: its device identifier. Empty when
// the record has none (or one no device could have), and then nothing runs.
QString deviceOf(const VolumeObj& volume);

QStringList mountArguments(const QString& device);
QStringList unmountArguments(const QString& device);
QStringList ejectArguments(const QString& device);
QStringList renameArguments(const QString& device, const QString& name);
QStringList eraseArguments(const QString& type, const QString& name, const QString& device);
QStringList reformatArguments(const QString& device);
QStringList firstAidArguments(bool repair, const QString& device);

// How a command ended: whether the utility said it succeeded, and, when not,
// the last line it wrote about why.
struct CommandOutcome {
    bool succeeded = false;
    QString error;         // on a refusal, what the user is told
    bool refused = false;  // the administrator's rights were not given
    // The name was refused before the utility ran (the volume's file system
    // cannot hold it); `error` tells the user so.
    bool nameRefused = false;
};

// Mounts a volume that is not mounted, unmounts one that is.
CommandOutcome runMountOrUnmount(const QString& device, bool mounted);
CommandOutcome runEject(const QString& device);
CommandOutcome runRename(const QString& device, const QString& name);

// A format: an erase to `type` with `name`, or for a volume that keeps its
// type by reformat (`byReformat`) a rename to `name` followed by a reformat,
// waited for to its end.
CommandOutcome runFormat(const QString& device, const QString& type, const QString& name, bool byReformat);

} // namespace repairdisk
