#pragma once
// A stand-in for our disk utility (the process boundary), named to the
// program through NULLVANE_DISKUTIL while it lives. It is a script that
// answers from files in its folder:
//   list        <folder>/list.plist (an empty list when there is none); with
//               "-info" and `setListAnswersInfo(true)`, every info-*.plist
//               follows under "AllVolumesInfo", as ours answers it.
//   info X      <folder>/info-<basename X>.plist, or "Could not find disk"
//               and exit 1; several devices are answered in one
//               "AllVolumesInfo" array, in the order asked.
//   other verbs <folder>/<verb>.out on standard output, <verb>.err on
//               standard error, exit <verb>.code (0 when missing).
// A verb given a script (`setVerbScript`) runs that script instead. Every
// call's arguments are noted exactly (NUL-separated, so names with quotes,
// blanks or line breaks come back as they went in).

#include "TestSupport.h"

#include "platform/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QVariantMap>

namespace nvtest {

class FakeDiskutil {
public:
    FakeDiskutil()
        : folder_(freshFolder(QStringLiteral("diskutil")))
    {
        QDir().mkpath(folder_ + QStringLiteral("/calls"));
        const QString script = path();
        writeFile(script, QStringLiteral(R"(#!/bin/sh
d='%1'
printf '%s\0' "$@" > "$d/calls/$(date +%s%N)-$$"
if [ -x "$d/verb-$1" ]; then exec "$d/verb-$1" "$@"; fi
body() { sed -e '/^<?xml/d' -e '/^<!DOCTYPE/d' -e '/^<plist/d' -e '/^<\/plist>/d' "$1"; }
case "$1" in
  list)
    if [ ! -f "$d/list.plist" ]; then
      echo '<plist version="1.0"><dict><key>AllDisksAndPartitions</key><array/></dict></plist>'
    elif [ "$3" = -info ] && [ -f "$d/list-info" ]; then
      head -n -2 "$d/list.plist"; echo '<key>AllVolumesInfo</key><dict>'
      for f in "$d"/info-*.plist; do n=${f##*/info-}; echo "<key>${n%%.plist}</key>"; body "$f"; done
      echo '</dict></dict></plist>'
    else cat "$d/list.plist"; fi
    exit 0 ;;
  info)
    shift 2
    if [ $# -eq 1 ]; then
      f="$d/info-$(basename "$1").plist"
      if [ -f "$f" ]; then cat "$f"; exit 0; fi
      echo "Could not find disk: $1" >&2; exit 1
    fi
    echo '<plist version="1.0"><dict><key>AllVolumesInfo</key><array>'
    for x in "$@"; do f="$d/info-$(basename "$x").plist"; if [ -f "$f" ]; then body "$f"; else echo '<dict/>'; fi; done
    echo '</array></dict></plist>'
    exit 0 ;;
esac
[ -f "$d/$1.out" ] && cat "$d/$1.out"
[ -f "$d/$1.err" ] && cat "$d/$1.err" >&2
code=0
[ -f "$d/$1.code" ] && code=$(cat "$d/$1.code")
exit "$code"
)")
                              .arg(folder_)
                              .toUtf8());
        QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("NULLVANE_DISKUTIL", QFile::encodeName(script));
    }
    ~FakeDiskutil() { qunsetenv("NULLVANE_DISKUTIL"); }
    FakeDiskutil(const FakeDiskutil&) = delete;
    FakeDiskutil& operator=(const FakeDiskutil&) = delete;

    // Answers "list" and "info" from the recorded property lists in `folder`
    // (its list.plist and info-<device>.plist files).
    void answerFrom(const QString& folder) const
    {
        const QDir from(folder);
        for (const QString& f : from.entryList({QStringLiteral("*.plist")}, QDir::Files)) {
            QFile::remove(folder_ + QLatin1Char('/') + f);
            QFile::copy(from.filePath(f), folder_ + QLatin1Char('/') + f);
        }
    }

    // Whether "list -plist -info" carries every volume's details.
    void setListAnswersInfo(bool answers) const
    {
        if (answers)
            writeFile(folder_ + QStringLiteral("/list-info"), "1");
        else
            QFile::remove(folder_ + QStringLiteral("/list-info"));
    }

    // "info" of `device` (a kernel name) answers `facts`.
    void setInfo(const QString& device, const QVariantMap& facts) const
    {
        platform::plist::writeFile(folder_ + QStringLiteral("/info-") + device + QStringLiteral(".plist"), facts);
    }

    // One whole disk "<id>-disk" per volume, each with the volume as its one
    // partition, and each volume's "info" (in `folder` when given).
    void setVolumes(const QList<QVariantMap>& infos, QString folder = QString()) const
    {
        if (folder.isEmpty())
            folder = folder_;
        QVariantList disks;
        for (const QVariantMap& info : infos) {
            const QString id = info.value(QStringLiteral("DeviceIdentifier")).toString();
            const QVariantMap part{{QStringLiteral("DeviceIdentifier"), id},
                                   {QStringLiteral("Content"), info.value(QStringLiteral("Content"))},
                                   {QStringLiteral("MountPoint"), info.value(QStringLiteral("MountPoint"))},
                                   {QStringLiteral("VolumeName"), info.value(QStringLiteral("VolumeName"))}};
            disks << QVariantMap{{QStringLiteral("DeviceIdentifier"), id + QStringLiteral("-disk")},
                                 {QStringLiteral("Content"), QStringLiteral("GUID_partition_scheme")},
                                 {QStringLiteral("Partitions"), QVariantList{part}}};
            platform::plist::writeFile(folder + QStringLiteral("/info-") + id + QStringLiteral(".plist"), info);
        }
        platform::plist::writeFile(folder + QStringLiteral("/list.plist"),
                                   QVariantMap{{QStringLiteral("AllDisksAndPartitions"), disks}});
    }

    // A line for a verb's script that leaves the volumes `infos` behind, as
    // mkfs or a label tool changes what "list" and "info" answer.
    QString volumesCommand(const QList<QVariantMap>& infos) const
    {
        const QString state = freshFolder(QStringLiteral("diskutil-state"));
        setVolumes(infos, state);
        return QStringLiteral("cp '%1'/*.plist '%2'/\n").arg(state, folder_);
    }

    // `verb` prints `out` and `err` and exits with `code`.
    void setVerb(const QString& verb, const QString& out, int code, const QString& err = QString()) const
    {
        writeFile(folder_ + QLatin1Char('/') + verb + QStringLiteral(".out"), out.toUtf8());
        writeFile(folder_ + QLatin1Char('/') + verb + QStringLiteral(".err"), err.toUtf8());
        writeFile(folder_ + QLatin1Char('/') + verb + QStringLiteral(".code"), QByteArray::number(code));
    }

    // `verb` runs this shell script body instead (it gets all the arguments).
    void setVerbScript(const QString& verb, const QString& scriptBody) const
    {
        const QString p = folder_ + QStringLiteral("/verb-") + verb;
        writeFile(p, ("#!/bin/sh\n" + scriptBody).toUtf8());
        QFile::setPermissions(p, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // Every call so far, oldest first, each argument as it was given.
    QList<QStringList> callArguments() const
    {
        QList<QStringList> out;
        const QDir d(folder_ + QStringLiteral("/calls"));
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

    // Every call so far, oldest first, its arguments joined by blanks.
    QStringList calls() const
    {
        QStringList out;
        for (const QStringList& c : callArguments())
            out << c.join(QLatin1Char(' '));
        return out;
    }

    // The calls whose verb is `verb`.
    QList<QStringList> callsOf(const QString& verb) const
    {
        QList<QStringList> out;
        for (const QStringList& c : callArguments())
            if (c.value(0) == verb)
                out << c;
        return out;
    }

    void clearCalls() const
    {
        QDir d(folder_ + QStringLiteral("/calls"));
        for (const QString& f : d.entryList(QDir::Files))
            d.remove(f);
    }

    QString folder() const { return folder_; }
    QString path() const { return folder_ + QStringLiteral("/diskutil"); }

private:
    QString folder_;
};

} // namespace nvtest
