#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

class Brush;
class Canvas;
class DiagramLink;
class MeasureUnit;
class TreeViewItemState;
class TreeViewNode;
class XmlContext;
class XmlElement;

namespace platform {
class ImageSurface;
}

// One row of a tree view node. Items are plain objects, not diagram items: the document never
// selects or hit-tests them. The tree owns its items strongly and an item knows neither its
// parent nor its node; an item belongs to one list at a time, which the host keeps so.
//
// Items are compared and hashed by identity (they cannot be copied), so two items with the same
// label are different keys. Every walk over a subtree runs on an explicit stack, so a tree of any
// depth is counted, drawn, saved and released without deep recursion. An item drawn with its
// expander box must be held by a shared_ptr.
//
// An item that dies with link ends still entered on it hands each end to the end's node, at the
// same place: nothing else would know the end any more.
class TreeViewItem : public std::enable_shared_from_this<TreeViewItem> {
public:
    using ItemList = std::vector<std::shared_ptr<TreeViewItem>>;
    using LinkList = std::vector<std::shared_ptr<DiagramLink>>;

    TreeViewItem();
    virtual ~TreeViewItem();
    TreeViewItem(const TreeViewItem&) = delete;
    TreeViewItem& operator=(const TreeViewItem&) = delete;

    // --- Structure and traversal -----------------------------------------------------------

    // The rows the subtree shows: 1, plus the children's counts while expanded.
    virtual int countItems() const;
    // The height of the rows the subtree shows.
    virtual double getSubtreeHeight() const;
    // The item and the rows its expanded subtree shows, top to bottom.
    virtual ItemList appendVisibleItems();
    // The item and every descendant, expanded or not, parent before children.
    virtual void forAllItems(const std::function<void(TreeViewItem&)>& action);

    // --- Geometry and drawing (node-local coordinates) ---------------------------------------

    // The square of side 2.2 x size at the left end of the row, centred vertically.
    virtual Rect getIconRect(double size) const;
    // Lays out the rows the subtree shows from (x, y), each level indented by offset, and draws
    // their connector lines; returns the height of those rows. depth is the level of this item.
    virtual double drawTreePath(Canvas& canvas, double x, double y, double offset, const Rect& clip,
                                int depth);
    // Draws the rows of the subtree that meet the clip. Until the first visible row is ever drawn
    // (count true), every row outside the clip adds one to firstDrawn.
    virtual void draw(Canvas& canvas, const Rect& clip, TreeViewNode& parent, int& firstDrawn,
                      bool& count);
    // Finds target in the subtree whose first row starts at y: result becomes its row, as wide
    // as node, or the row of its outermost collapsed ancestor (rowRect while hidden). Returns the
    // height the subtree adds below y; result stays all zero when target is not there.
    virtual double locateItem(const TreeViewItem& target, const Rect& node, const Rect& rowRect,
                              bool hidden, Rect& result, double y);

    // --- Persistence and undo ----------------------------------------------------------------

    // The content of one "Item" element; the element itself is made by the node.
    virtual void saveToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context);
    virtual void loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context);
    virtual std::shared_ptr<TreeViewItemState> saveState() const;
    virtual void restoreState(const TreeViewItemState& state);

    // --- Properties ----------------------------------------------------------------------------

    virtual const ItemList& children() const { return children_; }
    virtual ItemList& children() { return children_; }
    virtual void setChildren(ItemList children) { children_ = std::move(children); }
    virtual const std::shared_ptr<platform::ImageSurface>& image() const { return image_; }
    virtual void setImage(std::shared_ptr<platform::ImageSurface> image) {
        image_ = std::move(image);
    }
    virtual const std::string& label() const { return label_; }
    virtual void setLabel(const std::string& label) { label_ = label; }
    // A height or font size that is not a finite number is refused.
    virtual double height() const { return height_; }
    virtual void setHeight(double height) {
        if (std::isfinite(height)) height_ = height;
    }
    virtual bool expanded() const { return expanded_; }
    virtual void setExpanded(bool expanded) { expanded_ = expanded; }
    // Null: opaque black.
    const std::shared_ptr<Brush>& labelBrush() const { return labelBrush_; }
    void setLabelBrush(std::shared_ptr<Brush> brush) { labelBrush_ = std::move(brush); }
    // Empty: the node's font.
    const std::string& fontName() const { return fontName_; }
    void setFontName(const std::string& name) { fontName_ = name; }
    double fontSize() const { return fontSize_; }
    void setFontSize(double size) {
        if (std::isfinite(size)) fontSize_ = size;
    }
    // Null: the node's font unit.
    const std::shared_ptr<MeasureUnit>& fontUnit() const { return fontUnit_; }
    void setFontUnit(std::shared_ptr<MeasureUnit> unit) { fontUnit_ = std::move(unit); }
    // The row of the last drawing, node-local.
    const Rect& bounds() const { return bounds_; }
    void setBounds(const Rect& bounds) { bounds_ = bounds; }
    LinkList& incomingLinks() { return incomingLinks_; }
    const LinkList& incomingLinks() const { return incomingLinks_; }
    LinkList& outgoingLinks() { return outgoingLinks_; }
    const LinkList& outgoingLinks() const { return outgoingLinks_; }
    // The pre-order number of the last save; -1 before.
    int index() const { return index_; }
    void setIndex(int index) { index_ = index; }

    std::size_t hashValue() const { return std::hash<const TreeViewItem*>()(this); }
    friend bool operator==(const TreeViewItem& a, const TreeViewItem& b) { return &a == &b; }

private:
    friend class TreeViewNode;

    void drawRow(Canvas& canvas, TreeViewNode& parent);

    ItemList children_;
    std::shared_ptr<platform::ImageSurface> image_;
    std::string label_;
    double height_ = 8.0;
    bool expanded_ = true;
    std::shared_ptr<Brush> labelBrush_;
    std::string fontName_;
    double fontSize_ = -1.0;
    std::shared_ptr<MeasureUnit> fontUnit_;
    Rect bounds_;
    LinkList incomingLinks_;
    LinkList outgoingLinks_;
    int index_ = -1;
    // The last walk of a tree that met the item, and the tree that last noted a link end on it,
    // as numbers the trees hand out once each (0: none).
    std::uint64_t walk_ = 0;
    std::uint64_t notedBy_ = 0;
};

}  // namespace nodeloom

template <>
struct std::hash<nodeloom::TreeViewItem> {
    std::size_t operator()(const nodeloom::TreeViewItem& item) const { return item.hashValue(); }
};
