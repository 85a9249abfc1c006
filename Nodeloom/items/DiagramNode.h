#pragma once

#include <memory>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/items/CompositeLinkArray.h"
#include "Nodeloom/items/DiagramItem.h"

namespace nodeloom {

class AnchorPattern;
class ConnectionPoint;
class Constraints;
class ContainerNode;
class DiagramLink;

// The base of every node: a rectangle in document units (its bounds, never rotated), turned by
// rotationAngle degrees about its centre, that links start and end at. Geometry that honours the
// rotation turns points back into the unrotated frame, works there and turns the result forward.
//
// The bounds change in three strengths: `setBounds(rect)` (and `setBounds(rect, true)`) also
// moves the items that depend on the node; `setBoundsAndRepaint` repaints and calls the
// onUpdateBounds hook; `_setBounds` only stores, for undo, file loading and layouts.
class DiagramNode : public DiagramItem {
public:
    using LinkList = std::vector<std::shared_ptr<DiagramLink>>;

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
    virtual void setExpanded(bool expanded) { expanded_ = expanded; }

    // False only for the stand-in node at the loose end of a link.
    virtual bool isRealNode() const;
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
    std::shared_ptr<AdjustmentHandle> hitTestHandle(Point point) override;
    std::string getClassId() const override;
    Metatype<DiagramItem> getClassType() const override;
    Rect getBounds() override;
    // Against the rotated bounding box first, then the unrotated outline.
    bool intersects(const Rect& rect) override;
    // The axis-aligned box of the rotated bounds.
    Rect getBoundingRect() override;

    static Point rotatePointAt(Point point, Point pivot, double angle);
    // The axis-aligned box of the rectangle's corners turned about its centre.
    static Rect getRotatedBounds(const Rect& rect, double angle);

private:
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
};

}  // namespace nodeloom
