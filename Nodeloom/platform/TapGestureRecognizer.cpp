#include "Nodeloom/platform/TapGestureRecognizer.h"

#include <cmath>

namespace nodeloom::platform {

namespace {

// How far a finger may wander and still tap.
constexpr double kSlop = 10.0;

}  // namespace

void TapGestureRecognizer::touchesBegan(const TouchSet& touches, const TouchEvent& event) {
    GestureRecognizer::touchesBegan(touches, event);
    if (state() != GestureRecognizerState::possible) return;
    if (numberOfTouches() > 1) {
        setState(GestureRecognizerState::failed);
    } else {
        start_ = centroid();
    }
}

void TapGestureRecognizer::touchesMoved(const TouchSet& touches, const TouchEvent&) {
    if (state() != GestureRecognizerState::possible || tracked(touches).empty()) return;
    const Point c = centroid();
    if (std::hypot(c.x - start_.x, c.y - start_.y) > kSlop) {
        setState(GestureRecognizerState::failed);
    }
}

void TapGestureRecognizer::touchesEnded(const TouchSet& touches, const TouchEvent&) {
    const TouchSet ending = tracked(touches);
    if (ending.empty()) return;
    untrack(ending);
    if (state() == GestureRecognizerState::possible && numberOfTouches() == 0) {
        setState(GestureRecognizerState::ended);
    }
}

void TapGestureRecognizer::touchesCancelled(const TouchSet& touches, const TouchEvent&) {
    const TouchSet ending = tracked(touches);
    if (ending.empty()) return;
    untrack(ending);
    if (state() == GestureRecognizerState::possible) setState(GestureRecognizerState::failed);
}

}  // namespace nodeloom::platform
