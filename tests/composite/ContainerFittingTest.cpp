#include <gtest/gtest.h>

#include <memory>

#include "CompositeTestSupport.h"
#include "Nodeloom/items/Attachment.h"
#include "Nodeloom/items/ConnectionPoint.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

// Moves a child as the node controller does: the new place becomes its offset in the container.
void drag(const std::shared_ptr<DiagramNode>& node, Point to) {
    const Rect b = node->bounds();
    node->setBounds(Rect(to.x, to.y, b.width, b.height));
    if (const auto attachment = node->attachment()) attachment->updateOffsets();
}

}  // namespace

TEST(ContainerFitting, AChildDraggedOutStaysWhileItTouchesAndTheContainerOnlyGrows) {
    auto d = std::make_shared<Diagram>();
    auto c = container(d, Rect(0, 0, 100, 100));
    auto child = shape(d, Rect(10, 20, 20, 20));
    c->add(child);

    drag(child, Point(90, 20));
    c->onChildrenModified({child}, NodeHandleType::move);
    EXPECT_EQ(child->container(), c);
    EXPECT_EQ(c->bounds(), Rect(0, 0, 113, 100));

    // Touching the edge only still counts.
    drag(child, Point(113, 20));
    c->onChildrenModified({child}, NodeHandleType::move);
    EXPECT_EQ(child->container(), c);
    EXPECT_EQ(c->bounds(), Rect(0, 0, 136, 100));

    drag(child, Point(300, 300));
    c->onChildrenModified({child}, NodeHandleType::move);
    EXPECT_EQ(child->container(), nullptr);
    EXPECT_EQ(c->bounds(), Rect(0, 0, 136, 100));
}

TEST(ContainerFitting, FittingMovesTheContainersLinksButNotItsChildren) {
    auto d = std::make_shared<Diagram>();
    auto c = container(d, Rect(0, 0, 200, 200));
    auto a = shape(d, Rect(50, 50, 10, 10));
    auto b = shape(d, Rect(100, 50, 10, 10));
    c->add(a);
    c->add(b);
    link(d, a, b)->setControlPoints({Point(60, 55), Point(80, 150), Point(100, 55)});
    auto leaving = link(d, c, shape(d, Rect(400, 0, 10, 10)));

    // Exact: the children's rectangle, with the link between them grown by its stroke, the
    // margin and the caption.
    c->resizeToFitChildren(true, 2.0);
    EXPECT_EQ(c->bounds(), Rect(48, 43, 64, 110));
    EXPECT_EQ(a->bounds(), Rect(50, 50, 10, 10));
    EXPECT_EQ(leaving->startPoint(), leaving->originConnection()->positionFromNode());
}

TEST(ContainerFitting, FittingReachesTheOuterContainers) {
    auto d = std::make_shared<Diagram>();
    auto outer = container(d, Rect(0, 0, 70, 70));
    auto inner = container(d, Rect(10, 10, 50, 50));
    auto node = shape(d, Rect(20, 20, 10, 10));
    outer->add(inner);
    inner->add(node);

    drag(node, Point(55, 55));
    inner->onChildrenModified({node}, NodeHandleType::move);
    EXPECT_EQ(inner->bounds(), Rect(10, 10, 58, 58));
    EXPECT_EQ(outer->bounds(), Rect(0, 0, 71, 71));
}

TEST(ContainerFitting, ChildrenKeepTheirPlaceWhenAContainerThatGrewLeftMoves) {
    auto d = std::make_shared<Diagram>();
    auto c = container(d, Rect(50, 50, 100, 100));
    auto child = shape(d, Rect(60, 60, 10, 10));
    c->add(child);
    drag(child, Point(45, 60));
    c->onChildrenModified({child}, NodeHandleType::move);
    EXPECT_EQ(c->bounds(), Rect(42, 50, 108, 100));

    // Moved by (10, 5), the container takes the child exactly that far.
    c->setBounds(Rect(52, 55, 108, 100));
    EXPECT_EQ(child->bounds(), Rect(55, 65, 10, 10));
}
