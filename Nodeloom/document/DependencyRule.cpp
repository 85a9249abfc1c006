#include "Nodeloom/document/DependencyRule.h"

namespace nodeloom {

DependencyRule::~DependencyRule() = default;

DependencyRule::ItemList DependencyRule::dependents(const std::shared_ptr<DiagramItem>&) {
    return {};
}

DependencyRule::ItemList DependencyRule::masters(const std::shared_ptr<DiagramItem>&) {
    return {};
}

bool DependencyRule::isDependent(const std::shared_ptr<DiagramItem>&) {
    return false;
}

void DependencyRule::updateDependent(const std::shared_ptr<DiagramItem>&, const StateMap&,
                                     DragState*) {}

}  // namespace nodeloom
