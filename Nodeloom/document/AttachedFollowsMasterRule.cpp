#include "Nodeloom/document/AttachedFollowsMasterRule.h"

#include "Nodeloom/items/DiagramNode.h"

namespace nodeloom {

DependencyRule::ItemList AttachedFollowsMasterRule::dependents(
    const std::shared_ptr<DiagramItem>& item) {
    const auto* node = dynamic_cast<const DiagramNode*>(item.get());
    if (node == nullptr) return {};
    const auto& attached = node->attachedNodes();
    return ItemList(attached.begin(), attached.end());
}

DependencyRule::ItemList AttachedFollowsMasterRule::masters(
    const std::shared_ptr<DiagramItem>& item) {
    const auto* node = dynamic_cast<const DiagramNode*>(item.get());
    if (node == nullptr) return {};
    std::shared_ptr<DiagramItem> master = node->master();
    if (!master) return {};
    return {std::move(master)};
}

bool AttachedFollowsMasterRule::isDependent(const std::shared_ptr<DiagramItem>& item) {
    const auto* node = dynamic_cast<const DiagramNode*>(item.get());
    return node != nullptr && node->master() != nullptr;
}

void AttachedFollowsMasterRule::updateDependent(const std::shared_ptr<DiagramItem>& item,
                                                const StateMap&, DragState*) {
    const auto* node = dynamic_cast<const DiagramNode*>(item.get());
    if (node == nullptr) return;
    // Held here: the update may be the attachment's last use by the node.
    if (const std::shared_ptr<Attachment> attachment = node->attachment())
        attachment->updateFromMaster();
}

}  // namespace nodeloom
