#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/view/TouchInputController.h"
#include "ViewTestSupport.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

using Log = std::vector<std::string>;

// A screen whose view hands its touches to a recording dispatcher.
struct Recorded : Screen {
    Recorded() {
        view->diagram()->setMeasureUnit(MeasureUnit::Point());
        view->touchEventHandler()->attachHandlers(view, dispatcher);
    }
    std::shared_ptr<RecordingDispatcher> dispatcher = std::make_shared<RecordingDispatcher>();
    Log& log() { return dispatcher->log; }
};

class RecordingController : public TouchInputController {
public:
    explicit RecordingController(int fingers = 1) : fingers_(fingers) {}
    void onTouchDown(Point a, Point b) override { note("down", a, b); }
    void onTouchMove(Point a, Point b) override { note("move", a, b); }
    void onTouchUp(Point a, Point b) override { note("up", a, b); }
    int pointerCount() const override { return fingers_; }
    Log log;

private:
    void note(const char* what, Point a, Point b) {
        log.push_back(std::string(what) + " " + pointText(a) + " " + pointText(b));
    }
    int fingers_;
};

using TouchItem = TouchInputDispatcher::TouchItem;

std::shared_ptr<platform::Touch> finger(int id) {
    return std::make_shared<platform::Touch>(id, Point(0, 0), std::weak_ptr<platform::View>(),
                                             std::weak_ptr<platform::Window>());
}

}  // namespace

TEST(TouchEventHandler, DeliversEveryFingerOfABeganCallbackWithTheCount) {
    Recorded s;
    s.down(1, Point(10, 20), 2, Point(30, 40));
    s.advance(0.1);
    EXPECT_EQ(s.log(), (Log{"down 1 (10,20) n=2", "down 2 (30,40) n=2"}));
}

TEST(TouchEventHandler, ForwardsMovesOfOneOrTwoTouchesOnly) {
    Recorded s;
    s.window->fingersDown({{1, Point(10, 10)}, {2, Point(50, 10)}, {3, Point(90, 10)}});
    s.advance(0.1);
    s.log().clear();
    // Three touches: nothing passes and the count stays as the began callback left it.
    s.window->fingersMove({{1, Point(40, 40)}, {2, Point(80, 40)}, {3, Point(120, 40)}});
    EXPECT_TRUE(s.log().empty());
    EXPECT_EQ(s.dispatcher->touchesCount(), 3);
    s.window->fingersMove({{1, Point(41, 40)}, {2, Point(81, 40)}});
    EXPECT_EQ(s.log(), (Log{"move 1 (41,40) n=2", "move 2 (81,40) n=2"}));
    s.log().clear();
    s.move(3, Point(150, 40));
    EXPECT_EQ(s.log(), (Log{"move 3 (150,40) n=1"}));
}

TEST(TouchEventHandler, HoldsBackASingleMoveOnTheLongPressPath) {
    Recorded s;
    s.down(1, Point(100, 100));
    s.advance(0.1);
    s.dispatcher->setTouchesCount(7);
    // Within the long-press radius the view reports a long-press event: counted, not passed.
    s.move(1, Point(104, 100));
    EXPECT_EQ(s.dispatcher->touchesCount(), 1);
    EXPECT_EQ(s.log(), (Log{"down 1 (100,100) n=1"}));
    s.move(1, Point(115, 100));
    EXPECT_EQ(s.log().back(), "move 1 (115,100) n=1");
}

TEST(TouchEventHandler, ReleasesEveryTouchOfTheEventAfterZeroingTheCount) {
    Recorded s;
    s.down(1, Point(10, 10), 2, Point(60, 10));
    s.advance(0.1);
    s.log().clear();
    // Lifting one finger releases both: the event still holds the other.
    s.up(1, Point(12, 10));
    EXPECT_EQ(s.log(), (Log{"up 1 (12,10) n=0", "up 2 (60,10) n=0"}));
}

TEST(TouchEventHandler, PassesCancelledTouchesOnAsCancels) {
    Recorded s;
    s.down(1, Point(10, 10));
    s.advance(0.1);
    s.log().clear();
    s.cancel(1);
    EXPECT_EQ(s.log(), (Log{"cancel 1 (10,10) n=0"}));
}

TEST(TouchEventHandler, LongPressesAndDoubleTapsReachTheirOwnOperations) {
    Recorded s;
    s.down(1, Point(10, 10));
    s.advance(2.5);
    EXPECT_EQ(s.log().back(), "long 1 (10,10) n=1");
    s.up(1, Point(10, 10));
    s.advance(1.5);
    s.tap(2, Point(12, 12));
    s.advance(0.2);
    s.tap(3, Point(14, 12));
    EXPECT_EQ(s.log().end()[-2], "double 3 (14,12) n=1");

    // A long-press hook called with an ordinary event does nothing.
    auto touch = finger(5);
    s.log().clear();
    s.view->onLongPress()({touch}, std::make_shared<platform::TouchEvent>());
    s.view->onDoubleTap()({}, std::make_shared<platform::TouchEvent>());
    EXPECT_TRUE(s.log().empty());
    s.view->onLongPress()({touch}, std::make_shared<LongPressEvent>());
    EXPECT_EQ(s.log().size(), 1u);
}

TEST(TouchEventHandler, DetachClearsTheHooksAndAGoneHandlerIsNotCalled) {
    Recorded s;
    s.view->touchEventHandler()->detachHandlers();
    EXPECT_FALSE(s.view->onTouchesBegan());
    EXPECT_FALSE(s.view->onTouchesCancelled());

    auto handler = std::make_shared<TouchEventHandler>();
    handler->attachHandlers(s.view, s.dispatcher);
    EXPECT_EQ(s.dispatcher->diagramView(), s.view);
    handler.reset();
    s.down(1, Point(10, 10));
    s.advance(0.1);
    EXPECT_TRUE(s.log().empty());
}

TEST(TouchItem, GivesOneFingerControllersAZeroSecondPoint) {
    Screen s;
    s.view->diagram()->setMeasureUnit(MeasureUnit::Point());
    s.view->setScrollX(100);
    auto controller = std::make_shared<RecordingController>();
    auto item = std::make_shared<TouchItem>(s.view, nullptr);
    auto touch = finger(1);
    item->addTouch(touch, Point(10, 10));
    item->touchMoved(touch, Point(20, 10));
    EXPECT_EQ(item->touches()[0]->currentPoint(), Point(20, 10));
    item->setController(controller);
    item->startController();
    item->touchMoved(touch, Point(30, 10));
    item->touchMoved(finger(9), Point(99, 99));
    EXPECT_EQ(item->touches()[0]->startPoint(), Point(10, 10));
    item->touchEnded(touch, Point(35, 12));
    EXPECT_EQ(controller->log, (Log{"move (130,10) (0,0)", "up (135,12) (0,0)"}));
    EXPECT_TRUE(item->touches().empty());
}

TEST(TouchItem, TwoFingerControllersSeeBothFingersUntilOneIsLifted) {
    Screen s;
    s.view->diagram()->setMeasureUnit(MeasureUnit::Point());
    s.view->setZoomLevel(200);
    auto controller = std::make_shared<RecordingController>(2);
    auto item = std::make_shared<TouchItem>(s.view, nullptr);
    auto a = finger(1), b = finger(2);
    item->addTouch(a, Point(10, 10));
    item->addTouch(b, Point(50, 10));
    item->setController(controller);
    item->touchMoved(b, Point(60, 20));
    item->startController();
    item->touchEnded(a, Point(12, 10));
    item->touchEnded(b, Point(64, 20));
    EXPECT_EQ(controller->log, (Log{"move (5,5) (30,10)", "down (5,5) (25,5)", "up (6,5) (30,10)",
                                    "up (32,10) (0,0)"}));
    EXPECT_TRUE(item->touches().empty());
}

TEST(TouchItem, DrivesNothingOnceItsViewIsGone) {
    auto view = DiagramView::create(Rect(0, 0, 100, 100));
    auto controller = std::make_shared<RecordingController>(2);
    auto item = std::make_shared<TouchItem>(view, nullptr);
    auto a = finger(1), b = finger(2);
    item->addTouch(a, Point(1, 1));
    item->addTouch(b, Point(2, 2));
    item->setController(controller);
    view.reset();
    item->startController();
    item->touchMoved(a, Point(3, 3));
    item->touchEnded(a, Point(3, 3));
    EXPECT_TRUE(controller->log.empty());
    EXPECT_EQ(item->touches().size(), 1u);
}
