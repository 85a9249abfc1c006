#pragma once

#include <cstddef>
#include <memory>
#include <unordered_map>
#include <vector>

#include "Nodeloom/document/DependencyRule.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Vector.h"
#include "Nodeloom/items/DragState.h"

namespace nodeloom {

class DiagramItem;
class DiagramNode;

// Carries one modification of one item over to the items that depend on it. Made for the item
// just before it changes, the mediator collects through its rules every item that follows it,
// directly or not, and saves their locations. After the caller has changed the item,
// updateDependents brings each collected item up to date from its saved location, after its
// masters, and finally gives a link whose two end nodes moved by the same offset its old shape
// at that offset.
//
// Items are told apart by identity. The work grows with the number of collected items and the
// links between them, not with the document.
class DiagramMediator {
public:
    using ItemList = std::vector<std::shared_ptr<DiagramItem>>;
    using StateMap = DragState::StateMap;
    using RuleList = std::vector<std::shared_ptr<DependencyRule>>;

    // Collects with the default rules; a null item gives a mediator with nothing to do.
    explicit DiagramMediator(const std::shared_ptr<DiagramItem>& item);
    // Collects and updates with the given rules (null rules are left out), for a change that
    // only some kinds of dependents follow: a container that fits its children carries its own
    // links along with linkRules(), but not the children.
    DiagramMediator(const std::shared_ptr<DiagramItem>& item, RuleList rules);

    DiagramMediator(const DiagramMediator&) = delete;
    DiagramMediator& operator=(const DiagramMediator&) = delete;

    // The rules shared by every mediator: the selection, container, attachment and link rules,
    // in this order; and the link rule alone, for a node that changes its bounds without
    // moving its children.
    static const RuleList& defaultRules();
    static const RuleList& linkRules();

    // The modified item first, then the collected items in the order they were found.
    const ItemList& items() const { return items_; }
    // Replaces the list, for a caller that is done with the modification.
    void setItems(ItemList items);
    const StateMap& originalStates() const { return originalStates_; }
    const std::shared_ptr<DiagramItem>& modifiedItem() const { return modifiedItem_; }
    // The drag behind the modification; it owns the mediator, which does not own it.
    DragState* ist() const { return ist_; }
    void setIst(DragState* ist) { ist_ = ist; }
    // Replacing the rules changes how the collected items are updated, not which were
    // collected. Null rules are ignored.
    const RuleList& rules() const { return rules_; }
    void setRules(RuleList rules);

    // Appends every item that follows a listed item under some rule and is not listed yet,
    // breadth first, the rules' order breaking ties.
    void collectDependents();
    // Updates the collected items after the modified item changed. An item waits while a master
    // under one of its rules is still waiting; each full pass over the waiting items lifts the
    // wait for one more rule, in rule order, so that masters which depend on each other in a
    // circle cannot stop the update.
    void updateDependents();
    // Gives each collected link whose two end nodes were collected and moved by one offset
    // (same size, same shift within a ten-thousandth of a millimetre) its saved points at that
    // offset.
    void translateLinks();
    // The common shift of the two nodes since their locations were saved; null when either was
    // not saved, changed size, or moved differently.
    std::shared_ptr<Vector> getCommonOffset(const std::shared_ptr<DiagramNode>& origin,
                                            const std::shared_ptr<DiagramNode>& destination) const;
    static std::vector<Point> translatePoints(const std::vector<Point>& points,
                                              const Vector& offset);

private:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    std::size_t indexOf(const DiagramItem* item) const;
    // A node or link that a handler took out of its document while the modification ran: it
    // stays where it was taken out, so that undoing the removal gives it back as it was.
    static bool leftItsDocument(const DiagramItem& item);
    void append(const std::shared_ptr<DiagramItem>& item);

    ItemList items_;
    StateMap originalStates_;
    std::shared_ptr<DiagramItem> modifiedItem_;
    DragState* ist_ = nullptr;
    RuleList rules_;
    // Position of every listed item in items_.
    std::unordered_map<const DiagramItem*, std::size_t> index_;
};

}  // namespace nodeloom
