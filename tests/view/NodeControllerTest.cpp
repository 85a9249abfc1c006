#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/document/Constraints.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/view/ModifyNodeController.h"
#include "Nodeloom/view/ModifySelectionController.h"
#include "tests/view/ControllerTestSupport.h"

using namespace nodeloom;
using namespace nodeloom::test;

TEST(ModifyNodeController, ResizesPastTheOppositeEdgeAndAVetoLeavesNoTrace) {
    Doc doc;
    auto node = doc.factory.createShapeNode(Rect(10, 10, 20, 20));
    const std::string saved = doc.diagram->saveToXmlString();
    const std::size_t before = doc.history();

    ModifyNodeController resize(doc.diagram, node, handle(node, NodeHandleType::resizeRight));
    drag(resize, Point(30, 20), Point(0, 20));
    EXPECT_EQ(node->bounds(), Rect(0, 10, 10, 20));
    EXPECT_EQ(doc.history(), before + 1);
    doc.diagram->undo();
    EXPECT_EQ(doc.diagram->saveToXmlString(), saved);

    int asked = 0;
    doc.diagram->nodeModifying().add([&](Object&, NodeValidationEventArgs& e) {
        ++asked;
        EXPECT_EQ(e.node(), node);
        e.setCancel(true);
    });
    const std::size_t afterUndo = doc.history();
    ModifyNodeController vetoed(doc.diagram, node, handle(node, NodeHandleType::move));
    drag(vetoed, Point(20, 20), Point(80, 90));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(node->bounds(), Rect(10, 10, 20, 20));
    EXPECT_EQ(doc.history(), afterUndo);
    EXPECT_EQ(doc.nesting(), 0);
}

TEST(ModifyNodeController, AResizeSnapsTheFingerAndAMoveTheCorner) {
    Doc doc;
    doc.diagram->setAlignToGrid(true);
    doc.diagram->setGridSizeX(5);
    doc.diagram->setGridSizeY(5);
    doc.diagram->setGridOffsetX(0);
    doc.diagram->setGridOffsetY(0);
    auto node = doc.factory.createShapeNode(Rect(10, 10, 21, 21));

    ModifyNodeController move(doc.diagram, node, handle(node, NodeHandleType::move));
    drag(move, Point(20, 20), Point(33, 48));
    EXPECT_EQ(node->bounds(), Rect(25, 40, 21, 21));

    ModifyNodeController resize(doc.diagram, node, handle(node, NodeHandleType::resizeBottomRight));
    drag(resize, Point(46, 61), Point(58, 77));
    EXPECT_EQ(node->bounds(), Rect(25, 40, 35, 35));
}

TEST(ModifyNodeController, AMoveDropsIntoTheContainerUnderTheFingerAndAResizeNever) {
    Doc doc;
    auto container = doc.factory.createContainerNode(Rect(100, 100, 30, 30));
    auto node = doc.factory.createShapeNode(Rect(10, 10, 20, 20));
    const std::string saved = doc.diagram->saveToXmlString();

    ModifyNodeController resize(doc.diagram, node, handle(node, NodeHandleType::resizeBottomRight));
    drag(resize, Point(30, 30), Point(115, 115));
    EXPECT_EQ(node->container(), nullptr);
    doc.diagram->undo();

    ModifyNodeController move(doc.diagram, node, handle(node, NodeHandleType::move));
    drag(move, Point(20, 20), Point(125, 125));
    EXPECT_EQ(node->container(), container);
    EXPECT_TRUE(container->bounds().contains(node->bounds()));
    EXPECT_GT(container->bounds().width, 30);

    doc.diagram->undo();
    EXPECT_EQ(node->container(), nullptr);
    EXPECT_EQ(doc.diagram->saveToXmlString(), saved);
}

TEST(ModifyNodeController, TheOldContainerLetsGoOfAChildDraggedOutAndGrowsAroundAResizedOne) {
    Doc doc;
    auto container = doc.factory.createContainerNode(Rect(0, 0, 100, 100));
    auto child = doc.factory.createShapeNode(Rect(10, 10, 20, 20));
    auto other = doc.factory.createShapeNode(Rect(40, 40, 20, 20));
    container->add(child);
    container->add(other);

    ModifyNodeController resize(doc.diagram, other,
                                handle(other, NodeHandleType::resizeBottomRight));
    drag(resize, Point(60, 60), Point(150, 60));
    EXPECT_EQ(other->container(), container);
    EXPECT_GE(container->bounds().right(), 150);

    ModifyNodeController out(doc.diagram, child, handle(child, NodeHandleType::move));
    drag(out, Point(20, 20), Point(20, 320));
    EXPECT_EQ(child->container(), nullptr);
    EXPECT_EQ(other->container(), container);
}

TEST(ModifyNodeController, AChildKeptInsideItsParentCanBeDraggedAgainAtOnce) {
    Doc doc;
    auto container = doc.factory.createContainerNode(Rect(0, 0, 100, 100));
    auto child = doc.factory.createShapeNode(Rect(10, 10, 20, 20));
    container->add(child);
    auto constraints = std::make_shared<Constraints>();
    constraints->setKeepInsideParent(true);
    child->setConstraints(constraints);
    doc.diagram->changeSelection(child);

    // The same storage for both drags: the rule must not take the second for the first.
    std::optional<ModifySelectionController> selection;
    selection.emplace(doc.diagram, handle(child, NodeHandleType::resizeLeft));
    drag(*selection, Point(10, 20), Point(-30, 20));
    const double left = child->bounds().x;
    EXPECT_LT(left, 10);
    selection.emplace(doc.diagram, handle(child, NodeHandleType::resizeRight));
    drag(*selection, Point(child->bounds().right(), 20), Point(300, 20));
    EXPECT_EQ(child->bounds().x, left);
    EXPECT_GT(child->bounds().width, 60);

    // A single-node drag of the child is held the same way, and so is the next one.
    ModifyNodeController first(doc.diagram, child, handle(child, NodeHandleType::move));
    drag(first, Point(20, 20), Point(-200, 20));
    EXPECT_GE(child->bounds().x, container->bounds().x);
    ModifyNodeController second(doc.diagram, child, handle(child, NodeHandleType::move));
    drag(second, Point(20, 20), Point(25, 20));
    EXPECT_EQ(child->container(), container);
}

TEST(ModifyNodeController, ACancelledTouchPutsTheNodeBackAndRecordsNothing) {
    Doc doc;
    auto a = doc.factory.createShapeNode(Rect(10, 10, 20, 20));
    auto b = doc.factory.createShapeNode(Rect(100, 10, 20, 20));
    auto link = doc.factory.createDiagramLink(a, b);
    const std::string saved = doc.diagram->saveToXmlString();
    const std::size_t before = doc.history();

    ModifyNodeController move(doc.diagram, a, handle(a, NodeHandleType::move));
    move.onTouchDown(Point(20, 20), Point(0, 0));
    move.onTouchMove(Point(60, 90), Point(0, 0));
    EXPECT_NE(link->startPoint(), Point(30, 20));
    move.onCancel(Point(60, 90), Point(0, 0));
    EXPECT_EQ(doc.diagram->saveToXmlString(), saved);
    EXPECT_EQ(doc.history(), before);
    EXPECT_EQ(doc.nesting(), 0);
}
