#include "EraseRunRules.h"

#include "platform/FileAttributes.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <cmath>

namespace eraserun {

QString elapsedTimeText(int seconds)
{
    const int n = std::max(0, seconds);
    return QString::asprintf("%d:%02d:%02d", n / 3600, (n / 60) % 60, n % 60);
}

QString progressCountText(int total, int handled)
{
    return QStringLiteral("%1 文件中的 %2 个").arg(total).arg(handled);
}

double progressBarValue(float percent)
{
    if (std::isnan(percent))
        return 0.1;
    return std::clamp(static_cast<double>(percent) / 100.0, 0.1, 1.0);
}

RunEnd finishEraseRun(const FileObjList& list, const FileObjList& doneList, bool cancelled, bool rightsFailure)
{
    // What the queue did: each handled item's result, and every folder path
    // that holds an item that failed.
    QHash<QString, bool> handled;
    QSet<QString> failedBelow;
    for (const FileObjPtr& job : doneList) {
        const bool ok = job->failStr() == QLatin1String("Success");
        handled.insert(job->url(), ok);
        if (ok)
            continue;
        QString above = job->url();
        for (qsizetype slash = above.lastIndexOf(QLatin1Char('/')); slash > 0; slash = above.lastIndexOf(QLatin1Char('/'))) {
            above.truncate(slash);
            failedBelow.insert(above);
        }
    }

    RunEnd end;
    end.cancelled = cancelled;
    bool anyNotErased = false;
    for (const FileObjPtr& item : list) {
        if (!item->isSelect()) {
            end.remaining << item;
            continue;
        }
        // Erased means the queue shredded it (and, for a folder, everything
        // in it) and nothing is at its path now. An item that is merely gone
        // (moved away by someone else, never reached) was not erased. A
        // dangling link still counts as something left at the path.
        const bool left = platform::itemExists(item->url());
        const bool erased = !left && handled.value(item->url(), false) && !failedBelow.contains(item->url());
        anyNotErased = anyNotErased || !erased;
        item->setFailStr(erased ? kMarkSuccess : kMarkFailure);
        end.marked << item;
    }
    const bool anyFailed = std::any_of(doneList.cbegin(), doneList.cend(), [](const FileObjPtr& item) {
        return item->failStr() == QLatin1String("Fail");
    });
    end.showFailure = cancelled || rightsFailure || anyFailed || anyNotErased;
    return end;
}

} // namespace eraserun
