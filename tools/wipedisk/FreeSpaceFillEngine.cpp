#include "FreeSpaceFillEngine.h"

#include "WipeVolumeScan.h"

#include "core/PublicUtilities.h"
#include "platform/Defaults.h"
#include "platform/Dispatch.h"
#include "platform/FillFile.h"
#include "platform/FillLeftovers.h"
#include "platform/Log.h"
#include "platform/MountTable.h"
#include "platform/SecureRandom.h"

#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <unistd.h>

namespace {

const char* const kFolderFailText = "硬盘驱动器已被占用或为只读,关闭其他程序或删除只读属性以重试。";
const char* const kNoRightsText = "您没有文件的'读取'和'写入'权限。";
const char* const kFillFolderName = ".VOVU";

// What the run needs of the selected volume, copied when the fill starts: the
// record belongs to the screen, which may change it on its own thread.
struct Target {
    QString name;
    QString type;
    QString mountPoint;
    QString deviceNode;
    qint64 freeBytes = 0;
    qint64 totalBytes = 0;
};

using wipescan::deviceNodeOf;

Target targetOf(const VolumeObj& v)
{
    Target t;
    t.name = v.volumeName();
    t.type = v.volumeType();
    t.mountPoint = v.volumeMountPoint();
    t.deviceNode = deviceNodeOf(v);
    t.freeBytes = v.volumeFreeSizeNum();
    t.totalBytes = v.volumeTotalSizeNum();
    return t;
}

// Page-aligned, zeroed write buffer.
struct Buffer {
    explicit Buffer(qint64 size)
        : data(static_cast<char*>(std::aligned_alloc(4096, static_cast<size_t>(size))))
    {
        if (data)
            std::memset(data, 0, static_cast<size_t>(size));
    }
    ~Buffer() { std::free(data); }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    char* data;
};

enum class StreamEnd { Done, Cancelled, DiskFull, Failed };

bool isDiskFull(int error) { return error == ENOSPC || error == EDQUOT; }

// A fill folder as the writer holds it: its own handle, and the handle and
// entry name it is removed through. Every file is created inside `fd`, and
// written in whole allocation units of its file system.
struct Folder {
    int parentFd = -1;
    int fd = -1;
    QString name;
    QString path; // for log lines and wipeScanPathStr
    qint64 unit = 4096;
};

// `bytes` rounded up to whole units.
qint64 wholeUnits(qint64 bytes, qint64 unit) { return unit > 0 ? (bytes + unit - 1) / unit * unit : bytes; }

// A folder named by path, for the operations tests call one by one.
struct FolderByPath : Folder {
    explicit FolderByPath(const QString& folderPath)
    {
        path = folderPath;
        const QFileInfo info(folderPath);
        name = info.fileName();
        parentFd = platform::openFolder(info.absolutePath());
        fd = platform::openFolder(folderPath);
        unit = platform::allocationUnitOf(fd);
    }
    ~FolderByPath()
    {
        if (fd >= 0)
            ::close(fd);
        if (parentFd >= 0)
            ::close(parentFd);
    }
    FolderByPath(const FolderByPath&) = delete;
    FolderByPath& operator=(const FolderByPath&) = delete;
};

qint64 steadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

struct FreeSpaceFillEngine::Shared {
    std::atomic<int> selectEraserType{kWipeFreeSpace};
    std::atomic<bool> isCancelEraser{false};
    std::atomic<int> iRoundTimes{0};
    std::atomic<bool> isPartitionEraser{false};
    std::atomic<int> passes{0}; // of the current run; 0 before the first
    // When a quit asked the writer to stop, the time (steady clock, ms) after
    // which nobody waits for it any more; 0 when no quit asked.
    std::atomic<qint64> quitDeadlineMs{0};

    mutable QMutex mutex;
    VolumeObjPtr selectVolumeObj;
    QString errorString;
    QString wipeScanPathStr;
    Target target;
    // The handle on the volume's root while a run uses it, and afterwards for
    // as long as a fill folder it could not remove is still on disk.
    std::shared_ptr<platform::VolumeRoot> root;
    FillFileObserver fillFileObserver;

    // The record of the run on its volume, kept until nothing of the fill is
    // left there, and the ext4 reserved clusters lent for the pass under way.
    std::mutex loanMutex;
    platform::FillRecord record;
    platform::ReservedClustersLoan loan;

    mutable std::mutex runMutex;
    mutable std::condition_variable runEnded;
    bool running = false;

    QString error() const
    {
        QMutexLocker lock(&mutex);
        return errorString;
    }
    void setError(const QString& text)
    {
        QMutexLocker lock(&mutex);
        errorString = text;
    }
    QString scanPath() const
    {
        QMutexLocker lock(&mutex);
        return wipeScanPathStr;
    }
    void setScanPath(const QString& path)
    {
        QMutexLocker lock(&mutex);
        wipeScanPathStr = path;
    }
    Target targetCopy() const
    {
        QMutexLocker lock(&mutex);
        return target;
    }
    std::shared_ptr<platform::VolumeRoot> heldRoot() const
    {
        QMutexLocker lock(&mutex);
        return root;
    }
    void holdRoot(std::shared_ptr<platform::VolumeRoot> r)
    {
        QMutexLocker lock(&mutex);
        root = std::move(r);
    }
    FillFileObserver observer() const
    {
        QMutexLocker lock(&mutex);
        return fillFileObserver;
    }

    // Before the fill folder is made: what a killed run leaves behind is
    // put right at the next start.
    void beginRecord(const platform::VolumeRoot& volume)
    {
        std::lock_guard<std::mutex> lock(loanMutex);
        if (!record.isHeld())
            record.begin(volume, QString::fromLatin1(kFillFolderName));
    }
    void endRecord()
    {
        std::lock_guard<std::mutex> lock(loanMutex);
        loan.giveBack();
        record.end();
    }
    // Only with a record of it: a reserve lent and never given back would
    // leave the volume short until it is mounted again.
    void lendReservedClusters(const QString& kernelName)
    {
        std::lock_guard<std::mutex> lock(loanMutex);
        if (record.isHeld() && loan.lend(kernelName, &record))
            platform::log(QStringLiteral("Reserved clusters of %1 lent for the pass").arg(kernelName));
    }
    void giveBackReservedClusters()
    {
        std::lock_guard<std::mutex> lock(loanMutex);
        loan.giveBack();
    }

    void markEnded()
    {
        {
            std::lock_guard<std::mutex> lock(runMutex);
            running = false;
        }
        runEnded.notify_all();
    }

    // Writes `total` bytes from `buffer`, which holds one repeated byte value,
    // in requests of at most `bufferSize` bytes; checks for a cancel before
    // every request and after every short write. When the volume reports it is
    // full, the request is halved and tried again, down to one allocation unit
    // (`unit`) of the file system: only a unit that does not fit means the
    // volume is full.
    //
    // The first `header` bytes of the buffer may differ from the rest (a full
    // file's random header): they are written with the first request, which
    // keeps every later request aligned, and then cleared.
    StreamEnd stream(platform::FillFile& file, char* buffer, qint64 bufferSize, qint64 total, const QString& path,
                     qint64 unit, qint64 header = 0)
    {
        const qint64 smallest = std::max<qint64>(1, unit);
        qint64 largest = bufferSize;
        qint64 left = total;
        while (left > 0) {
            if (isCancelEraser.load()) {
                // The header comes before the first look at the flag.
                if (header > 0)
                    file.write(buffer, header);
                platform::log(QStringLiteral("Operation canceled before completion."));
                return StreamEnd::Cancelled;
            }
            const qint64 request = std::min(left, largest);
            const long long n = file.write(buffer, request);
            if (n < 0 && isDiskFull(file.error())) {
                if (request > smallest) {
                    // Sizes the file system says cannot fit are skipped: each
                    // refused write costs it a journal commit or more.
                    // (A file system that tells no sizes at all is only halved.)
                    const platform::SpaceInfo space = platform::fileSystemSpaceOf(file.fd());
                    const bool told = space.totalBytes > 0;
                    const qint64 free = told ? platform::writableFreeBytes(space) : request;
                    const qint64 fits = free > 0 ? free / smallest * smallest : smallest;
                    largest = std::max(smallest, std::min(request / 2, fits));
                    continue;
                }
                platform::log(QStringLiteral("Disk full while writing %1 (errno=%2)").arg(path).arg(file.error()));
                return StreamEnd::DiskFull;
            }
            if (n <= 0 || n < header) {
                platform::log(QStringLiteral("%1 %2 (errno=%3)")
                                  .arg(header > 0 ? QStringLiteral("Failed to write header to")
                                                  : QStringLiteral("Write error while writing to"),
                                       path)
                                  .arg(n < 0 ? file.error() : 0));
                return StreamEnd::Failed;
            }
            if (header > 0) {
                std::memset(buffer, 0, static_cast<size_t>(header));
                header = 0;
            }
            left -= n;
        }
        return StreamEnd::Done;
    }

    // A file that was not cancelled reaches the medium before its folder is
    // removed: the pages of a deleted file are otherwise dropped unwritten.
    void finish(platform::FillFile& file, StreamEnd end, const QString& path)
    {
        if (end == StreamEnd::Cancelled)
            return;
        if (!file.flush()) {
            if (end == StreamEnd::Done) {
                if (isDiskFull(file.error()))
                    platform::log(QStringLiteral("Disk full while writing %1 (errno=%2)").arg(path).arg(file.error()));
                else
                    platform::log(QStringLiteral("Write error while writing to %1 (errno=%2)").arg(path).arg(file.error()));
            }
            return;
        }
        // The blocks the file system took for the file's own bookkeeping (the
        // folder's entries, extent blocks) reach their place on the medium
        // only with the file system's flush; freed unwritten, they would keep
        // the deleted data they were given.
        platform::syncFileSystemOf(file.fd());
        if (const FillFileObserver look = observer())
            look(path, file.fd());
    }

    // Whether the volume the run holds is still where the record says. A
    // volume that went (unmounted, even lazily) stops the pass: nothing more
    // is written, so nothing can land on whatever is mounted there now.
    bool volumeStays(const platform::VolumeRoot* volume)
    {
        QString why;
        if (!volume || volume->stillMounted(&why))
            return true;
        platform::log(QStringLiteral("The volume is gone: %1").arg(why));
        return false;
    }

    void createDydFile(const Folder& folder, qint64 index)
    {
        const QString name = QStringLiteral(".VOVU_") + QString::number(index);
        const QString path = fullFilePath(folder.path, index);
        try {
            platform::FillFile file;
            if (!file.openAt(folder.fd, name)) {
                platform::log(QStringLiteral("Failed to open file for writing: %1 (errno=%2)").arg(path).arg(file.error()));
                return;
            }
            Buffer zeros(kWriteRequest);
            if (!zeros.data) {
                platform::log(QStringLiteral("Failed to malloc buffer"));
                finish(file, StreamEnd::Failed, path);
                return;
            }
            quint32 words[2] = {0, 0};
            platform::secureRandomBytes(words, sizeof words);
            const quint64 header = (static_cast<quint64>(words[0]) << 32) | words[1];
            std::memcpy(zeros.data, &header, kFullFileHeader);
            // The file ends with its last allocation unit: the rest of a unit
            // after the end of a file is never written and keeps what was there.
            const qint64 total = wholeUnits(kFullFileHeader + kFullFileZeros, folder.unit);
            const StreamEnd end = stream(file, zeros.data, kWriteRequest, total, path, folder.unit, kFullFileHeader);
            finish(file, end, path);
        } catch (const std::exception& e) {
            platform::log(QStringLiteral("Error occurred in createDydFile: %1").arg(QString::fromLocal8Bit(e.what())));
        }
    }

    // Answers false when the volume went away before the last file.
    bool roundOne(qint64 roundCount, const Folder& folder, const platform::VolumeRoot* volume)
    {
        for (qint64 k = 1; k <= roundCount; ++k) {
            if (isCancelEraser.load())
                return true;
            if (!volumeStays(volume))
                return false;
            createDydFile(folder, k);
            platform::log(QStringLiteral("%1---------------------: %2").arg(iRoundTimes.load()).arg(roundCount));
        }
        return true;
    }

    void writLostData(qint64 loseCount, qint64 roundCount, const Folder& folder)
    {
        if (loseCount < 1 || isCancelEraser.load())
            return;
        const QString path = loseFilePath(folder.path, roundCount);
        const QString name = QFileInfo(path).fileName();
        try {
            platform::FillFile file;
            if (!file.openAt(folder.fd, name)) {
                if (isDiskFull(file.error())) {
                    // No room left even for the file itself: the volume is full.
                    platform::log(QStringLiteral("Disk full while writing %1 (errno=%2)").arg(path).arg(file.error()));
                    return;
                }
                platform::log(QStringLiteral("file open fail"));
                setError(QString::fromUtf8(kNoRightsText));
                return;
            }
            // Whole blocks of zero bytes, then the odd bytes as "0" characters;
            // under one block it is all "0" characters. The file is made up to
            // whole allocation units with more of its last kind of byte.
            qint64 zeroBytes = loseCount >= kLoseBlock ? loseCount / kLoseBlock * kLoseBlock : 0;
            qint64 tail = loseCount - zeroBytes;
            const qint64 padding = wholeUnits(loseCount, folder.unit) - loseCount;
            (tail > 0 ? tail : zeroBytes) += padding;
            StreamEnd end = StreamEnd::Done;
            if (zeroBytes > 0) {
                Buffer zeros(kWriteRequest);
                if (!zeros.data) {
                    platform::log(QStringLiteral("Failed to malloc buffer"));
                    finish(file, StreamEnd::Failed, path);
                    return;
                }
                end = stream(file, zeros.data, kWriteRequest, zeroBytes, path, folder.unit);
            }
            if (end == StreamEnd::Done && tail > 0) {
                QByteArray chars(static_cast<qsizetype>(tail), '0');
                end = stream(file, chars.data(), tail, tail, path, folder.unit);
            }
            finish(file, end, path);
        } catch (const std::exception&) {
            // Nothing of the pass may stay behind: the folder goes now, and the
            // pass counts as done, as a volume that ran full.
            platform::log(QStringLiteral("NO FACE"));
            setError(QString());
            if (folder.parentFd >= 0)
                platform::removeTreeAt(folder.parentFd, folder.name);
            setScanPath(QString());
            platform::syncFileSystemOf(folder.parentFd);
        }
    }

    // Removal is tried a bounded number of times; a folder that stays makes
    // the run fail instead of waiting for ever.
    bool removeFillFolder(int parentFd, const QString& folderPath)
    {
        for (int attempt = 1; attempt <= kRemoveAttempts; ++attempt) {
            int error = 0;
            if (platform::removeTreeAt(parentFd, QString::fromLatin1(kFillFolderName), &error))
                return true;
            platform::log(QStringLiteral("Remove folder fail (%1 of %2): %3 (errno=%4)")
                              .arg(attempt)
                              .arg(kRemoveAttempts)
                              .arg(folderPath)
                              .arg(error));
            if (attempt < kRemoveAttempts)
                QThread::msleep(kRemoveRetryMs);
        }
        return false;
    }

    void scheduleComplite(const QPointer<FreeSpaceFillEngine>& engine)
    {
        platform::dispatch::after(kCompliteDelayMs, [engine] {
            if (engine && engine->delegate_)
                engine->delegate_->showComplite();
        });
    }

    // One pass's files inside the fill folder, which exists. Answers false
    // when the volume went away during the pass.
    bool fillPass(const platform::VolumeRoot& volume, const Folder& folder)
    {
        // The budget is what the file system has free at the start of each
        // pass, once the folder exists and the reserved clusters are lent,
        // not the record's figure: that was taken before the run, misses what
        // changed since (the previous pass, other writers) and, for root,
        // leaves out the blocks only root may write. With the full files a
        // little larger than the budget unit, the pass then always runs the
        // volume full.
        qint64 budget = std::max<qint64>(0, platform::writableFreeBytesOf(folder.fd));
        // Some FUSE drivers (fusefat) answer statfs with zeros: such a file
        // system is given the record's figure and filled until it is full.
        if (budget == 0 && platform::fileSystemSpaceOf(folder.fd).totalBytes == 0)
            budget = std::max<qint64>(0, targetCopy().freeBytes);
        const FillLayout layout = fillLayoutFor(budget);
        if (!roundOne(layout.roundCount, folder, &volume))
            return false;
        if (!isCancelEraser.load() && !volumeStays(&volume))
            return false;
        writLostData(layout.loseCount, layout.roundCount, folder);
        return true;
    }

    void run(const QPointer<FreeSpaceFillEngine>& engine)
    {
        struct EndGuard {
            Shared* s;
            ~EndGuard()
            {
                // A fill folder that could not be removed keeps its record, so
                // the next start tries again.
                if (s->scanPath().isEmpty())
                    s->endRecord();
                s->markEnded();
            }
        } guard{this};

        const Target t = targetCopy();
        const int total = passes.load();
        // The volume's root is opened once and checked against the record's
        // device; every fill file and the folder are reached from it.
        auto volume = std::make_shared<platform::VolumeRoot>();
        QString why;
        if (volume->open(t.mountPoint, t.deviceNode, &why))
            holdRoot(volume);
        else
            platform::log(QStringLiteral("The volume is gone: %1").arg(why));

        for (int i = 0; i < total; ++i) {
            ++iRoundTimes;
            if (isCancelEraser.load()) {
                scheduleComplite(engine);
                return;
            }
            const QString folderPath = fillFolderFor(t.mountPoint);
            Folder folder{volume->fd(), -1, QString::fromLatin1(kFillFolderName), folderPath};
            int error = 0;
            if (volume->isOpen() && volumeStays(volume.get())) {
                beginRecord(*volume);
                folder.fd = platform::openFillFolderAt(volume->fd(), folder.name, &error);
                folder.unit = platform::allocationUnitOf(folder.fd, volume->kernelName());
            }
            if (folder.fd < 0) {
                // There is no fallback folder elsewhere (such as the temporary
                // folder): filling another volume wipes nothing of this one.
                if (error != 0)
                    platform::log(QStringLiteral("Cannot create %1 (errno=%2)").arg(folderPath).arg(error));
                platform::log(QStringLiteral("Create finder fail"));
                setError(QString::fromUtf8(kFolderFailText));
            } else {
                lendReservedClusters(volume->kernelName());
                platform::dispatch::main([engine] {
                    if (engine)
                        engine->startProgressUpdateTimer();
                });
                setScanPath(folderPath);
                if (!fillPass(*volume, folder))
                    setError(QString::fromUtf8(kFolderFailText));
                ::close(folder.fd);
            }

            platform::dispatch::main([engine] {
                if (engine)
                    engine->stopProgressUpdateTimer();
            });
            if (volume->isOpen()) {
                const bool removed = removeFillFolder(volume->fd(), folderPath);
                giveBackReservedClusters();
                if (!removed) {
                    setError(QString::fromUtf8(kFolderFailText));
                    scheduleComplite(engine);
                    return;
                }
                setScanPath(QString());
                platform::syncFileSystemOf(volume->fd());
            }

            const bool last = isCancelEraser.load() || i + 1 == total;
            const int pass = i + 1;
            platform::dispatch::main([engine, pass, total, last] {
                if (engine)
                    engine->passReport(pass, total, last);
            });
            if (last)
                break;
        }
        // Nothing of the fill is left on disk: the volume is let go.
        holdRoot(nullptr);
    }
};

FreeSpaceFillEngine::FreeSpaceFillEngine(QObject* parent)
    : QObject(parent), d(std::make_shared<Shared>())
{
}

FreeSpaceFillEngine::~FreeSpaceFillEngine()
{
    delete progressUpdateTimer_;
    progressUpdateTimer_ = nullptr;
    stopRunningFill(kQuitWaitMs);
}

VolumeObjPtr FreeSpaceFillEngine::selectVolumeObj() const
{
    QMutexLocker lock(&d->mutex);
    return d->selectVolumeObj;
}

void FreeSpaceFillEngine::setSelectVolumeObj(const VolumeObjPtr& volume)
{
    QMutexLocker lock(&d->mutex);
    d->selectVolumeObj = volume;
    d->target = volume ? targetOf(*volume) : Target();
}

int FreeSpaceFillEngine::selectEraserType() const { return d->selectEraserType.load(); }
void FreeSpaceFillEngine::setSelectEraserType(int type) { d->selectEraserType = type; }
bool FreeSpaceFillEngine::isCancelEraser() const { return d->isCancelEraser.load(); }
void FreeSpaceFillEngine::setIsCancelEraser(bool cancel) { d->isCancelEraser = cancel; }
QString FreeSpaceFillEngine::errorString() const { return d->error(); }
void FreeSpaceFillEngine::setErrorString(const QString& text) { d->setError(text); }
int FreeSpaceFillEngine::iRoundTimes() const { return d->iRoundTimes.load(); }
void FreeSpaceFillEngine::setIRoundTimes(int rounds) { d->iRoundTimes = rounds; }
QString FreeSpaceFillEngine::wipeScanPathStr() const { return d->scanPath(); }
void FreeSpaceFillEngine::setWipeScanPathStr(const QString& path) { d->setScanPath(path); }
bool FreeSpaceFillEngine::isPartitionEraser() const { return d->isPartitionEraser.load(); }
void FreeSpaceFillEngine::setIsPartitionEraser(bool partition) { d->isPartitionEraser = partition; }

bool FreeSpaceFillEngine::isRunning() const
{
    std::lock_guard<std::mutex> lock(d->runMutex);
    return d->running;
}

bool FreeSpaceFillEngine::waitForFill(int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(d->runMutex);
    return d->runEnded.wait_for(lock, std::chrono::milliseconds(std::max(0, timeoutMs)), [this] { return !d->running; });
}

bool FreeSpaceFillEngine::stopRunningFill(int timeoutMs)
{
    if (!isRunning())
        return true;
    d->isCancelEraser = true;
    qint64 expected = 0;
    d->quitDeadlineMs.compare_exchange_strong(expected, steadyMs() + std::max(0, timeoutMs));
    const bool stopped = waitForFill(static_cast<int>(d->quitDeadlineMs.load() - steadyMs()));
    if (!stopped)
        platform::log(QStringLiteral("The free-space fill did not stop in time"));
    return stopped;
}

void FreeSpaceFillEngine::setFillFileObserver(FillFileObserver observer)
{
    QMutexLocker lock(&d->mutex);
    d->fillFileObserver = std::move(observer);
}

void FreeSpaceFillEngine::doFreeSpaceAction()
{
    {
        std::lock_guard<std::mutex> lock(d->runMutex);
        if (d->running) {
            platform::log(QStringLiteral("A free-space fill is already running"));
            return;
        }
        d->running = true;
    }
    const QPointer<FreeSpaceFillEngine> engine(this);
    platform::dispatch::main([engine] {
        if (engine && engine->delegate_) {
            engine->delegate_->enableWipeDiskCancelBut();
            engine->delegate_->runProgressStep(2);
        }
    });

    d->isCancelEraser = false;
    d->quitDeadlineMs = 0;
    d->setError(QString());
    d->iRoundTimes = 0;

    VolumeObjPtr volume = selectVolumeObj();
    if (!volume) {
        platform::log(QStringLiteral("No volume is selected for the free-space fill"));
        d->setError(QString::fromUtf8(kFolderFailText));
        d->scheduleComplite(engine);
        d->markEnded();
        return;
    }
    {
        // The caller may have brought the record up to date since choosing it.
        QMutexLocker lock(&d->mutex);
        d->target = targetOf(*volume);
    }
    d->passes = getEraserTimes();

    platform::dispatch::global(platform::dispatch::Priority::Default, [self = d, engine] { self->run(engine); });
}

int FreeSpaceFillEngine::getEraserTimes()
{
    const int times = platform::defaults::integerForKey(QStringLiteral("EraserTimes"));
    return times < 1 ? 1 : times;
}

void FreeSpaceFillEngine::roundOneWithRoundCount(qint64 roundCount, int eraserTimes, const QString& finderName)
{
    Q_UNUSED(eraserTimes);
    const FolderByPath folder(finderName);
    d->roundOne(roundCount, folder, nullptr);
}

void FreeSpaceFillEngine::createDydFile(const QString& finderName, int index)
{
    const FolderByPath folder(finderName);
    d->createDydFile(folder, index);
}

void FreeSpaceFillEngine::writLostDataWithLoseCount(qint64 loseCount, qint64 roundCount, const QString& finderName)
{
    const FolderByPath folder(finderName);
    d->writLostData(loseCount, roundCount, folder);
}

void FreeSpaceFillEngine::startProgressUpdateTimer()
{
    if (!platform::dispatch::isMainThread()) {
        const QPointer<FreeSpaceFillEngine> engine(this);
        platform::dispatch::main([engine] {
            if (engine)
                engine->startProgressUpdateTimer();
        });
        return;
    }
    delete progressUpdateTimer_;
    progressUpdateTimer_ = new QTimer(this);
    progressUpdateTimer_->setInterval(kSampleIntervalMs);
    connect(progressUpdateTimer_, &QTimer::timeout, this, &FreeSpaceFillEngine::updateProgress);
    progressUpdateTimer_->start();
}

void FreeSpaceFillEngine::stopProgressUpdateTimer()
{
    if (!platform::dispatch::isMainThread()) {
        const QPointer<FreeSpaceFillEngine> engine(this);
        platform::dispatch::main([engine] {
            if (engine)
                engine->stopProgressUpdateTimer();
        });
        return;
    }
    if (progressUpdateTimer_) {
        progressUpdateTimer_->stop();
        progressUpdateTimer_->deleteLater();
        progressUpdateTimer_ = nullptr;
    }
}

void FreeSpaceFillEngine::updateProgress()
{
    const QPointer<FreeSpaceFillEngine> engine(this);
    platform::dispatch::global(platform::dispatch::Priority::Background, [self = d, engine] {
        const Target t = self->targetCopy();
        // During a run the volume is asked through the handle the run holds:
        // whatever is mounted at the folder now has no say. Without a run,
        // a folder with nothing mounted there is not sampled: it would answer
        // for the file system underneath.
        const std::shared_ptr<platform::VolumeRoot> volume = self->heldRoot();
        if (!volume && (t.mountPoint.isEmpty() || !platform::mountEntryAt(t.mountPoint)))
            return;
        const qint64 base = self->isPartitionEraser.load() ? t.totalBytes : t.freeBytes;
        const platform::SpaceInfo space =
            volume ? platform::fileSystemSpaceOf(volume->fd()) : platform::fileSystemSpace(t.mountPoint);
        const qint64 freeNow = space.ok ? space.freeBytes : 0;
        const float progress = progressFor(base, freeNow);
        PublicUtilities::writeFileWithTab(QString::asprintf("totalSize: %lld\n", static_cast<long long>(base)));
        PublicUtilities::writeFileWithTab(QString::asprintf("usedSize: %lld\n", static_cast<long long>(base - freeNow)));
        PublicUtilities::writeFileWithTab(QString::asprintf("freeSize: %lld\n", static_cast<long long>(freeNow)));
        PublicUtilities::writeFileWithTab(QString::asprintf("current progress: %.2f%%\n", static_cast<double>(progress)));
        const bool stop = progress >= 100.0f || self->isCancelEraser.load();
        platform::dispatch::main([engine, progress, stop] {
            if (!engine)
                return;
            engine->updateProgressBarWithProgress(progress);
            if (stop)
                engine->stopProgressUpdateTimer();
        });
    });
}

void FreeSpaceFillEngine::updateProgressBarWithProgress(float progress)
{
    if (!progressUpdateTimer_)
        return;
    int total = d->passes.load();
    if (total < 1)
        total = getEraserTimes();
    const int rounds = d->iRoundTimes.load();
    const int round = std::min(total, rounds == 0 ? 1 : rounds);
    if (rounds == 0 || rounds > total)
        d->iRoundTimes = round;
    showRound(barValueFor(progress), progressText(progress, round, total), false);
}

qint64 FreeSpaceFillEngine::getFreeDiskSizeAtPath(const QString& path) const
{
    const platform::SpaceInfo space = platform::fileSystemSpace(path);
    if (!space.ok) {
        platform::log(QStringLiteral("Error getting free disk space at path %1: %2")
                          .arg(path, QStringLiteral("the file system gives no answer")));
        return 0;
    }
    return space.freeBytes;
}

void FreeSpaceFillEngine::endAppRemoveFolder()
{
    // The writer stops first (it looks at the flag before every request),
    // within what is left of the quit's budget.
    stopRunningFill(kQuitWaitMs);
    stopProgressUpdateTimer();
    const QString path = wipeScanPathStr();
    const std::shared_ptr<platform::VolumeRoot> volume = d->heldRoot();
    bool folderLeft = !path.isEmpty();
    if (!path.isEmpty() && volume && volume->isOpen()) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            int error = 0;
            if (platform::removeTreeAt(volume->fd(), QString::fromLatin1(kFillFolderName), &error)) {
                folderLeft = false;
                break;
            }
            platform::log(QStringLiteral("Remove folder fail: %1 (errno=%2)").arg(path).arg(error));
            QThread::msleep(200);
        }
        platform::syncFileSystemOf(volume->fd());
    }
    d->giveBackReservedClusters();
    // A folder that stays keeps its record for the next start.
    const bool writerGone = !isRunning();
    if (writerGone && !folderLeft)
        d->endRecord();
    setWipeScanPathStr(QString());
    if (writerGone)
        d->holdRoot(nullptr);
}

FreeSpaceFillEngine::FillLayout FreeSpaceFillEngine::fillLayoutFor(qint64 freeBytes)
{
    FillLayout layout;
    if (freeBytes <= 0)
        return layout;
    layout.roundCount = freeBytes / kBudgetUnit;
    layout.loseCount = freeBytes - layout.roundCount * kBudgetUnit;
    return layout;
}

QString FreeSpaceFillEngine::fullFilePath(const QString& finderName, qint64 index)
{
    return finderName + QStringLiteral("/.VOVU_") + QString::number(index);
}

QString FreeSpaceFillEngine::loseFilePath(const QString& finderName, qint64 roundCount)
{
    return fullFilePath(finderName, roundCount + 1);
}

QString FreeSpaceFillEngine::fillFolderFor(const QString& mountPoint)
{
    return mountPoint.endsWith(QLatin1Char('/')) ? mountPoint + QStringLiteral(".VOVU")
                                                 : mountPoint + QStringLiteral("/.VOVU");
}

QString FreeSpaceFillEngine::passReportText(int pass, int passes)
{
    return QString::asprintf("已擦除 100%%, %d/%d 次", pass, passes);
}

QString FreeSpaceFillEngine::progressText(float progress, int round, int passes)
{
    return QString::asprintf("已擦除 %.2f%%, %d/%d次", static_cast<double>(progress), round, passes);
}

float FreeSpaceFillEngine::progressFor(qint64 base, qint64 freeNow)
{
    if (base <= 0)
        return 0.0f;
    return static_cast<float>(base - freeNow) / static_cast<float>(base) * 100.0f;
}

double FreeSpaceFillEngine::barValueFor(float progress)
{
    const double value = static_cast<double>(progress) / 100.0;
    return value > 0.01 ? value : 0.01;
}

void FreeSpaceFillEngine::passReport(int pass, int passes, bool last)
{
    showRound(1.0, passReportText(pass, passes), true);
    if (last)
        d->scheduleComplite(QPointer<FreeSpaceFillEngine>(this));
}

void FreeSpaceFillEngine::showRound(double barValue, const QString& text, bool animated)
{
    if (!delegate_)
        return;
    switch (selectEraserType()) {
    case kWipeVolume:
        delegate_->showWipeDiskRound(barValue, text, animated);
        break;
    case kWipeFreeSpace:
        delegate_->showWipeFreeSpaceRound(barValue, text, animated);
        break;
    default:
        break;
    }
}
