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
