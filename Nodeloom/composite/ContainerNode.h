#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "Nodeloom/document/LayoutContainer.h"
#include "Nodeloom/foundation/Size.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/items/NodeHandleType.h"

namespace nodeloom {

class Folder;
class GraphicsPath;
class Layout;

// A node that holds other nodes: a rectangle with a caption band at the top (the node's text is
// the caption) that draws its children and the links among them inside its body, clipped to it,
// and answers hit tests for them. A child follows the container through its container
// attachment when the container moves; the container grows to fit its children, lets go of
// children dragged wholly outside it, and can be folded to a strip as high as its caption.
//
// The document draws and hit-tests only top-level items; each container draws and hit-tests its
// own content through its drawing order, which the document rebuilds whenever its own order is
// rebuilt. Membership is not part of the document format: a container read from a file is
// empty.
class ContainerNode : public DiagramNode, public LayoutContainer {
public:
    using ItemList = std::vector<std::shared_ptr<DiagramItem>>;
    using NodeList = std::vector<std::shared_ptr<DiagramNode>>;
    using LinkCounts = std::unordered_map<std::shared_ptr<DiagramLink>, int>;
    using LinkSet = std::unordered_set<std::shared_ptr<DiagramLink>>;
    using NodeSet = std::unordered_set<std::shared_ptr<DiagramNode>>;
    using Visitor = std::function<void(const std::shared_ptr<DiagramItem>&)>;

    // Unfolded and foldable, caption 5, margin 3, no children.
    ContainerNode();
    ~ContainerNode() override;

    // --- Membership ----------------------------------------------------------------------------

    // Makes the node a child, after taking it from its former master or container. Ignored for
    // null, a node that is a child already, the container's own master, the container itself and
    // a container that holds this one: no container becomes its own descendant. A container in
    // a document also ignores a node that the document does not hold.
    virtual void add(const std::shared_ptr<DiagramNode>& node);
    // Takes the node out of the children and ends its attachment; the node itself is neither
    // moved, deselected nor repainted. Nothing for a node that is not a child.
    virtual void remove(const std::shared_ptr<DiagramNode>& node);
    // Whether the node may be a member: any node while no document holds the container, else
    // only a node of its document.
    bool admits(const DiagramNode& node) const;
    // Whether the node lies in this container at any depth.
    virtual bool isAncestorOf(const DiagramNode& node) const;

    // --- Fitting -------------------------------------------------------------------------------

    // The union of the children's rotated bounds, with the links between two children when
    // asked; nothing without children.
    virtual std::optional<Rect> getChildrenBounds(bool includeLinks);
    // Takes the children's rectangle plus the margin (the container's own when none is given)
    // and the caption; unless exact, the container only grows. The children stay where they are
    // and keep their place when the container next moves; the container's own links follow.
    // The container's own container fits in turn.
    virtual void resizeToFitChildren(bool exact, std::optional<double> margin);
    // After some children were moved or resized: children dragged wholly outside are let go
    // when that is allowed, then the container grows to fit the rest.
    virtual void onChildrenModified(const NodeList& nodes, NodeHandleType handleType);

    // --- Content -------------------------------------------------------------------------------

    // The body below the caption, turned with the node, in document units; null when the body
    // has no area.
    virtual std::shared_ptr<GraphicsPath> getClientAreaPath();
    // Calls the visitor for every interactive item of the content that meets the rectangle
    // (intersecting) or lies strictly inside it, and looks the same way into nested containers
    // that meet it. Nothing for a folded or hidden container, or one outside any document.
    virtual void visitChildrenInRect(const Rect& rect, bool intersecting, const Visitor& visitor);
    // Adds to counts, for each link, how many of its ends lie below the container, a link that
    // has both ends below it counting one more; see getInnerLinks.
    virtual void collectChildLinkFlags(LinkCounts& counts);
    // The links whose two ends lie below this container but not both below one child container:
    // each link belongs to the innermost container that holds both its ends.
    virtual std::vector<std::shared_ptr<DiagramLink>> getInnerLinks();

    // --- Folding -------------------------------------------------------------------------------

    // Folds to a strip 50 millimetres wide and as high as the caption at the same corner, keeping
    // the size to restore; nothing when folded already.
    virtual void fold();
    // Puts the links of the children (and of nested children) back on their own nodes after
    // unfolding.
    virtual void updateChildLinks();
    // Moves the ends of links that leave the folded container onto the strip; links between two
    // direct children stay as they are, hidden.
    virtual void updateChildLinksForFold();
    virtual Rect getFoldedBounds() const;
    // Deselects the descendants and the links between them; links that leave the container keep
    // their selection. Nothing outside a document.
    virtual void deselectDescendants();
    // The links whose two ends both lie below the container.
    virtual LinkSet getDescendantLinks();
    // Adds the children and, recursively, the children of nested containers.
    virtual void collectDescendantNodes(NodeSet& nodes);

    // --- Properties ----------------------------------------------------------------------------

    // Present exactly while the container is foldable.
    virtual std::shared_ptr<Folder> folder() const;
    virtual bool foldable() const { return foldable_; }
    // Makes or drops the fold button.
    virtual void setFoldable(bool foldable);
    // A value that is not finite is refused; a change repaints.
    virtual double captionHeight() const { return captionHeight_; }
    virtual void setCaptionHeight(double height);
    // In the order they were added.
    virtual const NodeList& children() const { return children_; }
    std::span<const std::shared_ptr<DiagramNode>> memberNodes() const override {
        return children();
    }
    // Replaces the children as remove and add would, so add's refusals hold for each new one.
    virtual void setChildren(const NodeList& nodes);
    // The content in drawing order: the children and the inner links, rebuilt by the document.
    virtual const ItemList& zOrder() const { return zOrder_; }
    virtual ItemList& zOrder() { return zOrder_; }
    // Folding saves the size in unfoldedSize and unfolding restores it; setting the value the
    // container has changes nothing.
    virtual bool folded() const { return folded_; }
    virtual void setFolded(bool folded);
    // A change repaints.
    virtual bool clipChildren() const { return clipChildren_; }
    virtual void setClipChildren(bool clip);
    // A size with a number that is not finite is refused.
    virtual Size unfoldedSize() const { return unfoldedSize_; }
    virtual void setUnfoldedSize(const Size& size);
    // Kept, saved and restored; nothing in the library consults it when nodes are added.
    virtual bool allowAddChildren() const { return allowAddChildren_; }
    virtual void setAllowAddChildren(bool allow) { allowAddChildren_ = allow; }
    virtual bool allowRemoveChildren() const { return allowRemoveChildren_; }
    virtual void setAllowRemoveChildren(bool allow) { allowRemoveChildren_ = allow; }
    // A value that is not finite is refused.
    virtual double margin() const { return margin_; }
    virtual void setMargin(double margin);
    // Kept only; nothing in the library reads it.
    virtual bool autoGrow() const { return autoGrow_; }
    virtual void setAutoGrow(bool grow) { autoGrow_ = grow; }

    // Lays the children out inside the container with the layout, from below the caption; their
    // new places become their offsets from the container, which then fits them exactly with the
    // layout's margins and may shrink. A folded container keeps its strip and takes the fit as
    // the size to unfold to. No undo step of its own. A null layout does nothing. An
    // arrangement whose layout or fit would leave a number that is not finite is refused whole.
    virtual void arrange(const std::shared_ptr<Layout>& layout);

    // What a layout arranges: the inner links inside the container's bounds.
    std::vector<std::shared_ptr<DiagramLink>> layoutLinks() const override;
    Rect layoutBounds() const override { return bounds(); }

    // --- Item overrides ------------------------------------------------------------------------

    // The node, then the visible content clipped to the body; no content while folded or when
    // the caption fills the node.
    void draw(Canvas& canvas, const RenderOptions& options) override;
    // The frame, the caption line and the caption text.
    void drawLocal(Canvas& canvas, const RenderOptions& options) override;
    // The expand button, then the fold button.
    void drawManipulators(Canvas& canvas) override;
    // The fold button first, then the expand button.
    std::shared_ptr<Manipulator> hitTestManipulators(Point point) override;
    // The topmost content item that answers, then the container itself; only the container
    // while folded.
    std::shared_ptr<DiagramItem> hitTest(Point point, const ItemFilter& filter) override;
    std::shared_ptr<DiagramItem> hitTest(Point point, double threshold, bool onlyNodes,
                                         bool onlyInteractive) override;
    // Hiding the container deselects its descendants.
    void setVisible(bool visible) override;
    // The document rebuilds its drawing order, and with it the container's.
    void onLoad() override;

    // "ContainerNode", then "DiagramNode", then the names every item tries.
    std::shared_ptr<Style> resolveInheritedStyle(
        const StylePredicate& predicate, const std::shared_ptr<Theme>& theme) const override;
    std::string getClassId() const override;
    Metatype<DiagramItem> getClassType() const override;

    // The node's content, then "CaptionHeight", "Margin", "AllowAddChildren",
    // "AllowRemoveChildren" and "ClipChildren".
    void saveToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) override;
    // A missing "CaptionHeight" reads as 0; an empty text is taken from "Caption".
    void loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) override;

    std::shared_ptr<DiagramItemState> createState() override;
    std::shared_ptr<DiagramItemState> saveState() override;
    // Restores the properties through their setters (folding or unfolding as needed), then
    // replaces the children by the state's, each attached afresh.
    void restoreState(const DiagramItemState& state) override;

private:
    std::shared_ptr<ContainerNode> self();
    // After the children were arranged: their offsets taken again, then the fit with the margins.
    void fitAfterArrange(double margins);
    // Sets the bounds with only the container's own links following.
    void setBoundsMovingLinks(const Rect& rect);
    void foldSteps();
    void unfoldSteps();
    // The child-link walk of updateChildLinks (forFold false) and updateChildLinksForFold.
    void updateChildLinks(bool forFold, std::vector<const ContainerNode*>& path);
    void collectChildLinkFlags(LinkCounts& counts, std::vector<const ContainerNode*>& path);
    // Marks the document's drawing order stale and repaints it.
    void invalidateZOrder();

    bool foldable_ = true;
    mutable std::shared_ptr<Folder> folder_;
    double captionHeight_ = 5.0;
    NodeList children_;
    ItemList zOrder_;
    bool folded_ = false;
    bool clipChildren_ = true;
    Size unfoldedSize_{100.0, 100.0};
    bool allowAddChildren_ = true;
    bool allowRemoveChildren_ = true;
    double margin_ = 3.0;
    bool autoGrow_ = true;
    bool fitting_ = false;
};

// Appends the container's children, then its inner links, to the target's drawing order and
// marks each as drawn by a container rather than by the document.
void appendContentToZOrder(ContainerNode& container, ContainerNode& target);

// The container pass of the document's drawing-order rebuild: empties and refills the drawing
// order of every container among the nodes and sorts it by the items' runtimeIndex, keeping the
// order of equal values. Each link's container is found once, however deep the nesting.
void rebuildContainerZOrders(const std::vector<std::shared_ptr<DiagramNode>>& nodes);

}  // namespace nodeloom
