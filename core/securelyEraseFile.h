#pragma once
// The erasure engine: destroys one file beyond recovery.
//
// The file's bytes are overwritten in place (the first pass with zeros, every
// later one with fresh random bytes, at most five passes), the file is cut to
// zero length, stripped of its extended attributes, given epoch times and mode
// 0600, renamed three times within its folder and removed. True means the file
// is gone from its folder; false that it may still be there (the reason is in
// the log). A symbolic link is never followed: it is renamed and removed
// itself, and its target is left alone.
//
// Runs on the caller's thread and blocks it until done; calls on different
// files may run at the same time.

#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <functional>

bool securelyEraseFile(const QString& path, int passes);

// The size of the one buffer each call works with, and so of each write.
inline constexpr std::int64_t kEraseChunkSize = 16 * 1024 * 1024;

// For tests and benchmarks that watch the overwrite: each chunk as it was
// written (pass number from 0, offset in the file, the bytes), and the end of
// each pass after its flush.
struct EraseObserver {
    std::function<void(int pass, std::int64_t offset, QByteArrayView bytes)> chunkWritten;
    std::function<void(int pass)> passFinished;
};

bool securelyEraseFile(const QString& path, int passes, const EraseObserver& observer);

namespace platform {
class HeldItem;
}

// The same for an item already reached through its held parent folder (see
// platform/HeldItem.h): every step acts on that folder, never on a path.
// `item` follows the renames.
bool securelyEraseFile(platform::HeldItem& item, int passes, const EraseObserver& observer = {});
