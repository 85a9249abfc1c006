#include "Nodeloom/platform/RunLoop.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace nodeloom::platform {

namespace {

// The shortest interval of a repeating timer, so that a zero interval cannot tick forever.
constexpr std::int64_t kMinRepeatInterval = 100'000;

std::shared_ptr<RunLoop>& mainLoop() {
    // Never destroyed: blocks of timers still scheduled at exit may reach other process-wide
    // objects, which could already be gone.
    static auto* loop = new std::shared_ptr<RunLoop>(std::make_shared<RunLoop>());
    return *loop;
}

std::shared_ptr<RunLoop>& installedLoop() {
    static auto* loop = new std::shared_ptr<RunLoop>();
    return *loop;
}

std::int64_t later(std::int64_t time, std::int64_t length) {
    return std::min(time + length, Clock::maxNanoseconds());
}

// Clears a flag however the scope is left, so a block that throws leaves the loop usable.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

}  // namespace

RunLoop::~RunLoop() {
    for (auto& entry : heap_)
        entry.timer->invalidate();
}

std::shared_ptr<RunLoop> RunLoop::current() {
    const auto& installed = installedLoop();
    return installed ? installed : mainLoop();
}

void RunLoop::setCurrent(std::shared_ptr<RunLoop> loop) {
    installedLoop() = std::move(loop);
}

std::shared_ptr<Timer> RunLoop::scheduleTimer(double interval, bool repeats, Timer::Block block,
                                              std::any userInfo) {
    std::int64_t length = Clock::toNanoseconds(std::isnan(interval) ? 0.0 : interval);
    if (repeats) length = std::max(length, kMinRepeatInterval);
    std::shared_ptr<Timer> timer(
        new Timer(clock_.nanoseconds_, length, repeats, std::move(block), std::move(userInfo)));
    const std::int64_t fire = timer->nextFire();
    if (fire >= 0) push(fire, nextOrder_++, timer);
    return timer;
}

void RunLoop::push(std::int64_t fire, std::uint64_t order, std::shared_ptr<Timer> timer) {
    if (heap_.size() >= compactAt_) {
        std::erase_if(heap_, [](const Entry& e) { return !e.timer->isValid(); });
        std::make_heap(heap_.begin(), heap_.end(), Later());
        compactAt_ = std::max<std::size_t>(64, heap_.size() * 2);
    }
    heap_.push_back(Entry{fire, order, std::move(timer)});
    std::push_heap(heap_.begin(), heap_.end(), Later());
}

void RunLoop::advance(double seconds) {
    if (!(seconds >= 0)) return;
    const std::int64_t length = Clock::toNanoseconds(seconds);
    if (advancing_) {
        target_ = later(target_, length);
        return;
    }
    target_ = later(clock_.nanoseconds_, length);
    // A block may drop the last other reference to this loop (by installing another one).
    const auto keepAlive = weak_from_this().lock();
    FlagScope running(advancing_);
    while (!heap_.empty() && heap_.front().fire <= target_) {
        std::pop_heap(heap_.begin(), heap_.end(), Later());
        Entry entry = std::move(heap_.back());
        heap_.pop_back();
        if (entry.timer->isValid()) fire(std::move(entry));
    }
    clock_.nanoseconds_ = target_;
}

void RunLoop::fire(Entry entry) {
    Timer& timer = *entry.timer;
    clock_.nanoseconds_ = entry.fire;
    // The block stays alive through its tick even when it invalidates its own timer.
    const std::shared_ptr<const Timer::Block> block = timer.block_;
    if (block && *block) (*block)(timer);
    if (!timer.isValid()) return;
    if (!timer.repeats_) {
        timer.invalidate();
        return;
    }
    ++timer.ticks_;
    const std::int64_t next = timer.nextFire();
    if (next >= 0) push(next, entry.order, std::move(entry.timer));
}

}  // namespace nodeloom::platform
