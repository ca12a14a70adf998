#include "UninstallTally.h"

#include "core/CommUti.h"

void UninstallTally::start(int count)
{
    allSelectCount_ = count;
    deleteCount_ = 0;
    totalSize_ = 0;
    isFail_ = false;
    freedPaths_.clear();
    freedPackages_.clear();
    reasons_.clear();
}

QString UninstallTally::endMessage() const
{
    QString text = endMessage(totalSize_, isFail_);
    for (const QString& reason : reasons_)
        text += QLatin1Char('\n') + reason;
    return text;
}

UninstallTally::Step UninstallTally::record(const AMAppItemPtr& item, bool removed)
{
    if (!removed) {
        isFail_ = true;
        if (item && !item->failureReason.isEmpty() && !reasons_.contains(item->failureReason))
            reasons_ << item->failureReason;
    } else if (item && !freedPaths_.contains(item->path)) {
        freedPaths_.insert(item->path);
        // Each menu entry of a package shows the whole package's size.
        const bool packaged = item->isPackaged();
        const QString package = QString::number(int(item->packaging)) + QLatin1Char(':') + item->packageName;
        if (!packaged || !freedPackages_.contains(package))
            totalSize_ += CommUti::volSpaceFromString(item->size);
        if (packaged)
            freedPackages_.insert(package);
    }
    ++deleteCount_;
    Step step;
    step.percent = allSelectCount_ > 0 ? deleteCount_ * 100 / allSelectCount_ : 100;
    step.finished = finished();
    return step;
}

QString UninstallTally::endMessage(quint64 freedBytes, bool someFailed)
{
    const QString size = CommUti::convertVolSpace(static_cast<qint64>(freedBytes));
    if (someFailed)
        return QStringLiteral("Nullvane未能删除部分所选项目。已释放%1磁盘空间。").arg(size);
    return QStringLiteral("Nullvane已成功删除所选应用程序和所有关联文件。释放%1磁盘空间。").arg(size);
}
