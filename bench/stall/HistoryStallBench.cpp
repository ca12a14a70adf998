// How long the main thread stops when the erase history opens over many
// records, and when one record is deleted from it.
//
//   historystallbench [records]      (1,000 by default, three items each)
//
// The panel is opened from the File Eraser's history button five times; the
// worst opening counts. Target: at most 100 ms.

#include "StallProbe.h"
#include "StallSandbox.h"

#include "core/DoDataBase.h"
#include "platform/Defaults.h"
#include "toolkit/ApplicationLook.h"
#include "toolkit/TCImageButton.h"
#include "tools/fileeraser/FileEraserViewController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

void writeRecords(int records)
{
    DoDataBase* store = DoDataBase::returnDoDataBase();
    QDateTime moment(QDate(2026, 1, 1), QTime(8, 0));
    store->setClock([&moment] { return moment; });
    for (int r = 0; r < records; ++r) {
        FileObjList items;
        for (int i = 0; i < 3; ++i) {
            auto item = std::make_shared<FileObj>();
            item->setUrl(QStringLiteral("/home/user/Documents/报告-%1-%2.docx").arg(r).arg(i));
            item->setFailStr(i == 2 ? QStringLiteral("擦除失败") : QStringLiteral("擦除成功"));
            items << item;
        }
        store->writePlistForHistoryWithArr(items);
        moment = moment.addSecs(97);
    }
    store->setClock({});
}

} // namespace

int main(int argc, char** argv)
{
    bench::StallSandbox sandbox;
    QApplication app(argc, argv);
    toolkit::setUpApplicationLook();
    const int records = argc > 1 ? std::atoi(argv[1]) : 1000;
    QElapsedTimer writing;
    writing.start();
    writeRecords(records);
    std::printf("%d records written in %lld ms\n", records, static_cast<long long>(writing.elapsed()));

    QWidget window;
    FileEraserViewController screen;
    bench::showInToolWindow(window, screen.view());
    QApplication::processEvents();

    double worstOpening = 0;
    for (int round = 0; round < 5; ++round) {
        bench::StallProbe probe;
        probe.start();
        screen.historyButton()->click();
        const bool shown = probe.runUntil(
            [&] {
                HistoryViewController* history = screen.historyVC();
                return history && history->historyAllArr().size() == records && history->haveView()->isVisible() &&
                       screen.historyView()->pos() == QPoint(0, 0);
            },
            60000);
        if (!shown) {
            std::printf("the history did not show its %d records\n", records);
            return 1;
        }
        worstOpening = std::max(worstOpening, probe.longestStallMs());
        screen.closeHistoryView();
        bench::StallProbe settle;
        settle.start();
        settle.runUntil([&] { return !screen.historyView()->isVisible(); }, 5000);
    }
    bench::reportStall(QStringLiteral("history opening, %1 records").arg(records).toUtf8().constData(), worstOpening);

    // One record deleted from the open panel: the rows go and the rest stays.
    screen.historyButton()->click();
    bench::StallProbe wait;
    wait.start();
    wait.runUntil([&] { return screen.historyVC() && screen.historyVC()->historyAllArr().size() == records; }, 60000);
    HistoryViewController* history = screen.historyVC();
    const QString newest = history->historyAllArr().value(0);
    bench::StallProbe probe;
    probe.start();
    history->clickDeleteWithDate(newest);
    const bool deleted =
        probe.runUntil([&] { return history->historyAllArr().size() == records - 1; }, 60000);
    if (!deleted) {
        std::printf("the record was not deleted\n");
        return 1;
    }
    bench::reportStall(QStringLiteral("history record deleted, %1 records").arg(records).toUtf8().constData(),
                       probe.longestStallMs());
    return bench::stallExitCode();
}
