#include "WipeDiskRun.h"

#include "WipeVolumeScan.h"

#include "core/DoDataBase.h"
#include "core/PublicUtilities.h"
#include "core/securelyEraseFile.h"
#include "platform/DiskutilProgram.h"
#include "platform/Dispatch.h"
#include "platform/FileAttributes.h"
#include "platform/FillFile.h"
#include "platform/FuseMounts.h"
#include "platform/Log.h"
#include "platform/MountTable.h"
#include "platform/Process.h"
#include "platform/Privileged.h"

#include <QDir>
#include <QDeadlineTimer>
#include <QPointer>

#include <algorithm>
#include <condition_variable>
#include <mutex>

// ---------------------------------------------------------------- the fill

namespace {

// Whether the mount table shows `device` mounted at `point`.
bool deviceMountedAt(const QString& point, const QString& device)
{
    const QString wanted = platform::kernelNameOf(device);
    if (point.isEmpty() || wanted.isEmpty())
        return false;
    // The last mount at the point is the one seen there; FUSE servers that do
    // not name their device in the table are asked for it.
    QString found;
    for (const platform::MountEntry& e : platform::readBlockMountTable())
        if (e.mountPoint == point)
            found = e.device;
    return !found.isEmpty() && platform::kernelNameOf(found) == wanted;
}

class EngineFill : public WipeFill {
public:
    void setDelegate(FreeSpaceFillDelegate* delegate) override { engine_.setDelegate(delegate); }
    void setSelectVolumeObj(const VolumeObjPtr& volume) override { engine_.setSelectVolumeObj(volume); }
    void setSelectEraserType(int type) override { engine_.setSelectEraserType(type); }
    void setIsPartitionEraser(bool partition) override { engine_.setIsPartitionEraser(partition); }
    bool isCancelEraser() const override { return engine_.isCancelEraser(); }
    void setIsCancelEraser(bool cancel) override { engine_.setIsCancelEraser(cancel); }
    QString errorString() const override { return engine_.errorString(); }
    void doFreeSpaceAction(int passes) override { engine_.doFreeSpaceAction(passes); }
    void endAppRemoveFolder() override { engine_.endAppRemoveFolder(); }
    bool isRunning() const override { return engine_.isRunning(); }
    bool waitForFill(int timeoutMs) override { return engine_.waitForFill(timeoutMs); }
    bool stopRunningFill(int timeoutMs) override { return engine_.stopRunningFill(timeoutMs); }
    bool volumeIsStillThere() const override
    {
        const VolumeObjPtr v = engine_.selectVolumeObj();
        return v && deviceMountedAt(v->volumeMountPoint(), v->volRootDir());
    }

private:
    FreeSpaceFillEngine engine_;
};

} // namespace

std::unique_ptr<WipeFill> makeEngineFill()
{
    return std::make_unique<EngineFill>();
}

// ---------------------------------------------------------------- rules

namespace wiperun {

ReformatCommand reformatCommandFor(const VolumeObj& v)
{
    const QString type = v.volumeType();
    const QString device = wipescan::deviceNodeOf(v);
    if (type.contains(QLatin1String("ntfs")) || type.contains(QLatin1String("NTFS")))
        return {{QStringLiteral("eraseVolume"), QStringLiteral("MS-DOS FAT32"), QStringLiteral("NEW"), device},
                QStringLiteral("NEW")};
    if (type.toLower() == QLatin1String("exfat") && v.volumeName() == QLatin1String("Untitled"))
        return {{QStringLiteral("eraseVolume"), QStringLiteral("ExFAT"), QStringLiteral("NEWExFAT"), device},
                QStringLiteral("NEWExFAT")};
    return {{QStringLiteral("reformat"), device}, v.volumeName()};
}

bool isKeptRootEntry(const QString& name)
{
    return name == QLatin1String(".fseventsd") || name == QLatin1String(".Spotlight-V100")
           || name == QLatin1String(".TemporaryItems") || name == QLatin1String(".Trashes")
           || name == QLatin1String("lost+found");
}

bool isVolumeLabelEntry(const QString& root, const QString& entry, const QString& volumeName)
{
    if (entry != volumeName)
        return false;
    const platform::ItemInfo info = platform::itemInfo(root + QLatin1Char('/') + entry);
    return info.isRegular && !info.isSymLink && info.size == 0;
}

qint64 fillBudgetFor(const VolumeObj& v)
{
    return v.volumeFreeSizeNum() > 0 ? v.volumeFreeSizeNum() : v.volumeTotalSizeNum();
}

QString elapsedText(int seconds)
{
    const int n = std::max(0, seconds);
    return QString::asprintf("%d:%02d:%02d", n / 3600, (n / 60) % 60, n % 60);
}

QStringList stepCaptions(int mode)
{
    if (mode == kWipeVolume)
        return {QStringLiteral("格式化"), QStringLiteral("擦除数据"), QStringLiteral("完成")};
    return {QStringLiteral("获取剩余空间"), QStringLiteral("擦除剩余空间"), QStringLiteral("完成")};
}

} // namespace wiperun

// ---------------------------------------------------------------- worker

struct WipeDiskRun::Worker {
    std::atomic<bool> cancel{false};
    std::atomic<quint64> generation{0};
    std::mutex mutex;
    std::condition_variable idle;
    std::condition_variable cancelled;
    int busy = 0;

    void requestCancel()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            cancel = true;
        }
        cancelled.notify_all();
    }
    // Sleeps `ms`, or less when the run is cancelled meanwhile.
    void pause(int ms)
    {
        std::unique_lock<std::mutex> lock(mutex);
        cancelled.wait_for(lock, std::chrono::milliseconds(std::max(0, ms)), [this] { return cancel.load(); });
    }

    void enter()
    {
        std::lock_guard<std::mutex> lock(mutex);
        ++busy;
    }
    void leave()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            --busy;
        }
        idle.notify_all();
    }
    bool waitIdle(int timeoutMs)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return idle.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return busy == 0; });
    }
};

namespace {

// The disk utility, through the privileged launcher where this process lacks
// the rights (or a launcher was named for tests).
platform::ProcessResult runDiskUtility(const QStringList& arguments, const platform::LineHandler& out,
                                       const platform::LineHandler& err)
{
    const platform::privileged::Command command = platform::privileged::command(platform::diskutilProgram(), arguments);
    return platform::runProcessLines(command.program, command.arguments, out, err);
}

// Shreds one item with one pass: a folder's contents first, then the folder
// itself. Links are shredded as links; a folder of another file system
// mounted inside is left alone.
void shredEntry(const QString& path, const QString& root, const std::atomic<bool>& cancel)
{
    if (cancel.load())
        return;
    const platform::ItemInfo info = platform::itemInfo(path);
    if (info.isDir && !info.isSymLink) {
        if (!platform::onSameFileSystem(path, root))
            return;
        const QStringList children = QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                                          QDir::Unsorted);
        for (const QString& child : children)
            shredEntry(path + QLatin1Char('/') + child, root, cancel);
        QDir().rmdir(path);
        return;
    }
    securelyEraseFile(path, 1);
}

} // namespace

bool WipeDiskRun::mountedFromDevice(const QVariantMap& facts, const QString& device)
{
    return deviceMountedAt(facts.value(QStringLiteral("MountPoint")).toString(), device);
}

// ---------------------------------------------------------------- run

WipeDiskRun::WipeDiskRun(std::unique_ptr<WipeFill> fill, QObject* parent)
    : QObject(parent)
    , fill_(fill ? std::move(fill) : makeEngineFill())
    , worker_(std::make_shared<Worker>())
{
    fill_->setDelegate(this);
    eraserTimer_.setInterval(1000);
    connect(&eraserTimer_, &QTimer::timeout, this, &WipeDiskRun::showProgressValue);
}

WipeDiskRun::~WipeDiskRun()
{
    stopRunningWork(FreeSpaceFillEngine::kQuitWaitMs);
    fill_->setDelegate(nullptr);
}

void WipeDiskRun::setTimings(int clockMs, int findRetryMs, int findAttempts)
{
    eraserTimer_.setInterval(clockMs);
    findRetryMs_ = findRetryMs;
    findAttempts_ = std::max(1, findAttempts);
}

void WipeDiskRun::setSelectEraserType(int mode)
{
    if (running_)
        return;
    selectEraserType_ = mode;
}

QString WipeDiskRun::failureNote() const
{
    if (!refusal_.isEmpty())
        return refusal_;
    if (errorString_ == FreeSpaceFillEngine::notTheChosenVolumeText())
        return errorString_;
    return QString();
}

bool WipeDiskRun::isCancelEraser() const
{
    return worker_->cancel.load() || fill_->isCancelEraser();
}

void WipeDiskRun::setEraserTime()
{
    eraserTimeR_ = 0;
    eraserTimer_.stop();
    eraserTimer_.start();
    showProgressValue();
}

void WipeDiskRun::stopEraserTimer()
{
    eraserTimer_.stop();
}

void WipeDiskRun::showProgressValue()
{
    ++eraserTimeR_;
    emit elapsedChanged(wiperun::elapsedText(eraserTimeR_));
}

void WipeDiskRun::beginRun()
{
    running_ = true;
    worker_->generation = ++generation_;
    worker_->cancel = false;
    quitDeadline_.reset();
    fill_->setIsCancelEraser(false);
    fill_->setIsPartitionEraser(false);
    fill_->setSelectEraserType(selectEraserType_);
    errorString_.clear();
    refusal_.clear();
    // The standard as confirmed: what is saved during the run is the next one's.
    standard_ = PublicUtilities::getEraserStandard();
    emit tabsLocked(true);
}

void WipeDiskRun::makeSureToWipeSelectVolume()
{
    if (running_ || !selectVolumeObj_)
        return;
    PublicUtilities::writeFileWithTab(QStringLiteral("\n"));
    PublicUtilities::writeFileWithTab(QStringLiteral("-------------------------------------------------------\n"));
    selectEraserType_ = wiperun::kWipeVolume;
    emit stepChanged(1);
    setEraserTime();
    isBegin_ = true;
    beginRun();

    const VolumeObjPtr v = selectVolumeObj_;
    const wiperun::ReformatCommand command = wiperun::reformatCommandFor(*v);
    if (command.nameAfter == QLatin1String("NEWExFAT"))
        v->setVolumeName(command.nameAfter);
    historyName_ = v->volumeName();
    const QString device = wipescan::deviceNodeOf(*v);
    platform::logNames(QStringLiteral("Other Path : %1 , %2 , %3").arg(v->volumeType(), v->volumeName(), device));
    const QString diskUuid = v->diskUUID();
    const QString volumeUuid = v->volumeUUID();

    const QPointer<WipeDiskRun> self(this);
    const auto worker = worker_;
    const quint64 generation = generation_;
    const int attempts = findAttempts_;
    const int retryMs = findRetryMs_;
    const MountCheck mounted = mountCheck_;
    const auto post = [self, generation](std::function<void(WipeDiskRun&)> fn) {
        platform::dispatch::main([self, generation, fn] {
            if (self && self->generation_ == generation)
                fn(*self);
        });
    };
    worker->enter();
    platform::dispatch::global(platform::dispatch::Priority::Default, [worker, command, device, diskUuid, volumeUuid,
                                                                       attempts, retryMs, mounted, post] {
        struct Leave {
            Worker* w;
            ~Leave() { w->leave(); }
        } leave{worker.get()};

        // The device may have changed hands since the list was read (a stick
        // pulled out, another plugged in and given the same node, a new file
        // system made on it): only the volume that was chosen is reformatted.
        const QVariantMap factsNow = wipescan::getDisjInfo(device);
        const QString uuidNow = factsNow.value(QStringLiteral("DiskUUID")).toString();
        const QString volumeUuidNow = factsNow.value(QStringLiteral("VolumeUUID")).toString();
        if (uuidNow != diskUuid || volumeUuidNow != volumeUuid) {
            platform::logNames(QStringLiteral("%1 is no longer the volume that was chosen (%2 %3, now %4 %5); nothing is reformatted")
                                   .arg(device, diskUuid, volumeUuid, uuidNow, volumeUuidNow));
            post([](WipeDiskRun& run) { run.reformatFound(run.generation_, nullptr, wiperun::kNotFoundText); });
            return;
        }

        platform::logNames(QStringLiteral("do format begin: %1").arg(command.arguments.join(QLatin1Char(' '))));
        const platform::ProcessResult result = runDiskUtility(
            command.arguments,
            [post](const QString& line) {
                platform::logNames(QStringLiteral("-doThing-----%1").arg(line));
                // The new file system is being mounted: the list may change.
                if (line.trimmed() == QLatin1String("Mounting disk"))
                    post([](WipeDiskRun& run) { emit run.rescanRequested(); });
            },
            [](const QString& line) { platform::logNames(QStringLiteral("------%1").arg(line)); });
        if (!result.succeeded()) {
            platform::logNames(QStringLiteral("The reformat failed (exit %1): %2")
                                   .arg(result.exitCode)
                                   .arg(QString::fromUtf8(result.standardError).trimmed()));
            // A refused password is no fault of the disk, and nothing was done.
            const QString refused = platform::privileged::refusalText(platform::privileged::endingOf(result));
            const QString error = refused.isEmpty() ? wiperun::kReformatFailText : refused;
            post([error, refused](WipeDiskRun& run) {
                run.refusal_ = refused;
                run.reformatFound(run.generation_, nullptr, error);
            });
            return;
        }

        // Found again by its device: a name may be shared by other volumes.
        QVariantMap facts;
        bool found = false;
        for (int attempt = 1; attempt <= attempts && !worker->cancel.load(); ++attempt) {
            facts = wipescan::getDisjInfo(device);
            if (mounted(facts, device)) {
                found = true;
                break;
            }
            post([](WipeDiskRun& run) { emit run.rescanRequested(); });
            if (attempt < attempts)
                worker->pause(retryMs);
        }
        if (worker->cancel.load()) {
            post([](WipeDiskRun& run) { run.reformatFound(run.generation_, nullptr, wiperun::kCancelledText); });
            return;
        }
        const VolumeObjPtr record = found ? wipescan::volumeFromFacts(facts) : nullptr;
        if (!record) {
            platform::logNames(QStringLiteral("The reformatted volume on %1 was not found again").arg(device));
            post([](WipeDiskRun& run) { run.reformatFound(run.generation_, nullptr, wiperun::kNotFoundText); });
            return;
        }

        // What the new file system still holds, but the system's own folders.
        const QString root = record->volumeMountPoint();
        const QStringList entries = QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                                         QDir::Unsorted);
        for (const QString& entry : entries)
            if (!wiperun::isKeptRootEntry(entry) && !wiperun::isVolumeLabelEntry(root, entry, record->volumeName()))
                shredEntry(root + QLatin1Char('/') + entry, root, worker->cancel);

        const QVariantMap now = wipescan::getDisjInfo(device);
        const QString freeKey = record->volumeType() == QLatin1String("APFS") ? QStringLiteral("APFSContainerFree")
                                                                             : QStringLiteral("FreeSpace");
        if (now.contains(freeKey))
            record->setVolumeFreeSizeNum(now.value(freeKey).toLongLong());
        post([record](WipeDiskRun& run) { run.reformatFound(run.generation_, record, QString()); });
    });
}

void WipeDiskRun::reformatFound(quint64 generation, const VolumeObjPtr& found, const QString& error)
{
    if (generation != generation_ || !running_)
        return;
    if (!error.isEmpty() || !found) {
        errorString_ = error.isEmpty() ? wiperun::kNotFoundText : error;
        isBegin_ = false;
        showEndEraser(worker_->cancel.load());
        return;
    }
    // The record the screen holds takes the volume's new facts.
    VolumeObj& v = *selectVolumeObj_;
    v.setVolumeName(found->volumeName());
    v.setVolumeMountPoint(found->volumeMountPoint());
    v.setVolumeType(found->volumeType());
    v.setVolumeTotalSize(found->volumeTotalSize());
    v.setVolumeTotalSizeNum(found->volumeTotalSizeNum());
    v.setVolumeFreeSize(found->volumeFreeSize());
    v.setVolumeFreeSizeNum(found->volumeFreeSizeNum());
    v.setVolRootDir(found->volRootDir());
    v.setVolumePath(found->volumePath());
    v.setVolumeUUID(found->volumeUUID());
    v.setDiskUUID(found->diskUUID());
    if (worker_->cancel.load()) {
        showComplite();
        return;
    }
    startFill(true);
}

void WipeDiskRun::startFill(bool partition)
{
    // A file system that tells no free space (some FUSE drivers answer 0) is
    // filled until it is full.
    const qint64 budget = wiperun::fillBudgetFor(*selectVolumeObj_);
    if (budget != selectVolumeObj_->volumeFreeSizeNum()) {
        platform::logNames(QStringLiteral("%1 tells no free space; it is filled until it is full").arg(selectVolumeObj_->volumeName()));
        selectVolumeObj_->setVolumeFreeSizeNum(budget);
    }
    fill_->setSelectVolumeObj(selectVolumeObj_);
    fill_->setSelectEraserType(selectEraserType_);
    fill_->setIsPartitionEraser(partition);
    fill_->doFreeSpaceAction(standard_.passes);
}

void WipeDiskRun::prepareFreeSpace()
{
    if (running_)
        return;
    selectEraserType_ = wiperun::kWipeFreeSpace;
    emit stepChanged(1);
}

void WipeDiskRun::makeSureToWipeFreeSpaceSelectVolume()
{
    if (running_ || !selectVolumeObj_)
        return;
    selectEraserType_ = wiperun::kWipeFreeSpace;
    // Counted from the confirmation, as the other runs are: the time the
    // question stood open is no part of the wipe.
    setEraserTime();
    beginRun();
    historyName_ = selectVolumeObj_->volumeName();
    startFill(false);
}

void WipeDiskRun::cancelEraser()
{
    if (!running_)
        return;
    worker_->requestCancel();
    fill_->setIsCancelEraser(true);
}

bool WipeDiskRun::waitForWorker(int timeoutMs)
{
    return worker_->waitIdle(timeoutMs);
}

bool WipeDiskRun::stopRunningWork(int timeoutMs)
{
    // The first call sets the time quitting may take; a later one (the
    // destructor's, after the main window's) waits only for what is left.
    if (!quitDeadline_)
        quitDeadline_ = QDeadlineTimer(std::max(0, timeoutMs));
    const auto left = [this] { return static_cast<int>(std::max<qint64>(0, quitDeadline_->remainingTime())); };
    if (running_)
        cancelEraser();
    const bool workerDone = waitForWorker(left());
    // The fill gets what is left of the same budget, its clean-up included.
    fill_->stopRunningFill(left());
    fill_->endAppRemoveFolder();
    return workerDone && !fill_->isRunning();
}

void WipeDiskRun::endAppRemoveFolder()
{
    fill_->endAppRemoveFolder();
}

// ---------------------------------------------------------------- the fill's reports

void WipeDiskRun::enableWipeDiskCancelBut()
{
    if (running_)
        emit wipeDiskCancelEnabled();
}

void WipeDiskRun::runProgressStep(int step)
{
    if (running_)
        emit stepChanged(step);
}

void WipeDiskRun::showWipeDiskRound(double barValue, const QString& roundText, bool animated)
{
    if (running_)
        emit roundChanged(wiperun::kWipeVolume, barValue, roundText, animated);
}

void WipeDiskRun::showWipeFreeSpaceRound(double barValue, const QString& roundText, bool animated)
{
    if (running_)
        emit roundChanged(wiperun::kWipeFreeSpace, barValue, roundText, animated);
}

void WipeDiskRun::showComplite()
{
    if (!running_)
        return;
    isBegin_ = false;
    const bool cancelled = isCancelEraser();
    if (cancelled) {
        errorString_ = wiperun::kCancelledText;
    } else {
        if (errorString_.isEmpty())
            errorString_ = fill_->errorString();
        // A volume that went away during the fill was not filled to its end.
        if (errorString_.isEmpty() && !fill_->volumeIsStillThere())
            errorString_ = wiperun::kNotFoundText;
        if (errorString_.isEmpty())
            emit stepChanged(3);
    }
    showEndEraser(cancelled);
}

void WipeDiskRun::showEndEraser(bool cancelled)
{
    stopEraserTimer();
    running_ = false;
    emit tabsLocked(false);
    const bool success = errorString_.isEmpty();
    if (!success)
        platform::log(QStringLiteral("The wipe ended as failed: %1").arg(errorString_));
    const QString result = success ? wiperun::kResultSuccess : wiperun::kResultFailure;
    DoDataBase::returnDoDataBase()->writeWipeVolumesOrFree(historyName_, result,
                                                           selectEraserType_ == wiperun::kWipeFreeSpace, standard_.label);
    PublicUtilities::writeUpDataHistoryStr(QStringLiteral("WipeVolumeHistory"), QStringLiteral("1"));
    emit runEnded(success, cancelled);
}
