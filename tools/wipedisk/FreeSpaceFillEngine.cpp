#include "FreeSpaceFillEngine.h"

#include "core/PublicUtilities.h"
#include "platform/Defaults.h"
#include "platform/Dispatch.h"
#include "platform/FileAttributes.h"
#include "platform/FillFile.h"
#include "platform/Log.h"
#include "platform/MountTable.h"
#include "platform/Removal.h"
#include "platform/SecureRandom.h"

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

namespace {

const char* const kFolderFailText = "硬盘驱动器已被占用或为只读,关闭其他程序或删除只读属性以重试。";
const char* const kNoRightsText = "您没有文件的'读取'和'写入'权限。";

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

QString deviceNodeOf(const VolumeObj& v)
{
    if (!v.volRootDir().isEmpty())
        return v.volRootDir();
    const QString p = v.volumePath();
    if (p.isEmpty() || p.startsWith(QLatin1Char('/')))
        return p;
    return QStringLiteral("/dev/") + p;
}

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

// The fill goes only where the record says the volume is mounted, and only
// while the mount table still shows that volume there.
bool volumeIsMounted(const Target& t, QString* why)
{
    if (t.mountPoint.isEmpty() || !t.mountPoint.startsWith(QLatin1Char('/'))) {
        *why = QStringLiteral("the volume has no mount point");
        return false;
    }
    const auto entry = platform::mountEntryAt(t.mountPoint);
    if (!entry) {
        *why = QStringLiteral("nothing is mounted at %1").arg(t.mountPoint);
        return false;
    }
    if (!t.deviceNode.isEmpty()) {
        const QString wanted = platform::kernelNameOf(t.deviceNode);
        const QString found = platform::kernelNameOf(entry->device);
        if (wanted.isEmpty() || wanted != found) {
            *why = QStringLiteral("%1 holds %2, not %3").arg(t.mountPoint, entry->source, t.deviceNode);
            return false;
        }
    }
    return true;
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

} // namespace

struct FreeSpaceFillEngine::Shared {
    std::atomic<int> selectEraserType{kWipeFreeSpace};
    std::atomic<bool> isCancelEraser{false};
    std::atomic<int> iRoundTimes{0};
    std::atomic<bool> isPartitionEraser{false};
    std::atomic<int> passes{0}; // of the current run; 0 before the first

    mutable QMutex mutex;
    VolumeObjPtr selectVolumeObj;
    QString errorString;
    QString wipeScanPathStr;
    Target target;

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

    void markEnded()
    {
        {
            std::lock_guard<std::mutex> lock(runMutex);
            running = false;
        }
        runEnded.notify_all();
    }

    // Writes `total` bytes, `buffer` repeated, in requests of at most
    // `bufferSize` bytes; checks for a cancel before every request and after
    // every short write.
    StreamEnd stream(platform::FillFile& file, const char* buffer, qint64 bufferSize, qint64 total,
                     const QString& path)
    {
        qint64 left = total;
        while (left > 0) {
            const qint64 request = std::min(left, bufferSize);
            qint64 done = 0;
            while (done < request) {
                if (isCancelEraser.load()) {
                    platform::log(QStringLiteral("Operation canceled before completion."));
                    return StreamEnd::Cancelled;
                }
                const long long n = file.write(buffer + done, request - done);
                if (n < 0 && isDiskFull(file.error())) {
                    platform::log(QStringLiteral("Disk full while writing %1 (errno=%2)").arg(path).arg(file.error()));
                    return StreamEnd::DiskFull;
                }
                if (n <= 0) {
                    platform::log(QStringLiteral("Write error while writing to %1 (errno=%2)")
                                      .arg(path)
                                      .arg(n < 0 ? file.error() : 0));
                    return StreamEnd::Failed;
                }
                done += n;
            }
            left -= request;
        }
        return StreamEnd::Done;
    }

    // A file that was not cancelled reaches the medium before its folder is
    // removed: the pages of a deleted file are otherwise dropped unwritten.
    void finish(platform::FillFile& file, StreamEnd end, const QString& path)
    {
        if (end == StreamEnd::Cancelled)
            return;
        if (!file.flush() && end == StreamEnd::Done) {
            if (isDiskFull(file.error()))
                platform::log(QStringLiteral("Disk full while writing %1 (errno=%2)").arg(path).arg(file.error()));
            else
                platform::log(QStringLiteral("Write error while writing to %1 (errno=%2)").arg(path).arg(file.error()));
        }
    }

    void createDydFile(const QString& finderName, qint64 index)
    {
        const QString path = fullFilePath(finderName, index);
        try {
            platform::FillFile file;
            if (!file.open(path)) {
                platform::log(QStringLiteral("Failed to open file for writing: %1 (errno=%2)").arg(path).arg(file.error()));
                return;
            }
            quint32 words[2] = {0, 0};
            platform::secureRandomBytes(words, sizeof words);
            const quint64 header = (static_cast<quint64>(words[0]) << 32) | words[1];
            if (file.write(&header, kFullFileHeader) != kFullFileHeader) {
                platform::log(QStringLiteral("Failed to write header to %1 (errno=%2)").arg(path).arg(file.error()));
                finish(file, StreamEnd::Failed, path);
                return;
            }
            Buffer zeros(kWriteRequest);
            if (!zeros.data) {
                platform::log(QStringLiteral("Failed to malloc buffer"));
                finish(file, StreamEnd::Failed, path);
                return;
            }
            const StreamEnd end = stream(file, zeros.data, kWriteRequest, kFullFileZeros, path);
            finish(file, end, path);
        } catch (const std::exception& e) {
            platform::log(QStringLiteral("Error occurred in createDydFile: %1").arg(QString::fromLocal8Bit(e.what())));
        }
    }

    void roundOne(qint64 roundCount, const QString& finderName)
    {
        for (qint64 k = 1; k <= roundCount; ++k) {
            if (isCancelEraser.load())
                return;
            createDydFile(finderName, k);
            platform::log(QStringLiteral("%1---------------------: %2").arg(iRoundTimes.load()).arg(roundCount));
        }
    }

    void writLostData(qint64 loseCount, qint64 roundCount, const QString& finderName)
    {
        if (loseCount < 1 || isCancelEraser.load())
            return;
        const QString path = loseFilePath(finderName, roundCount);
        try {
            platform::FillFile file;
            if (!file.open(path)) {
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
            // under one block it is all "0" characters.
            const qint64 zeroBytes = loseCount >= kLoseBlock ? loseCount / kLoseBlock * kLoseBlock : 0;
            const qint64 tail = loseCount - zeroBytes;
            StreamEnd end = StreamEnd::Done;
            if (zeroBytes > 0) {
                Buffer zeros(kWriteRequest);
                if (!zeros.data) {
                    platform::log(QStringLiteral("Failed to malloc buffer"));
                    finish(file, StreamEnd::Failed, path);
                    return;
                }
                end = stream(file, zeros.data, kWriteRequest, zeroBytes, path);
            }
            if (end == StreamEnd::Done && tail > 0) {
                const QByteArray chars(static_cast<qsizetype>(tail), '0');
                end = stream(file, chars.constData(), tail, tail, path);
            }
            finish(file, end, path);
        } catch (const std::exception&) {
            platform::log(QStringLiteral("NO FACE"));
        }
    }

    // Removal is tried a bounded number of times; a folder that stays makes
    // the run fail instead of waiting for ever.
    bool removeFillFolder(const QString& folder)
    {
        for (int attempt = 1; attempt <= kRemoveAttempts; ++attempt) {
            int error = 0;
            if (platform::removeItem(folder, &error))
                return true;
            platform::log(QStringLiteral("Remove folder fail (%1 of %2): %3 (errno=%4)")
                              .arg(attempt)
                              .arg(kRemoveAttempts)
                              .arg(folder)
                              .arg(error));
            if (attempt < kRemoveAttempts)
                QThread::msleep(kRemoveRetryMs);
        }
        return false;
    }

    // Creates the fill folder inside the verified volume, or explains why not.
    QString prepareFolder(const Target& t)
    {
        QString why;
        if (!volumeIsMounted(t, &why)) {
            platform::log(QStringLiteral("The volume is gone: %1").arg(why));
            return {};
        }
        const QString folder = fillFolderFor(t.mountPoint);
        int error = 0;
        if (!platform::makeFillFolder(folder, &error)) {
            platform::log(QStringLiteral("Cannot create %1 (errno=%2)").arg(folder).arg(error));
            return {};
        }
        // The volume could have gone between the look and the folder: then the
        // folder would sit on whatever is under the mount point now.
        if (!volumeIsMounted(t, &why) || !platform::onSameFileSystem(folder, t.mountPoint)) {
            platform::log(QStringLiteral("The volume is gone: %1").arg(why));
            platform::removeItem(folder);
            return {};
        }
        return folder;
    }

    void scheduleComplite(const QPointer<FreeSpaceFillEngine>& engine)
    {
        platform::dispatch::after(kCompliteDelayMs, [engine] {
            if (engine && engine->delegate_)
                engine->delegate_->showComplite();
        });
    }

    void run(const QPointer<FreeSpaceFillEngine>& engine)
    {
        struct EndGuard {
            Shared* s;
            ~EndGuard() { s->markEnded(); }
        } guard{this};

        const Target t = targetCopy();
        const int total = passes.load();
        for (int i = 0; i < total; ++i) {
            ++iRoundTimes;
            if (isCancelEraser.load()) {
                scheduleComplite(engine);
                return;
            }
            const QString folder = prepareFolder(t);
            if (folder.isEmpty()) {
                platform::log(QStringLiteral("Create finder fail"));
                setError(QString::fromUtf8(kFolderFailText));
                scheduleComplite(engine);
                return;
            }
            platform::dispatch::main([engine] {
                if (engine)
                    engine->startProgressUpdateTimer();
            });
            setScanPath(folder);

            // The record's free space may be old, or leave out blocks this
            // process may also write; the larger of the two is filled.
            const qint64 writable = platform::writableFreeBytes(t.mountPoint);
            const FillLayout layout = fillLayoutFor(std::max<qint64>(t.freeBytes, writable));
            roundOne(layout.roundCount, folder);
            writLostData(layout.loseCount, layout.roundCount, folder);

            platform::dispatch::main([engine] {
                if (engine)
                    engine->stopProgressUpdateTimer();
            });
            if (!removeFillFolder(folder)) {
                setError(QString::fromUtf8(kFolderFailText));
                scheduleComplite(engine);
                return;
            }
            setScanPath(QString());
            platform::syncFileSystemAt(t.mountPoint);

            const bool last = isCancelEraser.load() || i + 1 == total || !error().isEmpty();
            const int pass = i + 1;
            platform::dispatch::main([engine, pass, total, last] {
                if (engine)
                    engine->passReport(pass, total, last);
            });
            if (last)
                return;
        }
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
    if (isRunning()) {
        d->isCancelEraser = true;
        if (!waitForFill(kQuitWaitMs))
            platform::log(QStringLiteral("The free-space fill did not stop in time"));
    }
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
    return d->runEnded.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !d->running; });
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
    d->roundOne(roundCount, finderName);
}

void FreeSpaceFillEngine::createDydFile(const QString& finderName, int index)
{
    d->createDydFile(finderName, index);
}

void FreeSpaceFillEngine::writLostDataWithLoseCount(qint64 loseCount, qint64 roundCount, const QString& finderName)
{
    d->writLostData(loseCount, roundCount, finderName);
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
        // A volume that has gone is not sampled: its mount point would answer
        // for the file system underneath.
        if (t.mountPoint.isEmpty() || !platform::mountEntryAt(t.mountPoint))
            return;
        const qint64 base = self->isPartitionEraser.load() ? t.totalBytes : t.freeBytes;
        const platform::SpaceInfo space = platform::fileSystemSpace(t.mountPoint);
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
    if (isRunning()) {
        // The writer stops first: it looks at the flag before every request.
        d->isCancelEraser = true;
        if (!waitForFill(kQuitWaitMs))
            platform::log(QStringLiteral("The free-space fill did not stop in time"));
    }
    stopProgressUpdateTimer();
    const QString path = wipeScanPathStr();
    if (path.isEmpty())
        return;
    if (platform::itemExists(path)) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            int error = 0;
            if (platform::removeItem(path, &error))
                break;
            platform::log(QStringLiteral("Remove folder fail: %1 (errno=%2)").arg(path).arg(error));
            QThread::msleep(200);
        }
        platform::syncAll();
    }
    setWipeScanPathStr(QString());
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
