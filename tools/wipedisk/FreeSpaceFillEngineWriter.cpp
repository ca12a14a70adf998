// The fill files: full files and the remainder file, each written in whole
// allocation units and flushed to the medium before its folder goes.
#include "FreeSpaceFillEngineShared.h"

#include "platform/MountTable.h"
#include "platform/SecureRandom.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>

using namespace fillengine;

namespace {

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

} // namespace

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
StreamEnd FreeSpaceFillEngine::Shared::stream(platform::FillFile& file, char* buffer, qint64 bufferSize, qint64 total,
                                              const QString& path, qint64 unit, qint64 header)
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
                // Whole units only: a file that the disk fills ends on one,
                // so no unit is left holding old data past the file's end.
                largest = std::max(smallest, std::min(request / 2 / smallest * smallest, fits));
                continue;
            }
            platform::logNames(QStringLiteral("Disk full while writing %1 (errno=%2)").arg(path).arg(file.error()));
            return StreamEnd::DiskFull;
        }
        if (n <= 0 || n < header) {
            platform::logNames(QStringLiteral("%1 %2 (errno=%3)")
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
void FreeSpaceFillEngine::Shared::finish(platform::FillFile& file, StreamEnd end, const QString& path)
{
    if (end == StreamEnd::Cancelled)
        return;
    if (!file.flush()) {
        if (end == StreamEnd::Done) {
            if (isDiskFull(file.error()))
                platform::logNames(QStringLiteral("Disk full while writing %1 (errno=%2)").arg(path).arg(file.error()));
            else
                platform::logNames(QStringLiteral("Write error while writing to %1 (errno=%2)").arg(path).arg(file.error()));
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

void FreeSpaceFillEngine::Shared::createDydFile(const Folder& folder, qint64 index)
{
    const QString name = QStringLiteral(".VOVU_") + QString::number(index);
    const QString path = fullFilePath(folder.path, index);
    try {
        platform::FillFile file;
        if (!file.openAt(folder.fd, name)) {
            platform::logNames(QStringLiteral("Failed to open file for writing: %1 (errno=%2)").arg(path).arg(file.error()));
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

void FreeSpaceFillEngine::Shared::writLostData(qint64 loseCount, qint64 roundCount, const Folder& folder)
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
                platform::logNames(QStringLiteral("Disk full while writing %1 (errno=%2)").arg(path).arg(file.error()));
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
