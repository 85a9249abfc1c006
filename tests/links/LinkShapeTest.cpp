#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/links/BezierShapeImpl.h"
#include "Nodeloom/links/CardinalSpline.h"
#include "Nodeloom/links/CascadingShapeImpl.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkShapeImpl.h"
#include "Nodeloom/links/PolylineShapeImpl.h"
#include "Nodeloom/links/SplineShapeImpl.h"
#include "items/NodeTestSupport.h"

using namespace nodeloom;
using nodeloom::test::connect;
using nodeloom::test::nodeAt;

namespace {

using Points = std::vector<Point>;

std::shared_ptr<DiagramLink> linkWith(LinkShape shape, Points points) {
    auto link = std::make_shared<DiagramLink>();
    link->setControlPoints(std::move(points));
    link->setShape(shape);
    return link;
}

// Sets a dragged point the way the link controller does, then tells the strategy.
void drag(DiagramLink& link, int index, Point to) {
    const auto before = std::dynamic_pointer_cast<DiagramLinkState>(link.createState());
    link.setControlPoint(static_cast<std::size_t>(index), to);
    link.shapeImpl()->onControlPointMoved(link, to, index, *before);
}

bool axisParallel(const Point& a, const Point& b) {
    return std::fabs(a.x - b.x) < 1e-9 || std::fabs(a.y - b.y) < 1e-9;
}

bool onOutline(const Point& p, const Rect& r) {
    constexpr double e = 1e-9;
    const bool inside =
        p.x >= r.x - e && p.x <= r.x + r.width + e && p.y >= r.y - e && p.y <= r.y + r.height + e;
    const bool onEdge = std::fabs(p.x - r.x) < e || std::fabs(p.x - r.x - r.width) < e ||
                        std::fabs(p.y - r.y) < e || std::fabs(p.y - r.y - r.height) < e;
    return inside && onEdge;
}

}  // namespace

TEST(LinkShapeImpl, OneSharedStrategyPerShape) {
    EXPECT_EQ(LinkShapeImpl::forShape(LinkShape::bezier), BezierShapeImpl::instance());
    EXPECT_EQ(LinkShapeImpl::forShape(LinkShape::polyline), PolylineShapeImpl::instance());
    EXPECT_EQ(LinkShapeImpl::forShape(LinkShape::cascading), CascadingShapeImpl::instance());
    EXPECT_EQ(LinkShapeImpl::forShape(LinkShape::spline), SplineShapeImpl::instance());
    EXPECT_EQ(LinkShapeImpl::forShape(static_cast<LinkShape>(9)), PolylineShapeImpl::instance());
}

TEST(LinkShapeImpl, SwitchingShapesRefitsOnlyListsTheNewShapeRefuses) {
    auto link = linkWith(LinkShape::polyline, {Point(0, 0), Point(30, 60)});
    link->setShape(LinkShape::bezier);
    EXPECT_EQ(link->controlPoints(),
              (Points{Point(0, 0), Point(10, 20), Point(20, 40), Point(30, 60)}));
    // Polyline and spline take any list.
    link->setShape(LinkShape::polyline);
    EXPECT_EQ(link->controlPoints().size(), 4u);
    link->setShape(LinkShape::spline);
    EXPECT_EQ(link->controlPoints().size(), 4u);

    // A three-point polyline does not fit 3n + 1 and is laid out again between its ends.
    auto bent = linkWith(LinkShape::polyline, {Point(0, 0), Point(90, 90), Point(30, 0)});
    bent->setShape(LinkShape::bezier);
    EXPECT_EQ(bent->controlPoints(),
              (Points{Point(0, 0), Point(10, 0), Point(20, 0), Point(30, 0)}));

    // Two points become three cascading segments, horizontal first when wider than tall.
    auto wide = linkWith(LinkShape::cascading, {Point(0, 0), Point(100, 40)});
    EXPECT_TRUE(wide->cascadeStartHorizontal());
    EXPECT_EQ(wide->controlPoints(),
              (Points{Point(0, 0), Point(50, 0), Point(50, 40), Point(100, 40)}));
    auto square = linkWith(LinkShape::cascading, {Point(0, 0), Point(40, 40)});
    EXPECT_FALSE(square->cascadeStartHorizontal());
    EXPECT_EQ(square->controlPoints(),
              (Points{Point(0, 0), Point(0, 20), Point(40, 20), Point(40, 40)}));

    // An L-shaped polyline already suits the cascading shape and is kept.
    auto corner = linkWith(LinkShape::polyline, {Point(0, 0), Point(20, 0), Point(20, 30)});
    corner->setShape(LinkShape::cascading);
    EXPECT_EQ(corner->controlPoints(), (Points{Point(0, 0), Point(20, 0), Point(20, 30)}));
    EXPECT_TRUE(CascadingShapeImpl::instance()->pointsAreValid(*corner));
    corner->setControlPoint(2, Point(25, 30));
    EXPECT_FALSE(CascadingShapeImpl::instance()->pointsAreValid(*corner));
}

TEST(LinkShapeImpl, BezierDragsKeepTheJointsSmooth) {
    const Points seven{Point(0, 0),  Point(10, 0), Point(20, 0), Point(30, 0),
                       Point(40, 0), Point(50, 0), Point(60, 0)};
    auto link = linkWith(LinkShape::bezier, seven);

    // A second tangent point mirrors the next segment's first one about their joint.
    drag(*link, 2, Point(20, 10));
    EXPECT_EQ(link->controlPoints()[4], Point(40, -10));
    // And the other way round.
    drag(*link, 4, Point(40, 6));
    EXPECT_EQ(link->controlPoints()[2], Point(20, -6));
    // A joint carries both of its tangent points along.
    drag(*link, 3, Point(30, 5));
    EXPECT_EQ(link->controlPoints()[2], Point(20, -1));
    EXPECT_EQ(link->controlPoints()[4], Point(40, 11));
    // The ends and the outer tangent points move alone.
    link->setControlPoints(seven);
    drag(*link, 0, Point(0, 9));
    drag(*link, 1, Point(10, 9));
    drag(*link, 5, Point(50, 9));
    EXPECT_EQ(link->controlPoints(), (Points{Point(0, 9), Point(10, 9), Point(20, 0), Point(30, 0),
                                             Point(40, 0), Point(50, 9), Point(60, 0)}));

    // A state of another point count, or an index outside the list, adjusts nothing.
    link->setControlPoints(seven);
    DiagramLinkState shorter;
    shorter.setControlPoints({Point(0, 0)});
    link->setControlPoint(2, Point(20, 10));
    link->shapeImpl()->onControlPointMoved(*link, Point(20, 10), 2, shorter);
    EXPECT_EQ(link->controlPoints()[4], Point(40, 0));
    link->shapeImpl()->onControlPointMoved(*link, Point(), 42, shorter);
    link->shapeImpl()->onControlPointMoved(*link, Point(), -1, shorter);
    EXPECT_EQ(link->controlPoints().size(), 7u);
}

TEST(LinkShapeImpl, BezierTurnsAnAppliedPolylineIntoSegments) {
    auto link = linkWith(LinkShape::bezier, {Point(0, 0), Point(1, 1), Point(2, 2), Point(3, 3)});
    BezierShapeImpl& bezier = *BezierShapeImpl::instance();

    link->setControlPoints({Point(0, 0), Point(100, 0), Point(100, 100)});
    bezier.onPointsApplied(*link);
    EXPECT_EQ(link->controlPoints(),
              (Points{Point(0, 0), Point(100, 0), Point(100, 0), Point(100, 100)}));

    // Joints halfway between neighbouring inner vertices.
    link->setControlPoints({Point(0, 0), Point(100, 0), Point(100, 100), Point(200, 100)});
    bezier.onPointsApplied(*link);
    EXPECT_EQ(link->controlPoints(),
              (Points{Point(0, 0), Point(100, 0), Point(100, 0), Point(100, 50), Point(100, 100),
                      Point(100, 100), Point(200, 100)}));
    EXPECT_EQ(link->segmentCount(), 2);

    link->setControlPoints({Point(0, 0), Point(40, 20)});
    bezier.onPointsApplied(*link);
    EXPECT_EQ(link->controlPoints(),
              (Points{Point(0, 0), Point(20, 10), Point(20, 10), Point(40, 20)}));

    link->setControlPoints({});
    bezier.onPointsApplied(*link);
    EXPECT_TRUE(link->controlPoints().empty());
}

TEST(LinkShapeImpl, CascadingDragsStayOrthogonal) {
    // Horizontal first: (0,0) -> (50,0) -> (50,40) -> (100,40).
    auto link = linkWith(LinkShape::cascading, {Point(0, 0), Point(100, 40)});

    // An inner point drags both of its segments along.
    drag(*link, 1, Point(60, 5));
    EXPECT_EQ(link->controlPoints(),
              (Points{Point(0, 0), Point(60, 0), Point(60, 40), Point(100, 40)}));
    drag(*link, 2, Point(70, 30));
    EXPECT_EQ(link->controlPoints(),
              (Points{Point(0, 0), Point(70, 0), Point(70, 40), Point(100, 40)}));

    // An end that keeps the direction pulls only its neighbour into line.
    drag(*link, 3, Point(120, 50));
    EXPECT_EQ(link->controlPoints(),
              (Points{Point(0, 0), Point(70, 0), Point(70, 50), Point(120, 50)}));
    drag(*link, 0, Point(0, 4));
    EXPECT_EQ(link->controlPoints()[1], Point(70, 4));

    // An end dragged below its start turns the link vertical-first and spreads it again.
    drag(*link, 3, Point(20, 200));
    EXPECT_FALSE(link->cascadeStartHorizontal());
    const Points& p = link->controlPoints();
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p.front(), Point(0, 4));
    EXPECT_EQ(p.back(), Point(20, 200));
    for (std::size_t i = 0; i + 1 < p.size(); ++i)
        EXPECT_TRUE(axisParallel(p[i], p[i + 1])) << i;
    EXPECT_EQ(p[1].x, 0);
}

TEST(LinkShapeImpl, CascadingEndsAndAppliedRoutes) {
    auto link = linkWith(LinkShape::cascading, {Point(0, 0), Point(100, 40)});
    CascadingShapeImpl& cascading = *CascadingShapeImpl::instance();

    // Ends moved by their nodes: the first and last segments are squared again.
    link->setStartPoint(Point(0, 7));
    link->setEndPoint(Point(110, 45));
    cascading.adjustAfterEndsMoved(*link);
    EXPECT_EQ(link->controlPoints(),
              (Points{Point(0, 7), Point(50, 7), Point(50, 45), Point(110, 45)}));
    // Five points, horizontal first: the last segment (3) is vertical.
    link->setControlPoints(
        {Point(0, 0), Point(10, 3), Point(10, 20), Point(30, 20), Point(33, 50)});
    cascading.adjustAfterEndsMoved(*link);
    EXPECT_EQ(link->controlPoints()[1], Point(10, 0));
    EXPECT_EQ(link->controlPoints()[3], Point(33, 20));

    link->setControlPoints({Point(0, 0), Point(100, 0), Point(100, 100)});
    cascading.onPointsApplied(*link);
    EXPECT_TRUE(link->cascadeStartHorizontal());
    link->setControlPoints({Point(0, 0), Point(0, 100), Point(100, 100)});
    cascading.onPointsApplied(*link);
    EXPECT_FALSE(link->cascadeStartHorizontal());

    // Lists too short to work on are left alone.
    link->setControlPoints({Point(1, 1)});
    cascading.adjustAfterEndsMoved(*link);
    cascading.onPointsApplied(*link);
    drag(*link, 0, Point(2, 2));
    EXPECT_EQ(link->controlPoints(), (Points{Point(2, 2)}));
}

TEST(LinkShapeImpl, SplineRunsThroughItsPoints) {
    // Two points: the phantom ends continue the line, so the cubic is straight.
    CardinalSpline straight({Point(0, 0), Point(30, 0)});
    EXPECT_EQ(straight.splinePoints(),
              (Points{Point(0, 0), Point(10, 0), Point(20, 0), Point(30, 0)}));

    const Points through{Point(0, 0), Point(50, 40), Point(100, 0), Point(150, 30)};
    const Points s = CardinalSpline(through).splinePoints();
    ASSERT_EQ(s.size(), 10u);
    for (std::size_t i = 0; i < through.size(); ++i)
        EXPECT_EQ(s[3 * i], through[i]);
    // Symmetric neighbours give a tangent parallel to them at the middle joint.
    EXPECT_NEAR(s[2].y, s[4].y, 1e-9);

    // A neighbour on top of a point gives no direction: the tangent point stays on the point.
    const Points repeated =
        CardinalSpline({Point(0, 0), Point(0, 0), Point(10, 10)}).splinePoints();
    EXPECT_EQ(repeated[4], Point(0, 0));
    // Phantom points of the caller's own.
    const Points own =
        CardinalSpline({Point(0, 0), Point(10, 0)}, Point(0, 0), Point(10, 0)).splinePoints();
    EXPECT_EQ(own, (Points{Point(0, 0), Point(0, 0), Point(10, 0), Point(10, 0)}));
    EXPECT_EQ(CardinalSpline({Point(4, 4)}).splinePoints(), (Points{Point(4, 4)}));
}

// Every shape at every segment count keeps its ends on the nodes' outlines. The nodes overlap
// vertically, so that even a single cascading segment can reach from one to the other.
TEST(LinkShapeImpl, LinksBetweenNodesKeepTheirEndsForEveryShapeAndSegmentCount) {
    const Rect from(0, 0, 40, 30), to(100, 10, 40, 30);
    const LinkShape shapes[] = {LinkShape::polyline, LinkShape::bezier, LinkShape::cascading,
                                LinkShape::spline};
    for (LinkShape shape : shapes) {
        for (int count = 1; count <= 6; ++count) {
            SCOPED_TRACE("shape " + std::to_string(static_cast<int>(shape)) + ", " +
                         std::to_string(count) + " segments");
            auto a = nodeAt(from);
            auto b = nodeAt(to);
            auto link = connect(a, b, {from.center(), to.center()});
            link->clipEndsToOutlines();
            link->setShape(shape);
            link->setSegmentCount(count);

            const Points& p = link->controlPoints();
            const std::size_t expected = shape == LinkShape::bezier ? 3 * count + 1 : count + 1;
            ASSERT_EQ(p.size(), expected);
            EXPECT_EQ(link->segmentCount(), count);
            EXPECT_TRUE(onOutline(p.front(), from)) << p.front().toString();
            EXPECT_TRUE(onOutline(p.back(), to)) << p.back().toString();
            EXPECT_EQ(link->origin(), a);
            EXPECT_EQ(link->destination(), b);
            if (shape == LinkShape::cascading) {
                for (std::size_t i = 0; i + 1 < p.size(); ++i)
                    EXPECT_TRUE(axisParallel(p[i], p[i + 1])) << "segment " << i;
            }
        }
    }
}

// A link follows its node through every shape: the ends come back on the moved node's outline
// and cascading segments stay orthogonal.
TEST(LinkShapeImpl, LinksFollowAMovedNodeInEveryShape) {
    const LinkShape shapes[] = {LinkShape::polyline, LinkShape::bezier, LinkShape::cascading,
                                LinkShape::spline};
    for (LinkShape shape : shapes) {
        SCOPED_TRACE(static_cast<int>(shape));
        auto a = nodeAt(Rect(0, 0, 40, 30));
        auto b = nodeAt(Rect(100, 60, 40, 30));
        auto link = connect(a, b, {Point(20, 15), Point(120, 75)});
        link->clipEndsToOutlines();
        link->setShape(shape);
        link->setSegmentCount(3);
        link->updateFromPoints();

        b->_setBounds(Rect(130, 90, 40, 30));
        link->updateEndsFromConnections();
        const Points& p = link->controlPoints();
        EXPECT_TRUE(onOutline(p.front(), a->bounds()));
        EXPECT_TRUE(onOutline(p.back(), b->bounds())) << p.back().toString();
        if (shape == LinkShape::cascading) {
            for (std::size_t i = 0; i + 1 < p.size(); ++i)
                EXPECT_TRUE(axisParallel(p[i], p[i + 1]));
        }
    }
}
