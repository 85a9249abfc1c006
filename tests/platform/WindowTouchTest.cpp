#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/platform/PanGestureRecognizer.h"
#include "Nodeloom/platform/TouchEvent.h"
#include "Nodeloom/platform/View.h"
#include "Nodeloom/platform/Window.h"

using nodeloom::Point;
using nodeloom::Rect;
using nodeloom::platform::GestureRecognizerState;
using nodeloom::platform::PanGestureRecognizer;
using nodeloom::platform::TouchEvent;
using nodeloom::platform::TouchPhase;
using nodeloom::platform::TouchSet;
using nodeloom::platform::View;
using nodeloom::platform::Window;

namespace {

std::string ids(const TouchSet& touches) {
    std::string out;
    for (const auto& t : touches)
        out += (out.empty() ? "" : ",") + std::to_string(t->id());
    return out;
}

// Logs each callback as "<kind> <its fingers> / <the event's fingers>", and where each of its
// fingers lies in its own coordinates.
class TouchRecorder : public View {
public:
    using View::View;
    static std::shared_ptr<TouchRecorder> make(const Rect& frame) {
        auto view = std::make_shared<TouchRecorder>(Passkey(), frame);
        view->setMultipleTouchEnabled(true);
        return view;
    }
    void touchesBegan(const TouchSet& t, const std::shared_ptr<TouchEvent>& e) override {
        record("began", t, *e);
    }
    void touchesMoved(const TouchSet& t, const std::shared_ptr<TouchEvent>& e) override {
        record("moved", t, *e);
    }
    void touchesEnded(const TouchSet& t, const std::shared_ptr<TouchEvent>& e) override {
        record("ended", t, *e);
    }
    void touchesCancelled(const TouchSet& t, const std::shared_ptr<TouchEvent>& e) override {
        record("cancelled", t, *e);
    }

    std::vector<std::string> calls;
    std::vector<Point> locations;

private:
    void record(const char* kind, const TouchSet& touches, const TouchEvent& event) {
        calls.push_back(std::string(kind) + " " + ids(touches) + " / " + ids(*event.allTouches()));
        for (const auto& t : touches)
            locations.push_back(t->locationIn(*this));
    }
};

using Log = std::vector<std::string>;

class WindowTouch : public ::testing::Test {
protected:
    void SetUp() override {
        window->addSubview(parent);
        parent->addSubview(child);
        parent->setBounds(Rect(-5, 0, 200, 200));
    }

    std::shared_ptr<Window> window = Window::create(Rect(0, 0, 400, 400));
    std::shared_ptr<TouchRecorder> parent = TouchRecorder::make(Rect(10, 20, 200, 200));
    // At window (10 + 5 + 30, 20 + 40) = (45, 60).
    std::shared_ptr<TouchRecorder> child = TouchRecorder::make(Rect(30, 40, 50, 50));
};

}  // namespace

TEST_F(WindowTouch, FingersGoToTheDeepestViewAndStayWithItToTheirEnd) {
    window->fingersDown({{1, Point(50, 70)}, {2, Point(60, 80)}, {3, Point(20, 30)}});
    EXPECT_EQ(child->calls, Log{"began 1,2 / 1,2,3"});
    EXPECT_EQ(parent->calls, Log{"began 3 / 1,2,3"});
    EXPECT_EQ(child->locations[0], Point(5, 10));
    EXPECT_EQ(parent->locations[0], Point(5, 10));

    window->fingersMove({{1, Point(300, 300)}});
    EXPECT_EQ(child->calls.back(), "moved 1 / 1,2,3");
    EXPECT_EQ(child->locations.back(), Point(255, 240));
    EXPECT_EQ(window->touchEvent()->allTouches()->at(1)->phase(), TouchPhase::stationary);
    EXPECT_EQ(parent->calls.size(), 1u);
}

TEST_F(WindowTouch, EndingFingersLeaveTheEventAfterTheirCallback) {
    window->fingersDown({{1, Point(50, 70)}, {2, Point(60, 80)}});
    const auto first = window->touchEvent()->allTouches()->front();
    window->fingersCancel({2, 7});
    window->fingersUp({{1, Point(52, 72)}, {9, Point(0, 0)}});
    EXPECT_EQ(child->calls, (Log{"began 1,2 / 1,2", "cancelled 2 / 1,2", "ended 1 / 1"}));
    EXPECT_EQ(child->locations.back(), Point(7, 12));
    EXPECT_TRUE(window->touchEvent()->allTouches()->empty());
    EXPECT_EQ(first->phase(), TouchPhase::ended);

    // The id is free again: a new finger, a new touch.
    window->fingersDown({{1, Point(50, 70)}});
    EXPECT_NE(window->touchEvent()->allTouches()->front(), first);
}

TEST_F(WindowTouch, UnusableFingersAreSkipped) {
    window->fingersDown({{1, Point(50, 70)}, {1, Point(60, 80)}, {2, Point(NAN, 0)}});
    window->fingersDown({{1, Point(55, 75)}, {3, Point(500, 500)}});  // 1 is down; 3 hits nothing
    window->fingersMove({{4, Point(1, 1)}, {1, Point(INFINITY, 1)}});
    EXPECT_EQ(child->calls, Log{"began 1 / 1"});
}

TEST_F(WindowTouch, HiddenInertAndSingleTouchViewsShapeWhereFingersGo) {
    child->setMultipleTouchEnabled(false);
    window->fingersDown({{1, Point(50, 70)}, {2, Point(60, 80)}});
    window->fingersDown({{3, Point(60, 80)}});
    window->fingersUp({{1, Point(50, 70)}});
    EXPECT_EQ(child->calls, (Log{"began 1 / 1", "ended 1 / 1"}));  // one finger at a time

    child->setUserInteractionEnabled(false);
    window->fingersDown({{4, Point(50, 70)}});
    child->setUserInteractionEnabled(true);
    child->setHidden(true);
    window->fingersDown({{5, Point(50, 70)}});
    parent->setUserInteractionEnabled(false);
    window->fingersDown({{6, Point(50, 70)}});  // to the window itself
    EXPECT_EQ(parent->calls, (Log{"began 4 / 4", "began 5 / 4,5"}));
    EXPECT_EQ(window->touchEvent()->allTouches()->size(), 3u);
}

// A view that leaves its window, or whose window goes, has its fingers cancelled there and then,
// with the recognisers above it; one that only changes places in its window keeps them.
TEST_F(WindowTouch, FingersOfAViewThatLeavesItsWindowAreCancelledAtOnce) {
    enum class Leave { removed, movedToAnotherWindow, windowReleased, movedInItsWindow };
    for (const Leave leave : {Leave::removed, Leave::movedToAnotherWindow, Leave::windowReleased,
                              Leave::movedInItsWindow}) {
        SCOPED_TRACE(static_cast<int>(leave));
        // Before the window, which reports its fingers' cancels to the recogniser as it goes.
        std::vector<GestureRecognizerState> states;
        auto w = Window::create(Rect(0, 0, 400, 400));
        auto p = TouchRecorder::make(Rect(10, 20, 200, 200));
        auto c = TouchRecorder::make(Rect(30, 40, 50, 50));
        auto other = TouchRecorder::make(Rect(250, 250, 100, 100));
        w->addSubview(p);
        w->addSubview(other);
        p->addSubview(c);
        auto pan = std::make_shared<PanGestureRecognizer>();
        p->addGestureRecognizer(pan);
        pan->addTarget([&states](auto& r) { states.push_back(r.state()); });
        w->fingersDown({{1, Point(50, 70)}, {2, Point(20, 30)}, {3, Point(300, 300)}});
        w->fingersMove({{1, Point(80, 90)}});
        ASSERT_EQ(states, std::vector{GestureRecognizerState::began});

        auto elsewhere = Window::create(Rect(0, 0, 400, 400));
        switch (leave) {
        case Leave::removed: p->removeFromSuperview(); break;
        case Leave::movedToAnotherWindow: elsewhere->addSubview(p); break;
        case Leave::windowReleased: w.reset(); break;
        case Leave::movedInItsWindow: other->addSubview(p); break;
        }
        if (leave == Leave::movedInItsWindow) {
            EXPECT_EQ(c->calls, (Log{"began 1 / 1,2,3", "moved 1 / 1,2,3"}));
            EXPECT_EQ(states.size(), 1u);
            w->fingersUp({{1, Point(80, 90)}});
            EXPECT_EQ(c->calls.back(), "ended 1 / 1,2,3");
            continue;
        }
        EXPECT_EQ(c->calls.back(), "cancelled 1 / 1,2,3");
        EXPECT_EQ(p->calls.back(), "cancelled 2 / 1,2,3");
        EXPECT_EQ(states.back(), GestureRecognizerState::cancelled);
        // The view that stayed keeps its finger; the others are no longer the window's, and
        // their later moves and lifts reach nobody.
        EXPECT_EQ(other->calls, (leave == Leave::windowReleased ? Log{"began 3 / 1,2,3",
                                                                      "cancelled 3 / 1,2,3"}
                                                                : Log{"began 3 / 1,2,3"}));
        if (!w) continue;
        EXPECT_EQ(w->touchEvent()->allTouches()->size(), 1u);
        w->fingersMove({{1, Point(90, 90)}, {2, Point(30, 30)}});
        w->fingersUp({{1, Point(90, 90)}, {2, Point(30, 30)}});
        EXPECT_EQ(c->calls.size(), 3u);
        EXPECT_EQ(p->calls.size(), 2u);
    }
}
