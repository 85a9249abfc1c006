#pragma once

#include <functional>

namespace nodeloom::platform {

// A view animation, headless: the changes are made at once and the completion (given true, the
// animation having finished) runs from a one-shot timer on the current run loop once its clock
// has moved on by the duration. A duration that is not a positive number runs the completion at
// the next advance of the clock.
void animate(double duration, const std::function<void()>& changes,
             std::function<void(bool finished)> completion = {});

}  // namespace nodeloom::platform
