#pragma once
// An existing regular file opened to overwrite its bytes in place, so that
// every pass reaches the medium before the next one begins.
//
// Direct I/O is used where the file system accepts it: whole aligned blocks
// bypass the page cache, and a tail shorter than a block goes through the
// cache and is flushed with the pass. Elsewhere the writes are buffered and
// each pass ends with a data sync and a request to drop the cached pages.

#include "HeldItem.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

class OverwriteFile {
public:
    enum class Mode { Automatic, Buffered };

    OverwriteFile() = default;
    ~OverwriteFile();
    OverwriteFile(const OverwriteFile&) = delete;
    OverwriteFile& operator=(const OverwriteFile&) = delete;

    // Opens `path` for writing only: nothing is created or truncated, a
    // symbolic link is never followed, and anything but a regular file (a
    // folder, a device, a pipe) is refused. On failure error() holds the
    // errno and errorString() its description.
    bool open(const QString& path, Mode mode = Mode::Automatic);
    // The same for an item reached through its held parent folder.
    bool open(const HeldItem& item, Mode mode = Mode::Automatic);
    bool isOpen() const { return fd_ >= 0; }
    void close();

    // Whether whole blocks currently bypass the page cache.
    bool usesDirectIo() const { return direct_; }

    // Back to offset 0 for the next pass.
    bool rewind();
    // To `offset`, where the next write goes.
    bool seekTo(std::int64_t offset);

    struct Segment {
        std::int64_t offset = 0;
        std::int64_t length = 0;
        friend bool operator==(const Segment&, const Segment&) = default;
    };
    // The parts of the first `length` bytes that hold data, in order; holes
    // (never written, reading as zeros, taking no room on the volume) are left
    // out. A file system that cannot tell gives the whole length as data.
    std::vector<Segment> dataSegments(std::int64_t length) const;

    // Writes `length` bytes at the current offset. Returns the count written
    // (fewer than asked only when the file system stopped early), or -1.
    // `data` must come from allocateBuffer so that direct I/O can use it.
    std::int64_t write(const void* data, std::int64_t length);

    // Ends a pass: the data is flushed to the medium and the cached pages are
    // dropped. False when the flush failed.
    bool finishPass();

    bool truncate(std::int64_t size);

    // Removes every extended attribute the file carries. Attributes only the
    // system may remove (security.*, trusted.*, system.*) may stay; a user
    // attribute that stays is a failure.
    bool clearExtendedAttributes();
    // Access and modification times to 1 January 1970 (Linux cannot set a
    // creation time).
    bool setTimesToEpoch();
    bool setMode(unsigned mode);

    int error() const { return error_; }
    QString errorString() const;

    // A zero-filled buffer aligned for direct I/O; nullptr when out of memory.
    static void* allocateBuffer(std::size_t size);
    static void freeBuffer(void* buffer);

    // Whether `path` could be opened for writing right now: 0 when it could,
    // else the errno of the refusal (EACCES when the permissions forbid it).
    // Links are not followed and nothing is written.
    static int probeWritable(const QString& path);

private:
    bool adopt(int fd, Mode mode);
    bool setDirect(bool on);
    std::int64_t writeBuffered(const char* data, std::int64_t length);

    int fd_ = -1;
    int error_ = 0;
    bool directPossible_ = false; // the file system takes direct I/O on this file
    bool direct_ = false;         // O_DIRECT is set on the descriptor right now
    std::int64_t offset_ = 0;
    std::int64_t align_ = 4096;   // offset and length alignment for direct writes
};

} // namespace platform
