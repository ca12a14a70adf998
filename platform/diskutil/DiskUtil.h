#pragma once
// The verbs of our disk utility. Every change to a disk is made by a child
// process started from an argument list (mount, umount, mkfs, fsck, the label
// tools, losetup); `Tools` is that boundary, so a test can watch it.
//
// DiskUtil.cpp holds the frame (targets, the system guard, the verb table);
// each family of verbs has its file: DiskUtilFacts (list, info), DiskUtilMount
// (mount, unmount, eject), DiskUtilRename, DiskUtilErase (eraseVolume,
// reformat) and DiskUtilCheck (verifyvolume, repairvolume).

#include "BlockDevices.h"
#include "Names.h"
#include "platform/MountTable.h"
#include "platform/Process.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>

namespace diskutil {

using LineSink = std::function<void(const QString&)>;

struct Tools {
    // Runs a program to its end.
    std::function<platform::ProcessResult(const QString& program, const QStringList& arguments)> run;
    // Runs a program and hands over each line it prints (output and errors) as
    // soon as it is printed.
    std::function<platform::ProcessResult(const QString& program, const QStringList& arguments, const LineSink& line)> stream;
    // Writes an NTFS volume's label (no tool takes every name as a name);
    // false with the reason in `error`.
    std::function<bool(const QString& node, const QString& label, QString* error)> writeNtfsLabel;

    static Tools real();
};

struct Settings {
    QString mountBase;   // volumes are mounted in sub-folders of this
    uint userId = 0;     // whom mounted volumes and new ext file systems belong to
    uint groupId = 0;

    // The base from NULLVANE_MOUNT_BASE, else /media/<user>; the user is the
    // one who asked through pkexec or sudo when running as root for someone.
    static Settings fromEnvironment();
};

// The verbs that change disks, and so need root.
bool needsRoot(const QString& verb);

class DiskUtil {
public:
    DiskUtil(Tools tools, Settings settings, LineSink out, LineSink err);

    // Runs one command line (without the program name); returns the exit code.
    int run(const QStringList& arguments);

    // The answers of "list -plist" and "info -plist X" as dictionaries.
    QVariantMap listDictionary();
    // Empty, with the reason in `error`, when X names no device or more than one.
    QVariantMap infoDictionary(const QString& target, QString* error = nullptr);

    // Kernel names of the devices that hold /, /boot, /usr, /home and /var, the
    // disks they lie on and the devices they are built from.
    QSet<QString> systemDevices();

private:
    struct Volume;
    // Reads the devices and mounts again; with `probeAll` every device's
    // contents are probed now, else each when first needed.
    void refresh(bool probeAll);
    // Probes one device (again, with `again`), NTFS labels read by the NTFS tools.
    void probe(const QString& name, bool again = false);
    void probeWithDisk(const BlockDevice& d);
    // The device `target` names, probed with its whole disk.
    const BlockDevice* resolve(const QString& target, QString* error);
    const BlockDevice* find(const QString& target, QString* error);
    QVariantMap infoOf(const BlockDevice& d);
    QStringList mountPointsOf(const BlockDevice& d) const;
    bool isEjectable(const BlockDevice& d) const;
    QString nameOf(const BlockDevice& d) const;
    QString fsTypeOf(const BlockDevice& d) const;
    bool refuseSystem(const BlockDevice& d, const QString& target);
    // The device a verb that changes disks acts on: null, with the reason
    // told, when `target` names none or names one the running system holds.
    const BlockDevice* resolveChangeable(const QString& target);
    // The kind of file system on `d`; None, with the reason told, when it is
    // not one that can be `done` ("renamed", "checked") here.
    FsKind changeableKind(const BlockDevice& d, const QString& done);

    // The program and arguments that mount `d` on `folder`; no program when
    // this system has no driver for its file system.
    struct MountCommand {
        QString program;
        QStringList arguments;
    };
    MountCommand mountCommand(const BlockDevice& d, const QString& folder) const;
    bool mountOne(const BlockDevice& d, const QString& at = QString());
    bool unmountOne(const BlockDevice& d, bool quiet = false);
    // A folder under the mount base named after `label`, made now (or an
    // empty one of ours left behind); "" when none can be had.
    QString makeMountFolder(const QString& label);
    // Whether `folder` is one this program made to mount on.
    bool isOurMountFolder(const QString& folder) const;
    bool kernelHas(const QString& fsType) const;
    QString tool(const QString& name) const;

    int doList(bool plist, bool withInfo);
    int doInfo(const QString& target, bool plist);
    int doInfoOfMany(const QStringList& targets, bool plist);
    int doMount(const QString& target);
    int doUnmount(const QString& target);
    int doEject(const QString& target);
    int doRename(const QString& target, const QString& name);
    int doErase(const QString& personality, const QString& name, const QString& target);
    int doReformat(const QString& target);
    int doCheck(const QString& target, bool repair);
    int fail(const QString& message);

    Tools tools_;
    Settings settings_;
    LineSink out_;
    LineSink err_;
    DeviceTable devices_;
    QString lockedDisk_; // the disk whose lock this run holds
    QList<platform::MountEntry> mounts_;
};

} // namespace diskutil
