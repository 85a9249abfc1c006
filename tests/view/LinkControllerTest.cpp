#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "Nodeloom/composite/TableNode.h"
#include "Nodeloom/composite/TreeViewConnectionPoint.h"
#include "Nodeloom/composite/TreeViewItem.h"
#include "Nodeloom/composite/TreeViewNode.h"
#include "Nodeloom/document/LinkEventArgs.h"
#include "Nodeloom/foundation/RenderOptions.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/view/ModifyLinkController.h"
#include "tests/composite/TableTestSupport.h"
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

TEST(ModifyLinkController, WhileCanceledTheDragStandsStillAndTheReleaseStillRuns) {
    Linked doc;
    int modified = 0;
    doc.diagram->linkModified().add([&](Object&, LinkEventArgs&) { ++modified; });
    const std::string before = doc.diagram->saveToXmlString();
    const Point end = doc.link->endPoint();

    // Canceled from the start: no composite, no moves; the release tests, asks and reports.
    ModifyLinkController still(doc.diagram, doc.link, pointHandle(doc.link, doc.last()));
    still.setCanceled(true);
    still.onTouchDown(end, Point(0, 0));
    EXPECT_EQ(doc.nesting(), 0);
    still.onTouchMove(Point(110, 110), Point(0, 0));
    EXPECT_EQ(doc.link->endPoint(), end);
    EXPECT_EQ(doc.link->destination(), doc.b);
    still.onTouchUp(end, Point(0, 0));
    EXPECT_EQ(doc.modifying, 1);
    EXPECT_EQ(modified, 1);
    EXPECT_EQ(doc.nesting(), 0);
    EXPECT_EQ(doc.diagram->saveToXmlString(), before);

    // Canceled halfway: the end stays where the drag had taken it, and the release finishes the
    // change as one undo step.
    const std::size_t steps = doc.history();
    ModifyLinkController halfway(doc.diagram, doc.link, pointHandle(doc.link, doc.last()));
    halfway.onTouchDown(end, Point(0, 0));
    halfway.onTouchMove(Point(110, 110), Point(0, 0));
    const Point reached = doc.link->endPoint();
    halfway.setCanceled(true);
    halfway.onTouchMove(Point(300, 300), Point(0, 0));
    EXPECT_EQ(doc.link->endPoint(), reached);
    halfway.onTouchUp(Point(110, 110), Point(0, 0));
    EXPECT_EQ(doc.link->destination(), doc.c);
    EXPECT_TRUE(lists(doc.c->incomingLinks(), doc.link));
    EXPECT_FALSE(lists(doc.b->incomingLinks(), doc.link));
    EXPECT_EQ(doc.modifying, 2);
    EXPECT_EQ(doc.history(), steps + 1);
    const std::string after = doc.diagram->saveToXmlString();
    doc.diagram->undo();
    EXPECT_EQ(doc.diagram->saveToXmlString(), before);
    doc.diagram->redo();
    EXPECT_EQ(doc.diagram->saveToXmlString(), after);
}

TEST(ModifyLinkController, AnEndMovedToAnotherRowOfTheSameNodeLeavesTheRowItStartedOn) {
    // A table of five rows of 6 under a caption of 5: row r spans y 5 + 6r to 11 + 6r.
    Doc doc;
    auto table = doc.factory.createTableNode(0, 0, 50, 60, 2, 5);
    auto node = doc.factory.createShapeNode(100, 0, 20, 20);
    auto link = doc.factory.createDiagramLink(node, table, 1);
    const std::string before = doc.diagram->saveToXmlString();
    const int last = static_cast<int>(link->controlPoints().size()) - 1;

    ModifyLinkController rows(doc.diagram, link, pointHandle(link, last));
    drag(rows, link->endPoint(), Point(25, 26));
    ASSERT_EQ(link->destinationConnection()->row(), 3);
    EXPECT_TRUE(lists(table->rows()[3]->incomingLinks(), link));
    EXPECT_FALSE(lists(table->rows()[1]->incomingLinks(), link));
    const std::string after = doc.diagram->saveToXmlString();
    doc.diagram->undo();
    EXPECT_EQ(doc.diagram->saveToXmlString(), before);
    EXPECT_TRUE(lists(table->rows()[1]->incomingLinks(), link));
    EXPECT_FALSE(lists(table->rows()[3]->incomingLinks(), link));
    doc.diagram->redo();
    EXPECT_EQ(doc.diagram->saveToXmlString(), after);
    // Renumbering keeps the end on its new row, and removing the link leaves no row listing it.
    table->insertRow(0);
    EXPECT_EQ(link->destinationConnection()->row(), 4);
    doc.diagram->removeItem(link);
    for (const auto& row : table->rows()) EXPECT_FALSE(lists(row->incomingLinks(), link));
    EXPECT_TRUE(table->getAllLinks().empty());

    // The same for the items of a tree: A (B, C).
    auto tree = doc.factory.createTreeViewNode(200, 0, 40, 60);
    auto A = std::make_shared<TreeViewItem>(), B = std::make_shared<TreeViewItem>(),
         C = std::make_shared<TreeViewItem>();
    A->children() = {B, C};
    tree->rootItems() = {A};
    TextRecordingCanvas canvas;
    tree->drawLocal(canvas, RenderOptions());
    auto other = doc.factory.createTreeViewNode(300, 0, 40, 60);
    auto toItem = doc.factory.createDiagramLink(other, nullptr, tree, B);
    ModifyLinkController items(doc.diagram, toItem, pointHandle(toItem, 1));
    ASSERT_EQ(toItem->controlPoints().size(), 2u);
    const Rect cRow = tree->getItemRect(*C);
    drag(items, toItem->endPoint(), Point(cRow.x + cRow.width / 2, cRow.y + cRow.height / 2));
    const auto end = std::dynamic_pointer_cast<TreeViewConnectionPoint>(
        toItem->destinationConnection());
    ASSERT_TRUE(end);
    EXPECT_EQ(end->item(), C);
    EXPECT_TRUE(lists(C->incomingLinks(), toItem));
    EXPECT_FALSE(lists(B->incomingLinks(), toItem));
}
