#include "Nodeloom/platform/Timer.h"

#include <utility>

#include "Nodeloom/platform/Clock.h"
#include "Nodeloom/platform/RunLoop.h"

namespace nodeloom::platform {

Timer::Timer(std::int64_t start, std::int64_t interval, bool repeats, Block block,
             std::any userInfo)
    : start_(start),
      interval_(interval),
      repeats_(repeats),
      block_(std::make_shared<const Block>(std::move(block))),
      userInfo_(std::move(userInfo)) {}

Timer::~Timer() = default;

std::shared_ptr<Timer> Timer::scheduledTimer(double interval, bool repeats, Block block,
                                             std::any userInfo) {
    return RunLoop::current()->scheduleTimer(interval, repeats, std::move(block),
                                             std::move(userInfo));
}

void Timer::invalidate() {
    valid_ = false;
    // The run loop holds its own reference to the block while a tick runs.
    block_.reset();
    userInfo_.reset();
}

double Timer::timeInterval() const {
    return static_cast<double>(interval_) / Clock::kNanosecondsPerSecond;
}

double Timer::fireDate() const {
    const std::int64_t fire = nextFire();
    return fire < 0 ? static_cast<double>(Clock::maxNanoseconds()) / Clock::kNanosecondsPerSecond
                    : static_cast<double>(fire) / Clock::kNanosecondsPerSecond;
}

std::int64_t Timer::nextFire() const {
    const std::int64_t n = ticks_ + 1;
    const std::int64_t room = Clock::maxNanoseconds() - start_;
    if (interval_ > 0 && n > room / interval_) return -1;
    return start_ + n * interval_;
}

}  // namespace nodeloom::platform
