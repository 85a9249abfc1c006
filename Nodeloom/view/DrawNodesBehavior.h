#pragma once

#include <memory>

#include "Nodeloom/foundation/Metatype.h"
#include "Nodeloom/view/BehaviorBase.h"

namespace nodeloom {

class DiagramItem;

// Draws nodes: a drag on a handle of the selection reshapes it, and every other drag draws a
// node of the node class, also over an existing item.
class DrawNodesBehavior : public BehaviorBase {
public:
    DrawNodesBehavior(const std::shared_ptr<DiagramView>& diagramView,
                      Metatype<DiagramItem> nodeType);

    const Metatype<DiagramItem>& nodeType() const { return nodeType_; }
    void setNodeType(Metatype<DiagramItem> type) { nodeType_ = std::move(type); }

private:
    ControllerPtr createNodeController(const TouchInputState& state);

    Metatype<DiagramItem> nodeType_;
};

}  // namespace nodeloom
