#include "DiskToolCommands.h"

#include "core/CommandRunners.h"
#include "platform/DiskutilProgram.h"
#include "platform/Log.h"
#include "platform/Privileged.h"
#include "platform/Process.h"

namespace repairdisk {

namespace {

using Runner = QString (*)(const QString&, const QStringList&, platform::ProcessResult*);

QString lastLine(const QByteArray& text)
{
    const QStringList lines = QString::fromLocal8Bit(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.last().trimmed();
}

CommandOutcome run(Runner runner, const QStringList& arguments)
{
    platform::ProcessResult result;
    const QString output = runner(platform::diskutilProgram(), arguments, &result);
    discardCommandOutput(output);
    CommandOutcome outcome;
    outcome.succeeded = result.succeeded();
    // The utility asked for the password through pkexec and was refused:
    // nothing was done, and the user is told so in our words, never pkexec's.
    outcome.refused = platform::privileged::wasRefused(platform::privileged::endingOf(result));
    if (outcome.refused) {
        outcome.error = platform::privileged::refusalText(platform::privileged::endingOf(result));
        platform::log(QStringLiteral("diskutil %1: the administrator's rights were not given").arg(arguments.value(0)));
        return outcome;
    }
    if (!outcome.succeeded) {
        outcome.error = lastLine(result.standardError);
        if (outcome.error.isEmpty())
            outcome.error = result.started ? QStringLiteral("exit code %1").arg(result.exitCode)
                                           : QStringLiteral("the disk utility could not be started");
        platform::logNames(QStringLiteral("diskutil %1: %2").arg(arguments.value(0), outcome.error));
    }
    return outcome;
}

CommandOutcome noDevice()
{
    return {false, QStringLiteral("no device")};
}

} // namespace

QString deviceOf(const VolumeObj& volume)
{
    const QString id = volume.volumePath();
    // An identifier the utility could read as an option names no device.
    if (id.isEmpty() || id.startsWith(QLatin1Char('-')))
        return {};
    return id;
}

QStringList mountArguments(const QString& device)
{
    return {QStringLiteral("mount"), device};
}

QStringList unmountArguments(const QString& device)
{
    return {QStringLiteral("unmount"), device};
}

QStringList ejectArguments(const QString& device)
{
    return {QStringLiteral("eject"), device};
}

QStringList renameArguments(const QString& device, const QString& name)
{
    return {QStringLiteral("rename"), device, name};
}

QStringList eraseArguments(const QString& type, const QString& name, const QString& device)
{
    return {QStringLiteral("eraseVolume"), type, name, device};
}

QStringList reformatArguments(const QString& device)
{
    return {QStringLiteral("reformat"), device};
}

QStringList firstAidArguments(bool repair, const QString& device)
{
    return {repair ? QStringLiteral("repairvolume") : QStringLiteral("verifyvolume"), device};
}

CommandOutcome runMountOrUnmount(const QString& device, bool mounted)
{
    if (device.isEmpty())
        return noDevice();
    return run(&eraserExecCommand, mounted ? unmountArguments(device) : mountArguments(device));
}

CommandOutcome runEject(const QString& device)
{
    if (device.isEmpty())
        return noDevice();
    return run(&aepairExecCommand, ejectArguments(device));
}

CommandOutcome runRename(const QString& device, const QString& name)
{
    if (device.isEmpty())
        return noDevice();
    return run(&aepairExecCommand, renameArguments(device, name));
}

CommandOutcome runFormat(const QString& device, const QString& type, const QString& name, bool byReformat)
{
    if (device.isEmpty())
        return noDevice();
    if (byReformat) {
        const CommandOutcome renamed = run(&changeNameExecCommand, renameArguments(device, name));
        // Refused once is refused: no second password prompt for the reformat.
        if (renamed.refused)
            return renamed;
        const CommandOutcome reformatted = run(&eraserExecCommand, reformatArguments(device));
        if (!reformatted.succeeded)
            return reformatted;
        return renamed;
    }
    platform::log(QStringLiteral("format volume : %1 as %2").arg(device, type));
    return run(&eraserExecCommand, eraseArguments(type, name, device));
}

} // namespace repairdisk
