#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/view/ModifyLinkController.h"
#include "tests/view/ControllerTestSupport.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

bool lists(const DiagramNode::LinkList& list, const std::shared_ptr<DiagramLink>& link) {
    return std::find(list.begin(), list.end(), link) != list.end();
}

// Two nodes side by side joined by a straight link, and a third node below.
struct Linked : Doc {
    std::shared_ptr<ShapeNode> a = factory.createShapeNode(Rect(0, 0, 20, 20));
    std::shared_ptr<ShapeNode> b = factory.createShapeNode(Rect(100, 0, 20, 20));
    std::shared_ptr<ShapeNode> c = factory.createShapeNode(Rect(100, 100, 20, 20));
    std::shared_ptr<DiagramLink> link = factory.createDiagramLink(a, b);
    int modifying = 0;

    Linked() {
        diagram->linkModifying().add([this](Object&, LinkValidationEventArgs&) { ++modifying; });
    }
    int last() const { return static_cast<int>(link->controlPoints().size()) - 1; }
};

}  // namespace

TEST(ModifyLinkController, AnEndDroppedOnEmptySpacePutsTheLinkBackWithoutAsking) {
    Linked doc;
    const std::vector<Point> points = doc.link->controlPoints();
    const std::size_t before = doc.history();

    ModifyLinkController end(doc.diagram, doc.link, pointHandle(doc.link, doc.last()));
    drag(end, doc.link->endPoint(), Point(300, 300));
    EXPECT_EQ(doc.link->controlPoints(), points);
    EXPECT_EQ(doc.link->destination(), doc.b);
    EXPECT_TRUE(lists(doc.b->incomingLinks(), doc.link));
    EXPECT_EQ(doc.modifying, 0);
    EXPECT_EQ(doc.history(), before);
    EXPECT_EQ(doc.nesting(), 0);
}

TEST(ModifyLinkController, AnEndDraggedAcrossOtherNodesLeavesTheNodeItStartedOn) {
    Linked doc;
    const std::string saved = doc.diagram->saveToXmlString();
    const std::size_t before = doc.history();

    ModifyLinkController end(doc.diagram, doc.link, pointHandle(doc.link, doc.last()));
    end.onTouchDown(doc.link->endPoint(), Point(0, 0));
    end.onTouchMove(Point(200, 60), Point(0, 0));
    end.onTouchMove(Point(110, 110), Point(0, 0));
    end.onTouchUp(Point(110, 110), Point(0, 0));
    EXPECT_EQ(doc.modifying, 1);
    EXPECT_EQ(doc.link->destination(), doc.c);
    EXPECT_TRUE(lists(doc.c->incomingLinks(), doc.link));
    EXPECT_FALSE(lists(doc.b->incomingLinks(), doc.link));
    EXPECT_EQ(doc.history(), before + 1);

    doc.diagram->undo();
    EXPECT_EQ(doc.diagram->saveToXmlString(), saved);
    EXPECT_TRUE(lists(doc.b->incomingLinks(), doc.link));
    doc.diagram->redo();
    // Deleting the node the end left keeps the link.
    doc.diagram->removeItem(doc.b);
    EXPECT_EQ(doc.diagram->links().size(), 1u);
}

TEST(ModifyLinkController, AVetoPutsTheLinkBackOnItsNodes) {
    Linked doc;
    doc.diagram->linkModifying().add(
        [](Object&, LinkValidationEventArgs& e) { e.setCancel(true); });
    const std::string saved = doc.diagram->saveToXmlString();
    const std::size_t before = doc.history();

    ModifyLinkController end(doc.diagram, doc.link, pointHandle(doc.link, doc.last()));
    end.onTouchDown(doc.link->endPoint(), Point(0, 0));
    end.onTouchMove(Point(110, 110), Point(0, 0));
    end.onTouchUp(Point(110, 110), Point(0, 0));
    EXPECT_EQ(doc.modifying, 1);
    EXPECT_EQ(doc.diagram->saveToXmlString(), saved);
    EXPECT_TRUE(lists(doc.b->incomingLinks(), doc.link));
    EXPECT_FALSE(lists(doc.c->incomingLinks(), doc.link));
    EXPECT_EQ(doc.history(), before);
    EXPECT_EQ(doc.nesting(), 0);
}

TEST(ModifyLinkController, AnEndOnTheOtherEndsNodeLoopsOnlyWhereLoopsAreAllowed) {
    Linked doc;
    doc.diagram->setAllowSelfLoops(false);
    ModifyLinkController refused(doc.diagram, doc.link, pointHandle(doc.link, doc.last()));
    drag(refused, doc.link->endPoint(), Point(10, 10));
    EXPECT_EQ(doc.link->destination(), doc.b);
    EXPECT_EQ(doc.modifying, 0);

    doc.diagram->setAllowSelfLoops(true);
    ModifyLinkController loop(doc.diagram, doc.link, pointHandle(doc.link, doc.last()));
    drag(loop, doc.link->endPoint(), Point(10, 10));
    EXPECT_EQ(doc.link->destination(), doc.a);
    EXPECT_FALSE(lists(doc.b->incomingLinks(), doc.link));
    for (const auto& end : {doc.link->originConnection(), doc.link->destinationConnection()}) {
        EXPECT_EQ(end->relativePosition(), Point(50, 0));
        EXPECT_EQ(end->anchor(), -1);
    }
}
