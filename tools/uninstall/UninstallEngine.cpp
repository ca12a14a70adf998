#include "UninstallEngine.h"

#include "LinuxApplications.h"
#include "RelatedAppFilesScanner.h"
#include "core/CommUti.h"
#include "platform/Dispatch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <atomic>
#include <utility>
#include <sys/stat.h>

struct UninstallEngine::State {
    Listener* listener = nullptr;
    QList<QStringList> searchPaths{QStringList(), QStringList(), QStringList()};
    AMAppItemList lists[3];
    std::atomic<bool> isScan{false};
    // Main thread: the walk of applications whose items are wanted; items of
    // an earlier walk still on their way are dropped.
    quint64 applicationsWalk = 0;
    // The related-file search whose groups are wanted (counted on the main
    // thread, read by its worker), and the items it was asked for.
    std::shared_ptr<std::atomic<quint64>> relatedSearch = std::make_shared<std::atomic<quint64>>(0);
    bool searching = false;
    AMAppItemList searchedItems;
};

namespace {

using Weak = std::weak_ptr<UninstallEngine::State>;

const QStringList& pluginExtensions()
{
    static const QStringList extensions{
        QStringLiteral("app"),         QStringLiteral("plugin"),      QStringLiteral("webplugin"),
        QStringLiteral("component"),   QStringLiteral("mdimporter"),  QStringLiteral("qlgenerator"),
        QStringLiteral("dictionary"),  QStringLiteral("safariextz"),
    };
    return extensions;
}

// The text after the last dot of a name; a name that only starts with a dot
// has none.
QString extensionOf(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.mid(dot + 1) : QString();
}

// Folders are walked once each, however many links lead to them, so a link
// back up the tree cannot make the walk endless.
class Visited {
public:
    bool enter(const QString& folder)
    {
        struct stat st {};
        if (stat(QFile::encodeName(folder).constData(), &st) != 0)
            return false;
        const QPair<quint64, quint64> key(quint64(st.st_dev), quint64(st.st_ino));
        if (seen_.contains(key))
            return false;
        seen_.insert(key);
        return true;
    }

private:
    QSet<QPair<quint64, quint64>> seen_;
};

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Unsorted);
}

void walkApplications(const QString& folder, Visited& visited, const std::function<void(const AMAppItemPtr&)>& found)
{
    if (!visited.enter(folder))
        return;
    for (const QString& entry : entriesOf(folder)) {
        const QString full = folder + QLatin1Char('/') + entry;
        const QFileInfo info(full);
        if (!info.exists() || !info.isDir())
            continue;
        if (extensionOf(entry) == QLatin1String("app")) {
            AMAppItemPtr item = RelatedAppFilesScanner::constructItem(full, 1);
            if (!item->isSystemApp)
                found(item);
        } else {
            walkApplications(full, visited, found);
        }
    }
}

void walkByExtension(const QString& folder, const QStringList& extensions, Visited& visited, AMAppItemList& found)
{
    if (!visited.enter(folder))
        return;
    for (const QString& entry : entriesOf(folder)) {
        const QString full = folder + QLatin1Char('/') + entry;
        if (extensions.contains(extensionOf(entry))) {
            found.append(RelatedAppFilesScanner::constructItem(full, 1));
            continue;
        }
        if (QFileInfo(full).isDir())
            walkByExtension(full, extensions, visited, found);
    }
}

void fillIcon(const AMAppItemPtr& item)
{
    if (!item->image.isNull())
        return;
    if (!item->desktopEntry.isEmpty())
        item->image = LinuxApplications::iconFor(*item);
    if (item->image.isNull())
        item->image = RelatedAppFilesScanner::iconForPath(item->path);
}

// Hands one application to the main thread, where it joins allApplications.
void postApplication(const Weak& weak, quint64 walk, const AMAppItemPtr& item)
{
    platform::dispatch::main([weak, walk, item] {
        const auto state = weak.lock();
        if (!state || state->applicationsWalk != walk)
            return;
        fillIcon(item);
        state->lists[UninstallEngine::Applications].append(item);
        if (state->listener)
            state->listener->applicationAdded(item);
    });
}

void postSelectionCleared(const Weak& weak, int kind)
{
    platform::dispatch::main([weak, kind] {
        const auto state = weak.lock();
        if (state && state->listener)
            state->listener->selectionCleared(kind);
    });
}

} // namespace

UninstallEngine::UninstallEngine() : d(std::make_shared<State>()) {}

UninstallEngine::~UninstallEngine()
{
    d->listener = nullptr;
}

void UninstallEngine::setListener(Listener* listener)
{
    d->listener = listener;
}

void UninstallEngine::begimScanFile()
{
    d->searchPaths = {CommUti::applicationPaths(), CommUti::widgetPaths(), CommUti::pluginPaths()};
    getApplications();
}

void UninstallEngine::getApplications()
{
    d->isScan = true;
    const Weak weak = d;
    const QList<QStringList> paths = d->searchPaths;
    const quint64 walk = ++d->applicationsWalk;
    platform::dispatch::global(platform::dispatch::Priority::Default, [weak, paths, walk] {
        platform::dispatch::main([weak] {
            if (const auto state = weak.lock())
                state->lists[Applications].clear();
        });
        AMAppItemList found[3];
        for (int kind = Applications; kind <= Plugins; ++kind) {
            Visited visited;
            // The applications of the Linux desktop come from its desktop
            // entries; the application folders are walked after them.
            if (kind == Applications) {
                postSelectionCleared(weak, kind);
                for (const AMAppItemPtr& item : LinuxApplications::scan())
                    postApplication(weak, walk, item);
            }
            for (const QString& folder : paths.value(kind)) {
                postSelectionCleared(weak, kind);
                if (kind == Applications)
                    walkApplications(folder, visited,
                                     [&weak, walk](const AMAppItemPtr& item) { postApplication(weak, walk, item); });
                else if (kind == Widgets)
                    walkByExtension(folder, {QStringLiteral("wdgt")}, visited, found[kind]);
                else
                    walkByExtension(folder, pluginExtensions(), visited, found[kind]);
            }
        }
        // Every application block above is ahead of this one on the main queue.
        platform::dispatch::main([weak, widgets = found[Widgets], plugins = found[Plugins]] {
            const auto state = weak.lock();
            if (!state)
                return;
            for (const AMAppItemPtr& item : widgets)
                fillIcon(item);
            for (const AMAppItemPtr& item : plugins)
                fillIcon(item);
            state->lists[Widgets] = widgets;
            state->lists[Plugins] = plugins;
            state->isScan = false;
            if (state->listener)
                state->listener->scanFinished();
        });
    });
}

bool UninstallEngine::isScan() const
{
    return d->isScan;
}

void UninstallEngine::refButtonAction(int kind)
{
    if (kind < Applications || kind > Plugins)
        return;
    const Weak weak = d;
    if (d->listener)
        d->listener->selectionCleared(kind);
    d->lists[kind].clear();
    if (kind == Applications) {
        // The package tools and the folder walks take their time: on a
        // worker, as the first scan does.
        const quint64 walk = ++d->applicationsWalk;
        const QStringList folders = d->searchPaths.value(kind);
        platform::dispatch::global(platform::dispatch::Priority::Default, [weak, walk, folders] {
            for (const AMAppItemPtr& item : LinuxApplications::scan())
                postApplication(weak, walk, item);
            Visited visited;
            for (const QString& folder : folders)
                walkApplications(folder, visited,
                                 [&weak, walk](const AMAppItemPtr& item) { postApplication(weak, walk, item); });
            platform::dispatch::main([weak, walk] {
                const auto state = weak.lock();
                if (state && state->applicationsWalk == walk && state->listener)
                    state->listener->refreshFinished(Applications);
            });
        });
        return;
    }
    Visited visited;
    AMAppItemList found;
    for (const QString& folder : d->searchPaths.value(kind))
        walkByExtension(folder, kind == Widgets ? QStringList{QStringLiteral("wdgt")} : pluginExtensions(), visited,
                        found);
    d->lists[kind] = found;
    if (d->listener)
        d->listener->refreshFinished(kind);
}

void UninstallEngine::measureSize(const AMAppItemPtr& item)
{
    if (!item || item->bIsGetSize)
        return;
    item->bIsGetSize = true;
    const Weak weak = d;
    const QString path = item->path;
    platform::dispatch::global(platform::dispatch::Priority::Default, [weak, item, path] {
        const QString text = RelatedAppFilesScanner::getFileSizeItem(path);
        platform::dispatch::main([weak, item, text] {
            item->size = text;
            const auto state = weak.lock();
            if (state && state->listener)
                state->listener->sizeMeasured(item);
        });
    });
}

namespace {

// What a worker may read of an item while the screen keeps the item: a copy
// without its icon (icons stay on the main thread).
AMAppItemPtr detached(const AMAppItemPtr& item)
{
    AMAppItemPtr copy = item->copy();
    copy->image = QIcon();
    return copy;
}

// The groups of `items`, the keys of every `installed` item competing for the
// files; empty once `superseded` answers true between two items.
QList<AMAppItemList> groupsOf(const AMAppItemList& installed, const AMAppItemList& items,
                              const std::function<bool()>& superseded = {})
{
    const QStringList keys = RelatedAppFilesScanner::keysOfItems(installed);
    QList<AMAppItemList> groups;
    for (const AMAppItemPtr& item : items) {
        if (superseded && superseded())
            return {};
        groups << (item ? RelatedAppFilesScanner::relatedFilesToItem(item, keys) : AMAppItemList());
    }
    return groups;
}

} // namespace

void UninstallEngine::findRelatedFiles(const AMAppItemList& items, RelatedFilesFound found)
{
    AMAppItemList installed;
    for (const AMAppItemList& list : d->lists)
        for (const AMAppItemPtr& item : list)
            if (item)
                installed << detached(item);
    AMAppItemList chosen;
    for (const AMAppItemPtr& item : items)
        chosen << (item ? detached(item) : AMAppItemPtr());
    const quint64 search = ++*d->relatedSearch;
    const auto current = d->relatedSearch;
    d->searching = true;
    // The listed items stay on the main thread, where their icons live.
    d->searchedItems = items;
    const Weak weak = d;
    platform::dispatch::global(platform::dispatch::Priority::Default, [weak, search, current, installed, chosen,
                                                                        found = std::move(found)] {
        // A superseded search stops between items.
        const QList<AMAppItemList> groups =
            groupsOf(installed, chosen, [&current, search] { return current->load() != search; });
        if (current->load() != search)
            return;
        platform::dispatch::main([weak, search, groups, found] {
            const auto state = weak.lock();
            if (!state || state->relatedSearch->load() != search)
                return;
            state->searching = false;
            const AMAppItemList items = std::exchange(state->searchedItems, {});
            // The icons the worker could not ask for: the listed item's own
            // for its group's head, the desktop's for every found file.
            for (qsizetype g = 0; g < groups.size(); ++g) {
                for (qsizetype m = 0; m < groups[g].size(); ++m) {
                    const AMAppItemPtr& member = groups[g][m];
                    if (!member->image.isNull())
                        continue;
                    const AMAppItemPtr& listed = items.value(g);
                    member->image = m == 0 && listed && !listed->image.isNull()
                                        ? listed->image
                                        : RelatedAppFilesScanner::iconForPath(member->path);
                }
            }
            found(items, groups);
        });
    });
}

bool UninstallEngine::isSearching() const
{
    return d->searching;
}

void UninstallEngine::cancelSearches()
{
    ++*d->relatedSearch;
    d->searching = false;
    d->searchedItems.clear();
}

AMAppItemList UninstallEngine::relatedFilesOf(const AMAppItemPtr& item) const
{
    if (!item)
        return {};
    return relatedFilesOf(AMAppItemList{item}).value(0);
}

QList<AMAppItemList> UninstallEngine::relatedFilesOf(const AMAppItemList& items) const
{
    AMAppItemList installed;
    for (const AMAppItemList& list : d->lists)
        installed += list;
    return groupsOf(installed, items);
}

const QList<QStringList>& UninstallEngine::searchPaths() const
{
    return d->searchPaths;
}

void UninstallEngine::setSearchPaths(const QList<QStringList>& paths)
{
    d->searchPaths = paths;
}

AMAppItemList& UninstallEngine::allApplications()
{
    return d->lists[Applications];
}

AMAppItemList& UninstallEngine::widgetsArr()
{
    return d->lists[Widgets];
}

AMAppItemList& UninstallEngine::pluginsArr()
{
    return d->lists[Plugins];
}

AMAppItemList& UninstallEngine::sourceList(int kind)
{
    return d->lists[qBound(0, kind, 2)];
}

QString UninstallEngine::headerTitle(int kind, int count)
{
    if (kind == Applications)
        return QStringLiteral("   应用程序(共: %1 个程序)").arg(count);
    return QStringLiteral("   项(共: %1 项)").arg(count);
}

void UninstallEngine::applicationsInPath(const QString& folder, const std::function<void(const AMAppItemPtr&)>& found)
{
    Visited visited;
    walkApplications(folder, visited, found);
}

void UninstallEngine::widgetsInPath(const QString& folder, AMAppItemList& found)
{
    Visited visited;
    walkByExtension(folder, {QStringLiteral("wdgt")}, visited, found);
}

void UninstallEngine::pluginsInPath(const QString& folder, AMAppItemList& found)
{
    Visited visited;
    walkByExtension(folder, pluginExtensions(), visited, found);
}
