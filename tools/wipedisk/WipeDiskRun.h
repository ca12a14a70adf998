#pragma once
// One disk-wipe run apart from its panes, in either mode:
//
//  Wipe Volume (mode 2): reformat the chosen volume through the disk utility
//  (an NTFS volume becomes FAT32 "NEW", an unnamed exFAT volume exFAT
//  "NEWExFAT", any other keeps its name and type), find it again by its
//  device, shred what its root still holds (one pass), then fill its whole
//  free space.
//  Wipe Free Space (mode 1): fill the chosen volume's free space.
//
// Both end the same way: the clock stops, the tabs are unlocked, the result
// is decided ("擦除成功" or "擦除失败"), the "WipeVolume" history record is
// written and the unseen-history flag "WipeVolumeHistory" is raised.
//
// Every run of the disk utility is judged by its exit status; its standard
// error is only logged. When this process is not root, the disk utility goes
// through the privileged launcher (pkexec; NULLVANE_PKEXEC names another, and
// is then used even by root, so tests can refuse the password).
//
// Threads: the object and its signals belong to the main thread. The
// reformat, the search for the volume and the shredding run on one global
// queue worker, which reaches this object only through the main queue; a
// report of an earlier run is dropped.

#include "FreeSpaceFillEngine.h"

#include "core/ErasureStandards.h"
#include "core/VolumeObj.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

// What the run needs of the free-space fill; FreeSpaceFillEngine behind it in
// the program, a fake in screen tests.
class WipeFill {
public:
    virtual ~WipeFill() = default;
    virtual void setDelegate(FreeSpaceFillDelegate* delegate) = 0;
    virtual void setSelectVolumeObj(const VolumeObjPtr& volume) = 0;
    virtual void setSelectEraserType(int type) = 0;
    virtual void setIsPartitionEraser(bool partition) = 0;
    virtual bool isCancelEraser() const = 0;
    virtual void setIsCancelEraser(bool cancel) = 0;
    virtual QString errorString() const = 0;
    // Starts a fill of `passes` passes: the run's, never what is saved later.
    virtual void doFreeSpaceAction(int passes) = 0;
    // Stops a fill, waits a bounded time and removes a fill folder left behind.
    virtual void endAppRemoveFolder() = 0;
    virtual bool isRunning() const = 0;
    virtual bool waitForFill(int timeoutMs) = 0;
    // At quit: cancels a fill and waits at most `timeoutMs` for it; a later
    // endAppRemoveFolder waits only for what is left of that time.
    virtual bool stopRunningFill(int timeoutMs) = 0;
    // After a fill: the volume is still mounted where it was, from its device.
    virtual bool volumeIsStillThere() const = 0;
};

// The real fill.
std::unique_ptr<WipeFill> makeEngineFill();

namespace wiperun {

inline constexpr int kWipeFreeSpace = FreeSpaceFillEngine::kWipeFreeSpace;
inline constexpr int kWipeVolume = FreeSpaceFillEngine::kWipeVolume;

inline const QString kResultSuccess = QStringLiteral("擦除成功");
inline const QString kResultFailure = QStringLiteral("擦除失败");
inline const QString kCancelledText = QStringLiteral("该操作被用户取消。");
inline const QString kNotFoundText = QStringLiteral("没有找到分区，请重试。");
inline const QString kReformatFailText = QStringLiteral("磁盘挂载失败，请再试一次!");

// The disk utility's arguments for reformatting `v`, and its name afterwards.
struct ReformatCommand {
    QStringList arguments;
    QString nameAfter;
};
ReformatCommand reformatCommandFor(const VolumeObj& v);

// Root entries a reformatted volume may keep: the platform's own folders.
bool isKeptRootEntry(const QString& name);

// Whether the root entry `entry` is the volume's label as a FUSE FAT driver
// shows it: an empty file named like the volume. Removing it would take the
// volume's name away, and it holds nothing to shred.
bool isVolumeLabelEntry(const QString& root, const QString& entry, const QString& volumeName);

// The bytes a fill is given: the listed free space, or the whole volume when
// its file system tells none.
qint64 fillBudgetFor(const VolumeObj& v);

// "H:MM:SS": hours not padded, minutes and seconds with two digits.
QString elapsedText(int seconds);

// Step captions of the two modes.
QStringList stepCaptions(int mode);

} // namespace wiperun

class WipeDiskRun : public QObject, private FreeSpaceFillDelegate {
    Q_OBJECT
public:
    // `fill` null: the real fill.
    explicit WipeDiskRun(std::unique_ptr<WipeFill> fill = nullptr, QObject* parent = nullptr);
    ~WipeDiskRun() override;

    // Timings tests shorten: the clock's tick, the wait between looks for a
    // reformatted volume, and how many looks are made.
    void setTimings(int clockMs, int findRetryMs, int findAttempts = 5);

    // Whether the disk utility's facts show `device` mounted, as the mount
    // table has it; tests whose stand-in utility mounts nothing replace it.
    using MountCheck = std::function<bool(const QVariantMap& facts, const QString& device)>;
    void setMountCheck(MountCheck check) { mountCheck_ = std::move(check); }
    static bool mountedFromDevice(const QVariantMap& facts, const QString& device);

    int selectEraserType() const { return selectEraserType_; }
    void setSelectEraserType(int mode);
    VolumeObjPtr selectVolumeObj() const { return selectVolumeObj_; }
    void setSelectVolumeObj(const VolumeObjPtr& v) { selectVolumeObj_ = v; }

    // A Wipe Volume run is in progress (set at its start, cleared at its end).
    bool isBegin() const { return isBegin_.load(); }
    // A run of either mode is in progress (tabs locked).
    bool isRunning() const { return running_; }
    bool isCancelEraser() const;
    QString errorString() const { return errorString_; }
    // The run ended because the administrator's rights were not given: what
    // the user is told (empty otherwise).
    QString refusal() const { return refusal_; }
    // What the failure pane says of a failed run where the user can act on
    // it: the refusal, or that another volume is in the chosen one's place
    // (nothing was written to it). Empty otherwise.
    QString failureNote() const;
    int eraserTimeR() const { return eraserTimeR_; }
    // The standard of the current (or last) run, taken as it was confirmed:
    // its panes, its fill and its history record go by it, whatever is
    // saved while it goes on.
    const ErasureRunStandard& standard() const { return standard_; }

    // Wipe Volume confirmed: starts the run on selectVolumeObj.
    void makeSureToWipeSelectVolume();

    // Wipe Free Space: the button was pressed, then the confirmation is
    // answered; the clock starts with the yes.
    void prepareFreeSpace();
    void makeSureToWipeFreeSpaceSelectVolume();

    // The cancel buttons. The fill notices the flag.
    void cancelEraser();

    // At quit: stops a run, waits at most `timeoutMs` for its worker and
    // removes a fill folder left on a volume. Answers whether nothing is left
    // running. The first call's time is shared: a later call never waits past
    // it.
    bool stopRunningWork(int timeoutMs);
    void endAppRemoveFolder();

    // The worker of the current run has finished (tests).
    bool waitForWorker(int timeoutMs);

    WipeFill& fill() { return *fill_; }

signals:
    // Step of the step indicator (1, 2 or 3).
    void stepChanged(int step);
    void elapsedChanged(const QString& text);
    // The Wipe Volume cancel button becomes usable (the fill has begun).
    void wipeDiskCancelEnabled();
    // Progress text and bar of the mode's pane.
    void roundChanged(int mode, double barValue, const QString& text, bool animated);
    // True at the start of a run, false at its end.
    void tabsLocked(bool locked);
    // The volume list should be read again.
    void rescanRequested();
    // The run has ended and its history record is written.
    void runEnded(bool success, bool cancelled);

private:
    struct Worker;

    // FreeSpaceFillDelegate (main thread).
    void enableWipeDiskCancelBut() override;
    void runProgressStep(int step) override;
    void showWipeDiskRound(double barValue, const QString& roundText, bool animated) override;
    void showWipeFreeSpaceRound(double barValue, const QString& roundText, bool animated) override;
    void showComplite() override;

    void setEraserTime();
    void stopEraserTimer();
    void showProgressValue();
    void beginRun();
    void startFill(bool partition);
    void reformatFound(quint64 generation, const VolumeObjPtr& found, const QString& error);
    void showEndEraser(bool cancelled);

    std::unique_ptr<WipeFill> fill_;
    std::shared_ptr<Worker> worker_;
    VolumeObjPtr selectVolumeObj_;
    int selectEraserType_ = wiperun::kWipeVolume;
    std::atomic<bool> isBegin_{false};
    bool running_ = false;
    QString errorString_;
    QString refusal_;
    // The volume's name as the run began (after an unnamed exFAT volume was
    // given its new name): the name the history record keeps.
    QString historyName_;
    ErasureRunStandard standard_;
    quint64 generation_ = 0;
    // Set by the first stopRunningWork, cleared when a run begins.
    std::optional<QDeadlineTimer> quitDeadline_;

    QTimer eraserTimer_;
    int eraserTimeR_ = 0;
    int findRetryMs_ = 30000;
    int findAttempts_ = 5;
    MountCheck mountCheck_ = &WipeDiskRun::mountedFromDevice;
};
