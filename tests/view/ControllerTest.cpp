#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Nodeloom/composite/ScrollBar.h"
#include "Nodeloom/composite/TableNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/document/DiagramMediator.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/view/CreateLinkController.h"
#include "Nodeloom/view/DiagramView.h"
#include "Nodeloom/view/ManipulatorController.h"
#include "Nodeloom/view/ModifyLinkController.h"
#include "Nodeloom/view/ModifyNodeController.h"
#include "Nodeloom/view/ModifySelectionController.h"
#include "Nodeloom/view/RadialMenu.h"
#include "Nodeloom/view/RadialMenuController.h"
#include "tests/view/ControllerTestSupport.h"
#include "Nodeloom/view/ModifyController.h"
#include "Nodeloom/view/PanController.h"

using namespace nodeloom;

namespace {

// A node being dragged on a document with undo on.
struct Drag {
    std::shared_ptr<Diagram> diagram = std::make_shared<Diagram>();
    std::shared_ptr<DiagramNode> node = std::make_shared<DiagramNode>();
    std::size_t before = 0;

    Drag() {
        diagram->setUndoEnabled(true);
        node->_setBounds(Rect(10, 10, 20, 20));
        diagram->addItem(node);
        before = history();
    }
    std::unique_ptr<ModifyController> controller() {
        return std::make_unique<ModifyController>(diagram, node, nullptr);
    }
    std::size_t history() const { return diagram->undoManager()->undoHistory().size(); }
    int nesting() const { return diagram->undoManager()->startCompositeCounter(); }
};

}  // namespace

TEST(PanController, FollowsTheFingerWhateverTheScrollOnTheWay) {
    for (const double zoom : {100.0, 200.0}) {
        auto view = DiagramView::create(Rect(0, 0, 300, 200));
        view->diagram()->setMeasureUnit(MeasureUnit::Point());
        view->setZoomLevel(zoom);
        view->setScrollX(40);
        PanController pan(view);
        // The dispatcher turns each view point into a document point with the scroll of the
        // moment.
        pan.onTouchDown(view->clientToDoc(Point(100, 50)), Point(0, 0));
        for (int x = 105; x <= 130; x += 5)
            pan.onTouchMove(view->clientToDoc(Point(x, 50 - (x - 100))), Point(0, 0));
        EXPECT_DOUBLE_EQ(view->scrollX(), 40 - 30 / (zoom / 100)) << zoom;
        EXPECT_DOUBLE_EQ(view->scrollY(), 30 / (zoom / 100)) << zoom;
    }
}

TEST(ModifyController, AModifyingDragIsOneUndoEntry) {
    Drag drag;
    auto controller = drag.controller();
    EXPECT_EQ(controller->mediator()->ist(), controller.get());
    controller->onTouchDown(Point(15, 15), Point(0, 0));
    drag.node->setBounds(Rect(20, 10, 20, 20));
    drag.node->setBounds(Rect(30, 40, 20, 20));
    controller->onTouchUp(Point(35, 45), Point(0, 0));
    EXPECT_EQ(drag.history(), drag.before + 1);
    EXPECT_EQ(drag.nesting(), 0);
    drag.diagram->undo();
    EXPECT_EQ(drag.node->bounds(), Rect(10, 10, 20, 20));
}

TEST(ModifyController, ClosesOnlyTheCompositeItsOwnStartOpened) {
    // Inside an outer composite the drag's close does not record; the outer owner records all.
    Drag nested;
    nested.diagram->startCompositeOperation();
    auto inner = nested.controller();
    inner->startDrag(Point(0, 0));
    nested.node->setBounds(Rect(50, 50, 20, 20));
    inner->endDrag(Point(0, 0));
    EXPECT_EQ(nested.nesting(), 1);
    nested.diagram->commitCompositeOperation();
    EXPECT_EQ(nested.history(), nested.before + 1);

    // An end without a start leaves another owner's composite open.
    Drag other;
    other.diagram->startCompositeOperation();
    auto idle = other.controller();
    idle->endDrag(Point(0, 0));
    idle->endDrag(Point(0, 0));
    EXPECT_EQ(other.nesting(), 1);

    // A fresh history installed during the drag is not the drag's to close.
    Drag replaced;
    auto controller = replaced.controller();
    controller->startDrag(Point(0, 0));
    replaced.diagram->setUndoEnabled(false);
    replaced.diagram->setUndoEnabled(true);
    replaced.diagram->startCompositeOperation();
    controller->endDrag(Point(0, 0));
    EXPECT_EQ(replaced.nesting(), 1);
}

TEST(ModifyController, ADroppedDragEndsAsACancelledOneAndUndoesItself) {
    Drag dropped;
    {
        auto controller = dropped.controller();
        controller->startDrag(Point(0, 0));
        dropped.node->setBounds(Rect(60, 60, 20, 20));
    }
    EXPECT_EQ(dropped.node->bounds(), Rect(10, 10, 20, 20));
    EXPECT_EQ(dropped.nesting(), 0);
    EXPECT_EQ(dropped.history(), dropped.before);
    // Later changes are steps of their own again.
    dropped.diagram->removeItem(dropped.node);
    EXPECT_EQ(dropped.history(), dropped.before + 1);

    Drag cancelled;
    auto controller = cancelled.controller();
    controller->onTouchDown(Point(0, 0), Point(0, 0));
    cancelled.node->setBounds(Rect(70, 70, 20, 20));
    controller->onCancel(Point(0, 0), Point(0, 0));
    controller->onTouchUp(Point(0, 0), Point(0, 0));
    EXPECT_EQ(cancelled.node->bounds(), Rect(10, 10, 20, 20));
    EXPECT_EQ(cancelled.nesting(), 0);
    EXPECT_EQ(cancelled.history(), cancelled.before);
}

// A controller let go of in the middle of its drag, as a view that goes lets go of its own: the
// drag ends as a cancel ends it, leaving the document as it was, no step open and none filed, no
// node listing a link the document does not hold, and no menu shown.
TEST(Controllers, OneLetGoOfMidDragEndsItAsACancelDoes) {
    using Make = std::function<std::shared_ptr<TouchInputController>(
        const std::shared_ptr<DiagramView>&, Point& from, Point& to)>;
    const auto linkType = std::make_shared<DiagramLink>()->getClassType();
    const std::vector<std::pair<const char*, Make>> kinds = {
        {"a link's end off its table row",
         [](const std::shared_ptr<DiagramView>& view, Point& from, Point& to) {
             Factory& f = *view->diagram()->factory();
             const auto table = f.createTableNode(0, 0, 50, 60, 2, 5);
             const auto link = f.createDiagramLink(f.createShapeNode(100, 0, 20, 20), table, 1);
             from = link->endPoint();
             to = Point(200, 200);
             const int last = static_cast<int>(link->controlPoints().size()) - 1;
             return std::make_shared<ModifyLinkController>(view->diagram(), link,
                                                           test::pointHandle(link, last));
         }},
        {"a node",
         [](const std::shared_ptr<DiagramView>& view, Point& from, Point& to) {
             Factory& f = *view->diagram()->factory();
             const auto a = f.createShapeNode(0, 0, 20, 20);
             f.createDiagramLink(a, f.createShapeNode(100, 0, 20, 20));
             from = Point(10, 10);
             to = Point(150, 150);
             return std::make_shared<ModifyNodeController>(
                 view->diagram(), a, test::handle(a, NodeHandleType::resizeBottomRight));
         }},
        {"the selection",
         [](const std::shared_ptr<DiagramView>& view, Point& from, Point& to) {
             Factory& f = *view->diagram()->factory();
             const auto a = f.createShapeNode(0, 0, 20, 20);
             f.createShapeNode(100, 0, 20, 20)->setSelected(true);
             a->setSelected(true);
             from = Point(10, 10);
             to = Point(150, 150);
             return std::make_shared<ModifySelectionController>(
                 view->diagram(), test::handle(a, NodeHandleType::move));
         }},
        {"a new link",
         [&linkType](const std::shared_ptr<DiagramView>& view, Point& from, Point& to) {
             Factory& f = *view->diagram()->factory();
             const auto a = f.createShapeNode(0, 0, 20, 20);
             f.createShapeNode(100, 100, 20, 20);
             from = Point(10, 10);
             to = Point(110, 110);
             return std::make_shared<CreateLinkController>(view->diagram(), a, linkType);
         }},
        {"the menu",
         [](const std::shared_ptr<DiagramView>& view, Point& from, Point& to) {
             view->diagram()->factory()->createShapeNode(0, 0, 20, 20);
             from = to = Point(10, 10);
             return std::make_shared<RadialMenuController>(nullptr, view, Point(), nullptr);
         }},
        {"the scroll bar",
         [](const std::shared_ptr<DiagramView>& view, Point& from, Point& to) {
             Factory& f = *view->diagram()->factory();
             const auto table = f.createTableNode(0, 0, 60, 60, 2, 30);
             table->setScrollable(true);
             f.createDiagramLink(f.createShapeNode(100, 0, 20, 20), table, 2);
             const Rect bar = table->scrollBar()->globalBounds();
             from = Point(bar.x + bar.width / 2, bar.y + 3);
             to = Point(from.x, from.y + 30);
             return std::make_shared<ManipulatorController>(table->scrollBar());
         }},
    };
    for (const auto& [name, make] : kinds) {
        SCOPED_TRACE(name);
        const auto view = DiagramView::create(Rect(0, 0, 300, 300));
        const std::shared_ptr<Diagram> d = view->diagram();
        d->setMeasureUnit(MeasureUnit::Point());
        d->setUndoEnabled(true);
        d->setAlignToGrid(false);
        d->setAllowUnconnectedLinks(false);
        Point from, to;
        auto controller = make(view, from, to);
        const std::string before = d->saveToXmlString();
        const std::size_t steps = d->undoManager()->undoHistory().size();
        controller->onTouchDown(from, Point(0, 0));
        controller->onTouchMove(Point((from.x + to.x) / 2, (from.y + to.y) / 2), Point(0, 0));
        controller->onTouchMove(to, Point(0, 0));
        const bool shown = !view->subviews().empty();
        controller.reset();

        EXPECT_EQ(d->undoManager()->startCompositeCounter(), 0);
        EXPECT_EQ(d->undoManager()->undoHistory().size(), steps);
        EXPECT_TRUE(d->saveToXmlString() == before);
        for (const auto& node : d->nodes()) {
            for (const auto& link : node->getAllLinks()) EXPECT_TRUE(link && d->contains(*link));
        }
        for (const auto& link : d->links()) {
            EXPECT_FALSE(isLooseEnd(link->originConnection()));
            EXPECT_FALSE(isLooseEnd(link->destinationConnection()));
        }
        EXPECT_TRUE(!shown || view->subviews().empty());
    }
}
