#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/DiagramNode.h"

using namespace nodeloom;

namespace {

std::shared_ptr<DiagramNode> addNode(Diagram& diagram, const Rect& bounds) {
    auto node = std::make_shared<DiagramNode>();
    node->_setBounds(bounds);
    diagram.addItem(node);
    return node;
}

}  // namespace

TEST(NodeSearch, TheNodeUnderAPointIsTheTopmostTopLevelOne) {
    auto diagram = std::make_shared<Diagram>();
    auto lower = addNode(*diagram, Rect(0, 0, 50, 50));
    auto upper = addNode(*diagram, Rect(25, 25, 50, 50));
    EXPECT_EQ(diagram->getNodeAt(Point(30, 30), false), upper);
    EXPECT_EQ(diagram->getNodeAt(Point(10, 10), false), lower);
    EXPECT_EQ(diagram->getNodeAt(Point(50, 0), false), lower);  // edges count
    EXPECT_EQ(diagram->getNodeAt(Point(90, 90), false), nullptr);

    upper->setLocked(true);
    EXPECT_EQ(diagram->getNodeAt(Point(30, 30), false), upper);
    EXPECT_EQ(diagram->getNodeAt(Point(30, 30), true), lower);
    upper->setTopLevel(false);
    EXPECT_EQ(diagram->getNodeAt(Point(30, 30), false), lower);
    EXPECT_EQ(diagram->getNodeAt(Point(NAN, 30), false), nullptr);
}

TEST(NodeSearch, TheNearestNodeMustBeCloserThanTheLimit) {
    auto diagram = std::make_shared<Diagram>();
    auto first = addNode(*diagram, Rect(0, 0, 50, 50));
    auto second = addNode(*diagram, Rect(20, 20, 50, 50));
    auto far = addNode(*diagram, Rect(100, 0, 50, 50));

    // Inside both: the one added first.
    EXPECT_EQ(diagram->getNearestNode(Point(30, 30), 10, nullptr, false), first);
    EXPECT_EQ(diagram->getNearestNode(Point(30, 30), 10, first, false), second);
    // Exactly 10 away is not closer than 10.
    EXPECT_EQ(diagram->getNearestNode(Point(90, 0), 10, nullptr, false), nullptr);
    EXPECT_EQ(diagram->getNearestNode(Point(91, 0), 10, nullptr, false), far);
    // Diagonally outside a corner.
    EXPECT_EQ(diagram->getNearestNode(Point(155, 57), 10, nullptr, false), far);
    EXPECT_EQ(diagram->getNearestNode(Point(158, 58), 10, nullptr, false), nullptr);

    far->setVisible(false);
    EXPECT_EQ(diagram->getNearestNode(Point(91, 0), 10, nullptr, true), nullptr);
    EXPECT_EQ(diagram->getNearestNode(Point(91, 0), 10, nullptr, false), far);
    EXPECT_EQ(diagram->getNearestNode(Point(91, NAN), 10, nullptr, false), nullptr);
}
