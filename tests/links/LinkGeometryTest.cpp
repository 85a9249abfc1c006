#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkLabel.h"
#include "Nodeloom/items/AdjustmentHandle.h"
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
    // Bounds without the stroke, so that the tests read the points alone.
    link->setStrokeThickness(0);
    return link;
}

}  // namespace

TEST(LinkGeometry, ApplyingARoute) {
    auto a = nodeAt(Rect(0, 0, 40, 40));
    auto b = nodeAt(Rect(100, 0, 40, 40));
    auto link = connect(a, b, {Point(40, 20), Point(60, 0), Point(80, 40), Point(100, 20)});
    link->setShape(LinkShape::bezier);

    // No route: a straight polyline between the outlines.
    link->applyPoints(std::nullopt, 0, 0, false, false);
    EXPECT_EQ(link->shape(), LinkShape::polyline);
    EXPECT_EQ(link->controlPoints(), (Points{Point(40, 20), Point(100, 20)}));

    // The route is moved by the offset; a Bézier link keeps it when told to keep its shape...
    const Points route{Point(0, 0), Point(10, 0), Point(20, 0), Point(30, 0)};
    link->setShape(LinkShape::bezier);
    link->applyPoints(route, 5, 1, false, true);
    EXPECT_EQ(link->controlPoints(),
              (Points{Point(5, 1), Point(15, 1), Point(25, 1), Point(35, 1)}));
    // ...and otherwise rebuilds it as segments.
    link->applyPoints(route, 0, 0, false, false);
    EXPECT_EQ(link->controlPoints().size(), 7u);

    // Clipped to the outlines, with the ends recorded on the nodes.
    link->setShape(LinkShape::polyline);
    link->applyPoints(Points{Point(20, 20), Point(70, 20), Point(120, 20)}, 0, 0, true, true);
    EXPECT_EQ(link->controlPoints(), (Points{Point(40, 20), Point(70, 20), Point(100, 20)}));
    EXPECT_EQ(link->destinationConnection()->relativePosition(), Point(0, 50));

    // A cascading link reads its direction off the route, and records its ends when asked.
    link->setShape(LinkShape::cascading);
    link->applyPoints(Points{Point(40, 20), Point(40, 60), Point(100, 70)}, 0, 0, false, false);
    EXPECT_FALSE(link->cascadeStartHorizontal());
    EXPECT_EQ(link->destinationConnection()->relativePosition(), Point(0, 50));
    link->setCascadeStartHorizontal(true);
    link->onPointsApplied(true);
    EXPECT_FALSE(link->cascadeStartHorizontal());
    EXPECT_EQ(link->destinationConnection()->relativePosition(), Point(0, 175));

    // Routes that are no routes change nothing.
    const Points before = link->controlPoints();
    link->applyPoints(Points{Point(1, 1)}, 0, 0, true, false);
    link->applyPoints(Points{}, 0, 0, true, false);
    link->applyPoints(Points{Point(0, 0), Point(NAN, 0)}, 0, 0, true, false);
    link->applyPoints(route, INFINITY, 0, true, false);
    EXPECT_EQ(link->controlPoints(), before);
}

TEST(LinkGeometry, RespacingTranslatingAndStretching) {
    auto polyline =
        linkWith(LinkShape::polyline, {Point(0, 0), Point(7, 30), Point(90, -4), Point(30, 60)});
    polyline->alignPoints();
    EXPECT_EQ(polyline->controlPoints(),
              (Points{Point(0, 0), Point(10, 20), Point(20, 40), Point(30, 60)}));
    // Only polylines of two segments or more are respaced.
    auto bezier =
        linkWith(LinkShape::bezier, {Point(0, 0), Point(5, 9), Point(1, 1), Point(30, 60)});
    bezier->alignPoints();
    EXPECT_EQ(bezier->controlPoints()[1], Point(5, 9));

    polyline->translateInnerPoints(10, -10);
    EXPECT_EQ(polyline->controlPoints(),
              (Points{Point(0, 0), Point(0, 30), Point(10, 50), Point(30, 60)}));
    auto straight = linkWith(LinkShape::polyline, {Point(0, 0), Point(5, 5)});
    straight->translateInnerPoints(3, 3);
    straight->translateInnerPoints(NAN, 3);
    EXPECT_EQ(straight->controlPoints(), (Points{Point(0, 0), Point(5, 5)}));

    // Stretching straightens the inner points on the way to the new end.
    auto five = linkWith(LinkShape::polyline,
                         {Point(0, 0), Point(3, 9), Point(1, 1), Point(8, 8), Point(5, 5)});
    five->stretchToPoint(Point(40, 0));
    EXPECT_EQ(five->controlPoints(),
              (Points{Point(0, 0), Point(10, 0), Point(20, 0), Point(30, 0), Point(40, 0)}));
    straight->stretchToPoint(Point(9, 1));
    EXPECT_EQ(straight->controlPoints(), (Points{Point(0, 0), Point(9, 1)}));
    auto cascading = linkWith(LinkShape::cascading, {Point(0, 0), Point(100, 40)});
    cascading->stretchToPoint(Point(120, 60));
    EXPECT_EQ(cascading->controlPoints(),
              (Points{Point(0, 0), Point(50, 0), Point(50, 40), Point(120, 60)}));
    cascading->stretchToPoint(Point(NAN, 1));
    EXPECT_EQ(cascading->endPoint(), Point(120, 60));
}

TEST(LinkGeometry, DistinctPointsCenterAndSegments) {
    auto link = linkWith(LinkShape::polyline, {Point(0, 0), Point(0, 0.000001), Point(5, 5),
                                               Point(9, 9.000002), Point(9, 9)});
    EXPECT_EQ(link->getFirstDistinctPoint(), Point(5, 5));
    EXPECT_EQ(link->getLastDistinctPoint(), Point(5, 5));
    EXPECT_EQ(link->center(), Point(4.5, 4.5));
    auto dot = linkWith(LinkShape::polyline, {Point(2, 2), Point(2, 2)});
    EXPECT_EQ(dot->getFirstDistinctPoint(), Point(2, 2));
    EXPECT_EQ(dot->getLastDistinctPoint(), Point(2, 2));

    EXPECT_EQ(link->getSegmentPoints(2), (Points{Point(5, 5), Point(9, 9.000002)}));
    EXPECT_TRUE(link->getSegmentPoints(4).empty());
    EXPECT_TRUE(link->getSegmentPoints(-1).empty());
    EXPECT_EQ(link->getFlattenedPointsWithSteps(3), link->controlPoints());

    auto curve =
        linkWith(LinkShape::bezier, {Point(0, 0), Point(0, 30), Point(30, 30), Point(30, 0),
                                     Point(30, -30), Point(60, -30), Point(60, 0)});
    const Points first = curve->getSegmentPoints(0);
    ASSERT_EQ(first.size(), 31u);
    EXPECT_EQ(first.front(), Point(0, 0));
    EXPECT_NEAR(first.back().x, 30, 1e-9);
    EXPECT_NEAR(first[15].y, 22.5, 1e-9);
    EXPECT_EQ(curve->getFlattenedPoints().size(), 62u);
    EXPECT_EQ(curve->getFlattenedPointsWithSteps(10).size(), 22u);
    EXPECT_EQ(curve->getFlattenedPointsWithSteps(0).size(), 4u);
}

TEST(LinkGeometry, SegmentsEndShortUnderArrowheads) {
    auto link = std::make_shared<DiagramLink>();
    auto head = std::make_shared<Shape>();
    EXPECT_EQ(link->getInsetEndPoint(Point(0, 0), Point(10, 0), head, 4), Point(0, 0));
    head->setLinkSegmentInset(50);
    EXPECT_EQ(link->getInsetEndPoint(Point(0, 0), Point(0, 10), head, 4), Point(0, 2));
    EXPECT_EQ(link->getInsetEndPoint(Point(3, 3), Point(3, 3), head, 4), Point(3, 3));
    EXPECT_EQ(link->getInsetEndPoint(Point(0, 0), Point(10, 0), nullptr, 4), Point(0, 0));
    EXPECT_EQ(link->getInsetEndPoint(Point(0, 0), Point(10, 0), head, NAN), Point(0, 0));
}

TEST(LinkGeometry, HitTestingThePathAndTheLabels) {
    auto diagram = std::make_shared<Diagram>();
    auto link = linkWith(LinkShape::polyline, {Point(0, 0), Point(100, 0)});
    diagram->attachItem(link, false);

    // 5 millimetres around the path in a millimetre document.
    EXPECT_TRUE(link->containsPoint(Point(50, 4)));
    EXPECT_FALSE(link->containsPoint(Point(50, 6)));
    EXPECT_FALSE(link->containsPoint(Point(50, 2), 1.0));
    EXPECT_TRUE(link->containsPoint(Point(50, 0.5), 1.0));
    EXPECT_FALSE(link->containsPoint(Point(NAN, 0)));
    // In centimetres the reach is half a unit.
    diagram->setMeasureUnit(MeasureUnit::Centimeter());
    EXPECT_TRUE(link->containsPoint(Point(50, 0.4)));
    EXPECT_FALSE(link->containsPoint(Point(50, 0.6)));

    // A Bézier link is tested against its curve, not its control polygon.
    auto curve =
        linkWith(LinkShape::bezier, {Point(0, 0), Point(0, 40), Point(40, 40), Point(40, 0)});
    EXPECT_TRUE(curve->containsPoint(Point(20, 29)));
    EXPECT_FALSE(curve->containsPoint(Point(20, 39)));

    // A label's rectangle counts as the link, however far from the path.
    auto label = std::make_shared<LinkLabel>(link);
    label->setCachedLayoutRect(Rect(40, 100, 20, 10));
    auto empty = std::make_shared<LinkLabel>(link);
    empty->setCachedLayoutRect(Rect(0, 0, 0, 0));
    link->setLabels({empty, nullptr, label});
    EXPECT_EQ(link->labelFromPoint(Point(60, 110)), label);
    EXPECT_EQ(link->labelFromPoint(Point(0, 0)), nullptr);
    EXPECT_TRUE(link->containsPoint(Point(50, 105)));

    // The handle of the nearest control point.
    const auto handle =
        std::dynamic_pointer_cast<LinkAdjustmentHandle>(link->hitTestHandle(Point(98, 1)));
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->pointIndex(), 1);
    EXPECT_EQ(handle->item(), link);
}

TEST(LinkGeometry, RectangleTests) {
    auto diagonal = linkWith(LinkShape::polyline, {Point(0, 0), Point(100, 100)});
    EXPECT_FALSE(diagonal->intersects(Rect(200, 0, 10, 10)));
    EXPECT_TRUE(diagonal->intersects(Rect(-10, -10, 200, 200)));
    // The bounds meet, but the path passes below the rectangle.
    EXPECT_FALSE(diagonal->intersects(Rect(60, 0, 40, 30)));
    // Touching the bounds at a corner that the path reaches.
    EXPECT_TRUE(diagonal->intersects(Rect(100, 100, 20, 20)));
    EXPECT_FALSE(diagonal->intersects(Rect(100, -20, 20, 20)));

    // Through the rectangle without a point inside it.
    auto across = linkWith(LinkShape::polyline, {Point(0, 50), Point(100, 50)});
    EXPECT_TRUE(across->intersects(Rect(40, 0, 20, 100)));
    auto down = linkWith(LinkShape::polyline, {Point(50, 0), Point(50, 100)});
    EXPECT_TRUE(down->intersects(Rect(0, 40, 100, 20)));

    // A Bézier link is flattened: its curve reaches where its chord does not.
    auto curve =
        linkWith(LinkShape::bezier, {Point(0, 0), Point(0, 100), Point(100, 100), Point(100, 0)});
    EXPECT_TRUE(curve->intersects(Rect(45, 70, 10, 10)));
    EXPECT_FALSE(curve->intersects(Rect(45, 80, 10, 10)));
}

TEST(LinkGeometry, TopLevelFollowsTheEndNodesOnceContainersExist) {
    auto a = nodeAt(Rect(0, 0, 10, 10));
    auto b = nodeAt(Rect(50, 0, 10, 10));
    auto link = connect(a, b, {Point(10, 5), Point(50, 5)});
    a->setTopLevel(false);
    b->setTopLevel(false);
    link->setTopLevel(false);
    if (!anyContainerCreated()) {
        EXPECT_TRUE(link->isTopLevel());
    }

    auto container = std::make_shared<ContainerNode>();
    ASSERT_TRUE(anyContainerCreated());
    EXPECT_FALSE(link->isTopLevel());
    link->setTopLevel(true);
    EXPECT_TRUE(link->isTopLevel());
    link->setTopLevel(false);
    b->setTopLevel(true);
    EXPECT_TRUE(link->isTopLevel());
}

TEST(LinkGeometry, MeasuringTheText) {
    auto link = linkWith(LinkShape::polyline, {Point(0, 0), Point(100, 40)});
    const Point m(50, 20);
    const Rect plain = link->measureText("Some link text", false, 0, 3);
    ASSERT_GT(plain.width, 2);
    ASSERT_GT(plain.height, 2);
    EXPECT_NEAR(plain.x + plain.width / 2, m.x, 1e-9);
    EXPECT_NEAR(plain.y + plain.height / 2, m.y, 1e-9);

    // Left of and below the middle, with the margin between.
    link->setHorizontalTextAlignment(HorizontalAlignment::left);
    link->setVerticalTextAlignment(VerticalAlignment::top);
    const Rect corner = link->measureText("Some link text", false, 0, 3);
    EXPECT_NEAR(corner.x + corner.width - 1, m.x - 3, 1e-9);
    EXPECT_NEAR(corner.y + 1, m.y + 3, 1e-9);
    EXPECT_NEAR(corner.width, plain.width, 1e-9);
    // Wrapped narrower than the text: narrower, and taller by the ratio of the widths.
    link->setHorizontalTextAlignment(HorizontalAlignment::center);
    link->setVerticalTextAlignment(VerticalAlignment::center);
    const Rect wrapped = link->measureText("Some link text", true, plain.width / 2, 0);
    EXPECT_LT(wrapped.width, plain.width);
    EXPECT_GT(wrapped.height, plain.height);
    // Wide enough: the unwrapped width, the height grown by the fixed 5 units.
    const Rect roomy = link->measureText("Some link text", true, 1000, 0);
    EXPECT_NEAR(roomy.width, plain.width, 1e-9);
    EXPECT_NEAR(roomy.height, plain.height + 5, 1e-9);

    // Blanks and line feeds alone have no width to scale by: the unwrapped size is kept.
    for (const char* blank : {"   ", "\n\n", "", " \n "}) {
        const Rect r = link->measureText(blank, true, 10, 0);
        const Rect unwrapped = link->measureText(blank, false, 10, 0);
        EXPECT_TRUE(std::isfinite(r.width) && std::isfinite(r.height)) << '"' << blank << '"';
        EXPECT_EQ(r, unwrapped) << '"' << blank << '"';
    }
    const Rect bad = link->measureText("text", true, NAN, NAN);
    EXPECT_TRUE(std::isfinite(bad.x) && std::isfinite(bad.height));
    link->setFontSize(0);
    EXPECT_EQ(link->measureText("text", false, 0, 0), Rect(49, 19, 2, 2));
}

TEST(LinkGeometry, TheDocumentsHitDistanceWins) {
    auto diagram = std::make_shared<Diagram>();
    auto link = linkWith(LinkShape::polyline, {Point(0, 0), Point(100, 0)});
    diagram->attachItem(link, false);
    diagram->setLinkHitDistance(10);
    EXPECT_TRUE(link->containsPoint(Point(50, 8)));
    EXPECT_FALSE(link->containsPoint(Point(50, 11)));
    diagram->setLinkHitDistance(1);
    EXPECT_FALSE(link->containsPoint(Point(50, 2)));
}
