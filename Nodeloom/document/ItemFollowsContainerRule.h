#pragma once

#include "Nodeloom/document/AttachedFollowsMasterRule.h"

namespace nodeloom {

// The children of a container follow it through their container attachment: the attachment rule
// narrowed to containers and their children.
class ItemFollowsContainerRule : public AttachedFollowsMasterRule {
public:
    // A container's children.
    ItemList dependents(const std::shared_ptr<DiagramItem>& item) override;

protected:
    // A child's container.
    std::shared_ptr<DiagramItem> masterOf(const DiagramNode& node) const override;
};

}  // namespace nodeloom
