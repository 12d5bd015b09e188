// Named notifications between windows that keep no reference to each other (a tool window
// tells the home screen it closes; the name prompt announces a new profile).
//
// Observers are called synchronously, on the thread that posts, in the order they were
// added. An observer may add or remove observers (itself included) while it is called; one
// removed during a post is not called afterwards in that post.
#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

struct Notification {
    QString name;
    const void* object = nullptr; // the sender, compared by identity only
    QVariantMap userInfo;
};

class NotificationCenter {
public:
    using Token = std::uint64_t; // 0 is never a valid token
    using Callback = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    // Observes `name` (empty = every name) from `object` (null = any sender). With an owner,
    // the observer is removed when the owner is destroyed. Returns the token for removal.
    Token addObserver(const QString& name, const void* object, Callback callback, QObject* owner = nullptr);
    void removeObserver(Token token);
    void postNotificationName(const QString& name, const void* object = nullptr,
                              const QVariantMap& userInfo = {});

    // Number of observers registered (tests, diagnostics).
    std::size_t observerCount() const;

private:
    NotificationCenter() = default;
    struct Observer {
        QString name;
        const void* object = nullptr;
        std::shared_ptr<Callback> callback;
        QMetaObject::Connection ownerConnection;
    };
    mutable std::recursive_mutex mutex_;
    std::map<Token, Observer> observers_;
    Token nextToken_ = 1;
};
