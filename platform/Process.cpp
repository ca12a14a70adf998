#include "Process.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace platform {

ProcessResult runProcess(const QString& program, const QStringList& arguments,
                         const ProcessOptions& options)
{
    ProcessResult result;
    QProcess process;
    if (!options.extraEnvironment.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& entry : options.extraEnvironment) {
            const qsizetype eq = entry.indexOf(QLatin1Char('='));
            if (eq > 0)
                env.insert(entry.left(eq), entry.mid(eq + 1));
        }
        process.setProcessEnvironment(env);
    }
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
