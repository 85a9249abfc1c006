#pragma once

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

#include "Nodeloom/foundation/Object.h"

namespace nodeloom {

// One kind of occurrence that the document reports: an ordered list of handlers, called
// synchronously in order with the sender (the document) and the argument object. A raiser that
// lets handlers veto reads the argument object back after the call.
//
// Handlers are never removed one by one, so that every index handed out by add() stays valid; a
// subscriber that wants to stop replaces its own entry by a handler that does nothing.
template <typename Args>
class Event {
public:
    using Handler = std::function<void(Object& sender, Args& args)>;

    // Appends the handler and answers its index.
    int add(Handler handler) {
        handlers_.push_back(std::move(handler));
        return static_cast<int>(handlers_.size()) - 1;
    }
    int operator+=(Handler handler) { return add(std::move(handler)); }

    // Works on the list of the moment the raise began: a handler that subscribes during the raise
    // is not called by it, and one that edits the list cannot disturb the loop.
    void raise(Object& sender, Args& args) const {
        const std::vector<Handler> current = handlers_;
        for (const Handler& handler : current) {
            if (handler) handler(sender, args);
        }
    }

    // The library's own access to the list (replacing an entry, emptying it wholesale).
    std::vector<Handler>& handlers() { return handlers_; }
    const std::vector<Handler>& handlers() const { return handlers_; }

private:
    std::vector<Handler> handlers_;
};

}  // namespace nodeloom
