#pragma once

#include <memory>

#include "Nodeloom/foundation/Metatype.h"
#include "Nodeloom/view/BehaviorBase.h"

namespace nodeloom {

class DiagramItem;

// Draws links: a drag from a node draws a link of the link class from it, a drag from empty
// space draws a loose link where the document allows them and the rubber band where it does
// not, and a drag on a handle of the selection reshapes it.
class DrawLinksBehavior : public BehaviorBase {
public:
    DrawLinksBehavior(const std::shared_ptr<DiagramView>& diagramView,
                      Metatype<DiagramItem> linkType);

    ControllerPtr createLinkController(const TouchInputState& state);

    const Metatype<DiagramItem>& linkType() const { return linkType_; }
    void setLinkType(Metatype<DiagramItem> type) { linkType_ = std::move(type); }

private:
    Metatype<DiagramItem> linkType_;
};

}  // namespace nodeloom
