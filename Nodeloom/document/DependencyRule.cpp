#include "Nodeloom/document/DependencyRule.h"

#include "Nodeloom/items/Attachment.h"
#include "Nodeloom/items/DiagramNode.h"

namespace nodeloom {

DependencyRule::~DependencyRule() = default;

DependencyRule::ItemList DependencyRule::dependents(const std::shared_ptr<DiagramItem>&) {
    return {};
}

DependencyRule::ItemList DependencyRule::masters(const std::shared_ptr<DiagramItem>&) {
    return {};
}

bool DependencyRule::isDependent(const std::shared_ptr<DiagramItem>&) {
    return false;
}

void DependencyRule::updateDependent(const std::shared_ptr<DiagramItem>&, const StateMap&,
                                     DragState*) {}

void DependencyRule::followThroughAttachment(const std::shared_ptr<DiagramItem>& item) {
    const auto* node = dynamic_cast<const DiagramNode*>(item.get());
    if (node == nullptr) return;
    // Held here: the update may be the attachment's last use by the node.
    if (const std::shared_ptr<Attachment> attachment = node->attachment())
        attachment->updateFromMaster();
}

}  // namespace nodeloom
