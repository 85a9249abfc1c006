#include "Nodeloom/view/PanBehavior.h"

#include "Nodeloom/view/DiagramView.h"
#include "Nodeloom/view/PanController.h"

namespace nodeloom {

PanBehavior::PanBehavior(const std::shared_ptr<DiagramView>& diagramView, bool supportsModify)
    : BehaviorBase(diagramView) {
    if (supportsModify) addModifySelectors();
    controllers().push_back(selector(&PanBehavior::createPanController));
}

BehaviorBase::ControllerPtr PanBehavior::createPanController(const TouchInputState&) {
    const std::shared_ptr<DiagramView> view = diagramView();
    return view ? std::make_shared<PanController>(view) : nullptr;
}

}  // namespace nodeloom
