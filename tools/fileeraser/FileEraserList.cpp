#include "FileEraserList.h"

#include "core/SizeText.h"
#include "platform/FileAttributes.h"
#include "platform/HeldItem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <sys/stat.h>

namespace {

const QString kFolderType = QStringLiteral("Folder");

QString lastComponent(const QString& path)
{
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    const qsizetype slash = p.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? p : p.mid(slash + 1);
}

// Appends the contents of the held folder `folder` (at `folderPath`),
// depth-first, each folder right after its own contents. Every item remembers
// the ticked item `root` and the folder it was found in, so that the queue
// can tell at its turn whether the way to it still leads there.
void eumeAllArrWithFileObj(const platform::HeldFolder& folder, const QString& folderPath, const QString& root,
                           FileObjList& out, QSet<QString>& seen, const FileEraserList::IconProvider& icons,
                           const std::atomic<bool>* stop)
{
    auto job = [&](const QString& path, bool isDir) {
        FileObjPtr item = FileEraserList::buildFileObj(path, isDir, icons);
        item->setJobRoot(root);
        item->setParentIdentity(folder.identity());
        return item;
    };
    // Unsorted: in the order the file system gives.
    for (const platform::HeldFolder::Entry& entry : folder.entries()) {
        if (stop && stop->load())
            return;
        const QString child = QStringLiteral("%1/%2").arg(folderPath, entry.name);
        if (seen.contains(child))
            continue;
        seen.insert(child);
        if (!entry.isFolder) {
            out << job(child, false);
            continue;
        }
        FileObjPtr sub = job(child, true);
        // Entered without following a link, from the folder in hand.
        const platform::HeldFolder held = folder.child(entry.name);
        if (held.isValid())
            eumeAllArrWithFileObj(held, child, root, out, seen, icons, stop);
        out << sub;
    }
}

} // namespace

QString FileEraserList::byteToSizeWithByte(quint64 bytes)
{
    return sizetext::byteToTeraText(static_cast<double>(bytes));
}

bool FileEraserList::isRealFolder(const QString& path)
{
    const platform::ItemInfo info = platform::itemInfo(path);
    return info.exists && info.isDir && !info.isSymLink;
}

QString FileEraserList::pathExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot == name.size() - 1)
        return {};
    return name.mid(dot + 1);
}

FileObjPtr FileEraserList::buildFileObj(const QString& path, bool isDir, const IconProvider& icons)
{
    auto item = std::make_shared<FileObj>();
    item->setName(lastComponent(path));
    item->setUrl(path);
    const platform::ItemInfo info = platform::itemInfo(path);
    item->setIsSymbolicLink(info.isSymLink);
    if (isDir) {
        item->setType(kFolderType);
        item->setSize(info.size);
    } else {
        item->setType(pathExtension(item->name()));
        item->setSize(info.isSymLink ? 0 : info.size);
    }
    if (icons)
        item->setIcon(icons(path, isDir));
    item->setIsDir(isDir);
    item->setIsSelect(true);
    return item;
}

FileEraserList::AddOutcome FileEraserList::addPaths(const QStringList& paths, const NtfsTest& isNtfs,
                                                    const IconProvider& icons)
{
    AddOutcome outcome;
    if (paths.isEmpty())
        return outcome;
    if (isNtfs && isNtfs(paths.first())) {
        outcome.wholeAddRefused = true;
        outcome.refusedNtfs << paths.first();
        return outcome;
    }
    for (const QString& path : paths) {
        if (path == QLatin1String("/")) {
            outcome.stoppedAtRoot = true;
            break;
        }
        const bool listed = std::any_of(valueArr_.cbegin(), valueArr_.cend(),
                                        [&](const FileObjPtr& item) { return item->url() == path; });
        if (listed)
            continue;
        if (isNtfs && isNtfs(path)) {
            outcome.refusedNtfs << path;
            continue;
        }
        const bool folder = isRealFolder(path);
        FileObjPtr item = buildFileObj(path, folder, icons);
        // A listed folder shows no size; its contents are measured by nobody.
        if (folder)
            item->setSize(0);
        valueArr_ << item;
        ++outcome.added;
    }
    return outcome;
}

FileObjPtr FileEraserList::at(int row) const
{
    if (row < 0 || row >= valueArr_.size())
        return nullptr;
    return valueArr_.at(row);
}

int FileEraserList::tickedCount() const
{
    return static_cast<int>(std::count_if(valueArr_.cbegin(), valueArr_.cend(),
                                          [](const FileObjPtr& item) { return item->isSelect(); }));
}

int FileEraserList::returnSelectAllState() const
{
    const int n = tickedCount();
    if (n == 0)
        return 0;
    return n == count() ? 2 : 1;
}

FileEraserList::CountText FileEraserList::selectCountText() const
{
    CountText out;
    const int n = tickedCount();
    if (n == 0) {
        out.text = QStringLiteral("总: %1 个文件").arg(count());
        return out;
    }
    out.text = QStringLiteral("已选择: %1/%2 个文件").arg(n).arg(count());
    const QString number = QString::number(n);
    out.boldStart = static_cast<int>(out.text.indexOf(number));
    out.boldLength = static_cast<int>(number.size());
    return out;
}

QString FileEraserList::selectAllTitle(int state)
{
    return state == 2 ? QStringLiteral("取消全选") : QStringLiteral("全选");
}

bool FileEraserList::flipTick(int row)
{
    const FileObjPtr item = at(row);
    if (!item)
        return false;
    item->setIsSelect(!item->isSelect());
    return true;
}

int FileEraserList::setAllSelectOrNoSelect()
{
    if (valueArr_.isEmpty())
        return 0;
    const bool tick = returnSelectAllState() != 2;
    for (const FileObjPtr& item : std::as_const(valueArr_))
        item->setIsSelect(tick);
    return tick ? 2 : 0;
}

void FileEraserList::sortBy(int kind, int direction)
{
    const bool descending = direction != 0;
    if (kind == 0) {
        std::stable_sort(valueArr_.begin(), valueArr_.end(), [descending](const FileObjPtr& a, const FileObjPtr& b) {
            const int c = QString::compare(a->name(), b->name());
            return descending ? c > 0 : c < 0;
        });
    } else {
        std::stable_sort(valueArr_.begin(), valueArr_.end(), [descending](const FileObjPtr& a, const FileObjPtr& b) {
            return descending ? a->size() > b->size() : a->size() < b->size();
        });
    }
}

QString FileEraserList::cellText(const FileObj& item, Column column)
{
    switch (column) {
    case NameColumn:
        return item.name();
    case PathColumn:
        return item.url();
    case SizeColumn:
        return item.isDir() ? QStringLiteral("--") : byteToSizeWithByte(static_cast<quint64>(std::max<qint64>(0, item.size())));
    case TypeColumn:
        return item.type();
    }
    return {};
}

QString FileEraserList::toolTip(const FileObj& item, Column column)
{
    if (column == SizeColumn && item.isDir())
        return {};
    return cellText(item, column);
}

FileObjList FileEraserList::flatJobList(const IconProvider& icons, const std::atomic<bool>* stop) const
{
    FileObjList out;
    QSet<QString> seen;
    for (const FileObjPtr& item : valueArr_) {
        if (stop && stop->load())
            break;
        if (!item->isSelect() || seen.contains(item->url()))
            continue;
        seen.insert(item->url());
        const platform::HeldItem top = platform::HeldItem::byPath(item->url());
        // The item is looked at afresh: a folder that has become a link since
        // it was added is not entered.
        const platform::HeldFolder folder = item->isDir() && top.isValid() ? top.parent().child(top.name())
                                                                           : platform::HeldFolder();
        if (folder.isValid())
            eumeAllArrWithFileObj(folder, item->url(), item->url(), out, seen, icons, stop);
        FileObjPtr job = buildFileObj(item->url(), folder.isValid(), icons);
        job->setJobRoot(item->url());
        job->setParentIdentity(top.parent().identity());
        out << job;
    }
    return out;
}

FileEraserList FileEraserList::tickedCopy() const
{
    FileEraserList copy;
    for (const FileObjPtr& item : valueArr_) {
        if (!item->isSelect())
            continue;
        auto detached = std::make_shared<FileObj>(*item);
        // An icon is the desktop's and stays on the main thread.
        detached->setIcon(QVariant());
        copy.valueArr_ << detached;
    }
    return copy;
}
