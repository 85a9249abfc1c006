#include "Nodeloom/document/KeepInsideParentConstraintRule.h"

#include "Nodeloom/document/Constraints.h"
#include "Nodeloom/document/Selection.h"
#include "Nodeloom/items/DiagramItemState.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/DragState.h"

namespace nodeloom {

namespace {

// One axis of a resize: the edge opposite the dragged one stays where it was at the start of
// the drag (origin, extent), the dragged edge stops at the parent's. The node counts as flipped
// when its new far edge lies on the old near edge or the other way round.
void clampResize(double& pos, double& extent, double parentPos, double parentExtent,
                 double originPos, double originExtent) {
    const bool flipped = pos + extent == originPos || pos == originPos + originExtent;
    if (pos < parentPos) {
        const double far = flipped ? originPos : originPos + originExtent;
        pos = parentPos;
        extent = far - parentPos;
    } else if (pos + extent > parentPos + parentExtent) {
        pos = flipped ? originPos + originExtent : originPos;
        extent = parentPos + parentExtent - pos;
    }
}

// One axis of a move: pushed back inside with the extent kept, the near edge tested first.
double clampMove(double pos, double extent, double parentPos, double parentExtent) {
    if (pos < parentPos) return parentPos;
    if (pos + extent > parentPos + parentExtent) return parentPos + parentExtent - extent;
    return pos;
}

}  // namespace

bool KeepInsideParentConstraintRule::isRuleAppliable(const std::shared_ptr<DiagramNode>& node) {
    if (!node) return false;
    const std::shared_ptr<Constraints>& constraints = node->constraints();
    return constraints && constraints->keepInsideParent();
}

bool KeepInsideParentConstraintRule::needMoreArgs() {
    return true;
}

void KeepInsideParentConstraintRule::getArgsFrom(DragState* args) {
    if (args == nullptr) return;
    const std::shared_ptr<DiagramItem>& item = args->modifiedItem();
    if (dynamic_cast<const Selection*>(item.get()) != nullptr) {
        handle_ = args->adjustmentHandle();
        if (recordedDrag_ == args) return;
        recordedDrag_ = args;
        for (const auto& [saved, state] : args->originalStates()) {
            if (state && dynamic_cast<const DiagramNode*>(saved.get()) != nullptr)
                original_.insert_or_assign(std::weak_ptr<DiagramItem>(saved), state->bounds());
        }
    } else if (const auto node = std::dynamic_pointer_cast<DiagramNode>(item)) {
        handle_ = args->adjustmentHandle();
        original_.insert_or_assign(std::weak_ptr<DiagramItem>(node), node->bounds());
    }
}

void KeepInsideParentConstraintRule::applyConstraintRule(const std::shared_ptr<DiagramNode>& node) {
    if (!node) return;
    const auto parent = std::dynamic_pointer_cast<DiagramNode>(node->master());
    const auto* handle = dynamic_cast<const NodeAdjustmentHandle*>(handle_.get());
    if (!parent || handle == nullptr) return;

    const Rect p = parent->bounds();
    Rect n = node->bounds();
    if (handle->nodeHandleType() == NodeHandleType::move) {
        n.x = clampMove(n.x, n.width, p.x, p.width);
        n.y = clampMove(n.y, n.height, p.y, p.height);
    } else {
        const std::optional<Rect> o = original(node);
        if (!o) return;
        clampResize(n.x, n.width, p.x, p.width, o->x, o->width);
        clampResize(n.y, n.height, p.y, p.height, o->y, o->height);
    }
    node->_setBounds(n);
}

void KeepInsideParentConstraintRule::dragEnded() {
    handle_.reset();
    original_.clear();
    recordedDrag_ = nullptr;
}

std::optional<Rect> KeepInsideParentConstraintRule::original(
    const std::shared_ptr<DiagramItem>& node) const {
    if (!node) return std::nullopt;
    const auto it = original_.find(node);
    if (it == original_.end()) return std::nullopt;
    return it->second;
}

}  // namespace nodeloom
