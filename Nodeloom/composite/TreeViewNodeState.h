#pragma once

#include <memory>
#include <unordered_map>

#include "Nodeloom/composite/TreeViewItemState.h"
#include "Nodeloom/composite/TreeViewNode.h"
#include "Nodeloom/items/DiagramNodeState.h"

namespace nodeloom {

// The undo snapshot of a tree view: the caption values, the scroll position, the root list (the
// same item objects) and one snapshot per item of the tree, so that restoring brings back both
// the structure and every item's values.
class TreeViewNodeState : public DiagramNodeState {
public:
    double captionHeight = 5.0;
    double scrollPosition = 0.0;
    std::shared_ptr<platform::ImageSurface> image;
    TreeViewNode::ItemList rootItems;
    std::unordered_map<const TreeViewItem*, std::shared_ptr<TreeViewItemState>> itemStates;
};

}  // namespace nodeloom
