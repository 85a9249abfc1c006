#pragma once

#include "Nodeloom/document/DependencyRule.h"

namespace nodeloom {

// Nodes attached to a master node follow it through their attachment. A container's children
// have the container as their master too, so this rule also updates them.
class AttachedFollowsMasterRule : public DependencyRule {
public:
    // A node's attached nodes.
    ItemList dependents(const std::shared_ptr<DiagramItem>& item) override;
    // An attached node's master.
    ItemList masters(const std::shared_ptr<DiagramItem>& item) override;
    bool isDependent(const std::shared_ptr<DiagramItem>& item) override;
    void updateDependent(const std::shared_ptr<DiagramItem>& item, const StateMap& originalStates,
                         DragState* ist) override;
};

}  // namespace nodeloom
