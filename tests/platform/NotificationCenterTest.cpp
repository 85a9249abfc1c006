#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/platform/NotificationCenter.h"

using nodeloom::Rect;
using nodeloom::platform::Notification;
using nodeloom::platform::NotificationCenter;

TEST(NotificationCenter, CallsLiveObserversOfTheNameInOrder) {
    NotificationCenter center;
    std::vector<std::string> calls;
    auto first = std::make_shared<int>(1);
    auto second = std::make_shared<int>(2);
    auto gone = std::make_shared<int>(3);
    center.addObserver(first, "a", [&](const Notification&) { calls.push_back("first"); });
    center.addObserver(gone, "a", [&](const Notification&) { calls.push_back("gone"); });
    center.addObserver(second, "a", [&](const Notification&) { calls.push_back("second"); });
    center.addObserver(std::weak_ptr<int>(), "a",
                       [&](const Notification&) { calls.push_back("x"); });
    gone.reset();
    center.post("a");
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "second"}));

    center.removeObserver(second.get(), "a");
    center.post("a");
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "second", "first"}));
}

TEST(NotificationCenter, AnObserverRemovedDuringAPostIsNotCalledAfterwards) {
    NotificationCenter center;
    auto owner = std::make_shared<int>(0);
    auto other = std::make_shared<int>(0);
    int called = 0;
    center.addObserver(owner, "n", [&](const Notification&) {
        center.removeObserver(other.get());
        // Dropping its own owner mid-call: the owner stays alive until the handler returns.
        owner.reset();
        center.addObserver(other, "n", [&](const Notification&) { ++called; });
    });
    center.addObserver(other, "n", [&](const Notification&) { called += 100; });
    center.post("n");
    EXPECT_EQ(called, 0);
    center.post("n");
    EXPECT_EQ(called, 1);
}

TEST(NotificationCenter, KeyboardNotificationsCarryTheBeginFrame) {
    const char* key = NotificationCenter::keyboardFrameBeginUserInfoKey;
    const Notification shown{NotificationCenter::keyboardWillShowNotification,
                             {{key, Rect(0, 300, 320, 216)}}};
    ASSERT_TRUE(shown.value<Rect>(key));
    EXPECT_EQ(*shown.value<Rect>(key), Rect(0, 300, 320, 216));
    EXPECT_EQ(shown.value<double>(key), nullptr);  // another type reads as absent
    EXPECT_EQ(shown.value<Rect>("other"), nullptr);
}
