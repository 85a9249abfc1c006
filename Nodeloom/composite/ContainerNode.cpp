#include "Nodeloom/composite/ContainerNode.h"

#include <memory>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/ContainerAttachment.h"
#include "Nodeloom/layout/LayoutUtils.h"  // Hook: arrange runs a layout

namespace nodeloom {

ContainerNode::ContainerNode() {
    noteContainerCreated();
}

void ContainerNode::arrange(const std::shared_ptr<Layout>& layout) {
    if (!layout) return;
    LayoutUtils::arrangeContainer(*layout, *this);
    const std::shared_ptr<Diagram> d = diagram();
    if (!d) return;
    for (const auto& node : d->nodes()) {
        if (!node || node->container().get() != this) continue;
        if (auto* attachment = dynamic_cast<ContainerAttachment*>(node->attachment().get()))
            attachment->updateOffsets();
    }
}

std::string ContainerNode::getClassId() const {
    return "std:ContainerNode";
}

Metatype<DiagramItem> ContainerNode::getClassType() const {
    return Metatype<DiagramItem>([] { return std::make_shared<ContainerNode>(); }, getClassId());
}

}  // namespace nodeloom
