#pragma once
// What the disk-wipe tests share: the stand-in disk utility, a stand-in for
// pkexec, a fill that does nothing but report, and a look at the history.

#include "FakeDiskutil.h"
#include "TestSupport.h"

#include "core/DoDataBase.h"
#include "platform/PropertyList.h"
#include "tools/wipedisk/WipeDiskRun.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QVariantMap>

namespace wipetest {

using nvtest::FakeDiskutil;

// Facts as our disk utility reports a mounted volume.
inline QVariantMap facts(const QString& id, const QString& name, const QString& fs, const QString& mountPoint,
                         qulonglong total = 8000000000ULL, qulonglong freeBytes = 2000000000ULL)
{
    return {
        {QStringLiteral("DeviceIdentifier"), id},
        {QStringLiteral("DeviceNode"), QStringLiteral("/dev/") + id},
        {QStringLiteral("VolumeName"), name},
        {QStringLiteral("FilesystemName"), fs},
        {QStringLiteral("MountPoint"), mountPoint},
        {QStringLiteral("TotalSize"), total},
        {QStringLiteral("FreeSpace"), freeBytes},
        {QStringLiteral("BusProtocol"), QStringLiteral("USB")},
        {QStringLiteral("Ejectable"), false},
        {QStringLiteral("Writable"), true},
    };
}

// Stands in for pkexec: notes its arguments, refuses with the status the file
// <folder>/refuse holds (126 or 127) when it exists, else runs what it was given after its options,
// with PKEXEC_UID set as pkexec sets it.
class FakePkexec {
public:
    FakePkexec()
        : folder_(nvtest::freshFolder(QStringLiteral("pkexec")))
    {
        const QString script = folder_ + QStringLiteral("/pkexec");
        nvtest::writeFile(script, QStringLiteral(R"(#!/bin/sh
here='%1'
printf '%s\n' "$*" >> "$here/calls"
[ -f "$here/refuse" ] && { echo 'Error executing command as another user: Not authorized' >&2; read s < "$here/refuse"; exit $s; }
while [ $# -gt 1 ]; do
  case "$1" in --*) shift ;; *) break ;; esac
done
PKEXEC_UID=$(id -u) exec "$@"
)").arg(folder_).toUtf8());
        QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("NULLVANE_PKEXEC", QFile::encodeName(script));
    }
    ~FakePkexec() { qunsetenv("NULLVANE_PKEXEC"); }
    // 126: the password dialog was dismissed; 127: the password was refused.
    void refuse(int status = 126) const { nvtest::writeFile(folder_ + QStringLiteral("/refuse"), QByteArray::number(status)); }
    QStringList calls() const
    {
        QFile f(folder_ + QStringLiteral("/calls"));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    QString folder_;
};

// A fill that only reports: a pass report and the end, or as the test asks.
class FakeFill : public WipeFill {
public:
    void setDelegate(FreeSpaceFillDelegate* d) override { delegate = d; }
    void setSelectVolumeObj(const VolumeObjPtr& v) override { volume = v; }
    void setSelectEraserType(int t) override { mode = t; }
    void setIsPartitionEraser(bool p) override { partition = p; }
    bool isCancelEraser() const override { return cancel; }
    void setIsCancelEraser(bool c) override { cancel = c; }
    QString errorString() const override { return error; }
    void doFreeSpaceAction(int passes) override
    {
        ++started;
        passesGiven = passes;
        cancel = false;
        if (delegate) {
            delegate->enableWipeDiskCancelBut();
            delegate->runProgressStep(2);
        }
        if (finishAtOnce)
            finish();
    }
    // The last pass reported, then the end.
    void finish()
    {
        if (!delegate)
            return;
        if (mode == FreeSpaceFillEngine::kWipeVolume)
            delegate->showWipeDiskRound(1.0, QStringLiteral("已擦除 100%, 1/1 次"), true);
        else
            delegate->showWipeFreeSpaceRound(1.0, QStringLiteral("已擦除 100%, 1/1 次"), true);
        delegate->showComplite();
    }
    void endAppRemoveFolder() override { ++removeCalls; }
    bool isRunning() const override { return false; }
    bool waitForFill(int) override { return true; }
    bool stopRunningFill(int) override { return true; }
    bool volumeIsStillThere() const override { return stillThere; }

    FreeSpaceFillDelegate* delegate = nullptr;
    VolumeObjPtr volume;
    int mode = 0;
    bool partition = false;
    bool cancel = false;
    QString error;
    int started = 0;
    int passesGiven = 0;
    int removeCalls = 0;
    bool finishAtOnce = true;
    bool stillThere = true;
};

// The erase history's rows of every record (header rows left out).
inline QList<HistoryRow> historyRows()
{
    QList<HistoryRow> out;
    for (const auto& rows : DoDataBase::returnDoDataBase()->getAllData())
        for (const HistoryRow& r : rows)
            if (r.value(QStringLiteral("Items")) != QLatin1String("Items"))
                out << r;
    return out;
}

// Whether the erase history holds a row naming `items` with `result`.
inline bool historyHolds(const QString& items, const QString& result)
{
    const QList<HistoryRow> rows = historyRows();
    return std::any_of(rows.begin(), rows.end(), [&](const HistoryRow& r) {
        return r.value(QStringLiteral("Items")) == items && r.value(QStringLiteral("Result")) == result;
    });
}

} // namespace wipetest
