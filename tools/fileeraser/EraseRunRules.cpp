#include "EraseRunRules.h"

#include "platform/FileAttributes.h"

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
    RunEnd end;
    end.cancelled = cancelled;
    bool anyLeft = false;
    for (const FileObjPtr& item : list) {
        if (!item->isSelect()) {
            end.remaining << item;
            continue;
        }
        // A dangling link still counts as something left at the path.
        const bool left = platform::itemExists(item->url());
        anyLeft = anyLeft || left;
        item->setFailStr(left ? kMarkFailure : kMarkSuccess);
        end.marked << item;
    }
    const bool anyFailed = std::any_of(doneList.cbegin(), doneList.cend(), [](const FileObjPtr& item) {
        return item->failStr() == QLatin1String("Fail");
    });
    end.showFailure = cancelled || rightsFailure || anyFailed || anyLeft;
    return end;
}

} // namespace eraserun
