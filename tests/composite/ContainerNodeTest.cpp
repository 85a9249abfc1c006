#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <tuple>

#include "CompositeTestSupport.h"
#include "Nodeloom/composite/Folder.h"
#include "Nodeloom/document/DiagramMediator.h"
#include "Nodeloom/items/ConnectionPoint.h"

using namespace nodeloom;
using namespace nodeloom::test;

TEST(ContainerNode, TheProcessWideFlagIsSetByTheFirstContainer) {
    // Run in a fresh copy of the test binary, where no container has been made yet.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const bool before = anyContainerCreated();
            DiagramNode node;
            const bool afterNode = anyContainerCreated();
            { ContainerNode container; }
            std::exit(!before && !afterNode && anyContainerCreated() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ContainerNode, ANewContainerIsAnEmptyFoldableBox) {
    auto d = std::make_shared<Diagram>();
    auto c = container(d, Rect(0, 0, 40, 40));
    EXPECT_EQ(std::make_tuple(c->captionHeight(), c->margin(), c->unfoldedSize()),
              std::make_tuple(5.0, 3.0, Size(100, 100)));
    EXPECT_EQ(c->folder()->container(), c);
    EXPECT_EQ(d->factory()->createContainerNode(Rect(0, 0, 10, 10), false)->folder(), nullptr);
}

TEST(ContainerMembership, NoContainerBecomesItsOwnDescendant) {
    auto d = std::make_shared<Diagram>();
    auto outer = container(d, Rect(0, 0, 200, 200));
    auto inner = container(d, Rect(10, 10, 100, 100));
    auto deepest = container(d, Rect(20, 20, 50, 50));
    auto node = shape(d, Rect(30, 30, 10, 10));
    outer->add(inner);
    inner->add(deepest);
    deepest->add(node);
    link(d, node, node);

    for (const auto& refused : {inner, outer})
        inner->add(refused);
    deepest->add(outer);
    outer->add(inner);
    EXPECT_EQ(outer->container(), nullptr);
    EXPECT_EQ(inner->container(), outer);
    EXPECT_EQ(outer->children().size(), 1u);
    EXPECT_EQ(inner->children().size(), 1u);
    EXPECT_TRUE(outer->isAncestorOf(*node));
    EXPECT_FALSE(inner->isAncestorOf(*inner));

    // The container's own master stays outside it.
    auto master = shape(d, Rect(300, 0, 10, 10));
    auto grouped = container(d, Rect(300, 20, 50, 50));
    grouped->attachToNode(master, AttachToNode::topLeft);
    grouped->add(master);
    EXPECT_TRUE(grouped->children().empty());

    // Every walk over the nesting ends.
    d->updateZOrder();
    EXPECT_EQ(deepest->getInnerLinks().size(), 1u);
    EXPECT_NE(d->createImage(), nullptr);
}

TEST(ContainerMembership, ANodeLeavesItsFormerMasterOrContainer) {
    auto d = std::make_shared<Diagram>();
    auto a = container(d, Rect(0, 0, 100, 100));
    auto b = container(d, Rect(200, 0, 100, 100));
    auto node = shape(d, Rect(10, 10, 10, 10));
    a->add(node);
    b->add(node);
    EXPECT_TRUE(a->children().empty());
    EXPECT_EQ(node->container(), b);

    auto master = shape(d, Rect(400, 0, 10, 10));
    auto follower = shape(d, Rect(420, 0, 10, 10));
    follower->attachToNode(master, AttachToNode::topLeft);
    a->add(follower);
    EXPECT_TRUE(master->attachedNodes().empty());
    EXPECT_EQ(follower->container(), a);

    // Detaching the attachment, removing and deleting take a node out, leaving it in place.
    node->attachment()->detach();
    EXPECT_TRUE(b->children().empty());
    EXPECT_EQ(node->attachment(), nullptr);
    a->add(node);
    a->remove(follower);
    EXPECT_EQ(a->children(), ContainerNode::NodeList{node});
    EXPECT_EQ(follower->bounds(), Rect(420, 0, 10, 10));
    d->setUndoEnabled(true);
    d->removeItem(node);
    EXPECT_TRUE(a->children().empty());
}

TEST(ContainerMembership, MovingTheContainerCarriesItsChildrenNestedOnesIncluded) {
    auto d = std::make_shared<Diagram>();
    auto outer = container(d, Rect(0, 0, 200, 200));
    auto inner = container(d, Rect(20, 20, 100, 100));
    auto a = shape(d, Rect(30, 40, 10, 10));
    auto b = shape(d, Rect(150, 150, 10, 10));
    outer->add(inner);
    inner->add(a);
    outer->add(b);
    auto between = link(d, a, b);
    const std::vector<Point> points = between->controlPoints();

    outer->setBounds(Rect(10, 5, 200, 200));
    EXPECT_EQ(a->bounds(), Rect(40, 45, 10, 10));
    EXPECT_EQ(b->bounds(), Rect(160, 155, 10, 10));
    EXPECT_EQ(between->controlPoints(), DiagramMediator::translatePoints(points, Vector(10, 5)));
}

TEST(ContainerMembership, NodesAttachedInALoopAreFreedWithTheirDocument) {
    std::weak_ptr<DiagramNode> first, second;
    {
        auto d = std::make_shared<Diagram>();
        auto a = shape(d, Rect(0, 0, 10, 10));
        auto b = shape(d, Rect(20, 0, 10, 10));
        a->attachToNode(b, AttachToNode::topLeft);
        b->attachToNode(a, AttachToNode::topRight);
        EXPECT_EQ(a->master(), b);  // the loop is accepted as it is
        EXPECT_EQ(b->master(), a);
        first = a;
        second = b;
    }
    EXPECT_TRUE(first.expired());
    EXPECT_TRUE(second.expired());
}

TEST(Factory, ALinkBetweenTwoPointsHasAVirtualNodeAtEachEnd) {
    auto d = std::make_shared<Diagram>();
    auto free = d->factory()->createDiagramLink(Point(0, 0), Point(50, 20));
    ASSERT_NE(free, nullptr);
    EXPECT_NE(free->origin(), free->destination());
    EXPECT_FALSE(free->origin()->isRealNode());
    EXPECT_FALSE(free->destination()->isRealNode());
    EXPECT_EQ(free->endPoint(), Point(50, 20));
}
