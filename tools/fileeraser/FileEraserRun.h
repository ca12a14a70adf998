#pragma once
// One File Eraser run apart from its panes: hands the flat job list to a new
// erase queue, keeps the elapsed-time clock and the long-file hint, moves the
// queue's reports to the main thread, and at the end marks the ticked items,
// writes the "WipeFile" history record and raises the unseen-history flag.
//
// Main thread only; the queue's worker, and the worker that makes the job
// list, reach this object only through the main queue.

#include "EraseRunRules.h"
#include "FileEraserList.h"

#include "core/ErasureStandards.h"
#include "core/FileObj.h"
#include "core/PublicUtilities.h"
#include "core/RemoveFileAndFolder.h"

#include <QObject>
#include <QTimer>
#include <atomic>
#include <memory>

class FileEraserRun : public QObject, private RemoveFileAndFolderDelegate {
    Q_OBJECT
public:
    explicit FileEraserRun(QObject* parent = nullptr);
    ~FileEraserRun() override;

    // Starts the queue on `jobs` (flattened already) and the clocks. A run
    // under way is not restarted. The run overwrites with `standard`'s pass
    // count and records its label, whatever is saved while it goes on.
    void start(const FileObjList& jobs, const ErasureRunStandard& standard = PublicUtilities::getEraserStandard());
    // Makes the flat job list of the ticked items of `list` on a worker (a
    // large tree takes seconds), then starts as start() does. The list is
    // copied first; the screen may change its own meanwhile.
    void startFrom(const FileEraserList& list,
                   const ErasureRunStandard& standard = PublicUtilities::getEraserStandard());
    // The standard of the current (or last) run.
    const ErasureRunStandard& standard() const { return standard_; }
    // From either start until the end of the run.
    bool isRunning() const { return running_; }
    // The job list is being made; the queue has not started.
    bool isMakingJobList() const { return makingJobList_; }

    // Asks the queue to stop after the item in hand; the end follows. While
    // the job list is still being made, nothing is erased: the run ends at
    // once, cancelled.
    void cancelShred();
    bool isCancel() const { return isCancel_; }
    bool isFailedEraser() const { return isFailedEraser_; }

    // The job list handed to the queue.
    FileObjList allFilesArr() const;

    // The end of the run for the screen's `list`: marks, pane choice and the
    // remaining items (see eraserun::finishEraseRun), the history record of
    // the marked items under the run's standard, and "WipeFileHistory" = "1".
    eraserun::RunEnd completeRun(const FileObjList& list);

    // Waits at most `timeoutMs` for the queue's worker (at quit, after a
    // cancel). Answers whether no worker is left.
    bool waitForWorker(int timeoutMs);

    // Timer lengths; tests shorten them.
    void setTimings(int clockMs, int hintMs, int endDelayMs);

    int eraserTimeR() const { return eraserTimeR_; }

signals:
    // "%d 文件中的 %d 个", the bar's fraction, the item's path.
    void progressChanged(const QString& countText, double barValue, const QString& path);
    // The elapsed time, every tick.
    void elapsedChanged(const QString& text);
    // Show or hide the long-file hint.
    void longFileHint(bool shown);
    // The queue is done (1 s after its last report); call completeRun.
    void finished(const FileObjList& doneList);

private:
    // RemoveFileAndFolderDelegate, called on the queue's threads.
    void removeProgress(float percent, const QString& path, int index) override;
    void haveFailEraser() override;
    void removeObjEnd(const FileObjList& doneList) override;

    void launch(const FileObjList& jobs);
    void onProgress(float percent, const QString& path, int index);
    void onEnd(const FileObjList& doneList);
    void restartHint();
    void stopClocks();

    std::unique_ptr<RemoveFileAndFolder> removeFileAndFolder_;
    ErasureRunStandard standard_;
    std::atomic<bool> isCancel_{false};
    std::atomic<bool> isFailedEraser_{false};
    bool running_ = false;
    bool makingJobList_ = false;
    // Set to end the walk of a job list still being made.
    std::shared_ptr<std::atomic<bool>> stopJobList_;
    // Each run's reports carry its number, so a late report of an earlier
    // queue is dropped.
    quint64 generation_ = 0;
    std::shared_ptr<std::atomic<quint64>> liveGeneration_;

    QTimer eraserTimer_;
    QTimer eraserBigTimer_;
    int eraserTimeR_ = 0;
    int endDelayMs_ = 1000;
};
