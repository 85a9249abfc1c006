#pragma once

#include <memory>

#include "Nodeloom/composite/Expander.h"

namespace nodeloom {

class TreeViewItem;
class TreeViewNode;

// The box of one tree row with children. A new one is made for each drawing and each hit test;
// its rectangle is the row's icon square, in the node's local coordinates. A tap toggles the
// row and puts the node's link ends where the rows now are.
class TreeItemExpander : public Expander {
public:
    TreeItemExpander(const std::shared_ptr<TreeViewNode>& node,
                     std::shared_ptr<TreeViewItem> treeItem);

    // The row's icon square at one millimetre in the document's unit; nothing outside a
    // document.
    virtual void updateBounds();
    const std::shared_ptr<TreeViewItem>& treeItem() const { return treeItem_; }

    bool expanded() const override;
    Rect localBounds() const override;
    // The box in document coordinates.
    Rect globalBounds() const override;
    void draw(Canvas& canvas) override;
    void onClick(const Point& point) override;
    bool needsDragEvents(const Point& point) override;

private:
    std::shared_ptr<TreeViewItem> treeItem_;
};

}  // namespace nodeloom
