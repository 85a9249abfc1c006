#include "Nodeloom/document/ConstraintRule.h"

namespace nodeloom {

ConstraintRule::~ConstraintRule() = default;

bool ConstraintRule::isRuleAppliable(const std::shared_ptr<DiagramNode>&) {
    return false;
}

bool ConstraintRule::needMoreArgs() {
    return false;
}

void ConstraintRule::getArgsFrom(DragState*) {}

void ConstraintRule::applyConstraintRule(const std::shared_ptr<DiagramNode>&) {}

void ConstraintRule::dragEnded() {}

}  // namespace nodeloom
