#include "Nodeloom/view/ModifySelectionController.h"

#include <cmath>
#include <numbers>
#include <utility>

#include "Nodeloom/document/ContainerConstraints.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/DiagramMediator.h"
#include "Nodeloom/document/LinkEventArgs.h"
#include "Nodeloom/document/NodeEventArgs.h"
#include "Nodeloom/document/Selection.h"
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/items/DiagramNodeState.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/view/ModifyNodeController.h"

namespace nodeloom {

namespace {

std::shared_ptr<DiagramItem> selectionOf(const std::shared_ptr<Diagram>& diagram) {
    return diagram ? diagram->selection() : nullptr;
}

// The screen angle of p around c in degrees, counter-clockwise with y growing downwards.
double polarAngle(Point c, Point p) {
    if (p.x == c.x && p.y == c.y) return 0;
    double angle = std::atan(-(p.y - c.y) / (p.x - c.x)) * 180 / std::numbers::pi;
    if (p.x < c.x) angle += 180;
    return angle;
}

}  // namespace

ModifySelectionController::ModifySelectionController(const std::shared_ptr<Diagram>& diagram,
                                                     std::shared_ptr<AdjustmentHandle> handle)
    : ModifyController(diagram, selectionOf(diagram), std::move(handle)) {
    if (diagram) selection_ = diagram->selectedItems();
}

ModifySelectionController::~ModifySelectionController() {
    // Let go of mid-drag: ended as a cancel ends it, the rules' record of the drag included.
    abandonNodeDrag();
}

Rect ModifySelectionController::getSelectedObstaclesRect() const {
    std::optional<Rect> result;
    for (const auto& item : selection_) {
        const auto node = std::dynamic_pointer_cast<DiagramNode>(item);
        if (!node || !node->obstacle()) continue;
        Rect r = node->getBoundingRect();
        double margin = node->getEffectiveStrokeThickness();
        if (const std::shared_ptr<Diagram> d = node->diagram())
            margin += d->adjustmentHandlesSize();
        r.inflate(margin, margin);
        result = Rect::union_(result, r);
    }
    return result.value_or(Rect());
}

void ModifySelectionController::startDrag(Point point) {
    ModifyController::startDrag(point);
    oldPoint_ = diagram() ? diagram()->alignPointToGrid(point) : point;
    oldBounds_ = getSelectedObstaclesRect();
}

void ModifySelectionController::continueDrag(Point point) {
    setCurrentPoint(point);
    const std::shared_ptr<Diagram>& d = diagram();
    if (!d) return;
    const Point a = d->alignPointToGrid(point);
    const std::shared_ptr<AdjustmentHandle> handleRef = adjustmentHandle();
    const auto* handle = dynamic_cast<const NodeAdjustmentHandle*>(handleRef.get());
    if (handle == nullptr) return;
    if (handle->nodeHandleType() == NodeHandleType::rotate) {
        const auto node = std::dynamic_pointer_cast<DiagramNode>(handle->item());
        const auto it = node ? originalStates().find(node) : originalStates().end();
        const auto* state = it != originalStates().end()
                                ? dynamic_cast<const DiagramNodeState*>(it->second.get())
                                : nullptr;
        if (state != nullptr)
            setAngleDelta(90 - polarAngle(node->bounds().center(), a) - state->rotationAngle());
    }
    mediator()->updateDependents();
}

void ModifySelectionController::endDrag(Point point) {
    const std::shared_ptr<AdjustmentHandle> handleRef = adjustmentHandle();
    const auto* handle = dynamic_cast<const NodeAdjustmentHandle*>(handleRef.get());
    const std::shared_ptr<Diagram> d = diagram();
    if (handle != nullptr && d) {
        const NodeHandleType type = handle->nodeHandleType();
        const std::vector<std::shared_ptr<DiagramNode>> nodes = d->selectedNodes();
        notifyParentContainers(nodes, type);
        if (type == NodeHandleType::move) dropIntoContainer(*d, nodes, point);
        d->rerouteLinks({oldBounds_.value_or(Rect()), getSelectedObstaclesRect()});
        for (const auto& item : selection_) {
            if (const auto node = std::dynamic_pointer_cast<DiagramNode>(item)) {
                const std::shared_ptr<Diagram> owner = node->diagram();
                if (!owner) continue;
                NodeEventArgs args(node, Point(0, 0), NodeHandleType::none);
                owner->nodeModified().raise(*owner, args);
            } else if (const auto link = std::dynamic_pointer_cast<DiagramLink>(item)) {
                const std::shared_ptr<Diagram> owner = link->diagram();
                if (!owner) continue;
                LinkEventArgs args(link, Point(0, 0), -1);
                owner->linkModified().raise(*owner, args);
            }
        }
    }
    // Closed even when the drag had no node handle, so later records are not swallowed.
    ModifyController::endDrag(point);
    ContainerConstraints::dragEnded();
}

void ModifySelectionController::onCancel(Point point, Point positionB) {
    ModifyController::onCancel(point, positionB);
    ContainerConstraints::dragEnded();
}

}  // namespace nodeloom
