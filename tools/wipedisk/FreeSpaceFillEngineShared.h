#pragma once
// Inside the free-space fill, for its own files only: the run state the
// engine shares with its worker, and what one pass is made of. The pass loop
// is FreeSpaceFillEnginePasses.cpp, the writer of the fill files
// FreeSpaceFillEngineWriter.cpp, the removal of what a fill leaves
// FreeSpaceFillEngineCleanUp.cpp; the engine's own face is
// FreeSpaceFillEngine.cpp.

#include "FreeSpaceFillEngine.h"

#include "platform/FillFile.h"
#include "platform/FillLeftovers.h"
#include "platform/Log.h"

#include <QMutex>
#include <QMutexLocker>
#include <QPointer>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace fillengine {

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
    // The file system's and the device's UUIDs as the scan read them; empty
    // where they could not be read.
    QString volumeUUID;
    QString diskUUID;
    qint64 freeBytes = 0;
    qint64 totalBytes = 0;
};

enum class StreamEnd { Done, Cancelled, DiskFull, Failed };

inline bool isDiskFull(int error) { return error == ENOSPC || error == EDQUOT; }

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
inline qint64 wholeUnits(qint64 bytes, qint64 unit) { return unit > 0 ? (bytes + unit - 1) / unit * unit : bytes; }

} // namespace fillengine

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
    fillengine::Target target;
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
    fillengine::Target targetCopy() const
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
            record.begin(volume, QString::fromLatin1(fillengine::kFillFolderName));
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

    // The writer of the fill files (FreeSpaceFillEngineWriter.cpp).
    fillengine::StreamEnd stream(platform::FillFile& file, char* buffer, qint64 bufferSize, qint64 total,
                                 const QString& path, qint64 unit, qint64 header = 0);
    void finish(platform::FillFile& file, fillengine::StreamEnd end, const QString& path);
    void createDydFile(const fillengine::Folder& folder, qint64 index);
    void writLostData(qint64 loseCount, qint64 roundCount, const fillengine::Folder& folder);

    // The pass loop (FreeSpaceFillEnginePasses.cpp).
    bool isChosenFileSystem(const fillengine::Target& t);
    bool volumeStays(const platform::VolumeRoot* volume);
    bool roundOne(qint64 roundCount, const fillengine::Folder& folder, const platform::VolumeRoot* volume);
    void scheduleComplite(const QPointer<FreeSpaceFillEngine>& engine);
    bool fillPass(const platform::VolumeRoot& volume, const fillengine::Folder& folder);
    void run(const QPointer<FreeSpaceFillEngine>& engine);

    // Clean-up (FreeSpaceFillEngineCleanUp.cpp).
    bool removeFillFolder(int parentFd, const QString& folderPath);
};
