#include "CommandRunners.h"

#include "platform/Locations.h"
#include "platform/Log.h"
#include "platform/Process.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The folders made for outputs that nobody has discarded yet.
struct Leftovers {
    QMutex mutex;
    QSet<QByteArray> folders;

    ~Leftovers()
    {
        for (const QByteArray& folder : std::as_const(folders)) {
            const QByteArray prefix = folder + '/';
            for (const char* name : {"RUZArud.plist", "eraserVolumeTemp.plist", "NullvaneTemp.plist",
                                     "NullvaneRepairTemp.plist", "NullvaneChangeNameTemp.plist"})
                ::unlink((prefix + name).constData());
            ::rmdir(folder.constData());
        }
    }
};

Leftovers& leftovers()
{
    static Leftovers l;
    return l;
}

QString runCaptured(const char* fileName, const QString& program, const QStringList& arguments)
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
    {
        Leftovers& l = leftovers();
        QMutexLocker lock(&l.mutex);
        l.folders.insert(folder);
    }
    const QByteArray file = folder + '/' + fileName;
    const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        ::rmdir(folder.constData());
        return {};
    }
    ::close(fd);
    const QString path = QFile::decodeName(file);
    platform::ProcessOptions options;
    options.standardOutputFile = path;
    const platform::ProcessResult r = platform::runProcess(program, arguments, options);
    if (!r.started)
        platform::log(QStringLiteral("%1 could not be started: %2").arg(program, QString::fromLocal8Bit(r.standardError)));
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

QString eraserExecCommand(const QString& program, const QStringList& arguments)
{
    return runCaptured("eraserVolumeTemp.plist", program, arguments);
}

QString aepairExecCommand(const QString& program, const QStringList& arguments)
{
    return runCaptured("NullvaneRepairTemp.plist", program, arguments);
}

QString changeNameExecCommand(const QString& program, const QStringList& arguments)
{
    return runCaptured("NullvaneChangeNameTemp.plist", program, arguments);
}

void discardCommandOutput(const QString& path)
{
    if (path.isEmpty())
        return;
    const QByteArray folder = QFile::encodeName(QFileInfo(path).path());
    Leftovers& l = leftovers();
    QMutexLocker lock(&l.mutex);
    if (!l.folders.contains(folder))
        return;
    ::unlink(QFile::encodeName(path).constData());
    ::rmdir(folder.constData());
    l.folders.remove(folder);
}
