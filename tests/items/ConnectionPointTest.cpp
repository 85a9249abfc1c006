#include <gtest/gtest.h>

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

std::shared_ptr<DiagramLink> linkEndingAt(Point end) {
    auto link = std::make_shared<DiagramLink>();
    link->setControlPoints({Point(-100, -100), end});
    return link;
}

// Nodes that lie in a given container, as their container attachment would say.
template <typename Base>
class Held : public Base {
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
    // The origin end reads the start point.
    EXPECT_EQ(ConnectionPoint(node, linkEndingAt(Point(0, 0)), false).relativePosition(),
              Point(-110, -240));

    // A node without width or height puts the end at 0 % on that axis, never at no number.
    auto line = nodeAt(Rect(10, 20, 0, 50));
    ConnectionPoint onLine(line, linkEndingAt(Point(15, 45)), true);
    EXPECT_EQ(onLine.relativePosition(), Point(0, 50));
    EXPECT_EQ(onLine.positionFromNode(), Point(10, 45));
    EXPECT_EQ(ConnectionPoint(nodeAt(Rect(1, 1, 0, 0)), linkEndingAt(Point(1, 1)), true)
                  .relativePosition(),
              Point(0, 0));
}

TEST(ConnectionPoint, LinkListsHoldEachLinkOnce) {
    auto node = nodeAt(Rect(0, 0, 10, 10));
    auto link = linkEndingAt(Point(5, 5));
    ConnectionPoint in(node, link, true);
    in.addLinkToNode();
    in.addLinkToNode();
    ConnectionPoint(node, link, false).addLinkToNode();
    EXPECT_EQ(node->incomingLinks(), (DiagramNode::LinkList{link}));
    EXPECT_EQ(node->outgoingLinks(), (DiagramNode::LinkList{link}));
    in.removeLinkFromNode();
    in.removeLinkFromNode();
    EXPECT_TRUE(node->incomingLinks().empty());
    EXPECT_EQ(node->outgoingLinks().size(), 1u);
}

TEST(ConnectionPoint, EndsFollowTheirAnchorOrTheirRelativePosition) {
    auto node = nodeAt(Rect(0, 0, 100, 100));
    node->setAnchorPattern(AnchorPattern::decision1In3Out());
    ConnectionPoint end(node, linkEndingAt(Point(10, 10)), true);
    EXPECT_EQ(end.positionFromNode(), Point(10, 10));

    end.setAnchor(2);
    node->_setBounds(Rect(100, 100, 50, 50));
    EXPECT_EQ(end.positionFromNode(), Point(125, 150));
    node->setRotationAngle(180);
    EXPECT_NEAR(end.positionFromNode().y, 100, 1e-9);

    // A shared pattern the host has shortened no longer holds the point: the end falls back to
    // its relative position.
    node->setRotationAngle(0);
    node->anchorPattern()->points().resize(2);
    EXPECT_EQ(end.getAnchorPoint(), nullptr);
    EXPECT_EQ(end.positionFromNode(), Point(105, 105));
}

TEST(ConnectionPoint, EndsOfHiddenNodesSitOnTheNearestFoldedContainer) {
    auto outer = std::make_shared<Held<ContainerNode>>();
    outer->_setBounds(Rect(0, 0, 400, 400));
    auto inner = std::make_shared<Held<ContainerNode>>();
    inner->_setBounds(Rect(100, 100, 100, 100));
    inner->holder = outer;
    auto node = std::make_shared<Held<DiagramNode>>();
    node->_setBounds(Rect(120, 120, 20, 20));
    node->holder = inner;

    ConnectionPoint end(node, linkEndingAt(Point(140, 130)), true);
    EXPECT_EQ(end.positionFromNode(), Point(140, 130));
    // Folded, each container is a strip 50 by 5 millimetres at its corner.
    outer->setFolded(true);
    EXPECT_EQ(end.positionFromNode(), Point(50, 2.5));
    inner->setFolded(true);
    EXPECT_EQ(node->getFoldedContainer(), inner);
    EXPECT_EQ(end.positionFromNode(), Point(150, 102.5));

    // Containers that hold each other must not trap the walk.
    inner->setFolded(false);
    outer->setFolded(false);
    outer->holder = inner;
    EXPECT_EQ(node->getFoldedContainer(), nullptr);
    outer->holder = nullptr;

    // Nesting deeper than any document has, sound or looping far from the node.
    std::vector<std::shared_ptr<Held<ContainerNode>>> chain{inner};
    for (int i = 0; i < 70; ++i) {
        chain.push_back(std::make_shared<Held<ContainerNode>>());
        chain[chain.size() - 2]->holder = chain.back();
    }
    EXPECT_EQ(node->getFoldedContainer(), nullptr);
    chain.back()->setFolded(true);
    EXPECT_EQ(node->getFoldedContainer(), chain.back());
    chain[50]->setFolded(true);
    EXPECT_EQ(node->getFoldedContainer(), chain[50]);
    chain.back()->holder = chain[60];
    EXPECT_EQ(node->getFoldedContainer(), chain[50]);
    chain[50]->setFolded(false);
    EXPECT_EQ(node->getFoldedContainer(), chain.back());
    chain.back()->setFolded(false);
    EXPECT_EQ(node->getFoldedContainer(), nullptr);
    for (const auto& c : chain)
        c->holder = nullptr;
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
    ConnectionPoint start(node, link, false);
    start.alignToNode(Point(0, 0));
    EXPECT_EQ(start.anchor(), 1);
    EXPECT_EQ(link->startPoint(), Point(50, 50));

    EXPECT_EQ(start.getCenter(), Point(50, 25));
    start.setRow(3);
    EXPECT_EQ(start.row(), -1);
}

TEST(ConnectionPoint, EndsWhoseNodeOrLinkIsGoneDoNothing) {
    auto link = linkEndingAt(Point(7, 8));
    auto node = nodeAt(Rect(0, 0, 10, 10));
    node->setAnchorPattern(AnchorPattern::decision2In2Out());
    ConnectionPoint end(node, link, true);
    end.setAnchor(0);
    node.reset();
    EXPECT_EQ(end.getAnchorPoint(), nullptr);
    EXPECT_EQ(end.positionFromNode(), Point(7, 8));
    EXPECT_EQ(end.getCenter(), Point(7, 8));
    EXPECT_EQ(end.getAlignedPoint(Point(1, 2)), std::make_pair(Point(1, 2), -1));
    end.alignToNode(Point(1, 2));
    EXPECT_EQ(link->endPoint(), Point(7, 8));
    EXPECT_EQ(end.anchor(), 0);

    auto other = nodeAt(Rect(0, 0, 10, 10));
    auto shortLived = linkEndingAt(Point(5, 5));
    ConnectionPoint orphan(other, shortLived, true);
    shortLived.reset();
    orphan.alignToNode(Point(0, 0));
    orphan.addLinkToNode();
    EXPECT_EQ(orphan.relativePosition(), Point(50, 50));
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

    // Another virtual node gets an end of its own, which keeps it alive.
    auto another = std::make_shared<VirtualNode>();
    const std::weak_ptr<VirtualNode> watch = another;
    auto made = another->createConnectionPoint(link, Point(5, 5), false);
    EXPECT_NE(std::dynamic_pointer_cast<VirtualConnectionPoint>(made), nullptr);
    another.reset();
    EXPECT_EQ(made->node(), watch.lock());
    EXPECT_NE(made->node(), nullptr);
    EXPECT_NE(made->node(), VirtualNode::instance());
    made.reset();
    EXPECT_TRUE(watch.expired());
    VirtualNode::setInstance(nullptr);
    EXPECT_NE(VirtualNode::instance(), nullptr);
}
