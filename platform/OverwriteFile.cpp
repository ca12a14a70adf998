#include "OverwriteFile.h"

#include "FileAttributes.h"
#include "HeldItem.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {
// Every buffer handed out is aligned to this; no file system asks for more.
constexpr std::size_t kBufferAlignment = 4096;
} // namespace

OverwriteFile::~OverwriteFile()
{
    close();
}

bool OverwriteFile::open(const QString& path, Mode mode)
{
    close();
    const QByteArray native = QFile::encodeName(path);
    // O_NONBLOCK keeps a pipe without a reader from hanging the open; it has
    // no effect on the regular files we go on with.
    return adopt(::open(native.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC), mode);
}

bool OverwriteFile::open(const HeldItem& item, Mode mode)
{
    close();
    if (!item.isValid()) {
        error_ = EBADF;
        return false;
    }
    const QByteArray native = QFile::encodeName(item.name());
    return adopt(openat(item.parentFd(), native.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC),
                 mode);
}

bool OverwriteFile::adopt(int fd, Mode mode)
{
    error_ = 0;
    if (fd < 0) {
        error_ = errno;
        return false;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error_ = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return false;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0)
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    fd_ = fd;
    offset_ = 0;
    direct_ = false;
    directPossible_ = false;
    if (mode == Mode::Buffered)
        return true;

    // The file system says whether, and at which alignment, it takes direct
    // I/O on this file. A kernel too old to say gets a block-aligned try.
    align_ = 4096;
    bool worthTrying = true;
    struct statx sx {};
    if (statx(fd_, "", AT_EMPTY_PATH, STATX_DIOALIGN, &sx) == 0 && (sx.stx_mask & STATX_DIOALIGN)) {
        if (sx.stx_dio_offset_align == 0 || sx.stx_dio_mem_align > kBufferAlignment)
            worthTrying = false;
        else
            align_ = std::max<std::int64_t>(sx.stx_dio_offset_align, 512);
    }
    if (worthTrying)
        directPossible_ = setDirect(true);
    return true;
}

void OverwriteFile::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    direct_ = false;
    directPossible_ = false;
}

bool OverwriteFile::setDirect(bool on)
{
    const int flags = fcntl(fd_, F_GETFL);
    if (flags < 0)
        return false;
    const int wanted = on ? (flags | O_DIRECT) : (flags & ~O_DIRECT);
    if (fcntl(fd_, F_SETFL, wanted) != 0)
        return false;
    direct_ = on;
    return true;
}

bool OverwriteFile::rewind()
{
    if (lseek(fd_, 0, SEEK_SET) != 0) {
        error_ = errno;
        return false;
    }
    offset_ = 0;
    return true;
}

bool OverwriteFile::seekTo(std::int64_t offset)
{
    if (lseek(fd_, offset, SEEK_SET) != offset) {
        error_ = errno;
        return false;
    }
    offset_ = offset;
    return true;
}

std::vector<OverwriteFile::Segment> OverwriteFile::dataSegments(std::int64_t length) const
{
    std::vector<Segment> out;
    std::int64_t at = 0;
    while (at < length) {
        const off_t data = lseek(fd_, at, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO)
                break; // nothing but a hole from here to the end
            // No answer from the file system: all of it counts as data.
            return length > 0 ? std::vector<Segment>{{0, length}} : std::vector<Segment>{};
        }
        if (data >= length)
            break;
        off_t hole = lseek(fd_, data, SEEK_HOLE);
        if (hole < 0 || hole > length)
            hole = length;
        if (hole <= data)
            break;
        out.push_back({data, hole - data});
        at = hole;
    }
    return out;
}

std::int64_t OverwriteFile::write(const void* data, std::int64_t length)
{
    const char* bytes = static_cast<const char*>(data);
    std::int64_t done = 0;
    while (done < length) {
        const std::int64_t rest = length - done;
        if (directPossible_ && !direct_ && offset_ % align_ == 0 && rest >= align_)
            setDirect(true);
        ssize_t n;
        if (direct_ && offset_ % align_ == 0 && rest >= align_) {
            n = ::write(fd_, bytes + done, static_cast<std::size_t>(rest - rest % align_));
            if (n < 0 && errno == EINVAL) {
                // The file system turned direct I/O down after all; go on
                // through the cache, flushed per pass.
                directPossible_ = false;
                setDirect(false);
                continue;
            }
        } else {
            // A tail shorter than a block cannot bypass the cache.
            if (direct_)
                setDirect(false);
            n = ::write(fd_, bytes + done, static_cast<std::size_t>(rest));
        }
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error_ = errno;
            return done > 0 ? done : -1;
        }
        if (n == 0) {
            error_ = ENOSPC;
            return done;
        }
        done += n;
        offset_ += n;
    }
    return done;
}

bool OverwriteFile::finishPass()
{
    int rc;
    do
        rc = fdatasync(fd_);
    while (rc != 0 && errno == EINTR);
    if (rc != 0)
        error_ = errno;
    // Nothing of this pass is kept in memory, and the next pass is not
    // merged with it in the cache.
    posix_fadvise(fd_, 0, 0, POSIX_FADV_DONTNEED);
    return rc == 0;
}

bool OverwriteFile::clearExtendedAttributes()
{
    return clearExtendedAttributesOf(fd_, &error_);
}

bool OverwriteFile::setTimesToEpoch()
{
    const timespec times[2] = {{0, 0}, {0, 0}};
    return futimens(fd_, times) == 0;
}

bool OverwriteFile::setMode(unsigned mode)
{
    return fchmod(fd_, mode) == 0;
}

bool OverwriteFile::truncate(std::int64_t size)
{
    if (ftruncate(fd_, size) != 0) {
        error_ = errno;
        return false;
    }
    return true;
}

QString OverwriteFile::errorString() const
{
    return QString::fromLocal8Bit(std::strerror(error_));
}

void* OverwriteFile::allocateBuffer(std::size_t size)
{
    void* p = nullptr;
    const std::size_t rounded = (size + kBufferAlignment - 1) / kBufferAlignment * kBufferAlignment;
    if (posix_memalign(&p, kBufferAlignment, rounded ? rounded : kBufferAlignment) != 0)
        return nullptr;
    std::memset(p, 0, rounded);
    return p;
}

void OverwriteFile::freeBuffer(void* buffer)
{
    std::free(buffer);
}

int OverwriteFile::probeWritable(const QString& path)
{
    const HeldItem item = HeldItem::byPath(path);
    return item.isValid() ? item.probeWritable() : item.error();
}

} // namespace platform
