#include "Nodeloom/platform/Animation.h"

#include <utility>

#include "Nodeloom/platform/RunLoop.h"

namespace nodeloom::platform {

void animate(double duration, const std::function<void()>& changes,
             std::function<void(bool finished)> completion) {
    if (changes) changes();
    if (!completion) return;
    RunLoop::current()->scheduleTimer(
        duration > 0 ? duration : 0.0, false,
        [completion = std::move(completion)](Timer&) { completion(true); });
}

}  // namespace nodeloom::platform
