#include "platform/NotificationCenter.h"

#include <vector>

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter* center = new NotificationCenter();
    return *center;
}

NotificationCenter::Token NotificationCenter::addObserver(const QString& name, const void* object,
                                                          Callback callback, QObject* owner) {
    if (!callback)
        return 0;
    std::lock_guard lock(mutex_);
    const Token token = nextToken_++;
    Observer o{name, object, std::make_shared<Callback>(std::move(callback)), {}};
    if (owner)
        o.ownerConnection =
            QObject::connect(owner, &QObject::destroyed, [this, token] { removeObserver(token); });
    observers_.emplace(token, std::move(o));
    return token;
}

void NotificationCenter::removeObserver(Token token) {
    QMetaObject::Connection connection;
    {
        std::lock_guard lock(mutex_);
        auto it = observers_.find(token);
        if (it == observers_.end())
            return;
        connection = it->second.ownerConnection;
        observers_.erase(it);
    }
    if (connection)
        QObject::disconnect(connection);
}

void NotificationCenter::postNotificationName(const QString& name, const void* object,
                                              const QVariantMap& userInfo) {
    const Notification note{name, object, userInfo};
    std::vector<Token> matching;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [token, o] : observers_)
            if ((o.name.isEmpty() || o.name == name) && (!o.object || o.object == object))
                matching.push_back(token);
    }
    for (Token token : matching) {
        std::shared_ptr<Callback> callback;
        {
            std::lock_guard lock(mutex_);
            auto it = observers_.find(token);
            if (it == observers_.end())
                continue; // removed by an earlier observer of this post
            callback = it->second.callback;
        }
        (*callback)(note);
    }
}

std::size_t NotificationCenter::observerCount() const {
    std::lock_guard lock(mutex_);
    return observers_.size();
}
