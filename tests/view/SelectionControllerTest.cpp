#include <gtest/gtest.h>

#include <memory>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/document/Selection.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/view/DrawSelectionController.h"
#include "Nodeloom/view/ModifySelectionController.h"
#include "tests/view/ControllerTestSupport.h"

using namespace nodeloom;
using namespace nodeloom::test;

TEST(DrawSelectionController, SelectsWhatTheBandTouchesContainerChildrenIncluded) {
    Doc doc;
    auto touched = doc.factory.createShapeNode(Rect(0, 0, 10, 10));
    auto far = doc.factory.createShapeNode(Rect(200, 200, 10, 10));
    auto container = doc.factory.createContainerNode(Rect(50, 0, 100, 100));
    auto inside = doc.factory.createShapeNode(Rect(60, 20, 10, 10));
    auto outside = doc.factory.createShapeNode(Rect(120, 60, 10, 10));
    container->add(inside);
    container->add(outside);
    doc.diagram->changeSelection(far);

    DrawSelectionController band(doc.diagram);
    band.onTouchDown(Point(10, 10), Point(0, 0));
    band.onTouchMove(Point(0, 30), Point(0, 0));
    EXPECT_EQ(band.selection()->bounds(), Rect(0, 10, 10, 20));
    EXPECT_TRUE(far->selected()) << "the selection changes only at the release";
    // Along the start's row the band keeps its last rectangle.
    band.onTouchMove(Point(80, 10), Point(0, 0));
    EXPECT_EQ(band.selection()->bounds(), Rect(0, 10, 10, 20));
    band.onTouchMove(Point(80, 40), Point(0, 0));
    band.onTouchUp(Point(80, 40), Point(0, 0));

    EXPECT_TRUE(touched->selected());
    EXPECT_TRUE(container->selected());
    EXPECT_TRUE(inside->selected());
    EXPECT_FALSE(outside->selected());
    EXPECT_FALSE(far->selected());
}

TEST(ModifySelectionController, MovingTwoNodesRaisesTwoEventsAndRecordsOneStep) {
    Doc doc;
    auto a = doc.factory.createShapeNode(Rect(0, 0, 20, 20));
    auto b = doc.factory.createShapeNode(Rect(100, 0, 20, 20));
    auto link = doc.factory.createDiagramLink(a, b);
    a->setSelected(true);
    b->setSelected(true);
    const std::string saved = doc.diagram->saveToXmlString();
    const std::size_t before = doc.history();
    int modified = 0;
    doc.diagram->nodeModified().add([&](Object&, NodeEventArgs&) { ++modified; });

    ModifySelectionController move(doc.diagram, handle(a, NodeHandleType::move));
    drag(move, Point(10, 10), Point(40, 60));
    EXPECT_EQ(a->bounds(), Rect(30, 50, 20, 20));
    EXPECT_EQ(b->bounds(), Rect(130, 50, 20, 20));
    EXPECT_EQ(link->startPoint().y, link->endPoint().y);
    EXPECT_EQ(modified, 2);
    EXPECT_EQ(doc.history(), before + 1);
    EXPECT_EQ(move.selection().size(), 2u);
    EXPECT_TRUE(move.items().empty());  // the rules carry the items, not the controller
    doc.diagram->undo();
    EXPECT_EQ(doc.diagram->saveToXmlString(), saved);
}

TEST(ModifySelectionController, ANodeTakenOutMidDragStaysWhereItWasTakenOut) {
    Doc doc;
    auto a = doc.factory.createShapeNode(Rect(0, 0, 20, 20));
    auto b = doc.factory.createShapeNode(Rect(100, 0, 20, 20));
    auto c = doc.factory.createShapeNode(Rect(200, 0, 20, 20));
    auto link = doc.factory.createDiagramLink(b, c);
    a->setSelected(true);
    b->setSelected(true);

    ModifySelectionController move(doc.diagram, handle(a, NodeHandleType::move));
    move.onTouchDown(Point(10, 10), Point(0, 0));
    move.onTouchMove(Point(20, 20), Point(0, 0));
    // As a handler of the drag's events may: the node and its link leave the document.
    doc.diagram->removeItem(b);
    const Rect left = b->bounds();
    const std::vector<Point> leftPoints = link->controlPoints();
    move.onTouchMove(Point(40, 60), Point(0, 0));
    move.onTouchUp(Point(40, 60), Point(0, 0));

    EXPECT_EQ(a->bounds(), Rect(30, 50, 20, 20));
    EXPECT_EQ(b->bounds(), left);
    EXPECT_EQ(link->controlPoints(), leftPoints);
    EXPECT_FALSE(doc.diagram->contains(*b));
    EXPECT_FALSE(doc.diagram->contains(*link));
}

TEST(ModifySelectionController, ALinkHandleChangesNothingButClosesItsUndoStep) {
    Doc doc;
    auto a = doc.factory.createShapeNode(Rect(0, 0, 20, 20));
    auto b = doc.factory.createShapeNode(Rect(100, 0, 20, 20));
    auto link = doc.factory.createDiagramLink(a, b);
    a->setSelected(true);
    const std::size_t before = doc.history();

    ModifySelectionController grabbed(doc.diagram, pointHandle(link, 0));
    drag(grabbed, Point(20, 10), Point(60, 60));
    EXPECT_EQ(a->bounds(), Rect(0, 0, 20, 20));
    EXPECT_EQ(doc.nesting(), 0);
    // A later change is a step of its own, not swallowed by the drag's.
    const std::size_t after = doc.history();
    doc.factory.createShapeNode(Rect(50, 50, 5, 5));
    EXPECT_EQ(doc.history(), after + 1);
    EXPECT_LE(after, before + 1);
}

TEST(ModifySelectionController, ARotationOnTheCentreTurnsByNinetyLessTheStartAngle) {
    Doc doc;
    auto node = doc.factory.createShapeNode(Rect(0, 0, 20, 20));
    node->setRotationAngle(30);
    node->setSelected(true);
    ModifySelectionController rotate(doc.diagram, handle(node, NodeHandleType::rotate));
    rotate.onTouchDown(Point(10, -10), Point(0, 0));
    rotate.onTouchMove(Point(10, 10), Point(0, 0));
    ASSERT_TRUE(rotate.angleDelta());
    EXPECT_DOUBLE_EQ(*rotate.angleDelta(), 60);
    EXPECT_DOUBLE_EQ(node->rotationAngle(), 90);
    rotate.onTouchUp(Point(10, 10), Point(0, 0));
}
