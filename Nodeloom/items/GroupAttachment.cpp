#include "Nodeloom/items/GroupAttachment.h"

#include <memory>

#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"  // Hook: nodes and links name each other

namespace nodeloom {

void GroupAttachment::detach() {
    // The child drops this attachment, which may be its last owner: nothing of this object is
    // touched after the call.
    if (const std::shared_ptr<DiagramNode> child = childNode()) child->detach();
}

void GroupAttachment::updateFromMaster() {
    const std::shared_ptr<DiagramItem> master = this->master();
    const std::shared_ptr<DiagramNode> child = childNode();
    if (!master || !child) return;

    if (auto* node = dynamic_cast<DiagramNode*>(master.get())) {
        if (!nodeOffset()) return;
        const Point corner = cornerOf(*node, *nodeOffset());
        placeChild(*child, corner.x - offsetX(), corner.y - offsetY());
        updateOffsets();
    } else if (auto* link = dynamic_cast<DiagramLink*>(master.get())) {
        if (link->controlPoints().empty()) return;
        const Point center = link->center();
        placeChild(*child, center.x - offsetX(), center.y - offsetY());
    }
}

}  // namespace nodeloom
