#include "FileEraserRun.h"

#include "core/DoDataBase.h"
#include "core/PublicUtilities.h"
#include "platform/Dispatch.h"

#include <QPointer>
#include <QTimer>

FileEraserRun::FileEraserRun(QObject* parent)
    : QObject(parent), liveGeneration_(std::make_shared<std::atomic<quint64>>(0))
{
    eraserTimer_.setInterval(1000);
    eraserBigTimer_.setInterval(10000);
    connect(&eraserTimer_, &QTimer::timeout, this, [this] {
        ++eraserTimeR_;
        emit elapsedChanged(eraserun::elapsedTimeText(eraserTimeR_));
    });
    connect(&eraserBigTimer_, &QTimer::timeout, this, [this] { emit longFileHint(true); });
}

FileEraserRun::~FileEraserRun()
{
    liveGeneration_->store(0);
    if (stopJobList_)
        stopJobList_->store(true);
    if (removeFileAndFolder_) {
        // Waits for a report under way; the queue then stops after its item.
        removeFileAndFolder_->setDelegate(nullptr);
        removeFileAndFolder_->isCancel();
    }
}

void FileEraserRun::setTimings(int clockMs, int hintMs, int endDelayMs)
{
    eraserTimer_.setInterval(clockMs);
    eraserBigTimer_.setInterval(hintMs);
    endDelayMs_ = endDelayMs;
}

void FileEraserRun::start(const FileObjList& jobs, const ErasureRunStandard& standard)
{
    if (running_)
        return;
    running_ = true;
    standard_ = standard;
    isCancel_ = false;
    isFailedEraser_ = false;
    generation_ = liveGeneration_->load() + 1;
    liveGeneration_->store(generation_);
    launch(jobs);
}

void FileEraserRun::startFrom(const FileEraserList& list, const ErasureRunStandard& standard)
{
    if (running_)
        return;
    running_ = true;
    standard_ = standard;
    makingJobList_ = true;
    isCancel_ = false;
    isFailedEraser_ = false;
    generation_ = liveGeneration_->load() + 1;
    liveGeneration_->store(generation_);
    stopJobList_ = std::make_shared<std::atomic<bool>>(false);

    QPointer<FileEraserRun> self(this);
    const quint64 generation = generation_;
    auto live = liveGeneration_;
    auto stop = stopJobList_;
    platform::dispatch::global(platform::dispatch::Priority::Default,
                               [self, live, generation, stop, ticked = list.tickedCopy()] {
                                   const FileObjList jobs = ticked.flatJobList({}, stop.get());
                                   platform::dispatch::main([self, live, generation, jobs] {
                                       if (!self || live->load() != generation)
                                           return;
                                       self->makingJobList_ = false;
                                       self->stopJobList_.reset();
                                       // Cancelled meanwhile: the queue ends at once, nothing erased.
                                       self->launch(self->isCancel_ ? FileObjList() : jobs);
                                   });
                               });
}

void FileEraserRun::launch(const FileObjList& jobs)
{
    // The previous run's queue is released only now, as the next run starts.
    if (removeFileAndFolder_)
        removeFileAndFolder_->setDelegate(nullptr);
    removeFileAndFolder_ = std::make_unique<RemoveFileAndFolder>();
    removeFileAndFolder_->setDelegate(this);

    // The clock shows 0:00:01 at once, then ticks every second.
    eraserTimeR_ = 0;
    eraserTimer_.start();
    ++eraserTimeR_;
    emit elapsedChanged(eraserun::elapsedTimeText(eraserTimeR_));

    removeFileAndFolder_->benginToTraskWithArr(jobs, standard_.passes);
}

void FileEraserRun::cancelShred()
{
    if (!running_)
        return;
    isCancel_ = true;
    if (stopJobList_)
        stopJobList_->store(true);
    if (removeFileAndFolder_)
        removeFileAndFolder_->isCancel();
}

FileObjList FileEraserRun::allFilesArr() const
{
    return removeFileAndFolder_ ? removeFileAndFolder_->allFilesArr() : FileObjList();
}

void FileEraserRun::removeProgress(float percent, const QString& path, int index)
{
    QPointer<FileEraserRun> self(this);
    const quint64 generation = generation_;
    auto live = liveGeneration_;
    platform::dispatch::main([self, live, generation, percent, path, index] {
        if (self && live->load() == generation)
            self->onProgress(percent, path, index);
    });
}

void FileEraserRun::haveFailEraser()
{
    // Delivered on the main queue already; only the flag changes.
    isFailedEraser_ = true;
}

void FileEraserRun::removeObjEnd(const FileObjList& doneList)
{
    QPointer<FileEraserRun> self(this);
    const quint64 generation = generation_;
    auto live = liveGeneration_;
    platform::dispatch::main([self, live, generation, doneList] {
        if (self && live->load() == generation)
            self->onEnd(doneList);
    });
}

void FileEraserRun::onProgress(float percent, const QString& path, int index)
{
    const int total = static_cast<int>(allFilesArr().size());
    emit progressChanged(eraserun::progressCountText(total, index), eraserun::progressBarValue(percent), path);
    restartHint();
}

void FileEraserRun::restartHint()
{
    emit longFileHint(false);
    eraserBigTimer_.stop();
    eraserBigTimer_.start();
    // The hint's timer fires once as it starts.
    emit longFileHint(true);
}

void FileEraserRun::stopClocks()
{
    eraserBigTimer_.stop();
    emit longFileHint(false);
    eraserTimer_.stop();
}

void FileEraserRun::onEnd(const FileObjList& doneList)
{
    QPointer<FileEraserRun> self(this);
    const quint64 generation = generation_;
    QTimer::singleShot(endDelayMs_, this, [self, generation, doneList] {
        if (!self || self->liveGeneration_->load() != generation)
            return;
        self->stopClocks();
        self->running_ = false;
        emit self->finished(doneList);
    });
}

eraserun::RunEnd FileEraserRun::completeRun(const FileObjList& list)
{
    eraserun::RunEnd end = eraserun::finishEraseRun(list, removeFileAndFolder_ ? removeFileAndFolder_->deleteErrorArr()
                                                                              : FileObjList(),
                                                    isCancel_, isFailedEraser_);
    DoDataBase::returnDoDataBase()->writePlistForHistoryWithArr(end.marked, standard_.label);
    PublicUtilities::writeUpDataHistoryStr(QStringLiteral("WipeFileHistory"), QStringLiteral("1"));
    return end;
}

bool FileEraserRun::waitForWorker(int timeoutMs)
{
    return platform::dispatch::waitForGlobalQueues(timeoutMs);
}
