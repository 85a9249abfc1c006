#pragma once

#include <memory>
#include <vector>

#include "Nodeloom/document/ConstraintRule.h"

namespace nodeloom {

class DiagramNode;
class DragState;

// The constraint rules in force for every document: at first the one shared rule that keeps
// nodes inside their parents. The host may reorder or replace the list.
class ContainerConstraints {
public:
    using RuleList = std::vector<std::shared_ptr<ConstraintRule>>;

    static RuleList& containerConstraints();
    static void setContainerConstraints(RuleList rules);

    // Applies the rules in force to a node dragged by the controller (which may be null), in
    // list order: each rule that concerns the node gets the controller first when it asks for
    // it. Null nodes and null rules are skipped.
    static void applyTo(const std::shared_ptr<DiagramNode>& node, DragState* args);
    // Tells every rule in force that the current drag has ended.
    static void dragEnded();
};

}  // namespace nodeloom
