#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "ViewTestSupport.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

using Log = std::vector<std::string>;

// A screen whose view reports its hook calls, with the clock's time in milliseconds, the number
// of touches and, for moves, whether they came on the long-press path.
struct Timed : Screen {
    Timed() {
        const auto hook = [this](const char* name) {
            return [this, name](const platform::TouchSet& touches,
                                const std::shared_ptr<platform::TouchEvent>& event) {
                std::string line = std::string(name) + "@" +
                                   std::to_string(std::lround(now() * 1000)) +
                                   " n=" + std::to_string(touches.size());
                if (dynamic_cast<LongPressEvent*>(event.get()) != nullptr) line += " long";
                log.push_back(line);
            };
        };
        view->setOnTouchesBegan(hook("began"));
        view->setOnTouchesMoved(hook("moved"));
        view->setOnTouchesEnded(hook("ended"));
        view->setOnLongPress(hook("longPress"));
        view->setOnDoubleTap(hook("doubleTap"));
        view->setOnTouchesCancelled(hook("cancelled"));
    }
    // The view leaves its window while the log is still there to take the cancels of the
    // fingers left down.
    ~Timed() { view->removeFromSuperview(); }
    Timed(const Timed&) = delete;
    Timed& operator=(const Timed&) = delete;
    // Advances in steps of 10 ms, as a host's display loop would.
    void wait(double seconds) {
        for (int i = 0; i < std::lround(seconds * 100); ++i)
            advance(0.01);
    }
    Log log;
};

}  // namespace

TEST(GestureTiming, TouchDownWaitsTwoTicksForASecondFinger) {
    Timed s;
    s.down(1, Point(10, 10));
    s.wait(0.03);
    s.down(2, Point(60, 10));
    s.wait(0.02);
    // The second finger restarted the count of the one wait: both arrive together, once.
    EXPECT_TRUE(s.log.empty());
    s.wait(0.1);
    EXPECT_EQ(s.log, (Log{"began@60 n=2"}));

    // A release before the wait ends arrives first; the touch-down then carries the lifted
    // finger, so that its tap is made.
    Timed quick;
    quick.down(1, Point(10, 10));
    quick.advance(0.01);
    quick.up(1, Point(10, 10));
    quick.wait(0.1);
    EXPECT_EQ(quick.log, (Log{"ended@10 n=1", "began@40 n=1"}));
}

TEST(GestureTiming, AFingerHeldStillGivesOneLongPressAtTwoSeconds) {
    Timed s;
    s.down(1, Point(100, 100));
    s.wait(1.0);
    s.move(1, Point(105, 100));
    s.wait(4.0);
    s.move(1, Point(106, 100));
    s.up(1, Point(106, 100));
    EXPECT_EQ(s.log, (Log{"began@40 n=1", "moved@1000 n=1 long", "longPress@2000 n=1 long",
                          "moved@5000 n=1 long", "ended@5000 n=1"}));

    // Ten points away the long press is off, and moves take the ordinary path.
    Timed moved;
    moved.down(1, Point(100, 100));
    moved.wait(0.5);
    moved.move(1, Point(106, 108));
    moved.move(1, Point(101, 100));
    moved.wait(3.0);
    EXPECT_EQ(moved.log, (Log{"began@40 n=1", "moved@500 n=1", "moved@500 n=1"}));
}

TEST(GestureTiming, TwoQuickTapsNearEachOtherMakeADoubleTap) {
    Timed s;
    s.tap(1, Point(50, 50));
    s.wait(0.2);
    s.tap(2, Point(53, 54));
    EXPECT_EQ(s.log, (Log{"began@40 n=1", "ended@100 n=1", "began@340 n=1", "doubleTap@400 n=1",
                          "ended@400 n=1"}));
    // Too far apart, or too late: the window closes at its first one-second tick.
    Timed far;
    far.tap(1, Point(50, 50));
    far.wait(0.2);
    far.tap(2, Point(65, 50));
    far.wait(0.2);
    far.tap(3, Point(65, 50));
    far.wait(1.4);
    far.tap(4, Point(65, 50));
    EXPECT_EQ(far.log.size(), 8u);
}

TEST(GestureTiming, ACancelledTouchEndsTheGestureWithoutATap) {
    Timed s;
    s.down(1, Point(50, 50));
    s.wait(0.5);
    s.cancel(1);
    s.wait(5.0);
    EXPECT_EQ(s.log, (Log{"began@40 n=1", "cancelled@500 n=1"}));
    EXPECT_FALSE(s.timerRunning());
    // The cancel counted no tap: the first tap after it starts a double tap.
    s.tap(2, Point(50, 50));
    s.wait(0.2);
    s.tap(3, Point(50, 50));
    EXPECT_EQ(s.log.end()[-2], "doubleTap@5900 n=1");
}

TEST(GestureTiming, RandomTouchesLeaveNoTimerRunningAndLetTheViewGo) {
    std::mt19937 random(21);
    std::weak_ptr<DiagramView> weakView;
    std::weak_ptr<Diagram> weakDiagram;
    {
        Screen s;
        weakView = s.view;
        weakDiagram = s.view->diagram();
        std::vector<int> down;
        for (int step = 0; step < 3000; ++step) {
            const Point p(std::uniform_real_distribution<double>(-20, 320)(random),
                          std::uniform_real_distribution<double>(-20, 220)(random));
            const int id = std::uniform_int_distribution<int>(1, 4)(random);
            const bool isDown = std::find(down.begin(), down.end(), id) != down.end();
            switch (std::uniform_int_distribution<int>(0, 5)(random)) {
                case 0:
                    if (!isDown) s.down(id, p), down.push_back(id);
                    break;
                case 1:
                case 2:
                    s.move(id, p);
                    break;
                case 3:
                    s.up(id, p);
                    std::erase(down, id);
                    break;
                case 4:
                    s.cancel(id);
                    std::erase(down, id);
                    break;
                default:
                    s.advance(std::uniform_real_distribution<double>(0, 1.2)(random));
            }
        }
        for (int id : down)
            s.up(id, Point(0, 0));
        s.advance(2.0);
        EXPECT_FALSE(s.timerRunning());
    }
    EXPECT_TRUE(weakView.expired());
    EXPECT_TRUE(weakDiagram.expired());
}
