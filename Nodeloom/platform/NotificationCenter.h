#pragma once

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nodeloom::platform {

// A named message with values under string keys.
struct Notification {
    std::string name;
    std::map<std::string, std::any> userInfo;

    // The value under the key when it is there and of the type asked for, else null.
    template <class T>
    const T* value(const std::string& key) const {
        const auto it = userInfo.find(key);
        return it == userInfo.end() ? nullptr : std::any_cast<T>(&it->second);
    }
};

// Delivers notifications by name, synchronously and in the order the observers were added. An
// observer belongs to an owner that the centre refers to weakly: once the owner is gone the
// observer is never called again, and an owner can take all its observers out by address (also
// from its destructor).
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    // Posted when the keyboard is about to show; its begin frame, a Rect in window coordinates,
    // is under keyboardFrameBeginUserInfoKey.
    static constexpr const char* keyboardWillShowNotification = "KeyboardWillShowNotification";
    static constexpr const char* keyboardFrameBeginUserInfoKey = "KeyboardFrameBeginUserInfoKey";

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // The process-wide centre.
    static NotificationCenter& defaultCenter();

    // An owner that is already gone, or a handler that is empty, adds nothing.
    void addObserver(const std::weak_ptr<const void>& owner, std::string name, Handler handler);
    void removeObserver(const void* owner);
    void removeObserver(const void* owner, std::string_view name);

    // Observers added or removed by a handler take effect at once: one removed is not called
    // later in the same post, one added is called from the next post on. The owner is kept alive
    // while its handler runs.
    void post(const Notification& notification);
    void post(std::string name, std::map<std::string, std::any> userInfo = {});

private:
    struct Observer {
        const void* key;
        std::weak_ptr<const void> owner;
        std::string name;
        std::shared_ptr<const Handler> handler;
        // Cleared on removal, so that a post under way skips the observer.
        std::shared_ptr<bool> active;
    };

    void prune();

    std::vector<Observer> observers_;
};

}  // namespace nodeloom::platform
