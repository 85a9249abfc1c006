#pragma once

#include <initializer_list>
#include <memory>
#include <vector>

#include "Nodeloom/items/ConnectionPoint.h"

namespace nodeloom {

class TreeViewItem;
class TreeViewNode;

// A link end on a tree view. With an item the end follows that item's row (or the row of the
// collapsed ancestor shown in its place), never leaving the node's vertical extent, and the item
// lists the link instead of the node; without one, or once the item is released, it is a plain
// end on the node.
class TreeViewConnectionPoint : public ConnectionPoint {
public:
    TreeViewConnectionPoint(const std::shared_ptr<DiagramNode>& node,
                            const std::shared_ptr<DiagramLink>& link, bool incoming,
                            const std::shared_ptr<TreeViewItem>& item);

    std::shared_ptr<TreeViewItem> item() const { return item_.lock(); }
    void setItem(const std::shared_ptr<TreeViewItem>& item) { item_ = item; }

    void addLinkToNode() override;
    void removeLinkFromNode() override;
    // With an item: the end goes to the middle of the item's row, on the node's left or right
    // edge, whichever lies on the point's side, as an end on a table row does. Without this, an
    // end that a layout left beside another row would stay on that row.
    void alignToNode(Point point) override;
    // With an item: the share of the node's width across; the end stays at the middle of the
    // item's row, so that it keeps its place on the row however often the rows move.
    void saveRelativePosition() override;
    // With an item: the share across that the link's end point gives, as a document read from a
    // file needs it; the points stay as they are.
    void takePlaceFromLink();
    Point positionFromNode() override;
    // The item's number from the last save, -1 without an item.
    int row() const override;
    // With an item, also before the item has a number: a tree made in code, never saved, still
    // has its ends aligned to their rows.
    bool sitsOnRow() const override { return item() != nullptr; }
    // The item read at that position of the node's last load; a row the node has no item for
    // leaves the end on the node.
    void setRow(int row) override;
    // The centre of the item's row, or of the node.
    Point getCenter() override;
    // Items are told apart by themselves, not by their numbers from the last save.
    bool sharesListWith(const ConnectionPoint& other) const override;

    // Replaces the link's end on that side, an end on an item, by a plain end on the same node
    // in the same place, and lists the link on the node. The old end object is left as it was,
    // so that an undo that brings it back puts the end on its item again.
    static void moveEndOntoNode(const std::shared_ptr<DiagramLink>& link, bool incoming);
    // For the item's destructor: moves onto their nodes the ends on the item (item, expired
    // by then) of the links its list of that side holds.
    static void releaseEndsOfDyingItem(const std::weak_ptr<TreeViewItem>& item,
                                       const std::vector<std::shared_ptr<DiagramLink>>& links,
                                       bool incoming);

private:
    // The tree and the item, when the end sits on an item of a tree view.
    std::shared_ptr<TreeViewNode> tree() const;
    // Takes the first of the shares across the node (bounds b) that puts the link's end point
    // exactly where it is, else the share that gives that point to the last digit; the end sits
    // at the middle of its row.
    void settleAcross(const Rect& b, std::initializer_list<double> shares);

    std::weak_ptr<TreeViewItem> item_;
};

}  // namespace nodeloom
