#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Nodeloom/platform/TouchEvent.h"
#include "Nodeloom/platform/View.h"
#include "Nodeloom/platform/Window.h"

using nodeloom::Point;
using nodeloom::Rect;
using nodeloom::platform::Touch;
using nodeloom::platform::TouchEvent;
using nodeloom::platform::TouchPhase;
using nodeloom::platform::TouchSet;
using nodeloom::platform::View;
using nodeloom::platform::Window;

namespace {

// What one touch callback saw.
struct Call {
    std::string kind;
    std::vector<int> ids;
    std::vector<TouchPhase> phases;
    std::vector<int> allIds;  // the event's allTouches during the call
    std::shared_ptr<TouchEvent> event;
};

class TouchRecorder : public View {
public:
    using View::View;
    static std::shared_ptr<TouchRecorder> make(const Rect& frame) {
        auto view = std::make_shared<TouchRecorder>(Passkey(), frame);
        view->setMultipleTouchEnabled(true);
        return view;
    }
    void touchesBegan(const TouchSet& t, const std::shared_ptr<TouchEvent>& e) override {
        record("began", t, e);
    }
    void touchesMoved(const TouchSet& t, const std::shared_ptr<TouchEvent>& e) override {
        record("moved", t, e);
    }
    void touchesEnded(const TouchSet& t, const std::shared_ptr<TouchEvent>& e) override {
        record("ended", t, e);
    }
    void touchesCancelled(const TouchSet& t, const std::shared_ptr<TouchEvent>& e) override {
        record("cancelled", t, e);
    }

    std::vector<Call> calls;
    std::vector<Point> locations;  // of each touch of each call, in this view

private:
    void record(const std::string& kind, const TouchSet& touches,
                const std::shared_ptr<TouchEvent>& event) {
        Call call{kind, {}, {}, {}, event};
        for (const auto& t : touches) {
            call.ids.push_back(t->id());
            call.phases.push_back(t->phase());
            locations.push_back(t->locationIn(*this));
        }
        for (const auto& t : *event->allTouches())
            call.allIds.push_back(t->id());
        calls.push_back(call);
    }
};

std::vector<int> ids(const std::optional<TouchSet>& touches) {
    std::vector<int> out;
    for (const auto& t : *touches)
        out.push_back(t->id());
    return out;
}

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

TEST_F(WindowTouch, FingersDownTogetherArriveInOneCallOnTheDeepestView) {
    window->fingersDown({{1, Point(50, 70)}, {2, Point(60, 80)}, {3, Point(20, 30)}});
    ASSERT_EQ(child->calls.size(), 1u);
    EXPECT_EQ(child->calls[0].kind, "began");
    EXPECT_EQ(child->calls[0].ids, (std::vector<int>{1, 2}));
    EXPECT_EQ(child->calls[0].allIds, (std::vector<int>{1, 2, 3}));
    ASSERT_EQ(parent->calls.size(), 1u);  // only the finger beside the child
    EXPECT_EQ(parent->calls[0].ids, std::vector<int>{3});
    EXPECT_EQ(child->locations[0], Point(5, 10));
    EXPECT_EQ(parent->locations[0], Point(5, 10));
    EXPECT_EQ(child->calls[0].event, window->touchEvent());

    // Moves and lifts stay with the view a finger went down on, wherever the finger goes.
    window->fingersMove({{1, Point(300, 300)}});
    ASSERT_EQ(child->calls.size(), 2u);
    EXPECT_EQ(child->calls[1].phases, std::vector<TouchPhase>{TouchPhase::moved});
    EXPECT_EQ(child->locations.back(), Point(255, 240));
    EXPECT_EQ(child->calls[1].event->allTouches()->at(1)->phase(), TouchPhase::stationary);
    EXPECT_TRUE(parent->calls.size() == 1u);
}

TEST_F(WindowTouch, EndingFingersLeaveTheEventAfterTheirCallback) {
    window->fingersDown({{1, Point(50, 70)}, {2, Point(60, 80)}});
    std::shared_ptr<Touch> first = window->touchEvent()->allTouches()->front();
    window->fingersCancel({2, 7});
    ASSERT_EQ(child->calls.size(), 2u);
    EXPECT_EQ(child->calls[1].kind, "cancelled");
    EXPECT_EQ(child->calls[1].ids, std::vector<int>{2});
    EXPECT_EQ(child->calls[1].allIds, (std::vector<int>{1, 2}));
    EXPECT_EQ(ids(window->touchEvent()->allTouches()), std::vector<int>{1});

    window->fingersUp({{1, Point(52, 72)}, {9, Point(0, 0)}});
    ASSERT_EQ(child->calls.size(), 3u);
    EXPECT_EQ(child->calls[2].kind, "ended");
    EXPECT_EQ(child->calls[2].allIds, std::vector<int>{1});
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
    ASSERT_EQ(child->calls.size(), 1u);
    EXPECT_EQ(child->calls[0].ids, std::vector<int>{1});
    EXPECT_EQ(ids(window->touchEvent()->allTouches()), std::vector<int>{1});
}

TEST_F(WindowTouch, HiddenInertAndSingleTouchViewsShapeWhereFingersGo) {
    child->setMultipleTouchEnabled(false);
    window->fingersDown({{1, Point(50, 70)}, {2, Point(60, 80)}});
    window->fingersDown({{3, Point(60, 80)}});
    ASSERT_EQ(child->calls.size(), 1u);
    EXPECT_EQ(child->calls[0].ids, std::vector<int>{1});  // one finger at a time
    EXPECT_TRUE(parent->calls.empty());
    window->fingersUp({{1, Point(50, 70)}});

    child->setUserInteractionEnabled(false);
    window->fingersDown({{4, Point(50, 70)}});
    child->setUserInteractionEnabled(true);
    child->setHidden(true);
    window->fingersDown({{5, Point(50, 70)}});
    parent->setUserInteractionEnabled(false);
    window->fingersDown({{6, Point(50, 70)}});  // to the window itself
    ASSERT_EQ(parent->calls.size(), 2u);
    EXPECT_EQ(parent->calls[0].ids, std::vector<int>{4});
    EXPECT_EQ(parent->calls[1].ids, std::vector<int>{5});
    EXPECT_EQ(ids(window->touchEvent()->allTouches()), (std::vector<int>{4, 5, 6}));
}

TEST_F(WindowTouch, AViewRemovedDuringAGestureStillGetsItsFingersEnd) {
    window->fingersDown({{1, Point(50, 70)}});
    child->removeFromSuperview();
    window->fingersUp({{1, Point(50, 70)}});
    ASSERT_EQ(child->calls.size(), 2u);
    EXPECT_EQ(child->calls[1].kind, "ended");
}
