#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "ItemTestSupport.h"
#include "NodeTestSupport.h"
#include "Nodeloom/document/Constraints.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/Theme.h"
#include "Nodeloom/items/AnchorPattern.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/view/AdjustmentHandle.h"

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
    EXPECT_EQ(node.constraints(), nullptr);
    EXPECT_EQ(node.rotationAngle(), 0);
    EXPECT_EQ(node.links().count(), 0u);
    EXPECT_TRUE(node.isRealNode());
    EXPECT_FALSE(node.connectsToRows());
    EXPECT_EQ(node.container(), nullptr);
    EXPECT_EQ(node.getOutline(),
              (std::vector<Point>{Point(0, 0), Point(50, 0), Point(50, 50), Point(0, 50)}));
    EXPECT_EQ(node.getClassId(), "std:DiagramNode");
    auto made = node.getClassType().getInstance();
    EXPECT_NE(std::dynamic_pointer_cast<DiagramNode>(made), nullptr);
    EXPECT_EQ(node.getClassType().name(), "std:DiagramNode");
}

TEST(DiagramNode, BoundsInThreeStrengths) {
    auto diagram = std::make_shared<Diagram>();
    auto node = std::make_shared<HookedNode>();
    diagram->attachItem(node, false);
    node->setStrokeThickness(1);
    RepaintLog log(*diagram);

    // The area of the old bounds and that of the new ones, then the hook.
    node->setBoundsAndRepaint(Rect(100, 0, 10, 10));
    ASSERT_EQ(log.rects.size(), 2u);
    EXPECT_EQ(log.rects[0], Rect(-3, -3, 56, 56));
    EXPECT_EQ(log.rects[1], Rect(97, -3, 16, 16));
    ASSERT_EQ(node->changes.size(), 1u);
    EXPECT_EQ(node->changes[0].first, Rect(0, 0, 50, 50));
    EXPECT_EQ(node->changes[0].second, Rect(100, 0, 10, 10));

    node->move(10, 20, true);
    EXPECT_EQ(node->bounds(), Rect(10, 20, 10, 10));
    node->setBounds(Rect(1, 2, 3, 4), false);
    EXPECT_EQ(node->bounds(), Rect(1, 2, 3, 4));
    EXPECT_EQ(node->changes.size(), 3u);

    // The raw store neither repaints nor reports.
    log.rects.clear();
    node->_setBounds(Rect(5, 5, -5, 0));
    EXPECT_EQ(node->bounds(), Rect(5, 5, -5, 0));
    EXPECT_TRUE(log.rects.empty());
    EXPECT_EQ(node->changes.size(), 3u);

    // Numbers that are not finite leave the node where it is.
    node->setBounds(Rect(NAN, 0, 1, 1));
    node->_setBounds(Rect(0, INFINITY, 1, 1));
    EXPECT_EQ(node->bounds(), Rect(5, 5, -5, 0));
    node->setRotationAngle(NAN);
    EXPECT_EQ(node->rotationAngle(), 0);
}

TEST(DiagramNode, AppearanceSettersRepaint) {
    auto diagram = std::make_shared<Diagram>();
    auto node = nodeAt(Rect(0, 0, 10, 10));
    diagram->attachItem(node, false);
    RepaintLog log(*diagram);
    node->setFillColor(Colors::Red());
    node->setAnchorPattern(AnchorPattern::topInBottomOut());
    node->setRotationAngle(45);
    EXPECT_EQ(log.rects.size(), 3u);
    node->setFillColor(nullptr);
    EXPECT_EQ(node->fillColor(), Colors::Red());
    node->setObstacle(false);
    node->setExpanded(false);
    node->setConstraints(std::make_shared<Constraints>());
    EXPECT_EQ(log.rects.size(), 3u);
}

TEST(DiagramNode, ContainmentIgnoresRotationAndIncludesEdges) {
    auto node = nodeAt(Rect(10, 20, 100, 50));
    node->setRotationAngle(45);
    EXPECT_TRUE(node->containsPoint(Point(110, 70)));
    EXPECT_TRUE(node->containsPoint(Point(10, 20)));
    EXPECT_FALSE(node->containsPoint(Point(110.01, 70)));
    // The unrotated corner still counts although the turned node does not cover it.
    EXPECT_TRUE(node->containsPoint(Point(11, 21)));
    EXPECT_TRUE(node->containsPoint(Point(5, 15), 5));
    EXPECT_FALSE(node->containsPoint(Point(5, 15), 4.9));
}

TEST(DiagramNode, RotatedBoundingBox) {
    auto node = nodeAt(Rect(0, 0, 100, 50));
    EXPECT_EQ(node->getBoundingRect(), Rect(0, 0, 100, 50));
    node->setRotationAngle(90);
    const Rect r = node->getBoundingRect();
    EXPECT_NEAR(r.x, 25, 1e-9);
    EXPECT_NEAR(r.y, -25, 1e-9);
    EXPECT_NEAR(r.width, 50, 1e-9);
    EXPECT_NEAR(r.height, 100, 1e-9);
    EXPECT_EQ(node->getBounds(), Rect(0, 0, 100, 50));
    expectNear(DiagramNode::rotatePointAt(Point(100, 25), Point(50, 25), 90), Point(50, 75));
}

TEST(DiagramNode, HandleHitTest) {
    auto node = nodeAt(Rect(0, 0, 100, 60));
    EXPECT_EQ(handleType(node->hitTestHandle(Point(50, 30))), NodeHandleType::move);
    // Without a document the tolerance is 15, compared with the squared distance.
    EXPECT_EQ(handleType(node->hitTestHandle(Point(103, 60))), NodeHandleType::resizeBottomRight);
    EXPECT_EQ(node->hitTestHandle(Point(104, 60)), nullptr);
    auto handle = node->hitTestHandle(Point(0, 0));
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->item(), node);

    // In a document: half the handle size plus the document's threshold.
    auto diagram = std::make_shared<Diagram>();
    diagram->attachItem(node, false);
    diagram->setAdjustmentHandlesSize(4);
    diagram->setThreshold(23);  // 25 in all
    EXPECT_EQ(handleType(node->hitTestHandle(Point(105, 60))), NodeHandleType::resizeBottomRight);
    EXPECT_EQ(node->hitTestHandle(Point(105.1, 60)), nullptr);

    // Handles are looked for on the unrotated bounds, and only for square handles.
    node->setRotationAngle(30);
    EXPECT_EQ(handleType(node->hitTestHandle(Point(0, 0))), NodeHandleType::resizeTopLeft);
    node->setHandlesStyle(HandlesStyle::invisible);
    EXPECT_EQ(node->hitTestHandle(Point(50, 30)), nullptr);
}

TEST(DiagramNode, PercentPositionsTurnWithTheNode) {
    auto node = nodeAt(Rect(10, 20, 100, 50));
    EXPECT_EQ(node->pointFromPercent(100, 100), Point(110, 70));
    EXPECT_EQ(node->pointFromPercent(-10, 50), Point(0, 45));
    node->setRotationAngle(90);
    expectNear(node->pointFromPercent(100, 50), Point(60, 95));
}

TEST(DiagramNode, AnchorChoice) {
    auto node = nodeAt(Rect(0, 0, 100, 100));
    EXPECT_EQ(node->getNearestAnchorPoint(Point(3, 4), nullptr, true),
              std::make_pair(Point(3, 4), -1));
    EXPECT_EQ(node->getAnchorPointPosition(0), std::nullopt);

    node->setAnchorPattern(AnchorPattern::decision2In2Out());
    // Incoming ends choose among the two incoming points only.
    EXPECT_EQ(node->getNearestAnchorPoint(Point(10, 90), nullptr, true),
              std::make_pair(Point(0, 50), 1));
    EXPECT_EQ(node->getNearestAnchorPoint(Point(90, 60), nullptr, false),
              std::make_pair(Point(100, 50), 3));
    // The first of two equally near points wins.
    EXPECT_EQ(node->getNearestAnchorPoint(Point(100, 100), nullptr, false).second, 2);
    EXPECT_EQ(node->getAnchorPointPosition(2), Point(50, 100));
    EXPECT_EQ(node->getAnchorPointPosition(4), std::nullopt);
    EXPECT_EQ(node->getAnchorPointPosition(-1), std::nullopt);

    // A pattern whose points all refuse the direction gives the point back.
    node->setAnchorPattern(AnchorPattern::topInBottomOut());
    node->anchorPattern()->points()[1]->setAllowOutgoing(false);
    EXPECT_EQ(node->getNearestAnchorPoint(Point(7, 7), nullptr, false),
              std::make_pair(Point(7, 7), -1));

    // Anchor positions turn with the node.
    node->setAnchorPattern(AnchorPattern::leftInRightOut());
    node->setRotationAngle(90);
    const auto chosen = node->getNearestAnchorPoint(Point(50, 100), nullptr, false);
    EXPECT_EQ(chosen.second, 1);
    expectNear(chosen.first, Point(50, 100));
}

TEST(DiagramNode, NearestBorderPoint) {
    auto node = nodeAt(Rect(0, 0, 100, 50));
    EXPECT_EQ(node->getNearestBorderPoint(Point(40, 10)), Point(40, 0));
    EXPECT_EQ(node->getNearestBorderPoint(Point(120, 30)), Point(100, 30));
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
    // The crossing nearest to the segment's end is taken.
    EXPECT_EQ(node->getIntersection(Point(-50, 25), Point(50, 25)), Point(0, 25));
    EXPECT_EQ(node->getIntersection(Point(200, 200), Point(300, 300)), Point(50, 25));

    auto flat = nodeAt(Rect(0, 0, 0, 50));
    EXPECT_EQ(flat->getIntersection(Point(-10, 0), Point(10, 0)), Point(0, 25));

    // Rotation: the segment meets the turned outline.
    node->setRotationAngle(90);
    expectNear(node->getIntersection(Point(50, 25), Point(50, 200)), Point(50, 75));

    auto empty = std::make_shared<OutlineNode>();
    EXPECT_EQ(empty->getIntersection(Point(25, 25), Point(100, 100)), Point(25, 25));
}

TEST(DiagramNode, TopOutlinePointAndSelfLoop) {
    auto node = std::make_shared<DiagramNode>();
    EXPECT_EQ(node->getTopOutlinePoint(), Point(25, 0));

    auto link = connect(node, node, {Point(25, 25), Point(25, 25)});
    EXPECT_EQ(node->links().count(), 2u);
    EXPECT_EQ(node->getAllLinks().size(), 1u);
    node->makeSelfLoop(link);
    EXPECT_EQ(link->shape(), LinkShape::bezier);
    EXPECT_EQ(link->segmentCount(), 1);
    EXPECT_EQ(link->controlPoints(),
              (std::vector<Point>{Point(25, 0), Point(12, -15), Point(38, -15), Point(25, 0)}));

    // Points in a document's unit, turned with the node about the top point.
    auto diagram = std::make_shared<Diagram>();
    diagram->attachItem(node, false);
    diagram->setMeasureUnit(MeasureUnit::Inch());
    node->setRotationAngle(90);
    node->makeSelfLoop(link);
    const auto& p = link->controlPoints();
    expectNear(p[0], Point(50, 25));
    expectNear(p[1], Point(50 + 0.5 + 3 * 0.04, 25 - (0.5 + 0.04)));
    expectNear(p[3], Point(50, 25));
    node->makeSelfLoop(nullptr);
}

TEST(DiagramNode, TopOutlinePointOfUnusualOutlines) {
    // An outline that pokes above the box gives the top middle of the box instead.
    auto node = std::make_shared<OutlineNode>();
    node->_setBounds(Rect(0, 0, 100, 100));
    node->percent = {Point(0, 100), Point(50, -20), Point(100, 100)};
    EXPECT_EQ(node->getTopOutlinePoint(), Point(50, 0));
    // An outline that the upward line never meets gives the centre.
    node->percent = {Point(0, 0), Point(10, 0), Point(10, 10)};
    EXPECT_EQ(node->getTopOutlinePoint(), Point(50, 50));
}

TEST(DiagramNode, RectangleIntersection) {
    auto node = nodeAt(Rect(10, 10, 100, 50));
    EXPECT_FALSE(node->intersects(Rect(200, 0, 10, 10)));
    EXPECT_TRUE(node->intersects(Rect(0, 0, 200, 200)));   // holds the node
    EXPECT_TRUE(node->intersects(Rect(50, 20, 10, 10)));   // lies inside it
    EXPECT_TRUE(node->intersects(Rect(110, 60, 10, 10)));  // touches a corner
    // A thin rectangle that crosses only the left edge.
    EXPECT_TRUE(node->intersects(Rect(5, 30, 10, 1)));
    EXPECT_FALSE(node->intersects(Rect(NAN, 0, 1, 1)));

    // Across the corner of the bounding box but away from the diamond outline; a rectangle
    // wholly inside the box counts without a look at the outline.
    auto diamond = std::make_shared<OutlineNode>();
    diamond->_setBounds(Rect(0, 0, 100, 100));
    diamond->percent = {Point(50, 0), Point(100, 50), Point(50, 100), Point(0, 50)};
    EXPECT_FALSE(diamond->intersects(Rect(-1, -1, 10, 10)));
    EXPECT_TRUE(diamond->intersects(Rect(1, 1, 10, 10)));
    EXPECT_TRUE(diamond->intersects(Rect(20, 20, 10, 10)));  // crosses an edge
    EXPECT_TRUE(diamond->intersects(Rect(45, -5, 10, 10)));  // holds a vertex
}

TEST(DiagramNode, LinkListsAndTheLiveView) {
    auto a = nodeAt(Rect(0, 0, 10, 10));
    auto b = nodeAt(Rect(100, 0, 10, 10));
    const auto& view = a->links();
    auto out1 = connect(a, b, {Point(10, 5), Point(100, 5)});
    auto in1 = connect(b, a, {Point(100, 5), Point(10, 5)});
    auto out2 = connect(a, b, {Point(10, 8), Point(100, 8)});

    // Incoming first, in list order, then outgoing; the view follows the lists.
    ASSERT_EQ(view.count(), 3u);
    EXPECT_EQ(view[0], in1);
    EXPECT_EQ(view[1], out1);
    EXPECT_EQ(view[2], out2);
    EXPECT_EQ(view[3], nullptr);
    std::vector<std::shared_ptr<DiagramLink>> walked;
    for (auto link : view)
        walked.push_back(link);
    EXPECT_EQ(walked, (std::vector<std::shared_ptr<DiagramLink>>{in1, out1, out2}));
    EXPECT_EQ(&a->links(), &view);

    a->outgoingLinks().pop_back();
    EXPECT_EQ(view.count(), 2u);
    EXPECT_EQ(a->getAllIncomingLinks(), (DiagramNode::LinkList{in1}));
    EXPECT_EQ(a->getAllOutgoingLinks(), (DiagramNode::LinkList{out1}));
}

TEST(DiagramNode, AffectedBoundsCoverAttachedNodesAndLinksOnce) {
    auto a = nodeAt(Rect(0, 0, 10, 10));
    auto b = nodeAt(Rect(50, 50, 10, 10));
    auto c = nodeAt(Rect(200, 0, 10, 10));
    auto link = connect(b, c, {Point(60, 60), Point(300, -40)});
    // Attached to each other: the walk must end.
    a->attachedNodes().push_back(b);
    b->attachedNodes().push_back(a);

    const auto r = a->getAffectedBounds(Rect(0, 0, 1, 1));
    ASSERT_TRUE(r.has_value());
    // The rectangle and the link, grown by its stroke thickness; attached nodes add their links.
    EXPECT_EQ(*r, Rect(0, -41, 301, 102));
    // Every item visited is left in the guard list for the caller to empty.
    EXPECT_EQ(a->cycleGuard().size(), 3u);
    a->cycleGuard().clear();
    EXPECT_EQ(c->getAffectedBounds(Rect(0, 0, 1, 1)), Rect(0, -41, 301, 102));
    a->attachedNodes().clear();
}

TEST(DiagramNode, StyleLookupTriesTheNodeTypeFirst) {
    auto theme = std::make_shared<Theme>();
    auto nodeStyle = std::make_shared<Style>();
    auto itemStyle = std::make_shared<Style>();
    theme->styles()["DiagramNode"] = nodeStyle;
    theme->styles()["DiagramItem"] = itemStyle;
    DiagramNode node;
    const auto any = [](const Style&) { return true; };
    EXPECT_EQ(node.resolveInheritedStyle(any, theme), nodeStyle);
    const auto notNode = [&](const Style& s) { return &s != nodeStyle.get(); };
    EXPECT_EQ(node.resolveInheritedStyle(notNode, theme), itemStyle);
    EXPECT_EQ(node.resolveInheritedStyle(any, nullptr), nullptr);
}
