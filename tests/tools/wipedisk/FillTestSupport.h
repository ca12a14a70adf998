#pragma once
// What the fill tests share: a delegate that records what the screen would be
// told (and on which thread), and a few file helpers.

#include "TestSupport.h"

#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "tools/wipedisk/FreeSpaceFillEngine.h"

#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QString>

namespace filltest {

struct RoundCall {
    int mode = 0; // 2: Wipe Volume widgets, 1: Wipe Free Space widgets
    double barValue = 0;
    QString text;
    bool animated = false;
    qint64 atMs = 0;
};

class RecordingDelegate : public FreeSpaceFillDelegate {
public:
    RecordingDelegate() { clock.start(); }

    void enableWipeDiskCancelBut() override
    {
        note();
        ++cancelEnabled;
    }
    void runProgressStep(int step) override
    {
        note();
        steps << step;
    }
    void showWipeDiskRound(double barValue, const QString& text, bool animated) override
    {
        note();
        rounds << RoundCall{FreeSpaceFillEngine::kWipeVolume, barValue, text, animated, clock.elapsed()};
    }
    void showWipeFreeSpaceRound(double barValue, const QString& text, bool animated) override
    {
        note();
        rounds << RoundCall{FreeSpaceFillEngine::kWipeFreeSpace, barValue, text, animated, clock.elapsed()};
    }
    void showComplite() override
    {
        note();
        ++complite;
        compliteAtMs = clock.elapsed();
    }

    // The pass reports: the animated calls that set the bar to 1.0.
    QList<RoundCall> passReports() const
    {
        QList<RoundCall> out;
        for (const RoundCall& r : rounds)
            if (r.animated)
                out << r;
        return out;
    }

    QElapsedTimer clock;
    int cancelEnabled = 0;
    QList<int> steps;
    QList<RoundCall> rounds;
    int complite = 0;
    qint64 compliteAtMs = -1;
    int offMainThreadCalls = 0;

private:
    void note()
    {
        if (!platform::dispatch::isMainThread())
            ++offMainThreadCalls;
    }
};

inline int countLines(const platform::LogCapture& log, const QString& text)
{
    int n = 0;
    for (const QString& line : log.lines())
        if (line.contains(text))
            ++n;
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
        if (chunk.isEmpty())
            return false;
        if (chunk != QByteArray(chunk.size(), value))
            return false;
    }
    return true;
}

} // namespace filltest
