#pragma once
// The erasure engine: destroys one file beyond recovery.
//
// The parts of the file that hold data are overwritten in place as many times
// as asked (1 to 35, the most any standard names): the first pass with zeros,
// every later one with fresh random bytes, each on the medium before the next
// begins. Holes of a sparse file hold nothing and are never filled, so a
// shred never takes room on the volume. The file is then cut to zero length,
// stripped of its extended attributes, given epoch times and mode 0600,
// renamed three times within its folder and removed. True means the file is
// gone from its folder; false that it may still be there (the reason is in
// the log). A symbolic link is never followed: it is renamed and removed
// itself, and its target is left alone.
//
// Runs on the caller's thread and blocks it until done; calls on different
// files may run at the same time, each with its own EraseSession.

#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace platform {
class HeldItem;
}

// The largest single write, and so the largest buffer. Two of them are held
// while a random pass runs, so that the next chunk is made while one is
// written; at 8 MiB the pair takes no more memory than one plain 16 MiB
// direct write, and each write is still long enough to keep the medium busy.
inline constexpr std::int64_t kEraseChunkSize = 8 * 1024 * 1024;

// The most passes a file gets: the largest count a standard names.
inline constexpr int kMaxErasePasses = 35;

// For tests and benchmarks that watch the overwrite: each chunk as it was
// written (pass number from 0, offset in the file, the bytes), and the end of
// each pass after its flush, while the file is still open at its name.
struct EraseObserver {
    std::function<void(int pass, std::int64_t offset, QByteArrayView bytes)> chunkWritten;
    std::function<void(int pass)> passFinished;
};

// What a series of shreds keeps from one file to the next: two buffers, each
// no larger than the largest file met so far (at most kEraseChunkSize), the
// same two for every pass whatever the count (the zero pass writes the first
// one cleared), and a thread that makes the random bytes of the next chunk
// while the current one is written. The erase queue holds one per run.
// Used by one thread at a time; its thread ends with it.
class EraseSession {
public:
    EraseSession();
    ~EraseSession();
    EraseSession(const EraseSession&) = delete;
    EraseSession& operator=(const EraseSession&) = delete;

    // Bytes of each buffer now (for tests: never more than the file needs).
    std::int64_t bufferSize() const;

    struct Impl;

private:
    std::unique_ptr<Impl> d;
    friend bool securelyEraseFile(platform::HeldItem&, int, EraseSession&, const EraseObserver&);
};

bool securelyEraseFile(const QString& path, int passes);
bool securelyEraseFile(const QString& path, int passes, const EraseObserver& observer);

// The same for an item already reached through its held parent folder (see
// platform/HeldItem.h): every step acts on that folder, never on a path.
// `item` follows the renames.
bool securelyEraseFile(platform::HeldItem& item, int passes, EraseSession& session, const EraseObserver& observer = {});
