#include "Nodeloom/document/ItemFollowsContainerRule.h"

#include "Nodeloom/composite/ContainerNode.h"  // Hook: node container

namespace nodeloom {

DependencyRule::ItemList ItemFollowsContainerRule::dependents(
    const std::shared_ptr<DiagramItem>& item) {
    const auto* container = dynamic_cast<const ContainerNode*>(item.get());
    if (container == nullptr) return {};
    const auto& children = container->children();
    return ItemList(children.begin(), children.end());
}

std::shared_ptr<DiagramItem> ItemFollowsContainerRule::masterOf(const DiagramNode& node) const {
    return node.container();
}

}  // namespace nodeloom
