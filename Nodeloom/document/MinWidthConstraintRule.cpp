#include "Nodeloom/document/MinWidthConstraintRule.h"

namespace nodeloom {

bool MinWidthConstraintRule::isRuleAppliable(const std::shared_ptr<DiagramNode>&) {
    return false;
}

bool MinWidthConstraintRule::needMoreArgs() {
    return false;
}

void MinWidthConstraintRule::getArgsFrom(DragState*) {}

void MinWidthConstraintRule::applyConstraintRule(const std::shared_ptr<DiagramNode>&) {}

}  // namespace nodeloom
