#pragma once
// Files that fill a volume's free space: written as a stream that reaches the
// medium as it goes (so a cancel never waits behind gigabytes of dirty pages,
// and deleting the file afterwards cannot throw the pages away unwritten), and
// the one folder that holds them.

#include <QString>

namespace platform {

class FillFile {
public:
    FillFile() = default;
    ~FillFile();
    FillFile(const FillFile&) = delete;
    FillFile& operator=(const FillFile&) = delete;

    // Creates the file, or empties an existing one, for writing. A symbolic
    // link at `path` is refused rather than followed.
    bool open(const QString& path);
    bool isOpen() const { return fd_ >= 0; }

    // One write request, repeated when a signal interrupts it. Returns how many
    // bytes were taken (a short write is possible), or -1 with error() set.
    // Every few megabytes the written part is handed to the device and the part
    // before it is waited for, so at most a few megabytes are ever pending.
    long long write(const void* data, long long length);

    // Everything written reaches the medium (fsync).
    bool flush();

    void close();

    // errno of the last failure, 0 when none.
    int error() const { return error_; }

private:
    void writeBehind(bool final);

    int fd_ = -1;
    int error_ = 0;
    long long written_ = 0;  // bytes in the file so far
    long long started_ = 0;  // writeback has been started below this offset
    long long settled_ = 0;  // writeback has been waited for below this offset
};

// The text of an errno value, for log lines.
QString errorText(int error);

// Creates the single folder `path` (its parent must exist; nothing above it is
// created). A real folder already there is accepted; a link or a file is not.
bool makeFillFolder(const QString& path, int* error = nullptr);

// Whether two existing paths lie on one mounted file system.
bool onSameFileSystem(const QString& a, const QString& b);

// Flushes the file system that holds `path` (all of them when that fails).
void syncFileSystemAt(const QString& path);

// Bytes this process can still write on the file system of `path`: root may
// also use the blocks reserved for it. -1 when the file system cannot be asked.
long long writableFreeBytes(const QString& path);

} // namespace platform
