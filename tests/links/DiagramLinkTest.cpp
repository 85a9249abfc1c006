#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/RuntimeDataKey.h"
#include "Nodeloom/items/AnchorPattern.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"

using namespace nodeloom;

namespace {

std::shared_ptr<DiagramNode> nodeAt(const Rect& bounds) {
    auto node = std::make_shared<DiagramNode>();
    node->_setBounds(bounds);
    return node;
}

std::shared_ptr<DiagramLink> linkWith(LinkShape shape, std::vector<Point> points) {
    auto link = std::make_shared<DiagramLink>();
    link->setShape(shape);
    link->setControlPoints(std::move(points));
    return link;
}

void attach(const std::shared_ptr<DiagramLink>& link, const std::shared_ptr<DiagramNode>& from,
            const std::shared_ptr<DiagramNode>& to) {
    link->setOriginConnection(from->createConnectionPoint(link, link->startPoint(), false));
    link->setDestinationConnection(to->createConnectionPoint(link, link->endPoint(), true));
}

}  // namespace

TEST(DiagramLink, NewLinkAndItsEnds) {
    auto link = std::make_shared<DiagramLink>();
    EXPECT_EQ(link->shape(), LinkShape::polyline);
    EXPECT_EQ(link->controlPoints(), (std::vector<Point>{Point(0, 0), Point(50, 50)}));
    EXPECT_EQ(link->getClassType().name(), "std:DiagramLink");
    EXPECT_NE(std::dynamic_pointer_cast<DiagramLinkState>(link->createState()), nullptr);

    // Ends never connected sit on the virtual node; the first one read is kept.
    auto origin = link->originConnection();
    EXPECT_NE(std::dynamic_pointer_cast<VirtualConnectionPoint>(origin), nullptr);
    EXPECT_FALSE(origin->incoming());
    EXPECT_TRUE(link->destinationConnection()->incoming());
    EXPECT_EQ(origin->link(), link);
    EXPECT_EQ(link->originConnection(), origin);
    EXPECT_EQ(link->destination(), VirtualNode::instance());

    // The centre is the middle of the ends, however far the link bends.
    link->setControlPoints({Point(0, 0), Point(500, -300), Point(10, 20)});
    EXPECT_EQ(link->center(), Point(5, 10));
    // Without points there is nothing to read or move.
    link->setControlPoints({});
    link->setStartPoint(Point(1, 1));
    link->setSegmentCount(3);
    EXPECT_EQ(link->startPoint(), Point(0, 0));
    EXPECT_EQ(link->getBounds(), Rect());
    EXPECT_TRUE(link->controlPoints().empty());
}

// A point that is not finite would be saved as a word that reads back as 0: every operation
// that takes points refuses it and leaves the link as it was.
TEST(DiagramLink, PointsThatAreNotFiniteAreRefused) {
    auto d = std::make_shared<Diagram>();
    auto from = nodeAt(Rect(0, 0, 20, 20));
    auto to = nodeAt(Rect(100, 0, 20, 20));
    d->addItem(from);
    d->addItem(to);
    auto link = linkWith(LinkShape::polyline, {Point(20, 10), Point(60, 30), Point(100, 10)});
    attach(link, from, to);
    d->addItem(link);
    const std::vector<Point> points = link->controlPoints();
    const std::string saved = d->saveToXmlString();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const Point bad : {Point(nan, 0), Point(0, inf), Point(-inf, nan)}) {
        link->setControlPoints({Point(20, 10), bad, Point(100, 10)});
        link->setControlPoints({bad, Point(100, 10)});
        link->setControlPoint(1, bad);
        link->setStartPoint(bad);
        link->setEndPoint(bad);
        EXPECT_EQ(link->controlPoints(), points);
    }
    EXPECT_EQ(d->saveToXmlString(), saved);
    // The ends still follow their nodes from where they were.
    from->setBounds(Rect(0, 40, 20, 20));
    EXPECT_EQ(link->startPoint(), Point(20, 50));
}

TEST(DiagramLink, SegmentCounting) {
    EXPECT_EQ(linkWith(LinkShape::bezier, std::vector<Point>(7))->segmentCount(), 2);
    EXPECT_EQ(linkWith(LinkShape::polyline, std::vector<Point>(7))->segmentCount(), 6);

    auto polyline = linkWith(LinkShape::polyline, {Point(0, 0), Point(99, 99), Point(30, 60)});
    polyline->setSegmentCount(3);
    EXPECT_EQ(polyline->controlPoints(),
              (std::vector<Point>{Point(0, 0), Point(10, 20), Point(20, 40), Point(30, 60)}));

    auto bezier = linkWith(LinkShape::bezier, {Point(0, 0), Point(90, 0)});
    bezier->setSegmentCount(3);
    ASSERT_EQ(bezier->controlPoints().size(), 10u);
    EXPECT_EQ(bezier->controlPoints()[1], Point(10, 0));
    EXPECT_EQ(bezier->segmentCount(), 3);

    auto cascading = linkWith(LinkShape::cascading, {Point(0, 0), Point(100, 40)});
    cascading->setSegmentCount(3);
    EXPECT_TRUE(cascading->cascadeStartHorizontal());
    EXPECT_EQ(cascading->controlPoints(),
              (std::vector<Point>{Point(0, 0), Point(50, 0), Point(50, 40), Point(100, 40)}));
    auto steep = linkWith(LinkShape::cascading, {Point(0, 0), Point(10, 40)});
    steep->setSegmentCount(1);
    EXPECT_EQ(steep->controlPoints(), (std::vector<Point>{Point(0, 0), Point(0, 40)}));

    // Counts below one, or too large to hold, leave the points alone.
    polyline->setSegmentCount(0);
    polyline->setSegmentCount(-4);
    polyline->setSegmentCount(2000000000);
    EXPECT_EQ(polyline->segmentCount(), 3);
}

TEST(DiagramLink, BoundsGrowByTheOwnStrokeThickness) {
    auto link = linkWith(LinkShape::polyline, {Point(10, 50), Point(30, 20), Point(0, 40)});
    EXPECT_EQ(link->getBounds(), Rect(-1, 19, 32, 32));
    link->setStrokeThickness(-1);
    EXPECT_EQ(link->getBounds(), Rect(0, 20, 30, 30));
    EXPECT_EQ(link->getBoundingRect(), link->getBounds());
}

TEST(DiagramLink, CachedCrossingsAreDroppedByChangesBesideTheLink) {
    EXPECT_EQ(DiagramLink::CrossingsData(3).segmentCrossings().size(), 3u);
    EXPECT_TRUE(DiagramLink::CrossingsData(-1).segmentCrossings().empty());
    auto diagram = std::make_shared<Diagram>();
    diagram->setLinkCrossings(LinkCrossings::arc);
    auto node = nodeAt(Rect(0, 0, 10, 10));
    auto link = linkWith(LinkShape::polyline, {Point(0, 0), Point(100, 0)});
    diagram->attachItem(node, false);
    diagram->attachItem(link, false);
    link->runtimeData()[RuntimeDataKey::linkCrossings] =
        std::make_shared<DiagramLink::CrossingsData>(1);
    node->invalidateLinkCrossings(Rect(50, -5, 10, 10));
    EXPECT_EQ(link->runtimeData().count(RuntimeDataKey::linkCrossings), 0u);
}

TEST(DiagramLink, ClippingEndsToTheNodeOutlines) {
    auto a = nodeAt(Rect(0, 0, 20, 20));
    auto b = nodeAt(Rect(100, 0, 20, 20));
    auto link = linkWith(LinkShape::polyline, {Point(10, 10), Point(60, 10), Point(110, 10)});
    attach(link, a, b);
    link->clipEndsToOutlines();
    EXPECT_EQ(link->startPoint(), Point(20, 10));
    EXPECT_EQ(link->endPoint(), Point(100, 10));
    EXPECT_EQ(link->originConnection()->relativePosition(), Point(100, 50));
    EXPECT_EQ(link->destinationConnection()->relativePosition(), Point(0, 50));

    // Nodes that only touch are still clipped, and on a two-point link the end does not stay
    // at its node's centre because the clipped start already lies on that node's border.
    b->_setBounds(Rect(20, 0, 20, 20));
    link->setControlPoints({Point(10, 10), Point(30, 10)});
    link->clipEndsToOutlines();
    EXPECT_EQ(link->startPoint(), Point(20, 10));
    EXPECT_EQ(link->endPoint(), Point(20, 10));

    // Overlapping nodes: each end is aligned to its node instead.
    b->_setBounds(Rect(10, 0, 20, 20));
    b->setAnchorPattern(AnchorPattern::topInBottomOut());
    link->setControlPoints({Point(5, 5), Point(25, 15)});
    link->clipEndsToOutlines();
    EXPECT_EQ(link->startPoint(), Point(5, 0));
    EXPECT_EQ(link->endPoint(), Point(20, 0));
    EXPECT_EQ(link->destinationConnection()->anchor(), 0);
}

TEST(DiagramLink, ALooseEndIsNotClippedToTheStandInNode) {
    auto b = nodeAt(Rect(100, 0, 20, 20));
    auto link = linkWith(LinkShape::polyline, {Point(10, 10), Point(20, 10), Point(110, 10)});
    link->setDestinationConnection(b->createConnectionPoint(link, link->endPoint(), true));
    link->clipEndsToOutlines();
    // The stand-in node's box lies around (10, 10); the loose start stays where it was.
    EXPECT_EQ(link->startPoint(), Point(10, 10));
    EXPECT_EQ(link->endPoint(), Point(100, 10));

    auto single = linkWith(LinkShape::polyline, {Point(1, 1)});
    single->clipEndsToOutlines();
    EXPECT_EQ(single->controlPoints(), (std::vector<Point>{Point(1, 1)}));
}
