#pragma once

#include <memory>
#include <vector>

#include "Nodeloom/items/DragState.h"

namespace nodeloom {

class DiagramItem;

// One way in which items follow each other while one of them is changed: who depends on whom,
// and how a dependent catches up once its masters have. A DiagramMediator asks its rules in
// order; the rules keep no state, so one object serves every mediator.
//
// The base rule claims nothing. Each query answers for one item only and must not change the
// document: the mediator may ask it more than once while it orders its work.
class DependencyRule {
public:
    using ItemList = std::vector<std::shared_ptr<DiagramItem>>;
    using StateMap = DragState::StateMap;

    DependencyRule() = default;
    virtual ~DependencyRule();

    DependencyRule(const DependencyRule&) = delete;
    DependencyRule& operator=(const DependencyRule&) = delete;

    // The items that follow `item` under this rule.
    virtual ItemList dependents(const std::shared_ptr<DiagramItem>& item);
    // The items that `item` follows under this rule.
    virtual ItemList masters(const std::shared_ptr<DiagramItem>& item);
    // Whether this rule moves `item` at all.
    virtual bool isDependent(const std::shared_ptr<DiagramItem>& item);
    // Makes `item` follow its masters. `originalStates` holds the locations of the collected
    // items from before the change; `ist` is the drag behind the change, if there is one.
    virtual void updateDependent(const std::shared_ptr<DiagramItem>& item,
                                 const StateMap& originalStates, DragState* ist);
};

}  // namespace nodeloom
