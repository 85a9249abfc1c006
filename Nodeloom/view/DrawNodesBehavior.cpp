#include "Nodeloom/view/DrawNodesBehavior.h"

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/view/CreateNodeController.h"

namespace nodeloom {

DrawNodesBehavior::DrawNodesBehavior(const std::shared_ptr<DiagramView>& diagramView,
                                     Metatype<DiagramItem> nodeType)
    : BehaviorBase(diagramView), nodeType_(std::move(nodeType)) {
    addModifySelectors();
    controllers().push_back(selector(&DrawNodesBehavior::createNodeController));
}

BehaviorBase::ControllerPtr DrawNodesBehavior::createNodeController(const TouchInputState&) {
    const std::shared_ptr<Diagram> d = diagram();
    return d ? std::make_shared<CreateNodeController>(d, nodeType_) : nullptr;
}

}  // namespace nodeloom
