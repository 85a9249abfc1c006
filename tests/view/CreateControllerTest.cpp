#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/view/CreateLinkController.h"
#include "Nodeloom/view/CreateNodeController.h"
#include "tests/view/ControllerTestSupport.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

Metatype<DiagramItem> shapeNodeType() {
    return std::make_shared<ShapeNode>()->getClassType();
}

Metatype<DiagramItem> linkType() {
    return std::make_shared<DiagramLink>()->getClassType();
}

bool lists(const DiagramNode::LinkList& list, const std::shared_ptr<DiagramLink>& link) {
    return std::find(list.begin(), list.end(), link) != list.end();
}

// Counts of the creation events of a document.
struct Creations {
    int nodeCreating = 0, nodeCreated = 0, linkCreating = 0, linkCreated = 0;
    explicit Creations(Diagram& d) {
        d.nodeCreating().add([this](Object&, NodeValidationEventArgs&) { ++nodeCreating; });
        d.nodeCreated().add([this](Object&, NodeEventArgs&) { ++nodeCreated; });
        d.linkCreating().add([this](Object&, LinkValidationEventArgs&) { ++linkCreating; });
        d.linkCreated().add([this](Object&, LinkEventArgs&) { ++linkCreated; });
    }
};

}  // namespace

TEST(CreateNodeController, DrawsUpAndLeftFromTheTouchDownAndAddsOneUndoStep) {
    Doc doc;
    Creations events(*doc.diagram);
    const std::size_t before = doc.history();
    CreateNodeController create(doc.diagram, shapeNodeType());
    drag(create, Point(100, 100), Point(40, 70), 3);

    ASSERT_EQ(doc.diagram->nodes().size(), 1u);
    const auto node = doc.diagram->nodes().front();
    EXPECT_EQ(node, create.node());
    EXPECT_EQ(node->bounds(), Rect(40, 70, 60, 30));
    const auto* h = dynamic_cast<NodeAdjustmentHandle*>(create.adjustmentHandle().get());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->nodeHandleType(), NodeHandleType::resizeTopLeft);
    EXPECT_EQ(events.nodeCreating, 4);
    EXPECT_EQ(events.nodeCreated, 1);
    EXPECT_EQ(doc.history(), before + 1);
    doc.diagram->undo();
    EXPECT_TRUE(doc.diagram->nodes().empty());
}

TEST(CreateNodeController, ACancelDecidesAtTheReleaseAndACancelledDragStopsAtOnce) {
    Doc doc;
    bool vetoAtRelease = true;
    int steps = 0;
    doc.diagram->nodeCreating().add([&](Object&, NodeValidationEventArgs& e) {
        ++steps;
        e.setCancel(vetoAtRelease);
        if (!vetoAtRelease) e.cancelDrag();
    });

    CreateNodeController vetoed(doc.diagram, shapeNodeType());
    vetoed.onTouchDown(Point(10, 10), Point(0, 0));
    vetoed.onTouchMove(Point(30, 30), Point(0, 0));
    EXPECT_NE(vetoed.node(), nullptr);
    vetoed.onTouchUp(Point(30, 30), Point(0, 0));
    EXPECT_TRUE(doc.diagram->nodes().empty());
    EXPECT_EQ(steps, 2);

    vetoAtRelease = false;
    steps = 0;
    CreateNodeController stopped(doc.diagram, shapeNodeType());
    drag(stopped, Point(10, 10), Point(30, 30));
    EXPECT_EQ(stopped.node(), nullptr);
    EXPECT_EQ(steps, 1);
    EXPECT_TRUE(doc.diagram->nodes().empty());

    // A class that makes no node, and a broken-off touch, create nothing either.
    CreateNodeController wrongKind(doc.diagram, linkType());
    drag(wrongKind, Point(10, 10), Point(30, 30));
    CreateNodeController broken(doc.diagram, shapeNodeType());
    broken.onTouchDown(Point(10, 10), Point(0, 0));
    broken.onCancel(Point(10, 10), Point(0, 0));
    broken.onTouchUp(Point(10, 10), Point(0, 0));
    EXPECT_TRUE(doc.diagram->nodes().empty());
}

// A node that a repaint handler takes out again as it is added was not created: no event says so.
TEST(CreateNodeController, ANodeAHandlerTakesOutAsItIsAddedIsNotReportedCreated) {
    Doc doc;
    Creations events(*doc.diagram);
    const std::shared_ptr<Diagram> d = doc.diagram;
    d->repaint() += [raw = d.get()](Object&, RepaintEventArgs&) {
        if (!raw->nodes().empty()) raw->removeItem(raw->nodes().front());
    };
    CreateNodeController create(d, shapeNodeType());
    drag(create, Point(10, 10), Point(40, 40));
    EXPECT_TRUE(d->nodes().empty());
    EXPECT_EQ(events.nodeCreated, 0);
}

TEST(CreateLinkController, ConnectsTwoNodesAsOneUndoStep) {
    Doc doc;
    auto a = doc.factory.createShapeNode(Rect(0, 0, 20, 20));
    auto b = doc.factory.createShapeNode(Rect(100, 0, 20, 20));
    const std::size_t before = doc.history();
    CreateLinkController create(doc.diagram, nullptr, linkType());
    drag(create, Point(10, 10), Point(110, 10));
    ASSERT_EQ(doc.diagram->links().size(), 1u);
    const auto link = doc.diagram->links().front();
    EXPECT_EQ(link->origin(), a);
    EXPECT_EQ(link->destination(), b);
    EXPECT_TRUE(lists(a->outgoingLinks(), link));
    EXPECT_TRUE(lists(b->incomingLinks(), link));
    EXPECT_EQ(doc.history(), before + 1);
}

TEST(CreateLinkController, RefusesLooseEndsAndLoopsWhereTheyAreNotAllowed) {
    Doc doc;
    auto a = doc.factory.createShapeNode(Rect(0, 0, 20, 20));
    doc.diagram->setAllowSelfLoops(false);
    Creations events(*doc.diagram);

    // Released over empty space: refused before the last linkCreating.
    CreateLinkController loose(doc.diagram, a, linkType());
    drag(loose, Point(10, 10), Point(200, 200), 2);
    EXPECT_EQ(events.linkCreating, 2);

    CreateLinkController loop(doc.diagram, a, linkType());
    drag(loop, Point(10, 10), Point(15, 15), 2);

    // Started over empty space: the link is given up at once.
    events.linkCreating = 0;
    CreateLinkController nowhere(doc.diagram, nullptr, linkType());
    drag(nowhere, Point(200, 200), Point(10, 10));
    EXPECT_EQ(nowhere.link(), nullptr);
    EXPECT_EQ(events.linkCreating, 0);

    CreateLinkController vetoed(doc.diagram, a, linkType());
    doc.diagram->setAllowUnconnectedLinks(true);
    doc.diagram->linkCreating().add([](Object&, LinkValidationEventArgs& e) { e.setCancel(true); });
    drag(vetoed, Point(10, 10), Point(200, 200));

    EXPECT_TRUE(doc.diagram->links().empty());
    EXPECT_TRUE(a->outgoingLinks().empty());
    EXPECT_TRUE(a->incomingLinks().empty());
    EXPECT_EQ(events.linkCreated, 0);
}

TEST(CreateLinkController, ALoopSitsOnTheTopMiddleAndTwoLooseEndsAreNoLoop) {
    Doc doc;
    auto a = doc.factory.createShapeNode(Rect(0, 0, 20, 20));
    CreateLinkController loop(doc.diagram, a, linkType());
    drag(loop, Point(10, 10), Point(15, 15));
    ASSERT_EQ(doc.diagram->links().size(), 1u);
    const auto link = doc.diagram->links().front();
    EXPECT_EQ(link->origin(), a);
    EXPECT_EQ(link->destination(), a);
    for (const auto& end : {link->originConnection(), link->destinationConnection()}) {
        EXPECT_EQ(end->relativePosition(), Point(50, 0));
        EXPECT_EQ(end->anchor(), -1);
    }

    doc.diagram->setAllowSelfLoops(false);
    doc.diagram->setAllowUnconnectedLinks(true);
    CreateLinkController free(doc.diagram, nullptr, linkType());
    drag(free, Point(100, 100), Point(150, 120));
    EXPECT_EQ(doc.diagram->links().size(), 2u);
}
