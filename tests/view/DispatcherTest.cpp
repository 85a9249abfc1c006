#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/composite/Folder.h"
#include "Nodeloom/document/DiagramEventArgs.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/document/LinkEventArgs.h"
#include "Nodeloom/document/NodeEventArgs.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/view/ModifySelectionController.h"
#include "Nodeloom/view/PanOrZoomController.h"
#include "Nodeloom/view/RadialMenu.h"
#include "Nodeloom/view/RadialMenuController.h"
#include "view/TouchRoadSupport.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

// A document with a node and a link to a second node, and counts of the click events.
struct Taps : Road {
    std::shared_ptr<ShapeNode> node, other;
    std::shared_ptr<DiagramLink> link;
    int clicked = 0, nodeClicked = 0, linkClicked = 0, doubleClicked = 0, nodeDoubleClicked = 0;
    int nodeModified = 0;
    // Whether the node was selected when its click was raised.
    bool selectedWhenClicked = false;

    Taps() {
        node = diagram->factory()->createShapeNode(Rect(20, 20, 60, 60));
        other = diagram->factory()->createShapeNode(Rect(200, 20, 60, 60));
        link = diagram->factory()->createDiagramLink(node, other);
        diagram->clicked().add([this](Object&, DiagramEventArgs&) { ++clicked; });
        diagram->nodeClicked().add([this](Object&, NodeEventArgs& args) {
            ++nodeClicked;
            selectedWhenClicked = args.node()->selected();
        });
        diagram->linkClicked().add([this](Object&, LinkEventArgs&) { ++linkClicked; });
        diagram->doubleClicked().add([this](Object&, DiagramEventArgs&) { ++doubleClicked; });
        diagram->nodeDoubleClicked().add([this](Object&, NodeEventArgs&) { ++nodeDoubleClicked; });
        diagram->nodeModified().add([this](Object&, NodeEventArgs&) { ++nodeModified; });
    }
    int clicks() const { return clicked + nodeClicked + linkClicked; }
    // Through the window: a finger that moves by (dx, 0) and is lifted.
    void nudge(int id, Point p, double dx) {
        down(id, p);
        advance(0.1);
        move(id, Point(p.x + dx, p.y));
        up(id, Point(p.x + dx, p.y));
        advance(1.1);
    }
};

}  // namespace

TEST(Dispatcher, AReleaseWithoutADragIsATapThatClicksThenSelects) {
    Taps s;
    s.nudge(1, Point(50, 50), 4);
    EXPECT_EQ(s.nodeClicked, 1);
    EXPECT_FALSE(s.selectedWhenClicked);
    EXPECT_TRUE(s.node->selected());
    EXPECT_EQ(s.diagram->links().size(), 1u);
    EXPECT_TRUE(s.dispatcher().manipulators().empty());

    s.nudge(2, Point(140, 50), 0);
    EXPECT_EQ(s.linkClicked, 1);
    EXPECT_TRUE(s.link->selected());
    EXPECT_FALSE(s.node->selected());

    s.nudge(3, Point(150, 150), 2);
    EXPECT_EQ(s.clicked, 1);
    EXPECT_TRUE(s.diagram->selectedItems().empty());

    // A drag starts only beyond 5 points from where the finger went down.
    auto& d = s.dispatcher();
    auto t = s.touch(5, Point(150, 150));
    d.setTouchesCount(1);
    d.onTouchDown(t, Point(150, 150));
    d.onTouchMove(t, Point(153, 154));
    EXPECT_EQ(s.controller(), nullptr);
    EXPECT_EQ(d.controllersCount(), 0);
    d.onTouchMove(t, Point(153, 154.01));
    EXPECT_NE(s.controller(), nullptr);
    d.onTouchCancel(t, Point(153, 154.01));

    // Without controllers every release is a tap, also after a long drag.
    s.dispatcher().setMaxControllers(0);
    s.drag(4, Point(150, 150), Point(250, 190));
    EXPECT_EQ(s.clicked, 2);
    EXPECT_EQ(s.diagram->nodes().size(), 2u);
}

TEST(Dispatcher, ADragNoSelectorServesIsATapWhereItEnds) {
    Taps s;
    s.view->setBehavior(Behavior::doNothing);
    s.other->setSelected(true);
    s.drag(1, Point(150, 150), Point(50, 50));
    EXPECT_EQ(s.nodeClicked, 1);
    EXPECT_EQ(s.clicked, 0);
    // The selection goes to what lay under the finger where the interaction began.
    EXPECT_TRUE(s.diagram->selectedItems().empty());
}

TEST(Dispatcher, ATapOnAWidgetOnlyClicksTheWidget) {
    Taps s;
    auto container = s.diagram->factory()->createContainerNode(Rect(100, 100, 80, 60));
    s.node->setSelected(true);
    const Rect button = container->folder()->getButtonRect();
    s.nudge(1, button.center(), 1);
    EXPECT_TRUE(container->folded());
    EXPECT_EQ(s.clicked, 0);
    EXPECT_TRUE(s.node->selected());
    EXPECT_FALSE(container->selected());
}

TEST(Dispatcher, TwoFingersTogetherShareAnInteractionAndPanOrZoom) {
    Taps s;
    s.down(1, Point(150, 100), 2, Point(150, 160));
    s.advance(0.1);
    ASSERT_EQ(s.dispatcher().manipulators().size(), 1u);
    EXPECT_EQ(s.dispatcher().manipulators()[0]->touches().size(), 2u);
    s.window->fingersMove({{1, Point(160, 100)}, {2, Point(160, 160)}});
    auto pinch = std::dynamic_pointer_cast<PanOrZoomController>(s.controller());
    ASSERT_NE(pinch, nullptr);
    EXPECT_EQ(pinch->touch1(), Point(150, 100));
    EXPECT_EQ(pinch->touch2(), Point(150, 160));
    // The view releases every finger of the event; nothing is remembered after.
    s.up(1, Point(160, 100));
    EXPECT_TRUE(s.dispatcher().manipulators().empty());
    EXPECT_EQ(s.dispatcher().controllersCount(), 0);
    s.move(2, Point(200, 200));
    EXPECT_TRUE(s.dispatcher().manipulators().empty());
    s.up(2, Point(200, 200));
    EXPECT_EQ(s.clicks(), 0);

    // A second finger that lands later arrives with the first, which is not listed twice: the
    // two pinch together.
    s.advance(1.1);
    s.down(3, Point(150, 100));
    s.advance(0.1);
    s.down(4, Point(150, 160));
    s.advance(0.1);
    ASSERT_EQ(s.dispatcher().manipulators().size(), 1u);
    const auto& fingers = s.dispatcher().manipulators()[0]->touches();
    ASSERT_EQ(fingers.size(), 2u);
    EXPECT_NE(fingers[0]->id(), fingers[1]->id());
    s.window->fingersMove({{3, Point(140, 100)}, {4, Point(140, 160)}});
    pinch = std::dynamic_pointer_cast<PanOrZoomController>(s.controller());
    ASSERT_NE(pinch, nullptr);
    EXPECT_EQ(pinch->touch2(), Point(150, 160));
    s.window->fingersUp({{3, Point(140, 100)}, {4, Point(140, 160)}});
}

TEST(Dispatcher, HandlesOfTheSelectionWinAndARunningDragKeepsItsItem) {
    Taps s;
    auto above = s.diagram->factory()->createShapeNode(Rect(70, 70, 30, 30));
    EXPECT_EQ(s.dispatcher().hitTestItem(Point(80, 80)), above);
    s.node->setSelected(true);
    EXPECT_EQ(s.dispatcher().hitTestItem(Point(80, 80)), s.node);

    // A second finger on the item of a running drag joins nothing.
    auto& d = s.dispatcher();
    auto t1 = s.touch(1, Point(50, 50)), t2 = s.touch(2, Point(40, 40));
    d.setTouchesCount(1);
    d.onTouchDown(t1, Point(50, 50));
    d.onTouchMove(t1, Point(70, 50));
    ASSERT_NE(s.controller(), nullptr);
    d.onTouchDown(t2, Point(40, 40));
    ASSERT_EQ(d.manipulators().size(), 1u);
    EXPECT_EQ(d.manipulators()[0]->touches().size(), 1u);
    d.onTouchUp(t1, Point(70, 50));
    EXPECT_EQ(s.nesting(), 0);
}

TEST(Dispatcher, DoubleTapsRaiseTheirEvents) {
    Taps s;
    s.tap(1, Point(50, 50));
    s.advance(0.2);
    s.tap(2, Point(52, 50));
    EXPECT_EQ(s.nodeDoubleClicked, 1);
    EXPECT_EQ(s.doubleClicked, 0);
    EXPECT_FALSE(s.view->editing());
    s.advance(1.5);
    s.tap(3, Point(150, 150));
    s.advance(0.2);
    s.tap(4, Point(150, 152));
    EXPECT_EQ(s.doubleClicked, 1);
    EXPECT_EQ(s.nodeDoubleClicked, 1);
}

TEST(Dispatcher, ALongPressBreaksOffTheDragItReplaces) {
    Taps s;
    s.node->setSelected(true);
    const std::string saved = docText(*s.diagram);
    const std::size_t before = s.history();
    // The view's own timing holds a finger's small moves back until the long press, so the
    // dispatcher is driven as a host with a timing of its own would drive it.
    auto& d = s.dispatcher();
    auto t = s.touch(1, Point(50, 50));
    d.setTouchesCount(1);
    d.onTouchDown(t, Point(50, 50));
    d.onTouchMove(t, Point(57, 50));
    ASSERT_NE(std::dynamic_pointer_cast<ModifySelectionController>(s.controller()), nullptr);
    EXPECT_EQ(s.node->bounds(), Rect(27, 20, 60, 60));
    EXPECT_EQ(s.nesting(), 1);
    d.onLongPress(t, Point(57, 50));
    auto menu = std::dynamic_pointer_cast<RadialMenuController>(s.controller());
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(menu->menu(), nullptr);
    EXPECT_EQ(menu->menu()->superview(), s.view);
    EXPECT_EQ(s.node->bounds(), Rect(20, 20, 60, 60));
    EXPECT_EQ(s.nesting(), 0);
    EXPECT_EQ(s.history(), before);
    EXPECT_EQ(docText(*s.diagram), saved);
    EXPECT_EQ(s.nodeModified, 0);
    d.setTouchesCount(0);
    d.onTouchUp(t, Point(57, 50));
    EXPECT_FALSE(menu->menu());
    EXPECT_TRUE(s.diagram->contains(*s.node));
    EXPECT_EQ(s.nesting(), 0);
}

TEST(Dispatcher, AReleaseEndsTheOtherRunningDragsWhereTheyAre) {
    Taps s;
    s.node->setSelected(true);
    const std::string saved = docText(*s.diagram);
    const std::size_t before = s.history();
    auto& d = s.dispatcher();
    auto dragging = s.touch(1, Point(50, 50)), tapping = s.touch(2, Point(150, 150));
    d.setTouchesCount(1);
    d.onTouchDown(dragging, Point(50, 50));
    d.onTouchMove(dragging, Point(70, 50));
    d.onTouchMove(dragging, Point(90, 60));
    EXPECT_EQ(s.nesting(), 1);
    d.onTouchDown(tapping, Point(150, 150));
    EXPECT_EQ(d.manipulators().size(), 2u);
    // The host's event lists the tapping finger first.
    d.setTouchesCount(0);
    d.onTouchUp(tapping, Point(150, 150));
    d.onTouchUp(dragging, Point(90, 60));
    EXPECT_EQ(s.clicked, 1);
    EXPECT_EQ(s.nesting(), 0);
    EXPECT_EQ(s.history(), before + 1);
    EXPECT_EQ(s.nodeModified, 1);
    EXPECT_EQ(s.node->bounds(), Rect(60, 30, 60, 60));
    EXPECT_TRUE(d.manipulators().empty());
    const std::string moved = docText(*s.diagram);
    s.diagram->undo();
    EXPECT_EQ(docText(*s.diagram), saved);
    s.diagram->redo();
    EXPECT_EQ(docText(*s.diagram), moved);

    // An open menu is closed without running its action.
    d.setTouchesCount(1);
    d.onTouchDown(dragging, Point(230, 50));
    d.onLongPress(dragging, Point(230, 50));
    auto menu = std::dynamic_pointer_cast<RadialMenuController>(s.controller());
    ASSERT_NE(menu, nullptr);
    auto shown = menu->menu();
    ASSERT_NE(shown, nullptr);
    shown->setSelected(shown->items().at(0));
    d.onTouchDown(tapping, Point(150, 150));
    d.setTouchesCount(0);
    d.onTouchUp(tapping, Point(150, 150));
    EXPECT_FALSE(shown->superview());
    EXPECT_TRUE(s.diagram->contains(*s.other));
    EXPECT_EQ(s.history(), before + 1);
}

TEST(Dispatcher, ACancelledFingerDropsItsInteractionWithoutATap) {
    Taps s;
    s.node->setSelected(true);
    const std::string saved = docText(*s.diagram);
    const std::size_t before = s.history();
    s.down(1, Point(50, 50));
    s.advance(0.1);
    s.move(1, Point(80, 70));
    EXPECT_EQ(s.dispatcher().controllersCount(), 1);
    s.cancel(1);
    EXPECT_TRUE(s.dispatcher().manipulators().empty());
    EXPECT_EQ(s.dispatcher().controllersCount(), 0);
    EXPECT_EQ(s.nesting(), 0);
    EXPECT_EQ(s.history(), before);
    EXPECT_EQ(docText(*s.diagram), saved);
    EXPECT_EQ(s.clicks() + s.nodeModified, 0);
    // The next drag gets its controller.
    s.drag(2, Point(120, 120), Point(180, 180));
    EXPECT_EQ(s.diagram->nodes().size(), 3u);
}

TEST(Dispatcher, AFingerLiftedBeforeItsTouchDownArrivedIsAWholeTap) {
    Taps s;
    s.down(1, Point(50, 50));
    s.advance(0.01);
    s.up(1, Point(50, 50));
    EXPECT_EQ(s.nodeClicked, 0);
    // The wait's end delivers the touch-down and the release together.
    s.advance(0.1);
    EXPECT_EQ(s.nodeClicked, 1);
    EXPECT_TRUE(s.node->selected());
    EXPECT_TRUE(s.dispatcher().manipulators().empty());
    s.advance(1.1);
    // The next drag follows its own finger.
    s.drag(2, Point(120, 110), Point(180, 170));
    ASSERT_EQ(s.diagram->nodes().size(), 3u);
    EXPECT_EQ(s.diagram->nodes()[2]->bounds(), Rect(120, 110, 60, 60));
    EXPECT_EQ(s.diagram->links().size(), 1u);

    // A finger still down when the wait ends drags alone, not as the second of a pinch.
    s.down(3, Point(230, 50));
    s.down(4, Point(100, 180));
    s.up(3, Point(230, 50));
    s.advance(0.1);
    EXPECT_EQ(s.nodeClicked, 2);
    EXPECT_TRUE(s.other->selected());
    EXPECT_EQ(s.dispatcher().touchesCount(), 1);
    s.move(4, Point(140, 195));
    s.up(4, Point(140, 195));
    ASSERT_EQ(s.diagram->nodes().size(), 4u);
    EXPECT_EQ(s.diagram->nodes()[3]->bounds(), Rect(100, 180, 40, 15));
}

TEST(Dispatcher, FingersOfOtherViewsAreNotTheViewsFromBeginToEnd) {
    Taps s;
    auto palette = platform::View::create(Rect(300, 0, 100, 300));
    palette->setMultipleTouchEnabled(true);
    s.window->addSubview(palette);
    s.down(1, Point(350, 50));
    s.down(2, Point(50, 50));
    s.advance(0.1);
    EXPECT_EQ(s.dispatcher().touchesCount(), 1);
    ASSERT_EQ(s.dispatcher().manipulators().size(), 1u);
    EXPECT_EQ(s.dispatcher().manipulators()[0]->touches().size(), 1u);
    s.up(2, Point(50, 50));
    EXPECT_TRUE(s.node->selected());
    EXPECT_EQ(s.nodeClicked, 1);
    s.move(1, Point(360, 60));
    s.up(1, Point(360, 60));
    EXPECT_EQ(s.clicks(), 1);
    EXPECT_TRUE(s.dispatcher().manipulators().empty());

    // Its release, delivered with the view's fingers, ends nothing of the view's.
    s.node->setSelected(true);
    auto& d = s.dispatcher();
    auto foreign = std::make_shared<platform::Touch>(9, Point(350, 50), palette, s.window);
    auto own = s.touch(3, Point(50, 50));
    d.setTouchesCount(2);
    d.onTouchDown(foreign, Point(350, 50));
    d.onTouchDown(own, Point(50, 50));
    d.setTouchesCount(1);
    d.onTouchMove(own, Point(70, 50));
    EXPECT_EQ(s.nesting(), 1);
    d.onTouchUp(foreign, Point(350, 50));
    EXPECT_EQ(s.nesting(), 1);
    d.onTouchUp(own, Point(70, 50));
    EXPECT_EQ(s.nesting(), 0);
    EXPECT_EQ(s.node->bounds(), Rect(40, 20, 60, 60));
    palette->removeFromSuperview();
}
