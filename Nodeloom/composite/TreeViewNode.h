#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "Nodeloom/composite/TreeViewItem.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/items/Scrollable.h"

namespace nodeloom {

class ScrollBar;
class TreeViewNodeState;

// A node that shows a tree of items as indented rows under a caption strip. The rows scroll
// continuously inside the node, each row with children has a box that expands or collapses it,
// and a link can end on a single row: such an end is a TreeViewConnectionPoint, and the item
// lists the link instead of the node.
//
// Rows are laid out while the node is drawn: each item's bounds, the row area (clipRect) and
// maxWhite describe the last drawing, and every geometric query reads them. Setting a property
// only stores it; links follow rows at setCurrentScrollPos, at a tap on a box and at
// updateLinksAfterScroll.
class TreeViewNode : public DiagramNode, public Scrollable {
public:
    using ItemList = TreeViewItem::ItemList;

    TreeViewNode();
    ~TreeViewNode() override;

    // --- The tree ------------------------------------------------------------------------------

    // The rows shown, top to bottom: the roots and the descendants of expanded items.
    virtual ItemList getVisibleItems() const;
    // The number of rows shown.
    virtual int countItems() const;
    // Every item, expanded or not, parent before children.
    virtual void forAllItems(const std::function<void(TreeViewItem&)>& action);
    // Takes the item and its subtree out of the tree, wherever it stands, and removes the links
    // that end on their rows from the document (each removal recorded as the document records
    // it), as deleting a table row does: a link whose row left the tree would have no end. The
    // tree's own state is the caller's to record. False, and nothing changed, for an item that
    // is not in the tree.
    virtual bool removeItem(const std::shared_ptr<TreeViewItem>& item);
    // Items also leave by direct edits of rootItems() and children(). Each link end that names
    // an item no longer in this tree becomes an end on the node itself, where the link's end
    // point is; the end object the link had is replaced, not changed, so that an undo that puts
    // the item back brings the end back onto it. Run before the tree is drawn, scrolled, saved
    // or removed, and before the node's links are handed out. (An item that nothing holds any
    // more hands its ends to the node as it dies.)
    virtual void releaseEndsOfLeftItems();
    // Remembers an item that a link end was entered on, so that the release finds it once the
    // item is out of the tree.
    void noteLinkedItem(const std::shared_ptr<TreeViewItem>& item);

    // --- Geometry --------------------------------------------------------------------------------

    // The item's row in document coordinates, computed from the heights (2.0 below the drawn
    // row): of an item in a collapsed subtree, the row of its outermost collapsed ancestor; of
    // an item not in the tree, the all-zero rectangle.
    virtual Rect getItemRect(const TreeViewItem& item) const;
    // Called with the previous bounds whenever the bounds are stored: a node whose bottom edge
    // moved up forgets the empty height it had below its last row.
    virtual void updateMaxWhite(const Rect& oldBounds);

    // --- Scrolling -------------------------------------------------------------------------------

    // The height of the rows shown plus the largest empty height seen below the last row.
    double getMaxScrollPos() override;
    double getCurrentScrollPos() override;
    // Stores the position, unclamped, and moves the link ends with their rows; a position that
    // is not a finite number is ignored.
    void setCurrentScrollPos(double pos) override;
    double getCaptionHeight() override;
    // False: positions are lengths.
    bool integralScrollMode() override;
    double getHeightOfCompletelyVisibleItems() override;
    int getNumberOfLastVisibleItems() override;
    int getItemsNumber() override;
    // Puts the ends of every link of the node where their rows now are, rerouting the links that
    // route themselves. The rows are located in one walk, however many links there are.
    virtual void updateLinksAfterScroll();

    // --- Links -----------------------------------------------------------------------------------

    // An end on the first shown row under the point; a plain node end elsewhere.
    std::shared_ptr<ConnectionPoint> createConnectionPoint(const std::shared_ptr<DiagramLink>& link,
                                                           Point point, bool incoming) override;
    // The node's own links, then those of every item in tree order, each once; the ends of
    // items that left the tree are released first, so that the links go with the node.
    LinkList getAllLinks() override;
    LinkList getAllIncomingLinks() override;
    LinkList getAllOutgoingLinks() override;
    bool connectsToRows() const override;
    // The loop's ends keep the places the loop gives them, so that the next scroll leaves them
    // there, as it does in a document read back with the loop.
    void makeSelfLoop(const std::shared_ptr<DiagramLink>& link) override;
    // Also the links whose item left the tree.
    void removeAllLinks() override;

    // --- Properties ------------------------------------------------------------------------------

    virtual const ItemList& rootItems() const { return rootItems_; }
    virtual ItemList& rootItems() { return rootItems_; }
    virtual void setRootItems(ItemList items) { rootItems_ = std::move(items); }
    // 0 or less: no caption. Values that are not finite numbers are refused.
    virtual double captionHeight() const { return captionHeight_; }
    virtual void setCaptionHeight(double height) {
        if (std::isfinite(height)) captionHeight_ = height;
    }
    virtual double scrollPosition() const { return scrollPosition_; }
    virtual void setScrollPosition(double position) {
        if (std::isfinite(position)) scrollPosition_ = position;
    }
    // Made with the node; null once the host drops it.
    virtual const std::shared_ptr<ScrollBar>& scrollBar() const;
    virtual void setScrollBar(std::shared_ptr<ScrollBar> bar);
    // Kept for the host; the library never changes it.
    virtual int drawnItems() const { return drawnItems_; }
    virtual void setDrawnItems(int n) { drawnItems_ = n; }
    // The rows met outside the row area before the first visible row was ever drawn.
    virtual int firstDrawn() const { return firstDrawn_; }
    virtual void setFirstDrawn(int n) { firstDrawn_ = n; }
    // The row area of the last drawing, node-local.
    virtual const Rect& clipRect() const { return clipRect_; }
    virtual void setClipRect(const Rect& rect) { clipRect_ = rect; }
    virtual const std::shared_ptr<platform::ImageSurface>& image() const { return image_; }
    virtual void setImage(std::shared_ptr<platform::ImageSurface> image) {
        image_ = std::move(image);
    }
    // The items in the order the last load read them; link rows index it.
    const ItemList& flatItemList() const { return flatItemList_; }
    double maxWhite() const { return maxWhite_; }

    // --- Item overrides ----------------------------------------------------------------------

    // The scroll bar, else the box of the row under the point, else the node's own.
    std::shared_ptr<Manipulator> hitTestManipulators(Point point) override;
    std::optional<Rect> getHitArea() override;
    std::shared_ptr<DiagramItemState> createState() override;
    // Keeps the root list and every item's values and children list.
    std::shared_ptr<DiagramItemState> saveState() override;
    // Brings back the tree's structure and values; items the state has no entry for are left as
    // they are, with their subtrees.
    void restoreState(const DiagramItemState& state) override;
    void saveToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) override;
    void loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) override;
    // Each end on an item takes its place on the item's row from the point read with its link.
    void onLoad() override;
    std::string getClassId() const override;
    Metatype<DiagramItem> getClassType() const override;
    std::shared_ptr<Style> resolveInheritedStyle(
        const StylePredicate& predicate, const std::shared_ptr<Theme>& theme) const override;
    // The caption, the rows laid out anew, their lines and boxes, and the scroll bar.
    void drawLocal(Canvas& canvas, const RenderOptions& options) override;
    std::string getTextToEdit() override;
    void setEditedText(const std::string& text) override;
    // The caption strip.
    Rect getEditRect(const std::shared_ptr<DiagramItem>& item, Point pointerPosition) override;
    void _setBounds(const Rect& rect) override;

    // --- Internal steps ------------------------------------------------------------------------

    // Writes the items and their subtrees as "Item" children of the element, each naming its
    // parent's position; the list's parent is the element's last child.
    virtual void saveItemsToXml(const ItemList& items, const std::shared_ptr<XmlElement>& element,
                                XmlContext& context);
    // Appends the items of the element to the tree and makes flatItemList of them.
    virtual void loadItemsFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context);
    virtual void saveItemStates(TreeViewNodeState& state, const ItemList& items);
    virtual void restoreItemStates(const TreeViewNodeState& state, const ItemList& items);

private:
    // getAllLinks without the release; marks the items it meets, as markedWalk does.
    LinkList gatherLinks();
    // getAllIncomingLinks (true) or getAllOutgoingLinks (false).
    LinkList linksOfSide(bool incoming);
    // Runs each(item) on every item of the tree, marking it with a new walk number; counts the
    // items noted here that it meets, once each.
    template <typename F>
    void markedWalk(F&& each);
    // The last row shown, or null.
    TreeViewItem* lastShownItem() const;
    // The empty height below the last row in the last drawing; 0 without rows.
    double emptyHeightBelowRows() const;
    // The row shown at the document point, or null.
    std::shared_ptr<TreeViewItem> itemAt(Point point) const;

    ItemList flatItemList_;
    ItemList rootItems_;
    double captionHeight_ = 5.0;
    double scrollPosition_ = 0.0;
    mutable std::shared_ptr<ScrollBar> scrollBar_;
    mutable bool scrollBarMade_ = false;
    int drawnItems_ = 0;
    int firstDrawn_ = 0;
    Rect clipRect_;
    double maxWhite_ = 0.0;
    bool count_ = true;
    std::shared_ptr<platform::ImageSurface> image_;
    // The release, right after a marked walk: the noted items that the walk did not meet left
    // the tree. True when an end moved.
    bool releaseUnmetItems();
    // Moves the ends on the item's list of the side onto the node.
    void releaseEnds(TreeViewItem& item, bool incoming);

    // This tree's number among the numbers trees hand out, with which it notes items.
    const std::uint64_t serial_;
    // The number of the last marked walk, and how many noted items it met: all of them, in the
    // usual case, and then none left the tree.
    std::uint64_t walk_ = 0;
    std::size_t metNoted_ = 0;
    // The items that link ends were entered on, in the order first noted; the set tells which.
    std::vector<std::weak_ptr<TreeViewItem>> linkedItems_;
    // The listed items by address, each with the item it was listed for: an item made where a
    // dead one lay is another item, to be listed anew.
    std::unordered_map<const TreeViewItem*, std::weak_ptr<TreeViewItem>> linkedSet_;
    // While links are re-placed: every item's row, so that placing each end costs a lookup.
    const std::unordered_map<const TreeViewItem*, Rect>* itemRects_ = nullptr;
};

}  // namespace nodeloom
