#pragma once
// The uninstaller's item lists and the walks that fill them: applications,
// widgets and plug-ins found in their standard folders. The uninstaller screen
// owns one engine and listens to it; everything here runs without a window.
// Every list and every listener call belongs to the main thread.

#include "AMAppItem.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class UninstallEngine {
public:
    // Kinds of item, in the order every per-kind list uses.
    enum Kind { Applications = 0, Widgets = 1, Plugins = 2 };

    // Told what the walks did; every call arrives on the main thread.
    class Listener {
    public:
        virtual ~Listener() = default;
        // An application reached allApplications (one call per application,
        // while the scan or a refresh runs).
        virtual void applicationAdded(const AMAppItemPtr& item) {}
        // The walk of this kind starts over, so its ticked items are void.
        virtual void selectionCleared(int kind) {}
        // The first scan has ended: every list is filled.
        virtual void scanFinished() {}
        // A refresh of this kind has ended.
        virtual void refreshFinished(int kind) {}
        // The measured size text is in the item.
        virtual void sizeMeasured(const AMAppItemPtr& item) {}
    };

    UninstallEngine();
    // Work still under way finishes without calling anyone.
    ~UninstallEngine();
    UninstallEngine(const UninstallEngine&) = delete;
    UninstallEngine& operator=(const UninstallEngine&) = delete;

    // Not owned; the screen that owns the engine.
    void setListener(Listener* listener);

    // The first scan: the folders of every kind are set, then walked by
    // getApplications().
    void begimScanFile();
    // Walks every kind on a global queue. Applications arrive one by one;
    // widgets and plug-ins are handed over with the end of the scan.
    void getApplications();
    bool isScan() const;

    // Walks the folders of one kind again. Applications are found on a
    // worker and arrive through the main queue after this returns, then
    // refreshFinished (a newer refresh drops what an older one still had on
    // its way); widgets and
    // plug-ins are in their list and refreshFinished has been called when
    // this returns.
    void refButtonAction(int kind);

    // Starts the size measurement of an item shown for the first time; the
    // text lands in item->size on the main thread, then sizeMeasured.
    void measureSize(const AMAppItemPtr& item);

    // The related-file group of an installed item, with the keys of every
    // other installed item competing for the files (blocks while the folders
    // are searched and the members measured).
    AMAppItemList relatedFilesOf(const AMAppItemPtr& item) const;
    // The same for several items, one group each, the keys gathered once.
    QList<AMAppItemList> relatedFilesOf(const AMAppItemList& items) const;
    // The same on a worker: `found` gets the items and their groups on the
    // main thread, the members' icons filled in. A newer search drops what an
    // older one still has on its way (its `found` is never called); so does
    // cancelSearches. The items stay on the main thread meanwhile.
    using RelatedFilesFound = std::function<void(const AMAppItemList& items, const QList<AMAppItemList>& groups)>;
    void findRelatedFiles(const AMAppItemList& items, RelatedFilesFound found);
    // A related-file search is on its way.
    bool isSearching() const;
    void cancelSearches();

    // The search folders per kind (set by begimScanFile).
    const QList<QStringList>& searchPaths() const;
    void setSearchPaths(const QList<QStringList>& paths);

    AMAppItemList& allApplications();
    AMAppItemList& widgetsArr();
    AMAppItemList& pluginsArr();
    // The source list of a kind (0 applications, 1 widgets, 2 plug-ins).
    AMAppItemList& sourceList(int kind);

    // The "appname" column title: "   应用程序(共: %d 个程序)" for
    // applications, "   项(共: %d 项)" for the others.
    static QString headerTitle(int kind, int count);

    // The walks. Each lists the folder shallowly and goes into every folder
    // that is not an item itself; a folder reached twice (through links) is
    // walked once.
    // Applications: folders named "*.app", system applications left out.
    static void applicationsInPath(const QString& folder, const std::function<void(const AMAppItemPtr&)>& found);
    // Widgets: anything named "*.wdgt".
    static void widgetsInPath(const QString& folder, AMAppItemList& found);
    // Plug-ins: anything with one of the plug-in extensions.
    static void pluginsInPath(const QString& folder, AMAppItemList& found);

    struct State;

private:
    std::shared_ptr<State> d;
};
