#pragma once

#include <memory>

#include "Nodeloom/view/BehaviorBase.h"

namespace nodeloom {

// Selects only: a drag on empty space draws the rubber band, a drag on a handle of a selected
// item moves or resizes the selection, and a drag on any other item makes no controller, so
// that its release counts as a tap.
class SelectionBehavior : public BehaviorBase {
public:
    explicit SelectionBehavior(const std::shared_ptr<DiagramView>& diagramView);

    // Only where no item lies under the finger.
    ControllerPtr createDrawSelectionController(const TouchInputState& state) override;
    // Only on a handle of a selected item; the handle serves when it is a node handle.
    ControllerPtr createModifySelectionController(const TouchInputState& state) override;
};

}  // namespace nodeloom
