#pragma once

#include <map>
#include <memory>
#include <optional>

#include "Nodeloom/document/ConstraintRule.h"
#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

class AdjustmentHandle;
class ContainerConstraints;
class DiagramItem;

// Keeps a node whose constraints ask for it inside its master node (for a container's child,
// the container) while the node is dragged. A move pushes the node back inside with its size
// kept; a resize holds the edge opposite the dragged one where it was when the drag began and
// stops the dragged edge at the master's edge.
//
// The rule is shared by every drag of the process. What it takes from a drag (the handle, the
// rectangles the nodes had when the drag began) refers to the nodes weakly and is forgotten
// when the drag ends, so it neither keeps removed nodes alive nor leaks one drag's rectangles
// into the next.
class KeepInsideParentConstraintRule : public ConstraintRule {
public:
    // The node's constraints exist and ask to keep it inside its parent.
    bool isRuleAppliable(const std::shared_ptr<DiagramNode>& node) override;
    // Always: the rule needs the dragged handle.
    bool needMoreArgs() override;
    // From a drag of one node: the handle, and the node's current rectangle as the one it had
    // when the drag began. From a drag of the selection: the handle, and once per drag the
    // rectangles that the dragged nodes had when it began. Anything else changes nothing.
    void getArgsFrom(DragState* args) override;
    // Does nothing for a node without a master node, without a node handle, or, for a resize,
    // without a rectangle from the start of the drag.
    void applyConstraintRule(const std::shared_ptr<DiagramNode>& node) override;
    void dragEnded() override;

    const std::shared_ptr<AdjustmentHandle>& handle() const { return handle_; }
    // The rectangle the node had when the current drag began, as far as the rule knows it.
    std::optional<Rect> original(const std::shared_ptr<DiagramItem>& node) const;

protected:
    KeepInsideParentConstraintRule() = default;

private:
    friend class ContainerConstraints;

    std::shared_ptr<AdjustmentHandle> handle_;
    std::map<std::weak_ptr<DiagramItem>, Rect, std::owner_less<>> original_;
    // The selection drag whose start rectangles were taken; compared, never followed.
    const DragState* recordedDrag_ = nullptr;
};

}  // namespace nodeloom
