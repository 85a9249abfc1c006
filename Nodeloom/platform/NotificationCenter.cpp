#include "Nodeloom/platform/NotificationCenter.h"

#include <utility>

namespace nodeloom::platform {

NotificationCenter& NotificationCenter::defaultCenter() {
    // Never destroyed: observers' owners may still remove themselves during exit.
    static auto* center = new NotificationCenter();
    return *center;
}

void NotificationCenter::addObserver(const std::weak_ptr<const void>& owner, std::string name,
                                     Handler handler) {
    const auto alive = owner.lock();
    if (!alive || !handler) return;
    prune();
    observers_.push_back(Observer{alive.get(), owner, std::move(name),
                                  std::make_shared<const Handler>(std::move(handler)),
                                  std::make_shared<bool>(true)});
}

void NotificationCenter::removeObserver(const void* owner) {
    std::erase_if(observers_, [owner](const Observer& o) {
        if (o.key != owner) return false;
        *o.active = false;
        return true;
    });
}

void NotificationCenter::removeObserver(const void* owner, std::string_view name) {
    std::erase_if(observers_, [owner, name](const Observer& o) {
        if (o.key != owner || o.name != name) return false;
        *o.active = false;
        return true;
    });
}

void NotificationCenter::post(const Notification& notification) {
    prune();
    std::vector<Observer> called;
    for (const auto& observer : observers_) {
        if (observer.name == notification.name) called.push_back(observer);
    }
    for (const auto& observer : called) {
        if (!*observer.active) continue;
        const auto owner = observer.owner.lock();
        if (owner) (*observer.handler)(notification);
    }
}

void NotificationCenter::post(std::string name, std::map<std::string, std::any> userInfo) {
    post(Notification{std::move(name), std::move(userInfo)});
}

void NotificationCenter::prune() {
    std::erase_if(observers_, [](const Observer& o) { return o.owner.expired(); });
}

}  // namespace nodeloom::platform
