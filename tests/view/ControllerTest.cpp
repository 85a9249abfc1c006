#include <gtest/gtest.h>

#include <memory>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/DiagramMediator.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/view/DiagramView.h"
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

TEST(ModifyController, ADroppedDragClosesItsCompositeAndACancelledOneUndoesItself) {
    Drag dropped;
    {
        auto controller = dropped.controller();
        controller->startDrag(Point(0, 0));
        dropped.node->setBounds(Rect(60, 60, 20, 20));
    }
    EXPECT_EQ(dropped.nesting(), 0);
    EXPECT_EQ(dropped.history(), dropped.before + 1);
    // Later changes are steps of their own again.
    dropped.diagram->removeItem(dropped.node);
    EXPECT_EQ(dropped.history(), dropped.before + 2);

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
