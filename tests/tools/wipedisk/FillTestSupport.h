#pragma once
// What the fill tests share: a delegate that records what the screen would be
// told, and on which thread.

#include "TestSupport.h"

#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "tools/wipedisk/FreeSpaceFillEngine.h"

#include <QElapsedTimer>
#include <QFile>
#include <QList>

namespace filltest {

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

} // namespace filltest
