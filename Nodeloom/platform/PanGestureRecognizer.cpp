#include "Nodeloom/platform/PanGestureRecognizer.h"

#include <cmath>

namespace nodeloom::platform {

namespace {

// How far the fingers move before a drag is told from a touch that stays put.
constexpr double kHysteresis = 10.0;

}  // namespace

void PanGestureRecognizer::setMinimumNumberOfTouches(int count) {
    if (count >= 1) minimumNumberOfTouches_ = count;
}

void PanGestureRecognizer::setMaximumNumberOfTouches(int count) {
    if (count >= 1) maximumNumberOfTouches_ = count;
}

Point PanGestureRecognizer::translationIn(const View*) const {
    return translation_;
}

bool PanGestureRecognizer::running() const {
    return state() == GestureRecognizerState::began || state() == GestureRecognizerState::changed;
}

bool PanGestureRecognizer::withinLimits() const {
    return numberOfTouches() >= minimumNumberOfTouches_ &&
           numberOfTouches() <= maximumNumberOfTouches_;
}

void PanGestureRecognizer::reset() {
    GestureRecognizer::reset();
    translation_ = Point();
}

void PanGestureRecognizer::touchesBegan(const TouchSet& touches, const TouchEvent& event) {
    if (!running()) {
        // Followed even after a failure, so that the gesture knows when all its fingers are up.
        GestureRecognizer::touchesBegan(touches, event);
        if (state() == GestureRecognizerState::possible &&
            numberOfTouches() > maximumNumberOfTouches_) {
            setState(GestureRecognizerState::failed);
        }
    } else {
        TouchSet room;
        for (const auto& touch : touches) {
            if (numberOfTouches() + static_cast<int>(room.size()) < maximumNumberOfTouches_) {
                room.push_back(touch);
            }
        }
        track(room);
    }
    previous_ = centroid();
}

void PanGestureRecognizer::touchesMoved(const TouchSet& touches, const TouchEvent&) {
    if (tracked(touches).empty()) return;
    const Point c = centroid();
    translation_.x += c.x - previous_.x;
    translation_.y += c.y - previous_.y;
    previous_ = c;
    if (running()) {
        setState(GestureRecognizerState::changed);
    } else if (state() == GestureRecognizerState::possible && withinLimits() &&
               std::hypot(translation_.x, translation_.y) > kHysteresis) {
        setState(GestureRecognizerState::began);
    }
}

void PanGestureRecognizer::touchesEnded(const TouchSet& touches, const TouchEvent&) {
    release(touches, false);
}

void PanGestureRecognizer::touchesCancelled(const TouchSet& touches, const TouchEvent&) {
    release(touches, true);
}

void PanGestureRecognizer::release(const TouchSet& touches, bool cancelled) {
    const TouchSet ending = tracked(touches);
    if (ending.empty()) return;
    untrack(ending);
    previous_ = centroid();
    if (running()) {
        if (cancelled) {
            setState(GestureRecognizerState::cancelled);
        } else if (numberOfTouches() < minimumNumberOfTouches_) {
            setState(GestureRecognizerState::ended);
        }
    } else if (state() == GestureRecognizerState::possible &&
               (cancelled || numberOfTouches() == 0)) {
        setState(GestureRecognizerState::failed);
    }
}

}  // namespace nodeloom::platform
