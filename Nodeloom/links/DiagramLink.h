#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/RawValue.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/items/DiagramItemState.h"

namespace nodeloom {

class ConnectionPoint;
class DiagramNode;

// How a link lays out and draws its control points.
enum class LinkShape {
    bezier = 0,
    polyline = 1,
    cascading = 2,
    spline = 3,
};

template <>
std::optional<LinkShape> fromRaw<LinkShape>(int raw);

// One entry of a segment's crossing list: an end of the segment (radius 0), or where a crossing
// starts or ends.
struct Crossing {
    Point location;
    double radius = 0.0;
};

// The undo snapshot of a link.
class DiagramLinkState : public DiagramItemState {
public:
    DiagramLinkState() = default;
};

// The connector item: a list of control points from an origin node to a destination node. Each
// end is a connection point; an end that was never connected sits on the shared virtual node.
class DiagramLink : public DiagramItem {
public:
    // The link's cached crossings, one list per segment in segment order; kept in the link's
    // run-time data and rebuilt whenever it has been dropped.
    class CrossingsData : public Object {
    public:
        // That many empty lists; none for a count below 1.
        explicit CrossingsData(int segmentCount);

        const std::vector<std::vector<Crossing>>& segmentCrossings() const {
            return segmentCrossings_;
        }
        std::vector<std::vector<Crossing>>& segmentCrossings() { return segmentCrossings_; }
        void setSegmentCrossings(std::vector<std::vector<Crossing>> crossings) {
            segmentCrossings_ = std::move(crossings);
        }

    private:
        std::vector<std::vector<Crossing>> segmentCrossings_;
    };

    DiagramLink();
    ~DiagramLink() override;

    // Puts both end points on the outlines of their nodes, on the line towards the neighbouring
    // control point; ends on overlapping nodes are aligned to the nodes instead.
    virtual void clipEndsToOutlines();

    // The two ends; reading one that was never set gives a virtual end, which is kept.
    virtual std::shared_ptr<ConnectionPoint> originConnection();
    virtual void setOriginConnection(std::shared_ptr<ConnectionPoint> connection);
    virtual std::shared_ptr<ConnectionPoint> destinationConnection();
    virtual void setDestinationConnection(std::shared_ptr<ConnectionPoint> connection);
    // The node at each end; null once that node is gone.
    virtual std::shared_ptr<DiagramNode> origin();
    virtual std::shared_ptr<DiagramNode> destination();

    // The first and the last control point; (0, 0) and no change for a link without points.
    virtual Point startPoint() const;
    virtual void setStartPoint(Point point);
    virtual Point endPoint() const;
    virtual void setEndPoint(Point point);
    virtual const std::vector<Point>& controlPoints() const { return controlPoints_; }
    virtual std::vector<Point>& controlPoints() { return controlPoints_; }
    virtual void setControlPoints(std::vector<Point> points) { controlPoints_ = std::move(points); }
    // The midpoint of the first and the last control point.
    virtual Point center() const;

    virtual LinkShape shape() const { return shape_; }
    virtual void setShape(LinkShape shape);
    virtual bool cascadeStartHorizontal() const { return cascadeStartHorizontal_; }
    virtual void setCascadeStartHorizontal(bool value) { cascadeStartHorizontal_ = value; }
    // Bézier links have 3n + 1 points for n segments, the others n + 1.
    virtual int segmentCount() const;
    // Respaces the points evenly on the line between the ends for that many segments; cascading
    // links are then made orthogonal. A count below 1 is refused, and so is one that would need
    // more than a million points.
    virtual void setSegmentCount(int count);

    std::shared_ptr<DiagramItemState> createState() override;
    std::string getClassId() const override;
    Metatype<DiagramItem> getClassType() const override;
    // The box of the control points, grown by the link's own stroke thickness when that is
    // positive.
    Rect getBounds() override;
    Rect getBoundingRect() override;

protected:
    bool cachesLinkCrossings() const override;

private:
    std::shared_ptr<ConnectionPoint> originConnection_;
    std::shared_ptr<ConnectionPoint> destinationConnection_;
    std::vector<Point> controlPoints_{Point(0, 0), Point(50, 50)};
    LinkShape shape_ = LinkShape::polyline;
    bool cascadeStartHorizontal_ = false;
};

}  // namespace nodeloom
