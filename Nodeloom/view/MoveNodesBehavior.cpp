#include "Nodeloom/view/MoveNodesBehavior.h"

#include <algorithm>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/view/ModifyNodeController.h"
#include "Nodeloom/view/ModifySelectionController.h"

namespace nodeloom {

MoveNodesBehavior::MoveNodesBehavior(const std::shared_ptr<DiagramView>& diagramView)
    : BehaviorBase(diagramView) {
    controllers().push_back(selector(&MoveNodesBehavior::createMoveController));
}

BehaviorBase::ControllerPtr MoveNodesBehavior::createMoveController(
    const TouchInputState& state) {
    const std::shared_ptr<Diagram> d = diagram();
    auto node = std::dynamic_pointer_cast<DiagramNode>(state.pointedItem());
    if (!d || !node) return nullptr;
    // Whatever handle lies under the finger, the body moves.
    auto move = std::make_shared<NodeAdjustmentHandle>(node, NodeHandleType::move);
    const std::vector<std::shared_ptr<DiagramNode>> selected = d->selectedNodes();
    if (std::find(selected.begin(), selected.end(), node) != selected.end())
        return std::make_shared<ModifySelectionController>(d, std::move(move));
    return std::make_shared<ModifyNodeController>(d, std::move(node), std::move(move));
}

}  // namespace nodeloom
