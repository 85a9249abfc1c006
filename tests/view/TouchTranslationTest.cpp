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

// Notes every call the touch handler makes: the finger's id and view position, and the touch
// count of the moment.
class RecordingDispatcher : public TouchInputDispatcher {
public:
    void onTouchDown(const TouchPtr& t, Point p) override { note("down", t, p); }
    void onTouchMove(const TouchPtr& t, Point p) override { note("move", t, p); }
    void onTouchUp(const TouchPtr& t, Point p) override { note("up", t, p); }
    void onTouchCancel(const TouchPtr& t, Point p) override { note("cancel", t, p); }
    void onLongPress(const TouchPtr& t, Point p) override { note("long", t, p); }
    Log log;

private:
    void note(const char* what, const TouchPtr& t, Point p) {
        log.push_back(std::string(what) + " " + std::to_string(t->id()) + " " + pointText(p) +
                      " n=" + std::to_string(touchesCount()));
    }
};

// A screen whose view hands its touches to a recording dispatcher.
struct Recorded : Screen {
    Recorded() { view->touchEventHandler()->attachHandlers(view, dispatcher); }
    // Puts the fingers down and lets the second-finger wait pass.
    void press(const std::vector<platform::Window::Finger>& fingers) {
        window->fingersDown(fingers);
        advance(0.1);
        log().clear();
    }
    std::shared_ptr<RecordingDispatcher> dispatcher = std::make_shared<RecordingDispatcher>();
    Log& log() { return dispatcher->log; }
};

class RecordingController : public TouchInputController {
public:
    void onTouchDown(Point a, Point b) override { note("down", a, b); }
    void onTouchMove(Point a, Point b) override { note("move", a, b); }
    void onTouchUp(Point a, Point b) override { note("up", a, b); }
    Log log;

private:
    void note(const char* what, Point a, Point b) {
        log.push_back(std::string(what) + " " + pointText(a) + " " + pointText(b));
    }
};

std::shared_ptr<platform::Touch> finger(int id) {
    return std::make_shared<platform::Touch>(id, Point(0, 0), std::weak_ptr<platform::View>(),
                                             std::weak_ptr<platform::Window>());
}

}  // namespace

TEST(TouchEventHandler, PassesBeganAndMovedFingersOnWithTheirCount) {
    Recorded s;
    s.window->fingersDown({{1, Point(10, 20)}, {2, Point(30, 40)}, {3, Point(90, 10)}});
    s.advance(0.1);
    EXPECT_EQ(s.log(), (Log{"down 1 (10,20) n=3", "down 2 (30,40) n=3", "down 3 (90,10) n=3"}));
    s.log().clear();
    // Three moving touches pass nothing, and the count stays as it was.
    s.window->fingersMove({{1, Point(40, 40)}, {2, Point(80, 40)}, {3, Point(120, 40)}});
    EXPECT_TRUE(s.log().empty());
    EXPECT_EQ(s.dispatcher->touchesCount(), 3);
    s.window->fingersMove({{1, Point(41, 40)}, {2, Point(81, 40)}});
    EXPECT_EQ(s.log(), (Log{"move 1 (41,40) n=2", "move 2 (81,40) n=2"}));
}

TEST(TouchEventHandler, HoldsBackASingleMoveOnTheLongPressPath) {
    Recorded s;
    s.press({{1, Point(100, 100)}});
    // Within the long-press radius the view reports a long-press event: counted, not passed.
    s.dispatcher->setTouchesCount(7);
    s.move(1, Point(104, 100));
    EXPECT_EQ(s.dispatcher->touchesCount(), 1);
    EXPECT_TRUE(s.log().empty());
    s.advance(2.0);
    EXPECT_EQ(s.log(), (Log{"long 1 (104,100) n=1"}));
    // A long-press hook called with an ordinary event does nothing.
    s.view->onLongPress()({finger(5)}, std::make_shared<platform::TouchEvent>());
    EXPECT_EQ(s.log().size(), 1u);
}

TEST(TouchEventHandler, ReleasesEveryTouchOfTheEventAndPassesCancels) {
    Recorded s;
    s.press({{1, Point(10, 10)}, {2, Point(60, 10)}});
    // Lifting one finger releases both: the event still holds the other.
    s.up(1, Point(12, 10));
    EXPECT_EQ(s.log(), (Log{"up 1 (12,10) n=0", "up 2 (60,10) n=0"}));
    s.log().clear();
    s.dispatcher->setTouchesCount(1);
    s.cancel(2);
    EXPECT_EQ(s.log(), (Log{"cancel 2 (60,10) n=0"}));
}

TEST(TouchItem, GivesTheControllerBothFingersUntilOneIsLifted) {
    Screen s;
    s.view->diagram()->setMeasureUnit(MeasureUnit::Point());
    s.view->setZoomLevel(200);
    s.view->setScrollX(100);
    auto controller = std::make_shared<RecordingController>();
    auto item = std::make_shared<TouchInputDispatcher::TouchItem>(s.view, nullptr);
    auto a = finger(1), b = finger(2);
    item->addTouch(a, Point(10, 10));
    item->setController(controller);
    // With one finger, starting does nothing and the second point is (0, 0).
    item->startController();
    item->touchMoved(a, Point(20, 10));
    item->addTouch(b, Point(50, 10));
    item->touchMoved(b, Point(60, 20));
    item->touchMoved(finger(9), Point(99, 99));
    item->startController();
    item->touchEnded(a, Point(12, 10));
    item->touchEnded(b, Point(64, 20));
    EXPECT_EQ(controller->log,
              (Log{"move (110,5) (0,0)", "move (110,5) (130,10)", "down (105,5) (125,5)",
                   "up (106,5) (130,10)", "up (132,10) (0,0)"}));
    EXPECT_TRUE(item->touches().empty());
}
