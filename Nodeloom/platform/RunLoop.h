#pragma once

#include <any>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Nodeloom/platform/Clock.h"
#include "Nodeloom/platform/Timer.h"

namespace nodeloom::platform {

// Runs timers on a clock that moves only when the host advances it; nothing happens between
// calls and there are no threads. A host advances the current run loop from its own loop; a
// test advances it by exactly the time it wants to pass.
class RunLoop : public std::enable_shared_from_this<RunLoop> {
public:
    RunLoop() = default;
    // Invalidates the timers still scheduled, which releases their blocks.
    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // The loop that timers are scheduled on unless a loop is named: the main loop, made on first
    // use, or the one installed with setCurrent.
    static std::shared_ptr<RunLoop> current();
    // Installs a loop as the current one; null puts the main loop back.
    static void setCurrent(std::shared_ptr<RunLoop> loop);

    const Clock& clock() const { return clock_; }
    // Seconds.
    double now() const { return clock_.now(); }

    // A timer whose first tick comes one interval (in seconds) from now. A repeating timer's
    // interval is at least 0.1 ms; a one-shot timer's may be 0, and it then fires at the next
    // advance, whatever its length. An interval that is not a number counts as 0.
    std::shared_ptr<Timer> scheduleTimer(double interval, bool repeats, Timer::Block block,
                                         std::any userInfo = {});

    // Moves the clock on by the given seconds and fires every tick that falls due on the way, in
    // time order (ticks due at the same instant in the order their timers were scheduled), with
    // the clock showing each tick's own time while it runs. A negative or undefined length does
    // nothing. Called from inside a tick, it lengthens the advance that is running.
    void advance(double seconds);

private:
    struct Entry {
        std::int64_t fire;
        std::uint64_t order;
        std::shared_ptr<Timer> timer;
    };
    struct Later {
        bool operator()(const Entry& a, const Entry& b) const {
            return a.fire != b.fire ? a.fire > b.fire : a.order > b.order;
        }
    };

    void push(std::int64_t fire, std::uint64_t order, std::shared_ptr<Timer> timer);
    void fire(Entry entry);

    Clock clock_;
    // A min-heap on (fire, order); invalidated timers leave it lazily.
    std::vector<Entry> heap_;
    std::size_t compactAt_ = 64;
    std::uint64_t nextOrder_ = 0;
    bool advancing_ = false;
    std::int64_t target_ = 0;
};

}  // namespace nodeloom::platform
