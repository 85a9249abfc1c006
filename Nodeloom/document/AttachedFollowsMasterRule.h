#pragma once

#include "Nodeloom/document/DependencyRule.h"

namespace nodeloom {

class DiagramNode;

// Nodes attached to a master node follow it through their attachment. A container's children
// have the container as their master too, so this rule also updates them.
class AttachedFollowsMasterRule : public DependencyRule {
public:
    // A node's attached nodes.
    ItemList dependents(const std::shared_ptr<DiagramItem>& item) override;
    // The master a node follows under this rule, if it has one.
    ItemList masters(const std::shared_ptr<DiagramItem>& item) override;
    bool isDependent(const std::shared_ptr<DiagramItem>& item) override;
    void updateDependent(const std::shared_ptr<DiagramItem>& item, const StateMap& originalStates,
                         DragState* ist) override;

protected:
    // The item the node follows under this rule; null for none. Here: its master.
    virtual std::shared_ptr<DiagramItem> masterOf(const DiagramNode& node) const;
};

}  // namespace nodeloom
