#include "Nodeloom/platform/Clock.h"

#include <cmath>

namespace nodeloom::platform {

std::int64_t Clock::toNanoseconds(double seconds) {
    if (!(seconds > 0)) return 0;
    const double ns = std::round(seconds * kNanosecondsPerSecond);
    if (ns >= static_cast<double>(maxNanoseconds())) return maxNanoseconds();
    return static_cast<std::int64_t>(ns);
}

}  // namespace nodeloom::platform
