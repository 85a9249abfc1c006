#include "Nodeloom/view/LinkNodesBehavior.h"

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/view/CreateLinkController.h"
#include "Nodeloom/view/CreateNodeController.h"

namespace nodeloom {

LinkNodesBehavior::LinkNodesBehavior(const std::shared_ptr<DiagramView>& diagramView,
                                     Metatype<DiagramItem> nodeType,
                                     Metatype<DiagramItem> linkType)
    : BehaviorBase(diagramView), nodeType_(std::move(nodeType)), linkType_(std::move(linkType)) {
    addModifySelectors();
    controllers().push_back(selector(&LinkNodesBehavior::createLinkController));
    controllers().push_back(selector(&LinkNodesBehavior::createNodeController));
}

BehaviorBase::ControllerPtr LinkNodesBehavior::createLinkController(
    const TouchInputState& state) {
    const std::shared_ptr<Diagram> d = diagram();
    auto node = std::dynamic_pointer_cast<DiagramNode>(state.pointedItem());
    if (!d || state.pointedHandle() || !node) return nullptr;
    return std::make_shared<CreateLinkController>(d, std::move(node), linkType_);
}

BehaviorBase::ControllerPtr LinkNodesBehavior::createNodeController(const TouchInputState&) {
    const std::shared_ptr<Diagram> d = diagram();
    return d ? std::make_shared<CreateNodeController>(d, nodeType_) : nullptr;
}

}  // namespace nodeloom
