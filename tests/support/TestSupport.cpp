#include "TestSupport.h"

#include "platform/Process.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QMutex>
#include <QThread>
#include <cstdio>
#include <fcntl.h>
#include <linux/loop.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nvtest {
namespace {
QTemporaryDir*& sandboxDir()
{
    static QTemporaryDir* dir = nullptr;
    return dir;
}
int counter = 0;
} // namespace

void prepareEnvironment();

QString sandbox()
{
    if (!sandboxDir()) {
        sandboxDir() = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/nvtest-XXXXXX"));
    }
    return sandboxDir()->path();
}

void removeSandbox()
{
    delete sandboxDir();
    sandboxDir() = nullptr;
}

void prepareEnvironment()
{
    const QString base = sandbox();
    const auto setFolder = [&](const char* var, const QString& sub) {
        const QString p = base + QLatin1Char('/') + sub;
        QDir().mkpath(p);
        qputenv(var, QFile::encodeName(p));
    };
    setFolder("HOME", QStringLiteral("home"));
    setFolder("XDG_CONFIG_HOME", QStringLiteral("config"));
    setFolder("XDG_DATA_HOME", QStringLiteral("data"));
    setFolder("XDG_CACHE_HOME", QStringLiteral("cache"));
    setFolder("XDG_RUNTIME_DIR", QStringLiteral("runtime"));
    QFile::setPermissions(base + QStringLiteral("/runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    setFolder("TMPDIR", QStringLiteral("tmp"));
    setFolder("NULLVANE_ROOT", QStringLiteral("root"));
    // Our disk utility shows no loop device but those this program attaches.
    qputenv("NULLVANE_LOOP_IMAGES", QByteArray());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

QString freshFolder(const QString& hint)
{
    const QString p = QStringLiteral("%1/%2-%3").arg(sandbox(), hint).arg(++counter);
    QDir(p).removeRecursively();
    QDir().mkpath(p);
    return p;
}

QString outputFolder(const QString& sub)
{
    QString base = qEnvironmentVariable("NULLVANE_TEST_OUTPUT");
    if (base.isEmpty())
        base = QDir::currentPath() + QStringLiteral("/test-output");
    const QString p = sub.isEmpty() ? base : base + QLatin1Char('/') + sub;
    QDir().mkpath(p);
    return p;
}

bool pumpUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

void pump(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

bool isRoot() { return geteuid() == 0; }

bool haveTool(const QString& program) { return !platform::findProgram(program).isEmpty(); }

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

QByteArray standardErrorOf(const std::function<void()>& body)
{
    const QString path = freshFolder(QStringLiteral("stderr")) + QStringLiteral("/err");
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, STDERR_FILENO);
    ::close(fd);
    body();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    ::close(saved);
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

namespace {

// The images of this program's loop devices, as NULLVANE_LOOP_IMAGES names
// them to the disk utilities it starts.
QMutex loopImagesLock;
QStringList loopImages;

void publishLoopImages()
{
    qputenv("NULLVANE_LOOP_IMAGES", QFile::encodeName(loopImages.join(QLatin1Char(':'))));
}

// Partitions another test made on a loop number can outlive that device's
// detach, and a disk with partitions is no whole-disk volume.
void dropStalePartitions(const QString& loopDevice)
{
    const QString name = QFileInfo(loopDevice).fileName();
    if (!QDir(QStringLiteral("/sys/class/block/%1").arg(name))
             .entryList({name + QStringLiteral("p*")}, QDir::Dirs)
             .isEmpty())
        platform::runProcess(QStringLiteral("partx"), {QStringLiteral("-d"), loopDevice});
}

// Detaches `node` if it still backs `image`. The check and the detach go
// through one open descriptor, and the kernel does not let a device held
// open take another image, so a number that changed hands in between is
// left alone.
void detachIfBacking(const QString& node, const QString& image)
{
    struct stat imageStat {};
    if (::stat(QFile::encodeName(image).constData(), &imageStat) != 0)
        return;
    const int fd = ::open(QFile::encodeName(node).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    loop_info64 info{};
    if (::ioctl(fd, LOOP_GET_STATUS64, &info) == 0 && info.lo_inode == imageStat.st_ino &&
        info.lo_device == imageStat.st_dev)
        ::ioctl(fd, LOOP_CLR_FD, 0);
    ::close(fd);
}

} // namespace

LoopDevice::LoopDevice(qint64 sizeBytes, bool directIo)
{
    if (!isRoot()) {
        reason_ = QStringLiteral("needs root to attach a loop device");
        return;
    }
    if (!QFileInfo::exists(QStringLiteral("/dev/loop-control"))) {
        reason_ = QStringLiteral("this machine has no /dev/loop-control");
        return;
    }
    const QString path = freshFolder(QStringLiteral("loop")) + QStringLiteral("/disk.img");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || !f.resize(sizeBytes)) {
        reason_ = QStringLiteral("cannot create the image file");
        return;
    }
    f.close();
    // The kernel names the backing file by its real path.
    image_ = QFileInfo(path).canonicalFilePath();
    {
        QMutexLocker locked(&loopImagesLock);
        loopImages << image_;
        publishLoopImages();
    }
    QStringList args{QStringLiteral("-f"), QStringLiteral("--show")};
    if (directIo)
        args << QStringLiteral("--direct-io=on");
    args << image_;
    const auto r = platform::runProcess(QStringLiteral("losetup"), args);
    if (!r.succeeded()) {
        reason_ = QStringLiteral("losetup failed: %1").arg(QString::fromLocal8Bit(r.standardError).trimmed());
        return;
    }
    device_ = QString::fromLocal8Bit(r.standardOutput).trimmed();
    dropStalePartitions(device_);
}

LoopDevice::~LoopDevice()
{
    if (!mountPoint_.isEmpty())
        unmount();
    if (image_.isEmpty())
        return;
    for (const QString& node : attachedNodes())
        detachIfBacking(node, image_);
    {
        QMutexLocker locked(&loopImagesLock);
        loopImages.removeAll(image_);
        publishLoopImages();
    }
    QFile::remove(image_);
}

QString LoopDevice::kernelName() const { return QFileInfo(device_).fileName(); }

QStringList LoopDevice::attachedNodes() const
{
    QStringList nodes;
    if (image_.isEmpty())
        return nodes;
    const QDir block(QStringLiteral("/sys/block"));
    for (const QString& name : block.entryList({QStringLiteral("loop*")}, QDir::Dirs | QDir::System | QDir::NoDotAndDotDot)) {
        QFile backing(block.filePath(name) + QStringLiteral("/loop/backing_file"));
        if (backing.open(QIODevice::ReadOnly) && QFile::decodeName(backing.readAll().trimmed()) == image_)
            nodes << QStringLiteral("/dev/") + name;
    }
    return nodes;
}

bool LoopDevice::format(const QString& type, const QStringList& args)
{
    if (!valid())
        return false;
    QString program = QStringLiteral("mkfs.") + type;
    QStringList all = args;
    if (type == QLatin1String("ntfs"))
        all.prepend(QStringLiteral("-Q")), all.prepend(QStringLiteral("-F"));
    if (type == QLatin1String("ext4"))
        all.prepend(QStringLiteral("-q")), all.prepend(QStringLiteral("-F"));
    all << device_;
    const auto r = platform::runProcess(platform::findProgram(program).isEmpty() ? program : platform::findProgram(program), all);
    return r.succeeded();
}

QString LoopDevice::mount(const QString& fsType)
{
    if (!valid())
        return {};
    const QString point = freshFolder(QStringLiteral("mnt"));
    platform::ProcessResult r;
    if (fsType == QLatin1String("vfat"))
        r = platform::runProcess(QStringLiteral("fusefat"), {QStringLiteral("-o"), QStringLiteral("rw+"), device_, point});
    else if (fsType == QLatin1String("exfat"))
        r = platform::runProcess(QStringLiteral("mount.exfat-fuse"), {device_, point});
    else if (fsType == QLatin1String("ntfs"))
        r = platform::runProcess(QStringLiteral("ntfs-3g"), {device_, point});
    else
        r = platform::runProcess(QStringLiteral("mount"), {QStringLiteral("-t"), fsType, device_, point});
    if (!r.succeeded())
        return {};
    mountPoint_ = point;
    return point;
}

namespace {
// Whether some process still holds `device` open (a FUSE driver goes on
// writing its buffers out after the unmount has returned).
bool deviceInUse(const QString& device)
{
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : pids) {
        if (!pid.front().isDigit())
            continue;
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
            if (fd.symLinkTarget() == device)
                return true;
    }
    return false;
}
} // namespace

bool LoopDevice::unmount()
{
    if (mountPoint_.isEmpty())
        return true;
    auto r = platform::runProcess(QStringLiteral("umount"), {mountPoint_});
    if (!r.succeeded()) {
        QThread::msleep(200);
        r = platform::runProcess(QStringLiteral("umount"), {QStringLiteral("-l"), mountPoint_});
    }
    if (r.succeeded())
        mountPoint_.clear();
    // Until the driver has let go, the image does not yet hold everything.
    QElapsedTimer waited;
    waited.start();
    while (r.succeeded() && waited.elapsed() < 15000 && deviceInUse(device_))
        QThread::msleep(20);
    // The driver's last close would write its cached blocks out, but it may
    // not have happened yet when its process is gone from /proc, and another
    // opener (a probe by a test beside this one) makes it not the last.
    flush();
    return r.succeeded();
}

void LoopDevice::flush() const
{
    if (!valid())
        return;
    const int fd = ::open(QFile::encodeName(device_).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

bool fileContains(const QString& path, const QByteArray& needle)
{
    QFile f(path);
    if (needle.isEmpty() || !f.open(QIODevice::ReadOnly))
        return false;
    const qint64 block = 8 << 20;
    QByteArray carry;
    while (!f.atEnd()) {
        QByteArray chunk = carry + f.read(block);
        if (chunk.contains(needle))
            return true;
        carry = chunk.right(needle.size() - 1);
    }
    return false;
}

bool damageExt4(LoopDevice& dev)
{
    if (!dev.format(QStringLiteral("ext4"), {QStringLiteral("-L"), QStringLiteral("HURT")}) || dev.mount().isEmpty())
        return false;
    writeFile(dev.mountPoint() + QStringLiteral("/victim.txt"), QByteArray(20000, 'v'));
    if (!dev.unmount())
        return false;
    return platform::runProcess(platform::findProgram(QStringLiteral("debugfs")),
                                {QStringLiteral("-w"), QStringLiteral("-R"), QStringLiteral("clri victim.txt"), dev.device()})
        .succeeded();
}

bool writeWaitingChecker(const QString& path, const QString& go)
{
    const QString script = QStringLiteral("#!/bin/sh\necho 'Pass 1: first line'\n"
                                          "i=0; while [ ! -e '%1' ] && [ $i -lt 600 ]; do sleep 0.05; i=$((i+1)); done\n"
                                          "echo 'Pass 2: second line'\nexit 0\n")
                               .arg(go);
    return writeFile(path, script.toUtf8()) &&
           QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::WriteOwner);
}

ProgramOnPath::ProgramOnPath(const QString& name, const QByteArray& body)
    : path_(freshFolder(QStringLiteral("bin-") + name) + QLatin1Char('/') + name), savedPath_(qgetenv("PATH"))
{
    valid_ = writeFile(path_, "#!/bin/sh\n" + body) &&
             QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("PATH", QFile::encodeName(QFileInfo(path_).absolutePath()) + ':' + savedPath_);
}

ProgramOnPath::~ProgramOnPath()
{
    qputenv("PATH", savedPath_);
}

} // namespace nvtest
