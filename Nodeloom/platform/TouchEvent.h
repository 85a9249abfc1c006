#pragma once

#include <optional>
#include <utility>

#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/platform/Touch.h"

namespace nodeloom::platform {

// The event of a touch callback. A window hands the same live event to every callback; its
// allTouches are the fingers down plus those ending in the current call, and the ending ones
// leave it once the call is over. An event made by other code may carry no touches at all.
// Derivable, so that a caller can pass an event of its own kind through the same callbacks.
class TouchEvent : public Object {
public:
    TouchEvent() = default;
    explicit TouchEvent(std::optional<TouchSet> allTouches);
    ~TouchEvent() override;
    TouchEvent(const TouchEvent&) = delete;
    TouchEvent& operator=(const TouchEvent&) = delete;

    const std::optional<TouchSet>& allTouches() const { return allTouches_; }
    void setAllTouches(std::optional<TouchSet> touches) { allTouches_ = std::move(touches); }

private:
    std::optional<TouchSet> allTouches_;
};

}  // namespace nodeloom::platform
