#include "CommandRunners.h"

#include "platform/Locations.h"
#include "platform/Log.h"
#include "platform/Process.h"

#include <QFile>
#include <QMutex>
#include <QSet>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

// An output file and the folder made for it alone.
void removeOutput(const QByteArray& file)
{
    ::unlink(file.constData());
    ::rmdir(file.left(file.lastIndexOf('/')).constData());
}

// The outputs that nobody has discarded yet.
struct Leftovers {
    QMutex mutex;
    QSet<QByteArray> files;

    ~Leftovers()
    {
        for (const QByteArray& file : std::as_const(files))
            removeOutput(file);
    }
};

Leftovers& leftovers()
{
    static Leftovers l;
    return l;
}

QString runCaptured(const char* fileName, const QString& program, const QStringList& arguments,
                    platform::ProcessResult* outcome = nullptr)
{
    if (program.isEmpty())
        return {};
    const QString base = platform::privateTempFolder();
    if (base.isEmpty()) {
        platform::log(QStringLiteral("no private temporary folder for %1").arg(QLatin1String(fileName)));
        return {};
    }
    QByteArray folder = QFile::encodeName(base + QStringLiteral("/cmd-XXXXXX"));
    if (!::mkdtemp(folder.data())) {
        platform::log(QStringLiteral("cannot make a folder for %1").arg(QLatin1String(fileName)));
        return {};
    }
    const QByteArray file = folder + '/' + fileName;
    const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        ::rmdir(folder.constData());
        return {};
    }
    ::close(fd);
    {
        Leftovers& l = leftovers();
        QMutexLocker lock(&l.mutex);
        l.files.insert(file);
    }
    const QString path = QFile::decodeName(file);
    platform::ProcessOptions options;
    options.standardOutputFile = path;
    const platform::ProcessResult r = platform::runProcess(program, arguments, options);
    if (!r.started)
        platform::log(QStringLiteral("%1 could not be started: %2").arg(program, QString::fromLocal8Bit(r.standardError)));
    if (outcome)
        *outcome = r;
    return path;
}

} // namespace

QString ExecCommand(const QString& program, const QStringList& arguments)
{
    return runCaptured("RUZArud.plist", program, arguments);
}

QString eraserDiskCommand(const QString& program, const QStringList& arguments)
{
    return runCaptured("eraserVolumeTemp.plist", program, arguments);
}

QString execCommand(const QString& program, const QStringList& arguments)
{
    return runCaptured("NullvaneTemp.plist", program, arguments);
}

QString eraserExecCommand(const QString& program, const QStringList& arguments, platform::ProcessResult* outcome)
{
    return runCaptured("eraserVolumeTemp.plist", program, arguments, outcome);
}

QString aepairExecCommand(const QString& program, const QStringList& arguments, platform::ProcessResult* outcome)
{
    return runCaptured("NullvaneRepairTemp.plist", program, arguments, outcome);
}

QString changeNameExecCommand(const QString& program, const QStringList& arguments, platform::ProcessResult* outcome)
{
    return runCaptured("NullvaneChangeNameTemp.plist", program, arguments, outcome);
}

void discardCommandOutput(const QString& path)
{
    if (path.isEmpty())
        return;
    const QByteArray file = QFile::encodeName(path);
    Leftovers& l = leftovers();
    QMutexLocker lock(&l.mutex);
    if (l.files.remove(file))
        removeOutput(file);
}
