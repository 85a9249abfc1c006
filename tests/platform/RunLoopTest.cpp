#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Nodeloom/platform/Animation.h"
#include "Nodeloom/platform/RunLoop.h"
#include "Nodeloom/platform/Timer.h"

using nodeloom::platform::animate;
using nodeloom::platform::RunLoop;
using nodeloom::platform::Timer;

namespace {

struct Tick {
    std::string timer;
    std::int64_t at;  // nanoseconds
};

// Each test gets a fresh current loop, so no timer of one test fires in another.
class RunLoopTest : public ::testing::Test {
protected:
    void SetUp() override { RunLoop::setCurrent(loop); }
    void TearDown() override { RunLoop::setCurrent(nullptr); }

    Timer::Block record(std::string name) {
        return [this, name = std::move(name)](Timer&) {
            ticks.push_back(Tick{name, loop->clock().nanoseconds()});
        };
    }
    int count(const std::string& name) const {
        int n = 0;
        for (const auto& t : ticks)
            n += t.timer == name ? 1 : 0;
        return n;
    }

    std::shared_ptr<RunLoop> loop = std::make_shared<RunLoop>();
    std::vector<Tick> ticks;
};

}  // namespace

TEST_F(RunLoopTest, RepeatingTimersFireEveryDueTickInTimeOrderAtExactMultiples) {
    Timer::scheduledTimer(1.0, true, record("second"));
    Timer::scheduledTimer(0.02, true, record("fast"));
    for (double step : {0.3, 0.7, 0.013, 0.5, 0.487, 0.05})
        loop->advance(step);

    EXPECT_DOUBLE_EQ(loop->now(), 2.05);
    EXPECT_EQ(count("second"), 2);
    EXPECT_EQ(count("fast"), 102);
    std::int64_t fastTicks = 0;
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        if (i > 0) {
            EXPECT_LE(ticks[i - 1].at, ticks[i].at);
        }
        if (ticks[i].timer == "fast") {
            EXPECT_EQ(ticks[i].at, ++fastTicks * 20'000'000);
        } else {
            // At the shared instants the timer scheduled first goes first.
            EXPECT_EQ(ticks[i].at % 1'000'000'000, 0);
            EXPECT_EQ(ticks[i + 1].at, ticks[i].at);
        }
    }
    EXPECT_EQ(ticks[1].at, 40'000'000);  // the second 0.02 s tick
}

TEST_F(RunLoopTest, InvalidatedTimersNeverFireAgain) {
    std::shared_ptr<Timer> fast;
    // Due at the same instant as the fast timer's fourth tick and scheduled first, so it runs
    // first: the fast timer must not fire at 1.0.
    Timer::scheduledTimer(1.0, false, [&](Timer&) { fast->invalidate(); });
    fast = Timer::scheduledTimer(0.25, true, record("fast"));
    int own = 0;
    Timer::scheduledTimer(0.1, true, [&](Timer& self) {
        if (++own == 3) self.invalidate();
    });
    loop->advance(3.0);
    EXPECT_EQ(count("fast"), 3);
    EXPECT_FALSE(fast->isValid());
    EXPECT_EQ(own, 3);
}

TEST_F(RunLoopTest, OneShotTimersCarryTheirUserInfoAndEndAfterTheirTick) {
    std::vector<int> seen;
    auto timer = Timer::scheduledTimer(
        0.5, false, [&](Timer& t) { seen.push_back(*std::any_cast<int>(&t.userInfo())); }, 7);
    EXPECT_DOUBLE_EQ(timer->fireDate(), 0.5);
    loop->advance(0.49);
    EXPECT_TRUE(seen.empty());
    loop->advance(0.01);
    loop->advance(5);
    EXPECT_EQ(seen, std::vector<int>{7});
    EXPECT_FALSE(timer->isValid());
}

TEST_F(RunLoopTest, TimersScheduledInsideATickStartFromThatTick) {
    Timer::scheduledTimer(0.3, false, [&](Timer&) {
        Timer::scheduledTimer(0.2, false, record("inner"));
        // A nested advance lengthens the one under way instead of jumping the clock.
        loop->advance(0.5);
    });
    loop->advance(0.6);
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_EQ(ticks[0].at, 500'000'000);
    EXPECT_DOUBLE_EQ(loop->now(), 1.1);
}

TEST_F(RunLoopTest, UnusableLengthsNeitherHangNorMoveTheClockBackwards) {
    auto zero = Timer::scheduledTimer(0.0, true, record("zero"));
    loop->advance(-1.0);
    loop->advance(std::nan(""));
    EXPECT_EQ(loop->now(), 0.0);
    loop->advance(0.001);
    EXPECT_EQ(count("zero"), 10);  // a repeating interval is at least 0.1 ms
    zero->invalidate();

    auto once = Timer::scheduledTimer(-3.0, false, record("once"));
    loop->advance(0.0);
    EXPECT_EQ(count("once"), 1);

    // Lengths beyond what the clock can show stop at its end instead of overflowing.
    Timer::scheduledTimer(1e300, true, record("far"));
    loop->advance(1e300);
    loop->advance(1e300);
    EXPECT_EQ(count("far"), 0);
    EXPECT_NEAR(loop->now(), 4e9, 1.0);
}

TEST_F(RunLoopTest, AnimationMakesItsChangesAtOnceAndCompletesAfterTheDuration) {
    int value = 0;
    std::vector<bool> completions;
    animate(
        0.3, [&] { value = 5; }, [&](bool finished) { completions.push_back(finished); });
    EXPECT_EQ(value, 5);
    loop->advance(0.29);
    EXPECT_TRUE(completions.empty());
    loop->advance(0.01);
    EXPECT_EQ(completions, std::vector<bool>{true});

    animate(0.0, nullptr, [&](bool finished) { completions.push_back(finished); });
    EXPECT_EQ(completions.size(), 1u);
    loop->advance(0.0);
    EXPECT_EQ(completions.size(), 2u);
}
