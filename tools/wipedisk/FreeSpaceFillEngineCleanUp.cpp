// What a fill leaves on a volume goes: the fill folder after each pass, and
// at quit whatever a pass still had there.
#include "FreeSpaceFillEngineShared.h"

#include <QThread>

using namespace fillengine;

// Removal is tried a bounded number of times; a folder that stays makes
// the run fail instead of waiting for ever.
bool FreeSpaceFillEngine::Shared::removeFillFolder(int parentFd, const QString& folderPath)
{
    for (int attempt = 1; attempt <= kRemoveAttempts; ++attempt) {
        int error = 0;
        if (platform::removeTreeAt(parentFd, QString::fromLatin1(kFillFolderName), &error))
            return true;
        platform::logNames(QStringLiteral("Remove folder fail (%1 of %2): %3 (errno=%4)")
                               .arg(attempt)
                               .arg(kRemoveAttempts)
                               .arg(folderPath)
                               .arg(error));
        if (attempt < kRemoveAttempts)
            QThread::msleep(kRemoveRetryMs);
    }
    return false;
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
            platform::logNames(QStringLiteral("Remove folder fail: %1 (errno=%2)").arg(path).arg(error));
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
