// The free-space fill as the screen sees it: its run state, starting a run,
// the sampling of the progress and the arithmetic and texts of the fill.
#include "FreeSpaceFillEngineShared.h"

#include "WipeVolumeScan.h"

#include "core/PublicUtilities.h"
#include "platform/Defaults.h"
#include "platform/Dispatch.h"
#include "platform/MountTable.h"

#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <unistd.h>

using namespace fillengine;

namespace {

using wipescan::deviceNodeOf;

Target targetOf(const VolumeObj& v)
{
    Target t;
    t.name = v.volumeName();
    t.type = v.volumeType();
    t.mountPoint = v.volumeMountPoint();
    t.deviceNode = deviceNodeOf(v);
    t.volumeUUID = v.volumeUUID();
    t.diskUUID = v.diskUUID();
    t.freeBytes = v.volumeFreeSizeNum();
    t.totalBytes = v.volumeTotalSizeNum();
    return t;
}

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
    doFreeSpaceAction(getEraserTimes());
}

void FreeSpaceFillEngine::doFreeSpaceAction(int passes)
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
    d->passes = std::max(1, passes);

    platform::dispatch::global(platform::dispatch::Priority::Default, [self = d, engine] { self->run(engine); });
}

QString FreeSpaceFillEngine::notTheChosenVolumeText()
{
    return QStringLiteral("所选磁盘的位置上现在是另一个磁盘，未向其写入任何数据。");
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
        platform::logNames(QStringLiteral("Error getting free disk space at path %1: %2")
                               .arg(path, QStringLiteral("the file system gives no answer")));
        return 0;
    }
    return space.freeBytes;
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
