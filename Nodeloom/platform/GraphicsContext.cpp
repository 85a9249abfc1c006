#include "Nodeloom/platform/GraphicsContext.h"

#include <vector>

namespace nodeloom::platform {

namespace {
std::vector<Canvas*>& stack() {
    thread_local std::vector<Canvas*> canvases;
    return canvases;
}
}  // namespace

Canvas* GraphicsContext::current() {
    const auto& canvases = stack();
    return canvases.empty() ? nullptr : canvases.back();
}

void GraphicsContext::push(Canvas& canvas) {
    stack().push_back(&canvas);
}

void GraphicsContext::pop() {
    auto& canvases = stack();
    if (!canvases.empty()) canvases.pop_back();
}

}  // namespace nodeloom::platform
