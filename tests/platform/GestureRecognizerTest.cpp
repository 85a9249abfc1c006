#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/platform/PanGestureRecognizer.h"
#include "Nodeloom/platform/TapGestureRecognizer.h"
#include "Nodeloom/platform/View.h"
#include "Nodeloom/platform/Window.h"

using nodeloom::Point;
using nodeloom::Rect;
using namespace nodeloom::platform;

namespace {

using State = GestureRecognizerState;

// Logs every state a recogniser reports, with where it says its fingers are in `view`.
struct Reports {
    explicit Reports(GestureRecognizer& recognizer, const View* in = nullptr) {
        recognizer.addTarget([this, in](GestureRecognizer& r) {
            states.push_back(r.state());
            locations.push_back(r.locationIn(in));
        });
    }
    std::vector<State> states;
    std::vector<Point> locations;
};

class Gestures : public ::testing::Test {
protected:
    void SetUp() override {
        window->addSubview(panel);
        panel->addSubview(left);
        panel->addSubview(right);
    }

    std::shared_ptr<Window> window = Window::create(Rect(0, 0, 400, 400));
    // At window (100, 50).
    std::shared_ptr<View> panel = View::create(Rect(100, 50, 200, 200));
    std::shared_ptr<View> left = View::create(Rect(0, 0, 100, 200));
    std::shared_ptr<View> right = View::create(Rect(100, 0, 100, 200));
};

}  // namespace

TEST_F(Gestures, APanBeginsPastTenPointsReportsMovesAndEndsWhenLifted) {
    auto pan = std::make_shared<PanGestureRecognizer>();
    left->addGestureRecognizer(pan);
    Reports reports(*pan, left.get());

    window->fingersDown({{1, Point(120, 60)}});
    window->fingersMove({{1, Point(126, 60)}});
    EXPECT_EQ(pan->state(), State::possible);
    window->fingersMove({{1, Point(132, 60)}});
    window->fingersMove({{1, Point(140, 90)}});
    window->fingersUp({{1, Point(141, 91)}});
    EXPECT_EQ(reports.states, (std::vector{State::began, State::changed, State::ended}));
    EXPECT_EQ(reports.locations[0], Point(32, 10));
    EXPECT_EQ(reports.locations[2], Point(41, 41));
    EXPECT_EQ(pan->translationIn(left.get()), Point(20, 30));
    EXPECT_EQ(pan->state(), State::ended);

    // The next gesture starts afresh.
    window->fingersDown({{2, Point(120, 60)}});
    EXPECT_EQ(pan->state(), State::possible);
    EXPECT_EQ(pan->translationIn(nullptr), Point());
    // A finger that is lifted without moving far fails silently; so does one cancelled.
    window->fingersUp({{2, Point(121, 60)}});
    EXPECT_EQ(pan->state(), State::failed);
    window->fingersDown({{3, Point(120, 60)}});
    window->fingersCancel({3});
    EXPECT_EQ(pan->state(), State::failed);
    EXPECT_EQ(reports.states.size(), 3u);
}

TEST_F(Gestures, APansFingerLimitsDecideWhetherItBeginsAndWhenItEnds) {
    // On the panel: fingers on either half reach it.
    auto pan = std::make_shared<PanGestureRecognizer>();
    pan->setMinimumNumberOfTouches(2);
    pan->setMaximumNumberOfTouches(2);
    pan->setMaximumNumberOfTouches(0);  // ignored
    panel->addGestureRecognizer(pan);
    left->setMultipleTouchEnabled(true);
    Reports reports(*pan);

    window->fingersDown({{1, Point(120, 60)}});
    window->fingersMove({{1, Point(120, 160)}});
    window->fingersUp({{1, Point(120, 160)}});
    EXPECT_TRUE(reports.states.empty());

    window->fingersDown({{1, Point(120, 60)}, {2, Point(220, 60)}});
    window->fingersMove({{1, Point(120, 80)}, {2, Point(220, 80)}});
    EXPECT_EQ(reports.states, std::vector{State::began});
    EXPECT_EQ(reports.locations[0], Point(170, 80));
    // A third finger is not followed once the pan runs; lifting one of two ends it.
    window->fingersDown({{3, Point(150, 60)}});
    EXPECT_EQ(pan->numberOfTouches(), 2);
    window->fingersUp({{2, Point(220, 80)}});
    EXPECT_EQ(reports.states, (std::vector{State::began, State::ended}));
    window->fingersUp({{1, Point(120, 80)}, {3, Point(150, 60)}});

    // Three fingers before it began: it fails.
    window->fingersDown({{1, Point(120, 60)}, {2, Point(220, 60)}, {3, Point(150, 60)}});
    window->fingersMove({{1, Point(120, 90)}, {2, Point(220, 90)}, {3, Point(150, 90)}});
    EXPECT_EQ(pan->state(), State::failed);
    window->fingersCancel({1, 2, 3});
    EXPECT_EQ(reports.states.size(), 2u);

    // A pan that runs and is cancelled says so.
    window->fingersDown({{1, Point(120, 60)}, {2, Point(220, 60)}});
    window->fingersMove({{1, Point(120, 90)}, {2, Point(220, 90)}});
    window->fingersCancel({2});
    EXPECT_EQ(reports.states.back(), State::cancelled);
}

TEST_F(Gestures, EachRecogniserTakesTheFingersOnItsViewAndBelow) {
    auto onLeft = std::make_shared<PanGestureRecognizer>();
    auto onRight = std::make_shared<PanGestureRecognizer>();
    auto onPanel = std::make_shared<PanGestureRecognizer>();
    left->addGestureRecognizer(onLeft);
    right->addGestureRecognizer(onRight);
    panel->addGestureRecognizer(onPanel);
    window->fingersDown({{1, Point(120, 60)}, {2, Point(220, 60)}});
    EXPECT_EQ(onLeft->numberOfTouches(), 1);
    EXPECT_EQ(onRight->numberOfTouches(), 1);
    EXPECT_EQ(onPanel->numberOfTouches(), 2);

    // Moved to another view, a recogniser leaves the first.
    right->addGestureRecognizer(onLeft);
    right->addGestureRecognizer(onLeft);
    EXPECT_TRUE(left->gestureRecognizers().empty());
    EXPECT_EQ(right->gestureRecognizers().size(), 2u);
    EXPECT_EQ(onLeft->view(), right);
    right->removeGestureRecognizer(onLeft);
    EXPECT_EQ(onLeft->view(), nullptr);
}

TEST_F(Gestures, ATapIsOneFingerDownAndUpInPlace) {
    auto tap = std::make_shared<TapGestureRecognizer>();
    right->addGestureRecognizer(tap);
    Reports reports(*tap, right.get());

    window->fingersDown({{1, Point(250, 100)}});
    window->fingersMove({{1, Point(255, 104)}});
    window->fingersUp({{1, Point(255, 104)}});
    EXPECT_EQ(reports.states, std::vector{State::ended});
    EXPECT_EQ(reports.locations[0], Point(55, 54));

    window->fingersDown({{1, Point(250, 100)}});
    window->fingersMove({{1, Point(250, 120)}});
    window->fingersUp({{1, Point(250, 100)}});
    EXPECT_EQ(tap->state(), State::failed);
    panel->setMultipleTouchEnabled(true);
    right->setMultipleTouchEnabled(true);
    window->fingersDown({{1, Point(250, 100)}, {2, Point(260, 100)}});
    window->fingersUp({{1, Point(250, 100)}, {2, Point(260, 100)}});
    EXPECT_EQ(tap->state(), State::failed);
    EXPECT_EQ(reports.states.size(), 1u);
}

TEST_F(Gestures, DrivenStatesAreReportedAtTheirWindowPoints) {
    auto pan = std::make_shared<PanGestureRecognizer>();
    right->addGestureRecognizer(pan);
    Reports reports(*pan, right.get());
    pan->drive(State::began, Point(210, 60));
    pan->drive(State::failed, Point(NAN, 0));
    EXPECT_EQ(reports.states, (std::vector{State::began, State::failed}));
    EXPECT_EQ(reports.locations, (std::vector{Point(10, 10), Point(10, 10)}));
    EXPECT_EQ(pan->locationIn(nullptr), Point(210, 60));
}
