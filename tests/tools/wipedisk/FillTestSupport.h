#pragma once
// What the fill tests share: a delegate that records what the screen would be
// told, and on which thread.

#include "TestSupport.h"

#include "platform/Defaults.h"
#include "platform/Dispatch.h"
#include "platform/FillFile.h"
#include "platform/FillLeftovers.h"
#include "platform/Log.h"
#include "platform/MountTable.h"
#include "platform/Process.h"
#include "platform/SecureRandom.h"
#include "tools/wipedisk/FreeSpaceFillEngine.h"

#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <gtest/gtest.h>

namespace filltest {

inline const QString kFolderFail = QStringLiteral("硬盘驱动器已被占用或为只读,关闭其他程序或删除只读属性以重试。");

struct RoundCall {
    int mode = 0; // which mode's widgets: FreeSpaceFillEngine::kWipeVolume or kWipeFreeSpace
    double barValue = 0;
    QString text;
    bool animated = false; // the pass reports
    qint64 atMs = 0;
};

class RecordingDelegate : public FreeSpaceFillDelegate {
public:
    RecordingDelegate() { clock.start(); }
    void enableWipeDiskCancelBut() override { note(), ++cancelEnabled; }
    void runProgressStep(int step) override { note(), steps << step; }
    void showWipeDiskRound(double v, const QString& t, bool a) override { add(FreeSpaceFillEngine::kWipeVolume, v, t, a); }
    void showWipeFreeSpaceRound(double v, const QString& t, bool a) override { add(FreeSpaceFillEngine::kWipeFreeSpace, v, t, a); }
    void showComplite() override { note(), ++complite, compliteAtMs = clock.elapsed(); }

    QList<RoundCall> passReports() const
    {
        QList<RoundCall> out;
        for (const RoundCall& r : rounds)
            if (r.animated)
                out << r;
        return out;
    }

    QElapsedTimer clock;
    int cancelEnabled = 0, complite = 0, offMainThreadCalls = 0;
    qint64 compliteAtMs = -1;
    QList<int> steps;
    QList<RoundCall> rounds;

private:
    void note() { offMainThreadCalls += platform::dispatch::isMainThread() ? 0 : 1; }
    void add(int mode, double v, const QString& t, bool a)
    {
        note();
        rounds << RoundCall{mode, v, t, a, clock.elapsed()};
    }
};

inline int countLines(const platform::LogCapture& log, const QString& text)
{
    int n = 0;
    for (const QString& line : log.lines())
        n += line.contains(text) ? 1 : 0;
    return n;
}

// Whether every byte of the file from `offset` on equals `value`.
inline bool allBytesAre(const QString& path, qint64 offset, char value)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(offset))
        return false;
    while (!f.atEnd()) {
        const QByteArray chunk = f.read(8 << 20);
        if (chunk.isEmpty() || chunk != QByteArray(chunk.size(), value))
            return false;
    }
    return true;
}

// A fresh volume, mounted. ext4 without discard: tests read the raw image.
struct TestVolume {
    explicit TestVolume(qint64 bytes, const QString& fs = QStringLiteral("ext4"), const QStringList& mkfsArgs = {})
        : loop(bytes)
    {
        QStringList args = mkfsArgs;
        if (fs == QLatin1String("ext4"))
            args << QStringLiteral("-E") << QStringLiteral("nodiscard");
        if (!loop.valid())
            why = loop.skipReason();
        else if (platform::findProgram(QStringLiteral("mkfs.") + fs).isEmpty() || !loop.format(fs, args))
            why = QStringLiteral("cannot make a %1 file system here").arg(fs);
        else if ((mountPoint = loop.mount(fs)).isEmpty())
            why = QStringLiteral("cannot mount %1 here (no driver and no FUSE tool)").arg(fs);
    }
    // The record the volume scan would make of it.
    VolumeObjPtr record() const
    {
        auto v = std::make_shared<VolumeObj>();
        const auto space = platform::fileSystemSpace(mountPoint);
        v->setVolumeName(QStringLiteral("FILLTEST"));
        v->setVolumeMountPoint(mountPoint);
        v->setVolRootDir(loop.device());
        v->setVolumeFreeSizeNum(space.freeBytes);
        v->setVolumeTotalSizeNum(space.totalBytes);
        return v;
    }
    QString fillFolder() const { return FreeSpaceFillEngine::fillFolderFor(mountPoint); }
    // The clusters ext4 holds back for root on this volume now.
    long long reservedClusters() const { return platform::ReservedClustersLoan::readReserved(loop.kernelName()); }

    nvtest::LoopDevice loop;
    QString mountPoint, why;
};


// One engine with a recording delegate, started on a record with P passes.
struct FillRun {
    FillRun(const VolumeObjPtr& record, int passes, int mode = FreeSpaceFillEngine::kWipeFreeSpace,
            FreeSpaceFillEngine::FillFileObserver observer = {})
    {
        platform::defaults::setInteger(QStringLiteral("EraserTimes"), passes);
        engine.setFillFileObserver(std::move(observer));
        engine.setDelegate(&delegate);
        engine.setSelectEraserType(mode);
        engine.setSelectVolumeObj(record);
        engine.doFreeSpaceAction();
    }
    bool waitForEnd(int ms = 120000)
    {
        const bool ended = nvtest::pumpUntil([&] { return delegate.complite > 0; }, ms);
        nvtest::pump(100);
        return ended;
    }
    platform::LogCapture log;
    FreeSpaceFillEngine engine;
    RecordingDelegate delegate;
};

// A file full of a marker, on the medium, then deleted: its blocks hold the
// marker until something overwrites them.
// Files of `sizes` bytes, each full of a marker of its own, all written to the
// medium before any is deleted (a file written after another's deletion
// could take over its blocks). Their blocks hold the markers until something
// overwrites them.
inline QList<QByteArray> plantDeletedMarkers(const QString& mountPoint, const QList<qint64>& sizes)
{
    QList<QByteArray> markers;
    QStringList paths;
    for (const qint64 size : sizes) {
        quint8 random[16];
        platform::secureRandomBytes(random, sizeof random);
        markers << "NVFILL-MARK-" + QByteArray(reinterpret_cast<const char*>(random), 16).toHex();
        paths << mountPoint + QStringLiteral("/secret%1.bin").arg(paths.size());
        EXPECT_TRUE(nvtest::writeFile(paths.last(), markers.last().repeated(size / markers.last().size())));
    }
    platform::syncFileSystemAt(mountPoint);
    for (const QString& path : paths)
        EXPECT_TRUE(QFile::remove(path));
    platform::syncFileSystemAt(mountPoint);
    return markers;
}

inline QByteArray plantDeletedMarker(const QString& mountPoint) { return plantDeletedMarkers(mountPoint, {4 << 20}).first(); }

// How many times `needle` occurs in the file (read in blocks).
inline qint64 countOccurrences(const QString& path, const QByteArray& needle)
{
    QFile f(path);
    if (needle.isEmpty() || !f.open(QIODevice::ReadOnly))
        return -1;
    qint64 count = 0;
    QByteArray carry;
    while (!f.atEnd()) {
        const QByteArray chunk = carry + f.read(8 << 20);
        qsizetype at = 0;
        while ((at = chunk.indexOf(needle, at)) >= 0) {
            ++count;
            at += needle.size();
        }
        carry = chunk.right(needle.size() - 1);
    }
    return count;
}

} // namespace filltest
