#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Nodeloom/foundation/ArrayRef.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/links/Segment.h"

namespace nodeloom {

class Diagram;
class DiagramLink;
class DiagramNode;
class ObstacleIndex;

// Routes links orthogonally between their nodes. A route is not searched for: it comes from a
// fixed template chosen by the sides of the two nodes at which the link's ends lie, drawn as if
// the destination lay to the right of the origin, and is then bent around every node in its way
// by walking that node's corners. Routing a set of links also spreads apart the legs of
// different routes that would lie on top of each other.
//
// The geometry works on plain rectangles and point lists and is public, so that it can be used
// and checked without a document. Rectangles are taken as given: callers pass rectangles whose
// width and height are not negative.
class Router {
public:
    // Where a route leg crosses the rectangle of an obstacle. Sides are numbered clockwise from
    // the top (0 top, 1 right, 2 bottom, 3 left) and side k runs from corner k to corner k + 1,
    // corners numbered from the top-left one clockwise.
    struct Intersection {
        Point point;
        // The obstacle crossed (its position in the list the legs were tested against); -1 for
        // none. Two intersections belong to the same obstacle when these are equal.
        int node = -1;
        // The leg crossed, by the position of its first point in the route.
        int segment = 0;
        int side = 0;
    };

    // A cluster of obstacles so close that the route cannot pass between them: passed around
    // as one rectangle, the union of the members' rectangles.
    struct Union {
        Rect bounds;
        // Positions in the obstacle list, ascending.
        std::vector<int> members;
    };

    // A route from p1 on rectangle r1 to p2 on rectangle r2 with the destination to the right
    // of the origin; `margin` is the distance kept from the nodes.
    using RouteTemplate = std::vector<Point> (*)(const Rect& r1, Point p1, const Rect& r2, Point p2,
                                                 double margin);
    using RouteTable =
        std::unordered_map<std::shared_ptr<DiagramLink>, std::shared_ptr<ArrayRef<Point>>>;
    using SegmentList = ArrayRef<Segment>;
    using SegmentTable =
        std::unordered_map<std::shared_ptr<DiagramLink>, std::shared_ptr<SegmentList>>;

    static constexpr double defaultMargin = 8.0;

    // The document owns the router, and a host may keep the router beyond the document, so the
    // router refers to its document weakly: once the document is gone, routing answers nothing
    // and changes nothing. A router made without a document routes around no obstacles.
    explicit Router(const std::shared_ptr<Diagram>& diagram);
    ~Router();

    Router(const Router&) = delete;
    Router& operator=(const Router&) = delete;

    // Null once the document is gone.
    std::shared_ptr<Diagram> diagram() const { return diagram_.lock(); }
    // The distance routes keep from nodes; taken from the document at the start of every route.
    double cm() const { return cm_; }

    // The route of the link from its current start point to its current end point, around the
    // document's obstacle nodes, also those that the ways around others run into; the link is
    // not changed. At least two points for a link, none for a null link. An end on no real node
    // routes from its end point.
    std::vector<Point> routeLink(const std::shared_ptr<DiagramLink>& link);
    // Routes every link of the list, spreads apart the legs that overlap and applies the routes
    // to the links (their shape then lays the points out its own way). A link listed twice is
    // routed once; null entries are skipped.
    void routeLinkSet(const std::vector<std::shared_ptr<DiagramLink>>& links);
    // Spreads apart the overlapping legs of the routes held in linkRoutes for these links:
    // horizontal legs first, then vertical ones. A route's first leg, and legs of no length,
    // stay where they are.
    void separateSegments(const std::vector<std::shared_ptr<DiagramLink>>& links);
    void separateSegmentsOnAxis(const std::vector<std::shared_ptr<DiagramLink>>& links,
                                bool horizontal);

    // The routes of the set being routed; emptied, like linkSegments, when the set has been
    // applied.
    RouteTable& linkRoutes() { return linkRoutes_; }
    // The legs of those routes while they are spread apart.
    SegmentTable& linkSegments() { return linkSegments_; }

    // Every node of the document that the route must avoid: obstacle nodes other than the
    // link's own end nodes and the containers that hold them, whose rectangles (obstacleBounds)
    // meet the box of the route, in the document's order. Scans every node; routing a set uses
    // a spatial index that gives the same answer.
    std::vector<std::shared_ptr<DiagramNode>> findObstacles(
        const std::shared_ptr<DiagramLink>& link, const std::vector<Point>& route) const;
    // The rectangle a route keeps out of: the box of the node turned by its rotation, grown by
    // the margin on every side.
    static Rect obstacleBounds(DiagramNode& node, double margin);

    // The sixteen templates by origin side letter and destination side letter ("t", "r", "b",
    // "l"), such as "rl" for a link from a right side to a left side.
    static const std::map<std::string, RouteTemplate, std::less<>>& sideRouteTemplates();
    // The side of the rectangle nearest to the point: 't', 'r', 'b' or 'l'; on equal distances
    // the earlier in that order.
    static char nearestSide(const Rect& rect, Point point);
    // The template route between two rectangles: the scene is turned in quarter turns so that
    // the destination lies to the right of the origin, routed by the template of the nearest
    // sides, and turned back. The route starts exactly at p1 and ends exactly at p2.
    static std::vector<Point> templateRoute(const Rect& r1, Point p1, const Rect& r2, Point p2,
                                            double margin);
    // Bends the route around the obstacle rectangles (already grown by the margin), passing
    // close ones as one, then removes the U-turns that can be cut short without crossing an
    // obstacle or one of the end nodes' rectangles.
    static std::vector<Point> routeAroundObstacles(const std::vector<Point>& route,
                                                   const std::vector<Rect>& obstacles,
                                                   const std::vector<Rect>& endNodes,
                                                   double margin);
    // The clusters of the obstacles whose rectangles, each shrunk by a quarter of the margin,
    // overlap or touch, directly or through others; in the order of their first members.
    static std::vector<Union> collectUnions(const std::vector<Rect>& obstacles, double margin);
    // The crossings of the leg p-q with the sides of the rectangle, side by side.
    static std::vector<Intersection> findIntersections(Point p, Point q, const Rect& bounds,
                                                       int node, int segment);
    // Where a horizontal and a vertical segment cross (to within 1e-07): a segment that only
    // touches the other at its end, or runs along it, does not cross it.
    static std::optional<Point> intersectOrthogonalSegments(Point p1, Point p2, Point q1, Point q2);
    // The way around the rectangle from the entry to the exit: the one with fewer corners, the
    // shorter one on equal corners, the way of decreasing corner numbers on equal lengths.
    static std::vector<Point> detourAroundObstacle(const Rect& bounds, const Intersection& entry,
                                                   const Intersection& exit);
    // Cuts U-turns short where the shortcut crosses none of the rectangles (each shrunk by an
    // eighth of the margin).
    static void simplifyRoute(std::vector<Point>& route, const std::vector<Rect>& nodes,
                              double margin);
    // Whether the leg lies within one of the rectangles (shrunk by an eighth of the margin) or
    // crosses one of their sides.
    static bool segmentHitsNodes(Point p, Point q, const std::vector<Rect>& nodes, double margin);

private:
    // The margin as the document gives it, or the default for a value no route can keep.
    static double sanitizeMargin(double margin);
    struct Scratch;
    // The obstacles (by position in the document's node list, with their rectangles) that meet
    // the box, in the document's order, leaving out the given nodes; from the index while a set
    // is routed.
    std::vector<std::pair<int, Rect>> obstaclesIn(
        const Rect& box, const std::vector<const DiagramNode*>& excluded) const;
    // Whether the router was made for a document that no longer exists.
    bool documentGone() const { return madeForDocument_ && diagram_.expired(); }

    std::weak_ptr<Diagram> diagram_;
    bool madeForDocument_ = false;
    double cm_ = defaultMargin;
    RouteTable linkRoutes_;
    SegmentTable linkSegments_;
    // Defined beside the lists, so that only RouterSeparation.cpp needs to know them.
    struct ScratchDeleter {
        void operator()(Scratch* scratch) const;
    };
    // The lists of a routing pass (RouterSeparation.cpp), kept with their capacity.
    std::unique_ptr<Scratch, ScratchDeleter> scratch_;
    // The obstacles of the set being routed; null outside routeLinkSet.
    const ObstacleIndex* index_ = nullptr;
    // The positions one obstacle query finds, kept for the next query of the routing pass.
    mutable std::vector<int> scratchPositions_;
};

}  // namespace nodeloom
