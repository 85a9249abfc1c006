#include "Nodeloom/document/ContainerConstraints.h"

#include <utility>

#include "Nodeloom/document/KeepInsideParentConstraintRule.h"

namespace nodeloom {

ContainerConstraints::RuleList& ContainerConstraints::containerConstraints() {
    static RuleList rules{std::shared_ptr<ConstraintRule>(new KeepInsideParentConstraintRule())};
    return rules;
}

void ContainerConstraints::setContainerConstraints(RuleList rules) {
    containerConstraints() = std::move(rules);
}

void ContainerConstraints::applyTo(const std::shared_ptr<DiagramNode>& node,
                                   DragState* args) {
    if (!node) return;
    // A copy: a rule may be the host's, and the host may change the list from inside it.
    const RuleList rules = containerConstraints();
    for (const auto& rule : rules) {
        if (!rule || !rule->isRuleAppliable(node)) continue;
        if (rule->needMoreArgs()) rule->getArgsFrom(args);
        rule->applyConstraintRule(node);
    }
}

void ContainerConstraints::dragEnded() {
    const RuleList rules = containerConstraints();
    for (const auto& rule : rules) {
        if (rule) rule->dragEnded();
    }
}

}  // namespace nodeloom
