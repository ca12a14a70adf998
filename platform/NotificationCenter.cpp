#include "NotificationCenter.h"

#include <QMutex>
#include <map>
#include <vector>

namespace platform {

struct NotificationCenter::Impl {
    QMutex mutex;
    Token next = 1;
    std::map<Token, std::pair<QString, Observer>> observers;
};

NotificationCenter::Impl& NotificationCenter::impl()
{
    static Impl instance;
    return instance;
}

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

NotificationCenter::Token NotificationCenter::addObserver(const QString& name, Observer observer)
{
    Impl& d = impl();
    QMutexLocker lock(&d.mutex);
    const Token t = d.next++;
    d.observers.emplace(t, std::make_pair(name, std::move(observer)));
    return t;
}

void NotificationCenter::removeObserver(Token token)
{
    Impl& d = impl();
    QMutexLocker lock(&d.mutex);
    d.observers.erase(token);
}

void NotificationCenter::post(const QString& name, const void* sender, const QVariantMap& userInfo)
{
    // Observers are called outside the lock, so one may add or remove observers.
    std::vector<Observer> targets;
    {
        Impl& d = impl();
        QMutexLocker lock(&d.mutex);
        for (const auto& [token, entry] : d.observers)
            if (entry.first == name)
                targets.push_back(entry.second);
    }
    const Notification n{name, sender, userInfo};
    for (const Observer& o : targets)
        o(n);
}

} // namespace platform
