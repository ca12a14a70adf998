#pragma once
// The free-space fill of the disk wipe: once per pass the selected volume's
// free space is filled with junk files inside a hidden folder ".VOVU" at the
// volume's root, and the folder is deleted again. The disk-wipe screen owns one
// engine, sets its run state and draws what the delegate is told; the engine
// itself has no window and is driven by tests directly.
//
// Threads: every pass of a run runs in order on one global-queue worker; the
// sampling of the free space runs on a background global queue; the delegate,
// the sampling timer and the pass reports live on the main thread.

#include "core/VolumeObj.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QTimer;

// What the fill shows on the screen. Every call arrives on the main thread.
class FreeSpaceFillDelegate {
public:
    virtual ~FreeSpaceFillDelegate() = default;

    // The fill has begun: the Wipe Volume cancel button becomes usable.
    virtual void enableWipeDiskCancelBut() {}
    // Step of the run's step indicator (2 when the fill begins).
    virtual void runProgressStep(int step) {}
    // Wipe Volume mode: wipeDiskProgressBar and sEraserRoundLabel. `animated`
    // asks for the bar's animated change (the end of a pass).
    virtual void showWipeDiskRound(double barValue, const QString& roundText, bool animated) {}
    // Wipe Free Space mode: wipeFreeSpaceProgressBar and fEraserRoundLabel.
    virtual void showWipeFreeSpaceRound(double barValue, const QString& roundText, bool animated) {}
    // The run has ended (2.0 s after its last pass report, or after a cancel
    // or a failure); the screen shows its result.
    virtual void showComplite() {}
};

class FreeSpaceFillEngine : public QObject {
    Q_OBJECT
public:
    // Budget unit: the free space is counted in units of this many bytes.
    static constexpr qint64 kBudgetUnit = 128000000;
    // A full file: an 8-byte random header and this many zero bytes (128 MiB).
    static constexpr qint64 kFullFileZeros = 134217728;
    static constexpr qint64 kFullFileHeader = 8;
    // Every write request carries at most this much.
    static constexpr qint64 kWriteRequest = 4194304;
    // The remainder file is zero bytes in blocks of this size, then "0" characters.
    static constexpr qint64 kLoseBlock = 4000;
    static constexpr int kSampleIntervalMs = 1500;
    static constexpr int kCompliteDelayMs = 2000;
    // A fill folder that will not go away is tried this often, this far apart.
    static constexpr int kRemoveAttempts = 5;
    static constexpr int kRemoveRetryMs = 1000;
    // How long a quit waits, in all, for the writer to stop: the same budget
    // the main window gives every tool at quit, so asking the engine to stop
    // (stopRunningFill) and then to clean up (endAppRemoveFolder) never waits
    // longer than that together.
    static constexpr int kQuitWaitMs = 5000;

    // The run's error when the volume mounted where the chosen one was, on
    // its device, is another file system: nothing was written. The screen
    // tells it to the user.
    static QString notTheChosenVolumeText();

    // Modes of `selectEraserType`.
    static constexpr int kWipeFreeSpace = 1;
    static constexpr int kWipeVolume = 2;

    explicit FreeSpaceFillEngine(QObject* parent = nullptr);
    // Stops a running fill and waits a bounded time for its writer.
    ~FreeSpaceFillEngine() override;

    // Not owned; it must outlive the engine or be reset to null first.
    void setDelegate(FreeSpaceFillDelegate* delegate) { delegate_ = delegate; }
    FreeSpaceFillDelegate* delegate() const { return delegate_; }

    // Run state. Safe to read and write from any thread.
    VolumeObjPtr selectVolumeObj() const;
    void setSelectVolumeObj(const VolumeObjPtr& volume);
    int selectEraserType() const;
    void setSelectEraserType(int type);
    bool isCancelEraser() const;
    void setIsCancelEraser(bool cancel);
    // Empty: the run succeeded so far. Shown to the user only when it is
    // notTheChosenVolumeText().
    QString errorString() const;
    void setErrorString(const QString& text);
    // Passes begun in this run.
    int iRoundTimes() const;
    void setIRoundTimes(int rounds);
    // The fill folder while it exists on disk.
    QString wipeScanPathStr() const;
    void setWipeScanPathStr(const QString& path);
    // Set by the volume erase flow for a run that reformatted the volume: the
    // progress is then measured against the whole volume.
    bool isPartitionEraser() const;
    void setIsPartitionEraser(bool partition);
    // The sampling timer while it runs (main thread), else null.
    QTimer* progressUpdateTimer() const { return progressUpdateTimer_; }

    // Whether a fill's worker is still at work, and waiting for it to end.
    bool isRunning() const;
    bool waitForFill(int timeoutMs) const;
    // At quit: cancels a running fill and waits at most `timeoutMs` for its
    // writer. Answers whether no writer is left. A later endAppRemoveFolder
    // waits only for what is left of this time.
    bool stopRunningFill(int timeoutMs);

    // Called on the fill's worker after each fill file has been flushed to the
    // medium and before it is closed, with its path and open handle (tests
    // look at the medium there).
    using FillFileObserver = std::function<void(const QString& path, int fd)>;
    void setFillFileObserver(FillFileObserver observer);

    // Starts a fill of selectVolumeObj over getEraserTimes() passes and
    // returns at once. May be called on the main thread or on a worker.
    void doFreeSpaceAction();
    // The same over `passes` passes (below 1 taken as 1), whatever
    // "EraserTimes" holds meanwhile: a run hands over the count it was
    // confirmed with.
    void doFreeSpaceAction(int passes);

    // The pass count: the user default "EraserTimes", at least 1, no upper bound.
    static int getEraserTimes();

    // The full files of one pass into `finderName`.
    void roundOneWithRoundCount(qint64 roundCount, int eraserTimes, const QString& finderName);
    // One full file "<finderName>/.VOVU_<index>".
    void createDydFile(const QString& finderName, int index);
    // The remainder file of `loseCount` bytes, after `roundCount` full files.
    void writLostDataWithLoseCount(qint64 loseCount, qint64 roundCount, const QString& finderName);

    // Progress sampling; the timer lives on the main thread.
    void startProgressUpdateTimer();
    void stopProgressUpdateTimer();
    void updateProgress();
    void updateProgressBarWithProgress(float progress);
    // Free bytes at `path`, 0 when the file system cannot be asked.
    qint64 getFreeDiskSizeAtPath(const QString& path) const;

    // At quit: stops a running fill, waits for its writer within the quit
    // budget, then deletes the fill folder if one is still on disk. The folder
    // is reached through the handle the fill holds on the volume's root, so
    // this is safe even while a writer that did not stop is still busy.
    void endAppRemoveFolder();

    // The arithmetic and texts of the fill, for the engine and its tests.
    struct FillLayout {
        // n: full files per pass, indices 1 to n. Stopping at n - 1 would leave
        // a whole budget unit unwritten whenever the remainder is small.
        qint64 roundCount = 0;
        qint64 loseCount = 0;  // rest: bytes of the remainder file
    };
    static FillLayout fillLayoutFor(qint64 freeBytes);
    static QString fullFilePath(const QString& finderName, qint64 index);
    // The remainder file comes after the n full files (index n + 1), so it
    // never replaces the last of them.
    static QString loseFilePath(const QString& finderName, qint64 roundCount);
    static QString fillFolderFor(const QString& mountPoint);
    static QString passReportText(int pass, int passes);
    static QString progressText(float progress, int round, int passes);
    static float progressFor(qint64 base, qint64 freeNow);
    static double barValueFor(float progress);

    struct Shared;

private:
    void passReport(int pass, int passes, bool last);
    void showRound(double barValue, const QString& text, bool animated);

    std::shared_ptr<Shared> d;
    FreeSpaceFillDelegate* delegate_ = nullptr;
    QTimer* progressUpdateTimer_ = nullptr;
};
