#include "Nodeloom/view/TouchInputDispatcher.h"

#include <algorithm>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/DiagramEventArgs.h"
#include "Nodeloom/document/LinkEventArgs.h"
#include "Nodeloom/document/NodeEventArgs.h"
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/items/Manipulator.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/view/DiagramView.h"
#include "Nodeloom/view/ManipulatorController.h"
#include "Nodeloom/view/PanOrZoomController.h"
#include "Nodeloom/view/RadialMenu.h"
#include "Nodeloom/view/RadialMenuController.h"
#include "Nodeloom/view/TouchInputController.h"

namespace nodeloom {

namespace {

// The menu is a direct subview of the diagram view, so a view point reaches the menu's own
// coordinates through the menu's frame.
Point inMenu(const RadialMenuController& controller, Point position) {
    const std::shared_ptr<RadialMenu>& menu = controller.menu();
    if (!menu) return position;
    const Rect frame = menu->frame();
    const Rect bounds = menu->bounds();
    return Point(position.x - frame.x + bounds.x, position.y - frame.y + bounds.y);
}

// A finger must move farther than this, in view points, before its drag starts.
constexpr double dragThreshold = 5.0;
// The reach of the tap's and the touch-down's item search, in document units.
constexpr double hitThreshold = 2.0;

}  // namespace

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
    // The radial menu follows the finger in its own coordinates, not the document's.
    if (auto radial = std::dynamic_pointer_cast<RadialMenuController>(controller)) {
        const Point p = inMenu(*radial, position);
        if (notify == &TouchInputController::onTouchUp) {
            radial->endDrag(p);
        } else {
            radial->continueDrag(p);
        }
        return info;
    }
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

bool TouchInputDispatcher::beganInView(const TouchPtr& touch, const DiagramView& view) {
    if (!touch) return true;
    const std::shared_ptr<platform::View> origin = touch->view();
    return !origin || origin.get() == &view || origin->isDescendantOf(view);
}

std::shared_ptr<TouchInputDispatcher::TouchItem> TouchInputDispatcher::holderOf(
    const TouchPtr& touch) const {
    for (const auto& interaction : manipulators_) {
        if (interaction && interaction->find(touch)) return interaction;
    }
    return nullptr;
}

std::shared_ptr<DiagramItem> TouchInputDispatcher::hitTestItem(Point point) {
    const std::shared_ptr<DiagramView> view = diagramView();
    const std::shared_ptr<Diagram> diagram = view ? view->diagram() : nullptr;
    if (!diagram) return nullptr;
    // A handle of a selected item wins over whatever lies on top of it.
    for (const auto& item : diagram->selectedItems()) {
        if (item && item->hitTestHandle(point)) return item;
    }
    return diagram->getItemAt(point, true, hitThreshold);
}

void TouchInputDispatcher::onTouchDown(const TouchPtr& touch, Point position) {
    const std::shared_ptr<DiagramView> view = diagramView();
    if (!view || !beganInView(touch, *view)) return;
    pointerPosition_ = view->clientToDoc(position);
    const std::shared_ptr<DiagramItem> item = hitTestItem(pointerPosition_);
    pointedItem_ = item;
    if (touch && (touch->phase() == platform::TouchPhase::ended ||
                  touch->phase() == platform::TouchPhase::cancelled)) {
        // The finger was lifted during the second-finger wait, and its release found nothing
        // to end. Recorded now, it would stay in the list and take the next finger's drag; so
        // a lifted finger makes its whole tap here, and a cancelled one nothing.
        if (touch->phase() == platform::TouchPhase::ended) tap(*view, item, position);
        view->setNeedsDisplay();
        return;
    }
    // A finger already recorded, delivered again with a later finger, is not listed twice.
    if (holderOf(touch)) {
        view->setNeedsDisplay();
        return;
    }
    if (touchesCount_ < 2 && item) {
        std::shared_ptr<TouchItem> same;
        for (const auto& interaction : manipulators_) {
            if (interaction && interaction->item() == item) {
                same = interaction;
                break;
            }
        }
        if (same && (same->touches().size() >= 2 || same->controller())) return;
        if (same) {
            same->addTouch(touch, position);
        } else {
            auto interaction = std::make_shared<TouchItem>(view, item);
            interaction->addTouch(touch, position);
            manipulators_.push_back(std::move(interaction));
        }
    } else {
        std::shared_ptr<TouchItem> open;
        for (const auto& interaction : manipulators_) {
            if (interaction && !interaction->controller()) {
                open = interaction;
                break;
            }
        }
        if (open) {
            if (open->touches().size() < 2) open->addTouch(touch, position);
        } else {
            auto interaction = std::make_shared<TouchItem>(view, item);
            interaction->addTouch(touch, position);
            manipulators_.push_back(std::move(interaction));
        }
    }
    view->setNeedsDisplay();
}

void TouchInputDispatcher::onTouchMove(const TouchPtr& touch, Point position) {
    const std::shared_ptr<DiagramView> view = diagramView();
    pointedItem_ = nullptr;
    if (!view) return;
    pointerPosition_ = view->clientToDoc(position);
    const std::shared_ptr<TouchItem> interaction = holderOf(touch);
    if (!interaction) {
        view->setNeedsDisplay();
        return;
    }
    if (!interaction->controller()) {
        const std::shared_ptr<TouchInfo> info = interaction->find(touch);
        const bool started = info->startPoint().distance(position) > dragThreshold &&
                             controllersCount_ < maxControllers_ && touchesCount_ > 0;
        if (started) {
            ++controllersCount_;
            counted_.push_back(interaction);
            if (touchesCount_ == 1) {
                // Counted also when no selector serves: the drag stays a tap.
                std::shared_ptr<TouchInputController> controller = createController(touch);
                interaction->setController(controller);
                if (controller) controller->onTouchDown(view->clientToDoc(info->startPoint()),
                                                        Point(0, 0));
            } else {
                interaction->setController(std::make_shared<PanOrZoomController>(view));
                interaction->startController();
            }
        }
    }
    interaction->touchMoved(touch, position);
    view->setNeedsDisplay();
}

std::shared_ptr<TouchInputController> TouchInputDispatcher::createController(
    const TouchPtr& touch) {
    const std::shared_ptr<DiagramView> view = diagramView();
    const std::shared_ptr<TouchItem> interaction = holderOf(touch);
    if (!view || !interaction) return nullptr;
    const Point start = view->clientToDoc(interaction->find(touch)->startPoint());
    TouchInputState state;
    state.setPointerPosition(start);
    state.setPointedItem(interaction->item());
    const std::shared_ptr<Diagram> diagram = view->diagram();
    if (diagram) {
        const std::shared_ptr<Manipulator> manipulator = diagram->hitTestManipulator(start);
        if (manipulator && manipulator->needsDragEvents(start))
            return std::make_shared<ManipulatorController>(manipulator);
    }
    const std::shared_ptr<DiagramItem>& item = interaction->item();
    if (item && item->selected()) {
        if (auto link = std::dynamic_pointer_cast<DiagramLink>(item)) {
            state.setPointedHandle(getLinkHandleAt(link, link->controlPoints(), start));
        } else if (auto node = std::dynamic_pointer_cast<DiagramNode>(item)) {
            const double tolerance =
                diagram ? diagram->adjustmentHandlesSize() * 0.5 + diagram->threshold() : 0;
            state.setPointedHandle(getNodeHandleAt(node, node->bounds(), start, tolerance));
        }
    }
    // A copy: a selector may change the behaviour, and with it this list.
    const std::vector<ControllerSelector> selectors = controllerSelectors_;
    for (const auto& selector : selectors) {
        if (!selector) continue;
        if (std::shared_ptr<TouchInputController> controller = selector(state)) return controller;
    }
    return nullptr;
}

void TouchInputDispatcher::onTouchUp(const TouchPtr& touch, Point position) {
    const std::shared_ptr<DiagramView> view = diagramView();
    // A finger of another view is not ours from its touch-down to its release.
    if (view && !beganInView(touch, *view)) return;
    const std::shared_ptr<TouchItem> interaction = holderOf(touch);
    if (interaction) {
        interaction->touchEnded(touch, position);
        if (interaction->touches().empty()) std::erase(manipulators_, interaction);
        if (const std::shared_ptr<TouchInputController> controller = interaction->controller()) {
            if (static_cast<int>(interaction->touches().size()) < controller->pointerCount())
                interaction->setController(nullptr);
        } else if (view) {
            tap(*view, interaction->item(), position);
        }
    }
    // No interaction outlives a release. The others' fingers are released in the same callback
    // but would no longer be found, so their drags end here, where they are: recorded, with
    // their events, rather than left open.
    const std::vector<std::shared_ptr<TouchItem>> others = manipulators_;
    manipulators_.clear();
    for (const auto& other : others) {
        if (other && other != interaction) stopController(*other, false);
    }
    // Nothing is left running.
    controllersCount_ = 0;
    counted_.clear();
    if (view) view->setNeedsDisplay();
}

void TouchInputDispatcher::onTouchCancel(const TouchPtr& touch, Point position) {
    const std::shared_ptr<DiagramView> view = diagramView();
    if (view && !beganInView(touch, *view)) return;
    if (const std::shared_ptr<TouchItem> interaction = holderOf(touch)) {
        if (const std::shared_ptr<TouchInfo> info = interaction->find(touch))
            info->setCurrentPoint(position);
        forget(interaction);
        stopController(*interaction, true);
    }
    if (view) view->setNeedsDisplay();
}

void TouchInputDispatcher::cancelInteractions() {
    // Taken out first: a controller's cancel may run handlers that come back here.
    const std::vector<std::shared_ptr<TouchItem>> running = std::move(manipulators_);
    manipulators_.clear();
    counted_.clear();
    controllersCount_ = 0;
    pointedItem_.reset();
    for (const auto& interaction : running) {
        if (interaction) stopController(*interaction, true);
    }
}

void TouchInputDispatcher::forget(const std::shared_ptr<TouchItem>& interaction) {
    std::erase(manipulators_, interaction);
    // Counted once per request: an interaction no selector served asks again on later moves.
    const std::size_t requests = std::erase_if(
        counted_, [&](const std::weak_ptr<TouchItem>& weak) { return weak.lock() == interaction; });
    controllersCount_ = std::max(controllersCount_ - static_cast<int>(requests), 0);
}

void TouchInputDispatcher::stopController(TouchItem& interaction, bool cancel) {
    const std::shared_ptr<TouchInputController> controller = interaction.controller();
    if (!controller) return;
    interaction.setController(nullptr);
    Point a, b;
    interaction.controllerPoints(a, b);
    if (cancel || dynamic_cast<RadialMenuController*>(controller.get()) != nullptr)
        controller->onCancel(a, b);
    else
        controller->onTouchUp(a, b);
}

void TouchInputDispatcher::tap(DiagramView& view, const std::shared_ptr<DiagramItem>& item,
                               Point position) {
    const std::shared_ptr<Diagram> diagram = view.diagram();
    if (!diagram) return;
    const Point p = view.clientToDoc(position);
    const std::shared_ptr<DiagramItem> hit = diagram->getItemAt(p, true, hitThreshold);
    if (auto node = std::dynamic_pointer_cast<DiagramNode>(hit)) {
        NodeValidationEventArgs args(node, p, NodeHandleType::none);
        diagram->nodeClicked().raise(*diagram, args);
    } else if (auto link = std::dynamic_pointer_cast<DiagramLink>(hit)) {
        LinkValidationEventArgs args(link, p, -1);
        diagram->linkClicked().raise(*diagram, args);
    }
    if (const std::shared_ptr<Manipulator> manipulator = diagram->hitTestManipulator(p)) {
        manipulator->onClick(p);
        return;
    }
    if (!hit) {
        DiagramEventArgs args(p);
        diagram->clicked().raise(*diagram, args);
    }
    diagram->changeSelection(item);
}

void TouchInputDispatcher::onDoubleTap(const TouchPtr& touch, Point position) {
    const std::shared_ptr<DiagramView> view = diagramView();
    if (!view || !beganInView(touch, *view)) return;
    const std::shared_ptr<Diagram> diagram = view->diagram();
    pointerPosition_ = view->clientToDoc(position);
    const std::shared_ptr<DiagramItem> item = hitTestItem(pointerPosition_);
    if (!diagram) return;
    if (!item) {
        DiagramEventArgs args(pointerPosition_);
        diagram->doubleClicked().raise(*diagram, args);
        return;
    }
    if (auto node = std::dynamic_pointer_cast<DiagramNode>(item)) {
        NodeEventArgs args(node, pointerPosition_, NodeHandleType::none);
        diagram->nodeDoubleClicked().raise(*diagram, args);
    } else if (auto link = std::dynamic_pointer_cast<DiagramLink>(item)) {
        LinkEventArgs args(link, pointerPosition_, -1);
        diagram->linkDoubleClicked().raise(*diagram, args);
    }
    if (view->allowInplaceEdit()) view->beginEdit(item, pointerPosition_);
}

void TouchInputDispatcher::onLongPress(const TouchPtr& touch, Point position) {
    const std::shared_ptr<DiagramView> view = diagramView();
    if (!view || !beganInView(touch, *view)) return;
    pointerPosition_ = view->clientToDoc(position);
    std::shared_ptr<TouchItem> interaction = holderOf(touch);
    const bool held = interaction != nullptr;
    if (!held) {
        const std::shared_ptr<DiagramItem> item = hitTestItem(pointerPosition_);
        if (!item) return;
        for (const auto& candidate : manipulators_) {
            if (candidate && candidate->item() == item) {
                interaction = candidate;
                break;
            }
        }
        if (!interaction) return;
    }
    // A drag under way is broken off before the menu takes its finger: its items go back and
    // its undo step is given up, rather than left open with no release to close it.
    stopController(*interaction, true);
    auto menu = std::make_shared<RadialMenuController>(nullptr, view, Point(0, 0), nullptr);
    interaction->setController(menu);
    if (!held) interaction->addTouch(touch, position);
    menu->onTouchDown(position, Point(0, 0));
    interaction->touchMoved(touch, position);
}

}  // namespace nodeloom
