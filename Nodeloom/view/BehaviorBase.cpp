#include "Nodeloom/view/BehaviorBase.h"

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/view/Behavior.h"
#include "Nodeloom/view/DiagramView.h"
#include "Nodeloom/view/TouchInputController.h"

namespace nodeloom {

BehaviorBase::BehaviorBase(const std::shared_ptr<DiagramView>& diagramView)
    : diagramView_(diagramView) {}

BehaviorBase::~BehaviorBase() = default;

std::shared_ptr<TouchInputController> BehaviorBase::createDrawSelectionController(
    const TouchInputState&) {
    return nullptr;
}

std::shared_ptr<TouchInputController> BehaviorBase::createModifySelectionController(
    const TouchInputState&) {
    return nullptr;
}

std::shared_ptr<Diagram> BehaviorBase::diagram() const {
    const std::shared_ptr<DiagramView> view = diagramView_.lock();
    return view ? view->diagram() : nullptr;
}

std::shared_ptr<BehaviorBase> createBehavior(Behavior, const std::shared_ptr<DiagramView>& view) {
    // No mode has selectors of its own yet: with an empty list no drag finds a controller, and
    // every release counts as a tap.
    return std::make_shared<BehaviorBase>(view);
}

}  // namespace nodeloom
