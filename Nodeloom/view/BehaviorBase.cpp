#include "Nodeloom/view/BehaviorBase.h"

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/view/DiagramView.h"
#include "Nodeloom/view/DrawSelectionController.h"
#include "Nodeloom/view/ModifyLinkController.h"
#include "Nodeloom/view/ModifyNodeController.h"
#include "Nodeloom/view/ModifySelectionController.h"

namespace nodeloom {

BehaviorBase::BehaviorBase(const std::shared_ptr<DiagramView>& diagramView)
    : diagramView_(diagramView), alive_(std::make_shared<char>()) {}

BehaviorBase::~BehaviorBase() = default;

BehaviorBase::ControllerPtr BehaviorBase::createDrawSelectionController(const TouchInputState&) {
    const std::shared_ptr<Diagram> d = diagram();
    return d ? std::make_shared<DrawSelectionController>(d) : nullptr;
}

BehaviorBase::ControllerPtr BehaviorBase::createModifySelectionController(
    const TouchInputState& state) {
    const std::shared_ptr<Diagram> d = diagram();
    if (!d || !state.pointedHandle() || d->selectedNodes().empty()) return nullptr;
    return std::make_shared<ModifySelectionController>(
        d, std::dynamic_pointer_cast<NodeAdjustmentHandle>(state.pointedHandle()));
}

BehaviorBase::ControllerPtr BehaviorBase::createModifyLinkController(
    const TouchInputState& state) {
    const std::shared_ptr<Diagram> d = diagram();
    auto handle = std::dynamic_pointer_cast<LinkAdjustmentHandle>(state.pointedHandle());
    auto link = std::dynamic_pointer_cast<DiagramLink>(state.pointedItem());
    // A handle reported without its link is not a drag this selector can serve.
    if (!d || !handle || !link) return nullptr;
    return std::make_shared<ModifyLinkController>(d, std::move(link), std::move(handle));
}

BehaviorBase::ControllerPtr BehaviorBase::createModifyNodeController(
    const TouchInputState& state) {
    const std::shared_ptr<Diagram> d = diagram();
    auto handle = std::dynamic_pointer_cast<NodeAdjustmentHandle>(state.pointedHandle());
    auto node = std::dynamic_pointer_cast<DiagramNode>(state.pointedItem());
    if (!d || !handle || !node) return nullptr;
    return std::make_shared<ModifyNodeController>(d, std::move(node), std::move(handle));
}

void BehaviorBase::addModifySelectors() {
    controllers_.push_back(selector(&BehaviorBase::createModifySelectionController));
    controllers_.push_back(selector(&BehaviorBase::createModifyLinkController));
    controllers_.push_back(selector(&BehaviorBase::createModifyNodeController));
}

std::shared_ptr<Diagram> BehaviorBase::diagram() const {
    const std::shared_ptr<DiagramView> view = diagramView_.lock();
    return view ? view->diagram() : nullptr;
}

}  // namespace nodeloom
