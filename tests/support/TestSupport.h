#pragma once
// Shared by every test program. Before the first test, the program's main
// points HOME, the XDG folders, TMPDIR and NULLVANE_ROOT into one fresh
// temporary folder, so no test can touch the real user's files.

#include <QString>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>

// Lets GoogleTest print Qt texts in messages and failed comparisons.
inline std::ostream& operator<<(std::ostream& os, const QString& s) { return os << s.toStdString(); }
inline std::ostream& operator<<(std::ostream& os, const QStringList& l)
{
    return os << "(" << l.join(QStringLiteral(", ")).toStdString() << ")";
}

// Skips the test, saying why, when `reason` is not empty (no loop device,
// tool or driver here).
#define SKIP_FOR(reason)                                                                           \
    if (const QString nvtestSkipReason = (reason); !nvtestSkipReason.isEmpty())                    \
    GTEST_SKIP() << nvtestSkipReason.toStdString()

// Skips the test when the nvtest::LoopDevice `dev` could not be attached.
#define NEED_LOOP(dev) SKIP_FOR((dev).valid() ? QString() : QStringLiteral("no loop device: ") + (dev).skipReason())

namespace nvtest {

// The temporary folder of this test program run.
QString sandbox();

// A fresh, empty folder inside the sandbox.
QString freshFolder(const QString& hint = QStringLiteral("t"));

// Where pictures and other output for people go: <build>/test-output/<sub>.
QString outputFolder(const QString& sub = QString());

// Runs the event loop until `done` answers true or `timeoutMs` passes.
bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// Runs the event loop for `ms` milliseconds.
void pump(int ms);

bool isRoot();

// Whether `program` is installed (found on PATH or in the sbin folders).
bool haveTool(const QString& program);

// Writes `bytes` to a new file (folders made as needed).
bool writeFile(const QString& path, const QByteArray& bytes);

// What `body` wrote to standard error (the log's only destination), with the
// stream put back afterwards.
QByteArray standardErrorOf(const std::function<void()>& body);

// A loop device over an image file in the sandbox, detached on destruction.
// Check valid() (and skip with skipReason()) before use.
//
// Test programs run side by side, each attaching and detaching its own loop
// devices, and a device number one test let go of is soon another's. So a
// LoopDevice is known by its image, never by its number: the destructor
// detaches only a device that still backs this image (the code under test
// may have ejected it already), and every disk utility this program starts
// sees only the loop devices of this program's images (the images are named
// in NULLVANE_LOOP_IMAGES, which the test main sets empty), so it can never
// list, lock or change another test's device.
class LoopDevice {
public:
    explicit LoopDevice(qint64 sizeBytes, bool directIo = false);
    ~LoopDevice();
    LoopDevice(const LoopDevice&) = delete;
    LoopDevice& operator=(const LoopDevice&) = delete;

    bool valid() const { return !device_.isEmpty(); }
    QString skipReason() const { return reason_; }
    QString device() const { return device_; }   // "/dev/loopN"
    QString kernelName() const;                  // "loopN"
    QString image() const { return image_; }
    // The devices that back the image now: none once it has been ejected.
    QStringList attachedNodes() const;

    // Runs mkfs.<type> with `args` on the device; true on success.
    bool format(const QString& type, const QStringList& args = {});
    // Mounts it on a fresh folder (FUSE tools for vfat/exfat/ntfs when the
    // kernel lacks a driver); returns the mount point or "" on failure.
    QString mount(const QString& fsType = QStringLiteral("ext4"));
    // Unmounts what mount() mounted, waits for the driver to let go and
    // flushes the device, so the image holds everything written.
    bool unmount();
    QString mountPoint() const { return mountPoint_; }
    // Writes what the device's page cache holds out to the image: a FUSE
    // server writes the device through that cache, and the image file is
    // read past it.
    void flush() const;

private:
    QString image_;
    QString device_;
    QString mountPoint_;
    QString reason_;
};

// Whether `needle` occurs anywhere in the file (read in blocks).
bool fileContains(const QString& path, const QByteArray& needle);

// Formats `dev` as ext4 "HURT", writes a file, unmounts, and clears the
// file's inode behind the file system's back (debugfs), so its directory
// entry points at nothing: a volume its checker finds damaged.
bool damageExt4(LoopDevice& dev);

// A stand-in program `name` (a shell script running `body`) found first on
// PATH for as long as this object lives; PATH is put back afterwards.
class ProgramOnPath {
public:
    ProgramOnPath(const QString& name, const QByteArray& body);
    ~ProgramOnPath();
    ProgramOnPath(const ProgramOnPath&) = delete;
    ProgramOnPath& operator=(const ProgramOnPath&) = delete;

    bool valid() const { return valid_; }
    QString path() const { return path_; }

private:
    QString path_;
    QByteArray savedPath_;
    bool valid_ = false;
};

// Writes an executable stand-in for a file system checker at `path`: it
// prints "Pass 1: first line", waits (up to 30 s) until a file exists at
// `go`, then prints "Pass 2: second line" and succeeds. Tests use it to see
// output arrive before the checker ends.
bool writeWaitingChecker(const QString& path, const QString& go);

} // namespace nvtest
