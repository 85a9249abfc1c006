#pragma once

#include <memory>

#include "Nodeloom/foundation/Metatype.h"
#include "Nodeloom/view/BehaviorBase.h"

namespace nodeloom {

class DiagramItem;

// Draws links between nodes and new nodes elsewhere: a drag on a handle of the selection
// reshapes it, a drag from a node draws a link of the link class from it, and any other drag
// draws a node of the node class.
class LinkNodesBehavior : public BehaviorBase {
public:
    LinkNodesBehavior(const std::shared_ptr<DiagramView>& diagramView,
                      Metatype<DiagramItem> nodeType, Metatype<DiagramItem> linkType);

    const Metatype<DiagramItem>& nodeType() const { return nodeType_; }
    void setNodeType(Metatype<DiagramItem> type) { nodeType_ = std::move(type); }
    const Metatype<DiagramItem>& linkType() const { return linkType_; }
    void setLinkType(Metatype<DiagramItem> type) { linkType_ = std::move(type); }

private:
    ControllerPtr createLinkController(const TouchInputState& state);
    ControllerPtr createNodeController(const TouchInputState& state);

    Metatype<DiagramItem> nodeType_;
    Metatype<DiagramItem> linkType_;
};

}  // namespace nodeloom
