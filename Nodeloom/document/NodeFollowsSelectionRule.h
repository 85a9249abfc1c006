#pragma once

#include <memory>

#include "Nodeloom/document/DependencyRule.h"
#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

class Diagram;
class DiagramNode;
class NodeAdjustmentHandle;

// The selected nodes follow a drag of the document's selection: each is reshaped as if the
// dragged handle had been dragged on the node itself, from the rectangle it had when the drag
// began, or turned by the drag's angle.
class NodeFollowsSelectionRule : public DependencyRule {
public:
    // For the document's selection object, the selected nodes.
    ItemList dependents(const std::shared_ptr<DiagramItem>& item) override;
    // The selection of the item's document; nothing for an item outside a document.
    ItemList masters(const std::shared_ptr<DiagramItem>& item) override;
    // A selected node.
    bool isDependent(const std::shared_ptr<DiagramItem>& item) override;
    // Needs a drag of a node handle whose selection was collected; does nothing otherwise.
    void updateDependent(const std::shared_ptr<DiagramItem>& item, const StateMap& originalStates,
                         DragState* ist) override;
};

// One step of a handle drag on a node, whether the node itself or a selection is dragged: from
// the rectangle the node had when the drag began, the handle moves or resizes it by the drag's
// travel so far (a resize snaps the finger to the document's grid, a move the node's corner),
// the node is told of a flip, and the normalised rectangle is stored without side effects; then
// the constraint rules hold the node and its attachment takes the new offsets.
void dragNodeByHandle(const std::shared_ptr<DiagramNode>& node, const Diagram& diagram,
                      const Rect& start, NodeAdjustmentHandle& handle, DragState& drag);

}  // namespace nodeloom
