#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "NodeTestSupport.h"
#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/items/AnchorPattern.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/links/DiagramLink.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

void expectNear(const Point& actual, const Point& expected, double tolerance = 1e-9) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
}

std::shared_ptr<DiagramLink> linkEndingAt(Point end) {
    auto link = std::make_shared<DiagramLink>();
    link->setControlPoints({Point(-100, -100), end});
    return link;
}

// A node that lies in the given container, as the container's attachment would say.
class ContainedNode : public DiagramNode {
public:
    std::shared_ptr<ContainerNode> container() const override { return holder; }
    std::shared_ptr<ContainerNode> holder;
};

class ContainedContainer : public ContainerNode {
public:
    std::shared_ptr<ContainerNode> container() const override { return holder; }
    std::shared_ptr<ContainerNode> holder;
};

}  // namespace

TEST(ConnectionPoint, RelativePositionInPercentOfTheBounds) {
    auto node = nodeAt(Rect(10, 20, 100, 50));
    const auto at = [&](Point p) {
        return ConnectionPoint(node, linkEndingAt(p), true).relativePosition();
    };
    EXPECT_EQ(at(Point(110, 70)), Point(100, 100));
    EXPECT_EQ(at(Point(60, 45)), Point(50, 50));
    EXPECT_EQ(at(Point(0, 20)), Point(-10, 0));

    // The origin end reads the link's start point.
    auto link = linkEndingAt(Point(110, 70));
    ConnectionPoint origin(node, link, false);
    EXPECT_FALSE(origin.incoming());
    EXPECT_EQ(origin.anchor(), -1);
    link->setStartPoint(Point(10, 20));
    origin.saveRelativePosition();
    EXPECT_EQ(origin.relativePosition(), Point(0, 0));
}

TEST(ConnectionPoint, ANodeWithoutWidthOrHeightGivesZeroPercent) {
    auto line = nodeAt(Rect(10, 20, 0, 50));
    auto cp = ConnectionPoint(line, linkEndingAt(Point(15, 45)), true);
    EXPECT_EQ(cp.relativePosition(), Point(0, 50));
    auto dot = nodeAt(Rect(10, 20, 0, 0));
    EXPECT_EQ(ConnectionPoint(dot, linkEndingAt(Point(10, 20)), true).relativePosition(),
              Point(0, 0));
    expectNear(cp.positionFromNode(), Point(10, 45));
}

TEST(ConnectionPoint, LinkListsHoldEachLinkOnce) {
    auto node = nodeAt(Rect(0, 0, 10, 10));
    auto link = linkEndingAt(Point(5, 5));
    ConnectionPoint in(node, link, true);
    in.addLinkToNode();
    in.addLinkToNode();
    EXPECT_EQ(node->incomingLinks().size(), 1u);
    EXPECT_TRUE(node->outgoingLinks().empty());
    in.removeLinkFromNode();
    in.removeLinkFromNode();
    EXPECT_TRUE(node->incomingLinks().empty());

    ConnectionPoint out(node, link, false);
    out.addLinkToNode();
    EXPECT_EQ(node->outgoingLinks(), (DiagramNode::LinkList{link}));
}

TEST(ConnectionPoint, EndsFollowTheirAnchorOrTheirRelativePosition) {
    auto node = nodeAt(Rect(0, 0, 100, 100));
    node->setAnchorPattern(AnchorPattern::decision1In3Out());
    ConnectionPoint end(node, linkEndingAt(Point(10, 10)), true);
    EXPECT_EQ(end.getAnchorPoint(), nullptr);
    EXPECT_EQ(end.positionFromNode(), Point(10, 10));

    end.setAnchor(2);
    EXPECT_EQ(end.getAnchorPoint(), node->anchorPattern()->points()[2]);
    node->_setBounds(Rect(100, 100, 50, 50));
    EXPECT_EQ(end.positionFromNode(), Point(125, 150));
    node->setRotationAngle(180);
    expectNear(end.positionFromNode(), Point(125, 100));

    // A shared pattern the host has shortened no longer holds the point: the end falls back to
    // its relative position.
    node->setRotationAngle(0);
    node->anchorPattern()->points().resize(2);
    EXPECT_EQ(end.getAnchorPoint(), nullptr);
    EXPECT_EQ(end.positionFromNode(), Point(105, 105));
    node->setAnchorPattern(nullptr);
    EXPECT_EQ(end.getAnchorPoint(), nullptr);
}

TEST(ConnectionPoint, EndsOfHiddenNodesSitOnTheNearestFoldedContainer) {
    auto outer = std::make_shared<ContainedContainer>();
    outer->_setBounds(Rect(0, 0, 400, 400));
    auto inner = std::make_shared<ContainedContainer>();
    inner->_setBounds(Rect(100, 100, 100, 100));
    inner->holder = outer;
    auto node = std::make_shared<ContainedNode>();
    node->_setBounds(Rect(120, 120, 20, 20));
    node->holder = inner;

    ConnectionPoint end(node, linkEndingAt(Point(140, 130)), true);
    EXPECT_EQ(end.relativePosition(), Point(100, 50));
    EXPECT_EQ(node->getFoldedContainer(), nullptr);
    EXPECT_EQ(end.positionFromNode(), Point(140, 130));

    outer->setFolded(true);
    EXPECT_EQ(node->getFoldedContainer(), outer);
    EXPECT_EQ(end.positionFromNode(), Point(400, 200));
    inner->setFolded(true);
    EXPECT_EQ(node->getFoldedContainer(), inner);
    EXPECT_EQ(end.positionFromNode(), Point(200, 150));

    // Containers that hold each other must not trap the walk.
    inner->setFolded(false);
    outer->setFolded(false);
    outer->holder = inner;
    EXPECT_EQ(node->getFoldedContainer(), nullptr);
    outer->holder = nullptr;
}

TEST(ConnectionPoint, AligningSnapsToAnchorsElseToTheBorder) {
    auto node = nodeAt(Rect(0, 0, 100, 50));
    auto link = linkEndingAt(Point(0, 0));
    ConnectionPoint end(node, link, true);
    end.setAnchor(5);
    end.alignToNode(Point(40, 10));
    EXPECT_EQ(end.anchor(), -1);
    EXPECT_EQ(link->endPoint(), Point(40, 0));
    EXPECT_EQ(end.relativePosition(), Point(40, 0));

    node->setAnchorPattern(AnchorPattern::topInBottomOut());
    end.alignToNode(Point(90, 40));
    EXPECT_EQ(end.anchor(), 0);  // the only point open to incoming ends
    EXPECT_EQ(link->endPoint(), Point(50, 0));
    EXPECT_EQ(end.getAlignedPoint(Point(0, 0)), std::make_pair(Point(50, 0), 0));

    // The origin end moves the start point.
    ConnectionPoint start(node, link, false);
    start.alignToNode(Point(0, 0));
    EXPECT_EQ(start.anchor(), 1);
    EXPECT_EQ(link->startPoint(), Point(50, 50));
}

TEST(ConnectionPoint, RowAndCenter) {
    auto node = nodeAt(Rect(10, 20, 100, 50));
    ConnectionPoint end(node, linkEndingAt(Point(0, 0)), true);
    EXPECT_EQ(end.row(), -1);
    end.setRow(3);
    EXPECT_EQ(end.row(), -1);
    EXPECT_EQ(end.getCenter(), Point(60, 45));
}

TEST(ConnectionPoint, EndsWhoseNodeOrLinkIsGoneDoNothing) {
    auto link = linkEndingAt(Point(7, 8));
    auto node = nodeAt(Rect(0, 0, 10, 10));
    node->setAnchorPattern(AnchorPattern::decision2In2Out());
    ConnectionPoint end(node, link, true);
    end.setAnchor(0);
    node.reset();
    EXPECT_EQ(end.node(), nullptr);
    EXPECT_EQ(end.getAnchorPoint(), nullptr);
    EXPECT_EQ(end.positionFromNode(), Point(7, 8));
    EXPECT_EQ(end.getCenter(), Point(7, 8));
    EXPECT_EQ(end.getAlignedPoint(Point(1, 2)), std::make_pair(Point(1, 2), -1));
    end.alignToNode(Point(1, 2));
    end.addLinkToNode();
    end.saveRelativePosition();
    EXPECT_EQ(link->endPoint(), Point(7, 8));
    EXPECT_EQ(end.anchor(), 0);

    auto other = nodeAt(Rect(0, 0, 10, 10));
    auto shortLived = linkEndingAt(Point(5, 5));
    ConnectionPoint orphan(other, shortLived, true);
    orphan.addLinkToNode();
    EXPECT_EQ(other->incomingLinks().size(), 1u);
    other->incomingLinks().clear();
    shortLived.reset();
    const Point before = orphan.relativePosition();
    orphan.alignToNode(Point(0, 0));
    orphan.saveRelativePosition();
    orphan.addLinkToNode();
    EXPECT_EQ(orphan.relativePosition(), before);
    EXPECT_TRUE(other->incomingLinks().empty());
    EXPECT_EQ(orphan.positionFromNode(), Point(5, 5));
}

TEST(VirtualConnectionPoint, SitsOnTheSharedNodeAndNeverMovesTheLink) {
    auto link = linkEndingAt(Point(70, 80));
    VirtualConnectionPoint end(link, true);
    EXPECT_EQ(end.node(), VirtualNode::instance());
    EXPECT_FALSE(end.node()->isRealNode());
    EXPECT_EQ(end.getCenter(), Point(70, 80));
    EXPECT_EQ(VirtualConnectionPoint(link, false).getCenter(), Point(-100, -100));

    end.alignToNode(Point(1, 1));
    end.addLinkToNode();
    EXPECT_EQ(link->endPoint(), Point(70, 80));
    EXPECT_TRUE(VirtualNode::instance()->incomingLinks().empty());
    end.removeLinkFromNode();

    // Whatever virtual node is asked, the end goes to the shared one.
    auto another = std::make_shared<VirtualNode>();
    auto made = another->createConnectionPoint(link, Point(5, 5), false);
    EXPECT_NE(std::dynamic_pointer_cast<VirtualConnectionPoint>(made), nullptr);
    EXPECT_EQ(made->node(), VirtualNode::instance());

    // The instance can be replaced; a cleared one is made afresh on the next read.
    VirtualNode::setInstance(another);
    EXPECT_EQ(VirtualNode::instance(), another);
    VirtualNode::setInstance(nullptr);
    EXPECT_NE(VirtualNode::instance(), nullptr);
    EXPECT_NE(VirtualNode::instance(), another);
}
