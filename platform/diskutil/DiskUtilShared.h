#pragma once
// What the disk utility's verb files share: why a tool failed, and the lock
// one run holds on a disk. Internal to platform/diskutil.

#include "platform/Process.h"

#include <QFile>
#include <QString>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace diskutil {

// The last line a tool printed on failure (errors first), or its exit code.
QString why(const platform::ProcessResult& r);

// One lock per disk, held by every verb that changes it, so that two runs
// never mount, erase, rename or check the same disk at once. The locks live in
// a folder only root may write; a lock goes when its holder ends, however it
// ends.
class DiskLock {
public:
    DiskLock() = default;
    DiskLock(const DiskLock&) = delete;
    DiskLock& operator=(const DiskLock&) = delete;
    ~DiskLock()
    {
        if (fd_ >= 0)
            close(fd_);
    }

    // `shared`: a reader's lock, many at once, none beside a changing verb's.
    // Without `wait`, a lock held elsewhere is not waited for (false).
    bool take(const QString& disk, QString* error, bool shared = false, bool wait = true)
    {
        const QString folder = QStringLiteral("/run/nullvane-diskutil");
        const QByteArray dir = QFile::encodeName(folder);
        if (::mkdir(dir.constData(), 0700) != 0 && errno != EEXIST)
            return failed(error, QStringLiteral("Cannot make the lock folder %1").arg(folder));
        const int dirFd = open(dir.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat st {};
        if (dirFd < 0 || fstat(dirFd, &st) != 0 || st.st_uid != geteuid() || (st.st_mode & 022) != 0) {
            if (dirFd >= 0)
                close(dirFd);
            return failed(error, QStringLiteral("The lock folder %1 is not ours alone").arg(folder));
        }
        const QByteArray name = QFile::encodeName(disk) + ".lock";
        fd_ = openat(dirFd, name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        close(dirFd);
        if (fd_ < 0)
            return failed(error, QStringLiteral("Cannot open the lock of %1").arg(disk));
        while (flock(fd_, (shared ? LOCK_SH : LOCK_EX) | (wait ? 0 : LOCK_NB)) != 0) {
            if (errno != EINTR) {
                close(fd_);
                fd_ = -1;
                return failed(error, QStringLiteral("Cannot lock %1").arg(disk));
            }
        }
        return true;
    }

private:
    static bool failed(QString* error, const QString& text)
    {
        if (error)
            *error = text;
        return false;
    }
    int fd_ = -1;
};

} // namespace diskutil
