#pragma once

#include "Nodeloom/document/ConstraintRule.h"

namespace nodeloom {

// The rule that would hold a node to its constraints' minimum width. No list of rules in force
// holds it and the library makes none, so a node's minWidth is stored for the host but not
// enforced; the rule concerns no node.
class MinWidthConstraintRule : public ConstraintRule {
public:
    bool isRuleAppliable(const std::shared_ptr<DiagramNode>& node) override;
    bool needMoreArgs() override;
    void getArgsFrom(DragState* args) override;
    void applyConstraintRule(const std::shared_ptr<DiagramNode>& node) override;

protected:
    MinWidthConstraintRule() = default;
};

}  // namespace nodeloom
