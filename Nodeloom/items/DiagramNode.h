#pragma once

#include <memory>
#include <optional>
#include <span>
#include <unordered_set>
#include <utility>
#include <vector>

#include "Nodeloom/foundation/Weak.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/items/Attachment.h"
#include "Nodeloom/items/CompositeLinkArray.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/items/InplaceEditable.h"

namespace nodeloom {

class AnchorPattern;
class ConnectionPoint;
class Constraints;
class ContainerNode;
class DiagramLink;
class NodeExpander;
class Vertex;

// False until the first container node of the process is made, and never cleared after. While it
// is false no item can lie inside a container, so every item may count as top-level at once.
bool anyContainerCreated();

// The base of every node: a rectangle in document units (its bounds, never rotated), turned by
// rotationAngle degrees about its centre, that links start and end at. Geometry that honours the
// rotation turns points back into the unrotated frame, works there and turns the result forward.
//
// The bounds change in three strengths: `setBounds(rect)` (and `setBounds(rect, true)`) also
// moves the items that depend on the node; `setBoundsAndRepaint` repaints and calls the
// onUpdateBounds hook; `_setBounds` only stores, for undo, file loading and layouts.
class DiagramNode : public DiagramItem, public InplaceEditable {
public:
    using LinkList = std::vector<std::shared_ptr<DiagramLink>>;
    // The items one fold hid, the folding node included, by identity.
    using CollapsedSet = std::unordered_set<Weak<DiagramItem>>;

    DiagramNode();
    ~DiagramNode() override;

    // A new end for the link on this node; the point is for kinds that attach to a row.
    virtual std::shared_ptr<ConnectionPoint> createConnectionPoint(
        const std::shared_ptr<DiagramLink>& link, Point point, bool incoming);
    // Where the anchor point of that index lies now; nothing without such a point.
    virtual std::optional<Point> getAnchorPointPosition(int index);
    // The nearest anchor point that admits this end of a link, with its index; the given point
    // and -1 when none does.
    virtual std::pair<Point, int> getNearestAnchorPoint(Point point,
                                                        const std::shared_ptr<DiagramLink>& link,
                                                        bool incoming);
    // The point of the unrotated outline nearest to the point.
    virtual Point getNearestBorderPoint(Point point);
    // The outline polygon in document units, unrotated, its first point not repeated. The base
    // node is its bounds: top-left, top-right, bottom-right, bottom-left.
    virtual std::vector<Point> getOutline();

    // Each link once, in no defined order.
    virtual LinkList getAllLinks();
    virtual LinkList getAllIncomingLinks();
    virtual LinkList getAllOutgoingLinks();

    virtual bool obstacle() const { return obstacle_; }
    virtual void setObstacle(bool obstacle) { obstacle_ = obstacle; }

    // True for kinds whose link ends carry a row.
    virtual bool connectsToRows() const;

    // The container that holds the node, if any.
    virtual std::shared_ptr<ContainerNode> container() const;
    // The nearest folded container around the node, walking outwards; null when none is folded.
    std::shared_ptr<ContainerNode> getFoldedContainer() const;

    virtual double getRotationAngle() const;
    // A point given in percent of the bounds, turned with the node.
    virtual Point pointFromPercent(double x, double y);

    virtual Rect bounds() const;
    virtual void setBounds(const Rect& rect);
    virtual void setBounds(const Rect& rect, bool updateDependencies);
    virtual Rect _bounds() const;
    // A rectangle with a number that is not finite is refused.
    virtual void _setBounds(const Rect& rect);
    virtual void setBoundsAndRepaint(const Rect& rect);
    // Called after every change made through setBoundsAndRepaint.
    virtual void onUpdateBounds(const Rect& oldBounds, const Rect& newBounds);
    virtual void move(double x, double y, bool updateDependencies);

    // Turns a link whose two ends are this node into a one-segment Bézier loop above the node.
    virtual void makeSelfLoop(const std::shared_ptr<DiagramLink>& link);
    // Where a line from the centre upwards, turned with the node, leaves the outline.
    virtual Point getTopOutlinePoint();
    // Where the segment from point to segmentEnd crosses the outline, the crossing nearest to
    // segmentEnd; the centre when both points lie inside the bounds or nothing is crossed.
    virtual Point getIntersection(Point point, Point segmentEnd);

    // Incoming links, then outgoing ones, read live.
    const CompositeLinkArray& links() const;
    const LinkList& incomingLinks() const { return incomingLinks_; }
    LinkList& incomingLinks() { return incomingLinks_; }
    void setIncomingLinks(LinkList links) { incomingLinks_ = std::move(links); }
    const LinkList& outgoingLinks() const { return outgoingLinks_; }
    LinkList& outgoingLinks() { return outgoingLinks_; }
    void setOutgoingLinks(LinkList links) { outgoingLinks_ = std::move(links); }

    const std::shared_ptr<Constraints>& constraints() const { return constraints_; }
    void setConstraints(std::shared_ptr<Constraints> constraints) {
        constraints_ = std::move(constraints);
    }
    // Never null; a null colour is ignored.
    virtual const std::shared_ptr<Color>& fillColor() const { return fillColor_; }
    virtual void setFillColor(std::shared_ptr<Color> color);
    virtual const std::shared_ptr<AnchorPattern>& anchorPattern() const { return anchorPattern_; }
    virtual void setAnchorPattern(std::shared_ptr<AnchorPattern> pattern);
    virtual double rotationAngle() const { return rotationAngle_; }
    // An angle that is not finite is refused.
    virtual void setRotationAngle(double angle);
    virtual bool expanded() const { return expanded_; }
    // Becoming expanded, by whatever route (undo included), forgets the items of the last fold:
    // a later fold then starts afresh instead of stopping at once on a stale set.
    virtual void setExpanded(bool expanded);
    // The vertex that stands for the node while a layout runs; null otherwise.
    std::shared_ptr<Vertex> vertex() const { return vertex_.lock(); }
    void setVertex(const std::shared_ptr<Vertex>& vertex) { vertex_ = vertex; }

    // False only for the stand-in node at the loose end of a link.
    virtual bool isRealNode() const;
    // The nodes a document must hold before it takes this one in: a container's members; none
    // for other nodes, which are thus told apart without a cast each time one is added.
    virtual std::span<const std::shared_ptr<DiagramNode>> memberNodes() const { return {}; }
    // Removes every link of the node from its document.
    virtual void removeAllLinks();

    // The rectangle to repaint when the node is dragged: the rectangle, the node's attached
    // nodes (recursively) and all their links. The visited items are gathered in cycleGuard,
    // which the caller empties afterwards.
    std::optional<Rect> getAffectedBounds(const Rect& rect) override;
    std::shared_ptr<Style> resolveInheritedStyle(
        const StylePredicate& predicate, const std::shared_ptr<Theme>& theme) const override;
    // Both ignore the rotation: they test the unrotated bounds, edges included.
    bool containsPoint(Point point) override;
    bool containsPoint(Point point, double threshold) override;
    std::optional<Rect> getHitArea() override;
    std::shared_ptr<AdjustmentHandle> hitTestHandle(Point point) override;
    std::string getClassId() const override;
    Metatype<DiagramItem> getClassType() const override;
    Rect getBounds() override;
    // Against the rotated bounding box first, then the unrotated outline.
    bool intersects(const Rect& rect) override;
    // The axis-aligned box of the rotated bounds.
    Rect getBoundingRect() override;

    // --- Drawing ---------------------------------------------------------------------------

    // Draws the body translated to the bounds and turned about their centre, then the expand
    // button and the anchor marks unturned. Visibility is the document's business.
    void draw(Canvas& canvas, const RenderOptions& options) override;
    // The body in node-local coordinates: the origin is the bounds' top-left corner and the
    // canvas is already turned. Nothing here.
    virtual void drawLocal(Canvas& canvas, const RenderOptions& options);
    virtual void drawAnchors(Canvas& canvas);
    virtual bool shouldShowAnchors(const RenderOptions& options) const;
    // The selection handles of the unrotated bounds, in the item's handles style.
    void drawHandles(Canvas& canvas) override;
    void drawManipulators(Canvas& canvas) override;
    // The expand button when the point lies on it, edges included.
    std::shared_ptr<Manipulator> hitTestManipulators(Point point) override;

    // --- Folding -----------------------------------------------------------------------------

    // Hides what hangs off the node: the nodes and links reached along outgoing links (incoming
    // ones when the document expands on incoming links), stopping at nodes already hidden by
    // this fold and at nodes folded themselves. An absent set starts a fold from this node;
    // the walk passes the set on. A node outside a document follows its outgoing links.
    virtual void collapse(std::optional<CollapsedSet>& set);
    // Shows again what the last fold hid; after a fold that was not recorded (a node loaded
    // folded) only the directly linked nodes and links.
    virtual void expand();
    virtual bool expandable() const { return expandable_; }
    // A change makes or drops the expand button and repaints.
    virtual void setExpandable(bool expandable);
    virtual const std::shared_ptr<NodeExpander>& expander() const { return expander_; }
    virtual void setExpander(std::shared_ptr<NodeExpander> expander) {
        expander_ = std::move(expander);
    }
    virtual const std::optional<CollapsedSet>& collapsedSet() const { return collapsedSet_; }
    virtual std::optional<CollapsedSet>& collapsedSet() { return collapsedSet_; }
    virtual void setCollapsedSet(std::optional<CollapsedSet> set) {
        collapsedSet_ = std::move(set);
    }

    // --- Attaching ---------------------------------------------------------------------------

    // Ends any earlier attachment and makes the node follow the master's corner, or the master
    // link's midpoint, keeping its current offset. A null master is ignored.
    virtual void attachToNode(const std::shared_ptr<DiagramNode>& master, AttachToNode from);
    virtual void attachToLink(const std::shared_ptr<DiagramLink>& master, AttachToLink from);
    // Ends a group attachment and takes the node off its master's list; a container's
    // attachment is left alone.
    virtual void detach();
    virtual const std::shared_ptr<Attachment>& attachment() const { return attachment_; }
    virtual void setAttachment(std::shared_ptr<Attachment> attachment) {
        attachment_ = std::move(attachment);
    }
    // The item the node is attached to, or null.
    virtual std::shared_ptr<DiagramItem> master() const;
    // Whether the node is attached to this one, directly or through other attached nodes.
    virtual bool containsAttachedNode(const std::shared_ptr<DiagramNode>& node) const;
    virtual bool containsAttachedNodeRecursive(const DiagramNode* node,
                                               std::vector<const DiagramNode*> visited) const;
    // Until a container exists every node is top-level; after that a grouped node is top-level
    // when its master is, and any other node by its own flag.
    bool isTopLevel() const override;

    // --- Undo state --------------------------------------------------------------------------

    std::shared_ptr<DiagramItemState> createState() override;
    std::shared_ptr<DiagramItemState> saveState() override;
    // Puts the bounds back raw (attached nodes and links are restored by their own states) and
    // the attachment object as it was, without touching the master's list.
    void restoreState(const DiagramItemState& state) override;
    // The bounds and the rotation only.
    std::shared_ptr<DiagramItemState> saveLocation() override;
    void restoreLocation(const DiagramItemState& state) override;

    // --- XML ---------------------------------------------------------------------------------

    void saveToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) override;
    // A node element without "Expanded" loads folded, as files have always been read.
    void loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) override;

    // --- In-place text editing ---------------------------------------------------------------

    std::string getTextToEdit() override;
    void setEditedText(const std::string& text) override;
    // The unrotated bounds.
    Rect getEditRect(const std::shared_ptr<DiagramItem>& item, Point pointerPosition) override;
    void raiseItemTextEditing(const std::string& oldText, const std::string& newText) override;
    void raiseItemTextEdited(const std::string& oldText, const std::string& newText) override;
    std::shared_ptr<DiagramItem> getEditedItem() override;

    static Point rotatePointAt(Point point, Point pivot, double angle);
    // The axis-aligned box of the rectangle's corners turned about its centre.
    static Rect getRotatedBounds(const Rect& rect, double angle);

protected:
    // Called by every container kind when one is made; sets anyContainerCreated for good.
    static void noteContainerCreated();

private:
    std::shared_ptr<DiagramNode> self() const;
    // Steps of a fold that follow the links from this node, for the node that starts it and for
    // every node the walk reaches that is not folded itself.
    void collapseLinks(std::optional<CollapsedSet>& set);
    void raiseCollapsed();
    void raiseExpanded();

    Rect affectedBounds(const Rect& rect, std::vector<std::weak_ptr<DiagramItem>>& visited,
                        std::unordered_set<const DiagramItem*>& seen);

    bool obstacle_ = true;
    Rect bounds_{0.0, 0.0, 50.0, 50.0};
    mutable std::unique_ptr<CompositeLinkArray> links_;
    LinkList incomingLinks_;
    LinkList outgoingLinks_;
    std::shared_ptr<Constraints> constraints_;
    std::shared_ptr<Color> fillColor_;
    std::shared_ptr<AnchorPattern> anchorPattern_;
    double rotationAngle_ = 0.0;
    bool expanded_ = true;
    std::weak_ptr<Vertex> vertex_;
    bool expandable_ = false;
    std::shared_ptr<NodeExpander> expander_;
    std::optional<CollapsedSet> collapsedSet_;
    std::shared_ptr<Attachment> attachment_;
    // Set while isTopLevel asks this node's master, so that a loop of attachments ends.
    mutable bool askingMaster_ = false;
};

}  // namespace nodeloom
