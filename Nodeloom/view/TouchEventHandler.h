#pragma once

#include <memory>
#include <utility>

#include "Nodeloom/platform/Touch.h"

namespace nodeloom {

class DiagramView;
class TouchInputDispatcher;

namespace platform {
class TouchEvent;
}

// Turns the touch sets a view reports through its hooks into one dispatcher call per finger,
// with the finger's position in the view, after telling the dispatcher how many touches the
// callback holds.
//
// The view owns the handler and the dispatcher, so the handler refers to the view weakly, and the
// hooks it installs on the view refer to the handler weakly: a hook called after the view or the
// handler is gone does nothing.
class TouchEventHandler : public std::enable_shared_from_this<TouchEventHandler> {
public:
    TouchEventHandler() = default;
    TouchEventHandler(const TouchEventHandler&) = delete;
    TouchEventHandler& operator=(const TouchEventHandler&) = delete;

    // Installs a handler on each of the view's touch hooks.
    void attachHandlers(const std::shared_ptr<DiagramView>& diagramView,
                        const std::shared_ptr<TouchInputDispatcher>& inputDispatcher);
    // Clears the view's touch hooks.
    void detachHandlers();

    // Every touch that went down on the view goes down.
    void handleTouchesBegan(const platform::TouchSet& touches, const platform::TouchEvent& event);
    // Moves of one or two touches pass on; a single touch moving on the long-press path does
    // not, and any other number of touches is ignored, the count included.
    void handleTouchesMoved(const platform::TouchSet& touches, const platform::TouchEvent& event);
    // Every touch of the event is released, also those still down.
    void handleTouchesEnded(const platform::TouchEvent& event);
    // The system broke the touches off.
    void handleTouchesCancelled(const platform::TouchSet& touches,
                                const platform::TouchEvent& event);
    // Only for a long-press event.
    void handleLongPress(const platform::TouchSet& touches, const platform::TouchEvent& event);
    // The first touch of the set.
    void handleDoubleTap(const platform::TouchSet& touches, const platform::TouchEvent& event);

    std::shared_ptr<DiagramView> diagramView() const { return diagramView_.lock(); }
    void setDiagramView(const std::shared_ptr<DiagramView>& view) { diagramView_ = view; }
    const std::shared_ptr<TouchInputDispatcher>& inputDispatcher() const {
        return inputDispatcher_;
    }
    void setInputDispatcher(std::shared_ptr<TouchInputDispatcher> dispatcher) {
        inputDispatcher_ = std::move(dispatcher);
    }

private:
    std::weak_ptr<DiagramView> diagramView_;
    std::shared_ptr<TouchInputDispatcher> inputDispatcher_;
};

}  // namespace nodeloom
