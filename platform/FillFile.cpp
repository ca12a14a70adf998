#include "FillFile.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace platform {
namespace {

// Writeback is started for every this many bytes, and the previous such part
// is waited for. Small enough that a cancel is seen within a moment even on a
// slow stick, large enough that the device always has work queued.
constexpr long long kWindow = 8LL << 20;

QByteArray native(const QString& path) { return QFile::encodeName(path); }

} // namespace

FillFile::~FillFile() { close(); }

bool FillFile::open(const QString& path)
{
    close();
    error_ = 0;
    written_ = started_ = settled_ = 0;
    do {
        fd_ = ::open(native(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        error_ = errno;
        return false;
    }
    return true;
}

long long FillFile::write(const void* data, long long length)
{
    if (fd_ < 0) {
        error_ = EBADF;
        return -1;
    }
    ssize_t n;
    do {
        n = ::write(fd_, data, static_cast<size_t>(length));
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        error_ = errno;
        return -1;
    }
    written_ += n;
    if (written_ - started_ >= kWindow)
        writeBehind(false);
    return n;
}

void FillFile::writeBehind(bool final)
{
    // Errors here surface again at the closing fsync, which reports them.
    if (written_ > started_) {
        sync_file_range(fd_, started_, written_ - started_, SYNC_FILE_RANGE_WRITE);
        if (final)
            started_ = written_;
    }
    const long long upTo = final ? written_ : started_;
    if (upTo > settled_) {
        sync_file_range(fd_, settled_, upTo - settled_,
                        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
        // The fill's pages are of no use to anyone once on the medium.
        posix_fadvise(fd_, settled_, upTo - settled_, POSIX_FADV_DONTNEED);
        settled_ = upTo;
    }
    started_ = written_;
}

bool FillFile::flush()
{
    if (fd_ < 0) {
        error_ = EBADF;
        return false;
    }
    writeBehind(true);
    int r;
    do {
        r = ::fsync(fd_);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        error_ = errno;
        return false;
    }
    posix_fadvise(fd_, 0, 0, POSIX_FADV_DONTNEED);
    return true;
}

void FillFile::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

QString errorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

bool makeFillFolder(const QString& path, int* error)
{
    int dummy = 0;
    int& err = error ? *error : dummy;
    err = 0;
    const QByteArray p = native(path);
    if (::mkdir(p.constData(), 0755) == 0)
        return true;
    err = errno;
    if (err != EEXIST)
        return false;
    struct stat st {};
    if (lstat(p.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
        err = 0;
        return true;
    }
    return false;
}

bool onSameFileSystem(const QString& a, const QString& b)
{
    struct stat sa {}, sb {};
    if (stat(native(a).constData(), &sa) != 0 || stat(native(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev;
}

void syncFileSystemAt(const QString& path)
{
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        const int r = syncfs(fd);
        ::close(fd);
        if (r == 0)
            return;
    }
    ::sync();
}

long long writableFreeBytes(const QString& path)
{
    struct statvfs s {};
    if (statvfs(native(path).constData(), &s) != 0)
        return -1;
    const unsigned long long blocks = geteuid() == 0 ? s.f_bfree : s.f_bavail;
    return static_cast<long long>(blocks) * static_cast<long long>(s.f_frsize);
}

} // namespace platform
