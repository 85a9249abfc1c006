#include "Nodeloom/platform/TouchEvent.h"

#include <utility>

namespace nodeloom::platform {

TouchEvent::TouchEvent(std::optional<TouchSet> allTouches) : allTouches_(std::move(allTouches)) {}

TouchEvent::~TouchEvent() = default;

}  // namespace nodeloom::platform
