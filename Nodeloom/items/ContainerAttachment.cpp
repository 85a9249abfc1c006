#include "Nodeloom/items/ContainerAttachment.h"

#include "Nodeloom/composite/ContainerNode.h"  // Hook: node container

namespace nodeloom {

ContainerAttachment::ContainerAttachment(const std::shared_ptr<ContainerNode>& container,
                                         const std::shared_ptr<DiagramNode>& childNode)
    : Attachment(container, childNode, AttachToNode::topLeft) {}

void ContainerAttachment::detach() {
    // The container drops this attachment, which may be its last owner: both ends are held here
    // and nothing of this object is touched after the call.
    const std::shared_ptr<ContainerNode> container =
        std::dynamic_pointer_cast<ContainerNode>(master());
    const std::shared_ptr<DiagramNode> child = childNode();
    if (container && child) container->remove(child);
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
