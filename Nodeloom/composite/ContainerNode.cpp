#include "Nodeloom/composite/ContainerNode.h"

#include <memory>

namespace nodeloom {

namespace {

bool& containerFlag() {
    static bool created = false;
    return created;
}

}  // namespace

bool anyContainerCreated() {
    return containerFlag();
}

ContainerNode::ContainerNode() {
    containerFlag() = true;
}

std::string ContainerNode::getClassId() const {
    return "std:ContainerNode";
}

Metatype<DiagramItem> ContainerNode::getClassType() const {
    return Metatype<DiagramItem>([] { return std::make_shared<ContainerNode>(); }, getClassId());
}

}  // namespace nodeloom
