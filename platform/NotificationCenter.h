#pragma once
// In-process notifications: a name, a sender and a map of details, delivered
// synchronously on the posting thread to every observer of that name.

#include <QString>
#include <QVariantMap>
#include <functional>

namespace platform {

struct Notification {
    QString name;
    const void* sender = nullptr;
    QVariantMap userInfo;
};

class NotificationCenter {
public:
    using Observer = std::function<void(const Notification&)>;
    using Token = quint64;

    static NotificationCenter& defaultCenter();

    // Observes `name` from any sender. Keep the token to stop observing.
    Token addObserver(const QString& name, Observer observer);
    void removeObserver(Token token);

    void post(const QString& name, const void* sender = nullptr, const QVariantMap& userInfo = {});

private:
    NotificationCenter() = default;
    struct Impl;
    Impl& impl();
};

} // namespace platform
