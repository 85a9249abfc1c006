#include "Nodeloom/view/TouchEventHandler.h"

#include "Nodeloom/platform/TouchEvent.h"
#include "Nodeloom/view/DiagramView.h"
#include "Nodeloom/view/LongPressEvent.h"
#include "Nodeloom/view/TouchInputDispatcher.h"

namespace nodeloom {

namespace {

using DispatcherCall = void (TouchInputDispatcher::*)(const TouchInputDispatcher::TouchPtr&, Point);

// One dispatcher call per touch of the set, in the set's order, with its position in the view.
void forEachTouch(const platform::TouchSet& touches, const DiagramView& view,
                  TouchInputDispatcher& dispatcher, DispatcherCall call) {
    // A copy: the dispatcher may run code that changes the caller's set.
    const platform::TouchSet set = touches;
    for (const auto& touch : set) {
        if (touch) (dispatcher.*call)(touch, touch->locationIn(view));
    }
}

int countOf(const platform::TouchSet& touches) {
    return static_cast<int>(touches.size());
}

}  // namespace

void TouchEventHandler::attachHandlers(
    const std::shared_ptr<DiagramView>& diagramView,
    const std::shared_ptr<TouchInputDispatcher>& inputDispatcher) {
    diagramView_ = diagramView;
    inputDispatcher_ = inputDispatcher;
    if (inputDispatcher) inputDispatcher->setDiagramView(diagramView);
    if (!diagramView) return;
    const std::weak_ptr<TouchEventHandler> weak = weak_from_this();
    using Event = std::shared_ptr<platform::TouchEvent>;
    const auto hook = [weak](void (TouchEventHandler::*handle)(const platform::TouchSet&,
                                                               const platform::TouchEvent&)) {
        return [weak, handle](const platform::TouchSet& touches, const Event& event) {
            const std::shared_ptr<TouchEventHandler> self = weak.lock();
            if (self && event) ((*self).*handle)(touches, *event);
        };
    };
    diagramView->setOnTouchesBegan(hook(&TouchEventHandler::handleTouchesBegan));
    diagramView->setOnTouchesMoved(hook(&TouchEventHandler::handleTouchesMoved));
    diagramView->setOnTouchesEnded([weak](const platform::TouchSet&, const Event& event) {
        const std::shared_ptr<TouchEventHandler> self = weak.lock();
        if (self && event) self->handleTouchesEnded(*event);
    });
    diagramView->setOnTouchesCancelled(hook(&TouchEventHandler::handleTouchesCancelled));
    diagramView->setOnLongPress(hook(&TouchEventHandler::handleLongPress));
    diagramView->setOnDoubleTap(hook(&TouchEventHandler::handleDoubleTap));
}

void TouchEventHandler::detachHandlers() {
    const std::shared_ptr<DiagramView> view = diagramView_.lock();
    if (!view) return;
    view->setOnTouchesBegan(nullptr);
    view->setOnTouchesMoved(nullptr);
    view->setOnTouchesEnded(nullptr);
    view->setOnTouchesCancelled(nullptr);
    view->setOnLongPress(nullptr);
    view->setOnDoubleTap(nullptr);
}

void TouchEventHandler::handleTouchesBegan(const platform::TouchSet& touches,
                                           const platform::TouchEvent&) {
    const std::shared_ptr<DiagramView> view = diagramView_.lock();
    const std::shared_ptr<TouchInputDispatcher> dispatcher = inputDispatcher_;
    if (!view || !dispatcher) return;
    // The window's every finger comes along; those that went down on another view (a palette
    // beside this one) are not this view's and do not count.
    platform::TouchSet own;
    int down = 0;
    for (const auto& touch : touches) {
        if (!TouchInputDispatcher::beganInView(touch, *view)) continue;
        own.push_back(touch);
        // A finger lifted during the second-finger wait comes along to make its tap; it takes
        // no part in what the fingers still down do.
        if (!touch || touch->phase() != platform::TouchPhase::ended) ++down;
    }
    dispatcher->setTouchesCount(down);
    forEachTouch(own, *view, *dispatcher, &TouchInputDispatcher::onTouchDown);
}

void TouchEventHandler::handleTouchesMoved(const platform::TouchSet& touches,
                                           const platform::TouchEvent& event) {
    const std::shared_ptr<DiagramView> view = diagramView_.lock();
    const std::shared_ptr<TouchInputDispatcher> dispatcher = inputDispatcher_;
    if (!view || !dispatcher) return;
    const int count = countOf(touches);
    if (count != 1 && count != 2) return;
    dispatcher->setTouchesCount(count);
    if (count == 1 && dynamic_cast<const LongPressEvent*>(&event) != nullptr) return;
    forEachTouch(touches, *view, *dispatcher, &TouchInputDispatcher::onTouchMove);
}

void TouchEventHandler::handleTouchesEnded(const platform::TouchEvent& event) {
    const std::shared_ptr<DiagramView> view = diagramView_.lock();
    const std::shared_ptr<TouchInputDispatcher> dispatcher = inputDispatcher_;
    if (!view || !dispatcher) return;
    dispatcher->setTouchesCount(0);
    if (const auto& all = event.allTouches())
        forEachTouch(*all, *view, *dispatcher, &TouchInputDispatcher::onTouchUp);
}

void TouchEventHandler::handleTouchesCancelled(const platform::TouchSet& touches,
                                               const platform::TouchEvent&) {
    const std::shared_ptr<DiagramView> view = diagramView_.lock();
    const std::shared_ptr<TouchInputDispatcher> dispatcher = inputDispatcher_;
    if (!view || !dispatcher) return;
    dispatcher->setTouchesCount(0);
    forEachTouch(touches, *view, *dispatcher, &TouchInputDispatcher::onTouchCancel);
}

void TouchEventHandler::handleLongPress(const platform::TouchSet& touches,
                                        const platform::TouchEvent& event) {
    const std::shared_ptr<DiagramView> view = diagramView_.lock();
    const std::shared_ptr<TouchInputDispatcher> dispatcher = inputDispatcher_;
    if (!view || !dispatcher || dynamic_cast<const LongPressEvent*>(&event) == nullptr) return;
    forEachTouch(touches, *view, *dispatcher, &TouchInputDispatcher::onLongPress);
}

void TouchEventHandler::handleDoubleTap(const platform::TouchSet& touches,
                                        const platform::TouchEvent&) {
    const std::shared_ptr<DiagramView> view = diagramView_.lock();
    const std::shared_ptr<TouchInputDispatcher> dispatcher = inputDispatcher_;
    if (!view || !dispatcher) return;
    for (const auto& touch : touches) {
        if (!touch) continue;
        dispatcher->onDoubleTap(touch, touch->locationIn(*view));
        return;
    }
}

}  // namespace nodeloom
