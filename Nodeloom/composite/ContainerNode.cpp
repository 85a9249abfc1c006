#include "Nodeloom/composite/ContainerNode.h"

#include <memory>

namespace nodeloom {

ContainerNode::ContainerNode() {
    noteContainerCreated();
}

std::string ContainerNode::getClassId() const {
    return "std:ContainerNode";
}

Metatype<DiagramItem> ContainerNode::getClassType() const {
    return Metatype<DiagramItem>([] { return std::make_shared<ContainerNode>(); }, getClassId());
}

}  // namespace nodeloom
