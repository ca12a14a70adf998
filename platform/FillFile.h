#pragma once
// Files that fill a volume's free space: written as a stream that reaches the
// medium as it goes (so a cancel never waits behind gigabytes of dirty pages,
// and deleting the file afterwards cannot throw the pages away unwritten), and
// the one folder that holds them.
//
// Everything is reached from a handle held on the volume's root: a volume
// unmounted and replaced by another at the same folder is never written or
// deleted through the folder's name.

#include <QByteArray>
#include <QString>


namespace platform {

struct SpaceInfo;

// A held handle on the root of one mounted volume.
class VolumeRoot {
public:
    VolumeRoot() = default;
    ~VolumeRoot();
    VolumeRoot(const VolumeRoot&) = delete;
    VolumeRoot& operator=(const VolumeRoot&) = delete;

    // Opens the root of the volume mounted at `mountPoint` and checks that the
    // handle is the topmost mount there and, when `deviceNode` is given, that
    // the mount serves that device (FUSE servers' devices included). `why`
    // says what did not match.
    bool open(const QString& mountPoint, const QString& deviceNode, QString* why = nullptr);
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    QString mountPoint() const { return mountPoint_; }
    // Kernel name of the device the mount serves ("loop3"), "" when none.
    QString kernelName() const { return kernelName_; }
    // The kernel's id of the mount (-1 when it cannot tell) and the st_dev of
    // files on it.
    int mountId() const { return mountId_; }
    unsigned long long deviceNumber() const { return deviceNumber_; }
    // Whether the mount shows the volume from its own root, not a bind mount
    // of one of its folders.
    bool isVolumeRoot() const { return volumeRoot_; }

    // Whether the mount the handle was opened on is still mounted (a lazy
    // unmount takes it out of the mount table at once) and still serves the
    // same device.
    bool stillMounted(QString* why = nullptr) const;

    void close();

private:
    int fd_ = -1;
    int mountId_ = -1;
    unsigned long long deviceNumber_ = 0;
    bool volumeRoot_ = false;
    QString mountPoint_;
    QString kernelName_;
};

class FillFile {
public:
    FillFile() = default;
    ~FillFile();
    FillFile(const FillFile&) = delete;
    FillFile& operator=(const FillFile&) = delete;

    // Creates the file, or empties an existing one, for writing. A symbolic
    // link at `path` is refused rather than followed.
    bool open(const QString& path);
    // The same for the entry `name` of the folder `folderFd`.
    bool openAt(int folderFd, const QString& name);
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    // One write request, repeated when a signal interrupts it. Returns how many
    // bytes were taken (a short write is possible), or -1 with error() set.
    // While buffer, length and offset are page-aligned and the file system
    // allows it, the write goes to the device directly; otherwise through the
    // page cache, where every few megabytes the written part is handed to the
    // device and the part before it is waited for, so at most a few megabytes
    // are ever pending.
    long long write(const void* data, long long length);

    // Everything written reaches the medium (fsync).
    bool flush();

    void close();

    // errno of the last failure, 0 when none.
    int error() const { return error_; }

    // Whether writes still go to the device directly (O_DIRECT).
    bool isDirect() const { return direct_; }

private:
    void writeBehind(bool final);
    void leaveDirect();

    int fd_ = -1;
    int error_ = 0;
    bool direct_ = false;
    long long written_ = 0;  // bytes in the file so far
    long long started_ = 0;  // writeback has been started below this offset
    long long settled_ = 0;  // writeback has been waited for below this offset
};

// The file system's allocation unit (its cluster) for the file system of the
// open handle `fd`: a file always takes whole units, so a fill file that ends
// inside one leaves the rest of it holding what was there before. FAT, exFAT
// and NTFS are asked on the device itself (`kernelName`, read access needed):
// some FUSE servers answer statfs with a made-up block size, or none. Else the
// file system's own statfs answer; 4096 when nothing answers.
long long allocationUnitOf(int fd, const QString& kernelName = QString());
// The unit a boot sector names (FAT12/16/32, exFAT, NTFS); 0 when the bytes
// are none of those or name no sound cluster (one smaller than a sector, an
// NTFS cluster above 2 MiB). `sector` holds at least the first 512 bytes.
long long allocationUnitInBootSector(const QByteArray& sector);

// The text of an errno value, for log lines.
QString errorText(int error);

// Creates the single folder `path` (its parent must exist; nothing above it is
// created). A real folder already there is accepted; a link or a file is not.
bool makeFillFolder(const QString& path, int* error = nullptr);

// Creates (or accepts, as above) the folder `name` inside `parentFd` and opens
// it. Answers the folder's handle, or -1 with `error` set. A folder on another
// file system than its parent (something mounted there) is refused.
int openFillFolderAt(int parentFd, const QString& name, int* error = nullptr);

// Opens an existing folder by path without following a link at its end; -1
// when it cannot.
int openFolder(const QString& path, int* error = nullptr);

// Removes the entry `name` of `parentFd` with everything in it, never following
// a link and never entering another file system. True when nothing is left
// there (also when nothing was); `error` gets the errno of what stayed.
bool removeTreeAt(int parentFd, const QString& name, int* error = nullptr);

// Whether two existing paths lie on one mounted file system.
bool onSameFileSystem(const QString& a, const QString& b);

// Flushes the file system that holds `path` (all of them when that fails).
void syncFileSystemAt(const QString& path);
// The same for the file system of an open handle.
void syncFileSystemOf(int fd);

// Bytes this process can still write on the file system of `path`: root may
// also use the blocks reserved for it. -1 when the file system cannot be asked.
long long writableFreeBytes(const QString& path);
long long writableFreeBytesOf(int fd);
// The same from what the file system already told (MountTable.h).
long long writableFreeBytes(const SpaceInfo& space);

} // namespace platform
