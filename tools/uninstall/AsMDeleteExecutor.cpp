#include "AsMDeleteExecutor.h"

#include "platform/Dispatch.h"
#include "platform/FileAttributes.h"
#include "platform/Log.h"
#include "platform/Packaging.h"
#include "platform/Privileged.h"
#include "platform/Removal.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <algorithm>
#include <atomic>

struct AsMDeleteExecutor::Shared : std::enable_shared_from_this<Shared> {
    // Main thread only.
    AsMDeleteExecutorDelegate* delegate = nullptr;
    QPointer<QObject> delegateObject;
    bool delegateIsObject = false;
    AMAppItemList trashFiles;

    // The helper session; used by one run at a time.
    platform::PrivilegedRemover remover;
    std::atomic<bool> isValidAuth{false};

    QMutex lifeMutex;
    int runs = 0;
    bool ownerGone = false;

    void report(const AMAppItemPtr& item, bool removed)
    {
        const std::weak_ptr<Shared> weak = weak_from_this();
        platform::dispatch::main([weak, item, removed] {
            const std::shared_ptr<Shared> self = weak.lock();
            if (!self || !self->delegate || (self->delegateIsObject && !self->delegateObject))
                return;
            if (removed)
                self->delegate->deleteRelatedFile(item);
            else
                self->delegate->deleteRelatedFileFail(item);
        });
    }

    // Why the last request for rights came to nothing, in the user's words
    // (empty when the helper could not be started at all). Worker only.
    QString refusal;

    bool allocAuthorization()
    {
        if (isValidAuth)
            return true;
        refusal.clear();
        int status = 0;
        switch (remover.acquire(&status)) {
        case platform::PrivilegedRemover::Start::Granted:
            isValidAuth = true;
            return true;
        case platform::PrivilegedRemover::Start::Cancelled:
            refusal = platform::privileged::refusalText(platform::privileged::Ending::Cancelled);
            platform::log(QStringLiteral("Copy Rights Unsuccessful: %1").arg(status));
            break;
        case platform::PrivilegedRemover::Start::Refused:
            refusal = platform::privileged::refusalText(platform::privileged::Ending::Refused);
            platform::log(QStringLiteral("Copy Rights Unsuccessful: %1").arg(status));
            break;
        case platform::PrivilegedRemover::Start::Unavailable:
            platform::log(QStringLiteral("Error Creating Initial Authorization: %1").arg(status));
            break;
        }
        freeAuthorization();
        return false;
    }

    void freeAuthorization()
    {
        remover.release();
        isValidAuth = false;
    }

    bool authDeleteAtPath(const QString& path)
    {
        if (path.isEmpty())
            return false;
        switch (remover.remove(path)) {
        case platform::PrivilegedRemover::Outcome::Removed: {
            // The helper looked as root; where we can see the path ourselves,
            // it must be gone for us too.
            return !platform::itemInfo(path).exists;
        }
        case platform::PrivilegedRemover::Outcome::Lost:
            // The helper is gone: the next item that needs rights asks again.
            freeAuthorization();
            return false;
        case platform::PrivilegedRemover::Outcome::Failed:
        case platform::PrivilegedRemover::Outcome::Refused:
            break;
        }
        return false;
    }

    // The Debian packages of the run under way, and what became of them
    // (worker only). They are removed together when the first of them is
    // reached: one that depends on another chosen one would otherwise keep
    // that one from going, and one password serves them all.
    QStringList debChosen;
    QHash<QString, platform::packaging::Removal> debOutcomes;

    platform::packaging::Removal debianRemoval(const QString& name)
    {
        if (!debChosen.contains(name))
            return platform::packaging::removeDebPackage(name);
        if (!debOutcomes.contains(name)) {
            const QList<platform::packaging::Removal> outcomes = platform::packaging::removeDebPackages(debChosen);
            for (qsizetype i = 0; i < debChosen.size(); ++i)
                debOutcomes.insert(debChosen[i], outcomes.value(i));
        }
        return debOutcomes.value(name);
    }

    // An application of the Linux desktop that a packaging system installed
    // goes through that system; its files are never removed as files.
    bool removeByPackaging(const AMAppItemPtr& item)
    {
        platform::packaging::Removal removal;
        switch (item->packaging) {
        case AMAppItem::Packaging::Debian:
            removal = debianRemoval(item->packageName);
            break;
        case AMAppItem::Packaging::Flatpak:
            removal = platform::packaging::uninstallFlatpak(item->packageName, item->userInstallation);
            break;
        case AMAppItem::Packaging::Snap:
            removal = platform::packaging::removeSnap(item->packageName);
            break;
        default:
            return false;
        }
        if (!removal.removed) {
            item->failureReason = removal.message;
            platform::logNames(QStringLiteral("Package removal failed: %1").arg(removal.message));
        }
        report(item, removal.removed);
        return removal.removed;
    }

    bool removeTrahFile(const AMAppItemPtr& item)
    {
        if (item->isPackaged())
            return removeByPackaging(item);
        const QString path = item->path;
        // Nothing there: nothing to remove, and no reason to ask for a password.
        if (platform::itemIsGone(path) || platform::removeItem(path)) {
            report(item, true);
            return true;
        }
        if (!allocAuthorization()) {
            platform::log(QStringLiteral("Alloc authorization failed!!!"));
            item->failureReason = reasonFor(item);
            report(item, false);
            return false;
        }
        if (!authDeleteAtPath(path)) {
            report(item, false);
            platform::logNames(QStringLiteral("Clean file by authorization failed: %1").arg(path));
            return false;
        }
        report(item, true);
        return true;
    }

    // The refusal, said of the item it kept.
    QString reasonFor(const AMAppItemPtr& item) const
    {
        if (refusal.isEmpty())
            return {};
        const QString name = item->name.isEmpty() ? QFileInfo(item->path).fileName() : item->name;
        return QStringLiteral("%1：%2").arg(name, refusal);
    }

    // An application removed as files (not by its packaging) and the files
    // found for it are one choice: where any of them needs the administrator's
    // rights, the rights are asked for before anything of it is removed, so a
    // refusal leaves all of it in place, and it can be chosen again.
    bool rightsForApplication(const AMAppItemPtr& app, const AMAppItemList& items)
    {
        bool needed = !platform::removableWithOwnRights(app->path);
        for (qsizetype i = 0; i < items.size() && !needed; ++i) {
            const AMAppItemPtr& file = items[i];
            if (file && file->ownerPath == app->path && file != app)
                needed = !platform::removableWithOwnRights(file->path);
        }
        if (!needed || allocAuthorization())
            return true;
        platform::log(QStringLiteral("Alloc authorization failed!!!"));
        app->failureReason = reasonFor(app);
        return false;
    }

    static QString packageKey(const AMAppItemPtr& item)
    {
        return QString::number(int(item->packaging)) + QLatin1Char(':') + item->packageName;
    }

    void run(AMAppItemList items)
    {
        // The applications go before the files found for them, however the
        // user ticked them, so that an application its packaging keeps is
        // known before its files are reached.
        std::stable_partition(items.begin(), items.end(),
                              [](const AMAppItemPtr& item) { return !item || item->ownerPath.isEmpty(); });
        debOutcomes.clear();
        debChosen.clear();
        for (const AMAppItemPtr& item : items)
            if (item && item->packaging == AMAppItem::Packaging::Debian && !debChosen.contains(item->packageName))
                debChosen << item->packageName;
        QHash<QString, bool> outcomes;
        // Two menu entries of one package are one removal.
        QHash<QString, AMAppItemPtr> packages;
        // An application its packaging would not remove keeps its files too:
        // it stays installed, and its settings with it. So does one whose
        // removal needed rights that were not given.
        QSet<QString> keptApplications;
        for (const AMAppItemPtr& item : items) {
            if (!item)
                continue;
            if (!item->ownerPath.isEmpty() && keptApplications.contains(item->ownerPath)) {
                item->failureReason.clear();
                report(item, false);
                continue;
            }
            const auto seen = outcomes.constFind(item->path);
            if (seen != outcomes.constEnd()) {
                report(item, *seen);
                continue;
            }
            if (item->isPackaged()) {
                const AMAppItemPtr first = packages.value(packageKey(item));
                if (first) {
                    const bool removed = outcomes.value(first->path);
                    item->failureReason = first->failureReason;
                    outcomes.insert(item->path, removed);
                    if (!removed)
                        keptApplications.insert(item->path);
                    report(item, removed);
                    continue;
                }
                packages.insert(packageKey(item), item);
            }
            if (item->ownerPath.isEmpty() && !item->isPackaged() && !rightsForApplication(item, items)) {
                outcomes.insert(item->path, false);
                keptApplications.insert(item->path);
                report(item, false);
                continue;
            }
            const bool removed = removeTrahFile(item);
            outcomes.insert(item->path, removed);
            if (!removed && item->isPackaged())
                keptApplications.insert(item->path);
        }
        debChosen.clear();
        debOutcomes.clear();
        QMutexLocker lock(&lifeMutex);
        if (--runs == 0 && ownerGone)
            freeAuthorization();
    }
};

AsMDeleteExecutor::AsMDeleteExecutor() : d(std::make_shared<Shared>()) {}

AsMDeleteExecutor::~AsMDeleteExecutor()
{
    d->delegate = nullptr;
    d->delegateObject.clear();
    d->trashFiles.clear();
    QMutexLocker lock(&d->lifeMutex);
    d->ownerGone = true;
    if (d->runs == 0)
        d->freeAuthorization();
}

void AsMDeleteExecutor::setDelegate(AsMDeleteExecutorDelegate* delegate)
{
    d->delegate = delegate;
    QObject* object = dynamic_cast<QObject*>(delegate);
    d->delegateObject = object;
    d->delegateIsObject = object != nullptr;
}

AsMDeleteExecutorDelegate* AsMDeleteExecutor::delegate() const
{
    return d->delegate;
}

void AsMDeleteExecutor::executeDelete(const AMAppItemList& items)
{
    d->trashFiles = items;
    {
        QMutexLocker lock(&d->lifeMutex);
        ++d->runs;
    }
    std::shared_ptr<Shared> shared = d;
    platform::dispatch::global(platform::dispatch::Priority::Default,
                               [shared, items] { shared->run(items); });
}

AMAppItemList AsMDeleteExecutor::trashFiles() const
{
    return d->trashFiles;
}

bool AsMDeleteExecutor::removeTrahFile(const AMAppItemPtr& item)
{
    return item && d->removeTrahFile(item);
}

bool AsMDeleteExecutor::allocAuthorization()
{
    return d->allocAuthorization();
}

bool AsMDeleteExecutor::authDeleteAtPath(const QString& path)
{
    return d->authDeleteAtPath(path);
}

void AsMDeleteExecutor::freeAuthorization()
{
    d->freeAuthorization();
}

bool AsMDeleteExecutor::isValidAuth() const
{
    return d->isValidAuth;
}
