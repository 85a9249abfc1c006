#include "Nodeloom/document/NodeFollowsSelectionRule.h"

#include "Nodeloom/document/ContainerConstraints.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Selection.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/items/DiagramNodeState.h"
#include "Nodeloom/items/AdjustmentHandle.h"

namespace nodeloom {

namespace {

// The item's document when the item is that document's selection object.
std::shared_ptr<Diagram> diagramOfSelection(const std::shared_ptr<DiagramItem>& item) {
    if (dynamic_cast<const Selection*>(item.get()) == nullptr) return nullptr;
    std::shared_ptr<Diagram> diagram = item->diagram();
    if (!diagram || diagram->selection() != item) return nullptr;
    return diagram;
}

const DiagramItemState* stateOf(const DependencyRule::StateMap& states,
                                const std::shared_ptr<DiagramItem>& item) {
    const auto it = states.find(item);
    return it == states.end() ? nullptr : it->second.get();
}

}  // namespace

DependencyRule::ItemList NodeFollowsSelectionRule::dependents(
    const std::shared_ptr<DiagramItem>& item) {
    const std::shared_ptr<Diagram> diagram = diagramOfSelection(item);
    if (!diagram) return {};
    const auto nodes = diagram->selectedNodes();
    return ItemList(nodes.begin(), nodes.end());
}

DependencyRule::ItemList NodeFollowsSelectionRule::masters(
    const std::shared_ptr<DiagramItem>& item) {
    if (!item) return {};
    const std::shared_ptr<Diagram> diagram = item->diagram();
    if (!diagram) return {};
    return {diagram->selection()};
}

bool NodeFollowsSelectionRule::isDependent(const std::shared_ptr<DiagramItem>& item) {
    return item && item->selected() && dynamic_cast<const DiagramNode*>(item.get()) != nullptr;
}

void NodeFollowsSelectionRule::updateDependent(const std::shared_ptr<DiagramItem>& item,
                                               const StateMap& originalStates,
                                               DragState* ist) {
    const auto node = std::dynamic_pointer_cast<DiagramNode>(item);
    if (!node || ist == nullptr) return;
    const std::shared_ptr<Diagram> diagram = node->diagram();
    if (!diagram || stateOf(originalStates, diagram->selection()) == nullptr) return;
    // Held here: the controller may be given another handle while the rules run.
    const std::shared_ptr<AdjustmentHandle> handleRef = ist->adjustmentHandle();
    auto* handle = dynamic_cast<NodeAdjustmentHandle*>(handleRef.get());
    if (handle == nullptr) return;

    const DiagramItemState* saved = stateOf(originalStates, item);
    if (handle->nodeHandleType() == NodeHandleType::rotate) {
        if (!ist->angleDelta()) ist->setAngleDelta(0.0);
        if (const auto* s = dynamic_cast<const DiagramNodeState*>(saved))
            node->setRotationAngle(*ist->angleDelta() + s->rotationAngle());
        return;
    }
    if (saved == nullptr) return;

    const Rect r0 = saved->bounds();
    const bool move = handle->nodeHandleType() == NodeHandleType::move;
    const Point p = move ? ist->currentPoint() : diagram->alignPointToGrid(ist->currentPoint());
    Rect r = handle->updateBounds(r0, ist->startPoint(), p);
    if (move) {
        const Point corner = diagram->alignPointToGrid(Point(r.x, r.y));
        r.x = corner.x;
        r.y = corner.y;
    }
    node->updateFlipOnResize(r0, r, *handle, *ist);
    if (r.width < 0) {
        r.x += r.width;
        r.width = -r.width;
    }
    if (r.height < 0) {
        r.y += r.height;
        r.height = -r.height;
    }
    node->_setBounds(r);
    ContainerConstraints::applyTo(node, ist);
    if (const std::shared_ptr<Attachment> attachment = node->attachment())
        attachment->updateOffsets();
}

}  // namespace nodeloom
