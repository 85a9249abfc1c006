#include <gtest/gtest.h>

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

bool contains(const DiagramNode::LinkList& links, const std::shared_ptr<DiagramLink>& link) {
    return std::find(links.begin(), links.end(), link) != links.end();
}

}  // namespace

TEST(Factory, EachDocumentMakesOneOnFirstUse) {
    auto d = std::make_shared<Diagram>();
    const auto factory = d->factory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->diagram(), d.get());
    EXPECT_EQ(d->factory(), factory);
    d->setFactory(nullptr);
    EXPECT_NE(d->factory(), nullptr);
    EXPECT_NE(d->factory(), factory);
}

TEST(Factory, ShapeNodesArePlacedExactlyInEveryForm) {
    auto d = std::make_shared<Diagram>();
    auto& f = *d->factory();
    const auto byParts = f.createShapeNode(Point(10, 20), Size(30, 40));
    ASSERT_NE(byParts, nullptr);
    EXPECT_EQ(byParts->bounds(), Rect(10, 20, 30, 40));
    EXPECT_EQ(byParts->diagram(), d);
    // Not snapped to the grid, although the document aligns to it.
    ASSERT_TRUE(d->alignToGrid());
    EXPECT_EQ(f.createShapeNode(Rect(1.3, 2.7, 5, 6))->bounds(), Rect(1.3, 2.7, 5, 6));
    EXPECT_EQ(f.createShapeNode(7, 8, 9, 10)->bounds(), Rect(7, 8, 9, 10));
    EXPECT_EQ(d->nodes().size(), 3u);
    EXPECT_TRUE(d->contains(*byParts));

    auto shape = std::make_shared<Shape>();
    EXPECT_EQ(f.createShapeNode(Rect(0, 0, 1, 1), shape)->shape(), shape);
    EXPECT_EQ(f.createShapeNode(Point(0, 0), Size(1, 1), shape)->shape(), shape);
    EXPECT_EQ(f.createShapeNode(0, 0, 1, 1, shape)->shape(), shape);
    const auto plain = std::make_shared<ShapeNode>()->shape();
    EXPECT_EQ(f.createShapeNode(Rect(0, 0, 1, 1), nullptr)->shape(), plain);

    const auto container = f.createContainerNode(Point(0, 0), Size(80, 60));
    ASSERT_NE(container, nullptr);
    EXPECT_EQ(container->bounds(), Rect(0, 0, 80, 60));
    EXPECT_EQ(f.createContainerNode(Rect(1, 2, 3, 4))->bounds(), Rect(1, 2, 3, 4));
    EXPECT_EQ(d->nodes().size(), 9u);
}

TEST(Factory, ANodeIsOneUndoStepAndALinkNone) {
    auto d = std::make_shared<Diagram>();
    d->setUndoEnabled(true);
    auto& f = *d->factory();
    const auto a = f.createShapeNode(0, 0, 10, 10);
    const auto& history = d->undoManager()->undoHistory();
    ASSERT_EQ(history.size(), 1u);
    const auto step = std::dynamic_pointer_cast<CompositeCommand>(history[0]);
    ASSERT_NE(step, nullptr);
    ASSERT_EQ(step->commands().size(), 1u);
    EXPECT_NE(std::dynamic_pointer_cast<AddItemCommand>(step->commands()[0]), nullptr);

    const auto b = f.createShapeNode(50, 0, 10, 10);
    f.createDiagramLink(a, b);
    f.createDiagramLink(Point(0, 50), Point(50, 50));
    EXPECT_EQ(history.size(), 2u);
    EXPECT_EQ(d->links().size(), 2u);

    // Inside a composite the caller holds open, the nodes join it.
    d->startCompositeOperation();
    f.createShapeNode(0, 30, 10, 10);
    f.createShapeNode(0, 60, 10, 10);
    d->commitCompositeOperation();
    EXPECT_EQ(history.size(), 3u);

    d->undo();
    d->undo();
    EXPECT_EQ(d->nodes().size(), 1u);
}

TEST(Factory, ALinkBetweenNodesRunsFromBorderToBorder) {
    auto d = std::make_shared<Diagram>();
    d->setLinkSegments(2);
    auto& f = *d->factory();
    const auto a = f.createShapeNode(0, 0, 20, 20);
    const auto b = f.createShapeNode(100, 0, 20, 20);
    const auto link = f.createDiagramLink(a, b);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->diagram(), d);
    EXPECT_EQ(link->origin(), a);
    EXPECT_EQ(link->destination(), b);
    EXPECT_EQ(link->controlPoints(),
              (std::vector<Point>{Point(20, 10), Point(60, 10), Point(100, 10)}));
    EXPECT_TRUE(contains(a->outgoingLinks(), link));
    EXPECT_TRUE(contains(b->incomingLinks(), link));
    EXPECT_TRUE(d->contains(*link));

    // The link follows its nodes from then on.
    b->setBounds(Rect(100, 40, 20, 20), true);
    EXPECT_EQ(link->endPoint(), Point(100, 50));
}

TEST(Factory, LinksToFreePointsEndOnVirtualNodes) {
    auto d = std::make_shared<Diagram>();
    auto& f = *d->factory();
    const auto free = f.createDiagramLink(Point(5, 6), Point(70, 80));
    ASSERT_NE(free, nullptr);
    EXPECT_EQ(free->startPoint(), Point(5, 6));
    EXPECT_EQ(free->endPoint(), Point(70, 80));
    EXPECT_FALSE(free->origin()->isRealNode());
    EXPECT_FALSE(free->destination()->isRealNode());
    EXPECT_NE(free->originConnection(), free->destinationConnection());
    EXPECT_FALSE(free->originConnection()->incoming());
    EXPECT_TRUE(free->destinationConnection()->incoming());

    const auto node = f.createShapeNode(0, 0, 20, 20);
    const auto out = f.createDiagramLink(node, Point(100, 10));
    EXPECT_EQ(out->startPoint(), Point(20, 10));
    EXPECT_EQ(out->endPoint(), Point(100, 10));
    EXPECT_FALSE(out->destination()->isRealNode());
    EXPECT_TRUE(contains(node->outgoingLinks(), out));

    const auto in = f.createDiagramLink(Point(10, -50), node);
    EXPECT_EQ(in->startPoint(), Point(10, -50));
    EXPECT_EQ(in->endPoint(), Point(10, 0));
    EXPECT_EQ(in->destination(), node);
    EXPECT_EQ(d->links().size(), 3u);
}

TEST(Factory, AnAnchoredLinkStartsAndEndsOnItsAnchors) {
    auto d = std::make_shared<Diagram>();
    d->setLinkSegments(2);
    auto& f = *d->factory();
    const auto pattern = AnchorPattern::fromId("LeftInRightOut");
    ASSERT_NE(pattern, nullptr);
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
    const auto c = f.createShapeNode(200, 0, 20, 20);
    const auto loose = f.createDiagramLink(a, 1, c, 7);
    EXPECT_EQ(loose->destinationAnchor(), 7);
    EXPECT_EQ(loose->endPoint().x, 200);
}

TEST(Factory, BadInputCreatesNothing) {
    auto d = std::make_shared<Diagram>();
    auto& f = *d->factory();
    const double nan = std::nan("");
    EXPECT_EQ(f.createShapeNode(nan, 0, 10, 10), nullptr);
    EXPECT_EQ(f.createShapeNode(Rect(0, 0, INFINITY, 10)), nullptr);
    EXPECT_EQ(f.createContainerNode(0, 0, 10, nan), nullptr);
    const auto a = f.createShapeNode(0, 0, 10, 10);
    EXPECT_EQ(f.createDiagramLink(a, nullptr), nullptr);
    EXPECT_EQ(f.createDiagramLink(nullptr, 0, nullptr, 0), nullptr);
    EXPECT_EQ(f.createDiagramLink(a, Point(nan, 0)), nullptr);
    EXPECT_EQ(f.createDiagramLink(Point(0, nan), a), nullptr);
    EXPECT_EQ(f.createDiagramLink(Point(0, 0), Point(INFINITY, 0)), nullptr);
    EXPECT_EQ(d->nodes().size(), 1u);
    EXPECT_TRUE(d->links().empty());

    Factory orphan(nullptr);
    EXPECT_EQ(orphan.createShapeNode(0, 0, 1, 1), nullptr);
    EXPECT_EQ(orphan.createDiagramLink(Point(0, 0), Point(1, 1)), nullptr);
}
