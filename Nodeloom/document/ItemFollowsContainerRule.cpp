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

DependencyRule::ItemList ItemFollowsContainerRule::masters(
    const std::shared_ptr<DiagramItem>& item) {
    const auto* node = dynamic_cast<const DiagramNode*>(item.get());
    if (node == nullptr) return {};
    std::shared_ptr<DiagramItem> container = node->container();
    if (!container) return {};
    return {std::move(container)};
}

bool ItemFollowsContainerRule::isDependent(const std::shared_ptr<DiagramItem>& item) {
    const auto* node = dynamic_cast<const DiagramNode*>(item.get());
    return node != nullptr && node->container() != nullptr;
}

void ItemFollowsContainerRule::updateDependent(const std::shared_ptr<DiagramItem>& item,
                                               const StateMap&, DragState*) {
    followThroughAttachment(item);
}

}  // namespace nodeloom
