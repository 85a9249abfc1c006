#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "Nodeloom/view/TouchInputState.h"

namespace nodeloom {

class Diagram;
class DiagramView;
class TouchInputController;

// The base of the behaviours: a behaviour turns the view's interaction mode into an ordered
// list of controller selectors, and the first controller one of them offers serves the drag.
//
// The view owns its behaviour, so the behaviour refers to the view weakly: diagramView() and
// diagram() answer null once the view is gone.
class BehaviorBase {
public:
    explicit BehaviorBase(const std::shared_ptr<DiagramView>& diagramView);
    virtual ~BehaviorBase();
    BehaviorBase(const BehaviorBase&) = delete;
    BehaviorBase& operator=(const BehaviorBase&) = delete;

    // The rubber-band selection and the drag of the selected items; null when not offered.
    virtual std::shared_ptr<TouchInputController> createDrawSelectionController(
        const TouchInputState& state);
    virtual std::shared_ptr<TouchInputController> createModifySelectionController(
        const TouchInputState& state);

    const std::vector<ControllerSelector>& controllers() const { return controllers_; }
    std::vector<ControllerSelector>& controllers() { return controllers_; }
    void setControllers(std::vector<ControllerSelector> controllers) {
        controllers_ = std::move(controllers);
    }
    // The view's document, or null.
    std::shared_ptr<Diagram> diagram() const;
    std::shared_ptr<DiagramView> diagramView() const { return diagramView_.lock(); }
    void setDiagramView(const std::shared_ptr<DiagramView>& view) { diagramView_ = view; }

private:
    std::vector<ControllerSelector> controllers_;
    std::weak_ptr<DiagramView> diagramView_;
};

}  // namespace nodeloom
