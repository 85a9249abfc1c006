#pragma once

#include <memory>

#include "Nodeloom/view/BehaviorBase.h"

namespace nodeloom {

// Reshapes what is selected and nothing else: a drag on a handle of the selection moves or
// resizes it, or drags a link's point; other drags make no controller.
class ModifyBehavior : public BehaviorBase {
public:
    explicit ModifyBehavior(const std::shared_ptr<DiagramView>& diagramView)
        : BehaviorBase(diagramView) {
        addModifySelectors();
    }
};

}  // namespace nodeloom
