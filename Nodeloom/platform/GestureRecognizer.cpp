#include "Nodeloom/platform/GestureRecognizer.h"

#include <algorithm>
#include <utility>

#include "Nodeloom/platform/View.h"

namespace nodeloom::platform {

GestureRecognizer::GestureRecognizer(Action action) {
    addTarget(std::move(action));
}

GestureRecognizer::~GestureRecognizer() = default;

void GestureRecognizer::addTarget(Action action) {
    if (action) actions_.push_back(std::move(action));
}

Point GestureRecognizer::locationIn(const View* view) const {
    const Point p = centroid();
    return view ? view->convertPointFromWindow(p) : p;
}

void GestureRecognizer::drive(GestureRecognizerState state, const Point& windowPoint) {
    if (windowPoint.isFinite()) lastLocation_ = windowPoint;
    state_ = state;
    report();
}

void GestureRecognizer::setState(GestureRecognizerState state) {
    state_ = state;
    if (state != GestureRecognizerState::possible && state != GestureRecognizerState::failed) {
        report();
    }
}

void GestureRecognizer::report() {
    // A target may add targets, or drop the last other reference to this recogniser.
    const auto actions = actions_;
    for (const auto& action : actions)
        action(*this);
}

void GestureRecognizer::reset() {
    state_ = GestureRecognizerState::possible;
}

Point GestureRecognizer::centroid() const {
    if (touches_.empty()) return lastLocation_;
    Point sum;
    for (const auto& touch : touches_) {
        sum.x += touch->locationInWindow().x;
        sum.y += touch->locationInWindow().y;
    }
    const auto n = static_cast<double>(touches_.size());
    return Point(sum.x / n, sum.y / n);
}

bool GestureRecognizer::track(const TouchSet& touches) {
    bool added = false;
    for (const auto& touch : touches) {
        if (!touch || std::find(touches_.begin(), touches_.end(), touch) != touches_.end()) continue;
        touches_.push_back(touch);
        added = true;
    }
    if (added) lastLocation_ = centroid();
    return added;
}

void GestureRecognizer::untrack(const TouchSet& touches) {
    lastLocation_ = centroid();
    std::erase_if(touches_, [&](const auto& touch) {
        return std::find(touches.begin(), touches.end(), touch) != touches.end();
    });
}

TouchSet GestureRecognizer::tracked(const TouchSet& touches) const {
    TouchSet result;
    for (const auto& touch : touches) {
        if (std::find(touches_.begin(), touches_.end(), touch) != touches_.end()) {
            result.push_back(touch);
        }
    }
    return result;
}

// The base follows the fingers and recognises nothing.
void GestureRecognizer::touchesBegan(const TouchSet& touches, const TouchEvent&) {
    if (touches_.empty() && state_ != GestureRecognizerState::possible) reset();
    track(touches);
}

void GestureRecognizer::touchesMoved(const TouchSet& touches, const TouchEvent&) {
    if (!tracked(touches).empty()) lastLocation_ = centroid();
}

void GestureRecognizer::touchesEnded(const TouchSet& touches, const TouchEvent&) {
    untrack(touches);
}

void GestureRecognizer::touchesCancelled(const TouchSet& touches, const TouchEvent&) {
    untrack(touches);
}

}  // namespace nodeloom::platform
