#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/document/AddItemCommand.h"
#include "Nodeloom/document/CompositeCommand.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/items/AnchorPattern.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"

using namespace nodeloom;

namespace {

bool listed(const DiagramNode::LinkList& links, const std::shared_ptr<DiagramLink>& link) {
    return std::find(links.begin(), links.end(), link) != links.end();
}

}  // namespace

TEST(Factory, NodesArePlacedExactlyAndEachIsOneUndoStep) {
    auto d = std::make_shared<Diagram>();
    d->setUndoEnabled(true);
    auto& f = *d->factory();
    EXPECT_EQ(f.diagram(), d.get());
    const auto node = f.createShapeNode(Point(10, 20), Size(30, 40));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->bounds(), Rect(10, 20, 30, 40));
    EXPECT_TRUE(d->contains(*node));
    const auto& history = d->undoManager()->undoHistory();
    ASSERT_EQ(history.size(), 1u);
    const auto step = std::dynamic_pointer_cast<CompositeCommand>(history[0]);
    ASSERT_TRUE(step && step->commands().size() == 1u);
    EXPECT_NE(std::dynamic_pointer_cast<AddItemCommand>(step->commands()[0]), nullptr);

    // Not snapped to the grid, although the document aligns to it.
    ASSERT_TRUE(d->alignToGrid());
    EXPECT_EQ(f.createShapeNode(Rect(1.3, 2.7, 5, 6))->bounds(), Rect(1.3, 2.7, 5, 6));
    auto shape = std::make_shared<Shape>();
    EXPECT_EQ(f.createShapeNode(7, 8, 9, 10, shape)->shape(), shape);
    EXPECT_NE(f.createShapeNode(Rect(0, 0, 1, 1), nullptr)->shape(), nullptr);
    EXPECT_EQ(f.createContainerNode(Point(0, 0), Size(80, 60))->bounds(), Rect(0, 0, 80, 60));

    // Inside a composite the caller holds open, the nodes join it.
    d->startCompositeOperation();
    f.createShapeNode(0, 30, 10, 10);
    f.createShapeNode(0, 60, 10, 10);
    d->commitCompositeOperation();
    EXPECT_EQ(history.size(), 6u);
    d->undo();
    EXPECT_EQ(d->nodes().size(), 5u);
}

TEST(Factory, ALinkRunsFromBorderToBorderWithoutAnUndoStep) {
    auto d = std::make_shared<Diagram>();
    d->setLinkSegments(2);
    auto& f = *d->factory();
    const auto a = f.createShapeNode(0, 0, 20, 20);
    const auto b = f.createShapeNode(100, 0, 20, 20);
    d->setUndoEnabled(true);
    const auto link = f.createDiagramLink(a, b);
    ASSERT_NE(link, nullptr);
    EXPECT_TRUE(d->undoManager()->undoHistory().empty());
    EXPECT_EQ(link->diagram(), d);
    EXPECT_EQ(link->controlPoints(),
              (std::vector<Point>{Point(20, 10), Point(60, 10), Point(100, 10)}));
    EXPECT_TRUE(listed(a->outgoingLinks(), link) && listed(b->incomingLinks(), link));
    EXPECT_TRUE(d->contains(*link));
    b->setBounds(Rect(100, 40, 20, 20), true);
    EXPECT_EQ(link->endPoint(), Point(100, 50));
}

TEST(Factory, LinksToFreePointsEndOnVirtualNodes) {
    auto d = std::make_shared<Diagram>();
    auto& f = *d->factory();
    const auto free = f.createDiagramLink(Point(5, 6), Point(70, 80));
    ASSERT_NE(free, nullptr);
    EXPECT_EQ(free->controlPoints(), (std::vector<Point>{Point(5, 6), Point(70, 80)}));
    EXPECT_FALSE(free->origin()->isRealNode() || free->destination()->isRealNode());
    EXPECT_NE(free->originConnection(), free->destinationConnection());
    EXPECT_TRUE(free->destinationConnection()->incoming());

    const auto node = f.createShapeNode(0, 0, 20, 20);
    const auto out = f.createDiagramLink(node, Point(100, 10));
    EXPECT_EQ(out->controlPoints(), (std::vector<Point>{Point(20, 10), Point(100, 10)}));
    EXPECT_FALSE(out->destination()->isRealNode());
    const auto in = f.createDiagramLink(Point(10, -50), node);
    EXPECT_EQ(in->controlPoints(), (std::vector<Point>{Point(10, -50), Point(10, 0)}));
    EXPECT_TRUE(listed(node->incomingLinks(), in));
}

TEST(Factory, AnAnchoredLinkStartsAndEndsOnItsAnchors) {
    auto d = std::make_shared<Diagram>();
    d->setLinkSegments(2);
    auto& f = *d->factory();
    const auto pattern = AnchorPattern::fromId("LeftInRightOut");
    const auto a = f.createShapeNode(0, 0, 20, 20);
    const auto b = f.createShapeNode(100, 40, 20, 20);
    a->setAnchorPattern(pattern);
    b->setAnchorPattern(pattern);
    const auto link = f.createDiagramLink(a, 1, b, 0);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->originAnchor(), 1);
    EXPECT_EQ(link->destinationAnchor(), 0);
    EXPECT_EQ(link->controlPoints(),
              (std::vector<Point>{Point(20, 10), Point(60, 30), Point(100, 50)}));

    // An anchor the node lacks keeps its index and leaves the end on the outline.
    const auto loose = f.createDiagramLink(a, 1, f.createShapeNode(200, 0, 20, 20), 7);
    EXPECT_EQ(loose->destinationAnchor(), 7);
    EXPECT_EQ(loose->endPoint().x, 200);
}

TEST(Factory, BadInputCreatesNothing) {
    auto d = std::make_shared<Diagram>();
    auto& f = *d->factory();
    const double nan = std::nan("");
    EXPECT_EQ(f.createShapeNode(nan, 0, 10, 10), nullptr);
    EXPECT_EQ(f.createContainerNode(Rect(0, 0, INFINITY, 10)), nullptr);
    const auto a = f.createShapeNode(0, 0, 10, 10);
    EXPECT_EQ(f.createDiagramLink(a, nullptr), nullptr);
    const std::shared_ptr<ShapeNode> none;
    EXPECT_EQ(f.createDiagramLink(none, 0, none, 0), nullptr);
    EXPECT_EQ(f.createDiagramLink(a, Point(nan, 0)), nullptr);
    EXPECT_EQ(f.createDiagramLink(Point(0, 0), Point(INFINITY, 0)), nullptr);
    EXPECT_EQ(d->nodes().size(), 1u);
    EXPECT_TRUE(d->links().empty());
    EXPECT_EQ(Factory(nullptr).createShapeNode(0, 0, 1, 1), nullptr);
}
