#include "Nodeloom/view/TouchInputDispatcher.h"

#include <algorithm>

#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/view/DiagramView.h"
#include "Nodeloom/view/TouchInputController.h"

namespace nodeloom {

// --- TouchItem ---------------------------------------------------------------------------------

TouchInputDispatcher::TouchItem::TouchItem(const std::shared_ptr<DiagramView>& view,
                                           std::shared_ptr<DiagramItem> item)
    : diagramView_(view), item_(std::move(item)) {}

TouchInputDispatcher::TouchItem::~TouchItem() = default;

std::shared_ptr<TouchInputDispatcher::TouchInfo> TouchInputDispatcher::TouchItem::find(
    const TouchPtr& touch) const {
    for (const auto& info : touches_) {
        if (info && info->id() == touch) return info;
    }
    return nullptr;
}

void TouchInputDispatcher::TouchItem::addTouch(const TouchPtr& touch, Point position) {
    touches_.push_back(std::make_shared<TouchInfo>(touch, position, position));
}

bool TouchInputDispatcher::TouchItem::controllerPoints(Point& a, Point& b) const {
    const std::shared_ptr<DiagramView> view = diagramView_.lock();
    if (!view || touches_.empty() || !touches_[0]) return false;
    a = view->clientToDoc(touches_[0]->currentPoint());
    b = touches_.size() >= 2 && touches_[1] ? view->clientToDoc(touches_[1]->currentPoint())
                                            : Point(0, 0);
    return true;
}

std::shared_ptr<TouchInputDispatcher::TouchInfo> TouchInputDispatcher::TouchItem::moveFinger(
    const TouchPtr& touch, Point position, void (TouchInputController::*notify)(Point, Point)) {
    std::shared_ptr<TouchInfo> info = find(touch);
    if (!info) return nullptr;
    info->setCurrentPoint(position);
    // The controller may end this interaction: both stay alive until the call returns.
    const std::shared_ptr<TouchItem> self = weak_from_this().lock();
    const std::shared_ptr<TouchInputController> controller = controller_;
    Point a, b;
    if (controller && controllerPoints(a, b)) ((*controller).*notify)(a, b);
    return info;
}

void TouchInputDispatcher::TouchItem::touchMoved(const TouchPtr& touch, Point position) {
    moveFinger(touch, position, &TouchInputController::onTouchMove);
}

void TouchInputDispatcher::TouchItem::startController() {
    const std::shared_ptr<DiagramView> view = diagramView_.lock();
    const std::shared_ptr<TouchInputController> controller = controller_;
    if (!view || !controller || touches_.size() < 2 || !touches_[0] || !touches_[1]) return;
    const std::shared_ptr<TouchItem> self = weak_from_this().lock();
    controller->onTouchDown(view->clientToDoc(touches_[0]->startPoint()),
                            view->clientToDoc(touches_[1]->startPoint()));
}

void TouchInputDispatcher::TouchItem::touchEnded(const TouchPtr& touch, Point position) {
    const std::shared_ptr<TouchItem> self = weak_from_this().lock();
    const std::shared_ptr<TouchInfo> info =
        moveFinger(touch, position, &TouchInputController::onTouchUp);
    const auto it = std::find(touches_.begin(), touches_.end(), info);
    if (info && it != touches_.end()) touches_.erase(it);
}

// --- Dispatcher --------------------------------------------------------------------------------

TouchInputDispatcher::TouchInputDispatcher() = default;

TouchInputDispatcher::~TouchInputDispatcher() = default;

std::shared_ptr<DiagramItem> TouchInputDispatcher::hitTestItem(Point) {
    return nullptr;
}

void TouchInputDispatcher::onDoubleTap(const TouchPtr&, Point) {}
void TouchInputDispatcher::onLongPress(const TouchPtr&, Point) {}
void TouchInputDispatcher::onTouchDown(const TouchPtr&, Point) {}
void TouchInputDispatcher::onTouchMove(const TouchPtr&, Point) {}
void TouchInputDispatcher::onTouchUp(const TouchPtr&, Point) {}
void TouchInputDispatcher::onTouchCancel(const TouchPtr&, Point) {}

std::shared_ptr<TouchInputController> TouchInputDispatcher::createController(const TouchPtr&) {
    return nullptr;
}

}  // namespace nodeloom
