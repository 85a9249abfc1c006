#include "Nodeloom/items/ContainerAttachment.h"

#include "Nodeloom/composite/ContainerNode.h"  // Hook: node container

namespace nodeloom {

ContainerAttachment::ContainerAttachment(const std::shared_ptr<ContainerNode>& container,
                                         const std::shared_ptr<DiagramNode>& childNode)
    : Attachment(container, childNode, AttachToNode::topLeft) {}

void ContainerAttachment::detach() {
    // Containers take children out through their own remove, which comes with the composite
    // nodes; until then the child stays where it is.
}

void ContainerAttachment::updateFromMaster() {
    const std::shared_ptr<DiagramItem> master = this->master();
    const std::shared_ptr<DiagramNode> child = childNode();
    auto* node = dynamic_cast<DiagramNode*>(master.get());
    if (node == nullptr || !child) return;
    const Rect b = node->bounds();
    placeChild(*child, b.x - offsetX(), b.y - offsetY());
}

}  // namespace nodeloom
