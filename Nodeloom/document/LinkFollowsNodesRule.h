#pragma once

#include "Nodeloom/document/DependencyRule.h"

namespace nodeloom {

// The links of a node follow it: their ends go back to where their connections sit on the
// nodes, and the inner points of a link between two real nodes move with its start.
class LinkFollowsNodesRule : public DependencyRule {
public:
    // A node's links, each once.
    ItemList dependents(const std::shared_ptr<DiagramItem>& item) override;
    // A link's origin and destination nodes.
    ItemList masters(const std::shared_ptr<DiagramItem>& item) override;
    bool isDependent(const std::shared_ptr<DiagramItem>& item) override;
    void updateDependent(const std::shared_ptr<DiagramItem>& item, const StateMap& originalStates,
                         DragState* ist) override;
};

}  // namespace nodeloom
