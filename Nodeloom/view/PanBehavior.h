#pragma once

#include <memory>

#include "Nodeloom/view/BehaviorBase.h"

namespace nodeloom {

// Scrolls the view with one finger; when it supports modifying, a drag on a handle of the
// selection reshapes it instead.
class PanBehavior : public BehaviorBase {
public:
    PanBehavior(const std::shared_ptr<DiagramView>& diagramView, bool supportsModify);

private:
    ControllerPtr createPanController(const TouchInputState& state);
};

}  // namespace nodeloom
