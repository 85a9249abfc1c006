#include "Nodeloom/document/ItemFollowsContainerRule.h"

#include "Nodeloom/composite/ContainerNode.h"  // Hook: node container
#include "Nodeloom/document/Diagram.h"

namespace nodeloom {

DependencyRule::ItemList ItemFollowsContainerRule::dependents(
    const std::shared_ptr<DiagramItem>& item) {
    const auto* container = dynamic_cast<const ContainerNode*>(item.get());
    if (container == nullptr) return {};
    // A container keeps no list of its children yet: a child is known only by the container
    // attachment it holds. The children are therefore looked up among the document's nodes,
    // in the order the document holds them; a container outside a document has none to find.
    const std::shared_ptr<Diagram> diagram = container->diagram();
    if (!diagram) return {};
    ItemList children;
    for (const auto& node : diagram->nodes()) {
        if (node && node->container().get() == container) children.push_back(node);
    }
    return children;
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
    const auto* node = dynamic_cast<const DiagramNode*>(item.get());
    if (node == nullptr) return;
    if (const std::shared_ptr<Attachment> attachment = node->attachment())
        attachment->updateFromMaster();
}

}  // namespace nodeloom
