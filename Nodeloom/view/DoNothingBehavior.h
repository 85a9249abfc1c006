#pragma once

#include <memory>

#include "Nodeloom/view/BehaviorBase.h"

namespace nodeloom {

// Offers no controller: every release counts as a tap.
class DoNothingBehavior : public BehaviorBase {
public:
    explicit DoNothingBehavior(const std::shared_ptr<DiagramView>& diagramView)
        : BehaviorBase(diagramView) {}
};

}  // namespace nodeloom
