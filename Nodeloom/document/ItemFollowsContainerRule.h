#pragma once

#include "Nodeloom/document/DependencyRule.h"

namespace nodeloom {

// The children of a container follow it through their container attachment.
class ItemFollowsContainerRule : public DependencyRule {
public:
    // A container's children.
    ItemList dependents(const std::shared_ptr<DiagramItem>& item) override;
    // A child's container.
    ItemList masters(const std::shared_ptr<DiagramItem>& item) override;
    bool isDependent(const std::shared_ptr<DiagramItem>& item) override;
    void updateDependent(const std::shared_ptr<DiagramItem>& item, const StateMap& originalStates,
                         DragState* ist) override;
};

}  // namespace nodeloom
