#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/DiagramMediator.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/items/Manipulator.h"
#include "Nodeloom/view/BehaviorBase.h"
#include "Nodeloom/view/DiagramView.h"
#include "Nodeloom/view/ManipulatorController.h"
#include "Nodeloom/view/ModifyController.h"
#include "Nodeloom/view/PanController.h"
#include "Nodeloom/view/TouchInputDispatcher.h"

using namespace nodeloom;

namespace {

std::shared_ptr<DiagramView> pointView(double zoom) {
    auto view = DiagramView::create(Rect(0, 0, 300, 200));
    view->diagram()->setMeasureUnit(MeasureUnit::Point());
    view->setZoomLevel(zoom);
    return view;
}

// Drives a pan as the dispatcher does: each view point turned into a document point with the
// scroll of that moment.
void pan(DiagramView& view, PanController& pan, Point from, Point to, int steps) {
    pan.onTouchDown(view.clientToDoc(from), Point(0, 0));
    for (int i = 1; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        const Point p(from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t);
        pan.onTouchMove(view.clientToDoc(p), Point(0, 0));
    }
    pan.onTouchUp(view.clientToDoc(to), Point(0, 0));
}

struct Drag {
    std::shared_ptr<Diagram> diagram = std::make_shared<Diagram>();
    std::shared_ptr<DiagramNode> node = std::make_shared<DiagramNode>();

    explicit Drag(bool undo) {
        diagram->setUndoEnabled(undo);
        node->_setBounds(Rect(10, 10, 20, 20));
        diagram->addItem(node);
    }
    std::unique_ptr<ModifyController> controller() {
        return std::make_unique<ModifyController>(diagram, node, nullptr);
    }
    std::size_t history() const {
        return diagram->undoManager() ? diagram->undoManager()->undoHistory().size() : 0;
    }
    int nesting() const { return diagram->undoManager()->startCompositeCounter(); }
};

class RecordingManipulator : public Manipulator {
public:
    RecordingManipulator() : Manipulator(std::weak_ptr<DiagramItem>()) {}
    void onTouchDown(const Point& p) override { log.push_back("down " + text(p)); }
    void onTouchMove(const Point& p) override { log.push_back("move " + text(p)); }
    void onTouchUp(const Point& p) override { log.push_back("up " + text(p)); }
    static std::string text(const Point& p) {
        return std::to_string(static_cast<int>(p.x)) + "," + std::to_string(static_cast<int>(p.y));
    }
    std::vector<std::string> log;
};

}  // namespace

TEST(PanController, FollowsTheFingerAtEveryZoomWhateverTheScrollOnTheWay) {
    for (const double zoom : {100.0, 200.0}) {
        auto view = pointView(zoom);
        view->setScrollX(40);
        view->setScrollY(-7);
        PanController controller(view);
        pan(*view, controller, Point(100, 50), Point(130, 50), 6);
        EXPECT_DOUBLE_EQ(view->scrollX(), 40 - 30 / (zoom / 100)) << zoom;
        EXPECT_DOUBLE_EQ(view->scrollY(), -7);
        // Back where it went down: the scroll it had then.
        pan(*view, controller, Point(130, 50), Point(100, 20), 3);
        EXPECT_DOUBLE_EQ(view->scrollX(), 40);
        EXPECT_DOUBLE_EQ(view->scrollY(), -7 + 30 / (zoom / 100));
    }
    // In millimetres one view point is 25.4 / 72 of a unit.
    auto view = DiagramView::create(Rect(0, 0, 300, 200));
    PanController controller(view);
    pan(*view, controller, Point(0, 0), Point(72, 0), 1);
    EXPECT_NEAR(view->scrollX(), -25.4, 1e-9);
}

TEST(PanController, DoesNothingOnceItsViewIsGone) {
    auto view = pointView(100);
    PanController controller(view);
    controller.onTouchDown(Point(10, 10), Point(0, 0));
    const std::weak_ptr<DiagramView> weak = view;
    view.reset();
    EXPECT_TRUE(weak.expired());
    controller.onTouchMove(Point(50, 50), Point(0, 0));
    EXPECT_EQ(controller.view(), nullptr);
}

TEST(SinglePointerController, TurnsTouchCallsIntoDragStepsIgnoringTheSecondPoint) {
    auto d = std::make_shared<Diagram>();
    SinglePointerController controller(d, nullptr, nullptr);
    TouchInputController& base = controller;
    base.onTouchDown(Point(1, 2), Point(90, 90));
    base.onTouchMove(Point(3, 4), Point(80, 80));
    EXPECT_EQ(controller.startPoint(), Point(1, 2));
    EXPECT_EQ(controller.currentPoint(), Point(3, 4));
    base.onTouchUp(Point(5, 6), Point(70, 70));
    EXPECT_EQ(controller.currentPoint(), Point(3, 4));
    EXPECT_EQ(base.pointerCount(), 1);
}

TEST(ManipulatorController, ForwardsEachTouchToItsWidget) {
    auto widget = std::make_shared<RecordingManipulator>();
    ManipulatorController controller(widget);
    controller.onTouchDown(Point(1, 1), Point(0, 0));
    controller.onTouchMove(Point(2, 3), Point(9, 9));
    controller.onTouchUp(Point(4, 5), Point(9, 9));
    EXPECT_EQ(widget->log, (std::vector<std::string>{"down 1,1", "move 2,3", "up 4,5"}));
    ManipulatorController empty(nullptr);
    empty.onTouchMove(Point(1, 1), Point(0, 0));
}

TEST(ModifyController, TakesTheMediatorsStatesAndRegistersWithIt) {
    Drag drag(true);
    auto controller = drag.controller();
    ASSERT_NE(controller->mediator(), nullptr);
    EXPECT_EQ(controller->mediator()->ist(), controller.get());
    EXPECT_EQ(controller->originalStates().size(), controller->mediator()->originalStates().size());
    EXPECT_EQ(controller->originalStates().count(drag.node), 1u);
}

TEST(ModifyController, AModifyingDragIsOneUndoEntry) {
    Drag drag(true);
    const std::size_t before = drag.history();
    auto controller = drag.controller();
    controller->onTouchDown(Point(15, 15), Point(0, 0));
    drag.node->setBounds(Rect(20, 10, 20, 20));
    drag.node->setBounds(Rect(30, 40, 20, 20));
    controller->onTouchUp(Point(35, 45), Point(0, 0));
    EXPECT_EQ(drag.history(), before + 1);
    EXPECT_EQ(drag.nesting(), 0);
    drag.diagram->undo();
    EXPECT_EQ(drag.node->bounds(), Rect(10, 10, 20, 20));
    drag.diagram->redo();
    EXPECT_EQ(drag.node->bounds(), Rect(30, 40, 20, 20));
}

TEST(ModifyController, RecordsNothingWithoutItemsOrWithoutUndo) {
    Drag drag(true);
    const std::size_t before = drag.history();
    ModifyController nothing(drag.diagram, nullptr, nullptr);
    EXPECT_TRUE(nothing.originalStates().empty());
    nothing.startDrag(Point(1, 1));
    EXPECT_EQ(drag.nesting(), 0);
    nothing.endDrag(Point(2, 2));
    EXPECT_EQ(drag.history(), before);

    Drag plain(false);
    auto controller = plain.controller();
    controller->startDrag(Point(1, 1));
    plain.node->setBounds(Rect(0, 0, 5, 5));
    controller->endDrag(Point(2, 2));
    EXPECT_EQ(plain.diagram->undoManager(), nullptr);
    EXPECT_EQ(plain.node->bounds(), Rect(0, 0, 5, 5));
}

TEST(ModifyController, ClosesOnlyTheCompositeItsOwnStartOpened) {
    // Inside an outer composite the drag's close does not record; the outer owner records all.
    Drag nested(true);
    const std::size_t before = nested.history();
    nested.diagram->startCompositeOperation();
    auto inner = nested.controller();
    inner->startDrag(Point(0, 0));
    nested.node->setBounds(Rect(50, 50, 20, 20));
    inner->endDrag(Point(0, 0));
    EXPECT_EQ(nested.nesting(), 1);
    EXPECT_EQ(nested.history(), before);
    nested.diagram->commitCompositeOperation();
    EXPECT_EQ(nested.history(), before + 1);

    // An end without a start leaves another owner's composite open.
    Drag other(true);
    other.diagram->startCompositeOperation();
    auto idle = other.controller();
    idle->endDrag(Point(0, 0));
    idle->endDrag(Point(0, 0));
    EXPECT_EQ(other.nesting(), 1);

    // A fresh history installed during the drag is not the drag's to close.
    Drag replaced(true);
    auto controller = replaced.controller();
    controller->startDrag(Point(0, 0));
    replaced.diagram->setUndoEnabled(false);
    replaced.diagram->setUndoEnabled(true);
    replaced.diagram->startCompositeOperation();
    controller->endDrag(Point(0, 0));
    EXPECT_EQ(replaced.nesting(), 1);
}

TEST(ModifyController, ADroppedDragStillClosesItsComposite) {
    Drag drag(true);
    const std::size_t before = drag.history();
    {
        auto controller = drag.controller();
        controller->startDrag(Point(0, 0));
        drag.node->setBounds(Rect(60, 60, 20, 20));
    }
    EXPECT_EQ(drag.nesting(), 0);
    EXPECT_EQ(drag.history(), before + 1);
    // Later changes are steps of their own again.
    drag.diagram->removeItem(drag.node);
    EXPECT_EQ(drag.history(), before + 2);
}

TEST(ModifyController, ACancelledDragPutsItemsBackAndLeavesNoStep) {
    Drag drag(true);
    const std::size_t before = drag.history();
    auto controller = drag.controller();
    controller->onTouchDown(Point(0, 0), Point(0, 0));
    drag.node->setBounds(Rect(70, 70, 20, 20));
    controller->onCancel(Point(0, 0), Point(0, 0));
    EXPECT_EQ(drag.node->bounds(), Rect(10, 10, 20, 20));
    EXPECT_EQ(drag.nesting(), 0);
    EXPECT_EQ(drag.history(), before);
    controller->onTouchUp(Point(0, 0), Point(0, 0));
    EXPECT_EQ(drag.history(), before);
}

TEST(Behaviors, EveryModeHasABehaviourThatLetsItsViewGo) {
    auto view = pointView(100);
    for (int raw = -1; raw <= 30; ++raw) {
        const std::optional<Behavior> mode = fromRaw<Behavior>(raw);
        const bool used = raw >= 0 && raw <= 28 && !(raw >= 6 && raw <= 7) &&
                          !(raw >= 15 && raw <= 16) && !(raw >= 18 && raw <= 26);
        ASSERT_EQ(mode.has_value(), used) << raw;
        if (!mode) continue;
        EXPECT_EQ(static_cast<int>(*mode), raw);
        auto behavior = createBehavior(*mode, view);
        ASSERT_NE(behavior, nullptr);
        EXPECT_EQ(behavior->diagram(), view->diagram());
    }
    auto behavior = createBehavior(Behavior::pan, view);
    const std::weak_ptr<DiagramView> weak = view;
    view.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(behavior->diagram(), nullptr);
}
