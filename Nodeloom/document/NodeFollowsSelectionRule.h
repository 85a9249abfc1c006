#pragma once

#include "Nodeloom/document/DependencyRule.h"

namespace nodeloom {

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

}  // namespace nodeloom
