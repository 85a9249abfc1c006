#pragma once

#include <memory>

#include "Nodeloom/view/BehaviorBase.h"

namespace nodeloom {

// Moves nodes by their bodies: a drag on a selected node moves the selection, a drag on any
// other node moves only that node, and drags elsewhere do nothing.
class MoveNodesBehavior : public BehaviorBase {
public:
    explicit MoveNodesBehavior(const std::shared_ptr<DiagramView>& diagramView);

private:
    ControllerPtr createMoveController(const TouchInputState& state);
};

}  // namespace nodeloom
