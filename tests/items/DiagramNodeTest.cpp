#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "ItemTestSupport.h"
#include "NodeTestSupport.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Theme.h"
#include "Nodeloom/items/AnchorPattern.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/items/AdjustmentHandle.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

void expectNear(const Point& actual, const Point& expected, double tolerance = 1e-9) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
}

NodeHandleType handleType(const std::shared_ptr<AdjustmentHandle>& handle) {
    auto node = std::dynamic_pointer_cast<NodeAdjustmentHandle>(handle);
    return node ? node->nodeHandleType() : NodeHandleType::none;
}

// Notes each bounds change the hook reports.
class HookedNode : public DiagramNode {
public:
    void onUpdateBounds(const Rect& oldBounds, const Rect& newBounds) override {
        changes.emplace_back(oldBounds, newBounds);
    }
    std::vector<std::pair<Rect, Rect>> changes;
};

}  // namespace

TEST(DiagramNode, NewNodeDefaults) {
    DiagramNode node;
    EXPECT_EQ(node.bounds(), Rect(0, 0, 50, 50));
    EXPECT_TRUE(node.obstacle());
    EXPECT_TRUE(node.expanded());
    EXPECT_EQ(*node.fillColor(), Color(1, 1, 1, 1));
    EXPECT_EQ(node.anchorPattern(), nullptr);
    EXPECT_EQ(node.links().count(), 0u);
    EXPECT_EQ(node.getOutline(),
              (std::vector<Point>{Point(0, 0), Point(50, 0), Point(50, 50), Point(0, 50)}));
    EXPECT_EQ(node.getClassType().name(), "std:DiagramNode");
    EXPECT_NE(std::dynamic_pointer_cast<DiagramNode>(node.getClassType().getInstance()), nullptr);
}

TEST(DiagramNode, BoundsInThreeStrengths) {
    auto diagram = std::make_shared<Diagram>();
    auto node = std::make_shared<HookedNode>();
    diagram->attachItem(node, false);
    RepaintLog log(*diagram);

    // The area of the old bounds and that of the new ones, then the hook.
    node->setBoundsAndRepaint(Rect(100, 0, 10, 10));
    EXPECT_EQ(log.rects,
              (std::vector<std::optional<Rect>>{Rect(-3, -3, 56, 56), Rect(97, -3, 16, 16)}));
    ASSERT_EQ(node->changes.size(), 1u);
    EXPECT_EQ(node->changes[0], std::make_pair(Rect(0, 0, 50, 50), Rect(100, 0, 10, 10)));
    node->move(10, 20, true);
    EXPECT_EQ(node->bounds(), Rect(10, 20, 10, 10));
    node->setBounds(Rect(1, 2, 3, 4), false);
    EXPECT_EQ(node->changes.size(), 3u);

    // The raw store neither repaints nor reports, and keeps any size.
    log.rects.clear();
    node->_setBounds(Rect(5, 5, -5, 0));
    EXPECT_EQ(node->bounds(), Rect(5, 5, -5, 0));
    EXPECT_TRUE(log.rects.empty());
    EXPECT_EQ(node->changes.size(), 3u);

    // Numbers that are not finite leave the node as it was.
    node->setBounds(Rect(NAN, 0, 1, 1));
    node->_setBounds(Rect(0, INFINITY, 1, 1));
    node->setRotationAngle(NAN);
    EXPECT_EQ(node->bounds(), Rect(5, 5, -5, 0));
    EXPECT_EQ(node->rotationAngle(), 0);
    EXPECT_TRUE(log.rects.empty());
    node->setRotationAngle(45);
    node->setAnchorPattern(nullptr);
    EXPECT_EQ(log.rects.size(), 2u);
}

TEST(DiagramNode, WhatHonoursRotation) {
    auto node = nodeAt(Rect(10, 20, 100, 50));
    node->setRotationAngle(90);
    // Containment tests the unrotated bounds, edges included.
    EXPECT_TRUE(node->containsPoint(Point(110, 70)));
    EXPECT_TRUE(node->containsPoint(Point(11, 21)));
    EXPECT_FALSE(node->containsPoint(Point(110.01, 70)));
    EXPECT_TRUE(node->containsPoint(Point(5, 15), 5));
    EXPECT_FALSE(node->containsPoint(Point(5, 15), 4.9));
    // Percent positions and the bounding box turn with the node about its centre (60, 45).
    expectNear(node->pointFromPercent(100, 50), Point(60, 95));
    const Rect r = node->getBoundingRect();
    expectNear(Point(r.x, r.y), Point(35, -5));
    expectNear(Point(r.width, r.height), Point(50, 100));
    EXPECT_EQ(node->getBounds(), Rect(10, 20, 100, 50));
}

TEST(DiagramNode, HandleHitTest) {
    auto node = nodeAt(Rect(0, 0, 100, 60));
    EXPECT_EQ(handleType(node->hitTestHandle(Point(50, 30))), NodeHandleType::move);
    // Without a document the tolerance is 15, against the squared distance.
    EXPECT_EQ(handleType(node->hitTestHandle(Point(103, 60))), NodeHandleType::resizeBottomRight);
    EXPECT_EQ(node->hitTestHandle(Point(104, 60)), nullptr);
    EXPECT_EQ(node->hitTestHandle(Point(0, 0))->item(), node);

    // In a document: half the handle size plus the document's threshold.
    auto diagram = std::make_shared<Diagram>();
    diagram->attachItem(node, false);
    diagram->setAdjustmentHandlesSize(4);
    diagram->setThreshold(23);
    EXPECT_EQ(handleType(node->hitTestHandle(Point(105, 60))), NodeHandleType::resizeBottomRight);
    EXPECT_EQ(node->hitTestHandle(Point(105.1, 60)), nullptr);

    // On the unrotated bounds, and only for square handles.
    node->setRotationAngle(30);
    EXPECT_EQ(handleType(node->hitTestHandle(Point(0, 0))), NodeHandleType::resizeTopLeft);
    node->setHandlesStyle(HandlesStyle::invisible);
    EXPECT_EQ(node->hitTestHandle(Point(50, 30)), nullptr);
}

TEST(DiagramNode, AnchorChoice) {
    auto node = nodeAt(Rect(0, 0, 100, 100));
    EXPECT_EQ(node->getNearestAnchorPoint(Point(3, 4), nullptr, true),
              std::make_pair(Point(3, 4), -1));
    EXPECT_EQ(node->getAnchorPointPosition(0), std::nullopt);

    node->setAnchorPattern(AnchorPattern::decision2In2Out());
    // Each end chooses among the points open to its direction; the first of equals wins.
    EXPECT_EQ(node->getNearestAnchorPoint(Point(10, 90), nullptr, true),
              std::make_pair(Point(0, 50), 1));
    EXPECT_EQ(node->getNearestAnchorPoint(Point(90, 60), nullptr, false).second, 3);
    EXPECT_EQ(node->getNearestAnchorPoint(Point(100, 100), nullptr, false).second, 2);
    EXPECT_EQ(node->getAnchorPointPosition(2), Point(50, 100));
    EXPECT_EQ(node->getAnchorPointPosition(4), std::nullopt);
    EXPECT_EQ(node->getAnchorPointPosition(-1), std::nullopt);

    node->setAnchorPattern(AnchorPattern::topInBottomOut());
    node->anchorPattern()->points()[1]->setAllowOutgoing(false);
    EXPECT_EQ(node->getNearestAnchorPoint(Point(7, 7), nullptr, false).second, -1);

    node->setAnchorPattern(AnchorPattern::leftInRightOut());
    node->setRotationAngle(90);
    const auto chosen = node->getNearestAnchorPoint(Point(50, 100), nullptr, false);
    EXPECT_EQ(chosen.second, 1);
    expectNear(chosen.first, Point(50, 100));
}

TEST(DiagramNode, NearestBorderPoint) {
    auto node = nodeAt(Rect(0, 0, 100, 50));
    EXPECT_EQ(node->getNearestBorderPoint(Point(40, 10)), Point(40, 0));
    EXPECT_EQ(node->getNearestBorderPoint(Point(-5, -5)), Point(0, 0));
    // The closing edge from the last outline point back to the first counts too.
    EXPECT_EQ(node->getNearestBorderPoint(Point(-7, 20)), Point(0, 20));

    auto diamond = std::make_shared<OutlineNode>();
    diamond->_setBounds(Rect(0, 0, 100, 100));
    diamond->percent = {Point(50, 0), Point(100, 50), Point(50, 100), Point(0, 50)};
    expectNear(diamond->getNearestBorderPoint(Point(100, 0)), Point(75, 25));

    // A node with no outline falls back to its box.
    auto empty = std::make_shared<OutlineNode>();
    empty->_setBounds(Rect(10, 10, 20, 20));
    EXPECT_EQ(empty->getNearestBorderPoint(Point(15, 0)), Point(15, 10));
    EXPECT_EQ(empty->getNearestBorderPoint(Point(50, 50)), Point(30, 30));
}

TEST(DiagramNode, IntersectionWithASegment) {
    auto node = nodeAt(Rect(0, 0, 100, 50));
    EXPECT_EQ(node->getIntersection(Point(7, 7), Point(7, 7)), Point(7, 7));
    EXPECT_EQ(node->getIntersection(Point(10, 10), Point(90, 40)), Point(50, 25));
    EXPECT_EQ(node->getIntersection(Point(50, 25), Point(200, 25)), Point(100, 25));
    EXPECT_EQ(node->getIntersection(Point(-50, 25), Point(50, 25)), Point(0, 25));
    EXPECT_EQ(node->getIntersection(Point(200, 200), Point(300, 300)), Point(50, 25));
    EXPECT_EQ(nodeAt(Rect(0, 0, 0, 50))->getIntersection(Point(-10, 0), Point(10, 0)),
              Point(0, 25));
    node->setRotationAngle(90);
    expectNear(node->getIntersection(Point(50, 25), Point(50, 200)), Point(50, 75));
    EXPECT_EQ(std::make_shared<OutlineNode>()->getIntersection(Point(25, 25), Point(99, 99)),
              Point(25, 25));
}

TEST(DiagramNode, TopOutlinePointAndSelfLoop) {
    auto node = std::make_shared<DiagramNode>();
    EXPECT_EQ(node->getTopOutlinePoint(), Point(25, 0));
    auto link = connect(node, node, {Point(25, 25), Point(25, 25)});
    EXPECT_EQ(node->links().count(), 2u);
    EXPECT_EQ(node->getAllLinks().size(), 1u);
    node->makeSelfLoop(link);
    EXPECT_EQ(link->shape(), LinkShape::bezier);
    EXPECT_EQ(link->controlPoints(),
              (std::vector<Point>{Point(25, 0), Point(12, -15), Point(38, -15), Point(25, 0)}));

    // In the document's unit, turned with the node about the top point.
    auto diagram = std::make_shared<Diagram>();
    diagram->attachItem(node, false);
    diagram->setMeasureUnit(MeasureUnit::Inch());
    node->setRotationAngle(90);
    node->makeSelfLoop(link);
    expectNear(link->controlPoints()[0], Point(50, 25));
    expectNear(link->controlPoints()[1], Point(50.62, 24.46));

    // An outline that pokes above the box gives the top middle of the box; one that the upward
    // line never meets gives the centre.
    auto odd = std::make_shared<OutlineNode>();
    odd->_setBounds(Rect(0, 0, 100, 100));
    odd->percent = {Point(0, 100), Point(50, -20), Point(100, 100)};
    EXPECT_EQ(odd->getTopOutlinePoint(), Point(50, 0));
    odd->percent = {Point(0, 0), Point(10, 0), Point(10, 10)};
    EXPECT_EQ(odd->getTopOutlinePoint(), Point(50, 50));
}

TEST(DiagramNode, RectangleIntersection) {
    auto node = nodeAt(Rect(10, 10, 100, 50));
    EXPECT_FALSE(node->intersects(Rect(200, 0, 10, 10)));
    EXPECT_TRUE(node->intersects(Rect(0, 0, 200, 200)));
    EXPECT_TRUE(node->intersects(Rect(110, 60, 10, 10)));  // touches a corner
    EXPECT_TRUE(node->intersects(Rect(5, 30, 10, 1)));     // crosses the left edge only
    EXPECT_FALSE(node->intersects(Rect(NAN, 0, 1, 1)));

    // Across the corner of the box but clear of the diamond; wholly inside the box counts.
    auto diamond = std::make_shared<OutlineNode>();
    diamond->_setBounds(Rect(0, 0, 100, 100));
    diamond->percent = {Point(50, 0), Point(100, 50), Point(50, 100), Point(0, 50)};
    EXPECT_FALSE(diamond->intersects(Rect(-1, -1, 10, 10)));
    EXPECT_TRUE(diamond->intersects(Rect(1, 1, 10, 10)));
}

TEST(DiagramNode, TheLiveLinkView) {
    auto a = nodeAt(Rect(0, 0, 10, 10));
    auto b = nodeAt(Rect(100, 0, 10, 10));
    const auto& view = a->links();
    auto out1 = connect(a, b, {Point(10, 5), Point(100, 5)});
    auto in1 = connect(b, a, {Point(100, 5), Point(10, 5)});
    auto out2 = connect(a, b, {Point(10, 8), Point(100, 8)});

    // Incoming first, then outgoing, read from the lists as they are now.
    std::vector<std::shared_ptr<DiagramLink>> walked;
    for (auto link : view)
        walked.push_back(link);
    EXPECT_EQ(walked, (std::vector<std::shared_ptr<DiagramLink>>{in1, out1, out2}));
    EXPECT_EQ(view[3], nullptr);
    a->outgoingLinks().pop_back();
    EXPECT_EQ(view.count(), 2u);
    EXPECT_EQ(view[1], out1);
}

TEST(DiagramNode, AffectedBoundsCoverAttachedNodesAndLinksOnce) {
    auto a = nodeAt(Rect(0, 0, 10, 10));
    auto b = nodeAt(Rect(50, 50, 10, 10));
    auto c = nodeAt(Rect(200, 0, 10, 10));
    connect(b, c, {Point(60, 60), Point(300, -40)});
    // Attached to each other: the walk must end.
    a->addAttachedNode(b);
    b->addAttachedNode(a);

    // The rectangle and the link grown by its stroke; attached nodes bring their links.
    EXPECT_EQ(a->getAffectedBounds(Rect(0, 0, 1, 1)), Rect(0, -41, 301, 102));
    EXPECT_EQ(a->cycleGuard().size(), 3u);  // left for the caller to empty
}

TEST(DiagramNode, StyleLookupTriesTheNodeTypeFirst) {
    auto theme = std::make_shared<Theme>();
    auto nodeStyle = std::make_shared<Style>();
    auto itemStyle = std::make_shared<Style>();
    theme->styles()["DiagramNode"] = nodeStyle;
    theme->styles()["DiagramItem"] = itemStyle;
    DiagramNode node;
    EXPECT_EQ(node.resolveInheritedStyle([](const Style&) { return true; }, theme), nodeStyle);
    const auto notNode = [&](const Style& s) { return &s != nodeStyle.get(); };
    EXPECT_EQ(node.resolveInheritedStyle(notNode, theme), itemStyle);
}

namespace {

// The rectangle test exactly as the selection has always described it, every outline edge
// against every rectangle edge: the reference for the node's faster test.
bool literalIntersects(DiagramNode& node, const Rect& rect) {
    const Rect br = node.getBoundingRect();
    if (rect.y > br.bottom() || rect.bottom() < br.y || rect.right() < br.x || br.right() < rect.x)
        return false;
    if (rect.x < br.x && br.right() < rect.right() && rect.y < br.y && br.bottom() < rect.bottom())
        return true;
    if (br.x < rect.x && rect.right() < br.right() && br.y < rect.y && rect.bottom() < br.bottom())
        return true;
    const auto outline = node.getOutline();
    for (const Point& p : outline) {
        if (rect.x <= p.x && p.x <= rect.right() && rect.y <= p.y && p.y <= rect.bottom())
            return true;
    }
    const Point corners[5] = {rect.topLeft(), rect.topRight(), rect.bottomRight(),
                              rect.bottomLeft(), rect.topLeft()};
    for (std::size_t i = 0; i < outline.size(); ++i) {
        const double x1 = outline[i].x, y1 = outline[i].y;
        const double x2 = outline[(i + 1) % outline.size()].x;
        const double y2 = outline[(i + 1) % outline.size()].y;
        for (int k = 0; k < 4; ++k) {
            const double s1 = corners[k].x, t1 = corners[k].y;
            const double s2 = corners[k + 1].x, t2 = corners[k + 1].y;
            double X, Y;
            if (x1 == x2 && s1 == s2) continue;
            if (x1 == x2) {
                X = x1;
                Y = t1 + (t2 - t1) / (s2 - s1) * (X - s1);
            } else if (s1 == s2) {
                X = s1;
                Y = y1 + (y2 - y1) / (x2 - x1) * (X - x1);
            } else {
                const double m = (y2 - y1) / (x2 - x1), n = (t2 - t1) / (s2 - s1);
                if (m == n) continue;
                X = ((t1 - n * s1) - (y1 - m * x1)) / (m - n);
                Y = m * X + (y1 - m * x1);
            }
            if ((X - x1) * (X - x2) <= 0.0001 && (Y - y1) * (Y - y2) <= 0.0001 &&
                (X - s1) * (X - s2) <= 0.0001 && (Y - t1) * (Y - t2) <= 0.0001)
                return true;
        }
    }
    return false;
}

}  // namespace

TEST(DiagramNode, RectangleTestAgreesWithTheEdgeByEdgeReference) {
    auto star = std::make_shared<OutlineNode>();
    star->_setBounds(Rect(100, 100, 200, 120));
    for (int i = 0; i < 40; ++i) {
        const double r = i % 2 == 0 ? 50 : 20;
        const double t = 2 * M_PI * i / 40;
        star->percent.emplace_back(50 + r * std::cos(t), 50 + r * std::sin(t));
    }
    // A vertical and a horizontal edge, where the crossing formulas take their special branches.
    star->percent.emplace_back(50, 120);
    star->percent.emplace_back(50, 110);
    int agreements = 0, hits = 0;
    for (double angle : {0.0, 30.0, 90.0}) {
        star->setRotationAngle(angle);
        for (int i = 0; i < 4000; ++i) {
            // Rectangles near edges, a hair (below and above the tolerance) from touching them.
            const double x = 60 + (i * 37) % 300 + ((i / 7) % 3) * 0.004;
            const double y = 60 + (i * 53) % 220 - ((i / 11) % 3) * 0.006;
            const Rect rect(x, y, 1 + (i * 7) % 40, (i % 5 == 0) ? 0 : 1 + (i * 11) % 30);
            const bool expected = literalIntersects(*star, rect);
            ASSERT_EQ(star->intersects(rect), expected) << angle << " " << rect.toString();
            ++agreements;
            hits += expected;
        }
    }
    EXPECT_EQ(agreements, 12000);
    EXPECT_GT(hits, 1000);
    EXPECT_LT(hits, 11000);
}
