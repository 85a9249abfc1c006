#include "Nodeloom/view/DrawLinksBehavior.h"

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/view/CreateLinkController.h"

namespace nodeloom {

DrawLinksBehavior::DrawLinksBehavior(const std::shared_ptr<DiagramView>& diagramView,
                                     Metatype<DiagramItem> linkType)
    : BehaviorBase(diagramView), linkType_(std::move(linkType)) {
    controllers().push_back(selector(&DrawLinksBehavior::createLinkController));
    addModifySelectors();
    controllers().push_back(selector(&BehaviorBase::createDrawSelectionController));
}

BehaviorBase::ControllerPtr DrawLinksBehavior::createLinkController(
    const TouchInputState& state) {
    const std::shared_ptr<Diagram> d = diagram();
    if (!d) return nullptr;
    if (!state.pointedItem() && d->allowUnconnectedLinks())
        return std::make_shared<CreateLinkController>(d, nullptr, linkType_);
    if (state.pointedHandle()) return nullptr;
    auto node = std::dynamic_pointer_cast<DiagramNode>(state.pointedItem());
    return node ? std::make_shared<CreateLinkController>(d, std::move(node), linkType_) : nullptr;
}

}  // namespace nodeloom
