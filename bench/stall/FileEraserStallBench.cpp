// How long the main thread stops when "继续" starts a File Eraser run over a
// large folder: the job list, the start of the queue, its progress reports, a
// cancel and the end of the run with its history record.
//
//   fileeraserstallbench [files]      (50,000 by default)
//
// Two cases: one flat folder of small files, and the same number of files in
// a tree of 1,000 folders (10 × 10 × 10, each leaf with its share of files).
// The run is cancelled once 2,000 items are handled, so the benchmark waits
// for the job list and the queue, not for the disk. Target: at most 100 ms.

#include "StallProbe.h"
#include "StallSandbox.h"

#include "platform/Defaults.h"
#include "toolkit/ApplicationLook.h"
#include "tools/fileeraser/EndBgView.h"
#include "tools/fileeraser/FileEraserViewController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace {

struct Host : MainWindowHost {
    void canChangeType(bool) override {}
};

constexpr int kHandledBeforeCancel = 2000;

void makeFlat(const QString& folder, int files)
{
    for (int i = 0; i < files; ++i)
        bench::writeBenchFile(QStringLiteral("%1/file-%2.dat").arg(folder).arg(i), QByteArray(64, 'x'));
}

void makeTree(const QString& folder, int files)
{
    const int perLeaf = std::max(1, files / 1000);
    int made = 0;
    for (int a = 0; a < 10; ++a)
        for (int b = 0; b < 10; ++b)
            for (int c = 0; c < 10; ++c)
                for (int i = 0; i < perLeaf && made < files; ++i, ++made)
                    bench::writeBenchFile(QStringLiteral("%1/a%2/b%3/c%4/file-%5.dat").arg(folder).arg(a).arg(b).arg(c).arg(i),
                                          QByteArray(64, 'x'));
}

void runCase(const char* label, const QString& folder)
{
    Host host;
    QWidget window;
    FileEraserViewController screen;
    screen.setSuperDelegate(&host);
    bench::showInToolWindow(window, screen.view());
    screen.viewDragAction({folder});
    QApplication::processEvents();

    int reports = 0;
    QElapsedTimer sinceContinue;
    qint64 firstReportMs = -1;
    QObject::connect(&screen.run(), &FileEraserRun::progressChanged, &screen, [&] {
        if (reports++ == 0)
            firstReportMs = sinceContinue.elapsed();
    });

    bench::StallProbe probe;
    // "继续" is pressed from the dialog's own modal run, as a person would.
    QTimer press;
    bench::pressWhenShown(press, QStringLiteral("继续"), 5, [&] {
        probe.start();
        sinceContinue.start();
    });
    screen.eraserNowButtonAction();

    const bool started = probe.runUntil([&] { return reports >= kHandledBeforeCancel || !screen.deleteErrorArr().isEmpty(); },
                                        600000);
    const double untilHandled = probe.longestStallMs();
    probe.start();
    screen.cancelEraserButtonAction();
    const bool ended = probe.runUntil(
        [&] { return !screen.run().isRunning() && screen.failView()->pos() == QPoint(0, 0); }, 600000);
    const double cancelToEnd = probe.longestStallMs();
    if (!started || !ended) {
        std::printf("%s: the run did not %s in time\n", label, started ? "end" : "start");
        std::exit(1);
    }
    std::printf("%s: first progress %lld ms after 继续; %d reports before the cancel\n", label,
                static_cast<long long>(firstReportMs), reports);
    bench::reportStall(QStringLiteral("File Eraser 继续 (%1)").arg(QString::fromUtf8(label)).toUtf8().constData(),
                       untilHandled);
    bench::reportStall(QStringLiteral("File Eraser cancel to end (%1)").arg(QString::fromUtf8(label)).toUtf8().constData(),
                       cancelToEnd);
}

} // namespace

int main(int argc, char** argv)
{
    bench::StallSandbox sandbox;
    QApplication app(argc, argv);
    toolkit::setUpApplicationLook();
    platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), 0);
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 1);
    const int files = argc > 1 ? std::atoi(argv[1]) : 50000;

    const QString flat = sandbox.folder(QStringLiteral("flat"));
    makeFlat(flat, files);
    runCase(QStringLiteral("%1 files, flat folder").arg(files).toUtf8().constData(), flat);
    QDir(flat).removeRecursively();

    const QString tree = sandbox.folder(QStringLiteral("tree"));
    makeTree(tree, files);
    runCase(QStringLiteral("%1 files, tree of folders").arg(files).toUtf8().constData(), tree);
    QDir(tree).removeRecursively();
    return bench::stallExitCode();
}
