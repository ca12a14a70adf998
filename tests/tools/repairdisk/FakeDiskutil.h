#pragma once
// A substitute disk utility for the Disk tools' tests (the process boundary):
// a script that answers "list" and "info" from recorded property lists,
// records every call's arguments exactly (NUL-separated, so names with
// quotes, blanks or line breaks come back as they went in), and answers the
// other verbs by a script per verb, or with success and no output.

#include "TestSupport.h"

#include "platform/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QVariantMap>

namespace repairtest {

// An "info" answer of one volume, as our disk utility gives it.
inline QVariantMap volumeInfo(const QString& id, const QString& name, const QString& fs, const QString& mountPoint,
                              bool ejectable, qulonglong total = 8000000000ULL, qulonglong freeBytes = 2000000000ULL)
{
    return {
        {"DeviceIdentifier", id},
        {"DeviceNode", "/dev/" + id},
        {"ParentWholeDisk", id.left(3)},
        {"VolumeName", name},
        {"FilesystemName", fs},
        {"MountPoint", mountPoint},
        {"TotalSize", QVariant::fromValue<qulonglong>(total)},
        {"FreeSpace", QVariant::fromValue<qulonglong>(mountPoint.isEmpty() ? 0 : freeBytes)},
        {"BusProtocol", ejectable ? "USB" : "SATA"},
        {"Ejectable", ejectable},
        {"Writable", true},
        {"Content", "Microsoft Basic Data"},
        {"DiskUUID", "UUID-" + id.toUpper()},
    };
}

class FakeDiskutil {
public:
    FakeDiskutil()
    {
        dir_ = nvtest::freshFolder("fakediskutil");
        QDir().mkpath(dir_ + "/calls");
        path_ = dir_ + "/diskutil";
        const QString body = QStringLiteral(
            "#!/bin/sh\n"
            "d='%1'\n"
            "printf '%s\\0' \"$@\" > \"$d/calls/$(date +%s%N)\"\n"
            "if [ -x \"$d/verb-$1\" ]; then exec \"$d/verb-$1\" \"$@\"; fi\n"
            "case \"$1\" in\n"
            "  list) cat \"$d/list.plist\" ;;\n"
            "  info) f=\"$d/info-${3#/dev/}.plist\"; [ -f \"$f\" ] && cat \"$f\" || { echo 'no such disk' >&2; exit 1; } ;;\n"
            "esac\n"
            "exit 0\n").arg(dir_);
        nvtest::writeFile(path_, body.toUtf8());
        QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        setVolumes({});
        qputenv("NULLVANE_DISKUTIL", QFile::encodeName(path_));
    }
    ~FakeDiskutil() { qunsetenv("NULLVANE_DISKUTIL"); }

    // One whole disk per volume, each with the volume as its one partition.
    void setVolumes(const QList<QVariantMap>& infos)
    {
        QVariantList disks;
        for (const QVariantMap& info : infos) {
            const QString id = info.value("DeviceIdentifier").toString();
            QVariantMap part{{"DeviceIdentifier", id},
                             {"Content", info.value("Content")},
                             {"MountPoint", info.value("MountPoint")},
                             {"VolumeName", info.value("VolumeName")}};
            disks << QVariantMap{{"DeviceIdentifier", id + "-disk"},
                                 {"Content", "GUID_partition_scheme"},
                                 {"Partitions", QVariantList{part}}};
            platform::plist::writeFile(dir_ + "/info-" + id + ".plist", info);
        }
        platform::plist::writeFile(dir_ + "/list.plist", QVariantMap{{"AllDisksAndPartitions", disks}});
    }

    // `verb` answers by this shell script body (it gets the arguments).
    void setVerb(const QString& verb, const QString& scriptBody)
    {
        const QString p = dir_ + "/verb-" + verb;
        nvtest::writeFile(p, ("#!/bin/sh\n" + scriptBody).toUtf8());
        QFile::setPermissions(p, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // Every call so far, oldest first.
    QList<QStringList> calls() const
    {
        QList<QStringList> out;
        QDir d(dir_ + "/calls");
        for (const QString& f : d.entryList(QDir::Files, QDir::Name)) {
            QFile file(d.filePath(f));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            QByteArray bytes = file.readAll();
            if (bytes.endsWith('\0'))
                bytes.chop(1);
            QStringList args;
            for (const QByteArray& a : bytes.split('\0'))
                args << QString::fromUtf8(a);
            out << args;
        }
        return out;
    }

    // Calls whose verb is `verb`.
    QList<QStringList> callsOf(const QString& verb) const
    {
        QList<QStringList> out;
        for (const QStringList& c : calls())
            if (c.value(0) == verb)
                out << c;
        return out;
    }

    void clearCalls()
    {
        QDir d(dir_ + "/calls");
        for (const QString& f : d.entryList(QDir::Files))
            d.remove(f);
    }

    QString dir() const { return dir_; }
    QString path() const { return path_; }

private:
    QString dir_;
    QString path_;
};

} // namespace repairtest
