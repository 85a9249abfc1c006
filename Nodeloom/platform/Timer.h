#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <memory>

namespace nodeloom::platform {

class RunLoop;

// A one-shot or repeating timer on a run loop's manual clock. The run loop keeps a scheduled
// timer alive until it is invalidated (a one-shot timer invalidates itself after its tick), so a
// block that must not keep its owner alive captures it weakly. Tick n of a repeating timer falls
// at exactly n intervals after the moment it was scheduled.
class Timer {
public:
    using Block = std::function<void(Timer&)>;

    // Scheduled on RunLoop::current(); see RunLoop::scheduleTimer.
    static std::shared_ptr<Timer> scheduledTimer(double interval, bool repeats, Block block,
                                                 std::any userInfo = {});

    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Stops the timer for good, also from inside any tick, and releases its block and user info
    // at once (after the running tick when called from the timer's own block).
    void invalidate();
    bool isValid() const { return valid_; }

    const std::any& userInfo() const { return userInfo_; }
    // The interval in use, in seconds (see RunLoop::scheduleTimer for the limits applied).
    double timeInterval() const;
    bool repeats() const { return repeats_; }
    // The clock time of the next tick, in seconds.
    double fireDate() const;

private:
    friend class RunLoop;
    Timer(std::int64_t start, std::int64_t interval, bool repeats, Block block, std::any userInfo);
    // Clock time of tick number ticks_ + 1, or -1 when it lies beyond what a clock can show.
    std::int64_t nextFire() const;

    std::int64_t start_;
    std::int64_t interval_;
    std::int64_t ticks_ = 0;
    bool repeats_;
    bool valid_ = true;
    std::shared_ptr<const Block> block_;
    std::any userInfo_;
};

}  // namespace nodeloom::platform
