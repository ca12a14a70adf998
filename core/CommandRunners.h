#pragma once
// The disk utility's commands, run with their standard output captured in a
// file that the caller then reads (as a property list, or as text). Each runner
// names its file as the volume screens expect; the file is made fresh for every
// call, in a folder of its own inside the application's private temporary
// folder (mode 0700), so no other user can plant a link there and two calls
// running at once, even of the same runner, never share a file.
//
// The command is a program and its arguments, never a shell line: a volume
// name reaches the program as one argument, whatever it holds.
//
// Each returns the output file's path, or "" when no program was given or no
// file could be made. The command's exit status is not reported: a missing or
// empty file means the command had no answer.

#include <QString>
#include <QStringList>

namespace platform { struct ProcessResult; }

// "RUZArud.plist": the volume enumeration.
QString ExecCommand(const QString& program, const QStringList& arguments);
// "eraserVolumeTemp.plist": the disk wipe.
QString eraserDiskCommand(const QString& program, const QStringList& arguments);
// "NullvaneTemp.plist": the disk wipe.
QString execCommand(const QString& program, const QStringList& arguments);
// The Disk tools' runners. A caller that must know whether the command
// succeeded passes `outcome`, which learns how it ended (exit status, error
// output).
// "eraserVolumeTemp.plist"
QString eraserExecCommand(const QString& program, const QStringList& arguments,
                          platform::ProcessResult* outcome = nullptr);
// "NullvaneRepairTemp.plist"
QString aepairExecCommand(const QString& program, const QStringList& arguments,
                          platform::ProcessResult* outcome = nullptr);
// "NullvaneChangeNameTemp.plist"
QString changeNameExecCommand(const QString& program, const QStringList& arguments,
                              platform::ProcessResult* outcome = nullptr);

// Removes an output file that a runner returned, with its folder, once the
// caller has read it. Paths that no runner made are left alone. Whatever is
// left is removed when the process ends.
void discardCommandOutput(const QString& path);
