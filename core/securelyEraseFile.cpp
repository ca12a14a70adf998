#include "securelyEraseFile.h"

#include "platform/HeldItem.h"
#include "platform/Log.h"
#include "platform/OverwriteFile.h"
#include "platform/SecureRandom.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

Q_LOGGING_CATEGORY(lcErase, "nullvane.core.erase", QtInfoMsg)

constexpr int kNameLength = 15;

QString randomName()
{
    QString name;
    name.reserve(kNameLength);
    for (int i = 0; i < kNameLength; ++i)
        name += QChar(u'a' + static_cast<char16_t>(platform::randomUniform(26)));
    return name;
}

// Chunks shorter than this are made on the writing thread: handing them to
// the maker would cost more than making them.
constexpr std::size_t kMakeAheadFrom = 256 * 1024;
constexpr std::int64_t kBufferAlignment = 4096;

using Segment = platform::OverwriteFile::Segment;

} // namespace

struct EraseSession::Impl {
    ~Impl()
    {
        {
            std::unique_lock lock(mutex);
            quit = true;
        }
        wake.notify_all();
        if (maker.joinable())
            maker.join();
        for (char* b : buffer)
            platform::OverwriteFile::freeBuffer(b);
    }

    // Buffers of at least `need` bytes (rounded to whole blocks, at most one
    // chunk); grown, never shrunk, for the rest of the session. A single pass
    // writes zeros from the first alone; random passes take both.
    bool reserve(std::int64_t need, bool withRandom)
    {
        const std::int64_t want = std::min(kEraseChunkSize, (need + kBufferAlignment - 1) / kBufferAlignment * kBufferAlignment);
        if (want > size) {
            waitFill();
            for (char*& b : buffer) {
                platform::OverwriteFile::freeBuffer(b);
                b = nullptr;
            }
            size = want;
        }
        if (!buffer[0])
            buffer[0] = static_cast<char*>(platform::OverwriteFile::allocateBuffer(static_cast<std::size_t>(size)));
        if (withRandom && !buffer[1])
            buffer[1] = static_cast<char*>(platform::OverwriteFile::allocateBuffer(static_cast<std::size_t>(size)));
        return buffer[0] && (!withRandom || buffer[1]);
    }

    // The first buffer cleared over `length` bytes for the zero pass: it
    // holds the random bytes of an earlier file's last pass.
    const char* zeros(std::size_t length)
    {
        waitFill();
        std::memset(buffer[0], 0, length);
        return buffer[0];
    }

    // Starts making `length` random bytes into `buffer`: on the maker thread
    // when worth it, else at once. waitFill() gives the outcome.
    void startFill(char* buffer, std::size_t length)
    {
        waitFill();
        if (length < kMakeAheadFrom) {
            filledOk = stream.fill(buffer, length);
            return;
        }
        if (!maker.joinable())
            maker = std::thread([this] { makerLoop(); });
        {
            std::unique_lock lock(mutex);
            target = buffer;
            targetLength = length;
            pending = true;
        }
        wake.notify_all();
    }

    bool waitFill()
    {
        std::unique_lock lock(mutex);
        done.wait(lock, [this] { return !pending; });
        return filledOk;
    }

    void makerLoop()
    {
        platform::SecureRandomStream own;
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return quit || (pending && target); });
            if (quit)
                return;
            char* buffer = std::exchange(target, nullptr);
            const std::size_t length = targetLength;
            lock.unlock();
            const bool ok = own.fill(buffer, length);
            lock.lock();
            filledOk = ok;
            pending = false;
            done.notify_all();
        }
    }

    std::int64_t size = 0;
    char* buffer[2] = {nullptr, nullptr};
    platform::SecureRandomStream stream; // the writing thread's own

    std::thread maker;
    std::mutex mutex;
    std::condition_variable wake, done;
    char* target = nullptr;
    std::size_t targetLength = 0;
    bool pending = false;
    bool filledOk = true;
    bool quit = false;
};

EraseSession::EraseSession() : d(std::make_unique<Impl>()) {}
EraseSession::~EraseSession() = default;

std::int64_t EraseSession::bufferSize() const
{
    return d->size;
}

namespace {

// The writes of one pass: the data segments cut into chunks of at most
// `limit` bytes.
std::vector<Segment> chunksOf(const std::vector<Segment>& segments, std::int64_t limit)
{
    std::vector<Segment> chunks;
    for (const Segment& s : segments)
        for (std::int64_t at = 0; at < s.length; at += limit)
            chunks.push_back({s.offset + at, std::min(limit, s.length - at)});
    return chunks;
}

bool writeChunk(platform::OverwriteFile& file, int pass, const Segment& chunk, const char* data,
                const EraseObserver& observer)
{
    if (!file.seekTo(chunk.offset))
        return false;
    std::int64_t done = 0;
    while (done < chunk.length) {
        const std::int64_t written = file.write(data + done, chunk.length - done);
        if (written <= 0)
            return false;
        if (observer.chunkWritten)
            observer.chunkWritten(pass, chunk.offset + done, QByteArrayView(data + done, written));
        done += written;
    }
    return true;
}

// Overwrites `segments` `passes` times: zeros first, then random bytes, the
// next chunk's made while the current one is written. Each pass is on the
// medium before the next one starts.
bool overwrite(platform::OverwriteFile& file, const std::vector<Segment>& segments, int passes,
               EraseSession::Impl& session, const EraseObserver& observer)
{
    const std::vector<Segment> chunks = chunksOf(segments, session.size);
    const std::size_t n = chunks.size();
    std::int64_t longest = 0;
    for (const Segment& c : chunks)
        longest = std::max(longest, c.length);
    // Every pass, whatever the count, writes from the same two buffers: the
    // zero pass from the first one cleared, each random pass alternating
    // between them, one written while the other is made.
    const char* const zeros = n > 0 ? session.zeros(static_cast<std::size_t>(longest)) : nullptr;
    for (int pass = 0; pass < passes; ++pass) {
        const bool random = pass > 0;
        for (std::size_t i = 0; i < n; ++i) {
            const char* data = zeros;
            if (random) {
                if (!session.waitFill())
                    return false;
                data = session.buffer[i % 2];
                if (i + 1 < n)
                    session.startFill(session.buffer[(i + 1) % 2], static_cast<std::size_t>(chunks[i + 1].length));
            }
            if (!writeChunk(file, pass, chunks[i], data, observer)) {
                session.waitFill();
                return false;
            }
        }
        // The next pass's first random chunk is made during this pass's
        // flush: nothing of this pass is read from memory any more.
        if (pass + 1 < passes && n > 0)
            session.startFill(session.buffer[0], static_cast<std::size_t>(chunks[0].length));
        // A pass that did not reach the medium is not a pass.
        if (!file.finishPass()) {
            session.waitFill();
            return false;
        }
        if (observer.passFinished)
            observer.passFinished(pass);
    }
    return true;
}

} // namespace

bool securelyEraseFile(const QString& path, int passes)
{
    return securelyEraseFile(path, passes, EraseObserver{});
}

bool securelyEraseFile(const QString& path, int passes, const EraseObserver& observer)
{
    platform::HeldItem item = platform::HeldItem::byPath(path);
    EraseSession session;
    return securelyEraseFile(item, passes, session, observer);
}

bool securelyEraseFile(platform::HeldItem& item, int passes, EraseSession& session, const EraseObserver& observer)
{
    if (!item.exists()) {
        platform::log(QStringLiteral("文件不存在"));
        return false;
    }
    const platform::ItemInfo info = item.info();
    if (!info.exists) {
        platform::log(QStringLiteral("获取文件属性失败: %1").arg(qt_error_string(info.error ? info.error : ENOENT)));
        return false;
    }

    // A link holds no data of its own, and what it points to was not given to
    // us: the link is renamed and removed like a file, its target untouched.
    // (Linux keeps no user attributes on links, and their times and modes
    // mean nothing.)
    if (!info.isSymLink) {
        const std::int64_t length = info.size;
        platform::OverwriteFile file;
        if (!file.open(item)) {
            platform::log(QStringLiteral("无法打开文件进行写入"));
            return false;
        }
        const int count = std::clamp(passes, 1, kMaxErasePasses);
        // Only what holds data is overwritten: a hole has nothing to destroy,
        // and writing it would take room the volume may not have.
        const std::vector<Segment> segments = file.dataSegments(length);
        std::int64_t data = 0;
        for (const Segment& s : segments)
            data += s.length;
        if (data < length)
            platform::log(lcErase(), platform::LogLevel::Info,
                          QStringLiteral("sparse file: %1 of its %2 bytes hold data and are overwritten; its holes hold "
                                         "nothing and are left unwritten")
                              .arg(data)
                              .arg(length));
        if (!session.d->reserve(data, count > 1))
            return false;
        const bool overwritten = overwrite(file, segments, count, *session.d, observer);
        if (!overwritten)
            return false;
        file.truncate(0);
        // On the open file itself: the name may no longer lead to it.
        if (!file.clearExtendedAttributes()) {
            platform::log(QStringLiteral("扩展属性删除失败"));
            return false;
        }
        file.setTimesToEpoch();
        file.setMode(0600);
        file.close();
    }

    // Every name stands in the held folder: the renames and the removal
    // cannot land anywhere else, whatever happens to the path meanwhile.
    const QString first = randomName();
    const QString second = randomName();
    QString error;
    if (!item.renameWithin(item.name(), first, &error)) {
        platform::log(QStringLiteral("移动文件到 tmp1 失败: %1").arg(error));
        return false;
    }
    if (!item.renameWithin(first, second, &error)) {
        platform::log(QStringLiteral("移动文件到 tmp2 失败: %1").arg(error));
        return false;
    }
    const QString finalName = second + QStringLiteral(".deleted");
    if (!item.renameWithin(second, finalName, &error)) {
        platform::log(QStringLiteral("文件重命名失败: %1").arg(error));
        return false;
    }
    platform::log(lcErase(), platform::LogLevel::Debug, QStringLiteral("文件已重命名为: %1").arg(item.path()));

    if (!item.remove()) {
        platform::log(QStringLiteral("删除文件失败: %1").arg(qt_error_string(errno)));
        return false;
    }
    platform::log(lcErase(), platform::LogLevel::Debug, QStringLiteral("文件已成功删除"));
    return true;
}
