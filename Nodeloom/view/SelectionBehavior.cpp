#include "Nodeloom/view/SelectionBehavior.h"

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/view/ModifySelectionController.h"

namespace nodeloom {

SelectionBehavior::SelectionBehavior(const std::shared_ptr<DiagramView>& diagramView)
    : BehaviorBase(diagramView) {
    controllers().push_back(selector(&BehaviorBase::createDrawSelectionController));
    controllers().push_back(selector(&BehaviorBase::createModifySelectionController));
}

BehaviorBase::ControllerPtr SelectionBehavior::createDrawSelectionController(
    const TouchInputState& state) {
    if (state.pointedItem()) return nullptr;
    return BehaviorBase::createDrawSelectionController(state);
}

BehaviorBase::ControllerPtr SelectionBehavior::createModifySelectionController(
    const TouchInputState& state) {
    const std::shared_ptr<Diagram> d = diagram();
    const std::shared_ptr<DiagramItem>& item = state.pointedItem();
    if (!d || !item || !item->selected() || !state.pointedHandle()) return nullptr;
    return std::make_shared<ModifySelectionController>(
        d, std::dynamic_pointer_cast<NodeAdjustmentHandle>(state.pointedHandle()));
}

}  // namespace nodeloom
