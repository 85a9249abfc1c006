#pragma once

#include <cstdint>

namespace nodeloom::platform {

// The time of a run loop, in seconds since the loop was made. It moves only when the host
// advances its run loop. Time is kept in whole nanoseconds so that the ticks of a timer fall at
// exact multiples of its interval however the host splits the time it advances by.
class Clock {
public:
    // Seconds.
    double now() const { return static_cast<double>(nanoseconds_) / kNanosecondsPerSecond; }
    std::int64_t nanoseconds() const { return nanoseconds_; }

    // Seconds to whole nanoseconds, rounded to the nearest and limited to 0 .. maxNanoseconds();
    // a value that is not a number gives 0.
    static std::int64_t toNanoseconds(double seconds);
    // The latest time a clock can show (about 126 years): far enough for any host, near enough
    // that adding an interval to it never overflows.
    static constexpr std::int64_t maxNanoseconds() { return 4'000'000'000'000'000'000; }

    static constexpr double kNanosecondsPerSecond = 1e9;

private:
    friend class RunLoop;
    std::int64_t nanoseconds_ = 0;
};

}  // namespace nodeloom::platform
